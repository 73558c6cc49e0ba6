// Saves committed in groups: each keeps its own outcome, a group makes one commit, and a lost
// connection fails the whole group with nothing stored. On SQLite and PostgreSQL.

#include "forwardingconnection.h"
#include "server/storage/database.h"
#include "server/storage/savebatch.h"
#include "server/storage/storeerror.h"
#include "server/storage/tablestore.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zrm::server {
namespace {

// Counts the commits of every connection it wraps and can hold the next one until let go.
class CommitGate {
public:
    void holdNext() {
        const std::lock_guard lock(m_mutex);
        m_holding = true;
        m_held = false;
    }
    void letGo() {
        const std::lock_guard lock(m_mutex);
        m_holding = false;
        m_changed.notify_all();
    }
    void waitUntilHeld() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_held; });
    }
    void pass() {
        std::unique_lock lock(m_mutex);
        if (m_holding) {
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return !m_holding; });
        }
        ++commits;
    }
    std::atomic<int> commits = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_holding = false;
    bool m_held = false;
};

class GatedConnection final : public test::ForwardingConnection {
public:
    GatedConnection(std::unique_ptr<sql::Connection> inner, CommitGate& gate)
        : ForwardingConnection(std::move(inner)), m_gate(gate) {}
    void commit() override {
        m_gate.pass();
        inner().commit();
    }

private:
    CommitGate& m_gate;
};

class SaveBatchTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        m_database = Database::open(m_testDb->url(), [this](std::unique_ptr<sql::Connection> connection) {
            return std::make_unique<GatedConnection>(std::move(connection), m_gate);
        });
        m_batch = std::make_unique<SaveBatch>(m_database, [this](sql::Connection&) { ++m_beforeCommits; });
        m_gate.commits = 0;  // opening the database committed its schema
    }

    // A save of one phase; refused after writing it when refuse is set.
    static SaveBatch::Save insertPhase(const std::string& code, bool refuse = false) {
        return [code, refuse](sql::Connection& connection) {
            TableStore(connection).insert(PhaseRecord{code, "Fase " + code, "N", "N", ""});
            if (refuse)
                throw RuleRefused(QStringLiteral("recusada"));
        };
    }
    std::vector<std::string> storedPhases() {
        ConnectionLease connection = m_database->acquire();
        std::vector<std::string> codes;
        for (const PhaseRecord& phase : TableStore(*connection).phases())
            codes.push_back(phase.code);
        return codes;
    }
    // Runs the saves while the commit of a first save (of phase firstCode) is held, so that they
    // queue and form one group.
    std::vector<std::exception_ptr> runAsOneGroup(const std::string& firstCode,
                                                  const std::vector<SaveBatch::Save>& saves) {
        m_gate.holdNext();
        std::thread first([&] { m_batch->run(insertPhase(firstCode)); });
        m_gate.waitUntilHeld();
        std::vector<std::exception_ptr> outcomes(saves.size());
        std::vector<std::thread> callers;
        for (std::size_t i = 0; i < saves.size(); ++i) {
            callers.emplace_back([&, i] {
                try {
                    m_batch->run(saves[i]);
                } catch (...) {
                    outcomes[i] = std::current_exception();
                }
            });
            while (m_batch->waiting() < i + 1)
                std::this_thread::yield();
        }
        m_gate.letGo();
        first.join();
        for (std::thread& caller : callers)
            caller.join();
        return outcomes;
    }
    static bool refused(const std::exception_ptr& outcome) {
        try {
            if (outcome)
                std::rethrow_exception(outcome);
        } catch (const RuleRefused&) {
            return true;
        } catch (...) {
        }
        return false;
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    CommitGate m_gate;
    std::shared_ptr<Database> m_database;
    std::unique_ptr<SaveBatch> m_batch;
    std::atomic<int> m_beforeCommits = 0;
};

// Saves that queue while another commits go in one transaction with one commit; the refused one is
// rolled back to its savepoint, writes and all, and the others are stored.
TEST_P(SaveBatchTest, queuedSaves_commitOnceTogether_eachWithItsOwnOutcome) {
    const std::vector<std::exception_ptr> outcomes = runAsOneGroup(
        "0000000001",
        {insertPhase("0000000002"), insertPhase("0000000003", true), insertPhase("0000000004")});
    EXPECT_EQ(outcomes[0], nullptr);
    EXPECT_TRUE(refused(outcomes[1]));
    EXPECT_EQ(outcomes[2], nullptr);
    EXPECT_EQ(storedPhases(), (std::vector<std::string>{"0000000001", "0000000002", "0000000004"}));
    EXPECT_EQ(m_gate.commits, 2);
    EXPECT_EQ(m_beforeCommits, 2);
}

// A group whose every save is refused commits nothing; a save that writes a taken key is refused by
// the database within its savepoint without harming the rest.
TEST_P(SaveBatchTest, refusedSaves_commitNothing_andADatabaseRefusalStaysWithItsSave) {
    const std::vector<std::exception_ptr> allRefused =
        runAsOneGroup("0000000001", {insertPhase("0000000002", true), insertPhase("0000000003", true)});
    EXPECT_TRUE(refused(allRefused[0]));
    EXPECT_TRUE(refused(allRefused[1]));
    EXPECT_EQ(m_gate.commits, 1);
    EXPECT_EQ(m_beforeCommits, 1);

    // The second duplicate's write waits for the next statement, as a save's last writes do: its
    // failure still comes back to it.
    const std::vector<std::exception_ptr> outcomes = runAsOneGroup(
        "0000000004", {insertPhase("0000000005"), insertPhase("0000000005"),
                       [](sql::Connection& connection) {
                           connection.deferWritesToCommit();
                           TableStore(connection).insert(PhaseRecord{"0000000005", "Fase", "N", "N", ""});
                       },
                       insertPhase("0000000006")});
    EXPECT_EQ(outcomes[0], nullptr);
    EXPECT_THROW(std::rethrow_exception(outcomes[1]), Conflict);
    EXPECT_THROW(std::rethrow_exception(outcomes[2]), Conflict);
    EXPECT_EQ(outcomes[3], nullptr);
    EXPECT_EQ(storedPhases(),
              (std::vector<std::string>{"0000000001", "0000000004", "0000000005", "0000000006"}));
}

// Losing the connection in the middle of a group fails every save of it and stores none; the next
// save works on a new connection.
TEST_P(SaveBatchTest, lostConnection_failsTheWholeGroupWithNothingStored) {
    if (GetParam() == "sqlite")
        GTEST_SKIP() << "an SQLite file has no connection to lose";
    const std::vector<std::exception_ptr> outcomes = runAsOneGroup(
        "0000000001", {insertPhase("0000000002"),
                       [this](sql::Connection& connection) {
                           m_testDb->terminateConnections();
                           TableStore(connection).insert(PhaseRecord{"0000000003", "Fase", "N", "N", ""});
                       },
                       insertPhase("0000000004")});
    for (const std::exception_ptr& outcome : outcomes)
        EXPECT_THROW(std::rethrow_exception(outcome), StorageUnavailable);
    m_batch->run(insertPhase("0000000005"));
    EXPECT_EQ(storedPhases(), (std::vector<std::string>{"0000000001", "0000000005"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, SaveBatchTest, ::testing::ValuesIn(test::Backends),
                         [](const testing::TestParamInfo<std::string>& backend) { return backend.param; });

}  // namespace
}  // namespace zrm::server
