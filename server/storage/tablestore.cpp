#include "server/storage/tablestore.h"

#include "server/storage/calendarstore.h"
#include "server/storage/datetext.h"
#include "server/storage/monthcolumns.h"

namespace zrm::server {

using sql::RowView;
using sql::textOrNull;

bool TableStore::holdsData() {
    bool any = false;
    m_connection.select(
        "SELECT 1 WHERE EXISTS (SELECT 1 FROM FASEORC) OR EXISTS (SELECT 1 FROM OPERADOR) "
        "OR EXISTS (SELECT 1 FROM VERSAOORC) OR EXISTS (SELECT 1 FROM CICLOORC)",
        {}, [&](const RowView&) { any = true; });
    return any;
}

void TableStore::clear() {
    // Referencing tables first.
    m_connection.executeScript(
        "DELETE FROM FASECONCL; DELETE FROM CALENDORCOP; DELETE FROM CICLOORC; DELETE FROM VERSAOORC; "
        "DELETE FROM OPERADOR; DELETE FROM FASEORC;");
}

std::vector<OperatorRecord> TableStore::operators() {
    std::vector<OperatorRecord> records;
    m_connection.select("SELECT CDOPERADOR, NMOPERADOR FROM OPERADOR ORDER BY CDOPERADOR", {},
                        [&](const RowView& row) {
                            records.push_back({std::string(row.text(0)), std::string(row.text(1))});
                        });
    return records;
}

std::vector<PhaseRecord> TableStore::phases() {
    return CalendarStore(m_connection).phases();
}

std::vector<VersionRecord> TableStore::versions() {
    std::vector<VersionRecord> records;
    m_connection.select(
        "SELECT CDANOVERORCA, CDVERSAOORCA, DTINCLUSAO, CDOPERINCLUSAO, DSVERSAOORCA FROM VERSAOORC "
        "ORDER BY CDANOVERORCA, CDVERSAOORCA",
        {}, [&](const RowView& row) {
            records.push_back({std::string(row.text(0)),
                               row.integer(1),
                               wireDateTime(row.text(2)),
                               std::string(row.text(3)),
                               {},
                               std::string(row.text(4))});
        });
    return records;
}

std::vector<UsedVersionRecord> TableStore::usedVersions() {
    std::vector<UsedVersionRecord> records;
    m_connection.select("SELECT CDANOVERORCA, CDULTVERSAOORCA FROM ULTVERSAOORC ORDER BY CDANOVERORCA", {},
                        [&](const RowView& row) {
                            records.push_back({std::string(row.text(0)), row.integer(1)});
                        });
    return records;
}

std::vector<CycleRecord> TableStore::cycles() {
    std::vector<CycleRecord> records;
    m_connection.select(
        "SELECT NRANOCICLO, MESINI, MESFIN FROM CICLOORC ORDER BY NRANOCICLO", {}, [&](const RowView& row) {
            records.push_back(
                {std::string(row.text(0)), wireDateTime(row.text(1)), wireDateTime(row.text(2))});
        });
    return records;
}

std::vector<CalendarRecord> TableStore::calendar() {
    std::vector<CalendarRecord> records;
    static const std::string selectCalendar =
        "SELECT NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, DTINIFASEORCA, DTFINFASEORCA, " +
        monthColumns() + " FROM CALENDORCOP ORDER BY NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC";
    m_connection.select(selectCalendar.c_str(), {}, [&](const RowView& row) {
        CalendarRecord record;
        record.key = {std::string(row.text(0)), row.integer(1), std::string(row.text(2))};
        record.start = wireDateTime(row.text(3));
        record.end = wireDateTime(row.text(4));
        for (size_t month = 0; month < record.months.size(); ++month)
            record.months[month] = row.text(5 + int(month));
        records.push_back(std::move(record));
    });
    return records;
}

std::vector<ConcludedRecord> TableStore::concluded() {
    std::vector<ConcludedRecord> records;
    m_connection.select(
        "SELECT NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, CDFILIAL, DTCONCLUSAO FROM FASECONCL "
        "ORDER BY NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, CDFILIAL",
        {}, [&](const RowView& row) {
            records.push_back({{std::string(row.text(0)), row.integer(1), std::string(row.text(2))},
                               std::string(row.text(3)),
                               {},
                               wireDateTime(row.text(4))});
        });
    return records;
}

void TableStore::insert(const OperatorRecord& r) {
    m_connection.execute("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR) VALUES ($1, $2)",
                         {r.code, textOrNull(r.name)});
}

void TableStore::insert(const PhaseRecord& r) {
    m_connection.execute(
        "INSERT INTO FASEORC (CDFASEORCOPERAC, NMFASEORCOPERAC, IDFASECALCORCA, IDFASEAPROVORCA, "
        "IDBLOQFASEORCA) VALUES ($1, $2, $3, $4, $5)",
        {r.code, r.name, textOrNull(r.calculation), textOrNull(r.approval), textOrNull(r.blocked)});
}

void TableStore::insert(const VersionRecord& r) {
    m_connection.execute(
        "INSERT INTO VERSAOORC (CDANOVERORCA, CDVERSAOORCA, DTINCLUSAO, CDOPERINCLUSAO, DSVERSAOORCA) "
        "VALUES ($1, $2, $3, $4, $5)",
        {r.year, r.version, textOrNull(r.createdAt), textOrNull(r.createdBy), textOrNull(r.description)});
    insert(UsedVersionRecord{r.year, r.version});
}

void TableStore::insert(const UsedVersionRecord& r) {
    m_connection.execute(
        "INSERT INTO ULTVERSAOORC (CDANOVERORCA, CDULTVERSAOORCA) VALUES ($1, $2) "
        "ON CONFLICT (CDANOVERORCA) DO UPDATE SET CDULTVERSAOORCA = CASE WHEN excluded.CDULTVERSAOORCA > "
        "ULTVERSAOORC.CDULTVERSAOORCA THEN excluded.CDULTVERSAOORCA ELSE ULTVERSAOORC.CDULTVERSAOORCA END",
        {r.year, r.highest});
}

void TableStore::insert(const CycleRecord& r) {
    m_connection.execute("INSERT INTO CICLOORC (NRANOCICLO, MESINI, MESFIN) VALUES ($1, $2, $3)",
                         {r.year, r.firstMonth, r.lastMonth});
}

void TableStore::insert(const CalendarRecord& record) {
    CalendarStore(m_connection).insert(record);
}

void TableStore::insert(const ConcludedRecord& r) {
    m_connection.execute(
        "INSERT INTO FASECONCL (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, CDFILIAL, DTCONCLUSAO) "
        "VALUES ($1, $2, $3, $4, $5)",
        {r.key.year, r.key.version, r.key.code, r.branch, textOrNull(r.concludedAt)});
}

}  // namespace zrm::server
