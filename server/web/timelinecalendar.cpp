#include "server/web/timelinecalendar.h"

#include "server/storage/calendarstore.h"
#include "server/storage/database.h"

#include <algorithm>

namespace zrm::server {

std::optional<YearTimeline> readYearTimeline(Database& database, std::string_view year,
                                             std::optional<qint64> version, const QDate& today) {
    ConnectionLease connection = database.acquire();
    // Versions and phases from one state of the database, whatever commits meanwhile.
    sql::Transaction snapshot(*connection, sql::Transaction::Kind::Snapshot);
    CalendarStore store(*connection);
    YearTimeline timeline;
    for (const VersionRecord& record : store.versions(year))
        timeline.versions.push_back(record.version);
    if (timeline.versions.empty())
        return std::nullopt;
    timeline.version = version.value_or(timeline.versions.front());
    if (std::find(timeline.versions.begin(), timeline.versions.end(), timeline.version) ==
        timeline.versions.end())
        return std::nullopt;

    calendar::TimelineCalendar& shown = timeline.calendar;
    shown.year = QString::fromUtf8(year.data(), qsizetype(year.size())).toInt();
    shown.version = QString::number(timeline.version);
    shown.today = today;
    shown.phases = store.timeline(year, timeline.version);
    snapshot.commit();
    shown.markConflicts();
    return timeline;
}

}  // namespace zrm::server
