#include "server/storage/saveoutcomes.h"

#include "server/storage/storeerror.h"

#include <algorithm>
#include <string>

namespace zrm::server {

namespace {

constexpr std::size_t MaxIdLength = 64;

// Waits, on PostgreSQL, for a transaction that inserted the same id to end: a committed one makes
// this insert change nothing, a rolled-back one lets it through. Read as a query, whose answer is
// always waited for: a count of changed rows is unknown while the connection defers its writes.
const char* const InsertOutcome =
    "INSERT INTO ZRMGRAVACAO (CDGRAVACAO, DSRESUMO, DTGRAVACAO) VALUES ($1, $2, $3) "
    "ON CONFLICT (CDGRAVACAO) DO NOTHING RETURNING CDGRAVACAO";
const char* const SelectDigest = "SELECT DSRESUMO FROM ZRMGRAVACAO WHERE CDGRAVACAO = $1";
const char* const DeleteBefore = "DELETE FROM ZRMGRAVACAO WHERE DTGRAVACAO < $1";

}  // namespace

SaveOutcomes::Claim SaveOutcomes::claim(std::string_view id, std::string_view digest, std::string_view when) {
    bool inserted = false;
    m_connection.select(InsertOutcome, {id, digest, when}, [&](const sql::RowView&) { inserted = true; });
    if (inserted)
        return Claim::New;
    std::string stored;
    m_connection.select(SelectDigest, {id}, [&](const sql::RowView& row) { stored = row.text(0); });
    if (stored != digest)
        throw BadRequest(
            QStringLiteral("O identificador desta gravação já foi usado para outras alterações: a gravação "
                           "não foi feita. Recarregue os dados e grave de novo."));
    return Claim::Stored;
}

void SaveOutcomes::forgetBefore(std::string_view before) {
    m_connection.execute(DeleteBefore, {before});
}

bool SaveOutcomes::isValidId(std::string_view id) {
    return !id.empty() && id.size() <= MaxIdLength && std::ranges::all_of(id, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == ':';
    });
}

}  // namespace zrm::server
