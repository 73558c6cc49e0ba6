#pragma once

// The Date header of the transport's answers: the time as HTTP writes it (IMF-fixdate, always GMT, in
// English whatever the locale). An answer carries the time at the second, so the text is made once a
// second per network thread and every answer of that second takes it as made.

#include <chrono>
#include <string_view>

namespace zrm::server {

// Where the transport reads the time its answers carry; tests set one that stands still.
using WallClock = std::chrono::system_clock::time_point (*)();

// `Tue, 08 Dec 2026 05:24:38 GMT` for now. The text stays valid on the calling thread until the next
// call there with another second.
std::string_view httpDate(std::chrono::system_clock::time_point now);

}  // namespace zrm::server
