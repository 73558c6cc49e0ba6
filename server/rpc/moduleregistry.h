#pragma once

// The remote data modules a server process serves, found by server name. The front looks modules up
// here, so a second screen's module is added by registering it, without touching the front.

#include "server/rpc/remotemodule.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zrm::server {

class ModuleRegistry {
public:
    // Adds a module under its serverName(). Throws std::invalid_argument when the module is null or
    // a module of that name is already registered. Not thread-safe: register before serving.
    void add(std::shared_ptr<RemoteDataModule> module);

    // The module of that server name, or nullptr. Safe from several threads once serving.
    RemoteDataModule* find(std::string_view serverName) const;

    // Every registered module, in the order of their server names.
    std::vector<RemoteDataModule*> modules() const;

    // True when there is at least one module and every module reports itself healthy.
    bool healthy() const;

private:
    std::map<std::string, std::shared_ptr<RemoteDataModule>, std::less<>> m_modules;
};

}  // namespace zrm::server
