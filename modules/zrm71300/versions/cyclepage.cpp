// The page "Ciclo do ano": the months the year's budget cycle runs through, as stored or as the
// server's default, edited in four boxes, checked here and stored on the server.

#include "domain/calendar/cyclerule.h"
#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/ui/label.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/data/rdmcadcalendorc.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/versions/frmversoes.h"

void TfrmVersoes::showCycle() {
    const QDate start = cdsCiclo->FieldByName(QStringLiteral("MESINI"))->AsDateTime().date();
    const QDate end = cdsCiclo->FieldByName(QStringLiteral("MESFIN"))->AsDateTime().date();
    m_showingCycle = true;
    depMesIni->SetValue(start.month());
    depAnoIni->SetValue(start.year());
    depMesFim->SetValue(end.month());
    depAnoFim->SetValue(end.year());
    m_showingCycle = false;
    m_cycleChanged = false;
    lblCicloAno->SetCaption(msgPadrao->Msg(QStringLiteral("CicloAno")).arg(m_loadedYear));
    const bool stored =
        cdsCiclo->FieldByName(QStringLiteral("IDCICLOGRAVADO"))->AsString() == QLatin1String("S");
    lblCicloSituacao->SetCaption(
        msgPadrao->Msg(stored ? QStringLiteral("CicloGravado") : QStringLiteral("CicloPadrao")));
}

void TfrmVersoes::cicloChange(QObject*) {
    if (m_showingCycle)
        return;
    m_cycleChanged = true;
    applyCommandStates();
}

zrm::calendar::CycleMonths TfrmVersoes::typedCycle() const {
    return {depAnoIni->Value(), depMesIni->Value(), depAnoFim->Value(), depMesFim->Value()};
}

void TfrmVersoes::GravaCiclo() {
    if (m_loadedYear.isEmpty())
        Abort();
    const zrm::calendar::CycleMonths cycle = typedCycle();
    switch (zrm::calendar::checkCycle(cycle)) {
        case zrm::calendar::CycleFault::StartAfterEnd:
            depMesIni->SetFocus();
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("CicloIniFim")), true);
            break;
        case zrm::calendar::CycleFault::TooLong:
            depMesFim->SetFocus();
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Ciclo24")).arg(cycle.span()), true);
            break;
        case zrm::calendar::CycleFault::None:
            break;
    }
    const QString year = m_loadedYear;
    {
        const BusyScope busy(Showavi::KindSaving, msgPadrao->Msg(QStringLiteral("Gravando")));
        Consiste::CheckResultServ(
            RdmCadCalendOrc::SetCiclo(netCadCalendOrc, year, zrm::calendar::monthText(cycle.start()),
                                      zrm::calendar::monthText(cycle.end())),
            true, 0);
        cdsCiclo->SetData(
            Consiste::CheckResultServ(RdmCadCalendOrc::GetCiclo(netCadCalendOrc, year), true, 0));
    }
    showCycle();
    applyCommandStates();
}
