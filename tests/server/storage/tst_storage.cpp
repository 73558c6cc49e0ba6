// The storage layer on both backends: schema creation and migration, error mapping, transactions,
// date-times, and values that look like SQL.

#include "forwardingconnection.h"
#include "server/storage/calendarstore.h"
#include "server/storage/database.h"
#include "server/storage/datetext.h"
#include "server/storage/generationread.h"
#include "server/storage/postgresqlconnection.h"
#include "server/storage/schema.h"
#include "server/storage/sqliteconnection.h"
#include "server/storage/storeerror.h"
#include "server/storage/tablestore.h"
#include "server/storage/walcheckpointer.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace zrm::server {
namespace {

class StorageTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_testDb = test::TestDatabase::create(GetParam());
        if (!m_testDb)
            GTEST_SKIP() << "ZRM_TEST_PG_URL is not set (run through scripts/with-postgres.sh)";
        m_database = Database::open(m_testDb->url());
    }

    PhaseRecord phase(const std::string& code, const std::string& name = "Fase") {
        return PhaseRecord{code, name, "N", "N", ""};
    }

    std::unique_ptr<test::TestDatabase> m_testDb;
    std::shared_ptr<Database> m_database;
};

TEST_P(StorageTest, open_twice_keepsDataAndSchemaVersion) {
    {
        ConnectionLease connection = m_database->acquire();
        TableStore(*connection).insert(phase("0000000001"));
    }
    std::shared_ptr<Database> again = Database::open(m_testDb->url());
    ConnectionLease connection = again->acquire();
    EXPECT_EQ(TableStore(*connection).phases().size(), 1u);
    int version = 0;
    connection->select("SELECT NRVERSAO FROM ZRMSCHEMA", {},
                       [&](const sql::RowView& row) { version = int(row.integer(0)); });
    EXPECT_EQ(version, currentSchemaVersion());
}

TEST_P(StorageTest, open_withNewerSchema_isRefused) {
    {
        ConnectionLease connection = m_database->acquire();
        connection->execute("UPDATE ZRMSCHEMA SET NRVERSAO = $1", {currentSchemaVersion() + 1});
    }
    try {
        Database::open(m_testDb->url());
        FAIL() << "a newer schema was accepted";
    } catch (const StoreError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("versão mais nova"))) << error.what();
    }
}

// A stored version below zero, or one that only a cut to 32 bits would bring into range, is refused
// before any migration is looked up by it.
TEST_P(StorageTest, open_withSchemaVersionOutOfRange_isRefused) {
    std::vector<qint64> values{-1, -2147483647};
    if (GetParam() == "sqlite")
        values.push_back((qint64(1) << 32) + 1);  // PostgreSQL's column holds 32 bits only
    for (const qint64 stored : values) {
        {
            ConnectionLease connection = m_database->acquire();
            connection->execute("UPDATE ZRMSCHEMA SET NRVERSAO = $1", {stored});
        }
        try {
            Database::open(m_testDb->url());
            ADD_FAILURE() << "schema version " << stored << " was accepted";
        } catch (const StoreError& error) {
            EXPECT_FALSE(error.message().isEmpty());
        }
    }
}

// Prepared statements belong to their text, not to where the text sits in memory: two texts built at
// the same address run as themselves.
TEST_P(StorageTest, statementsAreKeptByTheirText) {
    ConnectionLease connection = m_database->acquire();
    TableStore(*connection).insert(phase("0000000001", "Primeira"));
    char text[64];
    std::string seen;
    for (const char* query : {"SELECT NMFASEORCOPERAC FROM FASEORC", "SELECT CDFASEORCOPERAC FROM FASEORC"}) {
        std::snprintf(text, sizeof text, "%s", query);
        connection->select(text, {},
                           [&](const sql::RowView& row) { seen += std::string(row.text(0)) + ";"; });
    }
    EXPECT_EQ(seen, "Primeira;0000000001;");
}

TEST_P(StorageTest, open_ofOlderSchema_appliesTheMissingMigrations) {
    ASSERT_GE(currentSchemaVersion(), 2);
    const auto hasStartIndex = [](sql::Connection& connection) {
        bool found = false;
        connection.select(
            connection.dialect() == sql::Dialect::Sqlite
                ? "SELECT name FROM sqlite_master WHERE type = 'index' AND name = 'CALENDORCOP_INICIO'"
                : "SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() "
                  "AND indexname = 'calendorcop_inicio'",
            {}, [&](const sql::RowView&) { found = true; });
        return found;
    };
    {
        ConnectionLease connection = m_database->acquire();
        ASSERT_TRUE(hasStartIndex(*connection));
        // Back to the first schema, as a database made by the first release would be.
        test::rollBackSchema(*connection, 1);
        TableStore(*connection).insert(phase("0000000001"));
    }
    std::shared_ptr<Database> migrated = Database::open(m_testDb->url());
    ConnectionLease connection = migrated->acquire();
    EXPECT_TRUE(hasStartIndex(*connection));
    EXPECT_EQ(TableStore(*connection).phases().size(), 1u);
}

// A database made by each older server, holding data, is upgraded in place: the data stays, the
// versions get an empty description, the concluded uses an unknown date, and each year's highest
// version number is the highest it holds.
TEST_P(StorageTest, open_ofOlderSchemaWithData_upgradesInPlace) {
    // From schema 5 on, the server itself keeps each year's highest version number as it adds
    // versions: the rows written here behind its back are a database of the schemas before.
    constexpr int FirstSchemaKeepingHighestVersions = 5;
    for (int from = 1; from < FirstSchemaKeepingHighestVersions; ++from) {
        std::unique_ptr<test::TestDatabase> older = test::TestDatabase::create(GetParam());
        const QString url = older->url();
        {
            std::unique_ptr<sql::Connection> connection;
            if (url.startsWith(QStringLiteral("sqlite:")))
                connection = std::make_unique<sql::SqliteConnection>(url.mid(7));
            else
                connection = std::make_unique<sql::PostgresqlConnection>(url);
            migrateSchema(*connection, from);
            connection->executeScript(
                "INSERT INTO FASEORC (CDFASEORCOPERAC, NMFASEORCOPERAC) VALUES ('0000000001', 'Premissas');"
                "INSERT INTO VERSAOORC (CDANOVERORCA, CDVERSAOORCA) VALUES ('2026', 1), ('2026', 3), "
                "('2025', 2);"
                "INSERT INTO CALENDORCOP (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, DTINIFASEORCA, "
                "DTFINFASEORCA) VALUES ('2026', 3, '0000000001', '2026-01-05 00:00:00', '2026-01-30 "
                "00:00:00');"
                "INSERT INTO FASECONCL (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, CDFILIAL) "
                "VALUES ('2026', 3, '0000000001', '0001');");
        }
        std::shared_ptr<Database> upgraded = Database::open(url);
        ConnectionLease connection = upgraded->acquire();
        TableStore tables(*connection);
        const std::vector<VersionRecord> versions = tables.versions();
        ASSERT_EQ(versions.size(), 3u) << "from schema " << from;
        EXPECT_EQ(versions.back().version, 3);
        EXPECT_TRUE(versions.back().description.empty());
        ASSERT_EQ(tables.calendar().size(), 1u);
        EXPECT_EQ(tables.calendar().front().start, "2026-01-05T00:00:00");
        ASSERT_EQ(tables.concluded().size(), 1u);
        EXPECT_TRUE(tables.concluded().front().concludedAt.empty());
        const std::vector<UsedVersionRecord> used = tables.usedVersions();
        ASSERT_EQ(used.size(), 2u);
        EXPECT_EQ(used.at(0).year, "2025");
        EXPECT_EQ(used.at(0).highest, 2);
        EXPECT_EQ(used.at(1).highest, 3);
    }
}

TEST_P(StorageTest, insert_ofDuplicateKey_isConflict) {
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    tables.insert(phase("0000000001"));
    EXPECT_THROW(tables.insert(phase("0000000001", "Outra")), Conflict);
    ASSERT_EQ(tables.phases().size(), 1u);
    EXPECT_EQ(tables.phases().front().name, "Fase");
}

TEST_P(StorageTest, insert_withBrokenReferenceOrCheck_isBadRequest) {
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    CalendarRecord orphan;
    orphan.key = {"2026", 1, "0000000001"};
    orphan.start = orphan.end = "2026-01-01T00:00:00";
    EXPECT_THROW(tables.insert(orphan), BadRequest);
    EXPECT_THROW(tables.insert(PhaseRecord{"0000000002", "Fase", "X", "", ""}), BadRequest);
    EXPECT_TRUE(tables.phases().empty());
}

TEST_P(StorageTest, transaction_withoutCommit_isRolledBack) {
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    {
        sql::Transaction transaction(*connection);
        tables.insert(phase("0000000001"));
        EXPECT_EQ(tables.phases().size(), 1u);
    }
    EXPECT_TRUE(tables.phases().empty());
    {
        sql::Transaction transaction(*connection);
        tables.insert(phase("0000000002"));
        transaction.commit();
    }
    EXPECT_EQ(tables.phases().size(), 1u);
}

TEST_P(StorageTest, transaction_afterFailedStatement_rollsBackAndConnectionStaysUsable) {
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    try {
        sql::Transaction transaction(*connection);
        tables.insert(phase("0000000001"));
        tables.insert(phase("0000000001"));
        transaction.commit();
    } catch (const Conflict&) {
    }
    EXPECT_TRUE(tables.phases().empty());
    tables.insert(phase("0000000003"));
    EXPECT_EQ(tables.phases().size(), 1u);
}

// Writes that travel with the commit behave as if run at once: a failing one fails the commit with
// the same error and takes every write of the transaction with it, a read in between sees them,
// and the connection stays usable. A connection lost before the commit cannot tell what was stored.
TEST_P(StorageTest, writesDeferredToTheCommit_failAndSucceedAsTheyWouldAtOnce) {
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    try {
        sql::Transaction transaction(*connection);
        tables.insert(phase("0000000001"));
        connection->deferWritesToCommit();
        tables.insert(phase("0000000002"));
        tables.insert(phase("0000000001", "Outra"));
        transaction.commit();
        ADD_FAILURE() << "a duplicate key was committed";
    } catch (const Conflict&) {
    }
    EXPECT_TRUE(tables.phases().empty());

    const qint64 generation = dataGeneration(*connection);
    {
        sql::Transaction transaction(*connection);
        connection->deferWritesToCommit();
        tables.insert(phase("0000000003"));
        EXPECT_EQ(tables.phases().size(), 1u) << "a read after deferred writes sees them";
        tables.insert(phase("0000000004"));
        markDataChanged(*connection);
        transaction.commit();
    }
    EXPECT_EQ(tables.phases().size(), 2u);
    EXPECT_EQ(dataGeneration(*connection), generation + 1);

    {
        sql::Transaction transaction(*connection);
        connection->deferWritesToCommit();
        tables.insert(phase("0000000005"));
        if (m_testDb->terminateConnections()) {
            EXPECT_THROW(transaction.commit(), CommitOutcomeUnknown);
        }
    }
    ConnectionLease fresh = m_database->acquire();
    EXPECT_EQ(TableStore(*fresh).phases().size(), 2u);
}

TEST_P(StorageTest, snapshot_doesNotSeeLaterCommits) {
    ConnectionLease reader = m_database->acquire();
    ConnectionLease writer = m_database->acquire();
    TableStore(*writer).insert(phase("0000000001"));
    {
        sql::Transaction snapshot(*reader, sql::Transaction::Kind::Snapshot);
        EXPECT_EQ(TableStore(*reader).phases().size(), 1u);
        TableStore(*writer).insert(phase("0000000002"));
        EXPECT_EQ(TableStore(*reader).phases().size(), 1u);
        snapshot.commit();
    }
    EXPECT_EQ(TableStore(*reader).phases().size(), 2u);
}

TEST_P(StorageTest, dateTimes_comeBackInWireForm) {
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    tables.insert(CycleRecord{"2026", "2026-01-01T00:00:00", "2026-12-01T23:59:58.250"});
    const std::vector<CycleRecord> cycles = tables.cycles();
    ASSERT_EQ(cycles.size(), 1u);
    EXPECT_EQ(cycles[0].firstMonth, "2026-01-01T00:00:00");
    EXPECT_EQ(cycles[0].lastMonth, "2026-12-01T23:59:58.250");
}

TEST_P(StorageTest, textThatLooksLikeSql_isStoredVerbatimAndHarmless) {
    const std::string hostile = "x'); DROP TABLE FASEORC; -- \"ç\\";
    ConnectionLease connection = m_database->acquire();
    TableStore tables(*connection);
    tables.insert(phase("0000000001", hostile));
    tables.insert(phase("' OR 1=1", "Outra"));
    const std::vector<PhaseRecord> phases = tables.phases();
    ASSERT_EQ(phases.size(), 2u);
    EXPECT_EQ(phases[0].code, "' OR 1=1");
    EXPECT_EQ(phases[1].name, hostile);
}

TEST_P(StorageTest, pool_givesSeparateConnectionsToConcurrentLeases) {
    ConnectionLease first = m_database->acquire();
    ConnectionLease second = m_database->acquire();
    EXPECT_NE(&*first, &*second);
    // A write transaction on one connection does not hide committed data from the other.
    TableStore(*first).insert(phase("0000000001"));
    EXPECT_EQ(TableStore(*second).phases().size(), 1u);
}

// Counts the queries run on the connection it wraps.
class CountingConnection final : public test::ForwardingConnection {
public:
    using ForwardingConnection::ForwardingConnection;
    void select(const char* sql, sql::Params params, const sql::RowHandler& onRow) override {
        ++selects;
        ForwardingConnection::select(sql, params, onRow);
    }
    int selects = 0;
};

TEST_P(StorageTest, timeline_readsEveryPhaseOfTheCalendarWithItsStateInOneQuery) {
    test::seed(m_testDb->url(), test::calendarFixture());
    const std::shared_ptr<Database> database =
        Database::open(m_testDb->url(), [](std::unique_ptr<sql::Connection> inner) {
            return std::make_unique<CountingConnection>(std::move(inner));
        });
    ConnectionLease connection = database->acquire();
    auto& counting = dynamic_cast<CountingConnection&>(*connection);
    const int before = counting.selects;
    const QList<calendar::TimelinePhase> phases = CalendarStore(counting).timeline("2026", 2);
    EXPECT_EQ(counting.selects - before, 1);

    const struct {
        const char* code;
        QDate start, end;
        bool calculation, blocked, concluded;
        calendar::PermittedMonths months;
    } expected[] = {
        {"0000000001", {2026, 1, 5}, {2026, 1, 30}, false, false, false, {}},
        {"0000000002",
         {2026, 2, 2},
         {2026, 3, 13},
         true,
         false,
         false,
         {true, true, false, false, false, false, false, false, false, false, false, true}},
        {"0000000003", {2026, 3, 20}, {2026, 3, 31}, false, true, false, {}},
        {"0000000004", {2026, 5, 10}, {2026, 5, 20}, false, false, false, {}},
        // Concluded by two branches, and still one phase.
        {"0000000005", {2026, 6, 1}, {2026, 6, 12}, false, false, true, {}},
        {"0000000008", {2026, 7, 1}, {2026, 7, 31}, true, false, false, {}},
    };
    ASSERT_EQ(phases.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < phases.size(); ++i) {
        const auto& want = expected[i];
        const calendar::TimelinePhase& phase = phases[i];
        SCOPED_TRACE(want.code);
        EXPECT_EQ(phase.code, QLatin1String(want.code));
        EXPECT_FALSE(phase.name.isEmpty());
        EXPECT_EQ(phase.start, want.start);
        EXPECT_EQ(phase.end, want.end);
        EXPECT_EQ(phase.calculation, want.calculation);
        EXPECT_EQ(phase.blocked, want.blocked);
        EXPECT_EQ(phase.concluded, want.concluded);
        EXPECT_EQ(phase.permittedMonths, want.months);
        EXPECT_FALSE(phase.conflict);
    }
    EXPECT_EQ(phases[2].name, QStringLiteral("Consolidação"));
    // The concluded uses of version 2 are not those of version 1.
    for (const calendar::TimelinePhase& phase : CalendarStore(counting).timeline("2026", 1))
        EXPECT_FALSE(phase.concluded) << phase.code.toStdString();
    EXPECT_TRUE(CalendarStore(counting).timeline("2026", 3).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, StorageTest, ::testing::ValuesIn(test::Backends),
                         [](const testing::TestParamInfo<std::string>& backend) { return backend.param; });

// Saves do not copy the log back into the database file themselves (the pool's connections leave
// that to the checkpointer); the checkpointer's thread does, shortly after the writes.
TEST(WalCheckpointer, copiesTheLogBackOffTheSaves) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wal.sqlite"));
    {
        std::shared_ptr<Database> database = Database::open(QStringLiteral("sqlite:") + path);
        ConnectionLease pooled = database->acquire();
        qint64 threshold = -1;
        pooled->select("PRAGMA wal_autocheckpoint", {},
                       [&](const sql::RowView& row) { threshold = row.integer(0); });
        EXPECT_EQ(threshold, 0);
    }
    sql::SqliteConnection writer(path);
    writer.executeScript("PRAGMA wal_autocheckpoint=0");
    const qint64 sizeBefore = QFileInfo(path).size();
    {
        sql::Transaction transaction(writer);
        for (int i = 0; i < 3000; ++i) {
            TableStore(writer).insert(PhaseRecord{QString::number(i).rightJustified(10, u'0').toStdString(),
                                                  std::string(90, 'x'), "N", "N", ""});
        }
        transaction.commit();
    }
    EXPECT_EQ(QFileInfo(path).size(), sizeBefore) << "the commit copied the log itself";

    WalCheckpointer checkpointer([&] { return std::make_unique<sql::SqliteConnection>(path); },
                                 std::chrono::milliseconds(10));
    // A checkpoint may copy the log back in several passes: wait for the whole of it, not the first.
    const qint64 copiedBack = sizeBefore + 3000 * 90;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (QFileInfo(path).size() <= copiedBack && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_GT(QFileInfo(path).size(), copiedBack);
    EXPECT_EQ(TableStore(writer).phases().size(), 3000u);
}

// A database whose generation read can be held open: a read numbers itself and, while held, waits
// until it is let go.
class HeldReads {
public:
    std::optional<qint64> read() {
        std::unique_lock lock(m_mutex);
        const qint64 number = ++m_begun;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_letGo >= number; });
        if (m_failing)
            throw StorageUnavailable(QStringLiteral("sem banco"));
        return number;
    }
    void waitUntilBegun(qint64 reads) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_begun >= reads; });
    }
    void letGo(qint64 reads, bool failing = false) {
        const std::lock_guard lock(m_mutex);
        m_letGo = reads;
        m_failing = failing;
        m_changed.notify_all();
    }
    qint64 begun() {
        const std::lock_guard lock(m_mutex);
        return m_begun;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_begun = 0;
    qint64 m_letGo = 0;
    bool m_failing = false;
};

// A request that arrives while the generation is being read must not take that read's value: the
// read may have begun before a write that the requester already saw acknowledged.
TEST(SharedGenerationRead, aCallDuringARead_getsTheNextRead) {
    HeldReads database;
    SharedGenerationRead generation([&] { return database.read(); });
    std::optional<qint64> first;
    std::optional<qint64> second;
    std::thread early([&] { first = generation.current(); });
    database.waitUntilBegun(1);
    std::thread late([&] { second = generation.current(); });
    while (generation.waiting() < 1)
        std::this_thread::yield();
    database.letGo(1);
    database.waitUntilBegun(2);
    database.letGo(2);
    early.join();
    late.join();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(database.begun(), 2);
}

// Under load every caller still gets a read that began after it called, while callers that wait
// together share reads.
TEST(SharedGenerationRead, concurrentCallers_shareReadsThatBeganAfterThem) {
    std::atomic<qint64> reads = 0;
    SharedGenerationRead generation([&]() -> std::optional<qint64> {
        std::this_thread::yield();
        return ++reads;
    });
    constexpr int Threads = 8;
    constexpr int Calls = 300;
    std::atomic<int> stale = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < Calls; ++i) {
                const qint64 before = reads.load();
                const std::optional<qint64> value = generation.current();
                if (!value || *value <= before)
                    ++stale;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(stale, 0);
}

// Callers that arrive during one read share the next: one trip to the database for all of them.
TEST(SharedGenerationRead, callersWaitingTogether_shareOneRead) {
    HeldReads database;
    SharedGenerationRead generation([&] { return database.read(); });
    std::thread early([&] { generation.current(); });
    database.waitUntilBegun(1);
    constexpr int Late = 5;
    std::vector<std::optional<qint64>> values(Late);
    std::vector<std::thread> late;
    for (int i = 0; i < Late; ++i)
        late.emplace_back([&, i] { values[i] = generation.current(); });
    while (generation.waiting() < Late)
        std::this_thread::yield();
    database.letGo(2);
    early.join();
    for (std::thread& thread : late)
        thread.join();
    EXPECT_EQ(values, std::vector<std::optional<qint64>>(Late, 2));
    EXPECT_EQ(database.begun(), 2);
}

// A failed read fails only the callers waiting for it; the next caller reads again.
TEST(SharedGenerationRead, failedRead_givesNothingToItsCallersAndIsNotKept) {
    HeldReads database;
    SharedGenerationRead generation([&] { return database.read(); });
    std::optional<qint64> failed = 0;
    std::thread caller([&] { failed = generation.current(); });
    database.waitUntilBegun(1);
    database.letGo(1, true);
    caller.join();
    EXPECT_EQ(failed, std::nullopt);
    database.letGo(2);
    EXPECT_EQ(generation.current(), 2);
}

// The network threads ask without waiting: the call returns while the read is still held, and the
// answer comes from the reading thread, for the read that began after the call.
TEST(SharedGenerationRead, whenRead_returnsAtOnce_andIsToldFromTheReadingThread) {
    HeldReads database;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::optional<qint64>, std::thread::id>> told;
    auto tell = [&](std::optional<qint64> value) {
        const std::lock_guard lock(mutex);
        told.emplace_back(value, std::this_thread::get_id());
        changed.notify_all();
    };
    SharedGenerationRead generation([&] { return database.read(); });
    generation.whenRead(tell);
    database.waitUntilBegun(1);
    generation.whenRead(tell);  // during the held read: for the next one
    EXPECT_EQ(generation.waiting(), 1);
    database.letGo(2);
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return told.size() == 2; });
    EXPECT_EQ(told[0].first, 1);
    EXPECT_EQ(told[1].first, 2);
    EXPECT_EQ(told[0].second, told[1].second);
    EXPECT_NE(told[0].second, std::this_thread::get_id());
}

TEST(StorageOpen, unknownUrl_isBadRequest) {
    EXPECT_THROW(Database::open(QStringLiteral("mysql://x")), BadRequest);
    EXPECT_THROW(Database::open(QStringLiteral("sqlite:")), BadRequest);
}

TEST(StorageOpen, unreachablePostgresql_isUnavailable) {
    EXPECT_THROW(Database::open(QStringLiteral("postgresql://zrm:x@127.0.0.1:1/zrm?connect_timeout=2")),
                 StorageUnavailable);
}

TEST(StorageOpen, sqliteInMissingFolder_isUnavailable) {
    EXPECT_THROW(Database::open(QStringLiteral("sqlite:/nonexistent-folder/x/calendar.db")),
                 StorageUnavailable);
}

TEST(WireDateTime, normalisesBothBackendsForms) {
    EXPECT_EQ(wireDateTime("2026-03-10 00:00:00"), "2026-03-10T00:00:00");
    EXPECT_EQ(wireDateTime("2026-03-10 00:00:00.5"), "2026-03-10T00:00:00.500");
    EXPECT_EQ(wireDateTime("2026-03-10T00:00:00.000"), "2026-03-10T00:00:00");
    EXPECT_EQ(wireDateTime("2026-03-10T08:00:01.123"), "2026-03-10T08:00:01.123");
    EXPECT_EQ(wireDateTime(""), "");
}

}  // namespace
}  // namespace zrm::server
