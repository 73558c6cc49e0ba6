#include "server/storage/sqliteconnection.h"

#include "server/storage/storeerror.h"

#include <sqlite3.h>

#include <cerrno>

namespace zrm::server::sql {

namespace {

constexpr int BusyTimeoutMs = 5000;

// Statements are written with $1, $2 ...; SQLite reads ?1, ?2 ... as the same numbered parameters.
std::string toSqlitePlaceholders(const char* sql) {
    std::string text(sql);
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '$' && text[i + 1] >= '0' && text[i + 1] <= '9')
            text[i] = '?';
    }
    return text;
}

// Resets a statement when a query ends, however it ends, so its locks are released.
class StatementReset {
public:
    explicit StatementReset(sqlite3_stmt* statement) : m_statement(statement) {}
    ~StatementReset() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    StatementReset(const StatementReset&) = delete;
    StatementReset& operator=(const StatementReset&) = delete;

private:
    sqlite3_stmt* m_statement;
};

class SqliteRow final : public RowView {
public:
    explicit SqliteRow(sqlite3_stmt* statement) : m_statement(statement) {}
    bool isNull(int column) const override { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    std::string_view text(int column) const override {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        if (!data)
            return {};
        return {data, size_t(sqlite3_column_bytes(m_statement, column))};
    }
    qint64 integer(int column) const override { return sqlite3_column_int64(m_statement, column); }

private:
    sqlite3_stmt* m_statement;
};

// A write the disk had no room for was rolled back whole; what was stored before is intact.
QString diskFullMessage() {
    return QStringLiteral(
        "O disco do banco de dados está cheio: a gravação não foi feita e nada do que já estava gravado "
        "se perdeu. Libere espaço no servidor e tente novamente.");
}

}  // namespace

SqliteConnection::SqliteConnection(const QString& path) {
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(file.constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
        sqlite3_close(m_db);
        m_db = nullptr;
        throw StorageUnavailable(
            QStringLiteral("Não foi possível abrir o banco de dados \"%1\": %2.").arg(path, detail));
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    try {
        executeScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

SqliteConnection::~SqliteConnection() {
    for (auto& [sql, statement] : m_statements)
        sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

void SqliteConnection::fail(int code) {
    const QString detail = QString::fromUtf8(sqlite3_errmsg(m_db));
    switch (code & 0xff) {
        case SQLITE_CONSTRAINT:
            if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE)
                throw Conflict(
                    QStringLiteral("O registro já existe: outro usuário o gravou ao mesmo tempo. "
                                   "Recarregue os dados e tente novamente."));
            throw BadRequest(
                QStringLiteral("O registro viola uma restrição do banco de dados (%1).").arg(detail));
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw StorageUnavailable(
                QStringLiteral("O banco de dados está ocupado. Tente novamente em instantes."));
        case SQLITE_FULL:
            m_broken = true;
            throw StorageUnavailable(diskFullMessage());
        case SQLITE_IOERR:
            m_broken = true;
            if (sqlite3_system_errno(m_db) == ENOSPC)
                throw StorageUnavailable(diskFullMessage());
            throw StorageUnavailable(
                QStringLiteral("O banco de dados não está disponível (%1).").arg(detail));
        case SQLITE_CANTOPEN:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_READONLY:
            m_broken = true;
            throw StorageUnavailable(
                QStringLiteral("O banco de dados não está disponível (%1).").arg(detail));
        default:
            throw StoreError(QStringLiteral("Erro no banco de dados: %1.").arg(detail));
    }
}

void SqliteConnection::executeScript(std::string_view sql) {
    const std::string text(sql);
    const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(sqlite3_extended_errcode(m_db));
}

sqlite3_stmt* SqliteConnection::prepared(const char* sql) {
    const std::string_view key(sql);
    if (auto it = m_statements.find(key); it != m_statements.end())
        return it->second;
    const std::string text = toSqlitePlaceholders(sql);
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, text.c_str(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                                      &statement, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
    m_statements.emplace(std::string(key), statement);
    return statement;
}

void SqliteConnection::bind(sqlite3_stmt* statement, Params params) {
    int index = 1;
    for (const Param& param : params) {
        int rc;
        if (param.isNull())
            rc = sqlite3_bind_null(statement, index);
        else if (param.isInteger())
            rc = sqlite3_bind_int64(statement, index, param.integer());
        else
            rc = sqlite3_bind_text64(statement, index, param.text().data(), param.text().size(),
                                     SQLITE_STATIC, SQLITE_UTF8);
        if (rc != SQLITE_OK)
            fail(rc);
        ++index;
    }
}

qint64 SqliteConnection::execute(const char* sql, Params params) {
    sqlite3_stmt* statement = prepared(sql);
    StatementReset reset(statement);
    bind(statement, params);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        fail(sqlite3_extended_errcode(m_db));
    return sqlite3_changes64(m_db);
}

void SqliteConnection::select(const char* sql, Params params, const RowHandler& onRow) {
    sqlite3_stmt* statement = prepared(sql);
    StatementReset reset(statement);
    bind(statement, params);
    const SqliteRow row(statement);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        onRow(row);
    if (rc != SQLITE_DONE)
        fail(sqlite3_extended_errcode(m_db));
}

void SqliteConnection::beginWrite() {
    executeScript("BEGIN IMMEDIATE");
}

// In write-ahead-log mode a read transaction keeps the state of its first read until it ends.
void SqliteConnection::beginSnapshot() {
    executeScript("BEGIN DEFERRED");
}

void SqliteConnection::commit() {
    executeScript("COMMIT");
}

void SqliteConnection::rollback() noexcept {
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace zrm::server::sql
