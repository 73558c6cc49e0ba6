#pragma once

// The budget calendar as the timeline screen draws it: the phases of one year and version in
// start-date order with what tells them apart, and how two versions of a year differ.

#include <QDate>
#include <QList>
#include <QString>

#include <array>

// How a phase is drawn, the most telling first: a concluded phase can no longer change, a blocked
// phase guards its period, a calculation phase has months; the rest are ordinary.
enum class PhaseKind { Concluded, Blocked, Calculation, Ordinary };

struct TimelinePhase {
    QString code;
    QString name;
    QDate start;
    QDate end;
    bool calculation = false;
    bool blocked = false;
    bool concluded = false;                  // some branch has concluded it
    std::array<bool, 12> permittedMonths{};  // calculation permitted, January first
    bool conflict = false;                   // blocked, and another phase's period touches its own

    PhaseKind kind() const;
};

struct TimelineCalendar {
    int year = 0;
    QString version;
    QDate today;                  // the server's today
    QList<TimelinePhase> phases;  // by start date

    // Marks every blocked phase whose period another phase's period touches (PeriodConflict, the
    // rule the budget-calendar screen enforces on a blocked phase). Never fails.
    void markConflicts();
    // The phase of code, or nullptr.
    const TimelinePhase* phase(const QString& code) const;
};

// One difference between two versions of a year, seen from the older (other) to the shown one.
struct TimelineDifference {
    enum class Change { Added, Removed, Moved };
    Change change;
    QString code;
    QString name;
    QDate oldStart, oldEnd;  // in the other version (Removed, Moved)
    QDate newStart, newEnd;  // in the shown version (Added, Moved)
};

// The phases shown has and other has not (Added), other has and shown has not (Removed), and those
// whose dates differ (Moved), in the shown version's order, then the removed ones in the other's.
QList<TimelineDifference> compareCalendars(const TimelineCalendar& shown, const TimelineCalendar& other);
