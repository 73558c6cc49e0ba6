#pragma once

// GET /calendario/{year} (the year's latest version), GET /calendario/{year}/{version}, and
// GET /calendario (today's year): the read-only calendar pages of the budget calendar, read from the
// calendar's database, in Portuguese or English as the browser asks (Accept-Language).

#include "server/calendar/serverclock.h"
#include "server/http/pageprovider.h"

#include <memory>

namespace zrm::server {

class Database;

class CalendarPages final : public PageProvider {
public:
    // Reads the calendars from database, the one the calendar module serves; clock gives the today
    // the pages mark and says which year the bare prefix shows.
    CalendarPages(std::shared_ptr<Database> database, const ServerClock& clock)
        : m_database(std::move(database)), m_clock(clock) {}

    std::string_view prefix() const override { return "/calendario/"; }

    // 200 with the page; 404 with a page that says what was not found (a path that is not a year
    // and an optional version, a year without versions, a version the year does not have, listing
    // the versions it has); 503 when the database does not answer; 500 for anything else. An empty
    // path is today's year. Never throws.
    void serve(const HttpRequest& request, std::string_view path, HttpResponse& response) override;

    // The page that asks for the token. Never throws.
    void refuse(const HttpRequest& request, HttpResponse& response) override;

private:
    std::shared_ptr<Database> m_database;
    ServerClock m_clock;
};

}  // namespace zrm::server
