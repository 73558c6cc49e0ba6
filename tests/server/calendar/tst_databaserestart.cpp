// The calendar module on PostgreSQL while the database is restarted, or killed and started again, in
// the middle of a storm of saves: the module goes on by itself, a save caught by the fault fails as
// transient (1003) and succeeds when sent again under its id, and the database ends up holding every
// acknowledged save exactly once, with its history entry, and nothing else. Runs beside a cluster of
// its own (scripts/with-postgres.sh exports the command that restarts it), so no other test sees the
// restarts.

#include "modulecall.h"
#include "server/calendar/calendarmodule.h"
#include "server/storage/database.h"
#include "testdatabase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace zrm::server {
namespace {

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

struct Fault {
    const char* name;
    const char* command;  // the argument of the cluster's control command
};

// One client saving its own phase over and over: each save toggles a month flag, under an id of its
// own, and is sent again under that id until it is acknowledged, as the screen does.
struct Client {
    QString code;
    QJsonArray stored;  // the row as the last acknowledged save left it
    std::atomic<int> acknowledged{0};
    std::atomic<int> transient{0};
    std::mutex mutex;
    QString unexpected;  // a failure that is not transient
};

class DatabaseRestartTest : public ::testing::TestWithParam<Fault> {
public:
    void SetUp() override {
        m_control = qEnvironmentVariable("ZRM_TEST_PG_CONTROL");
        m_testDb = test::TestDatabase::create("postgresql");
        if (m_control.isEmpty() || !m_testDb) {
            if (qEnvironmentVariable("ZRM_REQUIRE_POSTGRES") == u"1"_s)
                FAIL() << "PostgreSQL is required, and no cluster of this test's own runs";
            GTEST_SKIP() << "no PostgreSQL cluster of this test's own (run through scripts/with-postgres.sh)";
        }
        test::seed(m_testDb->url(), test::calendarFixture());
        m_module = makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
        const QJsonObject calendar = load(*m_module);
        m_fields = calendar.value(u"fields"_s).toArray();
        for (const auto& row : calendar.value(u"rows"_s).toArray())
            m_rows.insert(row.toArray().at(2).toString(), row.toArray());
    }

    static QJsonObject load(RemoteDataModule& module) {
        return test::callModule(module, "GetCalendOrcOp", {u"2026"_s, QString()}).toArray().at(0).toObject();
    }

    QJsonArray delta(const QJsonArray& old, const QJsonArray& row) const {
        const QJsonObject change{{u"op"_s, u"update"_s}, {u"old"_s, old}, {u"new"_s, row}};
        return {QJsonObject{{u"fields"_s, m_fields}, {u"changes"_s, QJsonArray{change}}}};
    }

    // Saves until stop is set, each save until acknowledged (or a failure that is not transient).
    void storm(Client& client, const std::atomic<bool>& stop) {
        for (int n = 0; !stop; ++n) {
            QJsonArray changed = client.stored;
            const int month = 8 + n % 12;
            changed[month] = client.stored.at(month).toString() == u"S"_s ? u"N"_s : u"S"_s;
            CallContext context{u"storm"_s};
            context.saveId = (client.code + u'-' + QString::number(n)).toStdString();
            for (;;) {
                try {
                    test::callModule(*m_module, "SetCalendOrcOp", delta(client.stored, changed), context);
                    client.stored = changed;
                    ++client.acknowledged;
                    break;
                } catch (const RpcError& error) {
                    if (error.code() != rpcerror::StorageUnavailable) {
                        const std::lock_guard lock(client.mutex);
                        client.unexpected = u"save %1: %2 %3"_s.arg(n).arg(error.code()).arg(error.message());
                        return;
                    }
                    ++client.transient;
                    // A client's pace between tries while the database is away.
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
        }
    }

    // Waits until every client has at least count acknowledged saves; false after a minute.
    static bool waitForSaves(const std::vector<std::unique_ptr<Client>>& clients, int count) {
        const Clock::time_point deadline = Clock::now() + std::chrono::minutes(1);
        while (Clock::now() < deadline) {
            bool all = true;
            for (const auto& client : clients)
                all = all && (client->acknowledged >= count || !client->unexpected.isEmpty());
            if (all)
                return true;
            std::this_thread::yield();
        }
        return false;
    }

    int historyOf(const QString& code) {
        std::shared_ptr<Database> database = Database::open(m_testDb->url());
        ConnectionLease connection = database->acquire();
        int count = 0;
        const std::string phase = code.toStdString();
        connection->select(
            "SELECT COUNT(*) FROM HISTCALENDORC WHERE NRANOORCOPERAC = '2026' AND CDVERSCALENORCA = 2 "
            "AND CDFASEORCOPERAC = $1",
            {phase}, [&](const sql::RowView& row) { count = int(row.integer(0)); });
        return count;
    }

    QString m_control;
    std::unique_ptr<test::TestDatabase> m_testDb;
    std::unique_ptr<RemoteDataModule> m_module;
    QJsonArray m_fields;
    QMap<QString, QJsonArray> m_rows;
};

TEST_P(DatabaseRestartTest, saveStorm_survivesTheFault_withEveryAcknowledgedSaveStoredOnce) {
    // The phases no rule keeps from changing: neither blocked nor concluded.
    std::vector<std::unique_ptr<Client>> clients;
    clients.reserve(4);
    for (const QString& code : {u"0000000001"_s, u"0000000002"_s, u"0000000004"_s, u"0000000008"_s}) {
        auto client = std::make_unique<Client>();
        client->code = code;
        client->stored = m_rows.value(code);
        clients.push_back(std::move(client));
    }
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    threads.reserve(clients.size());
    for (const auto& client : clients)
        threads.emplace_back([this, &client = *client, &stop] { storm(client, stop); });

    EXPECT_TRUE(waitForSaves(clients, 3));
    int before = 0;
    for (const auto& client : clients)
        before = std::max(before, client->acknowledged.load());
    EXPECT_EQ(QProcess::execute(m_control, {QString::fromLatin1(GetParam().command)}), 0);
    // Saves go on after the fault, without anyone restarting the module.
    EXPECT_TRUE(waitForSaves(clients, before + 5));
    stop = true;
    for (std::thread& thread : threads)
        thread.join();

    int transient = 0;
    for (const auto& client : clients) {
        SCOPED_TRACE(client->code.toStdString());
        EXPECT_TRUE(client->unexpected.isEmpty()) << client->unexpected.toStdString();
        EXPECT_EQ(historyOf(client->code), client->acknowledged.load());
        transient += client->transient;
    }
    EXPECT_GT(transient, 0) << "the fault reached no save";
    // Read through a module that kept nothing: the rows of the last acknowledged saves.
    std::unique_ptr<RemoteDataModule> fresh =
        makeCalendarModule(m_testDb->url(), ServerClock(QDate(2026, 5, 10)));
    QMap<QString, QJsonArray> stored;
    for (const auto& row : load(*fresh).value(u"rows"_s).toArray())
        stored.insert(row.toArray().at(2).toString(), row.toArray());
    for (const auto& client : clients)
        EXPECT_EQ(stored.value(client->code), client->stored) << client->code.toStdString();
    EXPECT_TRUE(m_module->healthy());
}

INSTANTIATE_TEST_SUITE_P(Faults, DatabaseRestartTest,
                         ::testing::Values(Fault{"restart", "restart"}, Fault{"killedAndStarted", "crash"}),
                         [](const ::testing::TestParamInfo<Fault>& fault) {
                             return std::string(fault.param.name);
                         });

}  // namespace
}  // namespace zrm::server
