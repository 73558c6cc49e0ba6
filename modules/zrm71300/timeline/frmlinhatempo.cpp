#include "modules/zrm71300/timeline/frmlinhatempo.h"

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/data/field.h"
#include "framework/ui/boundary.h"
#include "framework/ui/edit.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/label.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/morvane.h"
#include "library/zul/netconnection.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/timeline/historytext.h"
#include "modules/zrm71300/timeline/tlinhatempo.h"
#include "modules/zrm71300/timeline/toolbarflow.h"

#include <QDate>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

namespace {

constexpr int HistoryLimit = 200;

// A packet's value by column name; empty when the packet has no such column.
QVariant valueOf(const zrm::DataPacket& packet, const zrm::Row& row, const char* column) {
    const int index = packet.fieldIndex(QLatin1String(column));
    return index < 0 ? QVariant() : row.value(index);
}

QString textOf(const zrm::DataPacket& packet, const zrm::Row& row, const char* column) {
    return valueOf(packet, row, column).toString();
}

QString versionText(const QVariant& value) {
    return value.isValid() ? QString::number(value.toDouble(), 'f', 0) : QString();
}

}  // namespace

TfrmLinhaTempo::TfrmLinhaTempo(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("TfrmLinhaTempo"));
    TLinhaTempo::RegisterClass();
    registerHandler(QStringLiteral("FormCreate"), this, &TfrmLinhaTempo::FormCreate);
    registerHandler(QStringLiteral("FormShow"), this, &TfrmLinhaTempo::FormShow);
    registerHandler(QStringLiteral("depAnoChange"), this, &TfrmLinhaTempo::depAnoChange);
    registerHandler(QStringLiteral("netCalendOrcOpBeforeConnect"), this,
                    &TfrmLinhaTempo::netCalendOrcOpBeforeConnect);
    registerHandler(QStringLiteral("btnVersaoBeforePesq"), this, &TfrmLinhaTempo::btnVersaoBeforePesq);
    registerHandler(QStringLiteral("btnVersaoAfterPesq"), this, &TfrmLinhaTempo::btnVersaoAfterPesq);
    registerHandler(QStringLiteral("sbtMostrarClick"), this, &TfrmLinhaTempo::sbtMostrarClick);
    registerHandler(QStringLiteral("sbtExportarPngClick"), this, &TfrmLinhaTempo::sbtExportarPngClick);
    registerHandler(QStringLiteral("sbtExportarPdfClick"), this, &TfrmLinhaTempo::sbtExportarPdfClick);
    registerHandler(QStringLiteral("sbtImprimirClick"), this, &TfrmLinhaTempo::sbtImprimirClick);
    registerHandler(QStringLiteral("sbtSairClick"), this, &TfrmLinhaTempo::sbtSairClick);
}

// ---- Components ----

void TfrmLinhaTempoControls::resolve(zrm::ui::ControlResolver& controls) {
    ZRM_RESOLVE(controls, panAno);
    ZRM_RESOLVE(controls, lblCodTela);
    ZRM_RESOLVE(controls, lblAno);
    ZRM_RESOLVE(controls, depAno);
    ZRM_RESOLVE(controls, lblVer);
    ZRM_RESOLVE(controls, edtVersao);
    ZRM_RESOLVE(controls, btnVersao);
    ZRM_RESOLVE(controls, lblComparar);
    ZRM_RESOLVE(controls, edtComparar);
    ZRM_RESOLVE(controls, btnComparar);
    ZRM_RESOLVE(controls, sbtMostrar);
    ZRM_RESOLVE(controls, sbtExportarPng);
    ZRM_RESOLVE(controls, sbtExportarPdf);
    ZRM_RESOLVE(controls, sbtImprimir);
    ZRM_RESOLVE(controls, tshDiferencas);
    ZRM_RESOLVE(controls, tshHistorico);
    ZRM_RESOLVE(controls, lntCalendario);
    ZRM_RESOLVE(controls, netCalendOrcOp);
    ZRM_RESOLVE(controls, cdsVersao);
    ZRM_RESOLVE(controls, cdsDiferencas);
    ZRM_RESOLVE(controls, cdsHistorico);
    ZRM_RESOLVE(controls, msgLinhaTempo);
}

void TfrmLinhaTempo::resolveControls(zrm::ui::ControlResolver& controls) {
    TForm::resolveControls(controls);
    TfrmLinhaTempoControls::resolve(controls);
}

// ---- Handlers ----

void TfrmLinhaTempo::FormCreate(QObject*) {
    const TMessages* texts = msgLinhaTempo;
    const auto msg = [texts](const char* key) { return texts->Msg(QLatin1String(key)); };
    lntCalendario->SetTexts({msg("Meses").split(QLatin1Char(',')), msg("Hoje"), msg("Comum"), msg("Calculo"),
                             msg("Bloqueada"), msg("Concluida"), msg("Conflito"), msg("MesPermitido"),
                             msg("Comparacao"), msg("DataBloq"), msg("ConflitoCom"), msg("Dica"),
                             msg("CalculoEm"), msg("NaComparacao"), msg("SoNaComparacao")});
    cdsDiferencas->CreateDataSet();
    cdsHistorico->CreateDataSet();
    // In a narrow window the year, version and comparison boxes and the commands wrap onto further
    // rows instead of passing the window's edge.
    new ToolbarFlow(panAno, {{lblCodTela},
                             {lblAno, depAno},
                             {lblVer, edtVersao, btnVersao},
                             {lblComparar, edtComparar, btnComparar},
                             {sbtMostrar},
                             {sbtExportarPng, sbtExportarPdf, sbtImprimir}});
    depAno->SetValue(Morvane::Today().year());
    // The screen opens even when the server does not answer; Mostrar tries again.
    zrm::ui::guardUserAction(this, [this] { GetLinhaTempo(); });
}

void TfrmLinhaTempo::FormShow(QObject*) {
    depAno->setFocus();
}

void TfrmLinhaTempo::depAnoChange(QObject*) {
    edtVersao->SetText(QString());
    edtComparar->SetText(QString());
}

void TfrmLinhaTempo::keyPressEvent(QKeyEvent* event) {
    const bool reload =
        event->key() == Qt::Key_F5 || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!reload || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        TForm::keyPressEvent(event);
        return;
    }
    event->accept();
    zrm::ui::guardUserAction(this, [this] { GetLinhaTempo(); });
}

void TfrmLinhaTempo::netCalendOrcOpBeforeConnect(QObject*) {
    netCalendOrcOp->SetPort(Morvane::WebPort());
    netCalendOrcOp->SetHost(Morvane::WebURL());
}

void TfrmLinhaTempo::btnVersaoBeforePesq(QObject*, bool& Continue) {
    const BusyScope busy(Showavi::KindSaving);
    cdsVersao->SetData(Consiste::CheckResultServ(
        RdmCalendOrcOp::GetVersao(netCalendOrcOp, depAno->Text(), QString(), QStringLiteral("T")), true, 0));
    Continue = true;
}

void TfrmLinhaTempo::btnVersaoAfterPesq(QObject* Sender) {
    auto* button = qobject_cast<TBtnPesquisa*>(Sender);
    if (button && button->Associate())
        button->Associate()->SetText(cdsVersao->FieldByName(QStringLiteral("CDVERSAOORCA"))->AsString());
}

void TfrmLinhaTempo::sbtMostrarClick(QObject*) {
    GetLinhaTempo();
}

QString TfrmLinhaTempo::askPath(const QString& titleKey, const QString& filterKey) {
    return QFileDialog::getSaveFileName(this, msgLinhaTempo->Msg(titleKey), QString(),
                                        msgLinhaTempo->Msg(filterKey));
}

void TfrmLinhaTempo::sbtExportarPngClick(QObject*) {
    if (const QString path = askPath(QStringLiteral("ExportarPng"), QStringLiteral("FiltroPng"));
        !path.isEmpty())
        ExportarPng(path);
}

void TfrmLinhaTempo::sbtExportarPdfClick(QObject*) {
    if (const QString path = askPath(QStringLiteral("ExportarPdf"), QStringLiteral("FiltroPdf"));
        !path.isEmpty())
        ExportarPdf(path);
}

void TfrmLinhaTempo::sbtImprimirClick(QObject*) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(Titulo());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        Imprimir(printer);
}

void TfrmLinhaTempo::sbtSairClick(QObject*) {
    Close();
}

// ---- Operations ----

QString TfrmLinhaTempo::versionOf(TEdit* edit) const {
    static const QRegularExpression digits(QStringLiteral("^\\d{1,5}$"));
    QString text = edit->Text().trimmed();
    if (!text.isEmpty() && (!digits.match(text).hasMatch() || text.toInt() < 1)) {
        edit->setFocus();
        Consiste::MensErro(msgLinhaTempo->Msg(QStringLiteral("VersaoInvalida")));
    }
    return text;
}

TimelineCalendar TfrmLinhaTempo::readCalendar(int year, const QString& version, TEdit* box) const {
    const QString yearText = QString::number(year);
    const TRemoteData packets =
        Consiste::CheckResultServ(RdmCalendOrcOp::GetCalendOrcOp(netCalendOrcOp, yearText, version), true, 2);
    const zrm::DataPacket& rows = packets[0];
    const zrm::DataPacket& used = packets[1];
    const auto refuse = [&](const QString& text) {
        box->setFocus();
        Consiste::MensErro(text);
    };
    if (used.rows.isEmpty())
        refuse(msgLinhaTempo->Msg(QStringLiteral("AnoSemVersao")).arg(yearText));

    TimelineCalendar calendar;
    calendar.year = year;
    // refuse() does not return (MensErro throws EAbort), so the list is not empty here.
    // cppcheck-suppress containerOutOfBounds
    calendar.version = versionText(valueOf(used, used.rows.first(), "CDVERSAO"));
    if (rows.rows.isEmpty()) {
        // An empty calendar, or a version the year does not have: the version list tells which.
        const zrm::DataPacket found = Consiste::CheckResultServ(
            RdmCalendOrcOp::GetVersao(netCalendOrcOp, yearText, calendar.version, QString()), true, 0);
        if (found.rows.isEmpty())
            refuse(msgLinhaTempo->Msg(QStringLiteral("VersaoInexistente")).arg(yearText, calendar.version));
    }
    // The session's date, as the budget-calendar screen takes it, so both agree on what today is.
    calendar.today = Morvane::Today();
    for (const zrm::Row& row : rows.rows) {
        TimelinePhase phase;
        phase.code = textOf(rows, row, "CDFASEORCOPERAC");
        phase.name = textOf(rows, row, "NMFASEORCOPERAC");
        phase.start = valueOf(rows, row, "DTINIFASEORCA").toDateTime().date();
        phase.end = valueOf(rows, row, "DTFINFASEORCA").toDateTime().date();
        phase.calculation = textOf(rows, row, "IDFASECALCORCA") == QLatin1String("S");
        phase.blocked = textOf(rows, row, "IDBLOQFASEORCA") == QLatin1String("S");
        phase.permittedMonths =
            zrm::calendar::readPermittedMonths([&](const char* field) { return textOf(rows, row, field); });
        const zrm::DataPacket uses = Consiste::CheckResultServ(
            RdmCalendOrcOp::BloqDelFase(netCalendOrcOp, phase.code, year, calendar.version), true, 0);
        phase.concluded = !uses.rows.isEmpty();
        calendar.phases.append(phase);
    }
    std::stable_sort(calendar.phases.begin(), calendar.phases.end(),
                     [](const TimelinePhase& a, const TimelinePhase& b) { return a.start < b.start; });
    calendar.markConflicts();
    return calendar;
}

void TfrmLinhaTempo::GetLinhaTempo() {
    const QString version = versionOf(edtVersao);
    const QString compared = versionOf(edtComparar);
    const int year = depAno->Value();

    const BusyScope busy(Showavi::KindFetching, msgLinhaTempo->Msg(QStringLiteral("Buscando")));
    const TimelineCalendar shown = readCalendar(year, version, edtVersao);
    std::optional<TimelineCalendar> other;
    if (!compared.isEmpty()) {
        if (compared.toInt() == shown.version.toInt()) {
            edtComparar->setFocus();
            Consiste::MensErro(msgLinhaTempo->Msg(QStringLiteral("CompararIgual")));
        }
        other = readCalendar(year, compared, edtComparar);
    }
    const zrm::DataPacket history = Consiste::CheckResultServ(
        RdmCalendOrcOp::GetHistCalendOrc(netCalendOrcOp, QString::number(year), shown.version, HistoryLimit),
        true, 0);

    edtVersao->SetText(shown.version);
    lntCalendario->SetCalendar(shown, other);
    showDifferences(other ? compareCalendars(shown, *other) : QList<TimelineDifference>());
    showHistory(history);
}

void TfrmLinhaTempo::showDifferences(const QList<TimelineDifference>& differences) {
    const TMessages* texts = msgLinhaTempo;
    const auto period = [texts](const QDate& start, const QDate& end) {
        return texts->Msg(QStringLiteral("Periodo"))
            .arg(start.toString(QStringLiteral("dd/MM/yyyy")), end.toString(QStringLiteral("dd/MM/yyyy")));
    };
    const QStringList names = texts->Msg(QStringLiteral("Meses")).split(QLatin1Char(','));
    const auto months = [&names](const zrm::calendar::PermittedMonths& permitted) {
        QStringList shown;
        for (int month = 0; month < zrm::calendar::MonthCount; ++month) {
            if (permitted[size_t(month)])
                shown << names.value(month);
        }
        return shown.isEmpty() ? QStringLiteral("—") : shown.join(QStringLiteral(", "));
    };
    TClientDataSet* rows = cdsDiferencas;
    rows->CreateDataSet();
    for (const TimelineDifference& difference : differences) {
        rows->Append();
        rows->FieldByName(QStringLiteral("FASE"))
            ->SetAsString(difference.code + QStringLiteral(" - ") + difference.name);
        switch (difference.change) {
            case TimelineDifference::Change::Added:
                rows->FieldByName(QStringLiteral("SITUACAO"))
                    ->SetAsString(texts->Msg(QStringLiteral("Incluida")));
                rows->FieldByName(QStringLiteral("DATAS"))
                    ->SetAsString(period(difference.newStart, difference.newEnd));
                break;
            case TimelineDifference::Change::Removed:
                rows->FieldByName(QStringLiteral("SITUACAO"))
                    ->SetAsString(texts->Msg(QStringLiteral("Removida")));
                rows->FieldByName(QStringLiteral("DATAS"))
                    ->SetAsString(period(difference.oldStart, difference.oldEnd));
                break;
            case TimelineDifference::Change::Moved:
                rows->FieldByName(QStringLiteral("SITUACAO"))
                    ->SetAsString(texts->Msg(QStringLiteral("DatasAlteradas")));
                rows->FieldByName(QStringLiteral("DATAS"))
                    ->SetAsString(period(difference.oldStart, difference.oldEnd) + QStringLiteral(" → ") +
                                  period(difference.newStart, difference.newEnd));
                break;
            case TimelineDifference::Change::MonthsChanged:
                rows->FieldByName(QStringLiteral("SITUACAO"))
                    ->SetAsString(texts->Msg(QStringLiteral("MesesAlterados")));
                rows->FieldByName(QStringLiteral("DATAS"))
                    ->SetAsString(months(difference.oldMonths) + QStringLiteral(" → ") +
                                  months(difference.newMonths));
                break;
        }
        rows->Post();
    }
    rows->MergeChangeLog();
    rows->First();
}

void TfrmLinhaTempo::showHistory(const zrm::DataPacket& history) {
    const TMessages* texts = msgLinhaTempo;
    const HistoryLabels labels{texts->Msg(QStringLiteral("DataInicio")),
                               texts->Msg(QStringLiteral("DataFim")),
                               texts->Msg(QStringLiteral("Codigo")),
                               texts->Msg(QStringLiteral("MesesExtenso")).split(QLatin1Char(',')),
                               texts->Msg(QStringLiteral("Permitido")),
                               texts->Msg(QStringLiteral("NaoPermitido"))};
    TClientDataSet* rows = cdsHistorico;
    rows->CreateDataSet();
    for (const zrm::Row& row : history.rows) {
        rows->Append();
        const QString operatorCode = textOf(history, row, "CDOPERADOR");
        const QString operatorName = textOf(history, row, "NMOPERADOR");
        const QString operation = textOf(history, row, "IDOPERACAO");
        rows->FieldByName(QStringLiteral("QUANDO"))
            ->SetAsString(valueOf(history, row, "DTALTERACAO")
                              .toDateTime()
                              .toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
        rows->FieldByName(QStringLiteral("OPERADOR"))
            ->SetAsString(operatorName.isEmpty() ? operatorCode
                                                 : operatorCode + QStringLiteral(" - ") + operatorName);
        rows->FieldByName(QStringLiteral("OPERACAO"))
            ->SetAsString(operation.isEmpty() ? QString()
                                              : texts->Msg(operation.left(1).toUpper() + operation.mid(1)));
        rows->FieldByName(QStringLiteral("FASE"))
            ->SetAsString(textOf(history, row, "CDFASEORCOPERAC") + QStringLiteral(" - ") +
                          textOf(history, row, "NMFASEORCOPERAC"));
        rows->FieldByName(QStringLiteral("ANTES"))
            ->SetAsString(describeColumns(textOf(history, row, "DSANTES"), labels));
        rows->FieldByName(QStringLiteral("DEPOIS"))
            ->SetAsString(describeColumns(textOf(history, row, "DSDEPOIS"), labels));
        rows->Post();
    }
    rows->MergeChangeLog();
    rows->First();
}

ReportTable TfrmLinhaTempo::reportTable(TClientDataSet* rows, const TTabSheet* page,
                                        const char* emptyKey) const {
    ReportTable table{page->Caption(), {}, {}, {}, msgLinhaTempo->Msg(QLatin1String(emptyKey))};
    QList<TField*> fields;
    for (int index = 0; index < rows->FieldCount(); ++index) {
        if (TField* field = rows->Field(index); field->Visible()) {
            fields << field;
            table.titles << field->DisplayLabel();
            table.widths << field->DisplayWidth();
        }
    }
    // The grid keeps its row: the rows are read with the controls detached and the cursor put back.
    const int current = rows->RecNo();
    rows->DisableControls();
    for (rows->First(); !rows->Eof(); rows->Next()) {
        QStringList texts;
        for (const TField* field : std::as_const(fields))
            texts << field->AsString();
        table.rows << texts;
    }
    if (current > 0)
        rows->SetRecNo(current);
    rows->EnableControls();
    return table;
}

QList<ReportTable> TfrmLinhaTempo::reportTables() const {
    QList<ReportTable> tables;
    if (lntCalendario->Comparison())
        tables << reportTable(cdsDiferencas, tshDiferencas, "SemDiferencas");
    tables << reportTable(cdsHistorico, tshHistorico, "SemHistorico");
    return tables;
}

void TfrmLinhaTempo::ExportarPng(const QString& path) {
    if (!lntCalendario->RenderImage(TLinhaTempo::PreferredWidth * 2, Titulo()).save(path, "PNG"))
        Consiste::MensErro(msgLinhaTempo->Msg(QStringLiteral("ErroGravar")).arg(path));
}

void TfrmLinhaTempo::ExportarPdf(const QString& path) {
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        Consiste::MensErro(msgLinhaTempo->Msg(QStringLiteral("ErroGravar")).arg(path));
    probe.close();
    QPdfWriter writer(path);
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.setResolution(150);
    writer.setTitle(Titulo());
    writer.setCreator(QStringLiteral("ZRM71301"));
    lntCalendario->RenderPage(writer, Titulo(), reportTables());
}

void TfrmLinhaTempo::Imprimir(QPrinter& printer) {
    printer.setDocName(Titulo());
    lntCalendario->RenderPage(printer, Titulo(), reportTables());
}

QString TfrmLinhaTempo::Titulo() const {
    const TimelineCalendar& shown = lntCalendario->Calendar();
    const std::optional<TimelineCalendar>& other = lntCalendario->Comparison();
    if (other)
        return msgLinhaTempo->Msg(QStringLiteral("TituloComparacao"))
            .arg(QString::number(shown.year), shown.version, other->version);
    return msgLinhaTempo->Msg(QStringLiteral("TituloPagina")).arg(QString::number(shown.year), shown.version);
}
