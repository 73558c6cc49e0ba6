#pragma once

// TfrmVersoes: the screen "Versões do calendário" (ZRM71302), where a budget year is started and
// planned. It descends from the standard grid screen: its form description
// (forms/TfrmVersoes.form.json) adds the year panel and the version columns to the page "Versões",
// the page "Ciclo do ano", the connection netCadCalendOrc to the administration module and the
// screen's texts. The grid's commands speak of versions here: insert creates the year's next version
// on the server (a copy of the latest, or for a year without versions an empty one or a copy of the
// year before), modify edits the description of the latest version, delete removes the latest
// version after naming its phases. Rows are never inserted or deleted in the grid itself: the server
// numbers versions. The class is one unit split by topic: frmversoes.cpp (creation, year, commands),
// versionlist.cpp (the versions) and cyclepage.cpp (the year's cycle).

#include "library/frm/frmpadrgrid.h"

#include "framework/ui/events.h"

#include <QString>

class TClientDataSet;
class TDataSource;
class TLabel;
class TNetConnection;
class TPanel;
class TSpinEdit;

namespace zrm::calendar {
struct CycleMonths;
}

// The components of the screen's own description that its code uses, named as there.
struct TfrmVersoesControls {
    TPanel* panAno = nullptr;
    TSpinEdit* depAno = nullptr;
    TTabSheet* tshCiclo = nullptr;
    TLabel* lblCicloAno = nullptr;
    TSpinEdit* depMesIni = nullptr;
    TSpinEdit* depAnoIni = nullptr;
    TSpinEdit* depMesFim = nullptr;
    TSpinEdit* depAnoFim = nullptr;
    TLabel* lblCicloSituacao = nullptr;
    TMenuItem* mnuVersoes = nullptr;
    TMenuItem* mnuCiclo = nullptr;
    TNetConnection* netCadCalendOrc = nullptr;
    TClientDataSet* cdsVersoes = nullptr;
    TClientDataSet* cdsAnoAnterior = nullptr;
    TClientDataSet* cdsCiclo = nullptr;

    void resolve(zrm::ui::ControlResolver& controls);
};

class TfrmVersoes : public TfrmPadraoGrid, public TfrmVersoesControls {
    Q_OBJECT
public:
    explicit TfrmVersoes(QWidget* parent = nullptr);

    // ---- Handlers bound by the form description ----

    // Creation: the base frame, the page "Versões", the session's year (Morvane::Today) in depAno
    // and its versions and cycle loaded. A failed load is shown to the user and the screen opens;
    // verify (F5) loads again.
    void FormCreate(QObject* Sender);
    // Showing: focus on depAno.
    void FormShow(QObject* Sender);
    // Closing: the base's question for a description being typed, then, for a changed cycle not
    // stored, "CicloDescartar"; No keeps the screen open as it is.
    void FormClose(QObject* Sender, TCloseAction& Action);
    // Before the connection connects: port and host from the host's settings.
    void netCadCalendOrcBeforeConnect(QObject* Sender);
    // Focus leaving the year panel with another year typed than the one shown: that year loaded.
    void panAnoExit(QObject* Sender);
    // The commands follow the page shown, the rows and the version under the cursor.
    void dtsPadraoStateChange(QObject* Sender);
    void pgcPadraoChange(QObject* Sender);
    void mnuVersoesClick(QObject* Sender);
    void mnuCicloClick(QObject* Sender);
    // Keys on the grid: the base's rules, except that Down on the last row never adds a row, and
    // Enter while the description is typed posts it (and so stores it).
    void dbgPadraoKeyDown(QObject* Sender, int& Key, TShiftState Shift);

    // Insert: NovaVersao. Modify: the description cell of the latest version edited. Delete:
    // ExcluiVersao. Verify: a pending description posted, then CarregaAno. Confirm and cancel act on
    // the cycle on its page, on the row being edited on the page "Versões".
    void sbtIncluirClick(QObject* Sender);
    void sbtAlterarClick(QObject* Sender);
    void sbtExcluirClick(QObject* Sender);
    void sbtVerificarClick(QObject* Sender);
    void sbtConfirmarClick(QObject* Sender);
    void sbtCancelarClick(QObject* Sender);

    // The versions' dataset: no row is inserted or deleted locally (EAbort, silently); only the
    // latest version goes into edit ("SoUltimaAlt" otherwise); a post trims the description and
    // refuses one longer than 100 characters; after the post the description is stored on the server
    // (SetDescVersao), and a refusal shows the server's message and reloads the versions.
    void cdsVersoesBeforeInsert(TClientDataSet* DataSet);
    void cdsVersoesBeforeEdit(TClientDataSet* DataSet);
    void cdsVersoesBeforePost(TClientDataSet* DataSet);
    void cdsVersoesAfterPost(TClientDataSet* DataSet);
    void cdsVersoesBeforeDelete(TClientDataSet* DataSet);
    // A cycle box changed by the user: the cycle counts as changed, confirm and cancel come on.
    void cicloChange(QObject* Sender);

    // ---- Operations ----

    // Loads the year of depAno: its versions (latest first) into cdsVersoes and its cycle into
    // cdsCiclo and the cycle boxes, under the busy indicator "Buscando dados no servidor.". A
    // description being edited is posted first; a changed cycle not stored is given up only after
    // the user agrees ("CicloDescartar"). An empty year stops with "Ano_inf"; a failed call is shown
    // (CheckResultServ) and stops with EAbort, the year shown before kept.
    void CarregaAno();
    // The year whose versions and cycle are shown; empty before the first load succeeded.
    QString AnoCarregado() const { return m_loadedYear; }

    // Creates the next version of the year shown after a question: with versions, a copy of the
    // latest ("NovaCopia"); without, version 1 as a copy of the year before's latest (Yes) or empty
    // (No) when the year before has versions ("NovaAnoAnterior"), else empty ("NovaVazia"). Cancel or
    // No stop silently. The list is loaded again with the new version current and the focus on its
    // description. A refusal of the server is shown and stops (EAbort), nothing changed.
    void NovaVersao();
    // Deletes the latest version after "ConfExcl" names it and its phases; only the latest
    // ("SoUltimaExc"). The list is loaded again. A refusal of the server is shown and stops (EAbort).
    void ExcluiVersao();

    // Checks the cycle of the boxes (start not after end, "CicloIniFim"; at most 24 months,
    // "Ciclo24", focus on the box at fault) and stores it for the year shown (SetCiclo), then loads
    // it again. A refusal stops (EAbort) with the boxes as typed.
    void GravaCiclo();
    // True while the cycle boxes hold what is not stored.
    bool CicloAlterado() const { return m_cycleChanged; }

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override;
    // Enter in the year panel loads the year typed; Enter on the cycle page stores the cycle; F5
    // anywhere runs verify.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The commands for the page, the state and the current row, toolbar and menu alike.
    void applyCommandStates();
    // The year shown loaded again when depAno says another.
    void ensureYearShown();
    // The versions of year into cdsVersoes, the cursor on version (the first row when 0).
    void loadVersions(const QString& year, int version);
    // The current row is the latest version of the year shown.
    bool currentIsLatest() const;
    // "nenhuma fase", "1 fase", "N fases".
    QString phasesText(int count) const;
    // Puts what cdsCiclo holds into the cycle boxes and the status line; not a user's change.
    void showCycle();
    zrm::calendar::CycleMonths typedCycle() const;
    bool onCyclePage() const;
    bool editingOrInsertingVersion() const;

    QString m_loadedYear;
    bool m_cycleChanged = false;
    bool m_showingCycle = false;
};
