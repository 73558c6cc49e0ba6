#pragma once

// One calendar as the read-only pages show it: the timeline of one version of a year, and every
// version the year has.

#include "domain/calendar/timeline.h"

#include <QDate>

#include <optional>
#include <string_view>
#include <vector>

namespace zrm::server {

class Database;

struct YearTimeline {
    calendar::TimelineCalendar calendar;  // the version shown, its conflicts marked
    std::vector<qint64> versions;         // every version of the year, latest first
    qint64 version = 0;                   // the version shown
};

// Reads the calendar of year ("2026") and version (none: the latest) from database in one state of
// it: the year's versions, then the timeline of the version in one query, with today as the server's
// today. Gives nothing when the year has no versions or not that version. Throws StoreError as the
// store does (StorageUnavailable when the database does not answer).
std::optional<YearTimeline> readYearTimeline(Database& database, std::string_view year,
                                             std::optional<qint64> version, const QDate& today);

}  // namespace zrm::server
