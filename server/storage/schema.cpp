#include "server/storage/schema.h"

#include "server/storage/storeerror.h"

#include <QString>

#include <algorithm>
#include <string>

namespace zrm::server {

namespace {

// Migrations, numbered from 1 by their position. Written once for both databases; the few words that
// differ are placeholders: {TIMESTAMP} a date-time column, {SERIAL} an auto-numbered key.
// A released migration is never edited: change the schema by appending a new one.
const char* const Migrations[] = {
    R"sql(
CREATE TABLE FASEORC (
    CDFASEORCOPERAC VARCHAR(10) NOT NULL PRIMARY KEY,
    NMFASEORCOPERAC VARCHAR(100) NOT NULL,
    IDFASECALCORCA CHAR(1) CHECK (IDFASECALCORCA IN ('S', 'N')),
    IDFASEAPROVORCA CHAR(1) CHECK (IDFASEAPROVORCA IN ('S', 'N')),
    IDBLOQFASEORCA CHAR(1) CHECK (IDBLOQFASEORCA IN ('S', 'N'))
);
CREATE TABLE OPERADOR (
    CDOPERADOR VARCHAR(12) NOT NULL PRIMARY KEY,
    NMOPERADOR VARCHAR(40)
);
CREATE TABLE VERSAOORC (
    CDANOVERORCA VARCHAR(4) NOT NULL,
    CDVERSAOORCA INTEGER NOT NULL CHECK (CDVERSAOORCA > 0),
    DTINCLUSAO {TIMESTAMP},
    CDOPERINCLUSAO VARCHAR(12),
    PRIMARY KEY (CDANOVERORCA, CDVERSAOORCA)
);
CREATE TABLE CICLOORC (
    NRANOCICLO VARCHAR(4) NOT NULL PRIMARY KEY,
    MESINI {TIMESTAMP} NOT NULL,
    MESFIN {TIMESTAMP} NOT NULL
);
CREATE TABLE CALENDORCOP (
    NRANOORCOPERAC VARCHAR(4) NOT NULL,
    CDVERSCALENORCA INTEGER NOT NULL,
    CDFASEORCOPERAC VARCHAR(10) NOT NULL REFERENCES FASEORC (CDFASEORCOPERAC),
    DTINIFASEORCA {TIMESTAMP} NOT NULL,
    DTFINFASEORCA {TIMESTAMP} NOT NULL,
    IDPERMCALCJAN CHAR(1), IDPERMCALCFEV CHAR(1), IDPERMCALCMAR CHAR(1), IDPERMCALCABR CHAR(1),
    IDPERMCALCMAI CHAR(1), IDPERMCALCJUN CHAR(1), IDPERMCALCJUL CHAR(1), IDPERMCALCAGO CHAR(1),
    IDPERMCALCSET CHAR(1), IDPERMCALCOUT CHAR(1), IDPERMCALCNOV CHAR(1), IDPERMCALCDEZ CHAR(1),
    PRIMARY KEY (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC),
    FOREIGN KEY (NRANOORCOPERAC, CDVERSCALENORCA) REFERENCES VERSAOORC (CDANOVERORCA, CDVERSAOORCA)
);
CREATE TABLE FASECONCL (
    NRANOORCOPERAC VARCHAR(4) NOT NULL,
    CDVERSCALENORCA INTEGER NOT NULL,
    CDFASEORCOPERAC VARCHAR(10) NOT NULL,
    CDFILIAL VARCHAR(4) NOT NULL,
    PRIMARY KEY (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, CDFILIAL),
    FOREIGN KEY (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC)
        REFERENCES CALENDORCOP (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC)
);
CREATE TABLE HISTCALENDORC (
    NRSEQUENCIA {SERIAL},
    DTALTERACAO {TIMESTAMP} NOT NULL,
    CDOPERADOR VARCHAR(40) NOT NULL,
    NMMETODO VARCHAR(40) NOT NULL,
    DSALTERACAO TEXT NOT NULL
);
)sql",
    // The calendar is read by year and version in start-date order: the index gives the rows in that
    // order, without a sort.
    R"sql(
CREATE INDEX CALENDORCOP_INICIO ON CALENDORCOP (NRANOORCOPERAC, CDVERSCALENORCA, DTINIFASEORCA, CDFASEORCOPERAC);
)sql",
    // The change history is read by year and version, newest first: the calendar and the phase of a
    // change get columns of their own, filled in for the changes recorded before from their JSON.
    R"sql(
ALTER TABLE HISTCALENDORC ADD COLUMN NRANOORCOPERAC VARCHAR(4);
ALTER TABLE HISTCALENDORC ADD COLUMN CDVERSCALENORCA INTEGER;
ALTER TABLE HISTCALENDORC ADD COLUMN CDFASEORCOPERAC VARCHAR(10);
UPDATE HISTCALENDORC SET NRANOORCOPERAC = {CHANGED:NRANOORCOPERAC},
    CDVERSCALENORCA = CAST({CHANGED:CDVERSCALENORCA} AS INTEGER),
    CDFASEORCOPERAC = {CHANGED:CDFASEORCOPERAC};
CREATE INDEX HISTCALENDORC_CALENDARIO ON HISTCALENDORC (NRANOORCOPERAC, CDVERSCALENORCA, NRSEQUENCIA);
)sql",
    // The data generation: every committed write advances it, so that answers held in memory by any
    // server on the database know when they are out of date.
    R"sql(
CREATE TABLE ZRMGERACAO (NRGERACAO BIGINT NOT NULL);
INSERT INTO ZRMGERACAO (NRGERACAO) VALUES (0);
)sql",
    // Versions get a description; a year keeps the highest version number it ever used, so that the
    // number of a deleted version is not handed out again (an export, a history entry or a link
    // never names two different calendars); a concluded use records when it was concluded (unknown
    // for those recorded before).
    R"sql(
ALTER TABLE VERSAOORC ADD COLUMN DSVERSAOORCA VARCHAR(100);
ALTER TABLE FASECONCL ADD COLUMN DTCONCLUSAO {TIMESTAMP};
CREATE TABLE ULTVERSAOORC (
    CDANOVERORCA VARCHAR(4) NOT NULL PRIMARY KEY,
    CDULTVERSAOORCA INTEGER NOT NULL CHECK (CDULTVERSAOORCA >= 0)
);
INSERT INTO ULTVERSAOORC (CDANOVERORCA, CDULTVERSAOORCA)
    SELECT CDANOVERORCA, MAX(CDVERSAOORCA) FROM VERSAOORC GROUP BY CDANOVERORCA;
)sql",
    // The saves stored, by the id their client gave them, so that a save sent again after its answer
    // was lost is answered as the first time; pruned by date.
    R"sql(
CREATE TABLE ZRMGRAVACAO (
    CDGRAVACAO VARCHAR(64) NOT NULL PRIMARY KEY,
    DSRESUMO VARCHAR(64) NOT NULL,
    DTGRAVACAO {TIMESTAMP} NOT NULL
);
CREATE INDEX ZRMGRAVACAO_DATA ON ZRMGRAVACAO (DTGRAVACAO);
)sql",
};

// The SQL that reads a column of a recorded change (the JSON in DSALTERACAO) as text: its new value,
// or its old one for a deletion.
std::string changedColumn(std::string_view column, sql::Dialect dialect) {
    const std::string name(column);
    if (dialect == sql::Dialect::Sqlite)
        return "COALESCE(json_extract(DSALTERACAO, '$.new." + name + "'), json_extract(DSALTERACAO, '$.old." +
               name + "'))";
    return "COALESCE(CAST(DSALTERACAO AS JSON)->'new'->>'" + name +
           "', CAST(DSALTERACAO AS JSON)->'old'->>'" + name + "')";
}

std::string forDialect(const char* migration, sql::Dialect dialect) {
    std::string text(migration);
    const bool sqlite = dialect == sql::Dialect::Sqlite;
    const auto replaceAll = [&text](std::string_view from, std::string_view to) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    replaceAll("{TIMESTAMP}", sqlite ? "TEXT" : "TIMESTAMP(3)");
    replaceAll("{SERIAL}", sqlite ? "INTEGER PRIMARY KEY AUTOINCREMENT"
                                  : "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY");
    constexpr std::string_view changed = "{CHANGED:";
    for (size_t at = text.find(changed); at != std::string::npos; at = text.find(changed, at)) {
        const size_t close = text.find('}', at);
        const std::string column = text.substr(at + changed.size(), close - at - changed.size());
        const std::string expression = changedColumn(column, dialect);
        text.replace(at, close + 1 - at, expression);
        at += expression.size();
    }
    return text;
}

}  // namespace

int currentSchemaVersion() {
    return int(std::size(Migrations));
}

void migrateSchema(sql::Connection& connection, int target) {
    sql::Transaction transaction(connection);
    if (connection.dialect() == sql::Dialect::Postgresql) {
        // Servers starting together on one database take turns; the lock ends with the transaction.
        connection.select("SELECT pg_advisory_xact_lock(71300)", {}, [](const sql::RowView&) {});
    }
    connection.executeScript("CREATE TABLE IF NOT EXISTS ZRMSCHEMA (NRVERSAO INTEGER NOT NULL)");
    qint64 stored = 0;
    bool hasRow = false;
    connection.select("SELECT NRVERSAO FROM ZRMSCHEMA", {}, [&](const sql::RowView& row) {
        stored = row.integer(0);
        hasRow = true;
    });
    // Read as a whole 64-bit number: a value that only wraps into range must not pass as valid.
    if (stored < 0)
        throw StoreError(QStringLiteral("O banco de dados registra um esquema inválido (%1). Restaure uma "
                                        "cópia de segurança ou recrie o banco.")
                             .arg(stored));
    if (stored > currentSchemaVersion())
        throw StoreError(QStringLiteral("O banco de dados foi criado por uma versão mais nova do servidor "
                                        "(esquema %1; este servidor conhece até o %2). Atualize o servidor.")
                             .arg(stored)
                             .arg(currentSchemaVersion()));
    target = std::min(target, currentSchemaVersion());
    if (stored >= target) {
        transaction.commit();
        return;
    }
    for (int version = int(stored) + 1; version <= target; ++version)
        connection.executeScript(forDialect(Migrations[version - 1], connection.dialect()));
    if (hasRow)
        connection.execute("UPDATE ZRMSCHEMA SET NRVERSAO = $1", {target});
    else
        connection.execute("INSERT INTO ZRMSCHEMA (NRVERSAO) VALUES ($1)", {target});
    transaction.commit();
}

void markDataChanged(sql::Connection& connection) {
    connection.execute("UPDATE ZRMGERACAO SET NRGERACAO = NRGERACAO + 1", {});
}

qint64 dataGeneration(sql::Connection& connection) {
    qint64 generation = 0;
    connection.select("SELECT NRGERACAO FROM ZRMGERACAO", {},
                      [&](const sql::RowView& row) { generation = row.integer(0); });
    return generation;
}

}  // namespace zrm::server
