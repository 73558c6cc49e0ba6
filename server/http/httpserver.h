#pragma once

// The HTTP/1.1 transport of the application server, over TCP or TLS: accepts connections and reads requests
// with persistent connections on its I/O threads, lets the HttpHandler answer at once what needs no blocking
// work, hands the rest to a separate pool (so a slow query never stalls accepting, time-outs or the health
// probe) and writes the answer, dated. HEAD is answered with the headers of the GET answer. It answers itself
// malformed HTTP and requests whose Host or body framing is unsound (400), a transfer coding it does not
// decode (501), bodies over the limit (413), an oversized request line (414) or head (431); closes
// connections that stay silent, or send or read too slowly, too long; and stops gracefully: no new
// connections; requests in flight finish, and so do requests that still arrive on idle connections within the
// drain time, all answered with Connection: close; idle connections close once the drain time is over.
//
// The HTTP library lives in the transport's sources only, so including this header costs
// nothing.

#include "server/http/httpdate.h"
#include "server/http/httpmessage.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zrm::server {

struct HttpServerConfig {
    std::string host = "127.0.0.1";
    std::uint16_t port = 7130;  // 0 picks a free port
    int threads = 0;            // I/O threads; 0: one per hardware thread
    int blockingThreads = 0;    // threads for blocking work; 0: four per hardware thread, at least 4
    std::size_t maxBodyBytes = std::size_t{1024} * 1024;
    std::size_t maxHeaderBytes = std::size_t{16} * 1024;  // request line and every field together
    std::chrono::milliseconds headerTimeout{10'000};      // from the first byte to the end of the header
    std::chrono::milliseconds bodyTimeout{30'000};        // to read the body and to write an answer
    std::chrono::milliseconds idleTimeout{60'000};        // a kept-alive connection waiting for a request
    // After a stop, how long an idle connection still takes a request: a proxy may have sent one on
    // it just as the stop began, and a connection closed under it would lose that request.
    std::chrono::milliseconds drainTime{2'000};
    bool loopbackOnly = true;  // refuse to listen on another address
    // Both set: HTTPS (TLS 1.2 and later) on the listener with this certificate chain and key, PEM.
    std::string tlsCertificateFile;
    std::string tlsKeyFile;
    WallClock wallClock = [] { return std::chrono::system_clock::now(); };  // the answers' Date
};

class HttpServer {
public:
    HttpServer(HttpServerConfig config, HttpHandler& handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Loads the TLS certificate and key when configured, resolves and binds the listening address and
    // returns the bound port. Throws std::runtime_error with a Portuguese message when a TLS file cannot
    // be read or is not sound, the address does not resolve, cannot be bound, or is not a loopback
    // address while loopbackOnly is set.
    std::uint16_t listen();

    // The bound address as "host:port" (brackets around an IPv6 address); empty before listen().
    std::string boundAddress() const;

    // Makes SIGTERM and SIGINT call stop(). Call before run().
    void stopOnSignals();

    // Serves on the I/O threads (the calling thread is one of them) and the blocking pool until
    // stop() and every connection has ended. Call once, after listen().
    void run();

    // Starts the graceful stop; returns at once. Thread-safe, may be called several times. run()
    // returns at the latest once the drain time is over and the requests then in flight are answered.
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace zrm::server
