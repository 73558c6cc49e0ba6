#pragma once

// The read-only calendar page: one self-contained HTML document (no external asset or script) with the
// calendar's timeline as inline SVG, its legend, a table of the phases for screen readers and printing,
// and links to the other versions of the year.

#include "server/web/timelinecalendar.h"

#include <string>
#include <string_view>

namespace zrm::server {

// The page of calendar; links to versions are "{linkBase}{year}/{version}". Never fails.
std::string timelinePage(const TimelineCalendar& calendar, std::string_view linkBase);

// A page that says what was not found (a sentence for the user) and where to look instead.
std::string notFoundPage(std::string_view message);

// text with the characters that mean something in HTML (& < > " ') written as references.
std::string htmlEscaped(std::string_view text);

}  // namespace zrm::server
