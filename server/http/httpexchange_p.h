#pragma once

// The steps of one HTTP exchange that do not touch the stream, in the HTTP library's own types: the
// limits, the refusals and the translation to and from the front's plain request and response, used
// by the transport's session (httpsession_p.h).

#include "server/http/httpmessage.h"
#include "server/http/httpserver.h"
#include "server/http/requesthead_p.h"

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

// What the transport answers a failed read with (400 malformed, 413 body over the limit, 414 a
// request line over the head's limit, 431 fields over it); nullopt when the connection just ends
// without an answer (closed, cut short, timed out). unread: the bytes the parser left in the buffer.
std::optional<Refusal> refusalOf(const boost::system::error_code& ec, const Parser& parser,
                                 std::string_view unread, const HttpServerConfig& config);

// The transport's own answer of a refusal: its sentence as plain text, dated, and the connection
// closes after it.
Response refusal(const Refusal& refusal, unsigned version, std::string_view date);

// What the log and the metrics are told of a refusal.
std::string_view reasonOf(http::status status);

// The request as the front sees it: views into request, valid while it lives.
HttpRequest viewOf(const Request& request);

// The answer to write for the front's response, dated.
Response responseOf(HttpResponse&& answer, unsigned version, bool keepAlive, std::string_view date);

// Turns an exception that escaped the handler into a plain 500 in response and tells the handler.
void answerFailed(HttpHandler& handler, const std::exception_ptr& failure, HttpResponse& response);

}  // namespace zrm::server::exchange
