#include "modules/zrm71300/versions/cyclerule.h"

namespace versions {

CycleMonths CycleMonths::of(const QDate& start, const QDate& end) {
    return {start.year(), start.month(), end.year(), end.month()};
}

CycleProblem checkCycle(const CycleMonths& cycle) {
    const int months = cycle.span();
    if (months < 1)
        return CycleProblem::StartAfterEnd;
    if (months > MaxMonths)
        return CycleProblem::TooLong;
    return CycleProblem::None;
}

QString monthText(const QDate& firstDay) {
    return firstDay.toString(Qt::ISODate) + QStringLiteral("T00:00:00");
}

}  // namespace versions
