#pragma once

// The steps of one HTTP exchange that do not touch the stream, in the HTTP library's own types: the
// limits, the refusals and the translation to and from the front's plain request and response, used
// by the transport's session (httpsession_p.h).

#include "server/http/httpmessage.h"
#include "server/http/httpserver.h"

#include <boost/beast/http.hpp>

#include <exception>
#include <optional>
#include <string_view>

namespace zrm::server::exchange {

namespace http = boost::beast::http;
using Request = http::request<http::string_body>;
using Parser = http::request_parser<http::string_body>;
using Response = http::response<http::string_body>;

// Sets the transport's limits on a parser about to read a request.
void limit(Parser& parser, const HttpServerConfig& config);

// The status the transport answers a failed read with (400 malformed, 413 body over the limit, 431
// fields over the limit); nullopt when the connection just ends without an answer (closed, cut
// short, timed out).
std::optional<http::status> refusalOf(const boost::system::error_code& ec);

// 431 when the request's head as a whole (request line and every field) is over the limit, which
// the parser checks per field only; nullopt when within it.
std::optional<http::status> refusalOfHead(const Request& request, const HttpServerConfig& config);

// The transport's own answer of status (one of refusalOf's): a short Portuguese text, and the
// connection closes after it.
Response refusal(http::status status, unsigned version, const HttpServerConfig& config);

// What the log and the metrics are told of a refusal.
std::string_view reasonOf(http::status status);

// The request as the front sees it: views into request, valid while it lives.
HttpRequest viewOf(const Request& request);

// The answer to write for the front's response.
Response responseOf(HttpResponse&& answer, unsigned version, bool keepAlive);

// Turns an exception that escaped the handler into a plain 500 in response and tells the handler.
void answerFailed(HttpHandler& handler, const std::exception_ptr& failure, HttpResponse& response);

}  // namespace zrm::server::exchange
