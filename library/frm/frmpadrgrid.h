#pragma once

// TfrmPadraoGrid: the standard grid screen that record screens descend from. Its form description
// (forms/TfrmPadraoGrid.form.json) lays out the frame: the title label lblCodTela, the toolbar panMenu
// with the command buttons, the page control pgcPadrao with the page tshPadrao holding the grid
// dbgPadrao on the data source dtsPadrao, the navigator panel panNavigator with dbnPadrao, the main
// menu mnuMenu whose menu mnuOperacao holds one item per command, and the message tables msgPadrao
// (the screen's texts, filled by the descendant) and msgMensagensPadroes (the frame's own texts).
//
// Commands, each a toolbar button and a menu item bound to the same handler:
//
//   insert  sbtIncluir / mnuIncluir      sbtIncluirClick      new row, focus on the grid
//   modify  sbtAlterar / mnuAlterar      sbtAlterarClick      edit the current row
//   delete  sbtExcluir / mnuExcluir      sbtExcluirClick      delete the current row after "Confirma
//   exclusão?" export  sbtExportar / mnuExportar    sbtExportarClick     write the grid's rows to a CSV file
//   verify  sbtVerificar / mnuVerificar  sbtVerificarClick    post a pending edit; descendants reload
//   confirm sbtConfirmar / mnuConfirmar  sbtConfirmarClick    post the row being edited
//   cancel  sbtCancelar / mnuCancelar    sbtCancelarClick     cancel the row after "Cancela operação?"
//   locate  sbtLocalizar / mnuLocalizar  sbtLocalizarClick    pick a row in the search window
//   print   sbtImprimir / mnuImprimir    sbtImprimirClick     print the grid's rows
//           mnuConfImpressora            mnuConfImpressoraClick  page and printer set-up
//   close   sbtSair / mnuSair            sbtSairClick         close the screen
//
// Handlers are registered by name in the constructor; a descendant registering a handler under the
// same name in its own constructor takes its place for every control bound to that name, and may
// call the base's version explicitly (TfrmPadraoGrid::FormCreate(Sender)). The base's own rules
// (dtsPadraoStateChange, the key handlers) run commands through the handler table, so they reach a
// descendant's handlers too.
//
// The frame's components are members of TfrmPadraoGridControls, resolved once when the description
// is loaded (a description lacking one stops the screen from being made); a descendant declares its
// own controls the same way (framework/ui/formcontrols.h).
//
// Closing the screen destroys it (unless a row being edited is kept, see FormClose); the package that
// made it learns of the destruction through SetOnClosed.

#include "framework/ui/form.h"

#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class TCustomPageControl98;
class TDataSource;
class TDBGrid;
class TDBNavigator;
class TField;
class TLabel;
class TMainMenu;
class TMenuItem;
class TMessages;
class TPanel;
class TSpeedButton;
class TTabSheet;

// The frame's components, named as in the description.
struct TfrmPadraoGridControls {
    TLabel* lblCodTela = nullptr;
    TPanel* panMenu = nullptr;
    TSpeedButton* sbtIncluir = nullptr;
    TSpeedButton* sbtAlterar = nullptr;
    TSpeedButton* sbtExcluir = nullptr;
    TSpeedButton* sbtExportar = nullptr;
    TSpeedButton* sbtVerificar = nullptr;
    TSpeedButton* sbtConfirmar = nullptr;
    TSpeedButton* sbtCancelar = nullptr;
    TSpeedButton* sbtLocalizar = nullptr;
    TSpeedButton* sbtImprimir = nullptr;
    TSpeedButton* sbtSair = nullptr;
    TCustomPageControl98* pgcPadrao = nullptr;
    TTabSheet* tshPadrao = nullptr;
    TDBGrid* dbgPadrao = nullptr;
    TDataSource* dtsPadrao = nullptr;
    TPanel* panNavigator = nullptr;
    TDBNavigator* dbnPadrao = nullptr;
    TMainMenu* mnuMenu = nullptr;
    TMenuItem* mnuOperacao = nullptr;
    TMenuItem* mnuIncluir = nullptr;
    TMenuItem* mnuAlterar = nullptr;
    TMenuItem* mnuExcluir = nullptr;
    TMenuItem* mnuExportar = nullptr;
    TMenuItem* mnuVerificar = nullptr;
    TMenuItem* mnuConfirmar = nullptr;
    TMenuItem* mnuCancelar = nullptr;
    TMenuItem* mnuLocalizar = nullptr;
    TMenuItem* mnuImprimir = nullptr;
    TMenuItem* mnuConfImpressora = nullptr;
    TMenuItem* mnuSair = nullptr;
    TMessages* msgPadrao = nullptr;
    TMessages* msgMensagensPadroes = nullptr;

    void resolve(zrm::ui::ControlResolver& controls);
};

class TfrmPadraoGrid : public TForm, public TfrmPadraoGridControls {
    Q_OBJECT
public:
    explicit TfrmPadraoGrid(QWidget* parent = nullptr);
    ~TfrmPadraoGrid() override;

    // Runs once when the screen is destroyed — closed by the user or deleted by the host — so the
    // package that made it can forget it and make a new one next time. Never called twice.
    void SetOnClosed(std::function<void()> hook) { m_onClosed = std::move(hook); }

    // ---- The frame's handlers, bound by name from the description ----

    // Builds the frame: the first page showing, the command buttons' glyphs, the commands' states
    // for the data source's state. Throws nothing of its own.
    void FormCreate(QObject* Sender);
    // Asks "Cancela operação?" when a row is being edited or inserted: Yes cancels it and the screen
    // closes and is destroyed, No keeps the screen open with the row as it was.
    void FormClose(QObject* Sender, TCloseAction& Action);
    // Keyboard rules of the grid: Insert runs the insert command, Ctrl+Delete the delete command and
    // Esc (while editing) the cancel command, each only while its command is enabled; Down on the
    // last row adds a row only while insert is enabled. Every key it handles is discarded (Key = 0).
    void dbgPadraoKeyDown(QObject* Sender, int& Key, TShiftState Shift);
    // Typing into a browsing grid starts editing only while the modify command is enabled; otherwise
    // the character is discarded.
    void dbgPadraoKeyPress(QObject* Sender, QChar& Key);
    // Commands' default rule: confirm and cancel while editing or inserting; insert and locate while
    // browsing; modify, delete, export and print while browsing rows; verify unless editing. Menu
    // items follow their buttons.
    void dtsPadraoStateChange(QObject* Sender);
    // Rows came or went, or the cursor moved, without a change of state (an emptied dataset, a new
    // packet, a deleted last row): runs the screen's state-change rule — the handler registered as
    // dtsPadraoStateChange, the descendant's when it has one — so the commands follow the rows. A
    // change of one field while editing runs nothing.
    void dtsPadraoDataChange(QObject* Sender, TField* Field);

    void sbtIncluirClick(QObject* Sender);         // Insert on the data source's dataset, focus on the grid
    void sbtAlterarClick(QObject* Sender);         // Edit on the data source, focus on the grid
    void sbtExcluirClick(QObject* Sender);         // "Confirma exclusão?": Yes deletes, No stops (Abort)
    void sbtExportarClick(QObject* Sender);        // asks for a file, writes the grid's rows as CSV
    void sbtVerificarClick(QObject* Sender);       // posts a pending edit
    void sbtConfirmarClick(QObject* Sender);       // posts the row being edited or inserted
    void sbtCancelarClick(QObject* Sender);        // "Cancela operação?": Yes cancels, No stops (Abort)
    void sbtLocalizarClick(QObject* Sender);       // search window over the rows; the pick becomes current
    void sbtImprimirClick(QObject* Sender);        // print dialog, then the grid's rows as a table
    void mnuConfImpressoraClick(QObject* Sender);  // page set-up dialog of the screen's printer
    void sbtSairClick(QObject* Sender);            // closes the screen as its close button does

    // Writes the rows the grid shows to the CSV file path. Throws Exception naming the file when it
    // cannot be written (nothing is left behind then).
    void ExportarCsv(const QString& path) const;
    // Prints the rows the grid shows, under the screen's caption, on target. Never fails by itself.
    void ImprimirGrade(QPrinter* target) const;

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override;
    // Runs the handler registered under name (the descendant's when it has one) with sender, as the
    // command's button or menu item would.
    void runCommand(const QString& handlerName, QObject* sender);

private:
    bool isEditing() const;
    static void setCommandEnabled(TSpeedButton* button, TMenuItem* item, bool enabled);
    void applyGlyphs();
    bool confirmed(const QString& key) const;
    QPrinter* printer();

    std::function<void()> m_onClosed;
    std::unique_ptr<QPrinter> m_printer;
};
