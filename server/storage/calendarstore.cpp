#include "server/storage/calendarstore.h"

#include "server/storage/datetext.h"
#include "server/storage/monthcolumns.h"

namespace zrm::server {

namespace {

using sql::RowView;
using sql::textOrNull;

// The calendar row's own columns, then the catalogue's name and flags of its phase.
const std::string CalendarColumns =
    "c.NRANOORCOPERAC, c.CDVERSCALENORCA, c.CDFASEORCOPERAC, c.DTINIFASEORCA, c.DTFINFASEORCA, " +
    monthColumns("c.") + ", f.NMFASEORCOPERAC, f.IDBLOQFASEORCA, f.IDFASECALCORCA ";

const std::string SelectCalendar =
    "SELECT " + CalendarColumns +
    "FROM CALENDORCOP c JOIN FASEORC f ON f.CDFASEORCOPERAC = c.CDFASEORCOPERAC "
    "WHERE c.NRANOORCOPERAC = $1 AND c.CDVERSCALENORCA = $2 "
    "ORDER BY c.DTINIFASEORCA, c.CDFASEORCOPERAC";

const std::string SelectOtherPhases =
    "SELECT " + CalendarColumns +
    "FROM CALENDORCOP c JOIN FASEORC f ON f.CDFASEORCOPERAC = c.CDFASEORCOPERAC "
    "WHERE c.NRANOORCOPERAC = $1 AND c.CDVERSCALENORCA = $2 AND c.CDFASEORCOPERAC <> $3 "
    "ORDER BY c.DTINIFASEORCA, c.CDFASEORCOPERAC";

// Whether some branch has concluded the phase comes along as "S" or "N", the same text on both
// databases.
const std::string SelectTimeline =
    "SELECT c.CDFASEORCOPERAC, f.NMFASEORCOPERAC, c.DTINIFASEORCA, c.DTFINFASEORCA, f.IDFASECALCORCA, "
    "f.IDBLOQFASEORCA, CASE WHEN EXISTS (SELECT 1 FROM FASECONCL u WHERE u.NRANOORCOPERAC = c.NRANOORCOPERAC "
    "AND u.CDVERSCALENORCA = c.CDVERSCALENORCA AND u.CDFASEORCOPERAC = c.CDFASEORCOPERAC) THEN 'S' ELSE 'N' "
    "END, " +
    monthColumns("c.") +
    " FROM CALENDORCOP c JOIN FASEORC f ON f.CDFASEORCOPERAC = c.CDFASEORCOPERAC "
    "WHERE c.NRANOORCOPERAC = $1 AND c.CDVERSCALENORCA = $2 "
    "ORDER BY c.DTINIFASEORCA, c.CDFASEORCOPERAC";

constexpr const char* SelectVersions =
    "SELECT v.CDANOVERORCA, v.CDVERSAOORCA, v.DTINCLUSAO, v.CDOPERINCLUSAO, o.NMOPERADOR, v.DSVERSAOORCA "
    "FROM VERSAOORC v LEFT JOIN OPERADOR o ON o.CDOPERADOR = v.CDOPERINCLUSAO "
    "WHERE v.CDANOVERORCA = $1 ORDER BY v.CDVERSAOORCA DESC";

constexpr const char* SelectVersion =
    "SELECT v.CDANOVERORCA, v.CDVERSAOORCA, v.DTINCLUSAO, v.CDOPERINCLUSAO, o.NMOPERADOR, v.DSVERSAOORCA "
    "FROM VERSAOORC v LEFT JOIN OPERADOR o ON o.CDOPERADOR = v.CDOPERINCLUSAO "
    "WHERE v.CDANOVERORCA = $1 AND v.CDVERSAOORCA = $2";

constexpr const char* SelectPhases =
    "SELECT CDFASEORCOPERAC, NMFASEORCOPERAC, IDFASECALCORCA, IDFASEAPROVORCA, IDBLOQFASEORCA "
    "FROM FASEORC ORDER BY CDFASEORCOPERAC";

constexpr const char* SelectPhase =
    "SELECT CDFASEORCOPERAC, NMFASEORCOPERAC, IDFASECALCORCA, IDFASEAPROVORCA, IDBLOQFASEORCA "
    "FROM FASEORC WHERE CDFASEORCOPERAC = $1";

constexpr const char* SelectConcluded =
    "SELECT u.NRANOORCOPERAC, u.CDVERSCALENORCA, u.CDFASEORCOPERAC, u.CDFILIAL, f.NMFASEORCOPERAC "
    "FROM FASECONCL u JOIN FASEORC f ON f.CDFASEORCOPERAC = u.CDFASEORCOPERAC "
    "WHERE u.CDFASEORCOPERAC = $1 AND u.NRANOORCOPERAC = $2 AND u.CDVERSCALENORCA = $3 "
    "ORDER BY u.CDFILIAL";

const std::string InsertRow =
    "INSERT INTO CALENDORCOP (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, DTINIFASEORCA, "
    "DTFINFASEORCA, " +
    monthColumns() + ") VALUES ($1, $2, $3, $4, $5, " + monthParams(6) + ")";

const std::string UpdateRow =
    "UPDATE CALENDORCOP SET NRANOORCOPERAC = $1, CDVERSCALENORCA = $2, CDFASEORCOPERAC = $3, "
    "DTINIFASEORCA = $4, DTFINFASEORCA = $5, " +
    monthParams(6, true) + " WHERE NRANOORCOPERAC = $18 AND CDVERSCALENORCA = $19 AND CDFASEORCOPERAC = $20";

constexpr const char* DeleteRow =
    "DELETE FROM CALENDORCOP WHERE NRANOORCOPERAC = $1 AND CDVERSCALENORCA = $2 AND CDFASEORCOPERAC = $3";

constexpr const char* InsertHistory =
    "INSERT INTO HISTCALENDORC (DTALTERACAO, CDOPERADOR, NMMETODO, DSALTERACAO, NRANOORCOPERAC, "
    "CDVERSCALENORCA, CDFASEORCOPERAC) VALUES ($1, $2, $3, $4, $5, $6, $7)";

constexpr const char* SelectHistory =
    "SELECT h.DTALTERACAO, h.CDOPERADOR, h.NMMETODO, h.DSALTERACAO, h.NRANOORCOPERAC, h.CDVERSCALENORCA, "
    "h.CDFASEORCOPERAC, o.NMOPERADOR, f.NMFASEORCOPERAC "
    "FROM HISTCALENDORC h LEFT JOIN OPERADOR o ON o.CDOPERADOR = h.CDOPERADOR "
    "LEFT JOIN FASEORC f ON f.CDFASEORCOPERAC = h.CDFASEORCOPERAC "
    "WHERE h.NRANOORCOPERAC = $1 AND h.CDVERSCALENORCA = $2 AND h.NMMETODO = 'SetCalendOrcOp' "
    "ORDER BY h.NRSEQUENCIA DESC LIMIT $3";

// SQLite has no row locks: its write transaction already holds the whole database.
constexpr const char* LockCalendar =
    "SELECT 1 FROM VERSAOORC WHERE CDANOVERORCA = $1 AND CDVERSAOORCA = $2 FOR UPDATE";

CalendarRecord readCalendarRecord(const RowView& row) {
    CalendarRecord record;
    record.key.year = row.text(0);
    record.key.version = row.integer(1);
    record.key.code = row.text(2);
    record.start = wireDateTime(row.text(3));
    record.end = wireDateTime(row.text(4));
    for (size_t month = 0; month < record.months.size(); ++month)
        record.months[month] = row.text(5 + int(month));
    return record;
}

CalendarView readCalendarView(const RowView& row) {
    return CalendarView{readCalendarRecord(row), std::string(row.text(17)), std::string(row.text(18)),
                        std::string(row.text(19))};
}

VersionRecord readVersion(const RowView& row) {
    return VersionRecord{std::string(row.text(0)), row.integer(1),           wireDateTime(row.text(2)),
                         std::string(row.text(3)), std::string(row.text(4)), std::string(row.text(5))};
}

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The date of a stored date-time, whatever its time of day.
QDate storedDate(std::string_view stored) {
    return QDate::fromString(utf8(stored.substr(0, 10)), Qt::ISODate);
}

calendar::TimelinePhase readTimelinePhase(const RowView& row) {
    calendar::TimelinePhase phase;
    phase.code = utf8(row.text(0));
    phase.name = utf8(row.text(1));
    phase.start = storedDate(row.text(2));
    phase.end = storedDate(row.text(3));
    phase.calculation = row.text(4) == "S";
    phase.blocked = row.text(5) == "S";
    phase.concluded = row.text(6) == "S";
    for (size_t month = 0; month < phase.permittedMonths.size(); ++month)
        phase.permittedMonths[month] = calendar::isPermitted(utf8(row.text(7 + int(month))));
    return phase;
}

PhaseRecord readPhase(const RowView& row) {
    return PhaseRecord{std::string(row.text(0)), std::string(row.text(1)), std::string(row.text(2)),
                       std::string(row.text(3)), std::string(row.text(4))};
}

}  // namespace

std::optional<qint64> CalendarStore::latestVersion(std::string_view year) {
    std::optional<qint64> latest;
    m_connection.select("SELECT MAX(CDVERSAOORCA) FROM VERSAOORC WHERE CDANOVERORCA = $1", {year},
                        [&](const RowView& row) {
                            if (!row.isNull(0))
                                latest = row.integer(0);
                        });
    return latest;
}

std::vector<CalendarView> CalendarStore::calendar(std::string_view year, qint64 version) {
    std::vector<CalendarView> rows;
    m_connection.select(SelectCalendar.c_str(), {year, version},
                        [&](const RowView& row) { rows.push_back(readCalendarView(row)); });
    return rows;
}

std::vector<CalendarView> CalendarStore::otherPhases(std::string_view year, qint64 version,
                                                     std::string_view code) {
    std::vector<CalendarView> rows;
    m_connection.select(SelectOtherPhases.c_str(), {year, version, code},
                        [&](const RowView& row) { rows.push_back(readCalendarView(row)); });
    return rows;
}

QList<calendar::TimelinePhase> CalendarStore::timeline(std::string_view year, qint64 version) {
    QList<calendar::TimelinePhase> phases;
    m_connection.select(SelectTimeline.c_str(), {year, version},
                        [&](const RowView& row) { phases.append(readTimelinePhase(row)); });
    return phases;
}

std::vector<VersionRecord> CalendarStore::versions(std::string_view year) {
    std::vector<VersionRecord> versions;
    m_connection.select(SelectVersions, {year},
                        [&](const RowView& row) { versions.push_back(readVersion(row)); });
    return versions;
}

std::optional<VersionRecord> CalendarStore::version(std::string_view year, qint64 version) {
    std::optional<VersionRecord> found;
    m_connection.select(SelectVersion, {year, version},
                        [&](const RowView& row) { found = readVersion(row); });
    return found;
}

std::vector<PhaseRecord> CalendarStore::phases() {
    std::vector<PhaseRecord> phases;
    m_connection.select(SelectPhases, {}, [&](const RowView& row) { phases.push_back(readPhase(row)); });
    return phases;
}

std::optional<PhaseRecord> CalendarStore::phase(std::string_view code) {
    std::optional<PhaseRecord> found;
    m_connection.select(SelectPhase, {code}, [&](const RowView& row) { found = readPhase(row); });
    return found;
}

std::optional<CycleRecord> CalendarStore::cycle(std::string_view year) {
    std::optional<CycleRecord> found;
    m_connection.select("SELECT NRANOCICLO, MESINI, MESFIN FROM CICLOORC WHERE NRANOCICLO = $1", {year},
                        [&](const RowView& row) {
                            found = CycleRecord{std::string(row.text(0)), wireDateTime(row.text(1)),
                                                wireDateTime(row.text(2))};
                        });
    return found;
}

std::vector<ConcludedRecord> CalendarStore::concludedUses(std::string_view code, std::string_view year,
                                                          qint64 version) {
    std::vector<ConcludedRecord> uses;
    m_connection.select(SelectConcluded, {code, year, version}, [&](const RowView& row) {
        uses.push_back(ConcludedRecord{{std::string(row.text(0)), row.integer(1), std::string(row.text(2))},
                                       std::string(row.text(3)),
                                       std::string(row.text(4)),
                                       {}});
    });
    return uses;
}

void CalendarStore::lockCalendar(std::string_view year, qint64 version) {
    if (m_connection.dialect() == sql::Dialect::Postgresql)
        m_connection.select(LockCalendar, {year, version}, [](const RowView&) {});
}

void CalendarStore::insert(const CalendarRecord& r) {
    const auto& m = r.months;
    m_connection.execute(
        InsertRow.c_str(),
        {r.key.year, r.key.version, r.key.code, r.start, r.end, textOrNull(m[0]), textOrNull(m[1]),
         textOrNull(m[2]), textOrNull(m[3]), textOrNull(m[4]), textOrNull(m[5]), textOrNull(m[6]),
         textOrNull(m[7]), textOrNull(m[8]), textOrNull(m[9]), textOrNull(m[10]), textOrNull(m[11])});
}

void CalendarStore::update(const CalendarKey& key, const CalendarRecord& r) {
    const auto& m = r.months;
    m_connection.execute(
        UpdateRow.c_str(),
        {r.key.year,        r.key.version,     r.key.code,       r.start,          r.end,
         textOrNull(m[0]),  textOrNull(m[1]),  textOrNull(m[2]), textOrNull(m[3]), textOrNull(m[4]),
         textOrNull(m[5]),  textOrNull(m[6]),  textOrNull(m[7]), textOrNull(m[8]), textOrNull(m[9]),
         textOrNull(m[10]), textOrNull(m[11]), key.year,         key.version,      key.code});
}

void CalendarStore::remove(const CalendarKey& key) {
    m_connection.execute(DeleteRow, {key.year, key.version, key.code});
}

void CalendarStore::appendHistory(const HistoryRecord& record) {
    const sql::Param version = record.key.version > 0 ? sql::Param(record.key.version) : sql::Param(nullptr);
    m_connection.execute(InsertHistory, {record.when, record.operatorCode, record.method, record.change,
                                         textOrNull(record.key.year), version, textOrNull(record.key.code)});
}

std::vector<HistoryEntry> CalendarStore::history(std::string_view year, qint64 version, qint64 limit) {
    std::vector<HistoryEntry> entries;
    m_connection.select(SelectHistory, {year, version, limit}, [&](const RowView& row) {
        HistoryEntry entry;
        entry.record = HistoryRecord{wireDateTime(row.text(0)),
                                     std::string(row.text(1)),
                                     std::string(row.text(2)),
                                     std::string(row.text(3)),
                                     {std::string(row.text(4)), row.integer(5), std::string(row.text(6))}};
        entry.operatorName = row.text(7);
        entry.phaseName = row.text(8);
        entries.push_back(std::move(entry));
    });
    return entries;
}

}  // namespace zrm::server
