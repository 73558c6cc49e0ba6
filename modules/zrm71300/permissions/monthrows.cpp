// The month rows of the permission list changed one at a time, and written back into the phase row.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "library/zul/consiste.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/permissions/monthflags.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QScopeGuard>

void TfrmCalendOrc::MarcaCheck() {
    changeMonthRow(&MonthFlags::Marked);
}

void TfrmCalendOrc::DesMarcaCheck() {
    changeMonthRow(&MonthFlags::Unmarked);
}

void TfrmCalendOrc::AlteraCheck() {
    changeMonthRow(&MonthFlags::Toggled);
}

void TfrmCalendOrc::changeMonthRow(QString (*change)(const QString& flag)) {
    if (cdsPermCalc->State() != TDataSetState::dsBrowse)
        return;
    cdsPermCalc->Edit();
    permFlag()->SetAsString(change(permFlag()->AsString()));
    if (permFlag()->AsString().isEmpty()) {
        // An empty month stays in edit, open for typing on its flag; the next move posts it.
        dbgPermCalc->SetOptions(dbgPermCalc->Options() | dgEditing);
        dbgPermCalc->SetSelectedIndex(Consiste::IndiceCol(dbgPermCalc, QStringLiteral("IDPERMES")));
        return;
    }
    boInsert = true;
    const auto posted = qScopeGuard([] { boInsert = false; });
    cdsPermCalc->Post();
}

void TfrmCalendOrc::writeMonthBack() {
    const QString field = MonthFlags::PhaseFieldOfRow(cdsPermCalc->RecNo());
    if (field.isEmpty())
        return;
    writePhaseRow([&] { cdsCalendOrcOp->FieldByName(field)->SetAsString(permFlag()->AsString()); });
}

void TfrmCalendOrc::writePhaseRow(const std::function<void()>& write) {
    if (cdsCalendOrcOp->IsEmpty())
        return;
    cdsCalendOrcOp->Edit();
    write();
    cdsCalendOrcOp->Post();
}

TField* TfrmCalendOrc::permFlag() const {
    return cdsPermCalc->FieldByName(QStringLiteral("IDPERMES"));
}

QString TfrmCalendOrc::selectedPermField() const {
    const TField* field = dbgPermCalc->SelectedField();
    return field ? field->FieldName() : QString();
}

bool TfrmCalendOrc::mayChangeMonths() {
    return stUltVers == MonthFlags::Yes;
}
