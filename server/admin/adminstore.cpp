#include "server/admin/adminstore.h"

#include "server/storage/datetext.h"

namespace zrm::server {

namespace {

using sql::RowView;
using sql::textOrNull;

constexpr const char* SelectVersions =
    "SELECT v.CDANOVERORCA, v.CDVERSAOORCA, v.DTINCLUSAO, v.CDOPERINCLUSAO, o.NMOPERADOR, v.DSVERSAOORCA, "
    "(SELECT COUNT(*) FROM CALENDORCOP c WHERE c.NRANOORCOPERAC = v.CDANOVERORCA "
    "AND c.CDVERSCALENORCA = v.CDVERSAOORCA) "
    "FROM VERSAOORC v LEFT JOIN OPERADOR o ON o.CDOPERADOR = v.CDOPERINCLUSAO "
    "WHERE v.CDANOVERORCA = $1 ORDER BY v.CDVERSAOORCA DESC";

constexpr const char* SelectVersion =
    "SELECT v.CDANOVERORCA, v.CDVERSAOORCA, v.DTINCLUSAO, v.CDOPERINCLUSAO, o.NMOPERADOR, v.DSVERSAOORCA, "
    "(SELECT COUNT(*) FROM CALENDORCOP c WHERE c.NRANOORCOPERAC = v.CDANOVERORCA "
    "AND c.CDVERSCALENORCA = v.CDVERSAOORCA) "
    "FROM VERSAOORC v LEFT JOIN OPERADOR o ON o.CDOPERADOR = v.CDOPERINCLUSAO "
    "WHERE v.CDANOVERORCA = $1 AND v.CDVERSAOORCA = $2";

// SQLite has no row locks: its write transaction already holds the whole database.
constexpr const char* LockYear =
    "SELECT CDULTVERSAOORCA FROM ULTVERSAOORC WHERE CDANOVERORCA = $1 FOR UPDATE";
constexpr const char* ReadYear = "SELECT CDULTVERSAOORCA FROM ULTVERSAOORC WHERE CDANOVERORCA = $1";
constexpr const char* LockPhase =
    "SELECT CDFASEORCOPERAC, NMFASEORCOPERAC, IDFASECALCORCA, IDFASEAPROVORCA, IDBLOQFASEORCA "
    "FROM FASEORC WHERE CDFASEORCOPERAC = $1 FOR UPDATE";
constexpr const char* ReadPhase =
    "SELECT CDFASEORCOPERAC, NMFASEORCOPERAC, IDFASECALCORCA, IDFASEAPROVORCA, IDBLOQFASEORCA "
    "FROM FASEORC WHERE CDFASEORCOPERAC = $1";

VersionSummary readSummary(const RowView& row) {
    return VersionSummary{
        VersionRecord{std::string(row.text(0)), row.integer(1), wireDateTime(row.text(2)),
                      std::string(row.text(3)), std::string(row.text(4)), std::string(row.text(5))},
        row.integer(6)};
}

}  // namespace

std::vector<VersionSummary> AdminStore::versions(std::string_view year) {
    std::vector<VersionSummary> versions;
    m_connection.select(SelectVersions, {year},
                        [&](const RowView& row) { versions.push_back(readSummary(row)); });
    return versions;
}

std::optional<VersionSummary> AdminStore::version(std::string_view year, qint64 version) {
    std::optional<VersionSummary> found;
    m_connection.select(SelectVersion, {year, version},
                        [&](const RowView& row) { found = readSummary(row); });
    return found;
}

qint64 AdminStore::lockYear(std::string_view year) {
    // The year's row exists before it is locked, so that two first versions of a year queue too.
    m_connection.execute(
        "INSERT INTO ULTVERSAOORC (CDANOVERORCA, CDULTVERSAOORCA) VALUES ($1, 0) ON CONFLICT DO NOTHING",
        {year});
    qint64 highest = 0;
    const bool rowLocks = m_connection.dialect() == sql::Dialect::Postgresql;
    m_connection.select(rowLocks ? LockYear : ReadYear, {year},
                        [&](const RowView& row) { highest = row.integer(0); });
    return highest;
}

void AdminStore::setDescription(std::string_view year, qint64 version, std::string_view description) {
    m_connection.execute(
        "UPDATE VERSAOORC SET DSVERSAOORCA = $3 WHERE CDANOVERORCA = $1 AND CDVERSAOORCA = $2",
        {year, version, textOrNull(description)});
}

void AdminStore::removeVersion(std::string_view year, qint64 version) {
    m_connection.execute("DELETE FROM CALENDORCOP WHERE NRANOORCOPERAC = $1 AND CDVERSCALENORCA = $2",
                         {year, version});
    m_connection.execute("DELETE FROM VERSAOORC WHERE CDANOVERORCA = $1 AND CDVERSAOORCA = $2",
                         {year, version});
}

void AdminStore::storeCycle(const CycleRecord& cycle) {
    m_connection.execute(
        "INSERT INTO CICLOORC (NRANOCICLO, MESINI, MESFIN) VALUES ($1, $2, $3) "
        "ON CONFLICT (NRANOCICLO) DO UPDATE SET MESINI = excluded.MESINI, MESFIN = excluded.MESFIN",
        {cycle.year, cycle.firstMonth, cycle.lastMonth});
}

std::optional<PhaseRecord> AdminStore::lockPhase(std::string_view code) {
    std::optional<PhaseRecord> found;
    const bool rowLocks = m_connection.dialect() == sql::Dialect::Postgresql;
    m_connection.select(rowLocks ? LockPhase : ReadPhase, {code}, [&](const RowView& row) {
        found = PhaseRecord{std::string(row.text(0)), std::string(row.text(1)), std::string(row.text(2)),
                            std::string(row.text(3)), std::string(row.text(4))};
    });
    return found;
}

void AdminStore::updatePhase(const PhaseRecord& phase) {
    m_connection.execute(
        "UPDATE FASEORC SET NMFASEORCOPERAC = $2, IDFASECALCORCA = $3, IDBLOQFASEORCA = $4 "
        "WHERE CDFASEORCOPERAC = $1",
        {phase.code, phase.name, textOrNull(phase.calculation), textOrNull(phase.blocked)});
}

void AdminStore::removePhase(std::string_view code) {
    m_connection.execute("DELETE FROM FASEORC WHERE CDFASEORCOPERAC = $1", {code});
}

std::optional<std::pair<std::string, qint64>> AdminStore::calendarUsing(std::string_view code) {
    std::optional<std::pair<std::string, qint64>> found;
    m_connection.select(
        "SELECT NRANOORCOPERAC, CDVERSCALENORCA FROM CALENDORCOP WHERE CDFASEORCOPERAC = $1 "
        "ORDER BY NRANOORCOPERAC DESC, CDVERSCALENORCA DESC LIMIT 1",
        {code}, [&](const RowView& row) { found.emplace(std::string(row.text(0)), row.integer(1)); });
    return found;
}

std::vector<ConcludedRecord> AdminStore::conclusions(std::string_view year, qint64 version) {
    std::vector<ConcludedRecord> uses;
    m_connection.select(
        "SELECT u.NRANOORCOPERAC, u.CDVERSCALENORCA, u.CDFASEORCOPERAC, u.CDFILIAL, f.NMFASEORCOPERAC, "
        "u.DTCONCLUSAO FROM FASECONCL u JOIN FASEORC f ON f.CDFASEORCOPERAC = u.CDFASEORCOPERAC "
        "WHERE u.NRANOORCOPERAC = $1 AND u.CDVERSCALENORCA = $2 ORDER BY u.CDFASEORCOPERAC, u.CDFILIAL",
        {year, version}, [&](const RowView& row) {
            uses.push_back(
                ConcludedRecord{{std::string(row.text(0)), row.integer(1), std::string(row.text(2))},
                                std::string(row.text(3)),
                                std::string(row.text(4)),
                                wireDateTime(row.text(5))});
        });
    return uses;
}

std::pair<qint64, std::string> AdminStore::conclusionCount(std::string_view year, qint64 version) {
    std::pair<qint64, std::string> count;
    m_connection.select(
        "SELECT COUNT(*), MIN(CDFASEORCOPERAC) FROM FASECONCL WHERE NRANOORCOPERAC = $1 AND CDVERSCALENORCA "
        "= $2",
        {year, version}, [&](const RowView& row) {
            count = {row.integer(0), std::string(row.text(1))};
        });
    return count;
}

bool AdminStore::hasCalendarRow(const CalendarKey& key) {
    bool found = false;
    m_connection.select(
        "SELECT 1 FROM CALENDORCOP WHERE NRANOORCOPERAC = $1 AND CDVERSCALENORCA = $2 AND CDFASEORCOPERAC = "
        "$3",
        {key.year, key.version, key.code}, [&](const RowView&) { found = true; });
    return found;
}

bool AdminStore::hasConclusion(const CalendarKey& key, std::string_view branch) {
    bool found = false;
    m_connection.select(
        "SELECT 1 FROM FASECONCL WHERE NRANOORCOPERAC = $1 AND CDVERSCALENORCA = $2 AND CDFASEORCOPERAC = $3 "
        "AND CDFILIAL = $4",
        {key.year, key.version, key.code, branch}, [&](const RowView&) { found = true; });
    return found;
}

void AdminStore::removeConclusion(const CalendarKey& key, std::string_view branch) {
    m_connection.execute(
        "DELETE FROM FASECONCL WHERE NRANOORCOPERAC = $1 AND CDVERSCALENORCA = $2 AND CDFASEORCOPERAC = $3 "
        "AND CDFILIAL = $4",
        {key.year, key.version, key.code, branch});
}

}  // namespace zrm::server
