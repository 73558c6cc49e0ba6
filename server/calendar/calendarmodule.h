#pragma once

// The remote data module of the budget calendar, "ZRM71300.rdmCalendOrcOp". Link the CMake target
// `zrm_server_calendar` (it brings `zrm_server_storage` and `zrm_packet` along).

#include "server/calendar/serverclock.h"
#include "server/rpc/remotemodule.h"

#include <QString>

#include <memory>

namespace zrm::server {

class Database;

// Opens the database named by dbUrl ("sqlite:PATH" or "postgresql://user:pw@host:port/db"), creates
// or migrates its schema, and returns the module that serves the eight calendar methods and the
// history read GetHistCalendOrc on it. The
// module keeps a pool of connections and may be called from several threads at once; the clock gives
// the "today" of ValCiclo and of the deletion rules and the moment of the change history. The
// answers of the read methods are kept in memory, encoded, until a committed write (by any server
// on the database) advances the data generation.
// Throws StoreError (server/storage/storeerror.h, a std::runtime_error with a Portuguese message) when
// the URL is malformed, the database cannot be opened or its schema is newer than this server.
std::unique_ptr<RemoteDataModule> makeCalendarModule(const QString& dbUrl, const ServerClock& clock);

// The same on a database opened already (tests open it with a fault-injecting connection).
std::unique_ptr<RemoteDataModule> makeCalendarModule(std::shared_ptr<Database> database,
                                                     const ServerClock& clock);

}  // namespace zrm::server
