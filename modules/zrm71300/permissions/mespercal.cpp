// The permission list: the twelve month rows of the current phase row, December at the top.

#include "framework/data/clientdataset.h"
#include "framework/ui/pagecontrol.h"
#include "library/zul/messages.h"
#include "library/zul/pagecontrol98.h"
#include "modules/zrm71300/data/calendarfields.h"
#include "modules/zrm71300/screen/commandrules.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

void TfrmCalendOrc::cdsCalendOrcOpAfterScroll(TClientDataSet*) {
    if (cdsCalendOrcOp->IsEmpty()) {
        tshPermCalc->SetEnabled(false);
    } else if (!editingOrInserting(cdsCalendOrcOp->State())) {
        MesPerCal();
        if (cdsCalendOrcOp->FieldByName(QStringLiteral("IDFASECALCORCA"))->AsString() == QLatin1String("S")) {
            tshPermCalc->SetEnabled(true);
        } else {
            pgcPadrao->SetActivePage(tshPadrao);
            tshPermCalc->SetEnabled(false);
        }
    }
    VdUltVers();
}

void TfrmCalendOrc::MesPerCal() {
    cdsPermCalc->EmptyDataSet();
    for (int month = 1; month <= 12; ++month)
        insertMonth(month, cdsCalendOrcOp->Field(CalendarFields::PermCalcIndex(month))->AsString());
    cdsPermCalc->First();
}

void TfrmCalendOrc::buildDefaultMonths() {
    // The first load has already built the list of the first phase row when rows came; the list
    // always holds exactly twelve rows.
    if (!cdsPermCalc->IsEmpty())
        return;
    for (int month = 1; month <= 12; ++month)
        insertMonth(month, QStringLiteral("N"));
}

void TfrmCalendOrc::insertMonth(int month, const QString& flag) {
    // Insert places the new row before the current one, which it then becomes: inserting January
    // first leaves December at the top.
    cdsPermCalc->Insert();
    cdsPermCalc->FieldByName(QStringLiteral("NMMES"))->SetAsString(msgPadrao->Msg(QString::number(month)));
    cdsPermCalc->FieldByName(QStringLiteral("IDPERMES"))->SetAsString(flag);
    cdsPermCalc->Post();
}
