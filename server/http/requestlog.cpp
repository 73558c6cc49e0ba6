#include "server/http/requestlog.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace zrm::server {

namespace {

// "2026-03-10T14:02:11.123Z"
void appendTimestamp(std::string& line) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    // The date and time to the second are formatted once per second and thread, not per line.
    thread_local std::time_t formattedSecond = -1;
    thread_local char formatted[40];
    thread_local std::size_t formattedLength = 0;
    if (seconds != formattedSecond) {
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        formattedLength = std::strftime(formatted, sizeof formatted, "%Y-%m-%dT%H:%M:%S", &utc);
        formattedSecond = seconds;
    }
    line.append(formatted, formattedLength);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, ".%03dZ ", static_cast<int>(millis));
    line += buffer;
}

// Gathered lines beyond this size are written at once.
constexpr std::size_t FlushBytes = std::size_t{16} * 1024;
constexpr std::chrono::milliseconds FlushInterval{100};

void writeAll(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written <= 0)
            return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace

RequestLog::RequestLog(bool enabled, int fd) : m_enabled(enabled), m_fd(fd) {
    if (m_enabled)
        m_flusher = std::thread([this] { flushPeriodically(); });
}

RequestLog::~RequestLog() {
    if (!m_enabled)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_flusher.join();
    std::lock_guard lock(m_mutex);
    flushLocked();
}

void RequestLog::flushPeriodically() {
    std::unique_lock lock(m_mutex);
    while (!m_stopped.wait_for(lock, FlushInterval, [this] { return m_stopping; }))
        flushLocked();
}

void RequestLog::flushLocked() const {
    if (m_pending.empty())
        return;
    writeAll(m_fd, m_pending);
    m_pending.clear();
}

void RequestLog::append(const std::string& line, bool flushNow) const {
    std::lock_guard lock(m_mutex);
    m_pending += line;
    if (flushNow || m_pending.size() >= FlushBytes)
        flushLocked();
}

void RequestLog::request(std::string_view endpoint, std::string_view method, double milliseconds,
                         std::string_view outcome, int status, bool flushNow) const {
    if (!m_enabled)
        return;
    std::string line;
    line.reserve(128);
    appendTimestamp(line);
    line += endpoint;
    line += ' ';
    line += method.empty() ? std::string_view("-") : method;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, " %.3fms ", milliseconds);
    line += buffer;
    line += outcome;
    line += ' ';
    line += std::to_string(status);
    line += '\n';
    append(line, flushNow);
}

void RequestLog::note(std::string_view text) const {
    if (!m_enabled)
        return;
    std::string line;
    appendTimestamp(line);
    line += text;
    line += '\n';
    append(line, true);
}

}  // namespace zrm::server
