#include "server/storage/postgresqlconnection.h"

#include "server/storage/storeerror.h"

#include <libpq-fe.h>

#include <array>
#include <charconv>
#include <memory>
#include <vector>

namespace zrm::server::sql {

namespace {

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

class PostgresqlRow final : public RowView {
public:
    explicit PostgresqlRow(const PGresult* result) : m_result(result) {}
    void setRow(int row) { m_row = row; }
    bool isNull(int column) const override { return PQgetisnull(m_result, m_row, column); }
    std::string_view text(int column) const override {
        return {PQgetvalue(m_result, m_row, column), size_t(PQgetlength(m_result, m_row, column))};
    }
    qint64 integer(int column) const override {
        const std::string_view value = text(column);
        qint64 number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        return number;
    }

private:
    const PGresult* m_result;
    int m_row = 0;
};

QString errorText(const PGresult* result, const PGconn* conn) {
    const char* message = result ? PQresultErrorMessage(result) : nullptr;
    if (!message || !*message)
        message = PQerrorMessage(conn);
    return QString::fromUtf8(message).trimmed();
}

void ignoreNotice(void*, const char*) {}

QString lostCommitMessage() {
    return QStringLiteral(
        "A conexão com o banco de dados caiu durante a gravação e não se sabe se ela "
        "foi concluída. Recarregue os dados para conferir.");
}

// libpq's view of parameters kept as copies: NUL-terminated texts, null pointers for nulls.
std::vector<const char*> valuesOf(const std::vector<std::optional<std::string>>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const std::optional<std::string>& param : params)
        values.push_back(param ? param->c_str() : nullptr);
    return values;
}

}  // namespace

void PostgresqlConnection::Finish::operator()(pg_conn* conn) const {
    PQfinish(conn);
}

PostgresqlConnection::PostgresqlConnection(const QString& url) {
    const QByteArray conninfo = url.toUtf8();
    m_handle.reset(PQconnectdb(conninfo.constData()));
    m_conn = m_handle.get();
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString detail = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        throw StorageUnavailable(
            QStringLiteral("Não foi possível conectar ao banco de dados PostgreSQL: %1").arg(detail));
    }
    // "relation already exists, skipping" and the like are not for the server's output.
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    executeScript("SET client_encoding = 'UTF8'; SET datestyle = 'ISO, YMD'");
}

PostgresqlConnection::~PostgresqlConnection() = default;

bool PostgresqlConnection::isBroken() const {
    return PQstatus(m_conn) != CONNECTION_OK;
}

void PostgresqlConnection::fail(PGresult* raw) {
    Result result(raw);
    const QString detail = errorText(raw, m_conn);
    // No result at all: the statements never made it through the connection (a server shutting
    // down ends its sessions with a message read before the connection reports itself closed).
    if (isBroken() || !raw)
        throw StorageUnavailable(QStringLiteral("A conexão com o banco de dados foi perdida (%1). "
                                                "Tente novamente.")
                                     .arg(detail));
    const char* state = raw ? PQresultErrorField(raw, PG_DIAG_SQLSTATE) : nullptr;
    const std::string_view sqlState = state ? state : "";
    if (sqlState == "23505" || sqlState == "40001" || sqlState == "40P01")
        throw Conflict(
            QStringLiteral("Outro usuário alterou os mesmos dados ao mesmo tempo. "
                           "Recarregue os dados e tente novamente."));
    if (sqlState.starts_with("23") || sqlState.starts_with("22"))
        throw BadRequest(
            QStringLiteral("O registro viola uma restrição do banco de dados (%1).").arg(detail));
    if (sqlState.starts_with("08") || sqlState.starts_with("53") || sqlState.starts_with("57"))
        throw StorageUnavailable(
            QStringLiteral("O banco de dados não está disponível (%1). Tente novamente.").arg(detail));
    throw StoreError(QStringLiteral("Erro no banco de dados: %1").arg(detail));
}

void PostgresqlConnection::executeScript(std::string_view sql) {
    const std::string text(sql);
    if (!m_deferred.empty()) {
        // One statement goes with the deferred ones; a script of several cannot be pipelined, so it
        // follows them.
        if (sql.find(';') == std::string_view::npos) {
            PQclear(sendWithDeferred(Statement{text, nullptr, {}}));
            return;
        }
        const Statement last = std::move(m_deferred.back());
        m_deferred.pop_back();
        PQclear(sendWithDeferred(last));
    }
    PGresult* result = PQexec(m_conn, text.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    PQclear(result);
}

void PostgresqlConnection::executeLater(std::string_view sql) {
    m_deferred.push_back(Statement{std::string(sql), nullptr, {}});
}

const std::string& PostgresqlConnection::prepared(const char* sql, int parameterCount) {
    const std::string_view key(sql);
    if (auto it = m_statementNames.find(key); it != m_statementNames.end())
        return it->second;
    std::string name = "zrm_" + std::to_string(m_statementNames.size() + 1);
    PGresult* result = PQprepare(m_conn, name.c_str(), sql, parameterCount, nullptr);
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        fail(result);
    PQclear(result);
    return m_statementNames.emplace(std::string(key), std::move(name)).first->second;
}

PostgresqlConnection::Statement PostgresqlConnection::statementOf(const char* sql, Params params) {
    // Text parameters must be NUL-terminated for libpq: the statement keeps copies.
    Statement statement{{}, sql, {}};
    statement.params.reserve(params.size());
    for (const Param& param : params) {
        if (param.isNull())
            statement.params.emplace_back();
        else
            statement.params.emplace_back(param.isInteger() ? std::to_string(param.integer())
                                                            : std::string(param.text()));
    }
    return statement;
}

PGresult* PostgresqlConnection::run(const char* sql, Params params) {
    if (!m_deferred.empty())
        return sendWithDeferred(statementOf(sql, params));
    const Statement statement = statementOf(sql, params);
    const std::vector<const char*> values = valuesOf(statement.params);
    const std::string& name = prepared(sql, int(values.size()));
    PGresult* result =
        PQexecPrepared(m_conn, name.c_str(), int(values.size()), values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return result;
}

bool PostgresqlConnection::send(const Statement& statement) {
    const std::vector<const char*> values = valuesOf(statement.params);
    if (!statement.sql)
        return PQsendQueryParams(m_conn, statement.command.c_str(), 0, nullptr, nullptr, nullptr, nullptr,
                                 0) == 1;
    const std::string& name = m_statementNames.find(std::string_view(statement.sql))->second;
    return PQsendQueryPrepared(m_conn, name.c_str(), int(values.size()), values.data(), nullptr, nullptr,
                               0) == 1;
}

PGresult* PostgresqlConnection::sendWithDeferred(const Statement& last) {
    std::vector<Statement> statements;
    statements.swap(m_deferred);
    statements.push_back(last);
    // Statements are prepared outside the pipeline, once per connection.
    for (const Statement& statement : statements) {
        if (statement.sql)
            prepared(statement.sql, int(statement.params.size()));
    }
    bool sent = PQenterPipelineMode(m_conn) == 1;
    for (const Statement& statement : statements)
        sent = sent && send(statement);
    sent = sent && PQpipelineSync(m_conn) == 1;
    // Every answer is read, in order, then the sync's. After a failure the server skips the rest of
    // the pipeline; a transaction stays open, failed, for the rollback.
    Result failure;
    Result answer;
    for (std::size_t i = 0; sent && i < statements.size() && !isBroken(); ++i) {
        while (PGresult* raw = PQgetResult(m_conn)) {
            Result result(raw);
            const ExecStatusType status = PQresultStatus(raw);
            if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
                if (i + 1 == statements.size())
                    answer = std::move(result);
            } else if (!failure && status != PGRES_PIPELINE_ABORTED) {
                failure = std::move(result);
            }
        }
    }
    if (sent && !isBroken()) {
        const Result sync(PQgetResult(m_conn));
        sent = sync && PQresultStatus(sync.get()) == PGRES_PIPELINE_SYNC;
    }
    sent = PQexitPipelineMode(m_conn) == 1 && sent;
    if (!sent || failure)
        fail(failure.release());
    return answer.release();
}

qint64 PostgresqlConnection::execute(const char* sql, Params params) {
    if (m_deferring) {
        m_deferred.push_back(statementOf(sql, params));
        return -1;
    }
    Result result(run(sql, params));
    const char* count = PQcmdTuples(result.get());
    qint64 number = 0;
    std::from_chars(count, count + std::char_traits<char>::length(count), number);
    return number;
}

void PostgresqlConnection::select(const char* sql, Params params, const RowHandler& onRow) {
    Result result(run(sql, params));
    PostgresqlRow row(result.get());
    const int count = PQntuples(result.get());
    for (int i = 0; i < count; ++i) {
        row.setRow(i);
        onRow(row);
    }
}

// Both travel with the transaction's first statement.
void PostgresqlConnection::beginWrite() {
    executeLater("BEGIN");
}

void PostgresqlConnection::beginSnapshot() {
    executeLater("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

void PostgresqlConnection::commit() {
    m_deferring = false;
    if (!m_deferred.empty()) {
        try {
            PQclear(sendWithDeferred(Statement{"COMMIT", nullptr, {}}));
        } catch (const StorageUnavailable&) {
            // The commit may have reached the server before the connection failed.
            if (isBroken())
                throw CommitOutcomeUnknown(lostCommitMessage());
            throw;
        }
        return;
    }
    PGresult* result = PQexec(m_conn, "COMMIT");
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok && isBroken()) {
        PQclear(result);
        throw CommitOutcomeUnknown(lostCommitMessage());
    }
    if (!ok)
        fail(result);
    PQclear(result);
}

void PostgresqlConnection::rollback() noexcept {
    m_deferring = false;
    m_deferred.clear();
    if (isBroken())
        return;
    PQclear(PQexec(m_conn, "ROLLBACK"));
}

}  // namespace zrm::server::sql
