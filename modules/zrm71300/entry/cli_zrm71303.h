#pragma once

// Unit Cli_Zrm71303: the phase catalogue screen's unit in the package. It holds the screen's one
// instance and the procedure behind its entry IniProcFases, beside the budget-calendar screen's
// unit.

#include "library/package/packageinfo.h"

class TfrmFasesOrc;

extern "C" {

// The one phase catalogue screen; null until the entry call creates it, and again once it is closed.
ZRM_PACKAGE_EXPORT extern TfrmFasesOrc* frmFasesOrc;

// Opens the phase catalogue screen: creates it on the first call (its creation handler runs then),
// and on every call shows it, brings it to the front and restores it from minimized or maximized,
// with the hourglass cursor meanwhile. A failure of the creation passes out unchanged and leaves
// frmFasesOrc null, so the next call tries again.
ZRM_PACKAGE_EXPORT void criaFasesOrc(void);

// The unit's finalization: closes a phase catalogue screen still open. Never fails.
ZRM_PACKAGE_EXPORT void Cli_Zrm71303_Finalization(void);
}
