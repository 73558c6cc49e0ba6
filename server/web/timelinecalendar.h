#pragma once

// One calendar as the read-only pages show it: the year, the version and the other versions of the
// year, the server's today, and the phases in start-date order with what tells them apart.

#include "server/rpc/remotemodule.h"

#include <QDate>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zrm::server {

struct TimelinePhase {
    std::string code;
    std::string name;
    QDate start;
    QDate end;
    bool calculation = false;  // a calculation phase: months matter
    bool blocked = false;
    bool concluded = false;                  // some branch has concluded it
    bool conflict = false;                   // blocked, and another phase's period touches its own
    std::array<bool, 12> permittedMonths{};  // calculation permitted, January first
};

struct TimelineCalendar {
    std::string year;
    qint64 version = 0;
    std::vector<qint64> versions;  // every version of the year, latest first
    QDate today;
    std::vector<TimelinePhase> phases;  // by start date
};

// Reads the calendar of year ("2026") and version (none: the latest) through the calendar module's
// own methods, as any client would. Gives nothing when the year has no versions or not that version.
// Throws RpcError as the module does (a malformed year, the database unavailable).
std::optional<TimelineCalendar> readTimelineCalendar(RemoteDataModule& module, const std::string& year,
                                                     std::optional<qint64> version);

}  // namespace zrm::server
