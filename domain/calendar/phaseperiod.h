#pragma once

// The period of a phase, the checks a period passes before it is stored, and the period rule of
// blocked phases. Periods are compared as full date-time values, whatever clock made them, as long as
// the values of one comparison come from the same clock.

#include <QDate>
#include <QDateTime>
#include <QString>

namespace zrm::calendar {

// The first and the last instant of a phase, both included. A null (or invalid) date-time is a bound
// not given.
struct PhasePeriod {
    QDateTime start;
    QDateTime end;

    // The period of whole days from start to end as the calendar stores it: each day at midnight.
    // A null date gives a bound not given.
    static PhasePeriod ofDays(const QDate& start, const QDate& end);

    // Whether instant lies in the period, bounds included.
    bool holds(const QDateTime& instant) const { return start <= instant && instant <= end; }
};

// What is wrong with a period, in the order the checks run.
enum class PeriodFault { None, StartMissing, EndMissing, EndBeforeStart };

// The first fault of period: no start, no end, an end before the start (an end equal to the start
// passes). Never fails.
PeriodFault checkPeriod(const PhasePeriod& period);

// The sentence a user reads when a period is refused for fault; empty for PeriodFault::None.
QString periodRefusal(PeriodFault fault);

// The period rule of blocked phases: the period of another phase conflicts with the period of a
// blocked phase when it holds the blocked phase's start or its end, all four bounds included: a
// period ending on the start or beginning on the end conflicts. A period lying wholly inside the
// blocked phase's, holding neither of its bounds, does not.
bool periodConflict(const PhasePeriod& blocked, const PhasePeriod& other);

// Why a blocked phase in period conflict with another phase is refused.
inline constexpr const char* BlockedPeriodRefusal =
    "Periodo de uma fase Bloqueada não pode ser igual ao de outras fases.";

}  // namespace zrm::calendar
