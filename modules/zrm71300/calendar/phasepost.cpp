// The gate every phase row passes before it enters the calendar: code, dates, version and year, the
// order of the dates, then the server's blocked and concluded rules.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/edit.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/messages.h"
#include "library/zul/pagecontrol98.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

namespace {

const QString CodeField = QStringLiteral("CDFASEORCOPERAC");
const QString StartField = QStringLiteral("DTINIFASEORCA");
const QString EndField = QStringLiteral("DTFINFASEORCA");

}  // namespace

void TfrmCalendOrc::cdsCalendOrcOpBeforePost(TClientDataSet*) {
    // The permission page posts the row it changed the flags of; those posts are not checked here.
    if (pgcPadrao->ActivePage() != tshPadrao)
        return;

    TField* code = phaseField(CodeField);
    if (dtsPadrao->State() == TDataSetState::dsInsert || dbgPadrao->SelectedField() == code) {
        VdFaseOrc(true);
        code->SetAsString(gridText(CodeField));
    }

    TField* start = phaseField(StartField);
    TField* end = phaseField(EndField);
    VdDataIni();
    start->SetAsDateTime(gridDate(StartField));
    VdDataFim();
    end->SetAsDateTime(gridDate(EndField));

    // A row keeps the version it has; a new one takes the version shown.
    TField* version = phaseField(QStringLiteral("CDVERSCALENORCA"));
    if (version->AsFloat() == 0) {
        if (Consiste::EmptyString(edtVersao->Text()))
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("ver_Inf")), true);
        version->SetAsString(edtVersao->Text());
    }
    phaseField(QStringLiteral("NRANOORCOPERAC"))->SetAsString(QString::number(depAno->Value()));

    VdDataMaior();
    VdFaseBloqConc(gridText(CodeField), start->AsDateTime(), end->AsDateTime());
}

void TfrmCalendOrc::VdDataIni() {
    TField* start = phaseField(StartField);
    if (gridText(StartField).isEmpty()) {
        start->FocusControl();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Inf_DtInicio")), true);
    }
    // Only a start date typed just now is questioned: the user is still on it.
    if (dbgPadrao->SelectedField() != start)
        return;
    const int budgetYear = depAno->Text().toInt();
    if (budgetYear < gridDate(StartField).date().year() &&
        MessageDlg(msgPadrao->Msg(QStringLiteral("dt_maior_ano")), mtConfirmation, {mbYes, mbNo}, 0) ==
            mrNo) {
        start->FocusControl();
        Abort();
    }
}

void TfrmCalendOrc::VdDataFim() {
    if (Consiste::EmptyString(gridText(EndField))) {
        phaseField(EndField)->FocusControl();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Inf_DtFim")), true);
    }
}

void TfrmCalendOrc::VdDataMaior() {
    TField* start = phaseField(StartField);
    if (phaseField(EndField)->AsDateTime() < start->AsDateTime()) {
        start->FocusControl();
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("dtini_maior")), true);
    }
}
