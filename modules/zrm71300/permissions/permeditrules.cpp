// The rules that decide whether a month row of the permission list may go into edit state.

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "library/zul/consiste.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

void TfrmCalendOrc::cdsPermCalcBeforeEdit(TClientDataSet*) {
    // Month names are never edited, and refusing them needs nothing from the server.
    if (selectedPermField() == QLatin1String("NMMES"))
        Abort();
    // The same rules that guard the post of a phase row, on the phase as stored: the permission
    // page posts phase rows without the post checks, so this is the only gate a month passes.
    const QString code = Consiste::GridText(dbgPadrao, QStringLiteral("CDFASEORCOPERAC"), false);
    VdFaseBloqConc(code, cdsCalendOrcOp->FieldByName(QStringLiteral("DTINIFASEORCA"))->AsDateTime(),
                   cdsCalendOrcOp->FieldByName(QStringLiteral("DTFINFASEORCA"))->AsDateTime());
}
