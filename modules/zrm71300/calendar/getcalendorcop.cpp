// Loading the budget calendar of a year and version.

#include "framework/data/clientdataset.h"
#include "framework/ui/edit.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

void TfrmCalendOrc::GetCalendOrcOp(const QString& year, const QString& version) {
    {
        const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("GetCalendOrcOp")));
        // [calendar, version]: an answer holding fewer packets is reported like a failed call.
        const TRemoteData packets =
            Consiste::CheckResultServ(RdmCalendOrcOp::GetCalendOrcOp(netCalendOrcOp, year, version), true, 2);
        cdsCalendOrcOp->SetData(packets[0]);
        cdsVdAnoCalendOrcOp->SetData(packets[0]);
        cdsVer->SetData(packets[1]);
        edtVersao->SetText(cdsVer->FieldByName(QStringLiteral("CDVERSAO"))->AsString());
    }
    // The phase rows reopened, and their commands were decided, before the version they belong to
    // was known: now that it is, the commands and the latest-version rule follow the calendar loaded,
    // whichever way it was loaded.
    habilitabotoes();
    VdUltVers();
}

void TfrmCalendOrc::ValCiclo() {
    cdsValCiclo->SetData(
        Consiste::CheckResultServ(RdmCalendOrcOp::ValCiclo(netCalendOrcOp, depAno->Value()), true, 0));
}
