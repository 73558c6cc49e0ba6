#pragma once

// TfrmCalendOrc: the budget-calendar screen "Calendário para Orçamento" (ZRM71300). It descends from
// the standard grid screen: its form description (forms/TfrmCalendOrc.form.json, built from
// screen/forms and data/) adds the year-and-version panel, the permission page and grid, the two
// check images, the datasets, the connection netCalendOrcOp and the message table msgPadrao to the
// base's frame. All of its behaviour lies in handlers registered by name in the constructor; one
// registered under a base handler's name takes that handler's place. The class is one unit split by
// topic: screen/ (creation and showing), calendar/ (loading) and permissions/ (the permission list).

#include "library/frm/frmpadrgrid.h"

#include <QDateTime>
#include <QString>

class TClientDataSet;
class TEdit;
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
};
