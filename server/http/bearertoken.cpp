#include "server/http/bearertoken.h"

#include <QByteArray>

#include <fstream>
#include <stdexcept>

namespace zrm::server {

namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

BearerToken BearerToken::fromFile(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("Não foi possível ler o arquivo de token \"" + path + "\".");
    std::string line;
    std::getline(file, line);
    const std::string_view token = trimmed(line);
    if (token.empty())
        throw std::runtime_error("O arquivo de token \"" + path + "\" não tem um token na primeira linha.");
    return BearerToken(std::string(token));
}

bool BearerToken::admits(std::string_view authorization) const {
    if (m_token.empty())
        return true;
    constexpr std::string_view scheme = "Bearer ";
    if (authorization.size() != scheme.size() + m_token.size() ||
        authorization.substr(0, scheme.size()) != scheme)
        return false;
    return matches(authorization.substr(scheme.size()));
}

bool BearerToken::admitsPassword(std::string_view authorization) const {
    if (admits(authorization))
        return true;
    constexpr std::string_view scheme = "Basic ";
    if (authorization.size() <= scheme.size() || authorization.size() > 4096 ||
        authorization.substr(0, scheme.size()) != scheme)
        return false;
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        QByteArray(authorization.data() + scheme.size(), qsizetype(authorization.size() - scheme.size())),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const QByteArray& credentials = decoded.decoded;
    const qsizetype colon = credentials.indexOf(':');
    if (colon < 0)
        return false;
    return matches(
        std::string_view(credentials.constData() + colon + 1, size_t(credentials.size() - colon - 1)));
}

bool BearerToken::matches(std::string_view given) const {
    if (given.size() != m_token.size())
        return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < m_token.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ m_token[i]);
    return difference == 0;
}

}  // namespace zrm::server
