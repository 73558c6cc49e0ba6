#include "server/http/requesthead_p.h"

#include <boost/beast/core/string.hpp>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <vector>

namespace zrm::server::exchange {

namespace beast = boost::beast;

namespace {

std::string_view viewOf(beast::string_view text) {
    return {text.data(), text.size()};
}

// Bytes of a request's head as sent: request line, every field and the blank line.
std::size_t headBytes(const Request& request) {
    std::size_t size = request.method_string().size() + request.target().size() + 12;
    for (const auto& field : request)
        size += field.name_string().size() + field.value().size() + 4;
    return size + 2;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lowerCase) {
    return beast::iequals(beast::string_view(text.data(), text.size()),
                          beast::string_view(lowerCase.data(), lowerCase.size()));
}

bool isHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool isUnreservedOrSubDelim(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("-._~!$&'()*+,;=").find(c) != std::string_view::npos;
}

// reg-name / IPv4address: letters, digits, the few marks a name may hold and %-escapes.
bool isRegName(std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%') {
            if (i + 2 >= name.size() || !isHexDigit(name[i + 1]) || !isHexDigit(name[i + 2]))
                return false;
            i += 2;
        } else if (!isUnreservedOrSubDelim(name[i])) {
            return false;
        }
    }
    return true;
}

bool isPort(std::string_view port) {
    return port.size() <= 5 &&
           std::ranges::all_of(port, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// host [":" port], the host a name, an IPv4 address or an IP literal in brackets.
bool isAuthority(std::string_view authority) {
    std::string_view host = authority;
    std::string_view rest;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || close == 1)
            return false;
        for (const char c : authority.substr(1, close - 1)) {
            if (!isUnreservedOrSubDelim(c) && c != ':')
                return false;
        }
        host = authority.substr(0, close + 1);
        rest = authority.substr(close + 1);
    } else {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
        if (!isRegName(host))
            return false;
    }
    if (rest.empty())
        return true;
    return rest.front() == ':' && !host.empty() && isPort(rest.substr(1));
}

// An absolute-form target cut in two: the authority and what follows it (path and query).
struct AbsoluteForm {
    std::string_view authority;
    std::string_view rest;
};

// The parts of an http or https URI; nullopt for anything else.
std::optional<AbsoluteForm> absoluteFormOf(std::string_view target) {
    const std::size_t separator = target.find("://");
    if (separator == std::string_view::npos)
        return std::nullopt;
    const std::string_view scheme = target.substr(0, separator);
    if (!equalsIgnoringCase(scheme, "http") && !equalsIgnoringCase(scheme, "https"))
        return std::nullopt;
    const std::string_view afterScheme = target.substr(separator + 3);
    const std::size_t end = afterScheme.find_first_of("/?");
    return AbsoluteForm{afterScheme.substr(0, end),
                        end == std::string_view::npos ? std::string_view() : afterScheme.substr(end)};
}

// The codings of every Transfer-Encoding field, in order, as sent (white space around them removed,
// empty list elements skipped).
std::vector<std::string_view> transferCodingsOf(const Request& request) {
    std::vector<std::string_view> codings;
    const auto [first, last] = request.equal_range(http::field::transfer_encoding);
    for (auto field = first; field != last; ++field) {
        std::string_view list = viewOf(field->value());
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            std::string_view coding = list.substr(0, comma);
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
            const std::size_t begin = coding.find_first_not_of(" \t");
            if (begin == std::string_view::npos)
                continue;
            coding = coding.substr(begin, coding.find_last_not_of(" \t") - begin + 1);
            codings.push_back(coding);
        }
    }
    return codings;
}

Refusal badRequest(std::string message) {
    return Refusal{http::status::bad_request, std::move(message)};
}

std::optional<Refusal> refusalOfHost(const Request& request) {
    const std::size_t hosts = request.count(http::field::host);
    if (hosts > 1 || (hosts == 0 && request.version() >= 11))
        return badRequest("Uma requisição HTTP/1.1 precisa de um, e só um, cabeçalho Host.\n");
    if (hosts == 1 && !isAuthority(viewOf(request[http::field::host])))
        return badRequest(
            "O cabeçalho Host não é um nome de servidor válido (nome ou endereço, e a porta "
            "se houver).\n");
    return std::nullopt;
}

std::optional<Refusal> refusalOfTarget(const Request& request) {
    const std::string_view target = viewOf(request.target());
    if (!target.empty() && target.front() == '/')
        return std::nullopt;
    if ((target == "*" && request.method() == http::verb::options) ||
        (request.method() == http::verb::connect && isAuthority(target)))
        return std::nullopt;
    const std::optional<AbsoluteForm> absolute = absoluteFormOf(target);
    if (absolute && !absolute->authority.empty() && isAuthority(absolute->authority))
        return std::nullopt;
    return badRequest("O alvo da requisição não é um caminho (/…) nem um endereço http completo.\n");
}

// How the body's end is found: by Content-Length, or by a chunked coding that comes last and once.
// Anything else would let the transport and whatever stands before it disagree on where this request
// ends and the next begins.
std::optional<Refusal> refusalOfFraming(const Request& request) {
    if (request.count(http::field::transfer_encoding) == 0)
        return std::nullopt;
    if (request.version() < 11)
        return badRequest("Uma requisição HTTP/1.0 não pode trazer Transfer-Encoding.\n");
    if (request.count(http::field::content_length) > 0)
        return badRequest(
            "A requisição traz Transfer-Encoding e Content-Length juntos: o tamanho do corpo "
            "seria ambíguo.\n");
    const std::vector<std::string_view> codings = transferCodingsOf(request);
    if (codings.empty() || !equalsIgnoringCase(codings.back(), "chunked"))
        return badRequest(
            "O Transfer-Encoding da requisição não termina em chunked: o tamanho do corpo "
            "não pode ser determinado.\n");
    for (auto coding = codings.begin(); coding != std::prev(codings.end()); ++coding) {
        if (equalsIgnoringCase(*coding, "chunked"))
            return badRequest("O Transfer-Encoding da requisição aplica chunked mais de uma vez.\n");
    }
    if (codings.size() > 1)
        return Refusal{http::status::not_implemented,
                       "O servidor não decodifica o corpo: envie-o só com chunked ou com Content-Length.\n"};
    return std::nullopt;
}

}  // namespace

std::optional<Refusal> refusalOfHead(const Request& request, const HttpServerConfig& config) {
    if (headBytes(request) > config.maxHeaderBytes)
        return Refusal{http::status::request_header_fields_too_large,
                       "O cabeçalho da requisição é grande demais.\n"};
    if (auto refusal = refusalOfHost(request))
        return refusal;
    if (auto refusal = refusalOfTarget(request))
        return refusal;
    return refusalOfFraming(request);
}

void toOriginForm(Request& request) {
    const std::optional<AbsoluteForm> absolute = absoluteFormOf(viewOf(request.target()));
    if (!absolute)
        return;
    // Copied first: both views point into the request about to change.
    std::string host(absolute->authority);
    std::string target = absolute->rest.empty() || absolute->rest.front() != '/' ? "/" : "";
    target += absolute->rest;
    request.target(target);
    request.set(http::field::host, host);
}

void dropTrailer(Request& request, std::size_t headFields) {
    auto field = request.begin();
    for (std::size_t i = 0; i < headFields && field != request.end(); ++i)
        ++field;
    while (field != request.end())
        field = request.erase(field);
}

}  // namespace zrm::server::exchange
