#pragma once

#include "server/storage/records.h"
#include "server/storage/sqlconnection.h"

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace zrm::server {

// A version of a year as the versions screen lists it.
struct VersionSummary {
    VersionRecord version;
    qint64 phaseCount = 0;  // the rows of its calendar
};

// The reads and writes of the calendar's administration (versions, cycles, the phase catalogue and
// concluded uses) that the calendar's own store lacks, on one connection. It applies no business
// rule: the administration module does that above it. Every method throws StoreError as the
// connection does.
class AdminStore {
public:
    explicit AdminStore(sql::Connection& connection) : m_connection(connection) {}

    // The versions of a year, highest first, with the creating operator's name and the number of
    // phase rows; one of them.
    std::vector<VersionSummary> versions(std::string_view year);
    std::optional<VersionSummary> version(std::string_view year, qint64 version);

    // Inside a write transaction: keeps every other administrator of the year's versions away until
    // the transaction ends, and returns the highest version number the year ever used (0 for none).
    qint64 lockYear(std::string_view year);

    void setDescription(std::string_view year, qint64 version, std::string_view description);
    // Deletes a version and the rows of its calendar (its concluded uses must be gone).
    void removeVersion(std::string_view year, qint64 version);

    // Stores the year's cycle, replacing the one stored.
    void storeCycle(const CycleRecord& cycle);

    // Inside a write transaction: the catalogue's entry of a code, kept from every other writer
    // until the transaction ends.
    std::optional<PhaseRecord> lockPhase(std::string_view code);
    // Name and the calculation and blocked flags of an entry of the catalogue.
    void updatePhase(const PhaseRecord& phase);
    void removePhase(std::string_view code);
    // A calendar (year, version) that uses the phase, the newest such, or none.
    std::optional<std::pair<std::string, qint64>> calendarUsing(std::string_view code);

    // The concluded uses of a calendar, by phase code then branch, with the phase's name.
    std::vector<ConcludedRecord> conclusions(std::string_view year, qint64 version);
    // How many concluded uses refer to a calendar, and the lowest phase code among them.
    std::pair<qint64, std::string> conclusionCount(std::string_view year, qint64 version);
    bool hasCalendarRow(const CalendarKey& key);
    bool hasConclusion(const CalendarKey& key, std::string_view branch);
    void removeConclusion(const CalendarKey& key, std::string_view branch);

private:
    sql::Connection& m_connection;
};

}  // namespace zrm::server
