#include "modules/zrm71300/screen/frmcalendorc.h"

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/image.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/morvane.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"

TfrmCalendOrc::TfrmCalendOrc(QWidget* parent) : TfrmPadraoGrid(parent) {
    registerHandler(QStringLiteral("FormCreate"), this, &TfrmCalendOrc::FormCreate);
    registerHandler(QStringLiteral("FormShow"), this, &TfrmCalendOrc::FormShow);
    registerHandler(QStringLiteral("netCalendOrcOpBeforeConnect"), this,
                    &TfrmCalendOrc::netCalendOrcOpBeforeConnect);
    registerHandler(QStringLiteral("cdsCalendOrcOpAfterScroll"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpAfterScroll);

    // Permission grid
    registerHandler(QStringLiteral("cdsPermCalcBeforeEdit"), this, &TfrmCalendOrc::cdsPermCalcBeforeEdit);
    registerHandler(QStringLiteral("dbgPermCalcDrawColumnCell"), this,
                    &TfrmCalendOrc::dbgPermCalcDrawColumnCell);
    registerHandler(QStringLiteral("dbgPermCalcCellClick"), this, &TfrmCalendOrc::dbgPermCalcCellClick);
    registerHandler(QStringLiteral("dbgPermCalcDblClick"), this, &TfrmCalendOrc::dbgPermCalcDblClick);
    registerHandler(QStringLiteral("dbgPermCalcKeyDown"), this, &TfrmCalendOrc::dbgPermCalcKeyDown);
    registerHandler(QStringLiteral("dbgPermCalcKeyPress"), this, &TfrmCalendOrc::dbgPermCalcKeyPress);
    registerHandler(QStringLiteral("dbgPermCalcTitleClick"), this, &TfrmCalendOrc::dbgPermCalcTitleClick);
    registerHandler(QStringLiteral("dbgPermCalcColEnter"), this, &TfrmCalendOrc::dbgPermCalcColEnter);
    registerHandler(QStringLiteral("cdsPermCalcBeforeInsert"), this, &TfrmCalendOrc::cdsPermCalcBeforeInsert);
    registerHandler(QStringLiteral("cdsPermCalcAfterInsert"), this, &TfrmCalendOrc::cdsPermCalcAfterInsert);
    registerHandler(QStringLiteral("cdsPermCalcAfterEdit"), this, &TfrmCalendOrc::cdsPermCalcAfterEdit);
    registerHandler(QStringLiteral("dtsPermCalcDataChange"), this, &TfrmCalendOrc::dtsPermCalcDataChange);
    registerHandler(QStringLiteral("cdsPermCalcAfterScroll"), this, &TfrmCalendOrc::cdsPermCalcAfterScroll);

    // Phase entry, post checks, saving and deleting.
    registerHandler(QStringLiteral("cdsCalendOrcOpBeforeInsert"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpBeforeInsert);
    registerHandler(QStringLiteral("cdsCalendOrcOpAfterInsert"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpAfterInsert);
    registerHandler(QStringLiteral("dbgPadraoEditButtonClick"), this,
                    &TfrmCalendOrc::dbgPadraoEditButtonClick);
    registerHandler(QStringLiteral("dbgPadraoColExit"), this, &TfrmCalendOrc::dbgPadraoColExit);
    registerHandler(QStringLiteral("dbgPadraoExit"), this, &TfrmCalendOrc::dbgPadraoExit);
    registerHandler(QStringLiteral("dbgPadraoKeyPress"), this, &TfrmCalendOrc::dbgPadraoKeyPress);
    registerHandler(QStringLiteral("dbgPadraoKeyDown"), this, &TfrmCalendOrc::dbgPadraoKeyDown);
    registerHandler(QStringLiteral("cdsCalendOrcOpDTINIFASEORCASetText"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpDTINIFASEORCASetText);
    registerHandler(QStringLiteral("cdsCalendOrcOpDTFINFASEORCASetText"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpDTFINFASEORCASetText);
    registerHandler(QStringLiteral("cdsCalendOrcOpBeforePost"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpBeforePost);
    registerHandler(QStringLiteral("cdsCalendOrcOpAfterPost"), this, &TfrmCalendOrc::cdsCalendOrcOpAfterPost);
    registerHandler(QStringLiteral("cdsCalendOrcOpBeforeDelete"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpBeforeDelete);
    registerHandler(QStringLiteral("cdsCalendOrcOpAfterDelete"), this,
                    &TfrmCalendOrc::cdsCalendOrcOpAfterDelete);

    // Year and version
    registerHandler(QStringLiteral("panAnoEnter"), this, &TfrmCalendOrc::panAnoEnter);
    registerHandler(QStringLiteral("panAnoExit"), this, &TfrmCalendOrc::panAnoExit);
    registerHandler(QStringLiteral("depAnoExit"), this, &TfrmCalendOrc::depAnoExit);
    registerHandler(QStringLiteral("edtVersaoExit"), this, &TfrmCalendOrc::edtVersaoExit);
    registerHandler(QStringLiteral("edtVersaoChange"), this, &TfrmCalendOrc::edtVersaoChange);
    registerHandler(QStringLiteral("edtVersaoKeyPress"), this, &TfrmCalendOrc::edtVersaoKeyPress);
    registerHandler(QStringLiteral("btnVersaoBeforePesq"), this, &TfrmCalendOrc::btnVersaoBeforePesq);
    registerHandler(QStringLiteral("btnVersaoAfterPesq"), this, &TfrmCalendOrc::btnVersaoAfterPesq);

    // Commands and control states, verify and confirm
    registerHandler(QStringLiteral("dtsPadraoStateChange"), this, &TfrmCalendOrc::dtsPadraoStateChange);
    registerHandler(QStringLiteral("pgcPadraoChange"), this, &TfrmCalendOrc::pgcPadraoChange);
    registerHandler(QStringLiteral("mnuFasesClick"), this, &TfrmCalendOrc::mnuFasesClick);
    registerHandler(QStringLiteral("mnuPermCalcClick"), this, &TfrmCalendOrc::mnuPermCalcClick);
    registerHandler(QStringLiteral("sbtAlterarClick"), this, &TfrmCalendOrc::sbtAlterarClick);
    registerHandler(QStringLiteral("sbtCancelarClick"), this, &TfrmCalendOrc::sbtCancelarClick);
    registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmCalendOrc::sbtVerificarClick);
    registerHandler(QStringLiteral("sbtConfirmarClick"), this, &TfrmCalendOrc::sbtConfirmarClick);
}

void TfrmCalendOrcControls::resolve(zrm::ui::ControlResolver& controls) {
    ZRM_RESOLVE(controls, imgCheck);
    ZRM_RESOLVE(controls, imgUncheck);
    ZRM_RESOLVE(controls, panAno);
    ZRM_RESOLVE(controls, lblAno);
    ZRM_RESOLVE(controls, depAno);
    ZRM_RESOLVE(controls, edtVersao);
    ZRM_RESOLVE(controls, tshPermCalc);
    ZRM_RESOLVE(controls, dbgPermCalc);
    ZRM_RESOLVE(controls, mnuFases);
    ZRM_RESOLVE(controls, mnuPermCalc);
    ZRM_RESOLVE(controls, netCalendOrcOp);
    ZRM_RESOLVE(controls, cdsCalendOrcOp);
    ZRM_RESOLVE(controls, cdsAux);
    ZRM_RESOLVE(controls, cdsVdAnoCalendOrcOp);
    ZRM_RESOLVE(controls, cdsFaseOrc);
    ZRM_RESOLVE(controls, cdsVer);
    ZRM_RESOLVE(controls, cdsVersao);
    ZRM_RESOLVE(controls, cdsValCiclo);
    ZRM_RESOLVE(controls, cdsValBloq);
    ZRM_RESOLVE(controls, cdsValBloqDate);
    ZRM_RESOLVE(controls, cdsBloqAltFase);
    ZRM_RESOLVE(controls, cdsBloqDelFase);
    ZRM_RESOLVE(controls, cdsPermCalc);
    ZRM_RESOLVE(controls, dtsFaseOrc);
    ZRM_RESOLVE(controls, dtsPermCalc);
}

void TfrmCalendOrc::resolveControls(zrm::ui::ControlResolver& controls) {
    TfrmPadraoGrid::resolveControls(controls);
    TfrmCalendOrcControls::resolve(controls);
}

void TfrmCalendOrc::FormCreate(QObject* Sender) {
    TfrmPadraoGrid::FormCreate(Sender);
    // The screen opens even when the calendar cannot be loaded: the user sees why, and the verify
    // command loads it again.
    zrm::ui::guardUserAction(this, [this] { startUp(); });
}

void TfrmCalendOrc::startUp() {
    pgcPadrao->SetActivePage(tshPadrao);
    cdsPermCalc->CreateDataSet();
    depAno->SetValue(Morvane::Today().year());
    netCalendOrcOp->SetConnected(true);
    depAno->SetTag(1);
    cdsCalendOrcOp->FieldByName(QStringLiteral("NMFASEORCOPERAC"))->SetTag(1);
    cdsCalendOrcOp->FieldByName(QStringLiteral("DTINIFASEORCA"))->SetEditMask(Consiste::DateMask());
    cdsCalendOrcOp->FieldByName(QStringLiteral("DTFINFASEORCA"))->SetEditMask(Consiste::DateMask());
    acceptDigitsOnlyInVersionBox();
    linkPageMenuItems();
    GetCalendOrcOp(depAno->Text(), QString());
    cdsCalendOrcOp->FieldByName(QStringLiteral("NMFASEORCOPERAC"))->SetTag(1);
    stVerifVers = QStringLiteral("S");
    StBloqCalc.clear();
    buildDefaultMonths();
}

void TfrmCalendOrc::FormShow(QObject*) {
    depAno->SetFocus();
    tshPermCalc->SetEnabled(false);
}

void TfrmCalendOrc::netCalendOrcOpBeforeConnect(QObject*) {
    netCalendOrcOp->SetPort(Morvane::WebPort());
    netCalendOrcOp->SetHost(Morvane::WebURL());
}
