// Entering a phase row: preparing a new row, picking a phase from the catalogue, validating a typed
// code, the keys the phase grid lets through and the date texts that reach the date fields.

#include "domain/calendar/monthflags.h"
#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/netconnection.h"
#include "library/zul/pesquisa.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "modules/zrm71300/platform/busyscope.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

namespace {

const QString CodeField = QStringLiteral("CDFASEORCOPERAC");
const QString NameField = QStringLiteral("NMFASEORCOPERAC");

bool editingOrInserting(TDataSetState state) {
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

}  // namespace

void TfrmCalendOrc::cdsCalendOrcOpBeforeInsert(TClientDataSet*) {
    cdsVdAnoCalendOrcOp->SetData(cdsCalendOrcOp->GetData());
    phaseField(CodeField)->FocusControl();
}

void TfrmCalendOrc::cdsCalendOrcOpAfterInsert(TClientDataSet*) {
    for (const zrm::calendar::Month& month : zrm::calendar::Months)
        phaseField(QLatin1String(month.flagField))
            ->SetAsString(QLatin1String(zrm::calendar::NotPermittedFlag));
}

void TfrmCalendOrc::dbgPadraoEditButtonClick(QObject*) {
    netCalendOrcOp->SetConnected(true);
    if (dtsPadrao->State() != TDataSetState::dsInsert || dbgPadrao->SelectedField() != phaseField(CodeField))
        return;
    {
        const BusyScope busy(Showavi::KindFetching, msgPadrao->Msg(QStringLiteral("GetCalendOrcOp")));
        cdsFaseOrc->SetData(Consiste::CheckResultServ(
            RdmCalendOrcOp::GetFaseOrc(netCalendOrcOp, QStringLiteral("T")), true, 0));
    }
    const QString title = msgPadrao->Msg(QStringLiteral("FaseOrc")) + QLatin1Char('|') +
                          msgPadrao->Msg(QStringLiteral("Fase_naoCad"));
    if (!Pesquisa::Pesquisar(dtsFaseOrc, title, false, true))
        return;
    phaseField(CodeField)->SetAsString(cdsFaseOrc->FieldByName(CodeField)->AsString());
    phaseField(NameField)->SetAsString(cdsFaseOrc->FieldByName(NameField)->AsString());
}

void TfrmCalendOrc::VdFaseOrc(bool required) {
    TField* code = phaseField(CodeField);
    try {
        const QString typed = gridText(CodeField);
        if (Consiste::EmptyString(typed)) {
            if (!required)
                return;
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("CodFaseOrc_Inf")), true);
        }
        const QString normalised = Consiste::Ajusta(typed, 10);
        code->SetAsString(normalised);

        // The snapshot was taken before the edit, so it also holds the row being edited under the
        // code it has stored: that row is the phase itself, not a duplicate of it. Codes are unique
        // in a calendar, so any other row holding the code is another phase.
        const bool ownCode = dtsPadrao->State() == TDataSetState::dsEdit &&
                             normalised.compare(storedPhaseCode(), Qt::CaseInsensitive) == 0;
        TClientDataSet* snapshot = cdsVdAnoCalendOrcOp;
        if (!ownCode && snapshot->Active() &&
            snapshot->Locate(CodeField, normalised, int(TLocateOption::loCaseInsensitive)))
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Fase_Cad")), true);

        cdsFaseOrc->SetData(
            Consiste::CheckResultServ(RdmCalendOrcOp::GetFaseOrc(netCalendOrcOp, normalised), true, 0));
        if (cdsFaseOrc->IsEmpty())
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Fase_naoCad")), true);
        cdsFaseOrc->First();
        phaseField(NameField)->SetAsString(cdsFaseOrc->FieldByName(NameField)->AsString());
        phaseField(QStringLiteral("IDFASECALCORCA"))
            ->SetAsString(cdsFaseOrc->FieldByName(QStringLiteral("IDFASECALCORCA"))->AsString());
    } catch (...) {
        code->FocusControl();
        throw;
    }
}

void TfrmCalendOrc::dbgPadraoColExit(QObject*) {
    if (editingOrInserting(dtsPadrao->State()) && dbgPadrao->SelectedField() == phaseField(CodeField))
        VdFaseOrc(true);
}

void TfrmCalendOrc::dbgPadraoExit(QObject*) {
    if (dtsPadrao->State() == TDataSetState::dsInsert)
        VdFaseOrc(true);
}

void TfrmCalendOrc::dbgPadraoKeyPress(QObject* Sender, QChar& Key) {
    TfrmPadraoGrid::dbgPadraoKeyPress(Sender, Key);
    // The name comes from the catalogue: nothing is typed into it.
    if (dbgPadrao->SelectedField() == phaseField(NameField) && Key != QChar(VK::Tab) &&
        Key != QChar(VK::Return))
        Key = QChar();
}

void TfrmCalendOrc::dbgPadraoKeyDown(QObject* Sender, int& Key, TShiftState Shift) {
    TfrmPadraoGrid::dbgPadraoKeyDown(Sender, Key, Shift);
    if (dbgPadrao->SelectedField() == phaseField(NameField) && Key != VK::Tab && Key != VK::Return &&
        (Key < VK::Left || Key > VK::Down))
        Key = 0;
    // The cursor may not leave a row being edited or inserted by the arrow keys.
    if (dtsPadrao->State() != TDataSetState::dsBrowse && (Key == VK::Up || Key == VK::Down))
        Key = 0;
}

void TfrmCalendOrc::cdsCalendOrcOpDTINIFASEORCASetText(TField* Sender, const QString&) {
    Consiste::DateSetText(Sender, gridText(QStringLiteral("DTINIFASEORCA")));
}

void TfrmCalendOrc::cdsCalendOrcOpDTFINFASEORCASetText(TField* Sender, const QString&) {
    Consiste::DateSetText(Sender, gridText(QStringLiteral("DTFINFASEORCA")));
}

TField* TfrmCalendOrc::phaseField(const QString& name) const {
    return cdsCalendOrcOp->FieldByName(name);
}

QString TfrmCalendOrc::gridText(const QString& fieldName) const {
    return Consiste::GridText(dbgPadrao, fieldName, false);
}

QDateTime TfrmCalendOrc::gridDate(const QString& fieldName) {
    const QString text = gridText(fieldName);
    try {
        return Consiste::StrToDate(text);
    } catch (const EConvertError& error) {
        phaseField(fieldName)->FocusControl();
        Consiste::MensErro(error.Message(), false);
        Abort();
    }
}

QString TfrmCalendOrc::storedPhaseCode() const {
    // The row's values being edited live apart from its stored ones; the dataset's data gives the
    // stored ones, in the order of its rows.
    const TClientDataSet* calendar = cdsCalendOrcOp;
    const zrm::DataPacket stored = calendar->GetData();
    const int row = calendar->RecNo() - 1;
    if (row < 0 || row >= stored.rows.size())
        return {};
    return stored.rows.at(row).at(phaseField(CodeField)->Index()).toString();
}
