#pragma once

// A connection that hands every call to the connection it wraps, for tests that change what one
// call does (a commit held, lost or counted) and leave the rest as the database does it.

#include "server/storage/sqlconnection.h"

#include <memory>

namespace zrm::server::test {

class ForwardingConnection : public sql::Connection {
public:
    explicit ForwardingConnection(std::unique_ptr<sql::Connection> inner) : m_inner(std::move(inner)) {}

    sql::Dialect dialect() const override { return m_inner->dialect(); }
    void executeScript(std::string_view sql) override { m_inner->executeScript(sql); }
    qint64 execute(const char* sql, sql::Params params) override { return m_inner->execute(sql, params); }
    void select(const char* sql, sql::Params params, const sql::RowHandler& onRow) override {
        m_inner->select(sql, params, onRow);
    }
    void beginWrite() override { m_inner->beginWrite(); }
    void beginSnapshot() override { m_inner->beginSnapshot(); }
    void commit() override { m_inner->commit(); }
    void deferWritesToCommit() override { m_inner->deferWritesToCommit(); }
    void executeLater(std::string_view sql) override { m_inner->executeLater(sql); }
    void rollback() noexcept override { m_inner->rollback(); }
    bool isBroken() const override { return m_inner->isBroken(); }

protected:
    sql::Connection& inner() { return *m_inner; }

private:
    std::unique_ptr<sql::Connection> m_inner;
};

}  // namespace zrm::server::test
