#pragma once

// TfrmCalendOrc: the budget-calendar screen "Calendário para Orçamento" (ZRM71300). It descends from
// the standard grid screen: its form description (forms/TfrmCalendOrc.form.json, built from
// screen/forms and data/) adds the year-and-version panel, the permission page and grid, the two
// check images, the datasets, the connection netCalendOrcOp and the message table msgPadrao to the
// base's frame. All of its behaviour lies in handlers registered by name in the constructor; one
// registered under a base handler's name takes that handler's place. The class is one unit split by
// topic: screen/ (creation and showing), calendar/ (loading) and permissions/ (the permission list).

#include "library/frm/frmpadrgrid.h"

#include "framework/ui/events.h"

#include <QDateTime>
#include <QString>

#include <functional>

class QRect;
class TClientDataSet;
class TColumn;
class TEdit;
class TField;
class TImage;
class TNetConnection;
class TSpinEdit;

class TfrmCalendOrc : public TfrmPadraoGrid {
    Q_OBJECT
public:
    explicit TfrmCalendOrc(QWidget* parent = nullptr);
    ~TfrmCalendOrc() override;

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
    // as it reopens (AfterScroll when rows came). A failed call is shown in the error box and stops
    // with EAbort, nothing loaded; the busy indicator is hidden whatever happens.
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
    // cdsValBloq exactly "S") whose period another returned phase touches (PeriodConflict) stops
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

private:
    // Components of this screen's own description.
    TSpinEdit* depAno() const;
    TEdit* edtVersao() const;
    TTabSheet* tshPermCalc() const;
    TNetConnection* netCalendOrcOp() const;
    TClientDataSet* cdsCalendOrcOp() const;
    TClientDataSet* cdsVdAnoCalendOrcOp() const;
    TClientDataSet* cdsVer() const;
    TClientDataSet* cdsPermCalc() const;
    TClientDataSet* cdsValCiclo() const;

    // FormCreate's steps after the base frame.
    void startUp();
    // Inserts the twelve month rows of the permission list, each flag "N", into an empty list.
    void buildDefaultMonths();
    // Inserts month (1 to 12) before the current row of the permission list with flag.
    void insertMonth(int month, const QString& flag);

    // Permission grid (permissions/).
    TDBGrid* dbgPermCalc() const;
    TField* permFlag() const;           // IDPERMES of the permission list
    QString selectedPermField() const;  // field name of the grid's selected column, or ""
    bool mayChangeMonths() const;       // the latest version of the year is shown
    void changeMonthRow(QString (*change)(const QString& flag));
    void writeMonthBack();                    // the current month's flag into its phase-row field
    void markAllMonths(const QString& mode);  // the title click's run, "M" or "D"
    // Edit, write, Post of the current phase row (its save follows the post); nothing without a
    // phase row, where Edit would insert one.
    void writePhaseRow(const std::function<void()>& write);
};
