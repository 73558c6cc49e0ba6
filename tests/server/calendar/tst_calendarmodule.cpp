// The remote data module "ZRM71300.rdmCalendOrcOp" on both backends: every method's answer, the rules
// of SetCalendOrcOp, conflicts, error precedence and malformed requests. Each test starts from the
// calendar fixture (see testdatabase.h) on a database of its own; today is 10 May 2026.

#include "forwardingconnection.h"
#include "modulecall.h"
#include "server/calendar/calendarmodule.h"
#include "server/storage/database.h"
#include "server/storage/sqliteconnection.h"
#include "server/storage/storeerror.h"
#include "server/storage/tablestore.h"
#include "testdatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;

// The calendar as stored, with the size of the change history: what a refused call must not change.
struct StoredState {
    std::vector<CalendarRecord> calendar;
    std::vector<ConcludedRecord> concluded;
    int historyRows = 0;

    bool operator==(const StoredState& other) const {
        return calendar == other.calendar && concluded.size() == other.concluded.size() &&
               historyRows == other.historyRows;
    }
};

class CalendarModuleTest : public ::testing::TestWithParam<std::string> {
public:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        test::seed(m_testDb->url(), test::calendarFixture());
        m_module = makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
        m_fields = load().value(u"fields"_s).toArray();
    }

    // Calls a method and returns its parsed result; an RpcError passes through.
    QJsonValue call(std::string_view method, const QJsonArray& params,
                    const QString& operatorCode = u"tester"_s) {
        return callOn(*m_module, method, params, operatorCode);
    }

    static QJsonValue callOn(RemoteDataModule& module, std::string_view method, const QJsonArray& params,
                             const QString& operatorCode = u"tester"_s) {
        return test::callModule(module, method, params, CallContext{operatorCode});
    }

    // The error code a save sent with saveId through module fails with, or 0 when it succeeds.
    int saveErrorOn(RemoteDataModule& module, const QJsonArray& params, const std::string& saveId) {
        CallContext context{u"tester"_s};
        context.saveId = saveId;
        try {
            test::callModule(module, "SetCalendOrcOp", params, context);
            return 0;
        } catch (const RpcError& error) {
            m_lastMessage = error.message();
            return error.code();
        }
    }

    // The saves the database remembers by their ids.
    int rememberedSaves() {
        std::shared_ptr<Database> database = Database::open(m_testDb->url());
        ConnectionLease connection = database->acquire();
        int count = 0;
        connection->select("SELECT COUNT(*) FROM ZRMGRAVACAO", {},
                           [&](const sql::RowView& row) { count = int(row.integer(0)); });
        return count;
    }

    // The error code a call fails with, or 0 when it succeeds.
    int errorOf(std::string_view method, const QJsonArray& params) {
        return test::callError(*m_module, method, params, CallContext{u"tester"_s}, m_lastMessage);
    }

    QJsonObject load(const QString& year = u"2026"_s, const QString& version = QString()) {
        return call("GetCalendOrcOp", {year, version}).toArray().at(0).toObject();
    }

    static QJsonArray rows(const QJsonValue& packet) { return packet.toObject().value(u"rows"_s).toArray(); }

    static QStringList column(const QJsonValue& packet, int index) {
        QStringList values;
        for (const QJsonValue& row : rows(packet))
            values << row.toArray().at(index).toString();
        return values;
    }

    // The stored row of a phase of 2026 version 2, as the screen last read it.
    QJsonArray rowOf(const QString& code) {
        for (const QJsonValue& row : rows(load())) {
            if (row.toArray().at(2).toString() == code)
                return row.toArray();
        }
        ADD_FAILURE() << "no row " << code.toStdString();
        return {};
    }

    // A new row in the columns of cdsCalendOrcOp, as the screen fills it.
    static QJsonArray newRow(const QString& code, const QString& start, const QString& end,
                             const QString& year = u"2026"_s, double version = 2) {
        QJsonArray row{year,
                       version,
                       code,
                       QJsonValue::Null,
                       QJsonValue::Null,
                       start.isEmpty() ? QJsonValue() : QJsonValue(start + u"T00:00:00"_s),
                       end.isEmpty() ? QJsonValue() : QJsonValue(end + u"T00:00:00"_s),
                       QJsonValue::Null};
        for (int month = 0; month < 12; ++month)
            row.append(u"N"_s);
        return row;
    }

    static QJsonArray withDates(QJsonArray row, const QString& start, const QString& end) {
        row[5] = start + u"T00:00:00"_s;
        row[6] = end + u"T00:00:00"_s;
        return row;
    }

    static QJsonObject insert(const QJsonArray& row) { return {{u"op"_s, u"insert"_s}, {u"new"_s, row}}; }
    static QJsonObject update(const QJsonArray& old, const QJsonArray& row) {
        return {{u"op"_s, u"update"_s}, {u"old"_s, old}, {u"new"_s, row}};
    }
    static QJsonObject remove(const QJsonArray& old) { return {{u"op"_s, u"delete"_s}, {u"old"_s, old}}; }

    QJsonArray delta(const QJsonArray& changes) const {
        return {QJsonObject{{u"fields"_s, m_fields}, {u"changes"_s, changes}}};
    }

    StoredState state() {
        std::shared_ptr<Database> database = Database::open(m_testDb->url());
        ConnectionLease connection = database->acquire();
        StoredState state;
        state.calendar = TableStore(*connection).calendar();
        state.concluded = TableStore(*connection).concluded();
        connection->select("SELECT COUNT(*) FROM HISTCALENDORC", {},
                           [&](const sql::RowView& row) { state.historyRows = int(row.integer(0)); });
        return state;
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    std::unique_ptr<RemoteDataModule> m_module;
    QJsonArray m_fields;
    QString m_lastMessage;
};

// ---- Reading ----

TEST_P(CalendarModuleTest, getCalendOrcOp_withEmptyVersion_givesLatestVersionByStartDate) {
    const QJsonArray result = call("GetCalendOrcOp", {u"2026"_s, u""_s}).toArray();
    ASSERT_EQ(result.size(), 2);
    const QJsonObject calendar = result.at(0).toObject();
    QStringList names;
    for (const QJsonValue& field : calendar.value(u"fields"_s).toArray())
        names << field.toObject().value(u"name"_s).toString();
    EXPECT_EQ(names.join(u','),
              u"NRANOORCOPERAC,CDVERSCALENORCA,CDFASEORCOPERAC,IDBLOQFASEORCA,NMFASEORCOPERAC,"
              u"DTINIFASEORCA,DTFINFASEORCA,IDFASECALCORCA,IDPERMCALCJAN,IDPERMCALCFEV,"
              u"IDPERMCALCMAR,IDPERMCALCABR,IDPERMCALCMAI,IDPERMCALCJUN,IDPERMCALCJUL,"
              u"IDPERMCALCAGO,IDPERMCALCSET,IDPERMCALCOUT,IDPERMCALCNOV,IDPERMCALCDEZ"_s);
    EXPECT_EQ(column(calendar, 2), QStringList({u"0000000001"_s, u"0000000002"_s, u"0000000003"_s,
                                                u"0000000004"_s, u"0000000005"_s, u"0000000008"_s}));
    const QJsonArray sales = rows(calendar).at(1).toArray();
    EXPECT_EQ(sales.at(0).toString(), u"2026"_s);
    EXPECT_EQ(sales.at(1).toDouble(), 2);
    EXPECT_EQ(sales.at(3).toString(), u"N"_s);
    EXPECT_EQ(sales.at(4).toString(), u"Vendas"_s);
    EXPECT_EQ(sales.at(5).toString(), u"2026-02-02T00:00:00"_s);
    EXPECT_EQ(sales.at(7).toString(), u"S"_s);
    EXPECT_EQ(sales.at(8).toString(), u"S"_s);                           // January
    EXPECT_EQ(sales.at(10).toString(), u"N"_s);                          // March
    EXPECT_EQ(sales.at(19).toString(), u"S"_s);                          // December
    EXPECT_EQ(rows(calendar).at(2).toArray().at(3).toString(), u"S"_s);  // blocked flag joined in
    EXPECT_TRUE(rows(calendar).at(0).toArray().at(8).isNull());          // flags left empty
    EXPECT_EQ(rows(result.at(1)), QJsonArray{QJsonArray{2}});
}

TEST_P(CalendarModuleTest, getCalendOrcOp_withOtherVersions) {
    const QJsonArray first = call("GetCalendOrcOp", {u"2026"_s, u"1"_s}).toArray();
    EXPECT_EQ(column(first.at(0), 2), QStringList({u"0000000001"_s, u"0000000002"_s}));
    EXPECT_EQ(rows(first.at(1)), QJsonArray{QJsonArray{1}});

    const QJsonArray missing = call("GetCalendOrcOp", {u"2026"_s, u"7"_s}).toArray();
    EXPECT_TRUE(rows(missing.at(0)).isEmpty());
    EXPECT_EQ(rows(missing.at(1)), QJsonArray{QJsonArray{7}});

    const QJsonArray noVersions = call("GetCalendOrcOp", {u"2030"_s, u""_s}).toArray();
    EXPECT_TRUE(rows(noVersions.at(0)).isEmpty());
    EXPECT_TRUE(rows(noVersions.at(1)).isEmpty());
    EXPECT_EQ(noVersions.at(1).toObject().value(u"fields"_s).toArray().size(), 1);

    EXPECT_EQ(rows(call("GetCalendOrcOp", {u"2025"_s, u""_s}).toArray().at(0)).size(), 1);
}

TEST_P(CalendarModuleTest, emptyYear_isAYearWithoutData) {
    const QJsonArray calendar = call("GetCalendOrcOp", {u""_s, u""_s}).toArray();
    ASSERT_EQ(calendar.size(), 2);
    EXPECT_TRUE(rows(calendar.at(0)).isEmpty());
    EXPECT_TRUE(rows(calendar.at(1)).isEmpty());
    EXPECT_TRUE(rows(call("GetCalendOrcOp", {u""_s, u"2"_s}).toArray().at(0)).isEmpty());
    EXPECT_TRUE(rows(call("GetVersao", {u""_s, u""_s, u"T"_s})).isEmpty());
    EXPECT_TRUE(rows(call("GetVersao", {u""_s, u"2"_s, u""_s})).isEmpty());
}

TEST_P(CalendarModuleTest, typedVersionOfYearWithoutVersions_isAnsweredAsAsked) {
    const QJsonArray result = call("GetCalendOrcOp", {u"2030"_s, u"3"_s}).toArray();
    EXPECT_TRUE(rows(result.at(0)).isEmpty());
    EXPECT_EQ(rows(result.at(1)), QJsonArray{QJsonArray{3}});
    EXPECT_TRUE(rows(call("GetVersao", {u"2030"_s, u"3"_s, u""_s})).isEmpty());
}

TEST_P(CalendarModuleTest, getVersao_listsLatestFirstOrOneVersion) {
    const QJsonValue all = call("GetVersao", {u"2026"_s, u""_s, u"T"_s});
    EXPECT_EQ(column(all, 1), QStringList({u"2"_s, u"1"_s}));
    const QJsonArray latest = rows(all).at(0).toArray();
    EXPECT_EQ(latest.at(0).toString(), u"2026"_s);
    EXPECT_EQ(latest.at(2).toString(), u"2026-01-20T14:30:00"_s);
    EXPECT_EQ(latest.at(3).toString(), u"NINGUEM"_s);
    EXPECT_TRUE(latest.at(4).isNull());  // operator not registered
    EXPECT_EQ(rows(all).at(1).toArray().at(4).toString(), u"Administrador"_s);

    EXPECT_EQ(column(call("GetVersao", {u"2026"_s, u"1"_s, u""_s}), 1), QStringList{u"1"_s});
    EXPECT_TRUE(rows(call("GetVersao", {u"2026"_s, u"9"_s, u""_s})).isEmpty());
    EXPECT_TRUE(rows(call("GetVersao", {u"2026"_s, u""_s, u""_s})).isEmpty());
    EXPECT_TRUE(rows(call("GetVersao", {u"2031"_s, u""_s, u"T"_s})).isEmpty());
}

TEST_P(CalendarModuleTest, getFaseOrc_givesCatalogueOrExactEntry) {
    const QJsonValue all = call("GetFaseOrc", {u"T"_s});
    EXPECT_EQ(rows(all).size(), 8);
    EXPECT_EQ(column(all, 0).first(), u"0000000001"_s);
    EXPECT_EQ(column(all, 0).last(), u"0000000008"_s);

    const QJsonArray approval = rows(call("GetFaseOrc", {u"0000000005"_s})).at(0).toArray();
    EXPECT_EQ(approval, (QJsonArray{u"0000000005"_s, u"Aprovação"_s, u"N"_s, u"S"_s}));
    EXPECT_TRUE(rows(call("GetFaseOrc", {u"0000000099"_s})).isEmpty());
    EXPECT_TRUE(rows(call("GetFaseOrc", {u"5"_s})).isEmpty());  // the caller pads codes, not the server
}

TEST_P(CalendarModuleTest, valCiclo_givesTodayAndTheCycle) {
    EXPECT_EQ(rows(call("ValCiclo", {2026})).at(0).toArray(),
              (QJsonArray{u"2026-05-10T00:00:00"_s, u"2026-02-01T00:00:00"_s, u"2026-11-01T00:00:00"_s}));
    EXPECT_EQ(rows(call("ValCiclo", {2027})).at(0).toArray(),
              (QJsonArray{u"2026-05-10T00:00:00"_s, u"2027-01-01T00:00:00"_s, u"2027-12-01T00:00:00"_s}));
}

TEST_P(CalendarModuleTest, getValDateBloq_givesBlockedFlagOrNoRow) {
    EXPECT_EQ(rows(call("GetValDateBloq", {u"0000000003"_s})),
              QJsonArray{QJsonArray({u"0000000003"_s, u"S"_s})});
    EXPECT_EQ(rows(call("GetValDateBloq", {u"0000000001"_s})),
              QJsonArray{QJsonArray({u"0000000001"_s, u"N"_s})});
    EXPECT_TRUE(rows(call("GetValDateBloq", {u"0000000099"_s})).isEmpty());
}

TEST_P(CalendarModuleTest, getDateBloq_givesOtherPhasesOnly) {
    const QJsonValue others = call("GetDateBloq", {2026, u"2"_s, u"0000000003"_s});
    EXPECT_EQ(column(others, 2), QStringList({u"0000000001"_s, u"0000000002"_s, u"0000000004"_s,
                                              u"0000000005"_s, u"0000000008"_s}));
    EXPECT_EQ(rows(others).at(1).toArray(),
              (QJsonArray{u"2026"_s, 2, u"0000000002"_s, u"Vendas"_s, u"S"_s, u"2026-02-02T00:00:00"_s,
                          u"2026-03-13T00:00:00"_s, u"N"_s}));
    EXPECT_EQ(rows(call("GetDateBloq", {2026, u"1"_s, u"0000000099"_s})).size(), 2);
    EXPECT_TRUE(rows(call("GetDateBloq", {2026, u"5"_s, u"0000000003"_s})).isEmpty());
    EXPECT_TRUE(rows(call("GetDateBloq", {2026, u""_s, u"0000000003"_s})).isEmpty());
}

TEST_P(CalendarModuleTest, bloqDelFase_givesOneRowPerConcludingBranch) {
    const QJsonValue uses = call("BloqDelFase", {u"0000000005"_s, 2026, u"2"_s});
    EXPECT_EQ(rows(uses), (QJsonArray{QJsonArray{u"2026"_s, 2, u"0000000005"_s, u"Aprovação"_s, u"0001"_s},
                                      QJsonArray{u"2026"_s, 2, u"0000000005"_s, u"Aprovação"_s, u"0002"_s}}));
    EXPECT_TRUE(rows(call("BloqDelFase", {u"0000000004"_s, 2026, u"2"_s})).isEmpty());
    EXPECT_TRUE(rows(call("BloqDelFase", {u"0000000005"_s, 2026, u"1"_s})).isEmpty());
}

// ---- Saving ----

TEST_P(CalendarModuleTest, setCalendOrcOp_insert_storesRowAndHistory) {
    const QJsonValue result =
        call("SetCalendOrcOp", delta({insert(newRow(u"0000000006"_s, u"2026-08-03"_s, u"2026-08-28"_s))}),
             u"maria'; --"_s);
    EXPECT_EQ(result, (QJsonObject{{u"fields"_s, QJsonArray()}, {u"rows"_s, QJsonArray()}}));
    const QJsonArray row = rowOf(u"0000000006"_s);
    EXPECT_EQ(row.at(4).toString(), u"Investimentos"_s);
    EXPECT_EQ(row.at(6).toString(), u"2026-08-28T00:00:00"_s);
    EXPECT_EQ(row.at(8).toString(), u"N"_s);

    std::shared_ptr<Database> database = Database::open(m_testDb->url());
    ConnectionLease connection = database->acquire();
    std::vector<std::string> history;
    connection->select("SELECT CDOPERADOR, NMMETODO, DSALTERACAO FROM HISTCALENDORC", {},
                       [&](const sql::RowView& r) {
                           history.push_back(std::string(r.text(0)) + "|" + std::string(r.text(1)) + "|" +
                                             std::string(r.text(2)));
                       });
    ASSERT_EQ(history.size(), 1u);
    EXPECT_TRUE(history[0].starts_with("maria'; --|SetCalendOrcOp|{\"op\":\"insert\"")) << history[0];
    EXPECT_NE(history[0].find("\"CDFASEORCOPERAC\":\"0000000006\""), std::string::npos) << history[0];
}

TEST_P(CalendarModuleTest, setCalendOrcOp_updateAndDelete) {
    const QJsonArray reforecast = rowOf(u"0000000008"_s);
    QJsonArray changed = withDates(reforecast, u"2026-07-06"_s, u"2026-08-07"_s);
    changed[15] = u"S"_s;  // August
    call("SetCalendOrcOp", delta({update(reforecast, changed)}));
    const QJsonArray stored = rowOf(u"0000000008"_s);
    EXPECT_EQ(stored.at(5).toString(), u"2026-07-06T00:00:00"_s);
    EXPECT_EQ(stored.at(15).toString(), u"S"_s);

    // The screen sends what it last had: the joined columns and empty-versus-null do not matter.
    QJsonArray asSent = stored;
    asSent[4] = u"nome antigo"_s;
    asSent[8] = QJsonValue::Null;
    QJsonArray renamed = stored;
    renamed[2] = u"0000000006"_s;
    call("SetCalendOrcOp", delta({update(stored, renamed)}));
    const QStringList codes = column(load(), 2);
    EXPECT_FALSE(codes.contains(u"0000000008"_s));
    EXPECT_EQ(rowOf(u"0000000006"_s).at(4).toString(), u"Investimentos"_s);

    call("SetCalendOrcOp", delta({remove(rowOf(u"0000000006"_s))}));
    EXPECT_FALSE(column(load(), 2).contains(u"0000000006"_s));
    EXPECT_EQ(state().historyRows, 3);
}

TEST_P(CalendarModuleTest, setCalendOrcOp_oldRowComparison_ignoresJoinedColumnsAndNullVersusEmpty) {
    QJsonArray old = rowOf(u"0000000001"_s);
    old[3] = u"S"_s;           // blocked flag as the client believes it
    old[4] = u"Outro nome"_s;  // name as the client believes it
    old[8] = u""_s;            // empty text for a null flag
    QJsonArray changed = old;
    changed[2] = u"0000000006"_s;
    changed[5] = u"2026-12-01T00:00:00"_s;
    changed[6] = u"2026-12-10T00:00:00"_s;
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({update(old, changed)})), 0) << m_lastMessage.toStdString();
}

TEST_P(CalendarModuleTest, setCalendOrcOp_changesApplyInOrder) {
    // A later change is checked against what the earlier ones left: the phase inserted ending today
    // has ended by the time the delete is checked.
    const QJsonArray endsToday = newRow(u"0000000006"_s, u"2026-05-01"_s, u"2026-05-10"_s);
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({insert(endsToday), remove(endsToday)})), 1001);
    EXPECT_EQ(m_lastMessage, u"Não é permitida a exclusão de uma fase anterior à data atual."_s);

    const QJsonArray inserted = newRow(u"0000000006"_s, u"2026-05-01"_s, u"2026-05-09"_s);
    const QJsonArray moved = withDates(inserted, u"2026-09-01"_s, u"2026-09-09"_s);
    const QJsonArray reforecast = rowOf(u"0000000008"_s);
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({insert(inserted), update(inserted, moved), remove(reforecast),
                                         insert(withDates(reforecast, u"2026-10-01"_s, u"2026-10-02"_s))})),
        0)
        << m_lastMessage.toStdString();
    EXPECT_EQ(rowOf(u"0000000006"_s).at(5).toString(), u"2026-09-01T00:00:00"_s);
    EXPECT_EQ(rowOf(u"0000000008"_s).at(5).toString(), u"2026-10-01T00:00:00"_s);
}

struct RefusalCase {
    const char* name;
    std::function<QJsonArray(CalendarModuleTest&)> changes;
    QString message;
};

class CalendarRulesTest : public CalendarModuleTest {};

TEST_P(CalendarRulesTest, everyRefusal_isRuleErrorAndChangesNothing) {
    using T = CalendarModuleTest;
    const std::vector<RefusalCase> cases = {
        {"older version",
         [](T&) {
             return QJsonArray{
                 T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s, u"2026"_s, 1))};
         },
         u"Somente a última versão do ano pode ser alterada."_s},
        {"version the year lacks",
         [](T&) {
             return QJsonArray{
                 T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s, u"2026"_s, 3))};
         },
         u"Somente a última versão do ano pode ser alterada."_s},
        {"year without versions",
         [](T&) {
             return QJsonArray{
                 T::insert(T::newRow(u"0000000006"_s, u"2031-08-01"_s, u"2031-08-02"_s, u"2031"_s, 1))};
         },
         u"Não há versão cadastrada para este ano."_s},
        {"year of two digits",
         [](T&) {
             return QJsonArray{
                 T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s, u"26"_s))};
         },
         u"O ano do orçamento deve ter quatro dígitos."_s},
        {"version not positive",
         [](T&) {
             return QJsonArray{
                 T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s, u"2026"_s, 0))};
         },
         u"A versão deve ser um número inteiro positivo."_s},
        {"version not whole",
         [](T&) {
             return QJsonArray{
                 T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s, u"2026"_s, 2.5))};
         },
         u"A versão deve ser um número inteiro positivo."_s},
        {"empty code",
         [](T&) { return QJsonArray{T::insert(T::newRow(u""_s, u"2026-08-01"_s, u"2026-08-02"_s))}; },
         u"Código da fase deve ser informado."_s},
        {"code outside catalogue",
         [](T&) {
             return QJsonArray{T::insert(T::newRow(u"0000000099"_s, u"2026-08-01"_s, u"2026-08-02"_s))};
         },
         u"Fase não cadastrada."_s},
        {"duplicate code",
         [](T&) {
             return QJsonArray{T::insert(T::newRow(u"0000000004"_s, u"2026-08-01"_s, u"2026-08-02"_s))};
         },
         u"Fase já cadastrada para o ano informado."_s},
        {"update onto another row's code",
         [](T& t) {
             QJsonArray changed = t.rowOf(u"0000000008"_s);
             changed[2] = u"0000000004"_s;
             return QJsonArray{T::update(t.rowOf(u"0000000008"_s), changed)};
         },
         u"Fase já cadastrada para o ano informado."_s},
        {"no start date",
         [](T&) { return QJsonArray{T::insert(T::newRow(u"0000000006"_s, u""_s, u"2026-08-02"_s))}; },
         u"Data inicio deve ser informada."_s},
        {"no end date",
         [](T&) { return QJsonArray{T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u""_s))}; },
         u"Data fim deve ser informada."_s},
        {"end before start",
         [](T&) {
             return QJsonArray{T::insert(T::newRow(u"0000000006"_s, u"2026-08-02"_s, u"2026-08-01"_s))};
         },
         u"Data inicial deve ser menor ou igual a data final."_s},
        {"blocked, start on another's end",
         [](T&) {
             return QJsonArray{T::insert(T::newRow(u"0000000007"_s, u"2026-01-30"_s, u"2026-02-01"_s))};
         },
         u"Periodo de uma fase Bloqueada não pode ser igual ao de outras fases."_s},
        {"blocked, end on another's start",
         [](T&) {
             return QJsonArray{T::insert(T::newRow(u"0000000007"_s, u"2026-04-20"_s, u"2026-05-10"_s))};
         },
         u"Periodo de uma fase Bloqueada não pode ser igual ao de outras fases."_s},
        {"blocked phase moved onto another",
         [](T& t) {
             const QJsonArray old = t.rowOf(u"0000000003"_s);
             return QJsonArray{T::update(old, T::withDates(old, u"2026-03-13"_s, u"2026-03-31"_s))};
         },
         u"Periodo de uma fase Bloqueada não pode ser igual ao de outras fases."_s},
        {"concluded phase, dates changed",
         [](T& t) {
             const QJsonArray old = t.rowOf(u"0000000005"_s);
             return QJsonArray{T::update(old, T::withDates(old, u"2026-06-02"_s, u"2026-06-12"_s))};
         },
         u"Não se pode alterar uma fase já concluída."_s},
        {"concluded phase, code changed",
         [](T& t) {
             const QJsonArray old = t.rowOf(u"0000000005"_s);
             QJsonArray changed = old;
             changed[2] = u"0000000006"_s;
             return QJsonArray{T::update(old, changed)};
         },
         u"Não se pode alterar uma fase já concluída."_s},
        {"delete concluded", [](T& t) { return QJsonArray{T::remove(t.rowOf(u"0000000005"_s))}; },
         u"Não é permitida a exclusão de uma fase concluída."_s},
        {"delete ended", [](T& t) { return QJsonArray{T::remove(t.rowOf(u"0000000001"_s))}; },
         u"Não é permitida a exclusão de uma fase anterior à data atual."_s},
        {"delete starting today", [](T& t) { return QJsonArray{T::remove(t.rowOf(u"0000000004"_s))}; },
         u"Não é permitida a exclusão de uma fase que esteja em andamento."_s},
        {"delete in older version",
         [](T& t) {
             const QJsonArray first = rows(t.load(u"2026"_s, u"1"_s)).at(1).toArray();
             return QJsonArray{T::remove(first)};
         },
         u"Somente a última versão do ano pode ser alterada."_s},
        {"valid change, then a refused one",
         [](T&) {
             return QJsonArray{T::insert(T::newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s)),
                               T::insert(T::newRow(u"0000000099"_s, u"2026-08-01"_s, u"2026-08-02"_s))};
         },
         u"Fase não cadastrada."_s},
    };
    for (const RefusalCase& refusal : cases) {
        SCOPED_TRACE(refusal.name);
        const QJsonArray changes = refusal.changes(*this);
        const StoredState before = state();
        EXPECT_EQ(errorOf("SetCalendOrcOp", delta(changes)), 1001);
        EXPECT_EQ(m_lastMessage, refusal.message);
        EXPECT_TRUE(state() == before);
    }
}

TEST_P(CalendarRulesTest, blockedPhase_isAcceptedWhenNoPeriodHoldsItsBounds) {
    // 20 Apr - 25 May wholly holds phase 4 (10-20 May) without either bound lying in it.
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({insert(newRow(u"0000000007"_s, u"2026-04-20"_s, u"2026-05-25"_s))})),
        0)
        << m_lastMessage.toStdString();
    // A phase that is not blocked may overlap anything, even a blocked phase's period.
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({insert(newRow(u"0000000006"_s, u"2026-03-21"_s, u"2026-03-25"_s))})),
        0)
        << m_lastMessage.toStdString();
    // A blocked phase edited in place does not conflict with its own stored period.
    const QJsonArray consolidation = rowOf(u"0000000003"_s);
    QJsonArray flagged = consolidation;
    flagged[9] = u"S"_s;
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({update(consolidation, flagged)})), 0)
        << m_lastMessage.toStdString();
}

TEST_P(CalendarRulesTest, delete_ofFuturePhase_isAccepted) {
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({remove(rowOf(u"0000000008"_s))})), 0)
        << m_lastMessage.toStdString();
}

// ---- Conflicts and precedence ----

TEST_P(CalendarModuleTest, staleOldRow_isConflictAndChangesNothing) {
    const QJsonArray read = rowOf(u"0000000008"_s);
    call("SetCalendOrcOp", delta({update(read, withDates(read, u"2026-07-02"_s, u"2026-07-31"_s))}));

    const StoredState before = state();
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({update(read, withDates(read, u"2026-07-03"_s, u"2026-07-31"_s))})),
        1002);
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({remove(read)})), 1002);
    QJsonArray otherFlags = rowOf(u"0000000008"_s);
    otherFlags[12] = u"S"_s;  // a flag the stored row does not have
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({remove(otherFlags)})), 1002);
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({remove(newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s))})),
        1002);
    EXPECT_TRUE(state() == before);
}

TEST_P(CalendarModuleTest, errorPrecedence_malformedThenConflictThenRule) {
    const QJsonArray stale = withDates(rowOf(u"0000000008"_s), u"2026-07-09"_s, u"2026-07-31"_s);
    const QJsonObject staleUpdate = update(stale, withDates(stale, u"2026-07-10"_s, u"2026-07-31"_s));
    const QJsonObject refusedInsert = insert(newRow(u"0000000099"_s, u"2026-08-01"_s, u"2026-08-02"_s));
    QJsonArray badFlag = newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s);
    badFlag[8] = u"X"_s;

    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({refusedInsert, staleUpdate})), 1002);
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({staleUpdate, insert(badFlag)})), -32602);
    EXPECT_EQ(errorOf("SetCalendOrcOp", delta({refusedInsert, insert(badFlag)})), -32602);
}

TEST_P(CalendarModuleTest, concurrentUpdatesOfOneRow_exactlyOneWins) {
    // Two server instances on one database, each request on its own connection; then both requests
    // through one server, whose saves may be committed together.
    std::unique_ptr<RemoteDataModule> other =
        makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        RemoteDataModule& second = round < 5 ? *other : *m_module;
        const QJsonArray read = rowOf(u"0000000008"_s);
        const QString day = QString::number(10 + round % 5);
        const QJsonArray mine = withDates(read, u"2026-07-"_s + day, u"2026-07-31"_s);
        const QJsonArray theirs = withDates(read, u"2026-08-"_s + day, u"2026-08-31"_s);
        std::atomic<int> ready = 0;
        int codes[2] = {-1, -1};
        const auto save = [&](RemoteDataModule& module, const QJsonArray& row, int& code) {
            ++ready;
            while (ready < 2) {
            }
            try {
                callOn(module, "SetCalendOrcOp", delta({update(read, row)}));
                code = 0;
            } catch (const RpcError& error) {
                code = error.code();
            }
        };
        std::thread first(save, std::ref(*m_module), mine, std::ref(codes[0]));
        std::thread next(save, std::ref(second), theirs, std::ref(codes[1]));
        first.join();
        next.join();
        ASSERT_EQ(std::min(codes[0], codes[1]), 0);
        ASSERT_EQ(std::max(codes[0], codes[1]), 1002);
        const QString stored = rowOf(u"0000000008"_s).at(5).toString();
        EXPECT_EQ(stored, (codes[0] == 0 ? mine : theirs).at(5).toString());
    }
}

// ---- Malformed requests ----

TEST_P(CalendarModuleTest, malformedParameters_areInvalidParams) {
    const QString longText(41, u'1');
    QJsonObject missingColumn{{u"fields"_s, QJsonArray{m_fields.at(0), m_fields.at(1)}},
                              {u"changes"_s, QJsonArray()}};
    QJsonArray badDate = newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s);
    badDate[5] = u"2026-13-01T00:00:00"_s;
    QJsonArray shortRow = newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s);
    shortRow.removeLast();
    QJsonArray longCode = newRow(u"00000000061"_s, u"2026-08-01"_s, u"2026-08-02"_s);
    QJsonArray textYear = newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s, u"dois"_s);

    const std::vector<std::pair<std::string, QJsonArray>> cases = {
        {"GetCalendOrcOp", {u"2026"_s}},
        {"GetCalendOrcOp", {2026, u""_s}},
        {"GetCalendOrcOp", {u"20x6"_s, u""_s}},
        {"GetCalendOrcOp", {u"20261"_s, u""_s}},
        {"GetCalendOrcOp", {u"2026"_s, u"dois"_s}},
        {"GetCalendOrcOp", {u"2026"_s, longText}},
        {"GetCalendOrcOp", {u"2026"_s, 2}},
        {"GetVersao", {u"2026"_s, u""_s, u"X"_s}},
        {"GetVersao", {u"2026"_s, u"x"_s, u""_s}},
        {"GetVersao", {u"2026"_s, u""_s}},
        {"GetFaseOrc", {u"00000000011"_s}},
        {"GetFaseOrc", {QJsonValue::Null}},
        {"ValCiclo", {u"2026"_s}},
        {"ValCiclo", {2026.5}},
        {"ValCiclo", {0}},
        {"GetValDateBloq", {1}},
        {"GetDateBloq", {2026, u"x"_s, u"0000000003"_s}},
        {"GetDateBloq", {u"2026"_s, u"2"_s, u"0000000003"_s}},
        {"BloqDelFase", {u"0000000005"_s, u"2026"_s, u"2"_s}},
        {"BloqDelFase", {u"0000000005"_s, 2026, 2}},
        {"SetCalendOrcOp", {u"delta"_s}},
        {"SetCalendOrcOp", {QJsonObject{{u"fields"_s, m_fields}}}},
        {"SetCalendOrcOp", {missingColumn}},
        {"SetCalendOrcOp", delta({insert(badDate)})},
        {"SetCalendOrcOp", delta({insert(shortRow)})},
        {"SetCalendOrcOp", delta({insert(longCode)})},
        {"SetCalendOrcOp", delta({insert(textYear)})},
        {"SetCalendOrcOp",
         delta({QJsonObject{{u"op"_s, u"upsert"_s}, {u"new"_s, newRow(u"0000000006"_s, u""_s, u""_s)}}})},
        {"SetCalendOrcOp",
         delta({QJsonObject{{u"op"_s, u"update"_s}, {u"new"_s, newRow(u"0000000006"_s, u""_s, u""_s)}}})},
    };
    const StoredState before = state();
    for (const auto& [method, params] : cases) {
        SCOPED_TRACE(method + " " + QJsonDocument(params).toJson(QJsonDocument::Compact).toStdString());
        EXPECT_EQ(errorOf(method, params), -32602);
        EXPECT_FALSE(m_lastMessage.isEmpty());
    }
    EXPECT_TRUE(state() == before);
    EXPECT_EQ(errorOf("DropCalendar", {}), -32601);
}

TEST_P(CalendarModuleTest, textsThatLookLikeSql_findNothingAndChangeNothing) {
    const StoredState before = state();
    EXPECT_TRUE(rows(call("GetFaseOrc", {u"' OR ''='"_s})).isEmpty());
    EXPECT_TRUE(rows(call("GetValDateBloq", {u"1' OR '1"_s})).isEmpty());
    EXPECT_EQ(rows(call("GetDateBloq", {2026, u"2"_s, u"x';--"_s})).size(), 6);  // every phase is "another"
    EXPECT_TRUE(rows(call("BloqDelFase", {u"' OR 1=1--"_s, 2026, u"2"_s})).isEmpty());
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({insert(newRow(u"';DELETE--"_s, u"2026-08-01"_s, u"2026-08-02"_s))})),
        1001);
    EXPECT_TRUE(state() == before);
    EXPECT_EQ(rows(call("GetFaseOrc", {u"T"_s})).size(), 8);
}

TEST_P(CalendarModuleTest, lostConnections_areUnavailableOnceThenRecover) {
    call("GetFaseOrc", {u"T"_s});  // the module now holds a pooled connection
    if (!m_testDb->terminateConnections())
        GTEST_SKIP() << "an SQLite file has no connection to lose";
    const StoredState before = state();
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({insert(newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s))})),
        1003);
    EXPECT_FALSE(m_lastMessage.isEmpty());
    EXPECT_TRUE(state() == before);
    // The broken connection was dropped; the next call gets a working one.
    EXPECT_EQ(
        errorOf("SetCalendOrcOp", delta({insert(newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s))})),
        0)
        << m_lastMessage.toStdString();
    EXPECT_TRUE(m_module->healthy());
}

// A connection whose next commit is lost on the way: stored and unconfirmed, or not stored at all.
class LossyCommitConnection final : public test::ForwardingConnection {
public:
    enum class Loss { None, AfterCommit, BeforeCommit };
    LossyCommitConnection(std::unique_ptr<sql::Connection> inner, std::atomic<Loss>& loss)
        : ForwardingConnection(std::move(inner)), m_loss(loss) {}

    void commit() override {
        const Loss loss = m_loss.exchange(Loss::None);
        if (loss == Loss::AfterCommit)
            inner().commit();
        else if (loss == Loss::BeforeCommit)
            inner().rollback();
        else
            return inner().commit();
        throw CommitOutcomeUnknown(u"A conexão caiu durante a gravação."_s);
    }

private:
    std::atomic<Loss>& m_loss;
};

// A save whose commit is not confirmed is reported as unavailable (the user reloads to see what
// happened), and no answer kept from before can hide what the database now holds.
TEST_P(CalendarModuleTest, commitWithUnknownOutcome_isUnavailableAndNoKeptAnswerGoesStale) {
    using Loss = LossyCommitConnection::Loss;
    for (const Loss loss : {Loss::AfterCommit, Loss::BeforeCommit}) {
        std::atomic<Loss> pending{Loss::None};
        std::shared_ptr<Database> database =
            Database::open(m_testDb->url(), [&pending](std::unique_ptr<sql::Connection> connection) {
                return std::make_unique<LossyCommitConnection>(std::move(connection), pending);
            });
        std::unique_ptr<RemoteDataModule> module =
            makeCalendarModule(database, ServerClock(QDate(2026, 5, 10)));
        const auto calendar = [&] { return callOn(*module, "GetCalendOrcOp", {u"2026"_s, QString()}); };
        const QJsonValue before = calendar();
        EXPECT_EQ(calendar(), before);

        const QJsonArray stored = rowOf(u"0000000008"_s);
        QJsonArray changed = stored;
        changed[15] = stored.at(15).toString() == u"S"_s ? u"N"_s : u"S"_s;
        const int historyBefore = state().historyRows;
        const std::string saveId = loss == Loss::AfterCommit ? "lost-after" : "lost-before";
        pending = loss;
        EXPECT_EQ(saveErrorOn(*module, delta({update(stored, changed)}), saveId),
                  rpcerror::StorageUnavailable);
        EXPECT_FALSE(m_lastMessage.isEmpty());
        const QJsonArray now = rowOf(u"0000000008"_s);  // through a module that kept nothing
        EXPECT_EQ(now, loss == Loss::AfterCommit ? changed : stored);
        const QJsonValue after = calendar();
        EXPECT_EQ(after, callOn(*m_module, "GetCalendOrcOp", {u"2026"_s, QString()}));
        EXPECT_EQ(after != before, loss == Loss::AfterCommit);

        // Sent again under its id, the save succeeds once whichever way its commit went: neither a
        // false conflict with itself nor a second application.
        EXPECT_EQ(saveErrorOn(*module, delta({update(stored, changed)}), saveId), 0)
            << m_lastMessage.toStdString();
        EXPECT_EQ(rowOf(u"0000000008"_s), changed);
        EXPECT_EQ(state().historyRows, historyBefore + 1);
        callOn(*module, "SetCalendOrcOp", delta({update(changed, stored)}));
    }
}

// A save sent a second time under one id, as a client does when the answer to the first was lost.
struct ResendCase {
    const char* name;
    std::string firstId;
    std::string secondId;
    bool throughOtherServer;  // the second sending reaches another server on the same database
    bool otherChanges;        // the second sending carries other changes
    int firstCode;
    int secondCode;
    int historyAdded;
};

TEST_P(CalendarModuleTest, setCalendOrcOp_sentAgainUnderItsId_isAnsweredAsTheFirstTime) {
    const ResendCase cases[] = {
        {"sameIdSameChanges_isStoredOnce", "a1b2", "a1b2", false, false, 0, 0, 1},
        {"throughAnotherServer_isStoredOnce", "c3:d4", "c3:d4", true, false, 0, 0, 1},
        {"sameIdOtherChanges_isRefused", "e5", "e5", false, true, 0, rpcerror::InvalidParams, 1},
        {"withoutId_isJudgedAnew", "", "", false, false, 0, rpcerror::RuleRefused, 1},
        {"newIdSameChanges_isJudgedAnew", "f6", "f7", false, false, 0, rpcerror::RuleRefused, 1},
        {"malformedId_isRefused", "a b", "a b", false, false, rpcerror::InvalidParams,
         rpcerror::InvalidParams, 0},
        {"overlongId_isRefused", std::string(65, 'x'), std::string(65, 'x'), false, false,
         rpcerror::InvalidParams, rpcerror::InvalidParams, 0},
    };
    std::unique_ptr<RemoteDataModule> other =
        makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
    for (const ResendCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QJsonArray first = delta({insert(newRow(u"0000000006"_s, u"2026-08-03"_s, u"2026-08-28"_s))});
        const QJsonArray second =
            c.otherChanges ? delta({insert(newRow(u"0000000006"_s, u"2026-08-04"_s, u"2026-08-28"_s))})
                           : first;
        const StoredState before = state();
        EXPECT_EQ(saveErrorOn(*m_module, first, c.firstId), c.firstCode) << m_lastMessage.toStdString();
        const StoredState afterFirst = state();
        EXPECT_EQ(saveErrorOn(c.throughOtherServer ? *other : *m_module, second, c.secondId), c.secondCode)
            << m_lastMessage.toStdString();
        EXPECT_FALSE(c.secondCode != 0 && m_lastMessage.isEmpty());
        EXPECT_TRUE(state() == afterFirst) << "the second sending changed nothing";
        EXPECT_EQ(state().historyRows, before.historyRows + c.historyAdded);
        if (c.firstCode == 0) {
            const QJsonArray row = rowOf(u"0000000006"_s);
            EXPECT_EQ(row.at(5).toString(), u"2026-08-03T00:00:00"_s);
            call("SetCalendOrcOp", delta({remove(row)}));
        }
    }
}

// Saves with ids arriving together are committed together, each in a savepoint of its own: every
// one is stored, once, whatever the others in its group are.
TEST_P(CalendarModuleTest, concurrentSavesWithIds_areEachStoredOnce) {
    constexpr int SavesEach = 8;
    const QStringList codes{u"0000000001"_s, u"0000000002"_s, u"0000000004"_s, u"0000000008"_s};
    std::vector<QJsonArray> rowsNow;
    rowsNow.reserve(std::size_t(codes.size()));
    for (const QString& code : codes)
        rowsNow.push_back(rowOf(code));
    const StoredState before = state();
    std::vector<int> failures(codes.size(), 0);
    std::vector<std::thread> threads;
    threads.reserve(std::size_t(codes.size()));
    for (std::size_t i = 0; i < std::size_t(codes.size()); ++i) {
        threads.emplace_back([&, i] {
            for (int n = 0; n < SavesEach; ++n) {
                QJsonArray changed = rowsNow[i];
                changed[8 + n] = rowsNow[i].at(8 + n).toString() == u"S"_s ? u"N"_s : u"S"_s;
                CallContext context{u"tester"_s};
                context.saveId = (codes[qsizetype(i)] + u'-' + QString::number(n)).toStdString();
                try {
                    test::callModule(*m_module, "SetCalendOrcOp", delta({update(rowsNow[i], changed)}),
                                     context);
                    rowsNow[i] = changed;
                } catch (const RpcError&) {
                    ++failures[i];
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t i = 0; i < std::size_t(codes.size()); ++i) {
        EXPECT_EQ(failures[i], 0) << codes[qsizetype(i)].toStdString();
        EXPECT_EQ(rowOf(codes[qsizetype(i)]), rowsNow[i]) << codes[qsizetype(i)].toStdString();
    }
    EXPECT_EQ(state().historyRows, before.historyRows + SavesEach * int(codes.size()));
    EXPECT_EQ(rememberedSaves(), SavesEach * int(codes.size()));
}

// A save refused by the rules stores nothing, its id included: sent again, it is judged again.
TEST_P(CalendarModuleTest, refusedSave_isNotRememberedByItsId) {
    const QJsonArray refused = delta({insert(newRow(u"0000000006"_s, u"2026-08-28"_s, u"2026-08-03"_s))});
    EXPECT_EQ(saveErrorOn(*m_module, refused, "r1"), rpcerror::RuleRefused);
    EXPECT_EQ(saveErrorOn(*m_module, refused, "r1"), rpcerror::RuleRefused);
    EXPECT_EQ(rememberedSaves(), 0);
}

// Saves are remembered for a week: a save a week or more later forgets the older ones.
TEST_P(CalendarModuleTest, rememberedSaves_areForgottenAfterAWeek) {
    const struct {
        const char* name;
        QDate laterDay;
        int remembered;
    } cases[] = {{"sixDaysLater_keepsBoth", QDate(2026, 5, 16), 2},
                 {"eightDaysLater_keepsTheNewOne", QDate(2026, 5, 18), 1}};
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();  // a fresh database and module for each case
        ASSERT_EQ(
            saveErrorOn(*m_module, delta({insert(newRow(u"0000000006"_s, u"2026-08-03"_s, u"2026-08-28"_s))}),
                        "early" + std::to_string(round)),
            0);
        std::unique_ptr<RemoteDataModule> later =
            makeCalendarModule(m_testDb->url(), ServerClock(c.laterDay));
        ASSERT_EQ(
            saveErrorOn(*later, delta({insert(newRow(u"0000000007"_s, u"2026-09-01"_s, u"2026-09-20"_s))}),
                        "late" + std::to_string(round)),
            0)
            << m_lastMessage.toStdString();
        EXPECT_EQ(rememberedSaves(), c.remembered);
        ++round;
    }
}

// Two modules on one database stand for two server processes: a save through one is seen at once
// through the other, whatever the other kept, whether the other computes the call or answers it from
// what it holds once the generation is confirmed. The confirmation is read off the caller's thread
// (a network thread never reads the database), and a write is never answered from what is held.
TEST_P(CalendarModuleTest, keptAnswers_followSavesThroughAnotherModule) {
    std::unique_ptr<RemoteDataModule> other =
        makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
    const auto otherCalendar = [&] { return callOn(*other, "GetCalendOrcOp", {u"2026"_s, QString()}); };
    const std::string load = test::requestBody("GetCalendOrcOp", {u"2026"_s, QString()});
    std::string_view id;
    const RpcRequest loadRequest = jsonrpc::parseRequest(load, id);
    // The generation the module confirms now, and whether it was read on another thread.
    const auto confirmed = [&]() -> std::pair<std::optional<qint64>, bool> {
        // Shared with the reader, which may tell after a wait here has given up.
        auto told = std::make_shared<std::promise<std::pair<std::optional<qint64>, std::thread::id>>>();
        std::future<std::pair<std::optional<qint64>, std::thread::id>> answer = told->get_future();
        const bool asked = other->confirmGeneration(loadRequest, [told](std::optional<qint64> generation) {
            told->set_value({generation, std::this_thread::get_id()});
        });
        if (!asked) {
            ADD_FAILURE() << "a kept read is confirmed before it is answered from memory";
            return {std::nullopt, false};
        }
        if (answer.wait_for(std::chrono::minutes(1)) != std::future_status::ready)
            return {std::nullopt, false};
        const auto [generation, reader] = answer.get();
        return {generation, reader != std::this_thread::get_id()};
    };
    const auto held = [&](qint64 generation) {
        std::string result;
        return other->cachedResultAt(loadRequest, generation, result) ? result : std::string();
    };
    for (int round = 0; round < 3; ++round) {
        const QJsonValue computed = otherCalendar();
        const auto [before, offThread] = confirmed();
        ASSERT_TRUE(before.has_value());
        EXPECT_TRUE(offThread);
        EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(held(*before))).array(),
                  computed.toArray());

        const QJsonArray stored = rowOf(u"0000000004"_s);
        QJsonArray changed = stored;
        changed[8 + round] = stored.at(8 + round).toString() == u"S"_s ? u"N"_s : u"S"_s;
        call("SetCalendOrcOp", delta({update(stored, changed)}));
        const std::optional<qint64> after = confirmed().first;
        ASSERT_TRUE(after.has_value());
        EXPECT_NE(*after, *before);
        EXPECT_TRUE(held(*after).empty()) << "nothing is held for the generation after the save";
        bool seen = false;
        for (const QJsonValue& row : rows(otherCalendar().toArray().at(0)))
            seen = seen || row.toArray() == changed;
        EXPECT_TRUE(seen) << "round " << round;

        const std::string save = test::requestBody("SetCalendOrcOp", delta({update(changed, stored)}));
        const RpcRequest saveRequest = jsonrpc::parseRequest(save, id);
        std::string kept;
        EXPECT_FALSE(other->confirmGeneration(saveRequest, [](std::optional<qint64>) {}));
        EXPECT_FALSE(other->cachedResultAt(saveRequest, *after, kept));
    }
}

// The change history is dated by the server's clock, so a server with a fixed today dates it so.
TEST_P(CalendarModuleTest, history_isDatedByTheServersClock) {
    call("SetCalendOrcOp", delta({insert(newRow(u"0000000006"_s, u"2026-08-01"_s, u"2026-08-02"_s))}));
    std::shared_ptr<Database> database = Database::open(m_testDb->url());
    ConnectionLease connection = database->acquire();
    std::string when;
    connection->select("SELECT DTALTERACAO FROM HISTCALENDORC", {},
                       [&](const sql::RowView& row) { when = std::string(row.text(0)); });
    EXPECT_EQ(when.substr(0, 10), "2026-05-10");
}

TEST_P(CalendarModuleTest, healthy_whileDatabaseAnswers) {
    EXPECT_TRUE(m_module->healthy());
    EXPECT_EQ(m_module->serverName(), "ZRM71300.rdmCalendOrcOp");
}

// The SQLite database on a small file system of its own that the test fills up: saves are refused
// with a clear message and store nothing, reads go on, the file stays sound, and saves work again
// once there is room. Mounting needs the right to mount (root); elsewhere the test skips.
class FullDiskTest : public CalendarModuleTest {
public:
    void SetUp() override {
#if defined(__SANITIZE_THREAD__)
        // Mounting forks the test process while the storage threads run; the thread checker then
        // reports the database's background thread against its freed predecessor at the same
        // address. The case runs in the release and address-checked builds.
        GTEST_SKIP() << "forks to mount, which the thread checker does not follow";
#endif
        ASSERT_TRUE(m_mount.isValid());
        QProcess mount;
        mount.start(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=1m"_s, u"tmpfs"_s, m_mount.path()});
        if (!mount.waitForFinished(30'000) || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0)
            GTEST_SKIP() << "a small file system cannot be mounted here (needs root): "
                         << mount.readAllStandardError().toStdString();
        m_mounted = true;
        m_url = u"sqlite:"_s + m_mount.filePath(u"calendario.sqlite"_s);
        test::seed(m_url, test::calendarFixture());
        m_module = makeCalendarModule(m_url, ServerClock(QDate(2026, 5, 10)));
        m_fields = load().value(u"fields"_s).toArray();
    }
    void TearDown() override {
        m_module.reset();
        if (m_mounted)
            QProcess::execute(u"umount"_s, {u"-l"_s, m_mount.path()});
    }

    // Fills the file system up with a file of its own; returns its path.
    QString fillDisk() {
        const QString path = m_mount.filePath(u"filler"_s);
        QFile filler(path);
        if (!filler.open(QIODevice::WriteOnly))
            return path;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        return path;
    }

    QString integrity() const {
        sql::SqliteConnection connection(m_url.mid(7));
        QString answer;
        connection.select("PRAGMA integrity_check", {},
                          [&](const sql::RowView& row) { answer = QString::fromUtf8(row.text(0)); });
        return answer;
    }

    QTemporaryDir m_mount;
    bool m_mounted = false;
    QString m_url;
};

TEST_P(FullDiskTest, saves_areRefusedWhileTheDiskIsFull_andWorkAgainOnceThereIsRoom) {
    const QString filler = fillDisk();
    // Each save moves phase 0000000008 by a day and adds a history entry, until the disk refuses one.
    const auto moveEnd = [&](int day) {
        const QJsonArray stored = rowOf(u"0000000008"_s);
        return errorOf("SetCalendOrcOp",
                       delta({update(stored, withDates(stored, u"2026-07-01"_s,
                                                       QDate(2026, 7, day).toString(Qt::ISODate)))}));
    };
    QString storedEnd = rowOf(u"0000000008"_s).at(6).toString();
    int code = 0;
    for (int day = 2; day <= 30 && code == 0; ++day) {
        code = moveEnd(day);
        if (code == 0)
            storedEnd = QDate(2026, 7, day).toString(Qt::ISODate) + u"T00:00:00"_s;
    }
    ASSERT_EQ(code, rpcerror::StorageUnavailable) << "the disk never filled up";
    EXPECT_TRUE(m_lastMessage.contains(u"disco do banco de dados está cheio"_s))
        << m_lastMessage.toStdString();
    // The refused save stored nothing, the ones before it everything; reads go on.
    EXPECT_EQ(rowOf(u"0000000008"_s).at(6).toString(), storedEnd);
    EXPECT_EQ(rows(call("GetFaseOrc", {u"T"_s})).size(), 8);
    EXPECT_EQ(integrity(), u"ok"_s);

    ASSERT_TRUE(QFile::remove(filler));
    EXPECT_EQ(moveEnd(31), 0) << m_lastMessage.toStdString();
    EXPECT_EQ(rowOf(u"0000000008"_s).at(6).toString(), u"2026-07-31T00:00:00"_s);
    EXPECT_EQ(integrity(), u"ok"_s);
}

const auto backendName = [](const testing::TestParamInfo<std::string>& backend) { return backend.param; };
INSTANTIATE_TEST_SUITE_P(Backends, FullDiskTest, ::testing::Values(std::string("sqlite")), backendName);
INSTANTIATE_TEST_SUITE_P(Backends, CalendarModuleTest, ::testing::ValuesIn(test::Backends), backendName);
INSTANTIATE_TEST_SUITE_P(Backends, CalendarRulesTest, ::testing::ValuesIn(test::Backends), backendName);

}  // namespace
}  // namespace zrm::server
