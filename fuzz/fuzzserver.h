#pragma once

// The modules the server-side fuzz targets call (the calendar's and its administration's): one of
// each per process, on an SQLite file of their own holding the demo data, with "today" fixed so that
// every run sees the same calendar.

#include "server/calendar/serverclock.h"
#include "server/rpc/moduleregistry.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace zrm::server {
class Database;
}

namespace zrm::fuzz {

// The registry holding both modules; made on first use. Aborts when the database cannot be
// made, since no input could then be run.
const server::ModuleRegistry& calendarRegistry();

// The calendar module and the administration module of calendarRegistry().
server::RemoteDataModule& calendarModule();
server::RemoteDataModule& adminModule();

// One fuzzed call of a module: the first byte picks the method among methods (and whether the call
// names an operator); the rest is the JSON text of the parameters. The call must answer a JSON value
// or refuse with a JSON-RPC error carrying a message; anything else is a fault.
void callWithFuzzedParams(server::RemoteDataModule& module, std::span<const std::string_view> methods,
                          const std::uint8_t* data, std::size_t size);

// The database the calendar module serves, and the clock it runs on.
std::shared_ptr<server::Database> calendarDatabase();
server::ServerClock calendarClock();

}  // namespace zrm::fuzz
