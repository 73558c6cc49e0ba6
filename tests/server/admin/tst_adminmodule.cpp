// The remote data module "ZRM71302.rdmCadCalendOrc" on both backends: the answers of the read
// methods, every rule of the changes (a refused change leaves the database, the change history and
// the data generation as they were), malformed requests, and that an accepted change is seen at once
// by the calendar's module and the web page. Each test starts from the calendar fixture (see
// testdatabase.h) on a database of its own; today is 10 May 2026.

#include "modulecall.h"
#include "server/admin/adminmodule.h"
#include "server/calendar/calendarmodule.h"
#include "server/datafile/datafilecontent.h"
#include "server/http/httpmessage.h"
#include "server/storage/database.h"
#include "server/storage/schema.h"
#include "server/storage/tablestore.h"
#include "server/web/calendarpages.h"
#include "testdatabase.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;

const QJsonArray CatalogueFields = {
    QJsonObject{{u"name"_s, u"CDFASEORCOPERAC"_s}, {u"type"_s, u"string"_s}, {u"size"_s, 10}},
    QJsonObject{{u"name"_s, u"NMFASEORCOPERAC"_s}, {u"type"_s, u"string"_s}, {u"size"_s, 100}},
    QJsonObject{{u"name"_s, u"IDFASECALCORCA"_s}, {u"type"_s, u"string"_s}, {u"size"_s, 1}},
    QJsonObject{{u"name"_s, u"IDBLOQFASEORCA"_s}, {u"type"_s, u"string"_s}, {u"size"_s, 1}},
};

// A catalogue delta of changes, each {"op", "old"?, "new"?} with rows in the four columns.
QJsonArray catalogueDelta(const QJsonArray& changes, const QJsonArray& fields = CatalogueFields) {
    return {QJsonObject{{u"fields"_s, fields}, {u"changes"_s, changes}}};
}
QJsonObject insertPhase(const QJsonArray& row) {
    return {{u"op"_s, u"insert"_s}, {u"new"_s, row}};
}
QJsonObject updatePhase(const QJsonArray& old, const QJsonArray& row) {
    return {{u"op"_s, u"update"_s}, {u"old"_s, old}, {u"new"_s, row}};
}
QJsonObject deletePhase(const QJsonArray& old) {
    return {{u"op"_s, u"delete"_s}, {u"old"_s, old}};
}

// Catalogue rows of the fixture as GetFasesCad gives them.
const QJsonArray Despesas = {u"0000000004"_s, u"Despesas"_s, u"N"_s, u"N"_s};
const QJsonArray Investimentos = {u"0000000006"_s, u"Investimentos"_s, u"N"_s, u"N"_s};
const QJsonArray Vendas = {u"0000000002"_s, u"Vendas"_s, u"S"_s, u"N"_s};

QString repeated(int count) {
    return QString(count, u'x');
}

QJsonArray rows(const QJsonValue& packet) {
    return packet.toObject().value(u"rows"_s).toArray();
}

// The values of one column of a packet's rows, as text.
QStringList column(const QJsonValue& packet, int index) {
    QStringList values;
    for (const QJsonValue& row : rows(packet))
        values << row.toArray().at(index).toVariant().toString();
    return values;
}

// Everything stored but the change history, as a data file, with the number of history entries and
// the data generation: what a refused change must leave as it was.
struct StoredState {
    QByteArray tables;
    qint64 historyRows = 0;
    qint64 generation = 0;
    bool operator==(const StoredState&) const = default;
};

// The modules on a database of the backend's own, seeded with the calendar fixture.
class AdminFixture : public ::testing::Test {
public:
    // False (the test then skips itself) when the backend is not available here.
    bool start(const std::string& backend) {
        m_testDb = test::TestDatabase::create(backend);
        if (!m_testDb)
            return false;
        seed(test::calendarFixture());
        return true;
    }

    void seed(const QByteArray& dataFile) {
        test::seed(m_testDb->url(), dataFile);
        m_database = Database::open(m_testDb->url());
        const ServerClock clock(QDate(2026, 5, 10));
        m_admin = makeAdminModule(m_database, clock);
        m_calendar = makeCalendarModule(m_database, clock);
    }

    QJsonValue call(std::string_view method, const QJsonArray& params) {
        return test::callModule(*m_admin, method, params, CallContext{u"ADMIN"_s});
    }

    // The error code a call fails with (0 when it succeeds); its message in m_lastMessage.
    int errorOf(std::string_view method, const QJsonArray& params) {
        return test::callError(*m_admin, method, params, CallContext{u"ADMIN"_s}, m_lastMessage);
    }

    QJsonArray versions(const QString& year) { return rows(call("GetVersoesAno", {year})); }

    // The phase rows of a calendar as the budget calendar's module loads them.
    QJsonArray calendar(const QString& year, const QString& version = QString()) {
        return rows(test::callModule(*m_calendar, "GetCalendOrcOp", {year, version}).toArray().at(0));
    }

    StoredState state() {
        ConnectionLease connection = m_database->acquire();
        TableStore tables(*connection);
        DataFileContent content{tables.operators(),    tables.phases(), tables.versions(),
                                tables.usedVersions(), tables.cycles(), tables.calendar(),
                                tables.concluded()};
        StoredState state{writeDataFile(content), 0, dataGeneration(*connection)};
        connection->select("SELECT COUNT(*) FROM HISTCALENDORC", {},
                           [&](const sql::RowView& row) { state.historyRows = row.integer(0); });
        return state;
    }

    // The method and operator of the newest history entries, newest first.
    QStringList latestHistory(int count) {
        QStringList entries;
        ConnectionLease connection = m_database->acquire();
        connection->select(
            "SELECT NMMETODO, CDOPERADOR FROM HISTCALENDORC ORDER BY NRSEQUENCIA DESC LIMIT $1", {count},
            [&](const sql::RowView& row) {
                entries << QString::fromStdString(std::string(row.text(0)) + "/" + std::string(row.text(1)));
            });
        return entries;
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    std::shared_ptr<Database> m_database;
    std::unique_ptr<RemoteDataModule> m_admin;
    std::unique_ptr<RemoteDataModule> m_calendar;
    QString m_lastMessage;
};

constexpr const char* NoPostgresql = "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";

class AdminModuleTest : public AdminFixture, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        if (!start(GetParam()))
            GTEST_SKIP() << NoPostgresql;
    }
};

// ---- Reading ----

TEST_P(AdminModuleTest, getVersoesAno_listsLatestFirstWithPhaseCounts) {
    const QJsonValue packet = call("GetVersoesAno", {u"2026"_s});
    QStringList names;
    for (const QJsonValue& field : packet.toObject().value(u"fields"_s).toArray())
        names << field.toObject().value(u"name"_s).toString();
    EXPECT_EQ(
        names.join(u','),
        u"CDANOVERORCA,CDVERSAOORCA,DSVERSAOORCA,DTINCLUSAO,CDOPERINCLUSAO,NMOPERADOR,QTFASES,IDULTIMA"_s);
    const QJsonArray expected = {
        QJsonArray{u"2026"_s, 2, QJsonValue::Null, u"2026-01-20T14:30:00"_s, u"NINGUEM"_s, QJsonValue::Null,
                   6, u"S"_s},
        QJsonArray{u"2026"_s, 1, QJsonValue::Null, u"2026-01-02T08:00:00"_s, u"ADMIN"_s, u"Administrador"_s,
                   2, u"N"_s},
    };
    EXPECT_EQ(rows(packet), expected);
    EXPECT_TRUE(versions(u"2030"_s).isEmpty());
}

TEST_P(AdminModuleTest, getCiclo_givesStoredOrDefaultCycle) {
    EXPECT_EQ(
        rows(call("GetCiclo", {u"2026"_s})),
        (QJsonArray{QJsonArray{u"2026"_s, u"2026-02-01T00:00:00"_s, u"2026-11-01T00:00:00"_s, u"S"_s}}));
    EXPECT_EQ(
        rows(call("GetCiclo", {u"2027"_s})),
        (QJsonArray{QJsonArray{u"2027"_s, u"2027-01-01T00:00:00"_s, u"2027-12-01T00:00:00"_s, u"N"_s}}));
}

TEST_P(AdminModuleTest, getFasesCadAndGetConclusoes_answerByCode) {
    const QJsonValue catalogue = call("GetFasesCad", {});
    EXPECT_EQ(rows(catalogue).size(), 8);
    EXPECT_EQ(rows(catalogue).at(1).toArray(), Vendas);
    EXPECT_EQ(rows(call("GetConclusoes", {u"2026"_s, 2})),
              (QJsonArray{QJsonArray{u"0000000005"_s, u"Aprovação"_s, u"0001"_s, QJsonValue::Null},
                          QJsonArray{u"0000000005"_s, u"Aprovação"_s, u"0002"_s, QJsonValue::Null}}));
    EXPECT_TRUE(rows(call("GetConclusoes", {u"2026"_s, 1})).isEmpty());
}

// ---- Refusals: nothing changes ----

struct RefusalCase {
    const char* name;
    const char* method;
    QJsonArray params;
    int code;
    const char* message;  // a part of the message
};

void PrintTo(const RefusalCase& refusal, std::ostream* out) {
    *out << refusal.name;
}

class AdminRefusalTest : public AdminFixture,
                         public ::testing::WithParamInterface<std::tuple<std::string, RefusalCase>> {
protected:
    void SetUp() override {
        if (!start(std::get<0>(GetParam())))
            GTEST_SKIP() << NoPostgresql;
    }
};

const RefusalCase Refusals[] = {
    // versions
    {"newCopyOfYearWithoutVersions",
     "NovaVersao",
     {u"2027"_s, u"A"_s, u""_s},
     1001,
     "não tem versão para copiar"},
    {"newEmptyForYearWithVersions", "NovaVersao", {u"2026"_s, u"V"_s, u""_s}, 1001, "já tem versões"},
    {"newFromPreviousForYearWithVersions", "NovaVersao", {u"2026"_s, u"P"_s, u""_s}, 1001, "já tem versões"},
    {"newFromPreviousYearWithoutVersions",
     "NovaVersao",
     {u"2029"_s, u"P"_s, u""_s},
     1001,
     "2028 não tem versão"},
    {"newWithUnknownOrigin", "NovaVersao", {u"2027"_s, u"X"_s, u""_s}, -32602, "a origem"},
    {"newWithLongDescription", "NovaVersao", {u"2026"_s, u"A"_s, repeated(101)}, -32602, "mais de 100"},
    {"newWithYearNotANumber", "NovaVersao", {u"20a6"_s, u"A"_s, u""_s}, -32602, "o ano"},
    {"newWithEmptyYear", "NovaVersao", {u""_s, u"V"_s, u""_s}, -32602, "o ano"},
    {"newWithYearZero", "NovaVersao", {u"0"_s, u"V"_s, u""_s}, -32602, "o ano"},
    {"newWithYearAsNumber", "NovaVersao", {2027, u"V"_s, u""_s}, -32602, "texto"},
    {"newWithTooFewParams", "NovaVersao", {u"2027"_s, u"V"_s}, -32602, "3 parâmetro"},
    {"describeOlderVersion", "SetDescVersao", {u"2026"_s, 1, u"Antiga"_s}, 1001, "Somente a última"},
    {"describeMissingVersion", "SetDescVersao", {u"2026"_s, 9, u"Nova"_s}, 1001, "não existe"},
    {"describeWithLongDescription", "SetDescVersao", {u"2026"_s, 2, repeated(101)}, -32602, "mais de 100"},
    {"describeWithVersionAsText", "SetDescVersao", {u"2026"_s, u"2"_s, u"Nova"_s}, -32602, "a versão"},
    {"describeWithVersionZero", "SetDescVersao", {u"2026"_s, 0, u"Nova"_s}, -32602, "a versão"},
    {"deleteOlderVersion", "ExcluiVersao", {u"2026"_s, 1}, 1001, "Somente a última"},
    {"deleteConcludedVersion", "ExcluiVersao", {u"2026"_s, 2}, 1001, "há 2 conclusão(ões)"},
    {"deleteMissingVersion", "ExcluiVersao", {u"2030"_s, 1}, 1001, "não existe"},
    {"deleteWithFractionalVersion", "ExcluiVersao", {u"2026"_s, 2.5}, -32602, "a versão"},
    // cycle
    {"cycleEndingBeforeItStarts",
     "SetCiclo",
     {u"2027"_s, u"2027-05-01T00:00:00"_s, u"2027-04-01T00:00:00"_s},
     1001,
     "posterior ao mês final"},
    {"cycleOf25Months",
     "SetCiclo",
     {u"2027"_s, u"2027-01-01T00:00:00"_s, u"2029-01-01T00:00:00"_s},
     1001,
     "no máximo 24 meses"},
    {"cycleStartingOnDay2",
     "SetCiclo",
     {u"2027"_s, u"2027-01-02T00:00:00"_s, u"2027-12-01T00:00:00"_s},
     -32602,
     "primeiro dia de um mês"},
    {"cycleEndingAtNoon",
     "SetCiclo",
     {u"2027"_s, u"2027-01-01T00:00:00"_s, u"2027-12-01T12:00:00"_s},
     -32602,
     "primeiro dia de um mês"},
    {"cycleOfNonDate",
     "SetCiclo",
     {u"2027"_s, u"2027-02-30T00:00:00"_s, u"2027-12-01T00:00:00"_s},
     -32602,
     "primeiro dia de um mês"},
    {"cycleOfDateOnly",
     "SetCiclo",
     {u"2027"_s, u"2027-01-01"_s, u"2027-12-01T00:00:00"_s},
     -32602,
     "primeiro dia de um mês"},
    {"cycleOfLongYear", "GetCiclo", {u"20261"_s}, -32602, "o ano"},
    // catalogue
    {"insertOfStoredCode", "SetFasesCad", catalogueDelta({insertPhase({u"4"_s, u"Outra"_s, u"N"_s, u"N"_s})}),
     1001, "0000000004 já está cadastrada"},
    {"insertOfCodeWithLetters", "SetFasesCad",
     catalogueDelta({insertPhase({u"12a"_s, u"Outra"_s, u"N"_s, u"N"_s})}), 1001, "de 1 a 10 dígitos"},
    {"insertOfEmptyCode", "SetFasesCad", catalogueDelta({insertPhase({u""_s, u"Outra"_s, u"N"_s, u"N"_s})}),
     1001, "de 1 a 10 dígitos"},
    {"insertOfBlankName", "SetFasesCad", catalogueDelta({insertPhase({u"9"_s, u"   "_s, u"N"_s, u"N"_s})}),
     1001, "deve ser informado"},
    {"insertOfLongName", "SetFasesCad",
     catalogueDelta({insertPhase({u"9"_s, repeated(101), u"N"_s, u"N"_s})}), -32602,
     "passa de 100 caracteres"},
    {"insertOfLongCode", "SetFasesCad",
     catalogueDelta({insertPhase({u"12345678901"_s, u"Outra"_s, u"N"_s, u"N"_s})}), -32602,
     "passa de 10 caracteres"},
    {"insertWithBadFlag", "SetFasesCad", catalogueDelta({insertPhase({u"9"_s, u"Outra"_s, u"X"_s, u"N"_s})}),
     -32602, "IDFASECALCORCA"},
    {"updateChangingCode", "SetFasesCad",
     catalogueDelta({updatePhase(Despesas, {u"0000000009"_s, u"Despesas"_s, u"N"_s, u"N"_s})}), 1001,
     "não pode ser alterado"},
    {"updateOfStaleRow", "SetFasesCad",
     catalogueDelta({updatePhase({u"0000000004"_s, u"Antiga"_s, u"N"_s, u"N"_s}, Despesas)}), 1002,
     "outro usuário"},
    {"deleteOfUsedPhase", "SetFasesCad", catalogueDelta({deletePhase(Despesas)}), 1001,
     "A fase 0000000004 é usada no calendário de 2026, versão 2."},
    {"deleteOfPhaseUsedInOlderCalendar", "SetFasesCad", catalogueDelta({deletePhase(Vendas)}), 1001,
     "calendário de 2026, versão 2"},
    {"deleteOfMissingPhase", "SetFasesCad",
     catalogueDelta({deletePhase({u"0000000099"_s, u"Nenhuma"_s, u"N"_s, u"N"_s})}), 1002, "outro usuário"},
    {"allOrNothing", "SetFasesCad",
     catalogueDelta({insertPhase({u"9"_s, u"Nova"_s, u"N"_s, u"N"_s}), deletePhase(Investimentos),
                     insertPhase({u"1"_s, u"Repetida"_s, u"N"_s, u"N"_s})}),
     1001, "0000000001 já está cadastrada"},
    {"deltaWithoutNameColumn", "SetFasesCad",
     catalogueDelta({insertPhase({u"9"_s, u"N"_s, u"N"_s})},
                    {CatalogueFields.at(0), CatalogueFields.at(2), CatalogueFields.at(3)}),
     -32602, "falta a coluna NMFASEORCOPERAC"},
    {"deltaNotAnObject", "SetFasesCad", {u"[]"_s}, -32602, "Delta inválido"},
    {"catalogueReadWithParams", "GetFasesCad", {u"T"_s}, -32602, "0 parâmetro"},
    // conclusions
    {"concludePhaseNotInCalendar",
     "RegistraConclusao",
     {u"2026"_s, 2, u"6"_s, u"1"_s},
     1001,
     "0000000006 não está no calendário de 2026, versão 2"},
    {"concludeTwice",
     "RegistraConclusao",
     {u"2026"_s, 2, u"5"_s, u"0001"_s},
     1001,
     "0001 já concluiu a fase 0000000005"},
    {"concludeInMissingVersion",
     "RegistraConclusao",
     {u"2026"_s, 7, u"1"_s, u"1"_s},
     1001,
     "não está no calendário"},
    {"concludeWithLongBranch", "RegistraConclusao", {u"2026"_s, 2, u"1"_s, u"00001"_s}, -32602, "a filial"},
    {"concludeWithBranchLetters", "RegistraConclusao", {u"2026"_s, 2, u"1"_s, u"A1"_s}, -32602, "a filial"},
    {"concludeWithCodeLetters",
     "RegistraConclusao",
     {u"2026"_s, 2, u"x"_s, u"1"_s},
     -32602,
     "o código da fase"},
    {"withdrawMissingConclusion",
     "RetiraConclusao",
     {u"2026"_s, 2, u"4"_s, u"1"_s},
     1001,
     "0001 não concluiu a fase 0000000004"},
    {"withdrawWithVersionAsText", "RetiraConclusao", {u"2026"_s, u"2"_s, u"5"_s, u"1"_s}, -32602, "a versão"},
    {"unknownMethod", "SetCalendOrcOp", {}, -32601, "não tem o método"},
};

TEST_P(AdminRefusalTest, isRefusedWithNothingChanged) {
    const RefusalCase& refusal = std::get<1>(GetParam());
    const StoredState before = state();
    EXPECT_EQ(errorOf(refusal.method, refusal.params), refusal.code) << m_lastMessage.toStdString();
    EXPECT_TRUE(m_lastMessage.contains(QString::fromUtf8(refusal.message))) << m_lastMessage.toStdString();
    EXPECT_TRUE(state() == before);
}

// ---- Accepted changes ----

struct ChangeCase {
    const char* name;
    // Makes the changes through the module and checks what they did.
    std::function<void(AdminFixture&)> run;
    int historyEntries;  // the entries the changes write, each with operator ADMIN
};

void PrintTo(const ChangeCase& change, std::ostream* out) {
    *out << change.name;
}

class AdminChangeTest : public AdminFixture,
                        public ::testing::WithParamInterface<std::tuple<std::string, ChangeCase>> {
protected:
    void SetUp() override {
        if (!start(std::get<0>(GetParam())))
            GTEST_SKIP() << NoPostgresql;
    }
};

const ChangeCase Changes[] = {
    {"newVersionCopiesLatestOfYear",
     [](AdminFixture& t) {
         const QJsonArray created = rows(t.call("NovaVersao", {u"2026"_s, u"A"_s, u"  Revisão de maio  "_s}));
         ASSERT_EQ(created.size(), 1);
         const QJsonArray row = created.at(0).toArray();
         EXPECT_EQ(row.at(1).toInt(), 3);
         EXPECT_EQ(row.at(2).toString(), u"Revisão de maio"_s);
         EXPECT_TRUE(row.at(3).toString().startsWith(u"2026-05-10T"_s));
         EXPECT_EQ(row.at(4).toString(), u"ADMIN"_s);
         EXPECT_EQ(row.at(5).toString(), u"Administrador"_s);
         EXPECT_EQ(row.at(6).toInt(), 6);
         EXPECT_EQ(row.at(7).toString(), u"S"_s);
         EXPECT_EQ(column(t.call("GetVersoesAno", {u"2026"_s}), 7), (QStringList{u"S"_s, u"N"_s, u"N"_s}));
         // The same rows, dates and month flags; only the version differs.
         QJsonArray copied = t.calendar(u"2026"_s, u"3"_s);
         for (QJsonValueRef value : copied) {
             QJsonArray copiedRow = value.toArray();
             copiedRow[1] = 2;
             value = copiedRow;
         }
         EXPECT_EQ(copied, t.calendar(u"2026"_s, u"2"_s));
     },
     1},
    {"newEmptyVersionOfNewYear",
     [](AdminFixture& t) {
         const QJsonArray row = rows(t.call("NovaVersao", {u"2030"_s, u"V"_s, u""_s})).at(0).toArray();
         EXPECT_EQ(row.at(1).toInt(), 1);
         EXPECT_TRUE(row.at(2).isNull());
         EXPECT_EQ(row.at(6).toInt(), 0);
         EXPECT_TRUE(t.calendar(u"2030"_s).isEmpty());
     },
     1},
    {"newVersionFromPreviousYearMovesDatesOneYear",
     [](AdminFixture& t) {
         t.call("NovaVersao", {u"2027"_s, u"P"_s, u"Primeira"_s});
         const QJsonArray moved = t.calendar(u"2027"_s);
         const QJsonArray source = t.calendar(u"2026"_s);
         ASSERT_EQ(moved.size(), source.size());
         for (qsizetype i = 0; i < moved.size(); ++i) {
             const QJsonArray to = moved.at(i).toArray();
             const QJsonArray from = source.at(i).toArray();
             EXPECT_EQ(to.at(0).toString(), u"2027"_s);
             EXPECT_EQ(to.at(1).toInt(), 1);
             EXPECT_EQ(to.at(5).toString(), from.at(5).toString().replace(0, 4, u"2027"_s));
             EXPECT_EQ(to.at(6).toString(), from.at(6).toString().replace(0, 4, u"2027"_s));
             for (int month = 8; month < 20; ++month)
                 EXPECT_EQ(to.at(month), from.at(month)) << "month column " << month;
         }
     },
     1},
    {"deletedNumbersAreNotHandedOutAgain",
     [](AdminFixture& t) {
         t.call("NovaVersao", {u"2026"_s, u"A"_s, u""_s});
         t.call("ExcluiVersao", {u"2026"_s, 3});
         EXPECT_EQ(column(t.call("GetVersoesAno", {u"2026"_s}), 1), (QStringList{u"2"_s, u"1"_s}));
         EXPECT_EQ(rows(t.call("NovaVersao", {u"2026"_s, u"A"_s, u""_s})).at(0).toArray().at(1).toInt(), 4);
         // A year whose every version was deleted goes on from its highest number, too.
         t.call("NovaVersao", {u"2031"_s, u"V"_s, u""_s});
         t.call("ExcluiVersao", {u"2031"_s, 1});
         EXPECT_EQ(rows(t.call("NovaVersao", {u"2031"_s, u"V"_s, u""_s})).at(0).toArray().at(1).toInt(), 2);
     },
     6},
    {"deleteLatestVersionTakesItsPhases",
     [](AdminFixture& t) {
         t.call("ExcluiVersao", {u"2025"_s, 1});
         EXPECT_TRUE(t.versions(u"2025"_s).isEmpty());
         EXPECT_TRUE(t.calendar(u"2025"_s, u"1"_s).isEmpty());
     },
     1},
    {"describeLatestVersionTrimmedOrEmpty",
     [](AdminFixture& t) {
         t.call("SetDescVersao", {u"2026"_s, 2, u"  Revisada  "_s});
         EXPECT_EQ(t.versions(u"2026"_s).at(0).toArray().at(2).toString(), u"Revisada"_s);
         t.call("SetDescVersao", {u"2026"_s, 2, u"   "_s});
         EXPECT_TRUE(t.versions(u"2026"_s).at(0).toArray().at(2).isNull());
     },
     2},
    {"cycleStoredAtItsLimits",
     [](AdminFixture& t) {
         t.call("SetCiclo", {u"2027"_s, u"2027-03-01T00:00:00"_s, u"2029-02-01T00:00:00"_s});  // 24 months
         EXPECT_EQ(
             rows(t.call("GetCiclo", {u"2027"_s})),
             (QJsonArray{QJsonArray{u"2027"_s, u"2027-03-01T00:00:00"_s, u"2029-02-01T00:00:00"_s, u"S"_s}}));
         t.call("SetCiclo", {u"2026"_s, u"2026-06-01T00:00:00"_s, u"2026-06-01T00:00:00"_s});  // one month
         const QJsonArray valCiclo =
             rows(test::callModule(*t.m_calendar, "ValCiclo", {2026})).at(0).toArray();
         EXPECT_EQ(valCiclo.at(1).toString(), u"2026-06-01T00:00:00"_s);
         EXPECT_EQ(valCiclo.at(2).toString(), u"2026-06-01T00:00:00"_s);
     },
     2},
    {"catalogueInsertPadsCodeTrimsNameAndDefaultsFlags",
     [](AdminFixture& t) {
         t.call("SetFasesCad",
                catalogueDelta({insertPhase({u"9"_s, u"  Nova fase "_s, QJsonValue::Null, u"S"_s})}));
         EXPECT_EQ(rows(t.call("GetFasesCad", {})).last().toArray(),
                   (QJsonArray{u"0000000009"_s, u"Nova fase"_s, u"N"_s, u"S"_s}));
         EXPECT_EQ(rows(test::callModule(*t.m_calendar, "GetFaseOrc", {u"0000000009"_s})).size(), 1);
     },
     1},
    {"catalogueDeltaAppliedInOrder",
     [](AdminFixture& t) {
         t.call(
             "SetFasesCad",
             catalogueDelta({deletePhase(Investimentos), insertPhase({u"6"_s, u"De novo"_s, u"S"_s, u"N"_s}),
                             updatePhase({u"0000000006"_s, u"De novo"_s, u"S"_s, u"N"_s},
                                         {u"0000000006"_s, u"Outra vez"_s, u"N"_s, u"N"_s})}));
         EXPECT_EQ(rows(t.call("GetFasesCad", {})).at(5).toArray(),
                   (QJsonArray{u"0000000006"_s, u"Outra vez"_s, u"N"_s, u"N"_s}));
     },
     3},
    {"renameShowsInTheCalendarAtOnce",
     [](AdminFixture& t) {
         EXPECT_EQ(t.calendar(u"2026"_s).at(1).toArray().at(4).toString(), u"Vendas"_s);  // answer kept
         const qint64 generation = t.state().generation;
         t.call("SetFasesCad",
                catalogueDelta({updatePhase(Vendas, {Vendas[0], u"Vendas líquidas"_s, Vendas[2], u"S"_s})}));
         EXPECT_GT(t.state().generation, generation);
         const QJsonArray row = t.calendar(u"2026"_s).at(1).toArray();
         EXPECT_EQ(row.at(4).toString(), u"Vendas líquidas"_s);
         EXPECT_EQ(row.at(3).toString(), u"S"_s);
         CalendarPages pages(t.m_database, ServerClock(QDate(2026, 5, 10)));
         HttpResponse page;
         pages.serve(HttpRequest{}, "2026", page);
         EXPECT_EQ(page.status, 200);
         EXPECT_NE(page.body.find("Vendas líquidas"), std::string::npos);
     },
     1},
    {"concludeAndWithdraw",
     [](AdminFixture& t) {
         t.call("RegistraConclusao", {u"2026"_s, 2, u"4"_s, u"12"_s});
         const QJsonArray concluded = rows(t.call("GetConclusoes", {u"2026"_s, 2})).at(0).toArray();
         EXPECT_EQ(concluded.at(0).toString(), u"0000000004"_s);
         EXPECT_EQ(concluded.at(2).toString(), u"0012"_s);
         EXPECT_TRUE(concluded.at(3).toString().startsWith(u"2026-05-10T"_s));
         // The calendar's rules on concluded phases follow at once.
         EXPECT_EQ(
             rows(test::callModule(*t.m_calendar, "BloqDelFase", {u"0000000004"_s, 2026, u"2"_s})).size(), 1);
         t.call("RetiraConclusao", {u"2026"_s, 2, u"4"_s, u"0012"_s});
         EXPECT_EQ(rows(t.call("GetConclusoes", {u"2026"_s, 2})).size(), 2);
         EXPECT_TRUE(
             rows(test::callModule(*t.m_calendar, "BloqDelFase", {u"0000000004"_s, 2026, u"2"_s})).isEmpty());
     },
     2},
};

TEST_P(AdminChangeTest, isStoredAndRecorded) {
    const ChangeCase& change = std::get<1>(GetParam());
    const StoredState before = state();
    change.run(*this);
    const StoredState after = state();
    EXPECT_EQ(after.historyRows - before.historyRows, change.historyEntries);
    EXPECT_GE(after.generation - before.generation, change.historyEntries > 0 ? 1 : 0);
    for (const QString& entry : latestHistory(change.historyEntries))
        EXPECT_TRUE(entry.endsWith(u"/ADMIN"_s)) << entry.toStdString();
}

// The calendar's own history keeps to changes of its rows.
TEST_P(AdminModuleTest, calendarHistory_leavesOutAdministration) {
    call("RegistraConclusao", {u"2026"_s, 2, u"4"_s, u"1"_s});
    call("NovaVersao", {u"2026"_s, u"A"_s, u""_s});
    EXPECT_EQ(latestHistory(2), (QStringList{u"NovaVersao/ADMIN"_s, u"RegistraConclusao/ADMIN"_s}));
    for (const char* version : {"2", "3"}) {
        const QJsonValue history =
            test::callModule(*m_calendar, "GetHistCalendOrc", {u"2026"_s, QString::fromLatin1(version), 50});
        EXPECT_TRUE(rows(history).isEmpty()) << version;
    }
}

// 29 February has no counterpart in the next year: it becomes 28 February; the month flags stay.
TEST(AdminLeapYearTest, newVersionFromLeapYear_moves29FebruaryTo28) {
    for (const std::string& backend : test::Backends) {
        std::unique_ptr<test::TestDatabase> testDb = test::TestDatabase::create(backend);
        if (!testDb)
            continue;
        test::seed(testDb->url(), R"json({
  "phases": [
    {"CDFASEORCOPERAC": "0000000001", "NMFASEORCOPERAC": "Premissas", "IDFASECALCORCA": "S", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000002", "NMFASEORCOPERAC": "Vendas", "IDFASECALCORCA": "N", "IDBLOQFASEORCA": "N"}
  ],
  "versions": [{"CDANOVERORCA": "2028", "CDVERSAOORCA": "1"}],
  "calendar": [
    {"NRANOORCOPERAC": "2028", "CDVERSCALENORCA": 1, "CDFASEORCOPERAC": "0000000001", "DTINIFASEORCA": "2028-02-29T00:00:00",
     "DTFINFASEORCA": "2028-02-29T00:00:00", "IDPERMCALCFEV": "S", "IDPERMCALCMAR": "N"},
    {"NRANOORCOPERAC": "2028", "CDVERSCALENORCA": 1, "CDFASEORCOPERAC": "0000000002", "DTINIFASEORCA": "2028-01-10T00:00:00",
     "DTFINFASEORCA": "2028-02-29T00:00:00"}
  ]
})json");
        std::shared_ptr<Database> database = Database::open(testDb->url());
        const ServerClock clock(QDate(2028, 12, 1));
        std::unique_ptr<RemoteDataModule> admin = makeAdminModule(database, clock);
        std::unique_ptr<RemoteDataModule> calendar = makeCalendarModule(database, clock);
        test::callModule(*admin, "NovaVersao", {u"2029"_s, u"P"_s, u""_s});
        const QJsonArray moved = test::callModule(*calendar, "GetCalendOrcOp", {u"2029"_s, u""_s})
                                     .toArray()
                                     .at(0)[u"rows"_s]
                                     .toArray();
        ASSERT_EQ(moved.size(), 2) << backend;
        EXPECT_EQ(moved.at(0)[2].toString(), u"0000000002"_s);
        EXPECT_EQ(moved.at(0)[5].toString(), u"2029-01-10T00:00:00"_s);
        EXPECT_EQ(moved.at(0)[6].toString(), u"2029-02-28T00:00:00"_s);
        EXPECT_EQ(moved.at(1)[5].toString(), u"2029-02-28T00:00:00"_s);
        EXPECT_EQ(moved.at(1)[6].toString(), u"2029-02-28T00:00:00"_s);
        EXPECT_EQ(moved.at(1)[9].toString(), u"S"_s);   // February
        EXPECT_EQ(moved.at(1)[10].toString(), u"N"_s);  // March
    }
}

// Two servers on one database create versions of one year at once: each gets a number of its own,
// none fails, and each copy is whole.
TEST_P(AdminModuleTest, newVersionsAtOnceFromTwoServers_getNumbersOfTheirOwn) {
    std::unique_ptr<RemoteDataModule> other =
        makeAdminModule(Database::open(m_testDb->url()), ServerClock(QDate(2026, 5, 10)));
    std::vector<std::future<int>> created;
    for (int i = 0; i < 6; ++i) {
        RemoteDataModule& module = i % 2 ? *other : *m_admin;
        created.push_back(std::async(std::launch::async, [&module] {
            const QJsonValue packet = test::callModule(module, "NovaVersao", {u"2026"_s, u"A"_s, u""_s});
            return rows(packet).at(0)[1].toInt();
        }));
    }
    QList<int> numbers;
    for (std::future<int>& number : created)
        numbers << number.get();
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (QList<int>{3, 4, 5, 6, 7, 8}));
    for (const QJsonValue& version : versions(u"2026"_s))
        EXPECT_EQ(version[6].toInt(), version[1].toInt() == 1 ? 2 : 6) << version[1].toInt();
}

// The creating operator is kept to the column's twelve characters, never cut inside one.
TEST_P(AdminModuleTest, newVersion_byOperatorWithLongName_keepsTwelveCharacters) {
    const QJsonValue created =
        test::callModule(*m_admin, "NovaVersao", {u"2030"_s, u"V"_s, u""_s}, CallContext{u"ÁÉÍÓÚÇÃÕÂÊÔÀÜ"_s});
    EXPECT_EQ(rows(created).at(0)[4].toString(), u"ÁÉÍÓÚÇÃÕÂÊÔÀ"_s);
    EXPECT_EQ(latestHistory(1), QStringList{u"NovaVersao/ÁÉÍÓÚÇÃÕÂÊÔÀÜ"_s});
}

TEST_P(AdminModuleTest, healthy_whileDatabaseAnswers) {
    EXPECT_TRUE(m_admin->healthy());
    EXPECT_EQ(m_admin->serverName(), "ZRM71302.rdmCadCalendOrc");
}

const auto backendName = [](const testing::TestParamInfo<std::string>& backend) { return backend.param; };
INSTANTIATE_TEST_SUITE_P(Backends, AdminModuleTest, ::testing::ValuesIn(test::Backends), backendName);

template <typename Case>
std::string caseName(const testing::TestParamInfo<std::tuple<std::string, Case>>& info) {
    return std::get<1>(info.param).name + std::string("_") + std::get<0>(info.param);
}
INSTANTIATE_TEST_SUITE_P(Cases, AdminRefusalTest,
                         ::testing::Combine(::testing::ValuesIn(test::Backends),
                                            ::testing::ValuesIn(Refusals)),
                         caseName<RefusalCase>);
INSTANTIATE_TEST_SUITE_P(Cases, AdminChangeTest,
                         ::testing::Combine(::testing::ValuesIn(test::Backends),
                                            ::testing::ValuesIn(Changes)),
                         caseName<ChangeCase>);

}  // namespace
}  // namespace zrm::server
