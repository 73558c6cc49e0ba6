#include "domain/calendar/phaseperiod.h"

namespace zrm::calendar {

namespace {

QDateTime midnight(const QDate& day) {
    // In UTC, so no day of the year loses its midnight to a change of summer time.
    return day.isValid() ? QDateTime(day, QTime(0, 0), Qt::UTC) : QDateTime();
}

}  // namespace

PhasePeriod PhasePeriod::ofDays(const QDate& start, const QDate& end) {
    return {midnight(start), midnight(end)};
}

PeriodFault checkPeriod(const PhasePeriod& period) {
    if (!period.start.isValid())
        return PeriodFault::StartMissing;
    if (!period.end.isValid())
        return PeriodFault::EndMissing;
    if (period.end < period.start)
        return PeriodFault::EndBeforeStart;
    return PeriodFault::None;
}

QString periodRefusal(PeriodFault fault) {
    switch (fault) {
        case PeriodFault::None:
            break;
        case PeriodFault::StartMissing:
            return QStringLiteral("Data inicio deve ser informada.");
        case PeriodFault::EndMissing:
            return QStringLiteral("Data fim deve ser informada.");
        case PeriodFault::EndBeforeStart:
            return QStringLiteral("Data inicial deve ser menor ou igual a data final.");
    }
    return {};
}

bool periodConflict(const PhasePeriod& blocked, const PhasePeriod& other) {
    return other.holds(blocked.start) || other.holds(blocked.end);
}

}  // namespace zrm::calendar
