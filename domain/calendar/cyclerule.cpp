#include "domain/calendar/cyclerule.h"

namespace zrm::calendar {

CycleMonths CycleMonths::of(const QDate& start, const QDate& end) {
    return {start.year(), start.month(), end.year(), end.month()};
}

CycleFault checkCycle(const CycleMonths& cycle) {
    const int months = cycle.span();
    if (months < 1)
        return CycleFault::StartAfterEnd;
    if (months > MaxCycleMonths)
        return CycleFault::TooLong;
    return CycleFault::None;
}

QString cycleRefusal(const CycleMonths& cycle) {
    switch (checkCycle(cycle)) {
        case CycleFault::None:
            break;
        case CycleFault::StartAfterEnd:
            return QStringLiteral("O mês inicial do ciclo não pode ser posterior ao mês final.");
        case CycleFault::TooLong:
            return QStringLiteral("O ciclo pode abranger no máximo %1 meses; o informado abrange %2.")
                .arg(MaxCycleMonths)
                .arg(cycle.span());
    }
    return {};
}

QString monthText(const QDate& firstDay) {
    return firstDay.toString(Qt::ISODate) + QStringLiteral("T00:00:00");
}

}  // namespace zrm::calendar
