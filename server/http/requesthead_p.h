#pragma once

// What the transport checks in a request's head once it is read, before its body: the size of the
// head, the Host, the target and how the body's end is found. A request whose body could be framed
// in two ways, or which the transport cannot frame at all, is refused and its connection closed, so
// that nothing the client sends after it is ever read as a request of its own.

#include "server/http/httpserver.h"

#include <boost/beast/http.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zrm::server::exchange {

namespace http = boost::beast::http;
using Request = http::request<http::string_body>;

// A request the transport answers itself: the status, and a sentence in Portuguese for the client.
struct Refusal {
    http::status status;
    std::string message;
};

// The refusal of a request whose head is unsound: over the size limit as a whole (431, which the
// parser checks per field only); in HTTP/1.1 without exactly one Host, or with a Host that is not a
// host and port (400); a target that is neither a path nor an http URI (400); a Transfer-Encoding in
// HTTP/1.0, beside a Content-Length, or whose last coding is not chunked (400); a coding before
// chunked, which the transport does not decode (501). nullopt when the head is sound.
std::optional<Refusal> refusalOfHead(const Request& request, const HttpServerConfig& config);

// Turns an absolute-form target ("http://host:port/path?query"), once accepted, into the path and
// query the front routes on, its authority becoming the request's Host. Other targets stay.
void toOriginForm(Request& request);

// Forgets the fields that came after the first headFields, those of a chunked body's trailer: a
// trailer field never stands for a header field (a token, an operator, a Host).
void dropTrailer(Request& request, std::size_t headFields);

}  // namespace zrm::server::exchange
