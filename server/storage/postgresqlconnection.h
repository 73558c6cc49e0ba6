#pragma once

#include "server/storage/sqlconnection.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace zrm::server::sql {

// A connection to a PostgreSQL database through libpq. Statements are prepared on first use under a
// name of their own and executed with text parameters. Used by one thread at a time.
class PostgresqlConnection final : public Connection {
public:
    // Connects with a libpq connection URI ("postgresql://user:pw@host:port/db"). Throws
    // StorageUnavailable when the server cannot be reached or refuses the login.
    explicit PostgresqlConnection(const QString& url);
    ~PostgresqlConnection() override;

    Dialect dialect() const override { return Dialect::Postgresql; }
    void executeScript(std::string_view sql) override;
    qint64 execute(const char* sql, Params params) override;
    void select(const char* sql, Params params, const RowHandler& onRow) override;
    void beginWrite() override;
    void beginSnapshot() override;
    void commit() override;
    void deferWritesToCommit() override { m_deferring = true; }
    void executeLater(std::string_view sql) override;
    void rollback() noexcept override;
    bool isBroken() const override;

private:
    // A statement as sent: a prepared one (sql) with copies of its parameters, or a command.
    struct Statement {
        std::string command;
        const char* sql = nullptr;
        std::vector<std::optional<std::string>> params;
    };
    static Statement statementOf(const char* sql, Params params);
    pg_result* run(const char* sql, Params params);
    // Sends the deferred statements and last in one pipeline, reads every answer and returns
    // last's; throws the first failure, as the statement that failed would have.
    pg_result* sendWithDeferred(const Statement& last);
    bool send(const Statement& statement);
    const std::string& prepared(const char* sql, int parameterCount);
    [[noreturn]] void fail(pg_result* raw);

    struct Finish {
        void operator()(pg_conn* conn) const;
    };
    // Owned from the first line of the constructor, so a constructor that throws closes it too.
    std::unique_ptr<pg_conn, Finish> m_handle;
    pg_conn* m_conn = nullptr;  // m_handle's pointer
    std::unordered_map<std::string, std::string, StatementTextHash, std::equal_to<>> m_statementNames;
    bool m_deferring = false;           // execute() defers its statements
    std::vector<Statement> m_deferred;  // to go with the next statement whose answer is waited for
};

}  // namespace zrm::server::sql
