#pragma once

#include "server/storage/calendarstore.h"

#include <string>

namespace zrm::server {

// Who made a change, when and by which method: what every entry an administration call writes to
// the change history shares.
struct ChangeStamp {
    std::string when;          // the server's now, "YYYY-MM-DDTHH:MM:SS"
    std::string operatorCode;  // as the request named it, or "desconhecido"
    std::string method;

    // Appends one entry: change is the JSON of what changed, key the calendar (and phase) it
    // concerns, empty parts for none. Throws StoreError as the connection does.
    void record(sql::Connection& connection, std::string change, CalendarKey key = {}) const {
        CalendarStore(connection)
            .appendHistory({when, operatorCode, method, std::move(change), std::move(key)});
    }
};

}  // namespace zrm::server
