#include "modules/zrm71300/versions/frmversoes.h"

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/morvane.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"
#include "modules/zrm71300/data/rdmcadcalendorc.h"
#include "modules/zrm71300/platform/busyscope.h"

#include <QApplication>
#include <QKeyEvent>

TfrmVersoes::TfrmVersoes(QWidget* parent) : TfrmPadraoGrid(parent) {
    registerHandler(QStringLiteral("FormCreate"), this, &TfrmVersoes::FormCreate);
    registerHandler(QStringLiteral("FormShow"), this, &TfrmVersoes::FormShow);
    registerHandler(QStringLiteral("FormClose"), this, &TfrmVersoes::FormClose);
    registerHandler(QStringLiteral("netCadCalendOrcBeforeConnect"), this,
                    &TfrmVersoes::netCadCalendOrcBeforeConnect);
    registerHandler(QStringLiteral("panAnoExit"), this, &TfrmVersoes::panAnoExit);
    registerHandler(QStringLiteral("dtsPadraoStateChange"), this, &TfrmVersoes::dtsPadraoStateChange);
    registerHandler(QStringLiteral("pgcPadraoChange"), this, &TfrmVersoes::pgcPadraoChange);
    registerHandler(QStringLiteral("mnuVersoesClick"), this, &TfrmVersoes::mnuVersoesClick);
    registerHandler(QStringLiteral("mnuCicloClick"), this, &TfrmVersoes::mnuCicloClick);
    registerHandler(QStringLiteral("dbgPadraoKeyDown"), this, &TfrmVersoes::dbgPadraoKeyDown);
    registerHandler(QStringLiteral("sbtIncluirClick"), this, &TfrmVersoes::sbtIncluirClick);
    registerHandler(QStringLiteral("sbtAlterarClick"), this, &TfrmVersoes::sbtAlterarClick);
    registerHandler(QStringLiteral("sbtExcluirClick"), this, &TfrmVersoes::sbtExcluirClick);
    registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmVersoes::sbtVerificarClick);
    registerHandler(QStringLiteral("sbtConfirmarClick"), this, &TfrmVersoes::sbtConfirmarClick);
    registerHandler(QStringLiteral("sbtCancelarClick"), this, &TfrmVersoes::sbtCancelarClick);
    registerHandler(QStringLiteral("cdsVersoesBeforeInsert"), this, &TfrmVersoes::cdsVersoesBeforeInsert);
    registerHandler(QStringLiteral("cdsVersoesBeforeEdit"), this, &TfrmVersoes::cdsVersoesBeforeEdit);
    registerHandler(QStringLiteral("cdsVersoesBeforePost"), this, &TfrmVersoes::cdsVersoesBeforePost);
    registerHandler(QStringLiteral("cdsVersoesAfterPost"), this, &TfrmVersoes::cdsVersoesAfterPost);
    registerHandler(QStringLiteral("cdsVersoesBeforeDelete"), this, &TfrmVersoes::cdsVersoesBeforeDelete);
    registerHandler(QStringLiteral("cicloChange"), this, &TfrmVersoes::cicloChange);
}

void TfrmVersoesControls::resolve(zrm::ui::ControlResolver& controls) {
    ZRM_RESOLVE(controls, panAno);
    ZRM_RESOLVE(controls, depAno);
    ZRM_RESOLVE(controls, tshCiclo);
    ZRM_RESOLVE(controls, lblCicloAno);
    ZRM_RESOLVE(controls, depMesIni);
    ZRM_RESOLVE(controls, depAnoIni);
    ZRM_RESOLVE(controls, depMesFim);
    ZRM_RESOLVE(controls, depAnoFim);
    ZRM_RESOLVE(controls, lblCicloSituacao);
    ZRM_RESOLVE(controls, mnuVersoes);
    ZRM_RESOLVE(controls, mnuCiclo);
    ZRM_RESOLVE(controls, netCadCalendOrc);
    ZRM_RESOLVE(controls, cdsVersoes);
    ZRM_RESOLVE(controls, cdsAnoAnterior);
    ZRM_RESOLVE(controls, cdsCiclo);
}

void TfrmVersoes::resolveControls(zrm::ui::ControlResolver& controls) {
    TfrmPadraoGrid::resolveControls(controls);
    TfrmVersoesControls::resolve(controls);
}

// ---- Creation and the year ----

void TfrmVersoes::FormCreate(QObject* Sender) {
    TfrmPadraoGrid::FormCreate(Sender);
    // The screen opens even when the server does not answer: the user sees why, and verify loads
    // the year again.
    zrm::ui::guardUserAction(this, [this] {
        depAno->SetValue(Morvane::Today().year());
        netCadCalendOrc->SetConnected(true);
        CarregaAno();
    });
}

void TfrmVersoes::FormShow(QObject*) {
    depAno->SetFocus();
}

void TfrmVersoes::FormClose(QObject* Sender, TCloseAction& Action) {
    TfrmPadraoGrid::FormClose(Sender, Action);
    if (Action == caNone || !m_cycleChanged)
        return;
    if (MessageDlg(msgPadrao->Msg(QStringLiteral("CicloDescartar")), mtConfirmation, {mbYes, mbNo}, 0) !=
        mrYes)
        Action = caNone;
}

void TfrmVersoes::netCadCalendOrcBeforeConnect(QObject*) {
    netCadCalendOrc->SetPort(Morvane::WebPort());
    netCadCalendOrc->SetHost(Morvane::WebURL());
}

void TfrmVersoes::panAnoExit(QObject*) {
    ensureYearShown();
}

void TfrmVersoes::ensureYearShown() {
    if (depAno->Text() != m_loadedYear)
        CarregaAno();
}

void TfrmVersoes::CarregaAno() {
    if (Consiste::EmptyString(depAno->Text())) {
        depAno->SetFocus();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Ano_inf")), true);
    }
    if (editingOrInsertingVersion())
        cdsVersoes->Post();
    if (m_cycleChanged) {
        if (MessageDlg(msgPadrao->Msg(QStringLiteral("CicloDescartar")), mtConfirmation, {mbYes, mbNo}, 0) !=
            mrYes)
            Abort();
    }
    const QString year = depAno->Text();
    TRemoteResult versions;
    TRemoteResult cycle;
    {
        const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Buscando")));
        versions = RdmCadCalendOrc::GetVersoesAno(netCadCalendOrc, year);
        if (versions.ok)
            cycle = RdmCadCalendOrc::GetCiclo(netCadCalendOrc, year);
    }
    // Both answers are read before anything shown changes: a refusal leaves the year shown before.
    const zrm::DataPacket versionRows = Consiste::CheckResultServ(versions, true, 0);
    const zrm::DataPacket cycleRow = Consiste::CheckResultServ(cycle, true, 0);
    cdsVersoes->SetData(versionRows);
    cdsCiclo->SetData(cycleRow);
    m_loadedYear = year;
    m_cycleChanged = false;
    showCycle();
    applyCommandStates();
}

bool TfrmVersoes::editingOrInsertingVersion() const {
    const TDataSetState state = cdsVersoes->State();
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

bool TfrmVersoes::onCyclePage() const {
    return pgcPadrao->ActivePage() == tshCiclo;
}

// ---- Commands ----

namespace {

void setCommand(TSpeedButton* button, TMenuItem* item, bool enabled) {
    button->SetEnabled(enabled);
    item->SetEnabled(enabled);
}

}  // namespace

void TfrmVersoes::dtsPadraoStateChange(QObject* Sender) {
    TfrmPadraoGrid::dtsPadraoStateChange(Sender);
    applyCommandStates();
}

void TfrmVersoes::applyCommandStates() {
    const bool editing = editingOrInsertingVersion();
    const bool browsing = cdsVersoes->State() == TDataSetState::dsBrowse;
    const bool rows = browsing && !cdsVersoes->IsEmpty();
    const bool cyclePage = onCyclePage();
    const bool loaded = !m_loadedYear.isEmpty();
    const bool latest = rows && currentIsLatest();
    setCommand(sbtIncluir, mnuIncluir, !cyclePage && browsing && loaded);
    setCommand(sbtAlterar, mnuAlterar, !cyclePage && latest);
    setCommand(sbtExcluir, mnuExcluir, !cyclePage && latest);
    setCommand(sbtExportar, mnuExportar, !cyclePage && rows);
    setCommand(sbtLocalizar, mnuLocalizar, !cyclePage && rows);
    setCommand(sbtImprimir, mnuImprimir, !cyclePage && rows);
    setCommand(sbtConfirmar, mnuConfirmar, cyclePage ? m_cycleChanged : editing);
    setCommand(sbtCancelar, mnuCancelar, cyclePage ? m_cycleChanged : editing);
    setCommand(sbtVerificar, mnuVerificar, !editing);
    // The year cannot change under a description being typed.
    panAno->SetEnabled(!editing);
    tshCiclo->SetEnabled(!editing);
    mnuVersoes->SetChecked(!cyclePage);
    mnuCiclo->SetChecked(cyclePage);
}

void TfrmVersoes::pgcPadraoChange(QObject*) {
    applyCommandStates();
}

void TfrmVersoes::mnuVersoesClick(QObject*) {
    pgcPadrao->SetActivePage(tshPadrao);
    applyCommandStates();
}

void TfrmVersoes::mnuCicloClick(QObject*) {
    pgcPadrao->SetActivePage(tshCiclo);
    applyCommandStates();
}

void TfrmVersoes::dbgPadraoKeyDown(QObject* Sender, int& Key, TShiftState Shift) {
    const bool plain = (Shift & (ssShift | ssAlt | ssCtrl)) == 0;
    // A version comes only from the server: Down on the last row must not start a new row.
    if (Key == VK::Down && plain && cdsVersoes->State() == TDataSetState::dsBrowse &&
        cdsVersoes->RecNo() == cdsVersoes->RecordCount()) {
        Key = 0;
        return;
    }
    // The description is the only cell that takes typing: Enter ends it and stores it, rather than
    // moving on to cells that cannot be typed into.
    if (Key == VK::Return && plain && editingOrInsertingVersion()) {
        Key = 0;
        cdsVersoes->Post();
        return;
    }
    TfrmPadraoGrid::dbgPadraoKeyDown(Sender, Key, Shift);
}

void TfrmVersoes::sbtIncluirClick(QObject*) {
    NovaVersao();
}

void TfrmVersoes::sbtAlterarClick(QObject*) {
    ensureYearShown();
    if (!currentIsLatest())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("SoUltimaAlt")), true);
    dbgPadrao->SetFocus();
    dbgPadrao->SetSelectedField(cdsVersoes->FieldByName(QStringLiteral("DSVERSAOORCA")));
    cdsVersoes->Edit();
}

void TfrmVersoes::sbtExcluirClick(QObject*) {
    ExcluiVersao();
}

void TfrmVersoes::sbtVerificarClick(QObject*) {
    CarregaAno();
}

void TfrmVersoes::sbtConfirmarClick(QObject* Sender) {
    if (onCyclePage())
        GravaCiclo();
    else
        TfrmPadraoGrid::sbtConfirmarClick(Sender);
}

void TfrmVersoes::sbtCancelarClick(QObject* Sender) {
    if (!onCyclePage()) {
        TfrmPadraoGrid::sbtCancelarClick(Sender);
        return;
    }
    if (MessageDlg(msgPadrao->Msg(QStringLiteral("Cancelar")), mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
        Abort();
    showCycle();
    applyCommandStates();
}

void TfrmVersoes::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const QWidget* focus = QApplication::focusWidget();
    if (plain && event->key() == Qt::Key_F5) {
        event->accept();
        zrm::ui::guardUserAction(this, [this] {
            if (editingOrInsertingVersion())
                cdsVersoes->Post();
            CarregaAno();
        });
    } else if (plain && enter && focus && panAno->isAncestorOf(focus)) {
        event->accept();
        zrm::ui::guardUserAction(this, [this] { CarregaAno(); });
    } else if (plain && enter && focus && tshCiclo->isAncestorOf(focus)) {
        event->accept();
        zrm::ui::guardUserAction(this, [this] { GravaCiclo(); });
    } else {
        TfrmPadraoGrid::keyPressEvent(event);
    }
}
