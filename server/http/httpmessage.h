#pragma once

// What the HTTP transport hands to the front and takes back: plain views of one request and the
// response to write, so that only the transport's translation unit knows the HTTP library.

#include <string>
#include <string_view>

namespace zrm::server {

struct HttpRequest {
    std::string_view method;         // "GET", "POST", …
    std::string_view target;         // path and query, as sent
    std::string_view authorization;  // Authorization header, empty when absent
    std::string_view operatorCode;   // X-Operator header, empty when absent
    std::string_view body;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::string_view allow;            // Allow header of a 405 answer
    std::string_view wwwAuthenticate;  // WWW-Authenticate header of a 401 answer
};

class HttpHandler {
public:
    virtual ~HttpHandler() = default;

    // Answers one complete request. Must not throw; runs on the transport's worker threads, several
    // at once.
    virtual void handle(const HttpRequest& request, HttpResponse& response) = 0;

    // Told about a request the transport answered itself (status 400 for malformed HTTP, 413 for a
    // body over the limit, 431 for oversized headers), for the log and the metrics. Must not throw.
    virtual void rejectedByTransport(int status, std::string_view reason) = 0;
};

}  // namespace zrm::server
