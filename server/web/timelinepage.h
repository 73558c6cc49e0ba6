#pragma once

// The read-only calendar page: one self-contained HTML document (no external asset or script) with the
// calendar's timeline as inline SVG, its legend, a table of the phases for screen readers and printing,
// and links to the other versions of the year; and the pages that say why there is no calendar to show.
// Every page is written in the language of the texts it is given.

#include "server/web/pagetexts.h"
#include "server/web/timelinecalendar.h"

#include <string>
#include <string_view>
#include <vector>

namespace zrm::server {

// The versions of a year as links "{linkBase}{year}/{version}", the latest first; current (when one
// of them) is marked as the page shown.
struct VersionLinks {
    std::string_view linkBase;
    std::string year;
    std::vector<qint64> versions;
    qint64 current = 0;
};

// The page of the calendar shown; links to versions are "{linkBase}{year}/{version}". Never fails.
std::string timelinePage(const YearTimeline& shown, std::string_view linkBase, const PageTexts& texts);

// A page that says what was not found (a sentence for the user) and where to look instead: the
// versions of others as links when it holds some, else the addresses the pages answer.
std::string notFoundPage(const PageTexts& texts, std::string_view message, const VersionLinks& others = {});

// A page with a heading and one sentence (the database unavailable, access denied).
std::string messagePage(const PageTexts& texts, std::string_view heading, std::string_view message);

// text with the characters that mean something in HTML (& < > " ') written as references.
std::string htmlEscaped(std::string_view text);

}  // namespace zrm::server
