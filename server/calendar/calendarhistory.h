#pragma once

// GetHistCalendOrc: the change history of one calendar, for the people who follow the calendar
// rather than maintain it.

#include "server/calendar/calendarchange.h"
#include "server/module/params.h"
#include "server/storage/calendarstore.h"

#include <string>

namespace zrm::server {

// Reads the parameters year text, version text (empty: the year's latest version) and limit (an
// integer from 1 to 1000), and appends the packet of the calendar's changes, newest first, at most
// limit of them: when, operator code and name, operation ("insert", "update" or "delete"), phase code
// and name, and the changed columns before and after as JSON objects. A year without versions or a
// version the year does not have gives no rows. Throws BadRequest for malformed parameters and
// StoreError as the store does.
void writeCalendarHistory(CalendarStore& store, const Params& params, std::string& out);

// What a recorded change (the JSON the history keeps: {"op", "old", "new"}) did: its operation and
// the columns it touched, as two JSON objects in compact form, before and after. For an update the
// columns whose values differ, for an insert every column of the new row with a value (after only),
// for a delete every column of the old row with a value (before only). A change that is not such
// JSON gives empty texts.
struct ChangeSummary {
    std::string operation;
    std::string before;
    std::string after;
};
ChangeSummary summarizeChange(std::string_view changeJson);

// The JSON the history keeps of a change: {"op":"insert"|"update"|"delete","old":{...},"new":{...}},
// each row in the calendar's own column names, empty values as null.
std::string recordedChange(const CalendarChange& change);

}  // namespace zrm::server
