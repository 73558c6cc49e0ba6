// Choosing the year and the version of the calendar shown, and whether it may be changed: entering
// the year-and-version panel closes the calendar, leaving it reloads and checks it, the search
// button offers the year's versions, and only the latest version of a year may be changed.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/focustracker.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/pagecontrol98.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/screen/commandrules.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QRegularExpressionValidator>

namespace {

// Runs check; whatever stops it puts the focus on box before it travels on.
template <class Check>
void focusOnFailure(QWidget* box, Check check) {
    try {
        check();
    } catch (...) {
        box->setFocus(Qt::OtherFocusReason);
        throw;
    }
}

}  // namespace

// ---- The panel ----

void TfrmCalendOrc::panAnoEnter(QObject*) {
    // Showing the screen puts the focus on the year box from no other control of the screen, and a
    // window coming back to the front may hand it over from the scroll box around the panel: neither
    // is the user entering the panel, and the calendar shown stays.
    const QWidget* from = focusTracker()->previousControl();
    if (!from || from->isAncestorOf(panAno))
        return;
    saveUnsavedWork();
    cdsCalendOrcOp->Close();
}

void TfrmCalendOrc::saveUnsavedWork() {
    TClientDataSet* calendar = cdsCalendOrcOp;
    if (!calendar->Active())
        return;
    if (editingOrInserting(calendar->State()))
        calendar->Post();  // its checks and its save run as when the row is left in the grid
    else
        // Changes a failed save left behind are tried once more; a refusal for good brings the
        // cursor back to the current phase.
        SaveCalendOrcOp(calendar->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString());
}

void TfrmCalendOrc::panAnoExit(QObject*) {
    // A row still being edited means entering the panel refused to close the calendar: its checks
    // put the focus back on the row, and reloading now would throw away what was typed.
    if (cdsCalendOrcOp->Active() && editingOrInserting(cdsCalendOrcOp->State()))
        return;
    saveUnsavedWork();
    GetCalendOrcOp(depAno->Text(), edtVersao->Text());
    VdAno();
    VdVersao();
    VdUltVers();
    cdsAux->SetData(cdsCalendOrcOp->GetData());
    ValCiclo();
}

void TfrmCalendOrc::depAnoExit(QObject*) {}

void TfrmCalendOrc::edtVersaoExit(QObject*) {}

// ---- The checks ----

void TfrmCalendOrc::VdAno() {
    focusOnFailure(depAno, [this] {
        if (Consiste::EmptyString(depAno->Text()))
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Ano_inf")), true);
    });
}

void TfrmCalendOrc::VdVersao() {
    focusOnFailure(edtVersao, [this] {
        if (edtVersao->Text().isEmpty()) {
            edtVersao->SetFocus();
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("ver_Inf")), true);
        }
        GetVersao(edtVersao->Text(), QString(), depAno->Text());
        if (cdsVersao->IsEmpty())
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Ver_Cad")), true);
    });
}

void TfrmCalendOrc::VdUltVers() {
    // The latest version belongs to one year: a new year needs it fetched again even when the
    // version box did not change.
    if (stVerifVers == QLatin1String("S") || m_latestVersionYear != depAno->Text()) {
        GetVersao(QString(), QStringLiteral("T"), depAno->Text());
        cdsVersao->First();
        // The server lists the latest version first; without versions any version shown is older.
        stversAtu = cdsVersao->IsEmpty() ? QString()
                                         : cdsVersao->FieldByName(QStringLiteral("CDVERSAOORCA"))->AsString();
        m_latestVersionYear = depAno->Text();
        stVerifVers = QStringLiteral("N");
    }
    if (pgcPadrao->ActivePage() != tshPadrao)
        return;

    const bool latest = edtVersao->Text() == stversAtu;
    dbgPadrao->SetReadOnly(!latest);
    dbgPermCalc->SetReadOnly(!latest);
    // Insert, modify and delete come back only as far as the command rules allow them, on the
    // toolbar and in the menu alike.
    const CommandRules rules = commandRules();
    const bool insert = latest && rules.insertAllowed();
    const bool modify = latest && rules.recordCommandsAllowed();
    sbtIncluir->SetEnabled(insert);
    mnuIncluir->SetEnabled(insert);
    sbtAlterar->SetEnabled(modify);
    mnuAlterar->SetEnabled(modify);
    sbtExcluir->SetEnabled(modify);
    mnuExcluir->SetEnabled(modify);
    // Locating a row changes nothing: an older version keeps it. Set here too because a load reopens
    // the phase rows before the version it loaded is known, and this check runs once it is.
    sbtLocalizar->SetEnabled(rules.recordCommandsAllowed());
    mnuLocalizar->SetEnabled(rules.recordCommandsAllowed());
    stUltVers = latest ? QStringLiteral("S") : QStringLiteral("N");
}

// ---- The version list ----

void TfrmCalendOrc::GetVersao(const QString& version, const QString& mode, const QString& year) {
    const BusyScope busy(Showavi::KindSaving);
    cdsVersao->SetData(
        Consiste::CheckResultServ(RdmCalendOrcOp::GetVersao(netCalendOrcOp, year, version, mode), true, 0));
}

void TfrmCalendOrc::btnVersaoBeforePesq(QObject*, bool&) {
    GetVersao(QString(), QStringLiteral("T"), depAno->Text());
}

void TfrmCalendOrc::btnVersaoAfterPesq(QObject*) {
    edtVersao->SetText(cdsVersao->FieldByName(QStringLiteral("CDVERSAOORCA"))->AsString());
    GetCalendOrcOp(depAno->Text(), edtVersao->Text());
}

// ---- The version box ----

// Handlers are members even when they use no member: the form binds them by name to its events.
// NOLINTNEXTLINE(readability-convert-member-functions-to-static)
void TfrmCalendOrc::edtVersaoChange(QObject*) {
    stVerifVers = QStringLiteral("S");
}

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): a handler, as above
void TfrmCalendOrc::edtVersaoKeyPress(QObject*, QChar& Key) {
    // A version is a number: digits and the editing keys only.
    const char16_t code = Key.unicode();
    if (!(Key >= u'0' && Key <= u'9') && code != 8 && code != 9 && code != 13)
        Key = QChar();
}

void TfrmCalendOrc::acceptDigitsOnlyInVersionBox() {
    // Pasted text passes no key filter: the box itself refuses anything but digits.
    edtVersao->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edtVersao));
}
