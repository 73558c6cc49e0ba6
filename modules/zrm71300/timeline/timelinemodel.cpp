#include "modules/zrm71300/timeline/timelinemodel.h"

#include "modules/zrm71300/calendar/periodconflict.h"

PhaseKind TimelinePhase::kind() const {
    if (concluded)
        return PhaseKind::Concluded;
    if (blocked)
        return PhaseKind::Blocked;
    if (calculation)
        return PhaseKind::Calculation;
    return PhaseKind::Ordinary;
}

void TimelineCalendar::markConflicts() {
    for (TimelinePhase& phase : phases) {
        phase.conflict = false;
        if (!phase.blocked)
            continue;
        for (const TimelinePhase& other : std::as_const(phases)) {
            if (&other != &phase && PeriodConflict(other.start.startOfDay(), other.end.startOfDay(),
                                                   phase.start.startOfDay(), phase.end.startOfDay()))
                phase.conflict = true;
        }
    }
}

const TimelinePhase* TimelineCalendar::phase(const QString& code) const {
    for (const TimelinePhase& candidate : phases) {
        if (candidate.code == code)
            return &candidate;
    }
    return nullptr;
}

QList<TimelineDifference> compareCalendars(const TimelineCalendar& shown, const TimelineCalendar& other) {
    using Change = TimelineDifference::Change;
    QList<TimelineDifference> differences;
    for (const TimelinePhase& phase : shown.phases) {
        const TimelinePhase* before = other.phase(phase.code);
        if (!before)
            differences.append(
                TimelineDifference{Change::Added, phase.code, phase.name, {}, {}, phase.start, phase.end});
        else if (before->start != phase.start || before->end != phase.end)
            differences.append(TimelineDifference{Change::Moved, phase.code, phase.name, before->start,
                                                  before->end, phase.start, phase.end});
    }
    for (const TimelinePhase& phase : other.phases) {
        if (!shown.phase(phase.code))
            differences.append(
                TimelineDifference{Change::Removed, phase.code, phase.name, phase.start, phase.end, {}, {}});
    }
    return differences;
}
