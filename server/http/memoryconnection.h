#pragma once

// One connection of the transport served in memory: the bytes a client sent go in, the transport's
// own session (the one that serves TCP connections) reads and answers them through the handler, and
// the bytes it wrote back come out. Tests and the fuzzer drive the transport so, without a socket.

#include "server/http/httpmessage.h"
#include "server/http/httpserver.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zrm::server {

// Serves a connection whose client sent input and then closed its side, and returns every byte the
// session wrote, answers one after the other: the session reads request after request as on a
// kept-alive connection until the input ends or it closes the connection itself (a refusal,
// Connection: close). Reads arrive at most readSize bytes at a time (0: all that is left), so a
// request may come in pieces as over a network. The handler's blocking work runs on one thread of
// its own; the rest on the calling thread. Time limits do not apply: no byte is ever late.
std::string serveInMemory(std::string_view input, HttpHandler& handler, const HttpServerConfig& config,
                          std::size_t readSize = 0);

}  // namespace zrm::server
