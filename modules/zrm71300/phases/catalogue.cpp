// The phase catalogue's page: loading it, the rules of a row before it is posted, and saving every
// change the moment it is made.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/netconnection.h"
#include "modules/zrm71300/data/rdmcadcalendorc.h"
#include "modules/zrm71300/phases/catalogueentry.h"
#include "modules/zrm71300/phases/frmfasesorc.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/platform/savechanges.h"

#include <algorithm>

namespace {

const QString CodeField = QStringLiteral("CDFASEORCOPERAC");
const QString NameField = QStringLiteral("NMFASEORCOPERAC");
const QString CalculationField = QStringLiteral("IDFASECALCORCA");
const QString BlockedField = QStringLiteral("IDBLOQFASEORCA");

}  // namespace

void TfrmFasesOrc::GetFasesCad(const QString& code) {
    {
        const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("Buscando")));
        cdsFasesCad->SetData(
            Consiste::CheckResultServ(RdmCadCalendOrc::GetFasesCad(netCadCalendOrc), true, 0));
    }
    if (!code.isEmpty())
        cdsFasesCad->Locate(CodeField, code);
}

void TfrmFasesOrc::cdsFasesCadAfterInsert(TClientDataSet* DataSet) {
    DataSet->FieldByName(CalculationField)->SetAsString(QStringLiteral("N"));
    DataSet->FieldByName(BlockedField)->SetAsString(QStringLiteral("N"));
    m_editedCode.clear();
}

void TfrmFasesOrc::cdsFasesCadAfterEdit(TClientDataSet* DataSet) {
    m_editedCode = DataSet->FieldByName(CodeField)->AsString();
}

void TfrmFasesOrc::cdsFasesCadBeforePost(TClientDataSet* DataSet) {
    const auto grid = [this](const QString& field) { return Consiste::GridText(dbgPadrao, field, false); };
    phasecatalogue::Entry entry{grid(CodeField), grid(NameField), grid(CalculationField), grid(BlockedField)};
    const auto refuse = [&](const QString& field, const QString& key) {
        DataSet->FieldByName(field)->FocusControl();
        Consiste::MensErro(msgPadrao->Msg(key), true);
    };
    const phasecatalogue::Refusal refusal = phasecatalogue::normalise(entry);
    // The code's refusals come before its stored form is known; the other fields' after it.
    if (!refusal.key.isEmpty() && refusal.field == CodeField)
        refuse(refusal.field, refusal.key);
    const bool inserting = DataSet->State() == TDataSetState::dsInsert;
    if (!inserting && entry.code != m_editedCode)
        refuse(CodeField, QStringLiteral("CodFase_Alt"));
    if (inserting && codeTaken(entry.code))
        refuse(CodeField, QStringLiteral("Fase_Cad"));
    if (!refusal.key.isEmpty())
        refuse(refusal.field, refusal.key);

    DataSet->FieldByName(CodeField)->SetAsString(entry.code);
    DataSet->FieldByName(NameField)->SetAsString(entry.name);
    DataSet->FieldByName(CalculationField)->SetAsString(entry.calculation);
    DataSet->FieldByName(BlockedField)->SetAsString(entry.blocked);
}

bool TfrmFasesOrc::codeTaken(const QString& code) const {
    // The stored rows only: the row being inserted is not among them.
    const zrm::DataPacket stored = cdsFasesCad->GetData();
    const int column = cdsFasesCad->FieldByName(CodeField)->Index();
    return std::any_of(stored.rows.cbegin(), stored.rows.cend(),
                       [&](const zrm::Row& row) { return row.value(column).toString() == code; });
}

void TfrmFasesOrc::cdsFasesCadAfterPost(TClientDataSet* DataSet) {
    SaveFasesCad(DataSet->FieldByName(CodeField)->AsString());
}

void TfrmFasesOrc::cdsFasesCadBeforeDelete(TClientDataSet* DataSet) {
    m_deletedCode = DataSet->FieldByName(CodeField)->AsString();
}

void TfrmFasesOrc::cdsFasesCadAfterDelete(TClientDataSet*) {
    // A refused deletion brings the row back with the reload, and the cursor onto it.
    SaveFasesCad(m_deletedCode);
}

void TfrmFasesOrc::SaveFasesCad(const QString& code) {
    SaveChanges(
        cdsFasesCad, msgPadrao->Msg(QStringLiteral("Gravando")),
        [this](const zrm::Delta& delta) { return RdmCadCalendOrc::SetFasesCad(netCadCalendOrc, delta); },
        [this, code] { GetFasesCad(code); });
}

void TfrmFasesOrc::dbgPadraoKeyPress(QObject* Sender, QChar& Key) {
    TfrmPadraoGrid::dbgPadraoKeyPress(Sender, Key);
    // A stored phase keeps its code: the calendars refer to it.
    // Typing into a browsing row would start modifying it.
    if (dtsPadrao->State() != TDataSetState::dsInsert &&
        dbgPadrao->SelectedField() == cdsFasesCad->FieldByName(CodeField) && Key.isPrint())
        Key = QChar();
}
