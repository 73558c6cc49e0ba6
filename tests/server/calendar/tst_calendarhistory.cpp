// GetHistCalendOrc on both backends: the changes of one calendar, newest first, with operator and
// phase names, only the columns a change touched, the limit, and the history recorded before the
// calendar and phase had columns of their own.

#include "modulecall.h"
#include "server/calendar/calendarhistory.h"
#include "server/calendar/calendarmodule.h"
#include "server/storage/database.h"
#include "testdatabase.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;

// Columns of the history packet.
enum HistoryColumn { When, OperatorCode, OperatorName, Operation, PhaseCode, PhaseName, Before, After };

class CalendarHistoryTest : public ::testing::TestWithParam<std::string> {
public:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        test::seed(m_testDb->url(), test::calendarFixture());
        m_module = makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
    }

    QJsonValue call(std::string_view method, const QJsonArray& params, const QString& operatorCode = {}) {
        return test::callModule(*m_module, method, params, CallContext{operatorCode});
    }

    QJsonArray history(const QString& year, const QString& version, int limit = 100) {
        return call("GetHistCalendOrc", {year, version, limit}).toObject().value(u"rows"_s).toArray();
    }

    // The stored row of a phase of a calendar, in the columns the calendar load gives.
    QJsonArray rowOf(const QString& code, const QString& version = u"2"_s) {
        const QJsonObject calendar = call("GetCalendOrcOp", {u"2026"_s, version}).toArray().at(0).toObject();
        m_fields = calendar.value(u"fields"_s).toArray();
        for (const QJsonValue& row : calendar.value(u"rows"_s).toArray()) {
            if (row.toArray().at(2).toString() == code)
                return row.toArray();
        }
        ADD_FAILURE() << "no row " << code.toStdString();
        return {};
    }

    void save(const QJsonObject& change, const QString& operatorCode) {
        call("SetCalendOrcOp", {QJsonObject{{u"fields"_s, m_fields}, {u"changes"_s, QJsonArray{change}}}},
             operatorCode);
    }

    static QJsonObject object(const QJsonValue& text) {
        return QJsonDocument::fromJson(text.toString().toUtf8()).object();
    }

    int errorOf(const QJsonArray& params) {
        try {
            call("GetHistCalendOrc", params);
            return 0;
        } catch (const RpcError& error) {
            return error.code();
        }
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    std::unique_ptr<RemoteDataModule> m_module;
    QJsonArray m_fields;
};

TEST_P(CalendarHistoryTest, savedChanges_readBackNewestFirstWithNamesAndChangedColumns) {
    QJsonArray row = rowOf(u"0000000008"_s);
    QJsonArray moved = row;
    moved[6] = u"2026-08-14T00:00:00"_s;
    save({{u"op"_s, u"update"_s}, {u"old"_s, row}, {u"new"_s, moved}}, u"ADMIN"_s);
    QJsonArray inserted = rowOf(u"0000000008"_s);
    inserted[2] = u"0000000006"_s;
    inserted[5] = u"2026-09-01T00:00:00"_s;
    inserted[6] = u"2026-09-30T00:00:00"_s;
    save({{u"op"_s, u"insert"_s}, {u"new"_s, inserted}}, u"joana"_s);
    save({{u"op"_s, u"delete"_s}, {u"old"_s, rowOf(u"0000000006"_s)}}, QString());

    const QJsonArray entries = history(u"2026"_s, u"2"_s);
    ASSERT_EQ(entries.size(), 3);
    const QJsonArray removal = entries.at(0).toArray();
    const QJsonArray insertion = entries.at(1).toArray();
    const QJsonArray update = entries.at(2).toArray();

    EXPECT_EQ(removal.at(Operation).toString(), u"delete"_s);
    EXPECT_EQ(removal.at(OperatorCode).toString(), u"desconhecido"_s);
    EXPECT_EQ(removal.at(PhaseCode).toString(), u"0000000006"_s);
    EXPECT_EQ(object(removal.at(Before)).value(u"DTINIFASEORCA"_s).toString(), u"2026-09-01T00:00:00"_s);
    EXPECT_TRUE(removal.at(After).isNull());

    EXPECT_EQ(insertion.at(Operation).toString(), u"insert"_s);
    EXPECT_EQ(insertion.at(OperatorCode).toString(), u"joana"_s);
    EXPECT_TRUE(insertion.at(OperatorName).isNull());  // an operator the operators do not list
    EXPECT_EQ(insertion.at(PhaseName).toString(), u"Investimentos"_s);
    EXPECT_EQ(object(insertion.at(After)).value(u"DTFINFASEORCA"_s).toString(), u"2026-09-30T00:00:00"_s);

    EXPECT_EQ(update.at(Operation).toString(), u"update"_s);
    EXPECT_EQ(update.at(OperatorName).toString(), u"Administrador"_s);
    EXPECT_EQ(update.at(PhaseName).toString(), u"Reprevisão"_s);
    // Only the end date moved: nothing else is listed as changed.
    EXPECT_EQ(object(update.at(Before)), (QJsonObject{{u"DTFINFASEORCA"_s, u"2026-07-31T00:00:00"_s}}));
    EXPECT_EQ(object(update.at(After)), (QJsonObject{{u"DTFINFASEORCA"_s, u"2026-08-14T00:00:00"_s}}));
    EXPECT_TRUE(QDateTime::fromString(update.at(When).toString(), Qt::ISODate).isValid());

    // An empty version is the latest one; the limit keeps the newest; other calendars stay apart.
    EXPECT_EQ(history(u"2026"_s, QString()), entries);
    const QJsonArray newest = history(u"2026"_s, u"2"_s, 1);
    ASSERT_EQ(newest.size(), 1);
    EXPECT_EQ(newest.at(0), entries.at(0));
    EXPECT_TRUE(history(u"2026"_s, u"1"_s).isEmpty());
    EXPECT_TRUE(history(u"2025"_s, QString()).isEmpty());
    EXPECT_TRUE(history(u"1999"_s, QString()).isEmpty());
    EXPECT_TRUE(history(u"2026"_s, u"7"_s).isEmpty());
}

TEST_P(CalendarHistoryTest, malformedParameters_areInvalidParams) {
    EXPECT_EQ(errorOf({u"2026"_s, u"2"_s}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"2026"_s, u"2"_s, 0}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"2026"_s, u"2"_s, 1001}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"2026"_s, u"2"_s, 2.5}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"2026"_s, u"2"_s, u"10"_s}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"20x6"_s, u"2"_s, 10}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"2026"_s, u"dois"_s, 10}), rpcerror::InvalidParams);
    EXPECT_EQ(errorOf({u"2026"_s, u"2"_s, 1000}), 0);
}

TEST_P(CalendarHistoryTest, changesRecordedBeforeTheCalendarColumns_areFoundAfterTheUpgrade) {
    QJsonArray row = rowOf(u"0000000008"_s);
    QJsonArray moved = row;
    moved[5] = u"2026-07-02T00:00:00"_s;
    save({{u"op"_s, u"update"_s}, {u"old"_s, row}, {u"new"_s, moved}}, u"ADMIN"_s);
    QJsonArray inserted = moved;
    inserted[2] = u"0000000006"_s;
    inserted[5] = u"2026-09-01T00:00:00"_s;
    inserted[6] = u"2026-09-30T00:00:00"_s;
    save({{u"op"_s, u"insert"_s}, {u"new"_s, inserted}}, u"ADMIN"_s);
    m_module.reset();
    {
        // The history as a server of the previous schema left it: no calendar columns (and none of
        // what later schemas added).
        std::shared_ptr<Database> database = Database::open(m_testDb->url());
        ConnectionLease connection = database->acquire();
        test::rollBackSchema(*connection, 2);
    }
    m_module = makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));

    const QJsonArray entries = history(u"2026"_s, u"2"_s);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(0).toArray().at(PhaseCode).toString(), u"0000000006"_s);
    EXPECT_EQ(entries.at(0).toArray().at(PhaseName).toString(), u"Investimentos"_s);
    EXPECT_EQ(entries.at(1).toArray().at(PhaseCode).toString(), u"0000000008"_s);
}

// The summary lists the touched columns in the order of their names, as compact JSON; what is not a
// recorded change gives empty texts.
TEST(ChangeSummary, listsOnlyTouchedColumnsAndSurvivesMalformedText) {
    const struct {
        std::string_view recorded;
        std::string_view operation, before, after;
    } cases[] = {
        {R"({"op":"update","old":{"A":"1","B":"x","C":null},"new":{"A":"1","B":"y","C":"S"}})", "update",
         R"({"B":"x","C":null})", R"({"B":"y","C":"S"})"},
        {R"({"op":"insert","new":{"A":"1","C":null}})", "insert", "", R"({"A":"1"})"},
        {R"({"op":"delete","old":{"Z":"1","A":null,"M":"x\"y\u00e9"}})", "delete", R"({"M":"x\"yé","Z":"1"})",
         ""},
        {R"({"op":"update","old":{"CDVERSCALENORCA":2,"A":"1"},"new":{"CDVERSCALENORCA":3,"A":"1"}})",
         "update", R"({"CDVERSCALENORCA":2})", R"({"CDVERSCALENORCA":3})"},
        {R"( { "op" : "update" , "old" : { "A" : "1" } , "new" : { "A" : "2" } } )", "update", R"({"A":"1"})",
         R"({"A":"2"})"},
        {"not json", "", "", ""},
        {R"({"op":"update","old":{"A":"1"}} trailing)", "", "", ""},
        {R"(["op","insert"])", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.recorded);
        const ChangeSummary summary = summarizeChange(c.recorded);
        EXPECT_EQ(summary.operation, c.operation);
        EXPECT_EQ(summary.before, c.before);
        EXPECT_EQ(summary.after, c.after);
    }
}

// What the history records of a change reads back through the summary: the stored format, and the
// columns a change touched.
TEST(ChangeSummary, recordedChange_readsBackAsWhatChanged) {
    CalendarChange change;
    change.op = CalendarChange::Op::Update;
    change.oldRow.emplace();
    CalendarRecord& before = change.oldRow->record;
    before.key = {"2026", 2, "0000000004"};
    before.start = "2026-03-01T00:00:00";
    before.months.fill("N");
    change.newRow = change.oldRow;
    change.newRow->record.months[1] = "S";
    change.newRow->record.end = "2026-04-30T00:00:00";

    const std::string recorded = recordedChange(change);
    EXPECT_EQ(recorded.rfind(R"({"op":"update","old":{"CDVERSCALENORCA":2,"NRANOORCOPERAC":"2026",)"
                             R"("CDFASEORCOPERAC":"0000000004","DTINIFASEORCA":"2026-03-01T00:00:00",)"
                             R"("DTFINFASEORCA":null,"IDPERMCALCJAN":"N",)",
                             0),
              0u)
        << recorded;
    const ChangeSummary summary = summarizeChange(recorded);
    EXPECT_EQ(summary.operation, "update");
    EXPECT_EQ(summary.before, R"({"DTFINFASEORCA":null,"IDPERMCALCFEV":"N"})");
    EXPECT_EQ(summary.after, R"({"DTFINFASEORCA":"2026-04-30T00:00:00","IDPERMCALCFEV":"S"})");
}

const auto backendName = [](const testing::TestParamInfo<std::string>& backend) { return backend.param; };
INSTANTIATE_TEST_SUITE_P(Backends, CalendarHistoryTest, ::testing::ValuesIn(test::Backends), backendName);

}  // namespace
}  // namespace zrm::server
