#pragma once

// The period rule of blocked phases: a period [otherStart, otherEnd] of another phase touches the
// period [phaseStart, phaseEnd] of the phase being checked when it holds the phase's start or its
// end, all four bounds inclusive. A period lying wholly inside the phase's without holding either of its
// dates does not touch it. Values are compared as full date-times.

#include <QDateTime>

inline bool PeriodConflict(const QDateTime& otherStart, const QDateTime& otherEnd,
                           const QDateTime& phaseStart, const QDateTime& phaseEnd) {
    const bool holdsStart = otherStart <= phaseStart && otherEnd >= phaseStart;
    const bool holdsEnd = otherStart <= phaseEnd && otherEnd >= phaseEnd;
    return holdsStart || holdsEnd;
}
