// The timeline of a calendar: what kind each phase is drawn as, which blocked phases are in conflict
// and with which phase, the lanes of one or two versions, and the differences between two versions.

#include "domain/calendar/timeline.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

namespace zrm::calendar {
namespace {

using Change = TimelineDifference::Change;

TimelinePhase phase(const char* code, const QDate& start, const QDate& end, bool blocked = false) {
    TimelinePhase result;
    result.code = QString::fromLatin1(code);
    result.name = QStringLiteral("Fase ") + result.code;
    result.start = start;
    result.end = end;
    result.blocked = blocked;
    return result;
}

QDate may(int day) {
    return {2026, 5, day};
}

// 2026, version 2: an ordinary phase in March, an ordinary one 25 Apr-15 May, a blocked one 10-31 May
// that the previous one conflicts with, and a blocked one in August that touches nothing.
class TimelineCalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_calendar.year = 2026;
        m_calendar.version = QStringLiteral("2");
        m_calendar.phases = {phase("01", QDate(2026, 3, 1), QDate(2026, 3, 31)),
                             phase("02", QDate(2026, 4, 25), may(15)), phase("03", may(10), may(31), true),
                             phase("04", QDate(2026, 8, 1), QDate(2026, 8, 10), true)};
        m_calendar.phases[0].calculation = true;
        m_calendar.phases[0].permittedMonths[2] = true;
        m_calendar.markConflicts();
    }

    // The codes of the lanes, "shown/other" each, "-" for a side without the phase.
    static QStringList laneCodes(const QList<TimelineLane>& lanes) {
        QStringList codes;
        for (const TimelineLane& lane : lanes)
            codes << (lane.shown ? lane.shown->code : QStringLiteral("-")) + QLatin1Char('/') +
                         (lane.other ? lane.other->code : QStringLiteral("-"));
        return codes;
    }

    TimelineCalendar m_calendar;
};

TEST_F(TimelineCalendarTest, kind_takesTheMostTellingTrait) {
    const struct {
        const char* name;
        bool concluded, blocked, calculation;
        PhaseKind kind;
    } cases[] = {
        {"ordinary", false, false, false, PhaseKind::Ordinary},
        {"calculation", false, false, true, PhaseKind::Calculation},
        {"blocked over calculation", false, true, true, PhaseKind::Blocked},
        {"concluded over everything", true, true, true, PhaseKind::Concluded},
        {"concluded ordinary", true, false, false, PhaseKind::Concluded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimelinePhase p;
        p.concluded = c.concluded;
        p.blocked = c.blocked;
        p.calculation = c.calculation;
        EXPECT_EQ(p.kind(), c.kind);
    }
}

TEST_F(TimelineCalendarTest, markConflicts_namesTheOtherPhaseOfEachBlockedOne) {
    const struct {
        const char* name;
        std::function<void(TimelineCalendar&)> change;
        std::optional<PhaseConflict> conflicts[4];
    } cases[] = {
        {"as loaded: 03 conflicts with 02",
         [](TimelineCalendar&) {},
         {std::nullopt, std::nullopt, PhaseConflict{QStringLiteral("02"), QStringLiteral("Fase 02")},
          std::nullopt}},
        {"an ordinary phase in conflict is not marked",
         [](TimelineCalendar& c) { c.phases[1].end = may(31); },
         {std::nullopt, std::nullopt, PhaseConflict{QStringLiteral("02"), QStringLiteral("Fase 02")},
          std::nullopt}},
        {"the first conflicting phase in the calendar's order is named",
         [](TimelineCalendar& c) { c.phases[0].end = may(31); },
         {std::nullopt, std::nullopt, PhaseConflict{QStringLiteral("01"), QStringLiteral("Fase 01")},
          std::nullopt}},
        {"two blocked phases sharing a bound name each other",
         [](TimelineCalendar& c) { c.phases[3].start = may(31); },
         {std::nullopt, std::nullopt, PhaseConflict{QStringLiteral("02"), QStringLiteral("Fase 02")},
          PhaseConflict{QStringLiteral("03"), QStringLiteral("Fase 03")}}},
        {"a period wholly inside the blocked one is no conflict",
         [](TimelineCalendar& c) { c.phases[1].start = may(12), c.phases[1].end = may(20); },
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
        {"a phase moved away clears the mark",
         [](TimelineCalendar& c) { c.phases[1].end = QDate(2026, 4, 30); },
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimelineCalendar calendar = m_calendar;
        c.change(calendar);
        calendar.markConflicts();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(calendar.phases[i].conflict, c.conflicts[i]) << "phase " << i;
    }
}

TEST_F(TimelineCalendarTest, timelineLanes_ofOneOrTwoVersions) {
    TimelineCalendar older = m_calendar;
    older.version = QStringLiteral("1");
    older.phases.removeAt(3);
    older.phases.append(phase("09", QDate(2026, 9, 1), QDate(2026, 9, 30)));
    older.phases.append(phase("08", QDate(2026, 10, 1), QDate(2026, 10, 30)));

    EXPECT_EQ(laneCodes(timelineLanes(m_calendar, nullptr)),
              (QStringList{QStringLiteral("01/-"), QStringLiteral("02/-"), QStringLiteral("03/-"),
                           QStringLiteral("04/-")}));
    // The shown version's lanes first, each with its phase in the other version; then the phases
    // only the other has, in its order.
    const QList<TimelineLane> lanes = timelineLanes(m_calendar, &older);
    EXPECT_EQ(laneCodes(lanes),
              (QStringList{QStringLiteral("01/01"), QStringLiteral("02/02"), QStringLiteral("03/03"),
                           QStringLiteral("04/-"), QStringLiteral("-/09"), QStringLiteral("-/08")}));
    EXPECT_EQ(&lanes[4].phase(), &older.phases[3]);
    EXPECT_EQ(&lanes[0].phase(), &m_calendar.phases[0]);
    EXPECT_TRUE(timelineLanes(TimelineCalendar{}, nullptr).isEmpty());
}

TEST_F(TimelineCalendarTest, compareCalendars_findsEachKindOfDifference) {
    const struct {
        const char* name;
        std::function<void(TimelineCalendar& shown, TimelineCalendar& other)> change;
        QList<std::pair<Change, QString>> differences;
    } cases[] = {
        {"the same calendar", [](TimelineCalendar&, TimelineCalendar&) {}, {}},
        {"a phase added",
         [](TimelineCalendar&, TimelineCalendar& other) { other.phases.removeAt(1); },
         {{Change::Added, QStringLiteral("02")}}},
        {"a phase removed",
         [](TimelineCalendar& shown, TimelineCalendar&) { shown.phases.removeAt(1); },
         {{Change::Removed, QStringLiteral("02")}}},
        {"an end moved",
         [](TimelineCalendar& shown, TimelineCalendar&) { shown.phases[0].end = may(7); },
         {{Change::Moved, QStringLiteral("01")}}},
        {"a start moved",
         [](TimelineCalendar& shown, TimelineCalendar&) { shown.phases[3].start = QDate(2026, 7, 30); },
         {{Change::Moved, QStringLiteral("04")}}},
        {"a month flag changed",
         [](TimelineCalendar& shown, TimelineCalendar&) { shown.phases[0].permittedMonths[11] = true; },
         {{Change::MonthsChanged, QStringLiteral("01")}}},
        {"a month flag changed on a phase that is not a calculation phase",
         [](TimelineCalendar&, TimelineCalendar& other) { other.phases[2].permittedMonths[0] = true; },
         {{Change::MonthsChanged, QStringLiteral("03")}}},
        {"moved and its months changed",
         [](TimelineCalendar& shown, TimelineCalendar&) {
             shown.phases[0].start = QDate(2026, 2, 1);
             shown.phases[0].permittedMonths[2] = false;
         },
         {{Change::Moved, QStringLiteral("01")}, {Change::MonthsChanged, QStringLiteral("01")}}},
        {"renamed: the same phase",
         [](TimelineCalendar& shown, TimelineCalendar&) { shown.phases[1].name = QStringLiteral("Outra"); },
         {}},
        {"the kind or the conflict alone is no difference of the calendar",
         [](TimelineCalendar& shown, TimelineCalendar&) {
             shown.phases[1].concluded = true;
             shown.phases[2].conflict.reset();
         },
         {}},
        {"added and removed in the shown order, then the removed in the other's",
         [](TimelineCalendar& shown, TimelineCalendar& other) {
             shown.phases.removeAt(3);
             shown.phases.removeAt(0);
             other.phases.removeAt(2);
         },
         {{Change::Added, QStringLiteral("03")},
          {Change::Removed, QStringLiteral("01")},
          {Change::Removed, QStringLiteral("04")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimelineCalendar shown = m_calendar;
        TimelineCalendar other = m_calendar;
        c.change(shown, other);
        QList<std::pair<Change, QString>> found;
        for (const TimelineDifference& difference : compareCalendars(shown, other))
            found.append({difference.change, difference.code});
        EXPECT_EQ(found, c.differences);
    }
}

TEST_F(TimelineCalendarTest, compareCalendars_carriesBothSidesOfAChange) {
    TimelineCalendar shown = m_calendar;
    shown.phases[0].end = may(7);
    shown.phases[0].permittedMonths[4] = true;
    shown.phases[1].name = QStringLiteral("Despesas revistas");
    shown.phases[1].start = QDate(2026, 4, 20);
    shown.phases.removeAt(3);

    const QList<TimelineDifference> differences = compareCalendars(shown, m_calendar);
    ASSERT_EQ(differences.size(), 4);
    const TimelineDifference& moved = differences[0];
    EXPECT_EQ(moved.change, Change::Moved);
    EXPECT_EQ(moved.oldStart, QDate(2026, 3, 1));
    EXPECT_EQ(moved.oldEnd, QDate(2026, 3, 31));
    EXPECT_EQ(moved.newStart, QDate(2026, 3, 1));
    EXPECT_EQ(moved.newEnd, may(7));

    const TimelineDifference& months = differences[1];
    EXPECT_EQ(months.change, Change::MonthsChanged);
    EXPECT_EQ(months.oldMonths, m_calendar.phases[0].permittedMonths);
    EXPECT_EQ(months.newMonths, shown.phases[0].permittedMonths);
    EXPECT_TRUE(months.newMonths[4] && !months.oldMonths[4]);

    // A renamed phase reads with the shown version's name.
    EXPECT_EQ(differences[2].change, Change::Moved);
    EXPECT_EQ(differences[2].name, QStringLiteral("Despesas revistas"));

    const TimelineDifference& removed = differences[3];
    EXPECT_EQ(removed.change, Change::Removed);
    EXPECT_EQ(removed.code, QStringLiteral("04"));
    EXPECT_EQ(removed.oldStart, QDate(2026, 8, 1));
    EXPECT_EQ(removed.oldEnd, QDate(2026, 8, 10));
    EXPECT_FALSE(removed.newStart.isValid());
}

}  // namespace
}  // namespace zrm::calendar
