#pragma once

// One line per request on standard error: time, endpoint, method, milliseconds, outcome, status.

#include <string_view>

namespace zrm::server {

class RequestLog {
public:
    // enabled false keeps the log silent (the tests of the front use it).
    explicit RequestLog(bool enabled = true) : m_enabled(enabled) {}

    // Writes the line with one write call, so lines of concurrent requests never interleave.
    // Ignores write failures: a full disk must not stop the server answering.
    void request(std::string_view endpoint, std::string_view method, double milliseconds,
                 std::string_view outcome, int status) const;

    // A line about the server itself (a fault the client was told about only as an internal error).
    void note(std::string_view text) const;

private:
    bool m_enabled;
};

}  // namespace zrm::server
