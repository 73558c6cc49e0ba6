#include "server/datafile/datafile.h"

#include "server/datafile/datafilecontent.h"
#include "server/storage/database.h"
#include "server/storage/schema.h"
#include "server/storage/storeerror.h"
#include "server/storage/tablestore.h"

#include <QFile>
#include <QSaveFile>

namespace zrm::server {

// The demo data file, compiled in (demodata.cpp is generated from demo.json).
extern const char* const DemoDataFile;

namespace {

// Inserts the records of one section; a record the database refuses (a repeated key, a reference to
// something the file does not hold) is reported by section and position.
template <typename Record>
void insertSection(TableStore& tables, const char* section, const std::vector<Record>& records) {
    for (size_t i = 0; i < records.size(); ++i) {
        try {
            tables.insert(records[i]);
        } catch (const Conflict&) {
            throw DataFileError(
                QStringLiteral("Arquivo de dados inválido: seção \"%1\", registro %2: registro repetido.")
                    .arg(QLatin1String(section))
                    .arg(i + 1));
        } catch (const BadRequest& error) {
            throw DataFileError(
                QStringLiteral("Arquivo de dados inválido: seção \"%1\", registro %2: o registro "
                               "se refere a dados que o arquivo não traz ou viola uma regra (%3).")
                    .arg(QLatin1String(section))
                    .arg(i + 1)
                    .arg(error.message()));
        }
    }
}

void load(const QString& dbUrl, const DataFileContent& content, bool replace) {
    std::shared_ptr<Database> database = Database::open(dbUrl);
    ConnectionLease connection = database->acquire();
    sql::Transaction transaction(*connection);
    TableStore tables(*connection);
    if (tables.holdsData()) {
        if (!replace)
            throw DataFileError(
                QStringLiteral("O banco de dados já contém dados; use --replace para "
                               "substituí-los pelos do arquivo."));
        tables.clear();
    }
    insertSection(tables, "operators", content.operators);
    insertSection(tables, "phases", content.phases);
    insertSection(tables, "versions", content.versions);
    insertSection(tables, "usedVersions", content.usedVersions);
    insertSection(tables, "cycles", content.cycles);
    insertSection(tables, "calendar", content.calendar);
    insertSection(tables, "concluded", content.concluded);
    markDataChanged(*connection);
    transaction.commit();
}

}  // namespace

void importDataFile(const QString& dbUrl, const QString& path, bool replace) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DataFileError(QStringLiteral("Não foi possível ler o arquivo de dados \"%1\": %2.")
                                .arg(path, file.errorString()));
    load(dbUrl, parseDataFile(file.readAll()), replace);
}

void exportDataFile(const QString& dbUrl, const QString& path) {
    DataFileContent content;
    {
        std::shared_ptr<Database> database = Database::open(dbUrl);
        ConnectionLease connection = database->acquire();
        // One snapshot, so the sections agree with each other even while servers write.
        sql::Transaction transaction(*connection, sql::Transaction::Kind::Snapshot);
        TableStore tables(*connection);
        content.operators = tables.operators();
        content.phases = tables.phases();
        content.versions = tables.versions();
        content.usedVersions = tables.usedVersions();
        content.cycles = tables.cycles();
        content.calendar = tables.calendar();
        content.concluded = tables.concluded();
        transaction.commit();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(writeDataFile(content)) < 0 || !file.commit())
        throw DataFileError(QStringLiteral("Não foi possível gravar o arquivo de dados \"%1\": %2.")
                                .arg(path, file.errorString()));
}

void loadDemo(const QString& dbUrl, int currentYear) {
    if (currentYear < 1001 || currentYear > 9999)
        throw DataFileError(
            QStringLiteral("Ano inválido para os dados de demonstração: %1.").arg(currentYear));
    // The demo file is dated with placeholders: {Y} is the current year, {P} the year before.
    QByteArray json(DemoDataFile);
    json.replace("{Y}", QByteArray::number(currentYear)).replace("{P}", QByteArray::number(currentYear - 1));
    load(dbUrl, parseDataFile(json), false);
}

bool databaseHoldsData(const QString& dbUrl) {
    std::shared_ptr<Database> database = Database::open(dbUrl);
    ConnectionLease connection = database->acquire();
    return TableStore(*connection).holdsData();
}

}  // namespace zrm::server
