#include "server/rpc/moduleregistry.h"

#include <algorithm>
#include <stdexcept>

namespace zrm::server {

void ModuleRegistry::add(std::shared_ptr<RemoteDataModule> module) {
    if (!module)
        throw std::invalid_argument("ModuleRegistry::add: null module");
    std::string name(module->serverName());
    if (!m_modules.emplace(name, std::move(module)).second)
        throw std::invalid_argument("ModuleRegistry::add: server name registered twice: " + name);
}

RemoteDataModule* ModuleRegistry::find(std::string_view serverName) const {
    auto it = m_modules.find(serverName);
    return it == m_modules.end() ? nullptr : it->second.get();
}

std::vector<RemoteDataModule*> ModuleRegistry::modules() const {
    std::vector<RemoteDataModule*> result;
    result.reserve(m_modules.size());
    for (const auto& entry : m_modules)
        result.push_back(entry.second.get());
    return result;
}

bool ModuleRegistry::healthy() const {
    if (m_modules.empty())
        return false;
    // A probe must answer, whatever the module does: a module that throws is not healthy.
    return std::ranges::all_of(m_modules, [](const auto& entry) {
        try {
            return entry.second->healthy();
        } catch (...) {
            return false;
        }
    });
}

}  // namespace zrm::server
