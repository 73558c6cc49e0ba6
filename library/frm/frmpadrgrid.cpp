#include "library/frm/frmpadrgrid.h"

#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbnavigator.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "library/frm/gridexport.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/pesquisa.h"
#include "library/zul/zulclasses.h"

#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStyle>
#include <QTextDocument>

// The frame's form description is a resource of this static library; its initializer must be
// called by name, outside any namespace.
static void initFrameResources() {
    Q_INIT_RESOURCE(frm);
}

TfrmPadraoGrid::TfrmPadraoGrid(QWidget* parent) : TForm(parent) {
    initFrameResources();
    zrm::zul::ensureLibraryClassesRegistered();
    registerHandler(QStringLiteral("FormCreate"), this, &TfrmPadraoGrid::FormCreate);
    registerHandler(QStringLiteral("FormClose"), this, &TfrmPadraoGrid::FormClose);
    registerHandler(QStringLiteral("dbgPadraoKeyDown"), this, &TfrmPadraoGrid::dbgPadraoKeyDown);
    registerHandler(QStringLiteral("dbgPadraoKeyPress"), this, &TfrmPadraoGrid::dbgPadraoKeyPress);
    registerHandler(QStringLiteral("dtsPadraoStateChange"), this, &TfrmPadraoGrid::dtsPadraoStateChange);
    registerHandler(QStringLiteral("dtsPadraoDataChange"), this, &TfrmPadraoGrid::dtsPadraoDataChange);
    registerHandler(QStringLiteral("sbtIncluirClick"), this, &TfrmPadraoGrid::sbtIncluirClick);
    registerHandler(QStringLiteral("sbtAlterarClick"), this, &TfrmPadraoGrid::sbtAlterarClick);
    registerHandler(QStringLiteral("sbtExcluirClick"), this, &TfrmPadraoGrid::sbtExcluirClick);
    registerHandler(QStringLiteral("sbtExportarClick"), this, &TfrmPadraoGrid::sbtExportarClick);
    registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmPadraoGrid::sbtVerificarClick);
    registerHandler(QStringLiteral("sbtConfirmarClick"), this, &TfrmPadraoGrid::sbtConfirmarClick);
    registerHandler(QStringLiteral("sbtCancelarClick"), this, &TfrmPadraoGrid::sbtCancelarClick);
    registerHandler(QStringLiteral("sbtLocalizarClick"), this, &TfrmPadraoGrid::sbtLocalizarClick);
    registerHandler(QStringLiteral("sbtImprimirClick"), this, &TfrmPadraoGrid::sbtImprimirClick);
    registerHandler(QStringLiteral("mnuConfImpressoraClick"), this, &TfrmPadraoGrid::mnuConfImpressoraClick);
    registerHandler(QStringLiteral("sbtSairClick"), this, &TfrmPadraoGrid::sbtSairClick);
}

TfrmPadraoGrid::~TfrmPadraoGrid() {
    if (std::function<void()> hook = std::exchange(m_onClosed, nullptr))
        hook();
}

// ---- Components ----

void TfrmPadraoGridControls::resolve(zrm::ui::ControlResolver& controls) {
    ZRM_RESOLVE(controls, lblCodTela);
    ZRM_RESOLVE(controls, panMenu);
    ZRM_RESOLVE(controls, sbtIncluir);
    ZRM_RESOLVE(controls, sbtAlterar);
    ZRM_RESOLVE(controls, sbtExcluir);
    ZRM_RESOLVE(controls, sbtExportar);
    ZRM_RESOLVE(controls, sbtVerificar);
    ZRM_RESOLVE(controls, sbtConfirmar);
    ZRM_RESOLVE(controls, sbtCancelar);
    ZRM_RESOLVE(controls, sbtLocalizar);
    ZRM_RESOLVE(controls, sbtImprimir);
    ZRM_RESOLVE(controls, sbtSair);
    ZRM_RESOLVE(controls, pgcPadrao);
    ZRM_RESOLVE(controls, tshPadrao);
    ZRM_RESOLVE(controls, dbgPadrao);
    ZRM_RESOLVE(controls, dtsPadrao);
    ZRM_RESOLVE(controls, panNavigator);
    ZRM_RESOLVE(controls, dbnPadrao);
    ZRM_RESOLVE(controls, mnuMenu);
    ZRM_RESOLVE(controls, mnuOperacao);
    ZRM_RESOLVE(controls, mnuIncluir);
    ZRM_RESOLVE(controls, mnuAlterar);
    ZRM_RESOLVE(controls, mnuExcluir);
    ZRM_RESOLVE(controls, mnuExportar);
    ZRM_RESOLVE(controls, mnuVerificar);
    ZRM_RESOLVE(controls, mnuConfirmar);
    ZRM_RESOLVE(controls, mnuCancelar);
    ZRM_RESOLVE(controls, mnuLocalizar);
    ZRM_RESOLVE(controls, mnuImprimir);
    ZRM_RESOLVE(controls, mnuConfImpressora);
    ZRM_RESOLVE(controls, mnuSair);
    ZRM_RESOLVE(controls, msgPadrao);
    ZRM_RESOLVE(controls, msgMensagensPadroes);
}

void TfrmPadraoGrid::resolveControls(zrm::ui::ControlResolver& controls) {
    TForm::resolveControls(controls);
    TfrmPadraoGridControls::resolve(controls);
}

// ---- Frame ----

void TfrmPadraoGrid::FormCreate(QObject*) {
    pgcPadrao->SetActivePage(tshPadrao);
    applyGlyphs();
    dtsPadraoStateChange(dtsPadrao);
}

void TfrmPadraoGrid::applyGlyphs() {
    // The style's standard pictures, for the buttons whose description gives none.
    const std::pair<TSpeedButton*, QStyle::StandardPixmap> glyphs[] = {
        {sbtIncluir, QStyle::SP_FileDialogNewFolder}, {sbtAlterar, QStyle::SP_FileDialogDetailedView},
        {sbtExcluir, QStyle::SP_TrashIcon},           {sbtExportar, QStyle::SP_DialogSaveButton},
        {sbtVerificar, QStyle::SP_BrowserReload},     {sbtConfirmar, QStyle::SP_DialogApplyButton},
        {sbtCancelar, QStyle::SP_DialogCancelButton}, {sbtLocalizar, QStyle::SP_FileDialogContentsView},
        {sbtImprimir, QStyle::SP_FileIcon},           {sbtSair, QStyle::SP_DialogCloseButton},
    };
    for (const auto& [button, pixmap] : glyphs) {
        if (button->icon().isNull())
            button->setIcon(style()->standardIcon(pixmap, nullptr, button));
    }
}

void TfrmPadraoGrid::FormClose(QObject*, TCloseAction& Action) {
    if (!isEditing())
        return;
    if (!confirmed(QStringLiteral("Cancelar"))) {
        Action = caNone;
        return;
    }
    dtsPadrao->DataSet()->Cancel();
}

bool TfrmPadraoGrid::isEditing() const {
    const TDataSetState state = dtsPadrao->State();
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

bool TfrmPadraoGrid::confirmed(const QString& key) const {
    return MessageDlg(msgMensagensPadroes->Msg(key), mtConfirmation, {mbYes, mbNo}, 0) == mrYes;
}

void TfrmPadraoGrid::runCommand(const QString& handlerName, QObject* sender) {
    handlers().get<TNotifyEvent>(handlerName, handlerName)(sender);
}

void TfrmPadraoGrid::setCommandEnabled(TSpeedButton* button, TMenuItem* item, bool enabled) {
    item->SetEnabled(enabled);
    button->SetEnabled(enabled);
}

// ---- Default rules ----

void TfrmPadraoGrid::dtsPadraoStateChange(QObject*) {
    const TDataSetState state = dtsPadrao->State();
    const bool editing = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
    const bool browsing = state == TDataSetState::dsBrowse;
    const bool rows = browsing && !dtsPadrao->DataSet()->IsEmpty();
    setCommandEnabled(sbtConfirmar, mnuConfirmar, editing);
    setCommandEnabled(sbtCancelar, mnuCancelar, editing);
    setCommandEnabled(sbtIncluir, mnuIncluir, browsing);
    setCommandEnabled(sbtVerificar, mnuVerificar, !editing);
    setCommandEnabled(sbtAlterar, mnuAlterar, rows);
    setCommandEnabled(sbtExcluir, mnuExcluir, rows);
    setCommandEnabled(sbtExportar, mnuExportar, rows);
    setCommandEnabled(sbtLocalizar, mnuLocalizar, rows);
    setCommandEnabled(sbtImprimir, mnuImprimir, rows);
    mnuConfImpressora->SetEnabled(true);
    setCommandEnabled(sbtSair, mnuSair, true);
}

void TfrmPadraoGrid::dtsPadraoDataChange(QObject* Sender, TField* Field) {
    if (!Field && dtsPadrao->State() == TDataSetState::dsBrowse)
        runCommand(QStringLiteral("dtsPadraoStateChange"), Sender);
}

void TfrmPadraoGrid::dbgPadraoKeyDown(QObject*, int& Key, TShiftState Shift) {
    const TShiftState modifiers = Shift & (ssShift | ssAlt | ssCtrl);
    if (Key == VK::Insert && modifiers == 0) {
        Key = 0;
        if (sbtIncluir->isEnabled())
            runCommand(QStringLiteral("sbtIncluirClick"), sbtIncluir);
    } else if (Key == VK::Delete && modifiers == ssCtrl) {
        Key = 0;
        if (sbtExcluir->isEnabled())
            runCommand(QStringLiteral("sbtExcluirClick"), sbtExcluir);
    } else if (Key == VK::Escape && isEditing()) {
        Key = 0;
        if (sbtCancelar->isEnabled())
            runCommand(QStringLiteral("sbtCancelarClick"), sbtCancelar);
    } else if (Key == VK::Down && modifiers == 0 && !sbtIncluir->isEnabled()) {
        // Down on the last row would add a row behind the insert command's back.
        const TClientDataSet* dataSet = dtsPadrao->DataSet();
        if (dataSet && dataSet->State() == TDataSetState::dsBrowse &&
            dataSet->RecNo() == dataSet->RecordCount())
            Key = 0;
    }
}

void TfrmPadraoGrid::dbgPadraoKeyPress(QObject*, QChar& Key) {
    if (Key.isNull() || !Key.isPrint())
        return;
    if (dtsPadrao->State() == TDataSetState::dsBrowse && !sbtAlterar->isEnabled())
        Key = QChar();
}

// ---- Commands ----

void TfrmPadraoGrid::sbtIncluirClick(QObject*) {
    dbgPadrao->SetFocus();
    dtsPadrao->DataSet()->Insert();
}

void TfrmPadraoGrid::sbtAlterarClick(QObject*) {
    dbgPadrao->SetFocus();
    if (TClientDataSet* dataSet = dtsPadrao->DataSet();
        dataSet && dataSet->State() == TDataSetState::dsBrowse)
        dataSet->Edit();
}

void TfrmPadraoGrid::sbtExcluirClick(QObject*) {
    TClientDataSet* dataSet = dtsPadrao->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty())
        return;
    if (!confirmed(QStringLiteral("Excl")))
        Abort();
    dataSet->Delete();
}

void TfrmPadraoGrid::sbtExportarClick(QObject*) {
    QFileDialog dialog(this, msgMensagensPadroes->Msg(QStringLiteral("TituloExportar")));
    dialog.setObjectName(QStringLiteral("dlgExportar"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(msgMensagensPadroes->Msg(QStringLiteral("FiltroCsv")));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ExportarCsv(dialog.selectedFiles().constFirst());
}

void TfrmPadraoGrid::ExportarCsv(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(
            msgMensagensPadroes->Msg(QStringLiteral("ErroExportar")).arg(path, file.errorString()));
    zrm::frm::writeCsv(zrm::frm::GridRows::of(dbgPadrao), &file);
    if (!file.commit())
        throw Exception(
            msgMensagensPadroes->Msg(QStringLiteral("ErroExportar")).arg(path, file.errorString()));
}

void TfrmPadraoGrid::sbtVerificarClick(QObject*) {
    if (TClientDataSet* dataSet = dtsPadrao->DataSet())
        dataSet->CheckBrowseMode();
}

void TfrmPadraoGrid::sbtConfirmarClick(QObject*) {
    if (TClientDataSet* dataSet = dtsPadrao->DataSet(); dataSet && isEditing())
        dataSet->Post();
}

void TfrmPadraoGrid::sbtCancelarClick(QObject*) {
    if (!isEditing())
        return;
    if (!confirmed(QStringLiteral("Cancelar")))
        Abort();
    dtsPadrao->DataSet()->Cancel();
}

void TfrmPadraoGrid::sbtLocalizarClick(QObject*) {
    Pesquisa::Pesquisar(dtsPadrao, msgMensagensPadroes->Msg(QStringLiteral("Localizar")), true, true);
}

QPrinter* TfrmPadraoGrid::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    return m_printer.get();
}

void TfrmPadraoGrid::sbtImprimirClick(QObject*) {
    QPrintDialog dialog(printer(), this);
    dialog.setObjectName(QStringLiteral("dlgImprimir"));
    if (dialog.exec() == QDialog::Accepted)
        ImprimirGrade(printer());
}

void TfrmPadraoGrid::ImprimirGrade(QPrinter* target) const {
    QTextDocument document;
    document.setHtml(zrm::frm::toHtml(zrm::frm::GridRows::of(dbgPadrao), Caption()));
    document.print(target);
}

void TfrmPadraoGrid::mnuConfImpressoraClick(QObject*) {
    QPageSetupDialog dialog(printer(), this);
    dialog.setObjectName(QStringLiteral("dlgConfImpressora"));
    dialog.exec();
}

void TfrmPadraoGrid::sbtSairClick(QObject*) {
    Close();
}
