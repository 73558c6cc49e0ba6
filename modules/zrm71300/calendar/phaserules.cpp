// The rules that guard a phase against change: a blocked phase whose period touches another phase,
// and a concluded phase. The post of a phase row and the edit of its month permissions both run them.

#include "domain/calendar/phaseperiod.h"
#include "framework/data/clientdataset.h"
#include "framework/ui/edit.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

void TfrmCalendOrc::VdFaseBloqConc(const QString& code, const QDateTime& start, const QDateTime& end) {
    const qint32 year = depAno->Value();
    const QString version = edtVersao->Text();

    cdsValBloq->SetData(
        Consiste::CheckResultServ(RdmCalendOrcOp::GetValDateBloq(netCalendOrcOp, code), true, 0));

    cdsValBloqDate->SetData(
        Consiste::CheckResultServ(RdmCalendOrcOp::GetDateBloq(netCalendOrcOp, year, version, code), true, 0));
    cdsValBloqDate->First();

    // Only the first row of the blocked-flag answer counts, and only an exact "S" blocks; both calls
    // are made whether the phase is blocked or not.
    cdsValBloq->First();
    const bool blocked =
        !cdsValBloq->IsEmpty() &&
        cdsValBloq->FieldByName(QStringLiteral("IDBLOQFASEORCA"))->AsString() == QLatin1String("S");
    const zrm::calendar::PhasePeriod period{start, end};
    for (; !cdsValBloqDate->Eof(); cdsValBloqDate->Next()) {
        const zrm::calendar::PhasePeriod other{
            cdsValBloqDate->FieldByName(QStringLiteral("DTINIFASEORCA"))->AsDateTime(),
            cdsValBloqDate->FieldByName(QStringLiteral("DTFINFASEORCA"))->AsDateTime()};
        if (blocked && zrm::calendar::periodConflict(period, other))
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("DataBloq")), true);
    }

    cdsBloqAltFase->SetData(
        Consiste::CheckResultServ(RdmCalendOrcOp::BloqDelFase(netCalendOrcOp, code, year, version), true, 0));
    if (!cdsBloqAltFase->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("BloqFase_Conc")), true);
}
