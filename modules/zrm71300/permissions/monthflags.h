#pragma once

// The month flags of the permission list: how each gesture changes a flag, and which phase-row field
// each month row writes. A flag is "S" (calculation permitted) or "N"; an empty flag counts as no and
// only an exact "S" counts as yes.

#include <QString>

#include <array>

namespace MonthFlags {

inline const QString Yes = QStringLiteral("S");
inline const QString No = QStringLiteral("N");

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
inline constexpr int MonthRows = 12;
inline constexpr std::array<const char*, MonthRows> PhaseFieldsByRow = {
    "IDPERMCALCDEZ", "IDPERMCALCNOV", "IDPERMCALCOUT", "IDPERMCALCSET", "IDPERMCALCAGO", "IDPERMCALCJUL",
    "IDPERMCALCJUN", "IDPERMCALCMAI", "IDPERMCALCABR", "IDPERMCALCMAR", "IDPERMCALCFEV", "IDPERMCALCJAN"};

// The phase-row field of month row recNo (1 … 12); "" for any other row number.
inline QString PhaseFieldOfRow(int recNo) {
    if (recNo < 1 || recNo > MonthRows)
        return {};
    return QLatin1String(PhaseFieldsByRow[recNo - 1]);
}

}  // namespace MonthFlags
