// Saving every change of the calendar the moment it is made, and the rules that refuse deleting a
// phase.

#include "framework/data/clientdataset.h"
#include "framework/ui/edit.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/platform/savechanges.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

namespace {

const QString CodeField = QStringLiteral("CDFASEORCOPERAC");

}  // namespace

void TfrmCalendOrc::cdsCalendOrcOpAfterPost(TClientDataSet*) {
    SaveCalendOrcOp(phaseField(CodeField)->AsString());
}

void TfrmCalendOrc::cdsCalendOrcOpAfterDelete(TClientDataSet*) {
    SaveCalendOrcOp(m_deletedPhase);
}

void TfrmCalendOrc::SaveCalendOrcOp(const QString& phase) {
    SaveChanges(
        cdsCalendOrcOp, msgPadrao->Msg(QStringLiteral("SetCalendOrcOp")),
        [this](const zrm::Delta& delta) {
            TRemoteResult result =
                RdmCalendOrcOp::SetCalendOrcOp(netCalendOrcOp, delta, m_pendingSaveId.idFor(delta));
            m_pendingSaveId.settle(result);
            return result;
        },
        [this, phase] {
            GetCalendOrcOp(depAno->Text(), edtVersao->Text());
            if (!phase.isEmpty())
                cdsCalendOrcOp->Locate(CodeField, phase);
        });
}

void TfrmCalendOrc::cdsCalendOrcOpBeforeDelete(TClientDataSet*) {
    // Every text is read before anything is asked or cancelled: a date that is not a date stops
    // the deletion with what was typed kept and nothing sent.
    const QString code = gridText(CodeField);
    const QDateTime start = gridDate(QStringLiteral("DTINIFASEORCA"));
    const QDateTime end = gridDate(QStringLiteral("DTFINFASEORCA"));

    cdsBloqDelFase->SetData(Consiste::CheckResultServ(
        RdmCalendOrcOp::BloqDelFase(netCalendOrcOp, code, depAno->Value(), edtVersao->Text()), true, 0));
    if (!cdsBloqDelFase->IsEmpty())
        refuseDeletion(QStringLiteral("BloqDel_Conc"));

    // Without a cycle the server's today would read as the zero date, before every phase, and a
    // running or ended phase could be deleted.
    if (cdsValCiclo->IsEmpty())
        ValCiclo();
    const QDateTime today = cdsValCiclo->FieldByName(QStringLiteral("DATAATU"))->AsDateTime();
    if (today >= end)
        refuseDeletion(QStringLiteral("BloqDel_Date"));
    if (today >= start && today <= end)
        refuseDeletion(QStringLiteral("BloqDel_DateAT"));
    m_deletedPhase = code;
}

void TfrmCalendOrc::refuseDeletion(const QString& key) {
    cdsCalendOrcOp->Cancel();
    Consiste::MensErro(msgPadrao->Msg(key), false);
    Abort();
}
