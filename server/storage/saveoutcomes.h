#pragma once

// The saves a database has stored, by the id their client gave them, kept for a while: a save sent
// again because its answer was lost (the connection cut after the commit, a commit whose outcome
// was unknown) is answered as the first time instead of being applied twice or taken for another
// user's change. The record is written in the save's own transaction, so it exists exactly when the
// save does, and a table holds it so that every server on one database shares it.

#include "server/storage/sqlconnection.h"

#include <string_view>

namespace zrm::server {

class SaveOutcomes {
public:
    explicit SaveOutcomes(sql::Connection& connection) : m_connection(connection) {}

    enum class Claim {
        New,    // the id is recorded now, with the transaction under way: apply the save
        Stored  // a committed save (or one earlier in this transaction) holds the id: apply nothing
    };

    // Records id for the save about to be applied in the transaction under way, with digest naming
    // what it stores and when as its date. On PostgreSQL a save of the same id still under way in
    // another transaction is waited for. Throws BadRequest when the id was stored for other changes,
    // else StoreError as the connection does.
    Claim claim(std::string_view id, std::string_view digest, std::string_view when);

    // Forgets the saves recorded before `before` (a date-time "YYYY-MM-DDTHH:MM:SS").
    void forgetBefore(std::string_view before);

    // Whether id is no malformed id: 1 to 64 letters, digits and "-_.:" only.
    static bool isValidId(std::string_view id);

private:
    sql::Connection& m_connection;
};

}  // namespace zrm::server
