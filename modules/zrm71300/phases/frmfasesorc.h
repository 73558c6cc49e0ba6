#pragma once

// TfrmFasesOrc: the phase catalogue screen "Fases do orçamento" (ZRM71303). It descends from the
// standard grid screen: the page "Fases" lists the catalogue (code, name, calculation and blocked
// flags) for insert, modify and delete with the standard commands, each change sent to the server
// the moment it is posted; the page "Conclusões por filial" lists, for a year and version, the
// branches that concluded each phase of that calendar, and records or withdraws a conclusion after
// a question. Its layout is forms/TfrmFasesOrc.form.json; its behaviour lies in the handlers
// registered by name in the constructor. The class is one unit split by topic: frmfasesorc.cpp
// (creation, pages and commands), catalogue.cpp (the first page) and conclusions.cpp (the second).

#include "library/frm/frmpadrgrid.h"

#include "framework/ui/events.h"

#include <QString>

class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
class TEdit;
class TNetConnection;
class TPanel;
class TSpinEdit;

// The components of the screen's own description that its code uses, named as there.
struct TfrmFasesOrcControls {
    TTabSheet* tshConclusoes = nullptr;
    TPanel* panCalendario = nullptr;
    TSpinEdit* depAno = nullptr;
    TEdit* edtVersao = nullptr;
    TBtnPesquisa* btnVersao = nullptr;
    TSpeedButton* sbtMostrar = nullptr;
    TEdit* edtFase = nullptr;
    TBtnPesquisa* btnFase = nullptr;
    TEdit* edtFilial = nullptr;
    TSpeedButton* sbtRegistrar = nullptr;
    TSpeedButton* sbtRetirar = nullptr;
    TDBGrid* dbgConclusoes = nullptr;
    TNetConnection* netCadCalendOrc = nullptr;
    TNetConnection* netCalendOrcOp = nullptr;
    TClientDataSet* cdsFasesCad = nullptr;
    TClientDataSet* cdsConclusoes = nullptr;
    TClientDataSet* cdsVersao = nullptr;
    TClientDataSet* cdsFasesCalend = nullptr;

    void resolve(zrm::ui::ControlResolver& controls);
};

class TfrmFasesOrc : public TfrmPadraoGrid, public TfrmFasesOrcControls {
    Q_OBJECT
public:
    explicit TfrmFasesOrc(QWidget* parent = nullptr);

    // ---- Creation, pages and commands (frmfasesorc.cpp) ----

    // Creation: the base frame, the page "Fases", the session's year (Morvane::Today) in depAno,
    // the catalogue loaded. A failure of the base frame passes on (the screen is not made); a failed
    // load is shown to the user and the screen opens empty (the verify command loads it again).
    void FormCreate(QObject* Sender);
    // Showing: focus on the catalogue grid.
    void FormShow(QObject* Sender);
    // Before either connection connects: port and host from the host's settings.
    void netBeforeConnect(QObject* Sender);
    // Leaving the page "Fases" posts a row being edited first; a refused post keeps the page.
    void pgcPadraoChanging(QObject* Sender, bool& AllowChange);
    // After the page changed: the commands follow it; the conclusions page shows the conclusions of
    // the year and version in its boxes once it is entered.
    void pgcPadraoChange(QObject* Sender);
    // The base's rule for the catalogue's commands; on the conclusions page the catalogue's insert,
    // modify, delete, locate, export and print are off. The conclusion commands follow the conclusions shown.
    void dtsPadraoStateChange(QObject* Sender);
    // Verify: a pending edit posted, then the catalogue loaded again (and the conclusions, on their
    // page).
    void sbtVerificarClick(QObject* Sender);

    // ---- The catalogue (catalogue.cpp) ----

    // Loads the catalogue (GetFasesCad) into cdsFasesCad under the busy indicator "Buscando dados no
    // servidor.", the cursor back on code when it is still there. A failed call is shown and stops
    // with EAbort, the rows as they were.
    void GetFasesCad(const QString& code = QString());
    // New row: both flags "N".
    void cdsFasesCadAfterInsert(TClientDataSet* DataSet);
    // The code the row had when its edit began, for the check that it did not change.
    void cdsFasesCadAfterEdit(TClientDataSet* DataSet);
    // The row's rules (phasecatalogue::normalise) on what the grid shows, then: an existing row
    // keeps its code ("CodFase_Alt"), a new row takes a code no other row has ("Fase_Cad"). The row
    // is stored in its normalised form. A refusal shows its message, puts the cursor on the cell at
    // fault and stops the post (EAbort), the row still being edited and nothing sent.
    void cdsFasesCadBeforePost(TClientDataSet* DataSet);
    // After a post or a delete: the change sent at once (SaveFasesCad).
    void cdsFasesCadAfterPost(TClientDataSet* DataSet);
    // The code of the row about to be deleted, for the save that follows.
    void cdsFasesCadBeforeDelete(TClientDataSet* DataSet);
    void cdsFasesCadAfterDelete(TClientDataSet* DataSet);
    // Sends the pending changes (SetFasesCad) under the busy indicator "Gravando registro." and
    // accepts them. A refusal (a code in use, a row changed elsewhere) is shown, the changes dropped
    // and the catalogue loaded again, the cursor back on code, then EAbort; a server that did not
    // answer is reported (EAbort) and the changes wait for the next save.
    void SaveFasesCad(const QString& code);
    // The base's key rules; typing into the code of a stored row is discarded (a stored phase keeps
    // its code).
    void dbgPadraoKeyPress(QObject* Sender, QChar& Key);

    // ---- Conclusions (conclusions.cpp) ----

    // Another year or version typed: the conclusions shown belonged to the one before, so the list
    // is emptied and the commands wait for the next Mostrar.
    void depAnoChange(QObject* Sender);
    void edtVersaoChange(QObject* Sender);
    // The year's versions fetched into cdsVersao (GetVersao on the calendar's module); a failed
    // call is reported and ends the search.
    void btnVersaoBeforePesq(QObject* Sender, bool& Continue);
    // The picked version into edtVersao, and its conclusions shown.
    void btnVersaoAfterPesq(QObject* Sender);
    void sbtMostrarClick(QObject* Sender);
    // The phases of the calendar shown fetched into cdsFasesCalend; without a calendar shown the
    // search ends with "Calend_Mostrar".
    void btnFaseBeforePesq(QObject* Sender, bool& Continue);
    // The picked phase's code into edtFase.
    void btnFaseAfterPesq(QObject* Sender);
    // Asks "Conf_Registrar" and on Yes records that the branch of edtFilial concluded the phase of
    // edtFase (RegistraConclusao) in the calendar shown, then shows the list again with the new
    // conclusion current. A missing phase or branch is refused before the question; the server's
    // refusal (no such phase in that calendar, already concluded) is shown; both stop with EAbort.
    void sbtRegistrarClick(QObject* Sender);
    // Asks "Conf_Retirar" for the conclusion current in the list and on Yes withdraws it
    // (RetiraConclusao), then shows the list again. No stops silently; a refusal is shown (EAbort).
    void sbtRetirarClick(QObject* Sender);
    // The list's rows or current row changed: the commands follow.
    void dtsConclusoesDataChange(QObject* Sender, TField* Field);

    // Loads the conclusions of the year in depAno and the version in edtVersao (empty: the year's
    // latest, written back into edtVersao) under the busy indicator. A version that is not a number
    // or a year without calendar is refused (MensErro, focus on the box at fault), a failed call
    // reported; both stop with EAbort, the list as it was.
    void GetConclusoes();

    // The year and version whose conclusions are shown; empty year when none is.
    const QString& shownYear() const { return m_shownYear; }
    int shownVersion() const { return m_shownVersion; }

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override;
    // F5 on the conclusions page loads the conclusions again, as Mostrar does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool onCatalogue() const;
    void applyConclusionCommands();
    // Whether another stored row holds code.
    bool codeTaken(const QString& code) const;
    // The latest version of year, as the calendar's module lists them; empty when it has none.
    QString latestVersion(const QString& year);
    // Forgets the conclusions shown.
    void clearConclusions();
    // Asks text with Yes and No; true for Yes.
    static bool confirmed(const QString& text);

    // The code of the row being modified as it was stored, and of the row last deleted.
    QString m_editedCode;
    QString m_deletedCode;
    QString m_shownYear;
    int m_shownVersion = 0;
};
