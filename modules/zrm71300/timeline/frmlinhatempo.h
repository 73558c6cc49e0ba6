#pragma once

// TfrmLinhaTempo: the timeline screen "Linha do tempo do orçamento" (ZRM71301), for the people who
// follow the budget calendar rather than maintain it. For a year and version it paints the phases
// across the months (tlinhatempo.h), compares them with another version of the year (outlines and a
// list of differences), lists the calendar's change history, and exports the picture to PNG and PDF
// or prints it. Its layout is forms/TfrmLinhaTempo.form.json; its behaviour lies in the handlers
// registered by name in the constructor. It reads through the calendar module's own methods and
// changes nothing on the server.

#include "framework/packet/packet.h"
#include "framework/ui/form.h"
#include "modules/zrm71300/timeline/reporttable.h"
#include "modules/zrm71300/timeline/timelinepainter.h"

#include <QString>

#include <optional>

class TBtnPesquisa;
class TClientDataSet;
class TEdit;
class QPrinter;
class TLabel;
class TLinhaTempo;
class TMessages;
class TNetConnection;
class TPanel;
class TSpeedButton;
class TSpinEdit;
class TTabSheet;

namespace zrm::ui {
class ControlResolver;
}

// The controls of the timeline screen's description that its code uses, resolved once when the
// screen is made.
struct TfrmLinhaTempoControls {
    TPanel* panAno = nullptr;
    TLabel* lblCodTela = nullptr;
    TLabel* lblAno = nullptr;
    TSpinEdit* depAno = nullptr;
    TLabel* lblVer = nullptr;
    TEdit* edtVersao = nullptr;
    TBtnPesquisa* btnVersao = nullptr;
    TLabel* lblComparar = nullptr;
    TEdit* edtComparar = nullptr;
    TBtnPesquisa* btnComparar = nullptr;
    TSpeedButton* sbtMostrar = nullptr;
    TSpeedButton* sbtExportarPng = nullptr;
    TSpeedButton* sbtExportarPdf = nullptr;
    TSpeedButton* sbtImprimir = nullptr;
    TTabSheet* tshDiferencas = nullptr;
    TTabSheet* tshHistorico = nullptr;
    TLinhaTempo* lntCalendario = nullptr;
    TNetConnection* netCalendOrcOp = nullptr;
    TClientDataSet* cdsVersao = nullptr;
    TClientDataSet* cdsDiferencas = nullptr;
    TClientDataSet* cdsHistorico = nullptr;
    TMessages* msgLinhaTempo = nullptr;

    void resolve(zrm::ui::ControlResolver& controls);
};

class TfrmLinhaTempo : public TForm, public TfrmLinhaTempoControls {
    Q_OBJECT
public:
    explicit TfrmLinhaTempo(QWidget* parent = nullptr);

    // ---- Handlers bound by the form description ----

    // Creation: the timeline's texts from the message table, the session's year (Morvane::Today) in
    // depAno, and the timeline of its latest version. A failed first load is shown to the user and the screen
    // opens.
    void FormCreate(QObject* Sender);
    // Showing: focus on depAno.
    void FormShow(QObject* Sender);
    // Another year: the versions in edtVersao and edtComparar were that of the year before, so both
    // are emptied and the next load shows the new year's latest version.
    void depAnoChange(QObject* Sender);
    // Before the connection connects: port and host from the host's settings.
    void netCalendOrcOpBeforeConnect(QObject* Sender);
    // Both version searches: the year's versions fetched into cdsVersao under the busy indicator
    // (kind 1, no text); a failed call is reported and ends the search.
    void btnVersaoBeforePesq(QObject* Sender, bool& Continue);
    // The picked version written into the search button's own edit.
    void btnVersaoAfterPesq(QObject* Sender);
    void sbtMostrarClick(QObject* Sender);
    // Ask for a file (the platform's save dialog), then export; cancelling does nothing.
    void sbtExportarPngClick(QObject* Sender);
    void sbtExportarPdfClick(QObject* Sender);
    // The platform's print dialog, then Imprimir on the chosen printer; cancelling prints nothing.
    void sbtImprimirClick(QObject* Sender);
    void sbtSairClick(QObject* Sender);

    // ---- Operations ----

    // Loads and shows the timeline of the year of depAno and the version of edtVersao (empty: the
    // latest, written back into edtVersao), compared with the version of edtComparar when it is not
    // empty, and the calendar's change history, under the busy indicator "Buscando dados no
    // servidor.". Everything is read before anything shown changes: a refusal (a version that is not
    // a number, the same version twice, a year without calendar, a version the year does not have) is
    // shown through MensErro with the focus on the box at fault, a failed call through
    // CheckResultServ; both stop with EAbort and leave the screen as it was.
    void GetLinhaTempo();
    // Writes the title and the timeline as a PNG picture, or as PDF pages followed by the differences
    // (in compare mode) and the change history, to path. A file that cannot be written is reported
    // through MensErro (EAbort).
    void ExportarPng(const QString& path);
    void ExportarPdf(const QString& path);
    // Prints the title and the timeline, every lane, then the differences (in compare mode) and the
    // change history, on printer (set up by the print dialog); the document takes the title's name. Never
    // fails; what the printer does with it is its own affair.
    void Imprimir(QPrinter& printer);

    // The title of the timeline shown: year, version and the compared version.
    QString Titulo() const;

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override;
    // F5 anywhere in the screen, and Enter that no control took (in the year and version boxes, on
    // the timeline), load the calendar again as Mostrar does; a refusal is shown and stops there.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The file the user chooses in the platform's save dialog; empty when cancelled.
    QString askPath(const QString& titleKey, const QString& filterKey);
    // The version text of edit, checked: empty or a positive number.
    QString versionOf(TEdit* edit) const;
    // The calendar of a year and version (empty: the latest) with the session's today, the concluded
    // phases and the conflicts marked. Stops as GetLinhaTempo says.
    TimelineCalendar readCalendar(int year, const QString& version, TEdit* box) const;
    void showDifferences(const QList<TimelineDifference>& differences);
    void showHistory(const zrm::DataPacket& history);
    // The rows of a detail grid's dataset as a printed table, headed by its page's caption.
    ReportTable reportTable(TClientDataSet* rows, const TTabSheet* page, const char* emptyKey) const;
    QList<ReportTable> reportTables() const;
};
