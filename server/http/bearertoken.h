#pragma once

// The access token of the server: read from the token file, checked against the Authorization header
// of every request except the health probe.

#include <string>
#include <string_view>

namespace zrm::server {

class BearerToken {
public:
    // No token: every request is let through.
    BearerToken() = default;
    explicit BearerToken(std::string token) : m_token(std::move(token)) {}

    // Reads the token from the first line of path, surrounding white space removed. Throws
    // std::runtime_error with a Portuguese message when the file cannot be read or the line is empty.
    static BearerToken fromFile(const std::string& path);

    bool isSet() const { return !m_token.empty(); }

    // True when no token is set, or authorization is "Bearer <token>" with this token. Compares in
    // time independent of where the texts differ.
    bool admits(std::string_view authorization) const;

    // As admits, and also when authorization is HTTP Basic whose password is the token (any user
    // name): the form a browser's own login prompt sends.
    bool admitsPassword(std::string_view authorization) const;

private:
    bool matches(std::string_view given) const;

    std::string m_token;
};

}  // namespace zrm::server
