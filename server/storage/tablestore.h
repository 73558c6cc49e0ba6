#pragma once

#include "server/storage/records.h"
#include "server/storage/sqlconnection.h"

#include <vector>

namespace zrm::server {

// Whole-table reads and writes for the data file: everything stored, table by table, in key order,
// and plain inserts without business rules. Every method throws StoreError as the connection does
// (Conflict for a duplicate key, BadRequest for a broken reference or a violated check).
class TableStore {
public:
    explicit TableStore(sql::Connection& connection) : m_connection(connection) {}

    // True when any table of the calendar (the change history aside) holds a row.
    bool holdsData();
    // Deletes every row of the calendar's tables; the change history is kept, and so are the version
    // numbers each year used, which the history may name.
    void clear();

    std::vector<OperatorRecord> operators();
    std::vector<PhaseRecord> phases();
    std::vector<VersionRecord> versions();          // by year, then version
    std::vector<UsedVersionRecord> usedVersions();  // by year
    std::vector<CycleRecord> cycles();
    std::vector<CalendarRecord> calendar();  // by year, version, code
    std::vector<ConcludedRecord> concluded();

    void insert(const OperatorRecord& record);
    void insert(const PhaseRecord& record);
    // Notes the version's number as used by its year, too.
    void insert(const VersionRecord& record);
    // Raises the year's highest used version number to record's; never lowers it.
    void insert(const UsedVersionRecord& record);
    void insert(const CycleRecord& record);
    void insert(const CalendarRecord& record);
    void insert(const ConcludedRecord& record);

private:
    sql::Connection& m_connection;
};

}  // namespace zrm::server
