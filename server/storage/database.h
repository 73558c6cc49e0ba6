#pragma once

// The calendar database as the server opens it: a URL names the backend and the place, a pool hands
// out connections (one per thread at a time), and the schema is brought up to date on opening.

#include "server/storage/sqlconnection.h"
#include "server/storage/walcheckpointer.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace zrm::server {

class Database;

// A connection lent by the pool; it goes back to the pool when the lease ends, or is dropped when
// it broke meanwhile.
class ConnectionLease {
public:
    ConnectionLease(Database* database, std::unique_ptr<sql::Connection> connection)
        : m_database(database), m_connection(std::move(connection)) {}
    ~ConnectionLease();
    ConnectionLease(ConnectionLease&&) = default;
    ConnectionLease& operator=(ConnectionLease&&) = delete;

    sql::Connection& operator*() const { return *m_connection; }
    sql::Connection* operator->() const { return m_connection.get(); }

private:
    Database* m_database;
    std::unique_ptr<sql::Connection> m_connection;
};

class Database {
public:
    ~Database();

    // Wraps every connection the pool makes (tests put a fault-injecting connection around the real
    // one); the identity when empty.
    using ConnectionWrapper =
        std::function<std::unique_ptr<sql::Connection>(std::unique_ptr<sql::Connection>)>;

    // Opens the database named by url: "sqlite:PATH" (the file is created when missing) or
    // "postgresql://user:pw@host:port/db" ("postgres://" too), and creates or migrates the schema.
    // Throws BadRequest for a URL of neither form, StorageUnavailable when the database cannot be
    // reached, StoreError when its schema is newer than this server knows or out of range.
    static std::shared_ptr<Database> open(const QString& url, ConnectionWrapper wrap = {});

    sql::Dialect dialect() const { return m_dialect; }

    // True when a connection can be had and answers a trivial query (the modules' health). May
    // block on the database; never throws but for memory exhaustion.
    bool answers();

    // A connection for the calling thread's exclusive use: an idle one, or a new one.
    // Throws StorageUnavailable when a new connection cannot be made.
    ConnectionLease acquire();

    // The turn of one writer of this process: on SQLite a lock that writers take before their write
    // transaction, so that they queue here instead of sleep-polling for the database's lock; on
    // PostgreSQL, which locks rows, nothing.
    std::unique_lock<std::mutex> writeTurn();

    // A number that changes whenever any connection of any process commits a change to the database,
    // when it can be had without waiting for the database (SQLite's shared memory); nullopt on
    // PostgreSQL, whose generation is a row to read (see dataGeneration). Never throws: a failure
    // gives nullopt.
    std::optional<qint64> changeCounterAtOnce();

private:
    using Factory = std::function<std::unique_ptr<sql::Connection>()>;
    Database(sql::Dialect dialect, Factory factory) : m_dialect(dialect), m_factory(std::move(factory)) {}
    friend class ConnectionLease;
    void release(std::unique_ptr<sql::Connection> connection);

    sql::Dialect m_dialect;
    Factory m_factory;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<sql::Connection>> m_idle;
    std::mutex m_writeMutex;
    std::mutex m_watchMutex;
    std::unique_ptr<sql::Connection> m_watch;         // SQLite: reads the change counter, never writes
    std::unique_ptr<WalCheckpointer> m_checkpointer;  // SQLite: copies the log back, off the saves
    qint64 m_watchEpoch = 0;                          // counts the watch connections made, so a new one's
                                                      // counter never repeats an old one's
};

}  // namespace zrm::server
