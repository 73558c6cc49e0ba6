#pragma once

// The remote data module of the calendar's administration, "ZRM71302.rdmCadCalendOrc": the versions
// of a year, the year's cycle, the phase catalogue and the concluded uses of phases. Link the CMake
// target `zrm_server_admin`.

#include "server/calendar/serverclock.h"
#include "server/rpc/remotemodule.h"

#include <memory>

namespace zrm::server {

class Database;

// The module on a database opened already (and shared with the calendar's module, whose kept
// answers every change here makes out of date). Every change is one transaction, written to the
// change history with the operator and the method, and advances the data generation. The clock
// gives the moment a version is created or a conclusion recorded. Thread-safe.
std::unique_ptr<RemoteDataModule> makeAdminModule(std::shared_ptr<Database> database,
                                                  const ServerClock& clock);

}  // namespace zrm::server
