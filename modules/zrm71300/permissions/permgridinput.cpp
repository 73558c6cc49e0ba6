// What the user does on the permission grid: clicks, double clicks, keys and the flag column's title.
// Every change of a month requires the latest version of the year; each one reaches the server at
// once through the post of the phase row.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/speedbutton.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/permissions/monthflags.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QScopeGuard>

#include <algorithm>
#include <array>

namespace {

bool isFlagColumn(const TColumn* column) {
    return column && column->FieldName() == QLatin1String("IDPERMES");
}

// The keys the grid keeps: moving between its cells and the space bar. Anything else, Insert and
// Delete among them, could add or remove month rows or edit month names.
bool isKeptKey(int key) {
    static constexpr std::array Kept = {VK::Tab,  VK::Return, VK::Space, VK::Prior, VK::Next,
                                        VK::Left, VK::Up,     VK::Right, VK::Down};
    return std::find(Kept.begin(), Kept.end(), key) != Kept.end();
}

}  // namespace

void TfrmCalendOrc::dbgPermCalcCellClick(TColumn* Column) {
    if (!isFlagColumn(Column) || !mayChangeMonths() || StBloqCalc == MonthFlags::Yes)
        return;
    cdsPermCalc->DisableControls();
    const auto enable = qScopeGuard([this] { cdsPermCalc->EnableControls(); });
    AlteraCheck();
    writeMonthBack();
}

void TfrmCalendOrc::dbgPermCalcDblClick(QObject*) {
    if (selectedPermField() != QLatin1String("IDPERMES") || !mayChangeMonths() || !cdsPermCalc->Active() ||
        cdsPermCalc->IsEmpty() || cdsPermCalc->State() == TDataSetState::dsInsert)
        return;
    {
        cdsPermCalc->DisableControls();
        const auto enable = qScopeGuard([this] { cdsPermCalc->EnableControls(); });
        cdsPermCalc->Edit();
        permFlag()->SetAsString(MonthFlags::Toggled(permFlag()->AsString()));
        cdsPermCalc->Post();
    }
    // The verify command reloads the calendar, so the list shows what the server holds.
    runCommand(QStringLiteral("sbtVerificarClick"), sbtVerificar);
}

void TfrmCalendOrc::dbgPermCalcKeyDown(QObject*, int& Key, TShiftState Shift) {
    const QString selected = selectedPermField();
    if ((selected == QLatin1String("NMMES") || selected == QLatin1String("IDPERMES")) && !isKeptKey(Key))
        Key = 0;
    if (mayChangeMonths() && selected == QLatin1String("IDPERMES") && !(Shift & ssCtrl) && Key == VK::Space &&
        !cdsPermCalc->IsEmpty()) {
        // Only the month row here: the character of the same stroke writes it into the phase row.
        cdsPermCalc->Edit();
        permFlag()->SetAsString(MonthFlags::SpaceToggled(permFlag()->AsString()));
        cdsPermCalc->Post();
    }
}

void TfrmCalendOrc::dbgPermCalcKeyPress(QObject*, QChar& Key) {
    const QString selected = selectedPermField();
    if ((selected == QLatin1String("NMMES") || selected == QLatin1String("IDPERMES")) && Key != u'\t' &&
        Key != u'\r')
        Key = QChar();
    // Every character on the flag column writes the month back, even one just discarded.
    if (mayChangeMonths() && selected == QLatin1String("IDPERMES"))
        writeMonthBack();
}

void TfrmCalendOrc::dbgPermCalcTitleClick(TColumn* Column) {
    // An older version may not be changed: every single month already requires the latest one, and
    // its grid is read-only.
    if (!isFlagColumn(Column) || !mayChangeMonths())
        return;
    // The flag column selected, or the edit rules would refuse every month.
    permFlag()->FocusControl();
    cdsPermCalc->DisableControls();
    const auto enable = qScopeGuard([this] { cdsPermCalc->EnableControls(); });
    cdsPermCalc->First();
    const QString mode =
        permFlag()->AsString() == MonthFlags::Yes ? QStringLiteral("D") : QStringLiteral("M");
    if (MessageDlg(msgPadrao->Msg(QStringLiteral("ConfChec") + mode), mtConfirmation, {mbYes, mbNo}, 0) !=
        mrYes)
        return;
    try {
        markAllMonths(mode);
    } catch (...) {
        // Stopped part-way (a month refused, a failed save): the months already changed were not
        // sent, so the list shows the phase row again rather than flags the server does not hold.
        MesPerCal();
        throw;
    }
}

void TfrmCalendOrc::markAllMonths(const QString& mode) {
    {
        BusyScope busy(this, Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Marca_Apur") + mode));
        for (; !cdsPermCalc->Eof(); cdsPermCalc->Next()) {
            if (mode == QLatin1String("M"))
                MarcaCheck();
            else
                DesMarcaCheck();
        }
        cdsPermCalc->First();
    }
    // All twelve months take December's flag, January first, in one post of the phase row.
    const QString flag = permFlag()->AsString();
    writePhaseRow([&] {
        for (const zrm::calendar::Month& month : zrm::calendar::Months)
            cdsCalendOrcOp->FieldByName(QLatin1String(month.flagField))->SetAsString(flag);
    });
}

void TfrmCalendOrc::dbgPermCalcColEnter(QObject*) {}

void TfrmCalendOrc::dtsPermCalcDataChange(QObject*, TField*) {
    habilitabotoes();
}

void TfrmCalendOrc::cdsPermCalcAfterScroll(TClientDataSet*) {
    VdUltVers();
}

void TfrmCalendOrc::cdsPermCalcBeforeInsert(TClientDataSet*) {}

void TfrmCalendOrc::cdsPermCalcAfterInsert(TClientDataSet*) {}

void TfrmCalendOrc::cdsPermCalcAfterEdit(TClientDataSet*) {}
