// Which commands, pages and grids the user may work with, after every change of dataset state, page,
// scroll position or loaded version; and this screen's own modify and cancel commands.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridcolumns.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/edit.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/messages.h"
#include "library/zul/pagecontrol98.h"
#include "modules/zrm71300/screen/commandrules.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QEvent>
#include <QPointer>

namespace {

void setCommand(TSpeedButton* button, TMenuItem* item, bool enabled) {
    item->SetEnabled(enabled);
    button->SetEnabled(enabled);
}

}  // namespace

CommandRules TfrmCalendOrc::commandRules() const {
    CommandRules rules;
    rules.loadedVersion = edtVersao->Text() == loadedVersionText();
    rules.editState = editingOrInserting(dtsPadrao->State()) || editingOrInserting(dtsPermCalc->State());
    rules.browseState =
        dtsPadrao->State() == TDataSetState::dsBrowse && dtsPermCalc->State() == TDataSetState::dsBrowse;
    rules.hasRows = cdsCalendOrcOp->Active() && !cdsCalendOrcOp->IsEmpty();
    rules.permissionPage = pgcPadrao->ActivePage() == tshPermCalc;
    return rules;
}

QString TfrmCalendOrc::loadedVersionText() const {
    TClientDataSet* version = cdsVer;
    if (!version->Active() || version->IsEmpty())
        return {};
    return version->FieldByName(QStringLiteral("CDVERSAO"))->AsString();
}

void TfrmCalendOrc::habilitabotoes() {
    const CommandRules rules = commandRules();

    mnuConfirmar->SetEnabled(rules.editState);
    mnuCancelar->SetEnabled(rules.editState);
    mnuIncluir->SetEnabled(rules.insertAllowed());
    mnuVerificar->SetEnabled(rules.browseState);
    mnuAlterar->SetEnabled(rules.recordCommandsAllowed());
    mnuExcluir->SetEnabled(rules.recordCommandsAllowed());
    mnuLocalizar->SetEnabled(mnuAlterar->Enabled() && !rules.permissionPage);

    for (auto [button, item] : {std::pair{sbtConfirmar, mnuConfirmar}, std::pair{sbtCancelar, mnuCancelar},
                                std::pair{sbtIncluir, mnuIncluir}, std::pair{sbtAlterar, mnuAlterar},
                                std::pair{sbtExcluir, mnuExcluir}, std::pair{sbtLocalizar, mnuLocalizar},
                                std::pair{sbtVerificar, mnuVerificar}})
        button->SetEnabled(item->Enabled());

    // Printing has no use on this screen; closing it always has.
    sbtImprimir->SetEnabled(false);
    sbtSair->SetEnabled(true);

    // The check marks name the page shown, wherever the focus is.
    mnuFases->SetChecked(!rules.permissionPage);
    mnuPermCalc->SetChecked(rules.permissionPage);
    if (ActiveControl() == dbgPadrao) {
        if (editingOrInserting(cdsCalendOrcOp->State()))
            tshPermCalc->SetEnabled(false);
        const TDBGridOptions options = dbgPadrao->Options();
        dbgPadrao->SetOptions(rules.loadedVersion ? options | dgEditing : options & ~dgEditing);
    }

    if (rules.permissionPage) {
        sbtIncluir->SetEnabled(false);
        sbtExcluir->SetEnabled(false);
        mnuIncluir->SetEnabled(false);
        mnuExcluir->SetEnabled(false);
        if (dtsPadrao->State() == TDataSetState::dsEdit) {
            if (ActiveControl() == dbgPermCalc && dbgPermCalc->SelectedField() &&
                dbgPermCalc->SelectedField()->FieldName() == QLatin1String("IDPERMES"))
                tshPadrao->SetEnabled(false);
        } else {
            tshPadrao->SetEnabled(true);
        }
    }

    mnuImprimir->SetEnabled(false);
    mnuConfImpressora->SetEnabled(false);
    mnuSair->SetEnabled(true);
    // Exporting is off on this screen; its menu item stays in step with its button.
    setCommand(sbtExportar, mnuExportar, false);

    mnuFases->SetEnabled(tshPadrao->isEnabled());
    mnuPermCalc->SetEnabled(tshPermCalc->isEnabled());
}

namespace {

// Keeps a page's menu item enabled exactly while the page is: pages are opened and closed in many
// places (the state change, the after-scroll handling, showing the screen), the menu must not lag.
class PageMenuItemLink : public QObject {
public:
    PageMenuItemLink(TTabSheet* page, TMenuItem* item) : QObject(page), m_page(page), m_item(item) {
        page->installEventFilter(this);
        m_item->SetEnabled(page->isEnabled());
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && m_item)
            m_item->SetEnabled(m_page->isEnabled());
        return false;
    }

private:
    TTabSheet* m_page;
    QPointer<TMenuItem> m_item;
};

}  // namespace

void TfrmCalendOrc::linkPageMenuItems() {
    new PageMenuItemLink(tshPadrao, mnuFases);
    new PageMenuItemLink(tshPermCalc, mnuPermCalc);
}

void TfrmCalendOrc::dtsPadraoStateChange(QObject*) {
    const bool editing = editingOrInserting(dtsPadrao->State());
    lblAno->SetEnabled(!editing);
    depAno->SetEnabled(!editing);
    dbgPadrao->Columns()->Items(0)->SetButtonStyle(editing ? TColumnButtonStyle::cbsEllipsis
                                                           : TColumnButtonStyle::cbsAuto);
    habilitabotoes();
    if (dtsPadrao->State() == TDataSetState::dsInsert) {
        depAno->SetEnabled(false);
    } else {
        const bool calculationPhase =
            commandRules().hasRows &&
            cdsCalendOrcOp->FieldByName(QStringLiteral("IDFASECALCORCA"))->AsString() == QLatin1String("S");
        tshPermCalc->SetEnabled(calculationPhase);
    }
}

void TfrmCalendOrc::pgcPadraoChange(QObject*) {
    if (commandRules().hasRows && pgcPadrao->ActivePage() == tshPermCalc &&
        !editingOrInserting(cdsCalendOrcOp->State()))
        MesPerCal();
    habilitabotoes();
    VdUltVers();
}

void TfrmCalendOrc::mnuFasesClick(QObject*) {
    pgcPadrao->SetActivePage(tshPadrao);
    habilitabotoes();
}

void TfrmCalendOrc::mnuPermCalcClick(QObject*) {
    pgcPadrao->SetActivePage(tshPermCalc);
    habilitabotoes();
}

void TfrmCalendOrc::sbtAlterarClick(QObject*) {
    if (pgcPadrao->ActivePage() == tshPadrao) {
        dbgPadrao->SetFocus();
        dbgPadrao->SetSelectedField(cdsCalendOrcOp->FieldByName(QStringLiteral("DTINIFASEORCA")));
        dtsPadrao->Edit();
    } else {
        dbgPermCalc->SetFocus();
        dbgPermCalc->SetSelectedField(permFlag());
    }
    dtsPermCalc->Edit();
}

void TfrmCalendOrc::sbtCancelarClick(QObject*) {
    const auto confirmed = [this] {
        return MessageDlg(msgPadrao->Msg(QStringLiteral("Cancelar")), mtConfirmation, {mbYes, mbNo}, 0) ==
               mrYes;
    };
    if (pgcPadrao->ActivePage() == tshPermCalc && confirmed())
        cdsPermCalc->Cancel();
    if (editingOrInserting(dtsPadrao->State())) {
        if (!confirmed())
            Abort();
        cdsCalendOrcOp->Cancel();
        sbtVerificarClick(sbtVerificar);
    }
}
