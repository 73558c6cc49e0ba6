#include "server/http/httpexchange_p.h"

#include <boost/beast/core.hpp>

namespace zrm::server::exchange {

namespace beast = boost::beast;

namespace {

std::string_view viewOf(beast::string_view text) {
    return {text.data(), text.size()};
}

}  // namespace

void limit(Parser& parser, const HttpServerConfig& config) {
    parser.header_limit(static_cast<std::uint32_t>(config.maxHeaderBytes));
    parser.body_limit(config.maxBodyBytes);
}

std::optional<Refusal> refusalOf(const boost::system::error_code& ec, const Parser& parser,
                                 std::string_view unread, const HttpServerConfig& config) {
    if (ec == http::error::body_limit) {
        return Refusal{
            http::status::payload_too_large,
            "O corpo da requisição passa do limite de " + std::to_string(config.maxBodyBytes) + " bytes.\n"};
    }
    if (ec == http::error::header_limit) {
        // The parser names the method once it has read the request line, which it may leave for
        // when the whole head is there: the line alone filled the head's room when it has no method
        // and no end of line within the limit.
        const bool lineEnded = unread.substr(0, config.maxHeaderBytes).find('\n') != std::string_view::npos;
        if (parser.get().method_string().empty() && !lineEnded) {
            return Refusal{http::status::uri_too_long, "A linha da requisição passa do limite de " +
                                                           std::to_string(config.maxHeaderBytes) +
                                                           " bytes.\n"};
        }
        return Refusal{http::status::request_header_fields_too_large,
                       "O cabeçalho da requisição é grande demais.\n"};
    }
    const bool syntax = ec.category() == make_error_code(http::error::bad_method).category() &&
                        ec != http::error::end_of_stream && ec != http::error::partial_message;
    if (syntax)
        return Refusal{http::status::bad_request, "A requisição HTTP está malformada.\n"};
    return std::nullopt;
}

Response refusal(const Refusal& refusal, unsigned version, std::string_view date) {
    Response response{refusal.status, version == 10 ? 10U : 11U};
    response.set(http::field::date, beast::string_view(date.data(), date.size()));
    response.set(http::field::content_type, "text/plain; charset=utf-8");
    response.body() = refusal.message;
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
        case http::status::uri_too_long:
            return "linha de requisição acima do limite";
        case http::status::not_implemented:
            return "codificação de transferência não suportada";
        default:
            return "HTTP malformado";
    }
}

HttpRequest viewOf(const Request& request) {
    return HttpRequest{viewOf(request.method_string()),
                       viewOf(request.target()),
                       viewOf(request[http::field::authorization]),
                       viewOf(request["X-Operator"]),
                       viewOf(request["X-Save-Id"]),
                       viewOf(request[http::field::accept_language]),
                       request.body()};
}

Response responseOf(HttpResponse&& answer, unsigned version, bool keepAlive, std::string_view date) {
    Response response{static_cast<http::status>(answer.status), version};
    response.set(http::field::date, beast::string_view(date.data(), date.size()));
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
