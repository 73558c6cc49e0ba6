// The conclusions page: the branches that concluded each phase of a year's calendar version, and
// recording or withdrawing a branch's conclusion.

#include "framework/data/clientdataset.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/edit.h"
#include "framework/ui/spinedit.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/netconnection.h"
#include "modules/zrm71300/data/rdmcadcalendorc.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/phases/catalogueentry.h"
#include "modules/zrm71300/phases/frmfasesorc.h"
#include "modules/zrm71300/platform/busyscope.h"

#include <QRegularExpression>

namespace {

const QString CodeField = QStringLiteral("CDFASEORCOPERAC");
const QString NameField = QStringLiteral("NMFASEORCOPERAC");
const QString BranchField = QStringLiteral("CDFILIAL");
const QString VersionField = QStringLiteral("CDVERSAOORCA");
constexpr int BranchWidth = 4;

}  // namespace

// ---- The calendar shown ----

void TfrmFasesOrc::depAnoChange(QObject*) {
    edtVersao->SetText(QString());
    clearConclusions();
}

void TfrmFasesOrc::edtVersaoChange(QObject*) {
    if (edtVersao->Text() != QString::number(m_shownVersion))
        clearConclusions();
}

void TfrmFasesOrc::clearConclusions() {
    m_shownYear.clear();
    m_shownVersion = 0;
    cdsConclusoes->CreateDataSet();
    applyConclusionCommands();
}

void TfrmFasesOrc::btnVersaoBeforePesq(QObject*, bool& Continue) {
    const BusyScope busy(Showavi::KindFetching);
    cdsVersao->SetData(Consiste::CheckResultServ(
        RdmCalendOrcOp::GetVersao(netCalendOrcOp, depAno->Text(), QString(), QStringLiteral("T")), true, 0));
    Continue = true;
}

void TfrmFasesOrc::btnVersaoAfterPesq(QObject*) {
    edtVersao->SetText(cdsVersao->FieldByName(VersionField)->AsString());
    GetConclusoes();
}

void TfrmFasesOrc::sbtMostrarClick(QObject*) {
    GetConclusoes();
}

QString TfrmFasesOrc::latestVersion(const QString& year) {
    cdsVersao->SetData(Consiste::CheckResultServ(
        RdmCalendOrcOp::GetVersao(netCalendOrcOp, year, QString(), QStringLiteral("T")), true, 0));
    // The server lists the latest version first.
    cdsVersao->First();
    return cdsVersao->IsEmpty() ? QString() : cdsVersao->FieldByName(VersionField)->AsString();
}

void TfrmFasesOrc::GetConclusoes() {
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,5}$"));
    const QString year = depAno->Text();
    QString version = edtVersao->Text().trimmed();
    if (!version.isEmpty() && (!number.match(version).hasMatch() || version.toInt() < 1)) {
        edtVersao->SetFocus();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Ver_Inf")));
    }

    const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Buscando")));
    if (version.isEmpty()) {
        version = latestVersion(year);
        if (version.isEmpty()) {
            depAno->SetFocus();
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Ano_SemVersao")).arg(year));
        }
    }
    const zrm::DataPacket rows =
        Consiste::CheckResultServ(RdmCadCalendOrc::GetConclusoes(netCadCalendOrc, year, version.toInt()),
                                  true, 0)
            .Packet();
    cdsConclusoes->SetData(rows);
    m_shownYear = year;
    m_shownVersion = version.toInt();
    edtVersao->SetText(QString::number(m_shownVersion));
    applyConclusionCommands();
}

void TfrmFasesOrc::dtsConclusoesDataChange(QObject*, TField*) {
    applyConclusionCommands();
}

// ---- Recording and withdrawing ----

void TfrmFasesOrc::btnFaseBeforePesq(QObject*, bool& Continue) {
    if (m_shownYear.isEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Calend_Mostrar")));
    const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Buscando")));
    // [calendar, version]: the calendar's phase rows are the first packet.
    const TRemoteData packets = Consiste::CheckResultServ(
        RdmCalendOrcOp::GetCalendOrcOp(netCalendOrcOp, m_shownYear, QString::number(m_shownVersion)), true,
        2);
    cdsFasesCalend->SetData(packets[0]);
    Continue = true;
}

void TfrmFasesOrc::btnFaseAfterPesq(QObject*) {
    edtFase->SetText(cdsFasesCalend->FieldByName(CodeField)->AsString());
}

bool TfrmFasesOrc::confirmed(const QString& text) {
    return MessageDlg(text, mtConfirmation, {mbYes, mbNo}, 0) == mrYes;
}

void TfrmFasesOrc::sbtRegistrarClick(QObject*) {
    static const QRegularExpression branchDigits(QStringLiteral("^[0-9]{1,%1}$").arg(BranchWidth));
    if (m_shownYear.isEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Calend_Mostrar")));
    const QString typedCode = edtFase->Text().trimmed();
    if (typedCode.isEmpty()) {
        edtFase->SetFocus();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Fase_Inf")));
    }
    const QString branchText = edtFilial->Text().trimmed();
    if (!branchDigits.match(branchText).hasMatch()) {
        edtFilial->SetFocus();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Filial_Inf")));
    }
    const QString code = Consiste::Ajusta(typedCode, phasecatalogue::CodeWidth);
    const QString branch = Consiste::Ajusta(branchText, BranchWidth);
    const QString version = QString::number(m_shownVersion);
    if (!confirmed(msgPadrao->Msg(QStringLiteral("Conf_Registrar")).arg(branch, code, m_shownYear, version)))
        Abort();
    {
        const BusyScope busy(Showavi::KindSaving, msgPadrao->Msg(QStringLiteral("Gravando")));
        Consiste::CheckResultServ(
            RdmCadCalendOrc::RegistraConclusao(netCadCalendOrc, m_shownYear, m_shownVersion, code, branch),
            true, 0);
    }
    GetConclusoes();
    cdsConclusoes->Locate(CodeField + QLatin1Char(';') + BranchField, QVariantList{code, branch});
    edtFilial->SetText(QString());
}

void TfrmFasesOrc::sbtRetirarClick(QObject*) {
    if (m_shownYear.isEmpty() || cdsConclusoes->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Conc_Escolher")));
    const QString code = cdsConclusoes->FieldByName(CodeField)->AsString();
    const QString name = cdsConclusoes->FieldByName(NameField)->AsString();
    const QString branch = cdsConclusoes->FieldByName(BranchField)->AsString();
    const QString question = msgPadrao->Msg(QStringLiteral("Conf_Retirar"))
                                 .arg(code, name, branch, m_shownYear, QString::number(m_shownVersion));
    if (!confirmed(question))
        Abort();
    {
        const BusyScope busy(Showavi::KindSaving, msgPadrao->Msg(QStringLiteral("Gravando")));
        Consiste::CheckResultServ(
            RdmCadCalendOrc::RetiraConclusao(netCadCalendOrc, m_shownYear, m_shownVersion, code, branch),
            true, 0);
    }
    GetConclusoes();
}
