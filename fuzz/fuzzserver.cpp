#include "fuzz/fuzzserver.h"

#include "fuzz/fuzzsupport.h"
#include "server/calendar/calendarmodule.h"
#include "server/datafile/datafile.h"
#include "server/storage/database.h"

#include <QDate>
#include <QTemporaryDir>

#include <exception>

namespace zrm::fuzz {

namespace {

constexpr int DemoYear = 2026;

struct CalendarServer {
    QTemporaryDir folder;
    const server::ServerClock clock{QDate(DemoYear, 5, 10)};
    std::shared_ptr<server::Database> database;
    server::ModuleRegistry registry;
    server::RemoteDataModule* module = nullptr;

    CalendarServer() {
        require(folder.isValid(), "a temporary folder for the database");
        const QString url = QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("fuzz.sqlite"));
        try {
            server::loadDemo(url, DemoYear);
            database = server::Database::open(url);
            auto calendar = server::makeCalendarModule(database, clock);
            module = calendar.get();
            registry.add(std::move(calendar));
        } catch (const std::exception& error) {
            fault("the demo database opens", QString::fromUtf8(error.what()));
        }
    }
};

CalendarServer& calendarServer() {
    static CalendarServer server;
    return server;
}

}  // namespace

const server::ModuleRegistry& calendarRegistry() {
    return calendarServer().registry;
}

server::RemoteDataModule& calendarModule() {
    return *calendarServer().module;
}

std::shared_ptr<server::Database> calendarDatabase() {
    return calendarServer().database;
}

server::ServerClock calendarClock() {
    return calendarServer().clock;
}

}  // namespace zrm::fuzz
