// The versions of the year shown: creating the next one on the server, the description of the
// latest, and deleting the latest.

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dialogs.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "modules/zrm71300/data/rdmcadcalendorc.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/versions/frmversoes.h"

namespace {

constexpr int DescriptionSize = 100;

QString field(const TClientDataSet* rows, const char* name) {
    return rows->FieldByName(QLatin1String(name))->AsString();
}

int number(const TClientDataSet* rows, const char* name) {
    return rows->FieldByName(QLatin1String(name))->AsInteger();
}

}  // namespace

bool TfrmVersoes::currentIsLatest() const {
    return cdsVersoes->Active() && !cdsVersoes->IsEmpty() &&
           field(cdsVersoes, "IDULTIMA") == QLatin1String("S");
}

QString TfrmVersoes::phasesText(int count) const {
    if (count == 0)
        return msgPadrao->Msg(QStringLiteral("NenhumaFase"));
    if (count == 1)
        return msgPadrao->Msg(QStringLiteral("UmaFase"));
    return msgPadrao->Msg(QStringLiteral("Fases")).arg(count);
}

void TfrmVersoes::loadVersions(const QString& year, int version) {
    {
        const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Buscando")));
        cdsVersoes->SetData(
            Consiste::CheckResultServ(RdmCadCalendOrc::GetVersoesAno(netCadCalendOrc, year), true, 0));
    }
    if (version > 0)
        cdsVersoes->Locate(QStringLiteral("CDVERSAOORCA"), version);
    applyCommandStates();
}

// ---- Nova versão ----

void TfrmVersoes::NovaVersao() {
    ensureYearShown();
    const QString year = m_loadedYear;
    QString origin;
    if (!cdsVersoes->IsEmpty()) {
        // The server lists the latest version first.
        cdsVersoes->First();
        const QString question =
            msgPadrao->Msg(QStringLiteral("NovaCopia"))
                .arg(year, field(cdsVersoes, "CDVERSAOORCA"), phasesText(number(cdsVersoes, "QTFASES")));
        if (MessageDlg(question, mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
            Abort();
        origin = QLatin1String(RdmCadCalendOrc::origem::UltimaVersao);
    } else {
        const QString previousYear = QString::number(year.toInt() - 1);
        {
            const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Buscando")));
            cdsAnoAnterior->SetData(Consiste::CheckResultServ(
                RdmCadCalendOrc::GetVersoesAno(netCadCalendOrc, previousYear), true, 0));
        }
        if (cdsAnoAnterior->IsEmpty()) {
            const QString question = msgPadrao->Msg(QStringLiteral("NovaVazia")).arg(year, previousYear);
            if (MessageDlg(question, mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
                Abort();
            origin = QLatin1String(RdmCadCalendOrc::origem::Vazia);
        } else {
            cdsAnoAnterior->First();
            const QString question = msgPadrao->Msg(QStringLiteral("NovaAnoAnterior"))
                                         .arg(year, previousYear, field(cdsAnoAnterior, "CDVERSAOORCA"),
                                              phasesText(number(cdsAnoAnterior, "QTFASES")));
            const int answer = MessageDlg(question, mtConfirmation, {mbYes, mbNo, mbCancel}, 0);
            if (answer == mrYes)
                origin = QLatin1String(RdmCadCalendOrc::origem::AnoAnterior);
            else if (answer == mrNo)
                origin = QLatin1String(RdmCadCalendOrc::origem::Vazia);
            else
                Abort();
        }
    }
    int created = 0;
    {
        const BusyScope busy(Showavi::KindSaving, msgPadrao->Msg(QStringLiteral("Criando")));
        const zrm::DataPacket row = Consiste::CheckResultServ(
            RdmCadCalendOrc::NovaVersao(netCadCalendOrc, year, origin, QString()), true, 0);
        const int column = row.fieldIndex(QStringLiteral("CDVERSAOORCA"));
        if (column >= 0 && !row.rows.isEmpty())
            created = row.rows.first().value(column).toInt();
    }
    loadVersions(year, created);
    // The description is what a new version usually needs next: typing goes straight into it.
    dbgPadrao->SetFocus();
    dbgPadrao->SetSelectedField(cdsVersoes->FieldByName(QStringLiteral("DSVERSAOORCA")));
}

// ---- Deleting the latest version ----

void TfrmVersoes::ExcluiVersao() {
    ensureYearShown();
    if (!currentIsLatest())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("SoUltimaExc")), true);
    const QString year = m_loadedYear;
    const int version = number(cdsVersoes, "CDVERSAOORCA");
    const QString question =
        msgPadrao->Msg(QStringLiteral("ConfExcl"))
            .arg(QString::number(version), year, phasesText(number(cdsVersoes, "QTFASES")));
    if (MessageDlg(question, mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
        Abort();
    {
        const BusyScope busy(Showavi::KindSaving, msgPadrao->Msg(QStringLiteral("Excluindo")));
        Consiste::CheckResultServ(RdmCadCalendOrc::ExcluiVersao(netCadCalendOrc, year, version), true, 0);
    }
    loadVersions(year, 0);
}

// ---- The dataset's rules ----

// Handlers are members even when they use no member: the form binds them by name to its events.
// NOLINTNEXTLINE(readability-convert-member-functions-to-static)
void TfrmVersoes::cdsVersoesBeforeInsert(TClientDataSet*) {
    Abort();
}

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): a handler, as above
void TfrmVersoes::cdsVersoesBeforeDelete(TClientDataSet*) {
    Abort();
}

void TfrmVersoes::cdsVersoesBeforeEdit(TClientDataSet*) {
    if (!currentIsLatest())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("SoUltimaAlt")), true);
}

void TfrmVersoes::cdsVersoesBeforePost(TClientDataSet* DataSet) {
    TField* description = DataSet->FieldByName(QStringLiteral("DSVERSAOORCA"));
    const QString text = description->AsString().trimmed();
    if (text.size() > DescriptionSize)
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("DescLonga")).arg(text.size()), true);
    if (text != description->AsString())
        description->SetAsString(text);
}

void TfrmVersoes::cdsVersoesAfterPost(TClientDataSet* DataSet) {
    const QString year = m_loadedYear;
    const int version = number(DataSet, "CDVERSAOORCA");
    TRemoteResult stored;
    {
        const BusyScope busy(Showavi::KindSaving, msgPadrao->Msg(QStringLiteral("Gravando")));
        stored =
            RdmCadCalendOrc::SetDescVersao(netCadCalendOrc, year, version, field(DataSet, "DSVERSAOORCA"));
    }
    if (!stored.ok) {
        // The grid must not keep showing a description the server did not take.
        Consiste::MensErro(Consiste::FailureMessage(stored), false);
        loadVersions(year, version);
        Abort();
    }
    DataSet->MergeChangeLog();
}
