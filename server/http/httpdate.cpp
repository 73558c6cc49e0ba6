#include "server/http/httpdate.h"

#include <array>
#include <cstdint>
#include <ctime>

namespace zrm::server {

namespace {

constexpr std::array<const char*, 7> WeekDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void putNumber(char* at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

void copyName(char* at, const char* name) {
    at[0] = name[0];
    at[1] = name[1];
    at[2] = name[2];
}

// The text of one second, kept per thread: the network threads never share it, so no lock.
struct MadeDate {
    std::int64_t second = INT64_MIN;
    std::array<char, 29> text{};
};

}  // namespace

std::string_view httpDate(std::chrono::system_clock::time_point now) {
    thread_local MadeDate made;
    const std::int64_t second = std::chrono::floor<std::chrono::seconds>(now.time_since_epoch()).count();
    if (second != made.second) {
        const auto seconds = static_cast<std::time_t>(second);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char* text = made.text.data();
        // "Sun, 06 Nov 1994 08:49:37 GMT"
        copyName(text, WeekDays.at(static_cast<std::size_t>(utc.tm_wday)));
        text[3] = ',';
        text[4] = ' ';
        putNumber(text + 5, utc.tm_mday, 2);
        text[7] = ' ';
        copyName(text + 8, Months.at(static_cast<std::size_t>(utc.tm_mon)));
        text[11] = ' ';
        putNumber(text + 12, utc.tm_year + 1900, 4);
        text[16] = ' ';
        putNumber(text + 17, utc.tm_hour, 2);
        text[19] = ':';
        putNumber(text + 20, utc.tm_min, 2);
        text[22] = ':';
        putNumber(text + 23, utc.tm_sec, 2);
        text[25] = ' ';
        copyName(text + 26, "GMT");
        made.second = second;
    }
    return {made.text.data(), made.text.size()};
}

}  // namespace zrm::server
