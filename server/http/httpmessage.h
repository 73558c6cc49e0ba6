#pragma once

// What the HTTP transport hands to the front and takes back: plain views of one request and the
// response to write, so that only the transport's translation unit knows the HTTP library.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zrm::server {

struct HttpRequest {
    std::string_view method;          // "GET", "POST", …
    std::string_view target;          // path and query, as sent
    std::string_view authorization;   // Authorization header, empty when absent
    std::string_view operatorCode;    // X-Operator header, empty when absent
    std::string_view saveId;          // X-Save-Id header, empty when absent
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

// One request in the handler's hands, from the moment the transport has read it until its answer is
// written: what the handler learns of the request on the first step (its route, its call read from
// the body) is kept here for the next ones, so nothing is read twice. The transport calls
// answerAtOnce first; when it declines, startWait; when that declines or its wait learned nothing
// usable, handle(). The request it was opened for outlives it.
class HttpCall {
public:
    virtual ~HttpCall() = default;

    // What a wait outside the process learned, handed back to answerAfterWait; nullopt when the wait
    // learned nothing.
    using WaitOutcome = std::optional<std::int64_t>;

    // Answers on the network thread that read the request when that needs no blocking work (a
    // refusal, a malformed call) and returns true; returns false, leaving response as it was, when
    // the request must go further. Must not block. An exception it throws is answered as 500 and
    // told to rejectedByTransport.
    virtual bool answerAtOnce(HttpResponse& response) = 0;

    // When the request could be answered without blocking once something outside the process has
    // happened (the database confirming that an answer held in memory is current), starts that,
    // returns true, and calls woken exactly once, from any thread, when it has happened; the
    // transport then asks answerAfterWait on a network thread. Returns false when the request must
    // go to handle(). Must not block; must not throw.
    // woken is a sink: a call that waits keeps it.
    // NOLINTBEGIN(performance-unnecessary-value-param)
    virtual bool startWait(std::function<void(WaitOutcome)> /*woken*/) { return false; }
    // NOLINTEND(performance-unnecessary-value-param)

    // Answers at once after the wait, like answerAtOnce, and returns true; returns false, leaving
    // response as it was, when the request must go to handle() after all. Must not block.
    virtual bool answerAfterWait(WaitOutcome outcome, HttpResponse& response) {
        (void)outcome;
        (void)response;
        return false;
    }

    // Answers the request; runs on the transport's pool for blocking work, several calls at once.
    // An exception it throws is answered as 500 and told to rejectedByTransport.
    virtual void handle(HttpResponse& response) = 0;
};

class HttpHandler {
public:
    virtual ~HttpHandler() = default;

    // Takes a request the transport has read whole. Must not block. An exception it throws is
    // answered as 500 and told to rejectedByTransport.
    virtual std::unique_ptr<HttpCall> open(const HttpRequest& request) = 0;

    // Told about a request the transport answered itself (status 400 for malformed HTTP or an unsound
    // Host or body framing, 413 for a body over the limit, 414 for an oversized request line, 431 for
    // oversized headers, 501 for a transfer coding it does not decode, 500 when the handler threw),
    // for the log and the metrics. Must not throw.
    virtual void rejectedByTransport(int status, std::string_view reason) = 0;

    // Told about a failure of the transport that no request hears of (a connection's session that
    // threw, an accept that failed), for the operator's log. Must not throw.
    virtual void transportFailed(std::string_view what) = 0;
};

}  // namespace zrm::server
