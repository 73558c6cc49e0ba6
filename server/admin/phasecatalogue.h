#pragma once

// The phase catalogue's changes as the rules see them: read from a delta of the catalogue's four
// columns and applied, all or nothing, inside the caller's write transaction.

#include "server/admin/changestamp.h"
#include "server/storage/records.h"

#include <optional>
#include <string_view>
#include <vector>

namespace zrm::server {

struct CatalogueChange {
    enum class Op { Insert, Update, Delete };
    Op op = Op::Insert;
    std::optional<PhaseRecord> oldRow;  // update and delete, as the client read it
    std::optional<PhaseRecord> newRow;  // insert and update: name trimmed, a code of digits padded
};

// Reads the delta of SetFasesCad, which must carry CDFASEORCOPERAC, NMFASEORCOPERAC, IDFASECALCORCA
// and IDBLOQFASEORCA as texts. Throws BadRequest for a malformed delta: wrong structure or types, a
// text longer than its field (the name counted once trimmed), a flag other than "S", "N" or empty.
std::vector<CatalogueChange> readCatalogueDelta(std::string_view json);

// Applies the changes in order, each recorded in the change history. Throws Conflict when a
// change's old row differs from the stored one (or is gone), RuleRefused when a code is not one to
// ten digits, a name is blank, an insert repeats a stored code, an update changes the code, or a
// delete names a phase some calendar uses.
void applyCatalogueChanges(sql::Connection& connection, const std::vector<CatalogueChange>& changes,
                           const ChangeStamp& stamp);

}  // namespace zrm::server
