#pragma once

// Read-only web pages the front serves beside the JSON-RPC side, each provider under a path prefix of
// its own ("/calendario/", which also answers "/calendario"). A provider knows nothing of HTTP beyond
// the request it reads and the response it fills.

#include "server/http/httpmessage.h"

#include <string_view>

namespace zrm::server {

class PageProvider {
public:
    virtual ~PageProvider() = default;

    // The path prefix the provider answers under, with its slashes ("/calendario/").
    virtual std::string_view prefix() const = 0;

    // Answers GET of path (the part after the prefix, query removed; empty for the prefix without its
    // last slash) with a complete page: status, content type and body; request gives the headers
    // (the reader's languages). Must not throw; runs on the transport's worker threads, several at
    // once.
    virtual void serve(const HttpRequest& request, std::string_view path, HttpResponse& response) = 0;

    // Fills response with the page of the 401 answer the front gives a reader without the token (the
    // front adds the challenge). Must not throw; runs on any thread.
    virtual void refuse(const HttpRequest& request, HttpResponse& response) = 0;
};

}  // namespace zrm::server
