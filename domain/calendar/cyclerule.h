#pragma once

// The rule a budget year's cycle obeys, the same for the screen (which checks it before asking) and
// the server (which refuses a cycle that breaks it): the cycle runs from the first day of its start
// month to its end month, starts no later than it ends, and spans at most MaxCycleMonths months,
// both ends counted.

#include <QDate>
#include <QString>

namespace zrm::calendar {

struct CycleMonths {
    int startYear = 0;
    int startMonth = 0;  // 1 … 12
    int endYear = 0;
    int endMonth = 0;

    // The first days of the start and end months.
    QDate start() const { return {startYear, startMonth, 1}; }
    QDate end() const { return {endYear, endMonth, 1}; }
    // The months the cycle spans, both ends counted: 1 when it starts and ends in the same month, 0
    // or less when it ends before it starts.
    int span() const { return (endYear - startYear) * 12 + (endMonth - startMonth) + 1; }

    // The cycle of a start and end (their days are not looked at).
    static CycleMonths of(const QDate& start, const QDate& end);
};

inline constexpr int MaxCycleMonths = 24;

enum class CycleFault {
    None,
    StartAfterEnd,  // the start month comes after the end month
    TooLong,        // more than MaxCycleMonths months
};

// What is wrong with cycle, None when nothing is. Never fails.
CycleFault checkCycle(const CycleMonths& cycle);

// The sentence the server refuses cycle with; empty when the cycle passes.
QString cycleRefusal(const CycleMonths& cycle);

// The date-time text a month of the cycle is stored and sent as: its first day at midnight
// ("2026-04-01T00:00:00").
QString monthText(const QDate& firstDay);

}  // namespace zrm::calendar
