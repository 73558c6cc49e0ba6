#pragma once

// The calendar database as the server opens it: a URL names the backend and the place, a pool hands
// out connections (one per thread at a time), and the schema is brought up to date on opening.

#include "server/storage/sqlconnection.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
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
    // Opens the database named by url: "sqlite:PATH" (the file is created when missing) or
    // "postgresql://user:pw@host:port/db" ("postgres://" too), and creates or migrates the schema.
    // Throws BadRequest for a URL of neither form, StorageUnavailable when the database cannot be
    // reached, StoreError when its schema is newer than this server knows.
    static std::shared_ptr<Database> open(const QString& url);

    sql::Dialect dialect() const { return m_dialect; }

    // A connection for the calling thread's exclusive use: an idle one, or a new one.
    // Throws StorageUnavailable when a new connection cannot be made.
    ConnectionLease acquire();

private:
    using Factory = std::function<std::unique_ptr<sql::Connection>()>;
    Database(sql::Dialect dialect, Factory factory) : m_dialect(dialect), m_factory(std::move(factory)) {}
    friend class ConnectionLease;
    void release(std::unique_ptr<sql::Connection> connection);

    sql::Dialect m_dialect;
    Factory m_factory;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<sql::Connection>> m_idle;
};

}  // namespace zrm::server
