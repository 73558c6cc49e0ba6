#pragma once

// A change of the calendar as the rules see it: read from a delta of cdsCalendOrcOp and checked for
// form (malformed values are refused here, before any rule or stored row is looked at).

#include "server/storage/records.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace zrm::server {

// A row of a delta, in the calendar's stored columns. A version that is not a positive integer
// leaves key.version at 0 (no stored row has it) and validVersion false.
struct DeltaRow {
    CalendarRecord record;
    bool validVersion = false;
};

struct CalendarChange {
    enum class Op { Insert, Update, Delete };
    Op op = Op::Insert;
    std::optional<DeltaRow> oldRow;  // update and delete
    std::optional<DeltaRow> newRow;  // insert and update
};

// Reads the delta of SetCalendOrcOp. The delta must carry the calendar's stored columns
// (NRANOORCOPERAC, CDVERSCALENORCA, CDFASEORCOPERAC, DTINIFASEORCA, DTFINFASEORCA, IDPERMCALCJAN ...
// IDPERMCALCDEZ) with fitting types; other columns (name and flags of the catalogue) are ignored.
// Throws BadRequest for a malformed delta: wrong structure or types, a text longer than its field, a
// year that is not a number, a flag other than "S", "N" or empty, a date that is not a date.
std::vector<CalendarChange> readCalendarDelta(const QByteArray& json);

}  // namespace zrm::server
