#pragma once

// One connection to the calendar database, as the layers above the backends see it: parameterised
// statements prepared once per connection and cached, rows read as text or integers, and explicit
// transactions. The SQLite and PostgreSQL backends are siblings behind this interface; statements are
// written once with PostgreSQL's numbered placeholders ($1, $2 ...), which the SQLite backend maps.
// No value ever reaches SQL as text: every value travels as a bound parameter.

#include <QtGlobal>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace zrm::server::sql {

// Hash of statement texts that finds a std::string key from a plain pointer to the text too.
struct StatementTextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

}  // namespace zrm::server::sql

namespace zrm::server::sql {

enum class Dialect { Sqlite, Postgresql };

// A bound value: null, text or an integer.
class Param {
public:
    Param(std::nullptr_t) {}
    Param(std::string_view text) : m_value(text) {}
    Param(const std::string& text) : m_value(std::string_view(text)) {}
    Param(const char* text) : m_value(std::string_view(text)) {}
    Param(qint64 number) : m_value(number) {}
    Param(int number) : m_value(qint64(number)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_value); }
    bool isInteger() const { return std::holds_alternative<qint64>(m_value); }
    std::string_view text() const { return std::get<std::string_view>(m_value); }
    qint64 integer() const { return std::get<qint64>(m_value); }

private:
    std::variant<std::monostate, std::string_view, qint64> m_value;
};

// Null text and empty text are the same value to this system: an empty string binds as null.
inline Param textOrNull(std::string_view text) {
    return text.empty() ? Param(nullptr) : Param(text);
}

// The current row of a result. Valid only inside the row handler it is passed to.
class RowView {
public:
    virtual ~RowView() = default;
    virtual bool isNull(int column) const = 0;
    virtual std::string_view text(int column) const = 0;  // empty for null
    virtual qint64 integer(int column) const = 0;         // 0 for null
};

using Params = std::initializer_list<Param>;
using RowHandler = std::function<void(const RowView&)>;

class Connection {
public:
    Connection() = default;
    virtual ~Connection() = default;
    // A connection owns a database handle: copying it would close the handle twice.
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    virtual Dialect dialect() const = 0;

    // Runs SQL without parameters, possibly several statements (schema changes, transaction control).
    // Throws StoreError (see storeerror.h) on failure.
    virtual void executeScript(std::string_view sql) = 0;

    // Runs one parameterised statement and returns the number of rows it changed. The statement is
    // prepared on its first use and kept under its text for the connection's life.
    // Throws StoreError: Conflict for a unique-key violation or a lost serialisation race,
    // BadRequest for a violated check or reference, StorageUnavailable when the database is
    // unreachable or busy.
    virtual qint64 execute(const char* sql, Params params) = 0;

    // Runs one parameterised query and calls onRow for each row of its result, in order. sql as for
    // execute. Throws as execute; an exception thrown by onRow ends the query and passes through unchanged.
    virtual void select(const char* sql, Params params, const RowHandler& onRow) = 0;

    // Starts a transaction that will write: SQLite takes the write lock at once (so two writers never
    // deadlock on a lock upgrade), PostgreSQL starts a read-committed transaction with the first
    // statement of it.
    virtual void beginWrite() = 0;
    // Starts a transaction that only reads and sees one consistent state of the database throughout,
    // whatever other connections commit meanwhile. End it with commit() or rollback().
    virtual void beginSnapshot() = 0;
    // Commits. Throws CommitOutcomeUnknown when the connection fails during the commit, so that the
    // change may or may not have been stored.
    virtual void commit() = 0;
    // Lets the statements that execute() runs from here to the end of the transaction wait for the
    // next statement whose answer is waited for (a select, a script, the commit): a backend across
    // the network sends them together in one trip and reports a failure of theirs from that call,
    // as execute() would have; execute() then returns -1, the count being unknown. For the writes
    // at the end of a transaction whose counts are not needed, so that its locks are held for one
    // trip instead of one per statement. A backend in the process runs them at once.
    virtual void deferWritesToCommit() {}
    // Runs one statement without parameters whose answer nobody waits for (transaction control:
    // a savepoint, its release); like the deferred writes, it may wait for the next statement.
    virtual void executeLater(std::string_view sql) { executeScript(sql); }
    // Rolls back; never throws (a broken connection simply stays broken).
    virtual void rollback() noexcept = 0;

    // True once the connection has failed in a way that makes it unusable; the pool drops it.
    virtual bool isBroken() const = 0;
};

// Rolls the transaction back unless commit() was called.
class Transaction {
public:
    enum class Kind { Write, Snapshot };
    explicit Transaction(Connection& connection, Kind kind = Kind::Write) : m_connection(connection) {
        if (kind == Kind::Write)
            m_connection.beginWrite();
        else
            m_connection.beginSnapshot();
    }
    ~Transaction() {
        if (!m_committed)
            m_connection.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        m_connection.commit();
        m_committed = true;
    }

private:
    Connection& m_connection;
    bool m_committed = false;
};

}  // namespace zrm::server::sql
