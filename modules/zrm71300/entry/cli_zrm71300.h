#pragma once

// Unit Cli_Zrm71300: the budget-calendar screen's unit. It holds the module variables the package
// exports, the procedure behind the package's screen entry and the unit's initialization and
// finalization. The variables live once per loaded package and start empty (texts), false (flags)
// and null (the screen).

#include "library/package/packageinfo.h"

#include <QString>

class TfrmCalendOrc;

extern "C" {

// The one screen instance; null until the entry call creates it, and again once it is closed.
ZRM_PACKAGE_EXPORT extern TfrmCalendOrc* frmCalendOrc;
// The screen has been created (and not closed since).
ZRM_PACKAGE_EXPORT extern bool boStCriado;
// True while a row operation of the permission grid posts the month row it has just changed.
ZRM_PACKAGE_EXPORT extern bool boInsert;
// "S" while the version shown is the latest version of the year, so the calendar may be changed.
ZRM_PACKAGE_EXPORT extern QString stUltVers;
// "S" when the latest version of the year must be fetched again at the next version check.
ZRM_PACKAGE_EXPORT extern QString stVerifVers;
// The latest version of the year, as last fetched.
ZRM_PACKAGE_EXPORT extern QString stversAtu;
// While "S", clicks on a month's flag in the permission grid change nothing; only a user of the
// exported variable sets it.
ZRM_PACKAGE_EXPORT extern QString StBloqCalc;

// Opens the screen: creates it on the first call (its creation handler runs then), and on every
// call shows it, brings it to the front and restores it from minimized or maximized, with the
// hourglass cursor meanwhile. A failure of the creation passes out unchanged and leaves frmCalendOrc
// null and boStCriado false, so the next call tries again.
ZRM_PACKAGE_EXPORT void criaCalendOrc(void);

// The unit's initialization: on the first request of its use count, marks the screen as not
// created. Never fails.
ZRM_PACKAGE_EXPORT void Cli_Zrm71300_Initialization(void);
// The unit's finalization: on the release of the last request, closes a screen still open and
// clears StBloqCalc, stversAtu, stVerifVers and stUltVers, in this order. Never fails.
ZRM_PACKAGE_EXPORT void Cli_Zrm71300_Finalization(void);
}
