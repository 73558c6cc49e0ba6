#pragma once

// Read-only web pages the front serves beside the JSON-RPC side, each provider under a path prefix of
// its own ("/calendario/"). A provider knows nothing of HTTP beyond the response it fills.

#include "server/http/httpmessage.h"

#include <string_view>

namespace zrm::server {

class PageProvider {
public:
    virtual ~PageProvider() = default;

    // The path prefix the provider answers under, with its slashes ("/calendario/").
    virtual std::string_view prefix() const = 0;

    // Answers GET of path (the part after the prefix, query removed) with a complete page: status,
    // content type and body. Must not throw; runs on the transport's worker threads, several at once.
    virtual void serve(std::string_view path, HttpResponse& response) = 0;
};

}  // namespace zrm::server
