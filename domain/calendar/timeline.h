#pragma once

// The budget calendar as a timeline shows it: the phases of one year and version with what tells them
// apart, one lane per phase (in compare mode also per phase only the other version has), and how two
// versions of a year differ.

#include "domain/calendar/monthflags.h"
#include "domain/calendar/phaseperiod.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace zrm::calendar {

// How a phase is drawn, the most telling first: a concluded phase can no longer change, a blocked
// phase guards its period, a calculation phase has months; the rest are ordinary.
enum class PhaseKind { Concluded, Blocked, Calculation, Ordinary };

// The phase whose period a blocked phase's period conflicts with.
struct PhaseConflict {
    QString code;
    QString name;

    bool operator==(const PhaseConflict&) const = default;
};

struct TimelinePhase {
    QString code;
    QString name;
    QDate start;
    QDate end;
    bool calculation = false;
    bool blocked = false;
    bool concluded = false;             // some branch has concluded it
    PermittedMonths permittedMonths{};  // calculation permitted, January first
    // Set by TimelineCalendar::markConflicts on a blocked phase: the first other phase, in the
    // calendar's order, whose period conflicts with its own.
    std::optional<PhaseConflict> conflict;

    PhaseKind kind() const;
    PhasePeriod period() const { return PhasePeriod::ofDays(start, end); }
};

struct TimelineCalendar {
    int year = 0;
    QString version;
    QDate today;                  // the server's today
    QList<TimelinePhase> phases;  // by start date

    // Gives every blocked phase whose period another phase's period conflicts with (periodConflict)
    // that phase as its conflict, and clears the conflict of every other phase. Never fails.
    void markConflicts();
    // The phase of code, or nullptr.
    const TimelinePhase* phase(const QString& code) const;
};

// One lane of the timeline: the phase of the shown version, of the other version, or of both. It
// points into the calendars it was made from, which must outlive it unchanged.
struct TimelineLane {
    const TimelinePhase* shown = nullptr;
    const TimelinePhase* other = nullptr;

    const TimelinePhase& phase() const { return shown ? *shown : *other; }
};

// The lanes of shown in its order, and when other is given, those of the phases only other has after
// them in other's order.
QList<TimelineLane> timelineLanes(const TimelineCalendar& shown, const TimelineCalendar* other);

// One difference between two versions of a year, seen from the other (older) one to the shown one.
// Phases are matched by code, so a phase whose name changed is the same phase.
struct TimelineDifference {
    enum class Change { Added, Removed, Moved, MonthsChanged };
    Change change = Change::Added;
    QString code;
    QString name;                 // the shown version's, for a removed phase the other's
    QDate oldStart, oldEnd;       // in the other version (Removed, Moved, MonthsChanged)
    QDate newStart, newEnd;       // in the shown version (Added, Moved, MonthsChanged)
    PermittedMonths oldMonths{};  // the other version's flags (Removed, Moved, MonthsChanged)
    PermittedMonths newMonths{};  // the shown version's flags (Added, Moved, MonthsChanged)
};

// The phases shown has and other has not (Added); for a phase both have, a change of its dates
// (Moved) and a change of its month flags (MonthsChanged), in that order; all in the shown version's
// order, then the phases other has and shown has not (Removed) in the other's order.
QList<TimelineDifference> compareCalendars(const TimelineCalendar& shown, const TimelineCalendar& other);

}  // namespace zrm::calendar
