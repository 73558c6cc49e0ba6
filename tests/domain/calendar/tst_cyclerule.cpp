// A year's cycle: its span, both ends counted, the faults at and past its limits, and the sentence
// the server refuses each with.

#include "domain/calendar/cyclerule.h"

#include <gtest/gtest.h>

namespace zrm::calendar {
namespace {

TEST(CycleRule, spanFaultsAndRefusals) {
    const struct {
        CycleMonths cycle;
        int span;
        CycleFault fault;
        const char* refusal;  // empty: the cycle passes
    } cases[] = {
        {{2026, 1, 2026, 1}, 1, CycleFault::None, ""},
        {{2026, 1, 2026, 12}, 12, CycleFault::None, ""},
        {{2026, 4, 2027, 3}, 12, CycleFault::None, ""},
        {{2026, 1, 2027, 12}, 24, CycleFault::None, ""},
        {{2026, 1, 2028, 1},
         25,
         CycleFault::TooLong,
         "O ciclo pode abranger no máximo 24 meses; o informado abrange 25."},
        {{2026, 5, 2026, 4},
         0,
         CycleFault::StartAfterEnd,
         "O mês inicial do ciclo não pode ser posterior ao mês final."},
        {{2027, 1, 2026, 12},
         0,
         CycleFault::StartAfterEnd,
         "O mês inicial do ciclo não pode ser posterior ao mês final."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.span);
        EXPECT_EQ(c.cycle.span(), c.span);
        EXPECT_EQ(checkCycle(c.cycle), c.fault);
        EXPECT_EQ(cycleRefusal(c.cycle), QString::fromUtf8(c.refusal));
        const CycleMonths stored = CycleMonths::of(c.cycle.start(), c.cycle.end().addDays(14));
        EXPECT_EQ(stored.span(), c.span) << "the days of a stored start and end are not looked at";
    }
    EXPECT_EQ(monthText(QDate(2026, 4, 1)), QStringLiteral("2026-04-01T00:00:00"));
}

}  // namespace
}  // namespace zrm::calendar
