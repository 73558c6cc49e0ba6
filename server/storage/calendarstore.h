#pragma once

#include "domain/calendar/timeline.h"
#include "server/storage/records.h"
#include "server/storage/sqlconnection.h"

#include <optional>
#include <string_view>
#include <vector>

namespace zrm::server {

// The reads and writes of the budget calendar and what it refers to (catalogue, versions, cycles,
// concluded uses, change history), on one connection. It applies no business rule: the calendar
// module does that above it. Every method throws StoreError as the connection does.
class CalendarStore {
public:
    explicit CalendarStore(sql::Connection& connection) : m_connection(connection) {}

    // The highest version of the year, or none when the year has no version.
    std::optional<qint64> latestVersion(std::string_view year);
    // The phase rows of a year and version, by start date (then code), with name and flags joined in.
    std::vector<CalendarView> calendar(std::string_view year, qint64 version);
    // As calendar(), without the row of one phase code.
    std::vector<CalendarView> otherPhases(std::string_view year, qint64 version, std::string_view code);
    // The phases of a year and version as a timeline shows them, in calendar()'s order: dates, name,
    // the catalogue's flags, the month flags, and whether some branch has concluded the phase. One
    // query, whatever the number of phases; conflicts are not marked.
    QList<calendar::TimelinePhase> timeline(std::string_view year, qint64 version);

    // The versions of a year, highest first, with the creating operator's name joined in.
    std::vector<VersionRecord> versions(std::string_view year);
    std::optional<VersionRecord> version(std::string_view year, qint64 version);

    // The phase catalogue by code; one entry of it.
    std::vector<PhaseRecord> phases();
    std::optional<PhaseRecord> phase(std::string_view code);

    std::optional<CycleRecord> cycle(std::string_view year);

    // The branches that have concluded a phase in a year and version, by branch.
    std::vector<ConcludedRecord> concludedUses(std::string_view code, std::string_view year, qint64 version);

    // Inside a write transaction: keeps every other writer away from one calendar until the
    // transaction ends, so checks and writes of a delta see no concurrent change. Callers lock
    // calendars in ascending (year, version) order, so two writers never wait on each other.
    void lockCalendar(std::string_view year, qint64 version);
    void insert(const CalendarRecord& record);
    void update(const CalendarKey& key, const CalendarRecord& record);
    void remove(const CalendarKey& key);
    void appendHistory(const HistoryRecord& record);

    // The change history of a year and version, newest first, at most limit entries.
    std::vector<HistoryEntry> history(std::string_view year, qint64 version, qint64 limit);

private:
    sql::Connection& m_connection;
};

}  // namespace zrm::server
