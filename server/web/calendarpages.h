#pragma once

// GET /calendario/{year} (the year's latest version) and GET /calendario/{year}/{version}: the
// read-only calendar pages of the budget calendar, read through the calendar module.

#include "server/http/pageprovider.h"
#include "server/rpc/moduleregistry.h"

namespace zrm::server {

class CalendarPages final : public PageProvider {
public:
    // Keeps a reference to registry, which must outlive the pages.
    explicit CalendarPages(const ModuleRegistry& registry) : m_registry(registry) {}

    std::string_view prefix() const override { return "/calendario/"; }

    // 200 with the page; 404 with a page that says what was not found (a path that is not a year
    // and an optional version, a year without versions, a version the year does not have); 503 when
    // the database does not answer; 500 for anything else. Never throws.
    void serve(std::string_view path, HttpResponse& response) override;

private:
    const ModuleRegistry& m_registry;
};

}  // namespace zrm::server
