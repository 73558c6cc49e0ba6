#include "server/http/httpexchange_p.h"

#include <boost/beast/core.hpp>

namespace zrm::server::exchange {

namespace beast = boost::beast;

namespace {

// Bytes of a request's head as sent: request line, every field and the blank line.
std::size_t headBytes(const Request& request) {
    std::size_t size = request.method_string().size() + request.target().size() + 12;
    for (const auto& field : request)
        size += field.name_string().size() + field.value().size() + 4;
    return size + 2;
}

std::string_view viewOf(beast::string_view text) {
    return {text.data(), text.size()};
}

}  // namespace

void limit(Parser& parser, const HttpServerConfig& config) {
    parser.header_limit(static_cast<std::uint32_t>(config.maxHeaderBytes));
    parser.body_limit(config.maxBodyBytes);
}

std::optional<http::status> refusalOf(const boost::system::error_code& ec) {
    if (ec == http::error::body_limit)
        return http::status::payload_too_large;
    if (ec == http::error::header_limit)
        return http::status::request_header_fields_too_large;
    const bool syntax = ec.category() == make_error_code(http::error::bad_method).category() &&
                        ec != http::error::end_of_stream && ec != http::error::partial_message;
    if (syntax)
        return http::status::bad_request;
    return std::nullopt;
}

std::optional<http::status> refusalOfHead(const Request& request, const HttpServerConfig& config) {
    if (headBytes(request) > config.maxHeaderBytes)
        return http::status::request_header_fields_too_large;
    return std::nullopt;
}

Response refusal(http::status status, unsigned version, const HttpServerConfig& config) {
    Response response{status, version == 10 ? 10U : 11U};
    response.set(http::field::content_type, "text/plain; charset=utf-8");
    switch (status) {
        case http::status::payload_too_large:
            response.body() = "O corpo da requisição passa do limite de " +
                              std::to_string(config.maxBodyBytes) + " bytes.\n";
            break;
        case http::status::request_header_fields_too_large:
            response.body() = "O cabeçalho da requisição é grande demais.\n";
            break;
        default:
            response.body() = "A requisição HTTP está malformada.\n";
    }
    response.keep_alive(false);
    response.prepare_payload();
    return response;
}

std::string_view reasonOf(http::status status) {
    switch (status) {
        case http::status::payload_too_large:
            return "corpo acima do limite";
        case http::status::request_header_fields_too_large:
            return "cabeçalho acima do limite";
        default:
            return "HTTP malformado";
    }
}

HttpRequest viewOf(const Request& request) {
    return HttpRequest{viewOf(request.method_string()),
                       viewOf(request.target()),
                       viewOf(request[http::field::authorization]),
                       viewOf(request["X-Operator"]),
                       viewOf(request[http::field::accept_language]),
                       request.body()};
}

Response responseOf(HttpResponse&& answer, unsigned version, bool keepAlive) {
    Response response{static_cast<http::status>(answer.status), version};
    response.set(http::field::content_type, answer.contentType);
    if (!answer.allow.empty())
        response.set(http::field::allow, beast::string_view(answer.allow.data(), answer.allow.size()));
    if (!answer.wwwAuthenticate.empty())
        response.set(http::field::www_authenticate,
                     beast::string_view(answer.wwwAuthenticate.data(), answer.wwwAuthenticate.size()));
    if (!answer.contentLanguage.empty())
        response.set(http::field::content_language,
                     beast::string_view(answer.contentLanguage.data(), answer.contentLanguage.size()));
    if (!answer.vary.empty())
        response.set(http::field::vary, beast::string_view(answer.vary.data(), answer.vary.size()));
    response.body() = std::move(answer.body);
    response.keep_alive(keepAlive);
    response.prepare_payload();
    return response;
}

void answerFailed(HttpHandler& handler, const std::exception_ptr& failure, HttpResponse& response) {
    response = HttpResponse{};
    response.status = 500;
    response.contentType = "text/plain; charset=utf-8";
    response.body = "Erro interno do servidor de aplicação.\n";
    std::string reason = "exceção no tratamento da requisição";
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        reason += ": ";
        reason += error.what();
    } catch (...) {
    }
    handler.rejectedByTransport(500, reason);
}

}  // namespace zrm::server::exchange
