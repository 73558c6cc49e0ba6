#pragma once

// The calendar module the server-side fuzz targets call: one per process, on an SQLite file of its
// own holding the demo data, with "today" fixed so that every run sees the same calendar.

#include "server/rpc/moduleregistry.h"

namespace zrm::fuzz {

// The registry holding the calendar module; made on first use. Aborts when the database cannot be
// made, since no input could then be run.
const server::ModuleRegistry& calendarRegistry();

// The calendar module of calendarRegistry().
server::RemoteDataModule& calendarModule();

}  // namespace zrm::fuzz
