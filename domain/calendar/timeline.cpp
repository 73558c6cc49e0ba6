#include "domain/calendar/timeline.h"

namespace zrm::calendar {

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
        phase.conflict.reset();
        if (!phase.blocked)
            continue;
        const PhasePeriod period = phase.period();
        for (const TimelinePhase& other : std::as_const(phases)) {
            if (&other != &phase && periodConflict(period, other.period())) {
                phase.conflict = PhaseConflict{other.code, other.name};
                break;
            }
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

QList<TimelineLane> timelineLanes(const TimelineCalendar& shown, const TimelineCalendar* other) {
    QList<TimelineLane> lanes;
    for (const TimelinePhase& phase : shown.phases)
        lanes.append(TimelineLane{&phase, other ? other->phase(phase.code) : nullptr});
    if (other) {
        for (const TimelinePhase& phase : other->phases) {
            if (!shown.phase(phase.code))
                lanes.append(TimelineLane{nullptr, &phase});
        }
    }
    return lanes;
}

QList<TimelineDifference> compareCalendars(const TimelineCalendar& shown, const TimelineCalendar& other) {
    using Change = TimelineDifference::Change;
    QList<TimelineDifference> differences;
    for (const TimelinePhase& phase : shown.phases) {
        const TimelinePhase* before = other.phase(phase.code);
        const auto difference = [&](Change change) {
            TimelineDifference result;
            result.change = change;
            result.code = phase.code;
            result.name = phase.name;
            result.newStart = phase.start;
            result.newEnd = phase.end;
            result.newMonths = phase.permittedMonths;
            if (before) {
                result.oldStart = before->start;
                result.oldEnd = before->end;
                result.oldMonths = before->permittedMonths;
            }
            differences.append(result);
        };
        if (!before) {
            difference(Change::Added);
            continue;
        }
        if (before->start != phase.start || before->end != phase.end)
            difference(Change::Moved);
        if (before->permittedMonths != phase.permittedMonths)
            difference(Change::MonthsChanged);
    }
    for (const TimelinePhase& phase : other.phases) {
        if (shown.phase(phase.code))
            continue;
        TimelineDifference removed;
        removed.change = Change::Removed;
        removed.code = phase.code;
        removed.name = phase.name;
        removed.oldStart = phase.start;
        removed.oldEnd = phase.end;
        removed.oldMonths = phase.permittedMonths;
        differences.append(removed);
    }
    return differences;
}

}  // namespace zrm::calendar
