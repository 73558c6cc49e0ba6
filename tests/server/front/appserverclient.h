#pragma once

// JSON-RPC calls against a running zrm-appserver, and the data file the real-process tests load:
// year 2030 with versions 1 and 2, five phases of version 2 in the future of the fixed "today"
// (2030-03-15), one blocked phase and one phase concluded by a branch.

#include "rawhttpclient.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <memory>

namespace zrm::server::test {

constexpr const char* CalendarServer = "/rpc/ZRM71300.rdmCalendOrcOp";

class AppServerClient {
public:
    AppServerClient(std::uint16_t port, std::string token) : m_port(port), m_token(std::move(token)) {}

    // POSTs body to target with the token; a new connection when the previous one was closed.
    RawResponse post(std::string_view body, std::string_view target = CalendarServer);

    // Calls a calendar method; the JSON-RPC response object (empty when the answer is not JSON).
    QJsonObject call(std::string_view method, std::string_view paramsJson);

    // The error code of a response, 0 when it carries a result.
    static int errorCode(const QJsonObject& response);
    static QString errorMessage(const QJsonObject& response);

    RawHttpClient& connection();

private:
    std::uint16_t m_port;
    std::string m_token;
    std::unique_ptr<RawHttpClient> m_connection;
};

// Writes the data file into folder and returns its path.
QString writeTestDataFile(const QString& folder);

// A phase row of the calendar answer of GetCalendOrcOp, with the answer's fields, as a delta
// needs them.
struct CalendarSnapshot {
    QJsonArray fields;
    QJsonArray rows;

    QJsonArray row(const QString& code) const;  // empty when no row has that code
    int fieldIndex(const QString& name) const;
};
CalendarSnapshot loadCalendar(AppServerClient& client, const std::string& year = "2030",
                              const std::string& version = "2");

// A delta of updates: each pair is (old row, new row).
std::string updateDelta(const QJsonArray& fields,
                        const std::vector<std::pair<QJsonArray, QJsonArray>>& updates);

}  // namespace zrm::server::test
