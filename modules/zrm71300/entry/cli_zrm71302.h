#pragma once

// Unit Cli_Zrm71302: the screen "Versões do calendário" in the package. It holds the screen's one
// instance and the procedure behind its entry IniProcVersoes.

#include "library/package/packageinfo.h"

class TfrmVersoes;

extern "C" {

// The one versions screen; null until the entry call creates it, and again once it is closed.
ZRM_PACKAGE_EXPORT extern TfrmVersoes* frmVersoes;

// Opens the versions screen: creates it on the first call (its creation handler runs then), and on
// every call shows it, brings it to the front and restores it from minimized or maximized, with the
// hourglass cursor meanwhile. A failure of the creation passes out unchanged and leaves frmVersoes
// null, so the next call tries again.
ZRM_PACKAGE_EXPORT void criaVersoes(void);

// The unit's finalization: closes a versions screen still open. Never fails.
ZRM_PACKAGE_EXPORT void Cli_Zrm71302_Finalization(void);
}
