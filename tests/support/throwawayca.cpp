#include "tests/support/throwawayca.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

namespace zrm::test {

namespace {

struct FreeKey {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct FreeCertificate {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct FreeBio {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;
using Certificate = std::unique_ptr<X509, FreeCertificate>;

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("OpenSSL falhou ao ") + what);
}

Key newKey() {
    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "gerar a chave");
    return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    check(extension != nullptr, "montar uma extensão");
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    check(added, "acrescentar uma extensão");
}

// A certificate for key, named commonName, signed by signer as issuer (itself when issuer is null).
Certificate newCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer, EVP_PKEY* signer,
                           long validFromSeconds, long validToSeconds) {
    static std::atomic<long> serial{1};
    Certificate certificate(X509_new());
    check(certificate != nullptr, "criar o certificado");
    X509* x = certificate.get();
    check(X509_set_version(x, 2) == 1, "fixar a versão");
    check(ASN1_INTEGER_set(X509_get_serialNumber(x), serial++) == 1, "numerar o certificado");
    check(X509_gmtime_adj(X509_getm_notBefore(x), validFromSeconds) != nullptr, "fixar o início da validade");
    check(X509_gmtime_adj(X509_getm_notAfter(x), validToSeconds) != nullptr, "fixar o fim da validade");
    check(X509_set_pubkey(x, key) == 1, "associar a chave");
    X509_NAME* name = X509_get_subject_name(x);
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                     reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                                     0) == 1,
          "dar o nome");
    check(X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer) : name) == 1, "dar o emissor");
    X509* issuedBy = issuer ? issuer : x;
    addExtension(x, issuedBy, NID_subject_key_identifier, "hash");
    addExtension(x, issuedBy, NID_authority_key_identifier, "keyid");
    if (!issuer) {
        addExtension(x, issuedBy, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(x, issuedBy, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(x, issuedBy, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(x, issuedBy, NID_ext_key_usage, "serverAuth");
        const bool address = commonName.find_first_not_of("0123456789.") == std::string::npos;
        addExtension(x, issuedBy, NID_subject_alt_name, (address ? "IP:" : "DNS:") + commonName);
    }
    check(X509_sign(x, signer, EVP_sha256()) > 0, "assinar o certificado");
    return certificate;
}

template <typename Write>
std::string pemOf(Write write) {
    std::unique_ptr<BIO, FreeBio> bio(BIO_new(BIO_s_mem()));
    check(bio != nullptr && write(bio.get()) == 1, "escrever PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string pemOf(X509* certificate) {
    return pemOf([certificate](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
}

std::string pemOf(EVP_PKEY* key) {
    return pemOf([key](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    });
}

}  // namespace

struct ThrowawayCa::Keys {
    Key key;
    Certificate certificate;
};

ThrowawayCa::ThrowawayCa(const std::string& commonName) : d(std::make_unique<Keys>()) {
    d->key = newKey();
    d->certificate = newCertificate(d->key.get(), commonName, nullptr, d->key.get(), -3600, 86400);
}

ThrowawayCa::~ThrowawayCa() = default;

std::string ThrowawayCa::certificatePem() const {
    return pemOf(d->certificate.get());
}

IssuedCertificate ThrowawayCa::issue(const std::string& hostName, long validFromSeconds,
                                     long validToSeconds) const {
    Key key = newKey();
    Certificate certificate = newCertificate(key.get(), hostName, d->certificate.get(), d->key.get(),
                                             validFromSeconds, validToSeconds);
    return {pemOf(certificate.get()), pemOf(key.get())};
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush())
        throw std::runtime_error("não foi possível escrever " + path);
}

}  // namespace zrm::test
