// The data file on both backends: export and import round trip, refusal of bad files (with the
// section and position of the first bad record, nothing loaded), the replace rule, and the demo data.

#include "modulecall.h"
#include "server/admin/adminmodule.h"
#include "server/calendar/calendarmodule.h"
#include "server/datafile/datafile.h"
#include "server/storage/database.h"
#include "server/storage/storeerror.h"
#include "testdatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;

class DataFileTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
    }

    QByteArray exported(const QString& url) {
        const QString path = m_dir.filePath(u"export-%1.json"_s.arg(++m_exports));
        exportDataFile(url, path);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    // The fixture with one record replaced: section, position from 0, new record text.
    static QByteArray fixtureWith(const QString& section, int index, const QJsonObject& record) {
        QJsonObject file = QJsonDocument::fromJson(test::calendarFixture()).object();
        QJsonArray records = file.value(section).toArray();
        if (index < records.size())
            records[index] = record;
        else
            records.append(record);
        file.insert(section, records);
        return QJsonDocument(file).toJson();
    }

    // The message of the DataFileError an import throws, or empty when it succeeds.
    QString importError(const QByteArray& text, bool replace = false) {
        try {
            importDataFile(m_testDb->url(), test::writeFile(m_dir, u"import.json"_s, text), replace);
            return {};
        } catch (const DataFileError& error) {
            return error.message();
        }
    }

    QTemporaryDir m_dir;
    int m_exports = 0;
    std::unique_ptr<test::TestDatabase> m_testDb;
};

TEST_P(DataFileTest, exportThenImport_roundTripsEverything) {
    test::seed(m_testDb->url(), test::calendarFixture());
    const QByteArray first = exported(m_testDb->url());

    const QJsonObject file = QJsonDocument::fromJson(first).object();
    EXPECT_EQ(file.value(u"operators"_s).toArray().size(), 1);
    EXPECT_EQ(file.value(u"phases"_s).toArray().size(), 8);
    EXPECT_EQ(file.value(u"versions"_s).toArray().size(), 3);
    EXPECT_EQ(file.value(u"cycles"_s).toArray().size(), 1);
    EXPECT_EQ(file.value(u"calendar"_s).toArray().size(), 9);
    EXPECT_EQ(file.value(u"concluded"_s).toArray().size(), 2);

    std::unique_ptr<test::TestDatabase> copy = test::TestDatabase::create(GetParam());
    importDataFile(copy->url(), test::writeFile(m_dir, u"copy.json"_s, first), false);
    EXPECT_EQ(exported(copy->url()), first);
}

// What the administration keeps (descriptions, creation, conclusion dates, the numbers a year used
// for versions since deleted) travels through the file; a file without it (an older server's, as the
// fixture is) imports with each year's highest stored version as its highest used number.
TEST_P(DataFileTest, administrationColumns_roundTripAndUsedNumbersStayUsed) {
    test::seed(m_testDb->url(), test::calendarFixture());
    const ServerClock clock(QDate(2026, 5, 10));
    {
        std::unique_ptr<RemoteDataModule> admin = makeAdminModule(Database::open(m_testDb->url()), clock);
        const CallContext context(u"ADMIN"_s);
        test::callModule(*admin, "NovaVersao", {u"2026"_s, u"A"_s, u"Terceira"_s}, context);
        test::callModule(*admin, "ExcluiVersao", {u"2026"_s, 3}, context);
        test::callModule(*admin, "SetDescVersao", {u"2026"_s, 2, u"Revisada"_s}, context);
        test::callModule(*admin, "RegistraConclusao", {u"2026"_s, 2, u"4"_s, u"7"_s}, context);
    }
    const QByteArray first = exported(m_testDb->url());
    const QJsonObject file = QJsonDocument::fromJson(first).object();
    EXPECT_EQ(file.value(u"usedVersions"_s).toArray(),
              (QJsonArray{QJsonObject{{u"CDANOVERORCA"_s, u"2025"_s}, {u"CDULTVERSAOORCA"_s, 1}},
                          QJsonObject{{u"CDANOVERORCA"_s, u"2026"_s}, {u"CDULTVERSAOORCA"_s, 3}}}));
    EXPECT_EQ(file.value(u"versions"_s).toArray().at(2)[u"DSVERSAOORCA"_s].toString(), u"Revisada"_s);
    const QJsonObject concluded = file.value(u"concluded"_s).toArray().at(0).toObject();
    EXPECT_EQ(concluded.value(u"CDFILIAL"_s).toString(), u"0007"_s);
    EXPECT_TRUE(concluded.value(u"DTCONCLUSAO"_s).toString().startsWith(u"2026-05-10T"_s));

    std::unique_ptr<test::TestDatabase> copy = test::TestDatabase::create(GetParam());
    importDataFile(copy->url(), test::writeFile(m_dir, u"copy.json"_s, first), false);
    EXPECT_EQ(exported(copy->url()), first);
    std::unique_ptr<RemoteDataModule> admin = makeAdminModule(Database::open(copy->url()), clock);
    const QJsonValue created = test::callModule(*admin, "NovaVersao", {u"2026"_s, u"A"_s, u""_s});
    EXPECT_EQ(created[u"rows"_s][0][1].toInt(), 4);
}

TEST_P(DataFileTest, badFile_namesFirstBadRecordAndLoadsNothing) {
    QJsonObject unknownKey{{u"CDOPERADOR"_s, u"X"_s}, {u"NMOPERADR"_s, u"typo"_s}};
    QJsonObject badFlag{{u"CDFASEORCOPERAC"_s, u"0000000003"_s},
                        {u"NMFASEORCOPERAC"_s, u"F"_s},
                        {u"IDBLOQFASEORCA"_s, u"sim"_s}};
    QJsonObject orphan{{u"NRANOORCOPERAC"_s, u"2026"_s},
                       {u"CDVERSCALENORCA"_s, 2},
                       {u"CDFASEORCOPERAC"_s, u"0000000099"_s},
                       {u"DTINIFASEORCA"_s, u"2026-01-01T00:00:00"_s},
                       {u"DTFINFASEORCA"_s, u"2026-01-02T00:00:00"_s}};
    QJsonObject reversed = orphan;
    reversed[u"CDFASEORCOPERAC"_s] = u"0000000006"_s;
    reversed[u"DTINIFASEORCA"_s] = u"2026-01-03T00:00:00"_s;
    QJsonObject badDate = orphan;
    badDate[u"DTINIFASEORCA"_s] = u"03/01/2026"_s;
    QJsonObject duplicate{{u"CDANOVERORCA"_s, u"2026"_s}, {u"CDVERSAOORCA"_s, u"2"_s}};
    QJsonObject badVersion{{u"CDANOVERORCA"_s, u"2026"_s}, {u"CDVERSAOORCA"_s, u"2.5"_s}};
    QJsonObject shortYear{{u"year"_s, u"26"_s},
                          {u"MESINI"_s, u"2026-01-01T00:00:00"_s},
                          {u"MESFIN"_s, u"2026-12-01T00:00:00"_s}};
    QJsonObject unconcluded{{u"NRANOORCOPERAC"_s, u"2026"_s},
                            {u"CDVERSCALENORCA"_s, 1},
                            {u"CDFASEORCOPERAC"_s, u"0000000005"_s},
                            {u"CDFILIAL"_s, u"0001"_s}};

    const std::vector<std::pair<QByteArray, QString>> cases = {
        {fixtureWith(u"operators"_s, 0, unknownKey),
         u"seção \"operators\", registro 1: chave desconhecida"_s},
        {fixtureWith(u"phases"_s, 2, badFlag), u"seção \"phases\", registro 3: IDBLOQFASEORCA"_s},
        {fixtureWith(u"calendar"_s, 9, orphan), u"seção \"calendar\", registro 10:"_s},
        {fixtureWith(u"calendar"_s, 3, reversed),
         u"seção \"calendar\", registro 4: DTFINFASEORCA é anterior"_s},
        {fixtureWith(u"calendar"_s, 0, badDate),
         u"seção \"calendar\", registro 1: DTINIFASEORCA não é uma data"_s},
        {fixtureWith(u"versions"_s, 0, duplicate), u"seção \"versions\", registro 3: registro repetido"_s},
        {fixtureWith(u"versions"_s, 1, badVersion), u"seção \"versions\", registro 2: CDVERSAOORCA"_s},
        {fixtureWith(u"cycles"_s, 0, shortYear), u"seção \"cycles\", registro 1: year deve ser um ano"_s},
        {fixtureWith(u"concluded"_s, 2, unconcluded), u"seção \"concluded\", registro 3:"_s},
        {fixtureWith(u"versions"_s, 1,
                     QJsonObject{{u"CDANOVERORCA"_s, u"2026"_s},
                                 {u"CDVERSAOORCA"_s, u"1"_s},
                                 {u"DSVERSAOORCA"_s, QString(101, u'x')}}),
         u"seção \"versions\", registro 2: DSVERSAOORCA tem mais de 100"_s},
        {fixtureWith(u"usedVersions"_s, 0,
                     QJsonObject{{u"CDANOVERORCA"_s, u"2026"_s}, {u"CDULTVERSAOORCA"_s, 0}}),
         u"seção \"usedVersions\", registro 1: CDULTVERSAOORCA"_s},
        {fixtureWith(u"concluded"_s, 0,
                     QJsonObject{{u"NRANOORCOPERAC"_s, u"2026"_s},
                                 {u"CDVERSCALENORCA"_s, 2},
                                 {u"CDFASEORCOPERAC"_s, u"0000000005"_s},
                                 {u"CDFILIAL"_s, u"0003"_s},
                                 {u"DTCONCLUSAO"_s, u"ontem"_s}}),
         u"seção \"concluded\", registro 1: DTCONCLUSAO não é uma data"_s},
        {"{\"phases\": [", u"não é um JSON válido"_s},
        {"{\"fases\": []}", u"seção desconhecida: \"fases\""_s},
        {"{\"phases\": {}}", u"a seção \"phases\" deve ser uma lista"_s},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        const QString message = importError(text);
        EXPECT_TRUE(message.contains(expected)) << message.toStdString();
        EXPECT_FALSE(databaseHoldsData(m_testDb->url()));
    }
}

TEST_P(DataFileTest, import_intoDatabaseWithData_needsReplace) {
    test::seed(m_testDb->url(), test::calendarFixture());
    const QByteArray before = exported(m_testDb->url());
    const QByteArray small = R"({"phases": [{"CDFASEORCOPERAC": "0000000042", "NMFASEORCOPERAC": "Única"}]})";

    EXPECT_TRUE(importError(small).contains(u"--replace"_s));
    EXPECT_EQ(exported(m_testDb->url()), before);

    // A bad file with replace replaces nothing either.
    EXPECT_FALSE(importError(fixtureWith(u"phases"_s, 0, QJsonObject{}), true).isEmpty());
    EXPECT_EQ(exported(m_testDb->url()), before);

    EXPECT_TRUE(importError(small, true).isEmpty());
    const QJsonObject after = QJsonDocument::fromJson(exported(m_testDb->url())).object();
    EXPECT_EQ(after.value(u"phases"_s).toArray().size(), 1);
    EXPECT_TRUE(after.value(u"calendar"_s).toArray().isEmpty());
    // The numbers the years used stay used: the kept change history may name them.
    EXPECT_EQ(after.value(u"usedVersions"_s).toArray().size(), 2);
}

TEST_P(DataFileTest, import_ofMissingFile_isRefused) {
    EXPECT_THROW(importDataFile(m_testDb->url(), m_dir.filePath(u"missing.json"_s), false), DataFileError);
    EXPECT_FALSE(databaseHoldsData(m_testDb->url()));
}

TEST_P(DataFileTest, demo_isDatedFromTheYearAndShowsEveryRule) {
    loadDemo(m_testDb->url(), 2027);
    EXPECT_TRUE(databaseHoldsData(m_testDb->url()));
    EXPECT_THROW(loadDemo(m_testDb->url(), 2027), DataFileError);

    std::unique_ptr<RemoteDataModule> module =
        makeCalendarModule(m_testDb->url(), ServerClock(QDate(2027, 5, 1)));
    const auto call = [&](std::string_view method, const QJsonArray& params) {
        return test::callModule(*module, method, params);
    };
    const auto rows = [](const QJsonValue& packet) { return packet.toObject().value(u"rows"_s).toArray(); };

    EXPECT_GE(rows(call("GetFaseOrc", {u"T"_s})).size(), 8);
    const QJsonArray versions = rows(call("GetVersao", {u"2027"_s, u""_s, u"T"_s}));
    ASSERT_EQ(versions.size(), 2);
    EXPECT_EQ(versions.at(0).toArray().at(1).toString(), u"2"_s);
    EXPECT_EQ(rows(call("GetVersao", {u"2026"_s, u""_s, u"T"_s})).size(), 1);

    const QJsonArray result = call("GetCalendOrcOp", {u"2027"_s, u""_s}).toArray();
    EXPECT_EQ(rows(result.at(1)), QJsonArray{QJsonArray{2}});
    const QJsonArray calendar = rows(result.at(0));
    ASSERT_GE(calendar.size(), 8);
    int blocked = 0, concluded = 0, mixedCalculation = 0;
    for (const QJsonValue& value : calendar) {
        const QJsonArray row = value.toArray();
        EXPECT_TRUE(row.at(5).toString().startsWith(u"2027-"_s));
        const QString code = row.at(2).toString();
        if (!rows(call("BloqDelFase", {code, 2027, u"2"_s})).isEmpty())
            ++concluded;
        QSet<QString> flags;
        for (int month = 8; month < 20; ++month)
            flags.insert(row.at(month).toString());
        if (row.at(7).toString() == u"S"_s && flags.contains(u"S"_s) && flags.contains(u"N"_s))
            ++mixedCalculation;
        if (row.at(3).toString() != u"S"_s)
            continue;
        ++blocked;
        // The shipped calendar obeys the blocked-phase rule itself.
        for (const QJsonValue& other : rows(call("GetDateBloq", {2027, u"2"_s, code}))) {
            const QString start = other.toArray().at(5).toString(), end = other.toArray().at(6).toString();
            for (const QString& bound : {row.at(5).toString(), row.at(6).toString()})
                EXPECT_FALSE(start <= bound && bound <= end) << code.toStdString();
        }
    }
    EXPECT_GE(blocked, 1);
    EXPECT_GE(concluded, 1);
    EXPECT_GE(mixedCalculation, 1);

    // The year's two versions have descriptions, and its cycle is stored.
    std::unique_ptr<RemoteDataModule> admin =
        makeAdminModule(Database::open(m_testDb->url()), ServerClock(QDate(2027, 5, 1)));
    for (const QJsonValue& version : rows(test::callModule(*admin, "GetVersoesAno", {u"2027"_s})))
        EXPECT_FALSE(version[2].toString().isEmpty());
    EXPECT_EQ(rows(test::callModule(*admin, "GetCiclo", {u"2027"_s})).at(0)[3].toString(), u"S"_s);
}

INSTANTIATE_TEST_SUITE_P(Backends, DataFileTest, ::testing::ValuesIn(test::Backends),
                         [](const testing::TestParamInfo<std::string>& backend) { return backend.param; });

}  // namespace
}  // namespace zrm::server
