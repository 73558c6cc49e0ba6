#pragma once

// The calendar module the server-side fuzz targets call: one per process, on an SQLite file of its
// own holding the demo data, with "today" fixed so that every run sees the same calendar.

#include "server/calendar/serverclock.h"
#include "server/rpc/moduleregistry.h"

#include <memory>

namespace zrm::server {
class Database;
}

namespace zrm::fuzz {

// The registry holding the calendar module; made on first use. Aborts when the database cannot be
// made, since no input could then be run.
const server::ModuleRegistry& calendarRegistry();

// The calendar module of calendarRegistry().
server::RemoteDataModule& calendarModule();

// The database the calendar module serves, and the clock it runs on.
std::shared_ptr<server::Database> calendarDatabase();
server::ServerClock calendarClock();

}  // namespace zrm::fuzz
