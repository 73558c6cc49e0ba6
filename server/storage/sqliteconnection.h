#pragma once

#include "server/storage/sqlconnection.h"

#include <QString>

#include <memory>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace zrm::server::sql {

// A connection to an SQLite database file. Write-ahead log, full synchronisation (an acknowledged
// commit survives a crash of the process or the machine), a busy timeout instead of immediate lock
// errors, and foreign keys enforced. Used by one thread at a time.
class SqliteConnection final : public Connection {
public:
    // Opens (creating when missing) the file at path. Throws StorageUnavailable when it cannot.
    explicit SqliteConnection(const QString& path);
    ~SqliteConnection() override;

    Dialect dialect() const override { return Dialect::Sqlite; }
    void executeScript(std::string_view sql) override;
    qint64 execute(const char* sql, Params params) override;
    void select(const char* sql, Params params, const RowHandler& onRow) override;
    void beginWrite() override;
    void beginSnapshot() override;
    void commit() override;
    void rollback() noexcept override;
    bool isBroken() const override { return m_broken; }

private:
    sqlite3_stmt* prepared(const char* sql);
    void bind(sqlite3_stmt* statement, Params params);
    [[noreturn]] void fail(int code);

    sqlite3* m_db = nullptr;
    bool m_broken = false;
    std::unordered_map<std::string, sqlite3_stmt*, StatementTextHash, std::equal_to<>> m_statements;
};

}  // namespace zrm::server::sql
