#pragma once

// What the HTTP transport hands to the front and takes back: plain views of one request and the
// response to write, so that only the transport's translation unit knows the HTTP library.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zrm::server {

struct HttpRequest {
    std::string_view method;          // "GET", "POST", …
    std::string_view target;          // path and query, as sent
    std::string_view authorization;   // Authorization header, empty when absent
    std::string_view operatorCode;    // X-Operator header, empty when absent
    std::string_view acceptLanguage;  // Accept-Language header, empty when absent
    std::string_view body;
    // When the transport had read the whole request; the time a request takes is counted from here.
    std::chrono::steady_clock::time_point received = std::chrono::steady_clock::now();
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::string_view allow;            // Allow header of a 405 answer
    std::string_view wwwAuthenticate;  // WWW-Authenticate header of a 401 answer
    std::string_view contentLanguage;  // Content-Language header of a page
    std::string_view vary;             // Vary header: the request headers the answer depends on
};

class HttpHandler {
public:
    virtual ~HttpHandler() = default;

    // Answers a request on the I/O thread that read it when that needs no blocking work (a probe, a
    // refusal, an answer held in memory) and returns true; returns false, leaving response as it was,
    // when the request must go to handle(). Must not block. An exception it throws is answered as
    // 500 and told to rejectedByTransport.
    virtual bool answerAtOnce(const HttpRequest& request, HttpResponse& response) {
        (void)request;
        (void)response;
        return false;
    }

    // What a wait outside the process learned, handed back to answerAfterWait; nullopt when the wait
    // learned nothing.
    using WaitOutcome = std::optional<std::int64_t>;

    // Asked about a request answerAtOnce declined: when it could be answered without blocking once
    // something outside the process has happened (a database confirming that an answer held in
    // memory is current), starts that, returns true, and calls woken exactly once, from any thread,
    // when it has happened; the transport then asks answerAfterWait on an I/O thread. Returns false
    // when the request must go to handle(). Must not block; must not throw.
    // woken is a sink: a handler that waits keeps it.
    // NOLINTBEGIN(performance-unnecessary-value-param)
    virtual bool startWait(const HttpRequest& /*request*/, std::function<void(WaitOutcome)> /*woken*/) {
        return false;
    }
    // NOLINTEND(performance-unnecessary-value-param)

    // Answers a request at once after its wait, like answerAtOnce, and returns true; returns false,
    // leaving response as it was, when the request must go to handle() after all. Must not block.
    virtual bool answerAfterWait(const HttpRequest& request, WaitOutcome outcome, HttpResponse& response) {
        (void)request;
        (void)outcome;
        (void)response;
        return false;
    }

    // Answers one complete request; runs on the transport's pool for blocking work, several at once.
    // An exception it throws is answered as 500 and told to rejectedByTransport.
    virtual void handle(const HttpRequest& request, HttpResponse& response) = 0;

    // Told about a request the transport answered itself (status 400 for malformed HTTP, 413 for a
    // body over the limit, 431 for oversized headers, 500 when the handler threw), for the log and
    // the metrics. Must not throw.
    virtual void rejectedByTransport(int status, std::string_view reason) = 0;
};

}  // namespace zrm::server
