// The verify command (fetch the calendar, the current catalogue entry and the year's cycle again)
// and the confirm command (post the phase row being edited, then the month row).

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/edit.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/screen/commandrules.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

void TfrmCalendOrc::sbtVerificarClick(QObject*) {
    GetCalendOrcOp(depAno->Text(), edtVersao->Text());
    {
        const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("GetCalendOrcOp")));
        TClientDataSet* catalogue = cdsFaseOrc;
        const QString code = catalogue->Active() && !catalogue->IsEmpty()
                                 ? catalogue->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString()
                                 : QString();
        catalogue->SetData(
            Consiste::CheckResultServ(RdmCalendOrcOp::GetFaseOrc(netCalendOrcOp, code), true, 0));
        ValCiclo();
    }
    cdsCalendOrcOp->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->SetTag(1);
    cdsCalendOrcOp->FieldByName(QStringLiteral("NMFASEORCOPERAC"))->SetTag(1);
    cdsCalendOrcOpAfterScroll(cdsCalendOrcOp);
}

void TfrmCalendOrc::sbtConfirmarClick(QObject*) {
    if (editingOrInserting(dtsPadrao->State())) {
        // The phase row carries the version shown; a text that is no number is refused here.
        cdsCalendOrcOp->FieldByName(QStringLiteral("CDVERSCALENORCA"))->SetAsString(edtVersao->Text());
        cdsCalendOrcOp->Post();
    }
    if (dtsPermCalc->State() == TDataSetState::dsEdit)
        cdsPermCalc->Post();
}
