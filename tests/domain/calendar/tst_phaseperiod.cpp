// A phase's period: the checks before it is stored, and the period rule of blocked phases with its
// edges (shared bounds, one day, a second apart, bounds not given).

#include "domain/calendar/phaseperiod.h"

#include <gtest/gtest.h>

namespace zrm::calendar {
namespace {

QDateTime at(int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second), Qt::UTC);
}

PhasePeriod march(int firstDay, int lastDay) {
    return PhasePeriod::ofDays(QDate(2026, 3, firstDay), QDate(2026, 3, lastDay));
}

TEST(PhasePeriod, checkPeriod_findsTheFirstFaultInOrder) {
    const struct {
        const char* name;
        PhasePeriod period;
        PeriodFault fault;
        const char* refusal;
    } cases[] = {
        {"ordered", march(10, 20), PeriodFault::None, ""},
        {"one day", march(10, 10), PeriodFault::None, ""},
        {"same instant", {at(3, 10, 8), at(3, 10, 8)}, PeriodFault::None, ""},
        {"end one day before start", march(10, 9), PeriodFault::EndBeforeStart,
         "Data inicial deve ser menor ou igual a data final."},
        {"end one second before start",
         {at(3, 10, 8), at(3, 10, 7, 59, 59)},
         PeriodFault::EndBeforeStart,
         "Data inicial deve ser menor ou igual a data final."},
        {"no start", {QDateTime(), at(3, 10)}, PeriodFault::StartMissing, "Data inicio deve ser informada."},
        {"no end", {at(3, 10), QDateTime()}, PeriodFault::EndMissing, "Data fim deve ser informada."},
        {"neither: the start is missed first",
         {},
         PeriodFault::StartMissing,
         "Data inicio deve ser informada."},
        {"no date at all", PhasePeriod::ofDays(QDate(), QDate()), PeriodFault::StartMissing,
         "Data inicio deve ser informada."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkPeriod(c.period), c.fault);
        EXPECT_EQ(periodRefusal(checkPeriod(c.period)), QString::fromUtf8(c.refusal));
    }
}

TEST(PhasePeriod, periodConflict_holdsWhenTheOtherPeriodHoldsEitherBound) {
    // The blocked phase runs from 10 to 20 March.
    const PhasePeriod blocked = march(10, 20);
    const struct {
        const char* name;
        PhasePeriod other;
        bool conflict;
    } cases[] = {
        {"ends on the start", march(1, 10), true},
        {"begins on the end", march(20, 31), true},
        {"holds the start", march(5, 12), true},
        {"holds the end", march(18, 25), true},
        {"holds both", march(1, 31), true},
        {"the same period", march(10, 20), true},
        {"a single day on the start", march(10, 10), true},
        {"a single day on the end", march(20, 20), true},
        {"wholly inside, holding neither bound", march(12, 15), false},
        {"a single day inside", march(15, 15), false},
        {"the day after the end", march(21, 31), false},
        {"ends the day before the start", march(1, 9), false},
        {"ends a second before the start", {at(3, 1), at(3, 9, 23, 59, 59)}, false},
        {"begins a second after the end", {at(3, 20, 0, 0, 1), at(3, 31)}, false},
        {"ends in the first second of the start", {at(3, 1), at(3, 10, 0, 0, 0)}, true},
        {"another year", PhasePeriod::ofDays(QDate(2025, 3, 1), QDate(2025, 3, 31)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(periodConflict(blocked, c.other), c.conflict);
    }
}

TEST(PhasePeriod, periodConflict_ofOneDayBlockedPhase) {
    const PhasePeriod blocked = march(15, 15);
    EXPECT_TRUE(periodConflict(blocked, march(15, 15)));
    EXPECT_TRUE(periodConflict(blocked, march(1, 15)));
    EXPECT_TRUE(periodConflict(blocked, march(15, 31)));
    EXPECT_FALSE(periodConflict(blocked, march(16, 31)));
    EXPECT_FALSE(periodConflict(blocked, march(1, 14)));
}

// A bound not given sorts before every date-time: a period without a start holds every instant up
// to its end, one without an end holds none; a blocked phase without a bound conflicts only through
// the bound it has.
TEST(PhasePeriod, periodConflict_withBoundsNotGiven) {
    const PhasePeriod blocked = march(10, 20);
    const struct {
        const char* name;
        PhasePeriod blocked;
        PhasePeriod other;
        bool conflict;
    } cases[] = {
        {"other without a start, ending inside", blocked, {QDateTime(), at(3, 12)}, true},
        {"other without a start, ending before", blocked, {QDateTime(), at(3, 9)}, false},
        {"other without an end", blocked, {at(3, 1), QDateTime()}, false},
        {"other without either bound", blocked, {}, false},
        {"blocked without a start, other holding its end", {QDateTime(), at(3, 20)}, march(18, 25), true},
        {"blocked without an end, other holding its start", {at(3, 10), QDateTime()}, march(5, 12), true},
        {"blocked without an end, other elsewhere", {at(3, 10), QDateTime()}, march(12, 25), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(periodConflict(c.blocked, c.other), c.conflict);
    }
}

}  // namespace
}  // namespace zrm::calendar
