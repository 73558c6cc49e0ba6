#pragma once

// The words of the read-only pages in each language they are written in, and the choice of one from
// what the browser asks for. Portuguese is the default; English uses the wording of the desktop's
// English resource wherever the desktop says the same thing.

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zrm::server {

enum class PageLanguage { Portuguese, English };

// The language of the page for an Accept-Language header ("en-US,en;q=0.9,pt;q=0.8"): the one of ours
// the header ranks highest by q-value (a range counts by its primary subtag, "*" for any language it
// does not name, q=0 rules a language out), the one named first on a tie, Portuguese when the header
// is empty, malformed or accepts neither. Never fails.
PageLanguage preferredLanguage(std::string_view acceptLanguage);

// Texts with %1, %2... where the page puts names, dates and numbers (see filled()).
struct PageTexts {
    std::string_view htmlLang;  // the document's lang attribute and Content-Language
    std::string_view title;     // %1 year, %2 version
    std::string_view todayOnServer;
    std::string_view versionsLabel;  // the accessible name of the version links
    std::string_view versionsOf;     // %1 year
    std::string_view versionLink;    // %1 version
    std::string_view latest;
    std::string_view legend;
    std::string_view ordinary;
    std::string_view calculation;
    std::string_view blocked;
    std::string_view concluded;
    std::string_view conflict;
    std::string_view permittedMonth;
    std::string_view today;      // the legend's entry
    std::string_view todayMark;  // beside the line on the timeline
    std::string_view timeline;   // %1 year
    std::array<std::string_view, 12> months;
    std::string_view phaseHint;      // %1 name, %2 code, %3 start, %4 end
    std::string_view calculationIn;  // %1 months
    std::string_view noMonth;
    std::string_view inConflict;  // %1 name and %2 code of the other phase, %3 why
    std::string_view blockedPeriodRefusal;
    std::string_view phasesCaption;
    std::string_view code;
    std::string_view phase;
    std::string_view start;
    std::string_view end;
    std::string_view kind;
    std::string_view permittedMonths;
    std::string_view noPhases;
    std::string_view notFound;
    std::string_view notYear;
    std::string_view notYearAndVersion;
    std::string_view yearWithoutVersions;  // %1 year
    std::string_view versionMissing;       // %1 year, %2 version
    std::string_view addresses;            // HTML: the addresses the pages answer
    std::string_view unavailable;
    std::string_view unavailableMessage;
    std::string_view internalError;
    std::string_view internalErrorMessage;
    std::string_view accessDenied;
    std::string_view accessDeniedMessage;
};

const PageTexts& pageTexts(PageLanguage language);

// pattern with %1 replaced by the first of args, %2 by the second and so on (up to %9); a % not
// followed by the number of an argument stays as it is.
std::string filled(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace zrm::server
