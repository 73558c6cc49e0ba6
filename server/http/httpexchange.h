#pragma once

// One request and its answer as the transport reads and writes them on a connection, without the
// connection: the bytes a client sent go in, the bytes the transport would write back come out.
// The same steps serve the transport's sessions, so this is the transport's behaviour on its
// parser, limits, refusals and HEAD answers, not a copy of it (fuzzing and tests drive it).

#include "server/http/httpmessage.h"
#include "server/http/httpserver.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zrm::server {

struct HttpExchange {
    bool complete = false;     // false: input holds no whole request yet and nothing was answered
    std::size_t consumed = 0;  // bytes of input the request took
    std::string written;       // the answer's bytes
    bool keepOpen = false;     // whether the connection would stay open for another request
    bool headOnly = false;     // a HEAD request: the answer has the GET answer's head and no body
};

// Reads the first request of input as a session does and answers it through handler (at once when
// it can, otherwise through handle(), exceptions answered as 500). A refused request is answered as
// the transport refuses it, and the connection would close. Runs the handler on the calling thread.
HttpExchange serveExchange(std::string_view input, HttpHandler& handler, const HttpServerConfig& config);

}  // namespace zrm::server
