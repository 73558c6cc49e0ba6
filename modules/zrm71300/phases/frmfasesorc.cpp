#include "modules/zrm71300/phases/frmfasesorc.h"

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/morvane.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

TfrmFasesOrc::TfrmFasesOrc(QWidget* parent) : TfrmPadraoGrid(parent) {
    registerHandler(QStringLiteral("FormCreate"), this, &TfrmFasesOrc::FormCreate);
    registerHandler(QStringLiteral("FormShow"), this, &TfrmFasesOrc::FormShow);
    registerHandler(QStringLiteral("netBeforeConnect"), this, &TfrmFasesOrc::netBeforeConnect);
    registerHandler(QStringLiteral("pgcPadraoChanging"), this, &TfrmFasesOrc::pgcPadraoChanging);
    registerHandler(QStringLiteral("pgcPadraoChange"), this, &TfrmFasesOrc::pgcPadraoChange);
    registerHandler(QStringLiteral("dtsPadraoStateChange"), this, &TfrmFasesOrc::dtsPadraoStateChange);
    registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmFasesOrc::sbtVerificarClick);

    // The catalogue
    registerHandler(QStringLiteral("cdsFasesCadAfterInsert"), this, &TfrmFasesOrc::cdsFasesCadAfterInsert);
    registerHandler(QStringLiteral("cdsFasesCadAfterEdit"), this, &TfrmFasesOrc::cdsFasesCadAfterEdit);
    registerHandler(QStringLiteral("cdsFasesCadBeforePost"), this, &TfrmFasesOrc::cdsFasesCadBeforePost);
    registerHandler(QStringLiteral("cdsFasesCadAfterPost"), this, &TfrmFasesOrc::cdsFasesCadAfterPost);
    registerHandler(QStringLiteral("cdsFasesCadBeforeDelete"), this, &TfrmFasesOrc::cdsFasesCadBeforeDelete);
    registerHandler(QStringLiteral("cdsFasesCadAfterDelete"), this, &TfrmFasesOrc::cdsFasesCadAfterDelete);
    registerHandler(QStringLiteral("dbgPadraoKeyPress"), this, &TfrmFasesOrc::dbgPadraoKeyPress);

    // Conclusions
    registerHandler(QStringLiteral("depAnoChange"), this, &TfrmFasesOrc::depAnoChange);
    registerHandler(QStringLiteral("edtVersaoChange"), this, &TfrmFasesOrc::edtVersaoChange);
    registerHandler(QStringLiteral("btnVersaoBeforePesq"), this, &TfrmFasesOrc::btnVersaoBeforePesq);
    registerHandler(QStringLiteral("btnVersaoAfterPesq"), this, &TfrmFasesOrc::btnVersaoAfterPesq);
    registerHandler(QStringLiteral("sbtMostrarClick"), this, &TfrmFasesOrc::sbtMostrarClick);
    registerHandler(QStringLiteral("btnFaseBeforePesq"), this, &TfrmFasesOrc::btnFaseBeforePesq);
    registerHandler(QStringLiteral("btnFaseAfterPesq"), this, &TfrmFasesOrc::btnFaseAfterPesq);
    registerHandler(QStringLiteral("sbtRegistrarClick"), this, &TfrmFasesOrc::sbtRegistrarClick);
    registerHandler(QStringLiteral("sbtRetirarClick"), this, &TfrmFasesOrc::sbtRetirarClick);
    registerHandler(QStringLiteral("dtsConclusoesDataChange"), this, &TfrmFasesOrc::dtsConclusoesDataChange);
}

void TfrmFasesOrcControls::resolve(zrm::ui::ControlResolver& controls) {
    ZRM_RESOLVE(controls, tshConclusoes);
    ZRM_RESOLVE(controls, panCalendario);
    ZRM_RESOLVE(controls, depAno);
    ZRM_RESOLVE(controls, edtVersao);
    ZRM_RESOLVE(controls, btnVersao);
    ZRM_RESOLVE(controls, sbtMostrar);
    ZRM_RESOLVE(controls, edtFase);
    ZRM_RESOLVE(controls, btnFase);
    ZRM_RESOLVE(controls, edtFilial);
    ZRM_RESOLVE(controls, sbtRegistrar);
    ZRM_RESOLVE(controls, sbtRetirar);
    ZRM_RESOLVE(controls, dbgConclusoes);
    ZRM_RESOLVE(controls, netCadCalendOrc);
    ZRM_RESOLVE(controls, netCalendOrcOp);
    ZRM_RESOLVE(controls, cdsFasesCad);
    ZRM_RESOLVE(controls, cdsConclusoes);
    ZRM_RESOLVE(controls, cdsVersao);
    ZRM_RESOLVE(controls, cdsFasesCalend);
}

void TfrmFasesOrc::resolveControls(zrm::ui::ControlResolver& controls) {
    TfrmPadraoGrid::resolveControls(controls);
    TfrmFasesOrcControls::resolve(controls);
}

// ---- Creation ----

void TfrmFasesOrc::FormCreate(QObject* Sender) {
    TfrmPadraoGrid::FormCreate(Sender);
    cdsFasesCad->CreateDataSet();
    depAno->SetValue(Morvane::Today().year());
    // Versions, codes and branches are numbers: pasted text passes no key filter, the boxes refuse
    // anything but digits themselves.
    for (TEdit* box : {edtVersao, edtFase, edtFilial})
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    clearConclusions();
    // The screen opens even when the catalogue cannot be loaded: the user sees why, and the verify
    // command loads it again.
    zrm::ui::guardUserAction(this, [this] { GetFasesCad(); });
}

void TfrmFasesOrc::FormShow(QObject*) {
    dbgPadrao->SetFocus();
}

// Handlers are members even when they use no member: the form binds them by name to its events.
// NOLINTNEXTLINE(readability-convert-member-functions-to-static)
void TfrmFasesOrc::netBeforeConnect(QObject* Sender) {
    auto* connection = qobject_cast<TNetConnection*>(Sender);
    if (!connection)
        return;
    connection->SetPort(Morvane::WebPort());
    connection->SetHost(Morvane::WebURL());
}

// ---- Pages and commands ----

bool TfrmFasesOrc::onCatalogue() const {
    return pgcPadrao->ActivePage() == tshPadrao;
}

void TfrmFasesOrc::pgcPadraoChanging(QObject*, bool&) {
    // A refused post throws: the page stays, with the row and its message.
    cdsFasesCad->CheckBrowseMode();
}

void TfrmFasesOrc::pgcPadraoChange(QObject* Sender) {
    dtsPadraoStateChange(Sender);
    if (!onCatalogue() && m_shownYear.isEmpty())
        GetConclusoes();
}

void TfrmFasesOrc::dtsPadraoStateChange(QObject* Sender) {
    TfrmPadraoGrid::dtsPadraoStateChange(Sender);
    if (!onCatalogue()) {
        // The catalogue's commands act on the catalogue's rows, which the conclusions page hides.
        const std::pair<TSpeedButton*, TMenuItem*> catalogueCommands[] = {
            {sbtIncluir, mnuIncluir},     {sbtAlterar, mnuAlterar},   {sbtExcluir, mnuExcluir},
            {sbtLocalizar, mnuLocalizar}, {sbtExportar, mnuExportar}, {sbtImprimir, mnuImprimir}};
        for (const auto& [button, item] : catalogueCommands) {
            button->SetEnabled(false);
            item->SetEnabled(false);
        }
    }
    applyConclusionCommands();
}

void TfrmFasesOrc::applyConclusionCommands() {
    const bool shown = !m_shownYear.isEmpty();
    sbtRegistrar->SetEnabled(shown);
    sbtRetirar->SetEnabled(shown && !cdsConclusoes->IsEmpty());
}

void TfrmFasesOrc::sbtVerificarClick(QObject*) {
    cdsFasesCad->CheckBrowseMode();
    GetFasesCad(cdsFasesCad->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString());
    if (!onCatalogue())
        GetConclusoes();
}

void TfrmFasesOrc::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_F5 || onCatalogue() || event->modifiers() != Qt::NoModifier) {
        TfrmPadraoGrid::keyPressEvent(event);
        return;
    }
    event->accept();
    zrm::ui::guardUserAction(this, [this] { GetConclusoes(); });
}
