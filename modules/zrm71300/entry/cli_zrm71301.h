#pragma once

// Unit Cli_Zrm71301: the timeline screen's unit in the package. It holds the screen's one instance
// and the procedure behind its entry IniProcLinhaTempo, beside the budget-calendar screen's unit.

#include "library/package/packageinfo.h"

class TfrmLinhaTempo;

extern "C" {

// The one timeline screen; null until the entry call creates it, and again once it is closed.
ZRM_PACKAGE_EXPORT extern TfrmLinhaTempo* frmLinhaTempo;

// Opens the timeline screen: creates it on the first call (its creation handler runs then), and on
// every call shows it, brings it to the front and restores it from minimized or maximized, with the
// hourglass cursor meanwhile. A failure of the creation passes out unchanged and leaves
// frmLinhaTempo null, so the next call tries again.
ZRM_PACKAGE_EXPORT void criaLinhaTempo(void);

// The unit's finalization: closes a timeline screen still open. Never fails.
ZRM_PACKAGE_EXPORT void Cli_Zrm71301_Finalization(void);
}
