#pragma once

// TfrmCalendOrc: the budget-calendar screen "Calendário para Orçamento" (ZRM71300). It descends from
// the standard grid screen: its form description (forms/TfrmCalendOrc.form.json, built from
// screen/forms and data/) adds the year-and-version panel, the permission page and grid, the two
// check images, the datasets, the connection netCalendOrcOp and the message table msgPadrao to the
// base's frame. All of its behaviour lies in handlers registered by name in the constructor; one
// registered under a base handler's name takes that handler's place. The class is one unit split by
// topic: screen/ (creation and showing), calendar/ (loading, phase entry, post checks, saving and
// deleting) and permissions/ (the permission list).

#include "library/frm/frmpadrgrid.h"

#include "framework/ui/events.h"
#include "modules/zrm71300/platform/pendingsaveid.h"

#include <QDateTime>
#include <QString>

#include <functional>

struct CommandRules;

class QRect;
class TClientDataSet;
class TDataSource;
class TColumn;
class TEdit;
class TField;
class TImage;
class TLabel;
class TNetConnection;
class TPanel;
class TSpinEdit;

// The components of the screen's own description that its code uses, named as there.
struct TfrmCalendOrcControls {
    TImage* imgCheck = nullptr;
    TImage* imgUncheck = nullptr;
    TPanel* panAno = nullptr;
    TLabel* lblAno = nullptr;
    TSpinEdit* depAno = nullptr;
    TEdit* edtVersao = nullptr;
    TTabSheet* tshPermCalc = nullptr;
    TDBGrid* dbgPermCalc = nullptr;
    TMenuItem* mnuFases = nullptr;
    TMenuItem* mnuPermCalc = nullptr;
    TNetConnection* netCalendOrcOp = nullptr;
    TClientDataSet* cdsCalendOrcOp = nullptr;
    TClientDataSet* cdsAux = nullptr;
    TClientDataSet* cdsVdAnoCalendOrcOp = nullptr;
    TClientDataSet* cdsFaseOrc = nullptr;
    TClientDataSet* cdsVer = nullptr;
    TClientDataSet* cdsVersao = nullptr;
    TClientDataSet* cdsValCiclo = nullptr;
    TClientDataSet* cdsValBloq = nullptr;
    TClientDataSet* cdsValBloqDate = nullptr;
    TClientDataSet* cdsBloqAltFase = nullptr;
    TClientDataSet* cdsBloqDelFase = nullptr;
    TClientDataSet* cdsPermCalc = nullptr;
    TDataSource* dtsFaseOrc = nullptr;
    TDataSource* dtsPermCalc = nullptr;

    void resolve(zrm::ui::ControlResolver& controls);
};

class TfrmCalendOrc : public TfrmPadraoGrid, public TfrmCalendOrcControls {
    Q_OBJECT
public:
    explicit TfrmCalendOrc(QWidget* parent = nullptr);

    // ---- Handlers bound by the form description ----

    // Creation: the base frame, the page "Fases", the empty permission list, the current year in
    // depAno, the connection opened, the date masks, the first load of the calendar (empty version:
    // the server chooses), then stVerifVers "S", StBloqCalc empty and the twelve default month rows.
    // A failure of the base frame passes on (the screen is not made); a failure after it (the server
    // down, a refused load) is shown to the user and ends the sequence there, and the screen opens.
    void FormCreate(QObject* Sender);
    // Showing: focus on depAno and the permission page disabled. Throws nothing.
    void FormShow(QObject* Sender);
    // Before the connection connects: its port and host from the host's settings (Morvane). Throws
    // nothing.
    void netCalendOrcOpBeforeConnect(QObject* Sender);
    // After the phase rows moved (and when they open with rows): the permission page disabled for an
    // empty calendar; otherwise, unless a phase row is being edited or inserted, the permission list
    // rebuilt from the current phase row, and the permission page enabled for a calculation phase,
    // or the page "Fases" shown and the permission page disabled. Passes on what the message table
    // throws for a missing text.
    void cdsCalendOrcOpAfterScroll(TClientDataSet* DataSet);

    // ---- Operations ----

    // Loads the budget calendar of year and version (an empty version: the year's latest) under the
    // busy indicator "Buscando dados no servidor.": the phase rows into cdsCalendOrcOp (kept by start
    // date) and into the snapshot cdsVdAnoCalendOrcOp, the version into cdsVer and its text into
    // edtVersao (edtVersao's OnChange fires only when the text differs). cdsCalendOrcOp's events fire
    // as it reopens (AfterScroll when rows came); once the version is known the commands and the
    // latest-version rule are applied again (habilitabotoes, VdUltVers), whoever loaded. A failed
    // call is shown in the error box and stops with EAbort, nothing loaded; the busy indicator is
    // hidden whatever happens.
    void GetCalendOrcOp(const QString& year, const QString& version);
    // Loads the cycle of the year shown (ValCiclo with the integer value of depAno) into cdsValCiclo:
    // the server's today DATAATU, MESINI and MESFIN. Shows no busy indicator (a caller that wants one
    // holds it). A failed call is reported by CheckResultServ (EAbort), cdsValCiclo unchanged.
    void ValCiclo();
    // Rebuilds the twelve permission rows from the current phase row: December at the top down to
    // January, each month's flag from the phase row's flag of that month (empty stays empty), and
    // December current at the end. Passes on a dataset failure.
    void MesPerCal();

    // ---- Phase rules (calendar/phaserules.cpp) ----

    // The rules that guard a phase against change, for the phase code and its period [start, end]:
    // GetValDateBloq(code) into cdsValBloq, GetDateBloq(year, version, code) into cdsValBloqDate and
    // BloqDelFase(code, year, version) into cdsBloqAltFase, always these three calls in this order,
    // with the year value of depAno and the text of edtVersao. A blocked phase (first row of
    // cdsValBloq exactly "S") whose period another returned phase touches (calendar::periodConflict) stops
    // with "DataBloq"; a concluded phase (any row from BloqDelFase) with "BloqFase_Conc"; both through
    // MensErro (EAbort). A failed call is reported by CheckResultServ and stops the same way. The
    // focus is not moved. Serves both the post of a phase row and the edit of its month permissions.
    void VdFaseBloqConc(const QString& code, const QDateTime& start, const QDateTime& end);

    // ---- Permission grid (permissions/) ----

    // Before a month row goes into edit state, whoever asks (a click, a key, the title, the modify
    // command): refused silently (EAbort, nothing asked of the server) while the month-name column
    // is selected; otherwise the phase rules VdFaseBloqConc run on the current phase, its code as
    // the phase grid shows it and its stored period, and a blocked phase in period conflict or a
    // concluded phase stops the edit with its message (EAbort). A failed call stops it the same way.
    void cdsPermCalcBeforeEdit(TClientDataSet* DataSet);
    // After the grid has painted a cell of the flag column: the cell filled with the grid's brush for
    // it and imgCheck (flag exactly "S") or imgUncheck (anything else) copied 17 pixels from its left
    // and 1 below its top, the images' olive pixels taking the brush colour. The month names keep the
    // grid's drawing. Throws nothing.
    void dbgPermCalcDrawColumnCell(QObject* Sender, const QRect& Rect, int DataCol, TColumn* Column,
                                   TGridDrawState State);
    // A click on a flag, while the latest version is shown and StBloqCalc is not "S": the month
    // toggled (AlteraCheck), then written into the phase row, which is posted and saved. The list's
    // controls are disabled meanwhile and enabled again however it ends. A refused edit or a failed
    // save stops it (EAbort) after its message.
    void dbgPermCalcCellClick(TColumn* Column);
    // A double click on the flag column, while the latest version is shown: the month toggled in the
    // list only, then the verify command (sbtVerificarClick) reloads the calendar, so the list ends
    // showing the server's flags. A refused edit stops it before the verify command.
    void dbgPermCalcDblClick(QObject* Sender);
    // Keys on the grid: every key but Tab, Enter, Space, Page Up/Down and the arrows is discarded
    // (Key = 0). Space on the flag column (Ctrl not held; Shift and Alt do not matter), while the
    // latest version is shown, toggles the month row and posts it; the character event of the same
    // stroke writes it into the phase row. A refused edit stops it (EAbort) after its message.
    void dbgPermCalcKeyDown(QObject* Sender, int& Key, TShiftState Shift);
    // Characters on the grid: all but Tab and carriage return are discarded (Key = QChar()); on the
    // flag column, while the latest version is shown, the month row is written into the phase row,
    // which is posted and saved, whatever the character. A failed save stops it after its message.
    void dbgPermCalcKeyPress(QObject* Sender, QChar& Key);
    // A click on the flag column's title, while the latest version is shown: the flag column
    // selected, then "Deseja desmarcar todos os registros?" when December is "S", else "Deseja
    // marcar todos os registros?"; on Yes every month row unmarked (DesMarcaCheck) or marked
    // (MarcaCheck) under the busy window over the screen, then the twelve phase-row flags set to
    // December's and the phase row posted and saved once. A refusal at some month or a failed save
    // stops the run (EAbort after its message) and the list is rebuilt from the phase row, so it
    // never shows flags the server was not sent. The list's controls are enabled again however it
    // ends.
    void dbgPermCalcTitleClick(TColumn* Column);
    // Whenever the permission list's data or current row changes: the command states follow
    // (habilitabotoes). Passes on what habilitabotoes throws.
    void dtsPermCalcDataChange(QObject* Sender, TField* Field);
    // After the current month row moved: the latest-version check (VdUltVers). A failed fetch of the
    // latest version passes on.
    void cdsPermCalcAfterScroll(TClientDataSet* DataSet);
    // Events of the permission list that need nothing.
    void dbgPermCalcColEnter(QObject* Sender);
    void cdsPermCalcBeforeInsert(TClientDataSet* DataSet);
    void cdsPermCalcAfterInsert(TClientDataSet* DataSet);
    void cdsPermCalcAfterEdit(TClientDataSet* DataSet);

    // The row operations on the current month row, each only while the list is browsing: Edit (the
    // edit rules may stop it with EAbort), the flag changed, and the row posted with boInsert true
    // meanwhile. A month left empty (only unmarking an empty month does that) stays in edit, with
    // the grid's editing option added and the flag column selected.
    void MarcaCheck();     // any flag but "S" becomes "S"
    void DesMarcaCheck();  // "S" becomes "N"; any other flag stays
    void AlteraCheck();    // "S" becomes "N"; any other flag becomes "S"

    // ---- Phase entry (calendar/phaseentry.cpp) ----

    // Before a phase row is inserted: the whole calendar, pending changes included, copied into the
    // snapshot cdsVdAnoCalendOrcOp, and the focus to the code cell. Passes on a dataset failure.
    void cdsCalendOrcOpBeforeInsert(TClientDataSet* DataSet);
    // After the insert: the twelve month permission flags of the new row "N" (which also marks the
    // row as typed into, so leaving the grid validates it instead of dropping it). Throws nothing.
    void cdsCalendOrcOpAfterInsert(TClientDataSet* DataSet);
    // The code cell's ellipsis button: connects, and only while a row is inserted with the code column
    // selected fetches the whole phase catalogue (busy indicator "Buscando dados no servidor.") and
    // offers it in the search window "Fase do Orçamento."; a pick copies code and name into the row.
    // A failed fetch is reported (EAbort) with the indicator hidden and nothing copied; a cancelled
    // search changes nothing.
    void dbgPadraoEditButtonClick(QObject* Sender);
    // Leaving the code column of a row being edited or inserted validates the code (VdFaseOrc); a
    // refusal keeps the cursor in the code column.
    void dbgPadraoColExit(QObject* Sender);
    // The phase grid losing the focus while a row is inserted validates the code (VdFaseOrc); a
    // refusal keeps the focus in the grid, on the code cell.
    void dbgPadraoExit(QObject* Sender);
    // The base screen's key rules, then: nothing can be typed into the name column (Tab and Enter
    // pass). Throws what the base's rules throw.
    void dbgPadraoKeyPress(QObject* Sender, QChar& Key);
    // The base screen's key rules, then: in the name column only Tab, Enter and the arrows pass; while
    // a row is edited or inserted Up and Down do nothing in any column.
    void dbgPadraoKeyDown(QObject* Sender, int& Key, TShiftState Shift);
    // Text setters of the start and end date fields (of cdsCalendOrcOp and cdsAux): the date comes
    // from the text the phase grid shows for that field, not from the text given. EConvertError
    // naming the text when it is not a date; the field keeps its value then.
    void cdsCalendOrcOpDTINIFASEORCASetText(TField* Sender, const QString& Text);
    void cdsCalendOrcOpDTFINFASEORCASetText(TField* Sender, const QString& Text);
    // Validates the phase code the grid shows in the current row and completes the row from the
    // catalogue: required and empty → "CodFaseOrc_Inf"; the code brought to ten characters; a code
    // that another row of the snapshot holds, whatever its case → "Fase_Cad" (the row being edited
    // never counts against itself); unknown to GetFaseOrc → "Fase_naoCad"; else name and
    // calculation flag copied. Every failure (a refused or failed call too) moves the focus to the
    // code cell and stops with EAbort after its message.
    void VdFaseOrc(bool required);

    // ---- Phase post (calendar/phasepost.cpp) ----

    // Before a phase row is posted from the page "Fases" (from another page nothing is checked):
    // the code validated (always when inserting, when editing only with the code column selected),
    // the dates checked and stored, the version (when the row has none) and the year written in, the
    // date order, then the blocked and concluded rules (VdFaseBloqConc). A refusal shows its message,
    // moves the focus where the rule says and stops the post (EAbort), the row still being edited.
    void cdsCalendOrcOpBeforePost(TClientDataSet* DataSet);
    // The start date: required ("Inf_DtInicio"); with the start-date column selected, a date after
    // the budget year asks "dt_maior_ano", and No stops silently with the focus on the start date.
    void VdDataIni();
    // The end date: required ("Inf_DtFim", focus on the end date).
    void VdDataFim();
    // The stored end date not before the stored start date ("dtini_maior", focus on the start date).
    void VdDataMaior();

    // ---- Saving and deleting (calendar/phasesave.cpp) ----

    // After a post or a delete: the pending changes sent at once (SaveCalendOrcOp).
    void cdsCalendOrcOpAfterPost(TClientDataSet* DataSet);
    void cdsCalendOrcOpAfterDelete(TClientDataSet* DataSet);
    // Before a phase row is deleted: refused for a concluded phase ("BloqDel_Conc"), one that has
    // ended ("BloqDel_Date") or one that is running ("BloqDel_DateAT"), each after cancelling a
    // pending edit of the row; with no cycle loaded the server's today is fetched first. A date text
    // that is not a date, or a failed call, stops it before anything is cancelled.
    void cdsCalendOrcOpBeforeDelete(TClientDataSet* DataSet);
    // Sends the pending changes of cdsCalendOrcOp to the server (busy indicator "Gravando
    // registro.") and accepts them locally; nothing when none is pending. A transient failure (the
    // server unreachable) is reported and keeps them pending for the next save; a definitive refusal
    // is reported, drops them and reloads the calendar, the cursor back on phase (the phase just
    // posted or deleted) when it is there. Either failure then stops the operation that posted or
    // deleted (EAbort).
    void SaveCalendOrcOp(const QString& phase);

    // ---- Year and version (calendar/yearversion.cpp) ----

    // Focus entering the year-and-version panel from another control of the screen (not the focus
    // that showing the screen gives depAno): what the calendar holds for the server goes first — a
    // phase row being edited or inserted is posted (its checks and save run), changes a failed save
    // left are saved again — then cdsCalendOrcOp is closed. A refused post or a failed save keeps
    // the calendar open and stops (EAbort after its message), the focus where the refusal put it.
    void panAnoEnter(QObject* Sender);
    // Focus leaving the panel: changes a failed save left are saved again, then the calendar of
    // depAno and edtVersao loaded (the server's version into edtVersao), VdAno, VdVersao, VdUltVers,
    // the calendar copied into cdsAux and the year's cycle into cdsValCiclo. Each step that fails
    // stops the rest (EAbort after its message), the focus where its check put it. Nothing happens
    // while a phase row is still being edited (an entry that kept the calendar open).
    void panAnoExit(QObject* Sender);
    void depAnoExit(QObject* Sender);     // nothing
    void edtVersaoExit(QObject* Sender);  // nothing
    // Every change of the version box's text: stVerifVers "S". Throws nothing.
    void edtVersaoChange(QObject* Sender);
    // Characters typed into the version box: digits, backspace, tab and carriage return pass; any
    // other is discarded (Key = QChar()). Throws nothing.
    void edtVersaoKeyPress(QObject* Sender, QChar& Key);
    // Before the version search: every version of depAno's year into cdsVersao (GetVersao, mode
    // "T"); the search always goes on. A failed call stops it (EAbort after its message).
    void btnVersaoBeforePesq(QObject* Sender, bool& Continue);
    // After a version was picked: its CDVERSAOORCA into edtVersao and the calendar of that version
    // loaded (the panel's checks run when the focus leaves the panel). A failed load stops it.
    void btnVersaoAfterPesq(QObject* Sender);

    // The year check: an empty depAno stops with "Ano deve ser informado."; whatever stops the check
    // puts the focus on depAno.
    void VdAno();
    // The version check: an empty edtVersao stops with "Versão deve ser informada.", a version the
    // server does not list for depAno's year with "Versão não cadastrada."; whatever stops the check
    // (a failed call too) puts the focus on edtVersao.
    void VdVersao();
    // The latest-version check: the latest version of depAno's year fetched again (the first row
    // the server lists, empty when it lists none) when the version box changed or the year differs
    // from the one it was fetched for; then, on the page "Fases" only, the version shown is the
    // latest (stUltVers "S": both grids editable, insert, modify and delete as the command rules
    // allow) or not (stUltVers "N": both grids read-only, insert, modify and delete off, toolbar and
    // menu alike). A failed call stops it (EAbort after its message), nothing changed.
    void VdUltVers();
    // The versions of year into cdsVersao: mode "T" with an empty version lists them all, latest
    // first; an empty mode gives that version or no row. Busy indicator of kind 1 without text
    // meanwhile. A failed call stops it (EAbort after its message), cdsVersao unchanged.
    void GetVersao(const QString& version, const QString& mode, const QString& year);

    // ---- Commands and control states (screen/commandstates.cpp) ----

    // Enables the commands for the state of both data sources, the rows, the page and the version
    // shown, toolbar buttons and menu items in step: confirm and cancel while editing; insert and
    // verify while browsing (insert only with the loaded version shown); modify, delete and locate
    // while browsing rows of the loaded version on the page "Fases"; export and print off, close
    // on. With the focus in the phase grid its typing follows the loaded version; on the permission
    // page insert and delete are off. The page menu items follow their pages. Throws nothing.
    void habilitabotoes();
    // The phase rows (or the catalogue's data source) changed state: year box and its label closed
    // while a phase row is edited or inserted, the code column's ellipsis button while editing,
    // the commands, and the permission page open for a calculation phase.
    void dtsPadraoStateChange(QObject* Sender);
    // The user switched pages: the permission list rebuilt when the permission page shows rows not
    // being edited, then the commands and the latest-version check.
    void pgcPadraoChange(QObject* Sender);
    // The page menu items: their page shown and the commands; nothing else is refreshed.
    void mnuFasesClick(QObject* Sender);
    void mnuPermCalcClick(QObject* Sender);
    // Modify: on the page "Fases" the focus to the start date of the phase row and the row edited;
    // on the permission page the focus to the month's flag; in both the month row edited (its edit
    // rules may stop it with EAbort).
    void sbtAlterarClick(QObject* Sender);
    // Cancel: on the permission page "Cancela operação?" and Yes cancels the month row; then, while
    // a phase row is edited or inserted, the same question: Yes cancels it and runs verify, No stops
    // (EAbort) with the row as typed.
    void sbtCancelarClick(QObject* Sender);

    // ---- Verify and confirm (calendar/verifyconfirm.cpp) ----

    // Verify: the calendar of depAno and edtVersao loaded; then, under "Buscando dados no
    // servidor.", the catalogue entry of cdsFaseOrc's current code and the year's cycle; the tags of
    // the code and name fields set to 1 and the after-scroll handling run. A failed step stops the
    // rest (EAbort after its message); the busy indicator is hidden first.
    void sbtVerificarClick(QObject* Sender);
    // Confirm: a phase row being edited or inserted takes edtVersao's number as its version and is
    // posted (its checks and save run); then a month row being edited is posted. A version text that
    // is no number (EConvertError) or a refused post stops it with the rows still being edited.
    void sbtConfirmarClick(QObject* Sender);

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override;

private:
    // Year and version, commands (see above).
    CommandRules commandRules() const;
    QString loadedVersionText() const;  // CDVERSAO of cdsVer, "" without a row
    // Posts a phase row being edited, or saves again changes a failed save left. A refused post or
    // a failed save stops (EAbort after its message) with the calendar as it was.
    void saveUnsavedWork();
    void acceptDigitsOnlyInVersionBox();
    // The page menu items enabled exactly while their pages are, from now on.
    void linkPageMenuItems();
    // The year whose latest version stversAtu holds.
    QString m_latestVersionYear;

    // The phase row's field name.
    TField* phaseField(const QString& name) const;
    // The text the phase grid shows for fieldName in the current row, typing included.
    QString gridText(const QString& fieldName) const;
    // The date the phase grid shows for fieldName in the current row. A text that is no date moves
    // the focus to that cell and stops (EAbort) with a message naming the text.
    QDateTime gridDate(const QString& fieldName);
    // The phase code the row being edited has stored, before this edit.
    QString storedPhaseCode() const;
    // Cancels a pending edit of the phase row and refuses its deletion with the text of key.
    [[noreturn]] void refuseDeletion(const QString& key);
    // The code of the phase row whose deletion the rules let through, for the save that follows it.
    QString m_deletedPhase;
    // The id the server knows the calendar's pending changes by.
    PendingSaveId m_pendingSaveId;

    // FormCreate's steps after the base frame.
    void startUp();
    // Inserts the twelve month rows of the permission list, each flag "N", into an empty list.
    void buildDefaultMonths();
    // Inserts month (1 to 12) before the current row of the permission list with flag.
    void insertMonth(int month, const QString& flag);

    // Permission grid (permissions/).
    TField* permFlag() const;           // IDPERMES of the permission list
    QString selectedPermField() const;  // field name of the grid's selected column, or ""
    static bool mayChangeMonths();      // the latest version of the year is shown
    void changeMonthRow(QString (*change)(const QString& flag));
    void writeMonthBack();                    // the current month's flag into its phase-row field
    void markAllMonths(const QString& mode);  // the title click's run, "M" or "D"
    // Edit, write, Post of the current phase row (its save follows the post); nothing without a
    // phase row, where Edit would insert one.
    void writePhaseRow(const std::function<void()>& write);
};
