#pragma once

// A certificate authority that lives as long as a test: a fresh P-256 key and a self-signed CA
// certificate, issuing server certificates for a host name with whatever validity a test needs
// (an expired one included), all as PEM text.

#include <memory>
#include <string>

namespace zrm::test {

struct IssuedCertificate {
    std::string certificatePem;
    std::string keyPem;
};

class ThrowawayCa {
public:
    // Throws std::runtime_error when OpenSSL fails.
    explicit ThrowawayCa(const std::string& commonName = "Autoridade de teste");
    ~ThrowawayCa();
    ThrowawayCa(const ThrowawayCa&) = delete;
    ThrowawayCa& operator=(const ThrowawayCa&) = delete;

    std::string certificatePem() const;

    // A server certificate naming hostName, or the IPv4 address it spells (subject alternative
    // name), valid from validFromSeconds
    // to validToSeconds around the moment of the call.
    IssuedCertificate issue(const std::string& hostName, long validFromSeconds = -3600,
                            long validToSeconds = 86400) const;

private:
    struct Keys;
    std::unique_ptr<Keys> d;
};

// Writes text into path; throws std::runtime_error when it cannot.
void writeTextFile(const std::string& path, const std::string& text);

}  // namespace zrm::test
