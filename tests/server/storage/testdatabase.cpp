#include "testdatabase.h"

#include "server/datafile/datafile.h"
#include "server/storage/postgresqlconnection.h"

#include "server/storage/schema.h"

#include <QFile>
#include <QUuid>

#include <iterator>
#include <stdexcept>

namespace zrm::server::test {

namespace {

// What each migration added, removed again; by the migration's number from 2 (the first one made
// the tables themselves).
const char* const MigrationUndo[] = {
    "DROP INDEX CALENDORCOP_INICIO",
    "DROP INDEX HISTCALENDORC_CALENDARIO; ALTER TABLE HISTCALENDORC DROP COLUMN NRANOORCOPERAC; "
    "ALTER TABLE HISTCALENDORC DROP COLUMN CDVERSCALENORCA; ALTER TABLE HISTCALENDORC DROP COLUMN "
    "CDFASEORCOPERAC",
    "DROP TABLE ZRMGERACAO",
    "DROP TABLE ULTVERSAOORC; ALTER TABLE VERSAOORC DROP COLUMN DSVERSAOORCA; "
    "ALTER TABLE FASECONCL DROP COLUMN DTCONCLUSAO",
    "DROP TABLE ZRMGRAVACAO",
};

}  // namespace

void rollBackSchema(sql::Connection& connection, int version) {
    if (version < 1)
        throw std::logic_error("no schema comes before the first");
    const int known = int(std::size(MigrationUndo)) + 1;
    if (currentSchemaVersion() > known)
        throw std::logic_error("migration " + std::to_string(known + 1) + " has no undo for the tests");
    for (int migration = currentSchemaVersion(); migration > version; --migration)
        connection.executeScript(MigrationUndo[migration - 2]);
    connection.execute("UPDATE ZRMSCHEMA SET NRVERSAO = $1", {version});
}

std::unique_ptr<TestDatabase> TestDatabase::create(const std::string& backend) {
    std::unique_ptr<TestDatabase> database(new TestDatabase);
    if (backend == "sqlite") {
        database->m_dir = std::make_unique<QTemporaryDir>();
        database->m_url =
            QStringLiteral("sqlite:") + database->m_dir->filePath(QStringLiteral("calendar.db"));
        return database;
    }
    const QString pgUrl = qEnvironmentVariable("ZRM_TEST_PG_URL");
    if (pgUrl.isEmpty())
        return nullptr;
    database->m_adminUrl = pgUrl;
    database->m_schema = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128);
    sql::PostgresqlConnection(pgUrl).executeScript(
        (QStringLiteral("CREATE SCHEMA ") + database->m_schema).toStdString());
    database->m_url = pgUrl + (pgUrl.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?")) +
                      QStringLiteral("options=-csearch_path%3D") + database->m_schema +
                      QStringLiteral("&application_name=") + database->m_schema;
    return database;
}

TestDatabase::~TestDatabase() {
    if (m_schema.isEmpty())
        return;
    try {
        sql::PostgresqlConnection(m_adminUrl)
            .executeScript(
                (QStringLiteral("DROP SCHEMA ") + m_schema + QStringLiteral(" CASCADE")).toStdString());
    } catch (const std::exception& error) {
        qWarning("could not drop the test schema: %s", error.what());
    }
}

bool TestDatabase::terminateConnections() {
    if (m_schema.isEmpty())
        return false;
    sql::PostgresqlConnection admin(m_adminUrl);
    admin.select("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = $1",
                 {m_schema.toStdString()}, [](const sql::RowView&) {});
    return true;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        throw std::runtime_error("cannot write the test file " + path.toStdString());
    return path;
}

void seed(const QString& url, const QByteArray& dataFile) {
    QTemporaryDir dir;
    importDataFile(url, writeFile(dir, QStringLiteral("seed.json"), dataFile), false);
}

QByteArray calendarFixture() {
    return R"json({
  "operators": [{"CDOPERADOR": "ADMIN", "NMOPERADOR": "Administrador"}],
  "phases": [
    {"CDFASEORCOPERAC": "0000000001", "NMFASEORCOPERAC": "Premissas", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000002", "NMFASEORCOPERAC": "Vendas", "IDFASECALCORCA": "S", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000003", "NMFASEORCOPERAC": "Consolidação", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "S"},
    {"CDFASEORCOPERAC": "0000000004", "NMFASEORCOPERAC": "Despesas", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000005", "NMFASEORCOPERAC": "Aprovação", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "S", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000006", "NMFASEORCOPERAC": "Investimentos", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000007", "NMFASEORCOPERAC": "Fechamento", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "S"},
    {"CDFASEORCOPERAC": "0000000008", "NMFASEORCOPERAC": "Reprevisão", "IDFASECALCORCA": "S", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"}
  ],
  "versions": [
    {"CDANOVERORCA": "2025", "CDVERSAOORCA": "1", "DTINCLUSAO": "2025-01-02T08:00:00", "CDOPERINCLUSAO": "ADMIN"},
    {"CDANOVERORCA": "2026", "CDVERSAOORCA": "1", "DTINCLUSAO": "2026-01-02T08:00:00", "CDOPERINCLUSAO": "ADMIN"},
    {"CDANOVERORCA": "2026", "CDVERSAOORCA": "2", "DTINCLUSAO": "2026-01-20T14:30:00", "CDOPERINCLUSAO": "NINGUEM"}
  ],
  "cycles": [{"year": "2026", "MESINI": "2026-02-01T00:00:00", "MESFIN": "2026-11-01T00:00:00"}],
  "calendar": [
    {"NRANOORCOPERAC": "2025", "CDVERSCALENORCA": 1, "CDFASEORCOPERAC": "0000000001", "DTINIFASEORCA": "2025-01-05T00:00:00", "DTFINFASEORCA": "2025-01-30T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 1, "CDFASEORCOPERAC": "0000000001", "DTINIFASEORCA": "2026-01-05T00:00:00", "DTFINFASEORCA": "2026-01-30T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 1, "CDFASEORCOPERAC": "0000000002", "DTINIFASEORCA": "2026-02-02T00:00:00", "DTFINFASEORCA": "2026-03-13T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000002", "DTINIFASEORCA": "2026-02-02T00:00:00", "DTFINFASEORCA": "2026-03-13T00:00:00",
     "IDPERMCALCJAN": "S", "IDPERMCALCFEV": "S", "IDPERMCALCMAR": "N", "IDPERMCALCABR": "N", "IDPERMCALCMAI": "N", "IDPERMCALCJUN": "N",
     "IDPERMCALCJUL": "N", "IDPERMCALCAGO": "N", "IDPERMCALCSET": "N", "IDPERMCALCOUT": "N", "IDPERMCALCNOV": "N", "IDPERMCALCDEZ": "S"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000001", "DTINIFASEORCA": "2026-01-05T00:00:00", "DTFINFASEORCA": "2026-01-30T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000003", "DTINIFASEORCA": "2026-03-20T00:00:00", "DTFINFASEORCA": "2026-03-31T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000004", "DTINIFASEORCA": "2026-05-10T00:00:00", "DTFINFASEORCA": "2026-05-20T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000005", "DTINIFASEORCA": "2026-06-01T00:00:00", "DTFINFASEORCA": "2026-06-12T00:00:00"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000008", "DTINIFASEORCA": "2026-07-01T00:00:00", "DTFINFASEORCA": "2026-07-31T00:00:00"}
  ],
  "concluded": [
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000005", "CDFILIAL": "0002"},
    {"NRANOORCOPERAC": "2026", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000005", "CDFILIAL": "0001"}
  ]
})json";
}

}  // namespace zrm::server::test
