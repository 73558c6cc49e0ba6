#pragma once

// The month flags of the permission list: how each gesture changes a flag, and which phase-row field
// each month row writes. A flag is "S" (calculation permitted) or "N"; an empty flag counts as no and
// only an exact "S" counts as yes (zrm::calendar::isPermitted).

#include "domain/calendar/monthflags.h"

#include <QString>

namespace MonthFlags {

inline const QString Yes = QLatin1String(zrm::calendar::PermittedFlag);
inline const QString No = QLatin1String(zrm::calendar::NotPermittedFlag);

// Mark: any flag but "S" becomes "S".
inline QString Marked(const QString&) {
    return Yes;
}

// Unmark: "S" becomes "N"; any other flag, an empty one included, stays as it is.
inline QString Unmarked(const QString& flag) {
    return flag == Yes ? No : flag;
}

// Toggle of a click or a double click: "S" becomes "N", anything else "S".
inline QString Toggled(const QString& flag) {
    return flag == Yes ? No : Yes;
}

// Toggle of the space bar: "N" or empty becomes "S", anything else "N".
inline QString SpaceToggled(const QString& flag) {
    return flag == No || flag.isEmpty() ? Yes : No;
}

// The list holds twelve month rows, December at the top (row 1) down to January (row 12); the row
// number fixes the month and with it the phase-row field the row is written into.
inline constexpr int MonthRows = zrm::calendar::MonthCount;

// The phase-row field of month row recNo (1 … 12); "" for any other row number.
inline QString PhaseFieldOfRow(int recNo) {
    if (recNo < 1 || recNo > MonthRows)
        return {};
    return QLatin1String(zrm::calendar::monthFlagField(MonthRows + 1 - recNo));
}

}  // namespace MonthFlags
