#pragma once

// One line per request on standard error: time, endpoint, method, milliseconds, outcome, status.
// Lines are gathered in memory and written in batches, so a busy server does not make a system call
// per request; a line reaches the output before its answer whenever the server has nothing else in
// hand, and within a tenth of a second otherwise.

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace zrm::server {

class RequestLog {
public:
    // enabled false keeps the log silent (the tests of the front use it). fd is where lines go.
    explicit RequestLog(bool enabled = true, int fd = 2);
    // Writes what is still gathered.
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Gathers the line of a request; writes the gathered lines now when flushNow (the caller has no
    // other request in hand) or when they pass a few kilobytes. Lines never interleave. Ignores write
    // failures: a full disk must not stop the server answering.
    void request(std::string_view endpoint, std::string_view method, double milliseconds,
                 std::string_view outcome, int status, bool flushNow = true) const;

    // A line about the server itself (a fault the client was told about only as an internal
    // error), written at once with what is gathered.
    void note(std::string_view text) const;

private:
    void append(const std::string& line, bool flushNow) const;
    void flushLocked() const;
    void flushPeriodically();

    bool m_enabled;
    int m_fd;
    mutable std::mutex m_mutex;
    mutable std::string m_pending;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::thread m_flusher;
};

}  // namespace zrm::server
