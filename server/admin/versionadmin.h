#pragma once

// The rules of a year's versions and cycle, whichever client asks: checked here, once, above the
// storage, inside the caller's write transaction. Every refusal throws RuleRefused with a Portuguese
// sentence and leaves the transaction to be rolled back.

#include "server/admin/adminstore.h"
#include "server/admin/changestamp.h"

#include <QDate>

#include <string>

namespace zrm::server {

class VersionAdmin {
public:
    // How a new version is filled.
    enum class Origin {
        LatestOfYear,  // "A": a copy of the year's latest version
        Empty,         // "V": no phases, for a year without versions
        PreviousYear,  // "P": the previous year's latest version, one year later
    };

    VersionAdmin(sql::Connection& connection, ChangeStamp stamp)
        : m_connection(connection), m_stamp(std::move(stamp)) {}

    // Creates the year's next version, filled as origin says, and returns its number: one above the
    // highest number the year ever used. Refused for "A" when the year has no version, for "V" and
    // "P" when it has, and for "P" when the previous year has none.
    qint64 create(const std::string& year, Origin origin, const std::string& description);

    // Sets the description of the year's latest version (empty: none). Refused for a version that
    // does not exist or is not the latest.
    void describe(const std::string& year, qint64 version, const std::string& description);

    // Deletes the year's latest version with the rows of its calendar. Refused for a version that
    // does not exist or is not the latest, and while some branch's concluded use refers to it.
    void remove(const std::string& year, qint64 version);

    // Stores the year's cycle: first and last are the first days of its first and last months.
    // Refused when it breaks the cycle rule (domain/calendar/cyclerule.h).
    void storeCycle(const std::string& year, const QDate& first, const QDate& last);

private:
    // The stored version, refused unless it is the year's latest. action names what was asked
    // ("alterada", "excluída").
    VersionSummary latestOnly(const std::string& year, qint64 version, const char* action);

    sql::Connection& m_connection;
    ChangeStamp m_stamp;
};

// A stored date-time one year later, the time of day kept: 29 February becomes 28 February.
std::string oneYearLater(const std::string& stored);

}  // namespace zrm::server
