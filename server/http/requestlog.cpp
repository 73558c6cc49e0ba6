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
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[40];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &utc);
    line.append(buffer, length);
    std::snprintf(buffer, sizeof buffer, ".%03dZ ", static_cast<int>(millis));
    line += buffer;
}

void writeLine(const std::string& line) {
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written <= 0)
            return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace

void RequestLog::request(std::string_view endpoint, std::string_view method, double milliseconds,
                         std::string_view outcome, int status) const {
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
    writeLine(line);
}

void RequestLog::note(std::string_view text) const {
    if (!m_enabled)
        return;
    std::string line;
    appendTimestamp(line);
    line += text;
    line += '\n';
    writeLine(line);
}

}  // namespace zrm::server
