#include "fuzz/fuzzserver.h"

#include "fuzz/fuzzsupport.h"
#include "server/admin/adminmodule.h"
#include "server/calendar/calendarmodule.h"
#include "server/datafile/datafile.h"
#include "server/rpc/jsonrpcenvelope.h"
#include "server/storage/database.h"

#include <QDate>
#include <QJsonDocument>
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
    server::RemoteDataModule* admin = nullptr;

    CalendarServer() {
        require(folder.isValid(), "a temporary folder for the database");
        const QString url = QStringLiteral("sqlite:") + folder.filePath(QStringLiteral("fuzz.sqlite"));
        try {
            server::loadDemo(url, DemoYear);
            database = server::Database::open(url);
            auto calendar = server::makeCalendarModule(database, clock);
            module = calendar.get();
            registry.add(std::move(calendar));
            auto administration = server::makeAdminModule(database, clock);
            admin = administration.get();
            registry.add(std::move(administration));
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

server::RemoteDataModule& adminModule() {
    return *calendarServer().admin;
}

void callWithFuzzedParams(server::RemoteDataModule& module, std::span<const std::string_view> methods,
                          const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return;
    const std::string_view method = methods[data[0] % methods.size()];
    const QString operatorCode = data[0] / methods.size() % 2 == 0 ? QStringLiteral("fuzz") : QString();
    // The call as the front reads it: the parameters go through the envelope's reader.
    const std::string body = R"({"jsonrpc":"2.0","id":1,"method":")" + std::string(method) +
                             R"(","params":)" +
                             std::string(reinterpret_cast<const char*>(data + 1), size - 1) + "}";
    server::RpcRequest request;
    try {
        std::string_view id;
        request = server::jsonrpc::parseRequest(body, id);
    } catch (const server::RpcError&) {
        return;  // the envelope refuses these before any method runs
    }

    std::string result;
    try {
        module.call(request, server::CallContext{operatorCode}, result);
    } catch (const server::RpcError& error) {
        require(!error.message().isEmpty(), "a refusal is explained");
        return;
    }
    QJsonParseError resultError;
    QJsonDocument::fromJson(QByteArray::fromStdString("[" + result + "]"), &resultError);
    require(resultError.error == QJsonParseError::NoError, "a result is JSON",
            QString::fromStdString(result));
}

std::shared_ptr<server::Database> calendarDatabase() {
    return calendarServer().database;
}

server::ServerClock calendarClock() {
    return calendarServer().clock;
}

}  // namespace zrm::fuzz
