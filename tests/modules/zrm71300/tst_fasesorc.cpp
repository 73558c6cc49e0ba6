// The phase catalogue screen ZRM71303 against the real server: the catalogue listed, rows inserted,
// modified and deleted with keys and clicks as a user does (each change on the server at once), the
// rules that refuse a row before anything is sent, the server's refusal of a phase in use, and the
// conclusions page: listing, recording and withdrawing a branch's conclusion after a question.

#include "framework/ui/edit.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/searchdialog.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/showavi.h"
#include "tests/modules/zrm71300/fasesfixture.h"

using namespace Qt::StringLiterals;
using namespace zrm71300test;

namespace {

const QStringList StandardCodes = {u"0000000001"_s, u"0000000002"_s, u"0000000003"_s, u"0000000004"_s};

// The current year's version 2 has 0000000003 concluded by branch 0001.
CalendarData withOneConclusion() {
    CalendarData data = CalendarData::standard();
    data.concluded = {{currentYear(), 2, u"0000000003"_s}};
    return data;
}

}  // namespace

TEST_F(FasesOrcTest, opens_listsTheCatalogueByCode_andTheCommandsFollowThePage) {
    open(CalendarData::standard());
    EXPECT_EQ(screen()->lblCodTela->Caption(), u"ZRM71303"_s);
    EXPECT_EQ(screen()->Caption(), u"Fases do orçamento"_s);
    EXPECT_EQ(columnTexts(grid(), CodeColumn), StandardCodes);
    EXPECT_EQ(columnTexts(grid(), NameColumn),
              (QStringList{u"Premissas orçamentárias"_s, u"Orçamento de vendas"_s, u"Orçamento de despesas"_s,
                           u"Revisão pela diretoria"_s}));
    EXPECT_EQ(columnTexts(grid(), CalculationColumn), (QStringList{u"N"_s, u"S"_s, u"S"_s, u"N"_s}));
    EXPECT_EQ(columnTexts(grid(), BlockedColumn), QStringList(4, u"N"_s));
    EXPECT_EQ(sent("GetFasesCad"), 1);
    EXPECT_TRUE(screen()->sbtIncluir->isEnabled());
    EXPECT_TRUE(screen()->sbtExcluir->isEnabled());
    EXPECT_FALSE(screen()->sbtConfirmar->isEnabled());

    // The conclusions page: the catalogue's record commands off, the session year's latest version
    // shown at once.
    openConclusions();
    ASSERT_EQ(screen()->pgcPadrao->ActivePage(), screen()->tshConclusoes);
    for (TSpeedButton* command : {screen()->sbtIncluir, screen()->sbtAlterar, screen()->sbtExcluir,
                                  screen()->sbtLocalizar, screen()->sbtExportar, screen()->sbtImprimir})
        EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
    EXPECT_FALSE(screen()->mnuIncluir->Enabled());
    EXPECT_EQ(screen()->edtVersao->Text(), u"2"_s);
    EXPECT_EQ(sent("GetConclusoes"), 1);
    EXPECT_TRUE(screen()->sbtRegistrar->isEnabled());
    EXPECT_FALSE(screen()->sbtRetirar->isEnabled());  // nothing concluded in that version

    EXPECT_TRUE(screen()->sbtSair->isEnabled());

    clickTab(screen()->tshPadrao);
    EXPECT_TRUE(screen()->sbtIncluir->isEnabled());
    EXPECT_TRUE(screen()->sbtImprimir->isEnabled());
}

TEST_F(FasesOrcTest, insert_typedWithKeys_isStoredPaddedAndTrimmed_onTheServerAtOnce) {
    open(CalendarData::standard());
    key(Qt::Key_Insert);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(field("IDFASECALCORCA")->AsString(), u"N"_s);
    type(u"7"_s);
    key(Qt::Key_Tab);
    type(u"  Auditoria externa  "_s);
    key(Qt::Key_Tab);
    type(u"s"_s);
    click(screen()->sbtConfirmar);

    EXPECT_EQ(answers.texts(), QStringList());
    ASSERT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(sent("SetFasesCad"), 1);
    EXPECT_EQ(catalogue()->GetChangeCount(), 0);
    EXPECT_EQ(field("CDFASEORCOPERAC")->AsString(), u"0000000007"_s);
    EXPECT_EQ(field("NMFASEORCOPERAC")->AsString(), u"Auditoria externa"_s);

    // What the server holds, read again by the verify command.
    click(screen()->sbtVerificar);
    EXPECT_EQ(sent("GetFasesCad"), 2);
    EXPECT_EQ(columnTexts(grid(), CodeColumn), StandardCodes + QStringList{u"0000000007"_s});
    EXPECT_EQ(cellText(grid(), 4, NameColumn), u"Auditoria externa"_s);
    EXPECT_EQ(cellText(grid(), 4, CalculationColumn), u"S"_s);
    EXPECT_EQ(cellText(grid(), 4, BlockedColumn), u"N"_s);
}

namespace {

// A new row typed cell by cell, refused before anything is sent: the box says why and the cursor
// goes to the cell at fault, the row still being inserted.
struct RefusedRow {
    const char* label;
    const char* code;
    const char* name;
    const char* calculation;
    const char* message;
    const char* fieldAtFault;
};

class FasesOrcRefusalTest : public FasesOrcTest, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(FasesOrcRefusalTest, confirm_refusesTheRow_sendsNothing_cursorOnTheCellAtFault) {
    const RefusedRow& row = GetParam();
    open(CalendarData::standard());
    key(Qt::Key_Insert);
    type(QString::fromUtf8(row.code));
    key(Qt::Key_Tab);
    type(QString::fromUtf8(row.name));
    key(Qt::Key_Tab);
    type(QString::fromUtf8(row.calculation));
    answers.answerNext(QMessageBox::Ok);
    click(screen()->sbtConfirmar);

    EXPECT_EQ(answers.texts(), QStringList{QString::fromUtf8(row.message)});
    EXPECT_EQ(sent("SetFasesCad"), 0);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(grid()->SelectedField(), field(row.fieldAtFault));
    EXPECT_EQ(catalogue()->GetChangeCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FasesOrcRefusalTest,
    ::testing::Values(
        RefusedRow{"noCode", "", "Nova", "", "Código da fase deve ser informado.", "CDFASEORCOPERAC"},
        RefusedRow{"codeTaken", "3", "Nova", "", "Fase já cadastrada com este código.", "CDFASEORCOPERAC"},
        RefusedRow{"blankName", "9", "   ", "", "Nome da fase deve ser informado.", "NMFASEORCOPERAC"},
        RefusedRow{"flagNeitherSNorN", "9", "Nova", "x", "Informe S (sim) ou N (não).", "IDFASECALCORCA"}),
    [](const ::testing::TestParamInfo<RefusedRow>& testCase) { return std::string(testCase.param.label); });

}  // namespace

TEST_F(FasesOrcTest, modify_renamesOnTheServer_whileTheCodeOfAStoredPhaseTakesNoTyping) {
    open(CalendarData::standard());
    // Typing on the code of a stored phase neither starts an edit nor changes it.
    clickCell(grid(), 1, CodeColumn);
    type(u"5"_s);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(cellText(grid(), 1, CodeColumn), u"0000000002"_s);

    clickCell(grid(), 1, NameColumn);
    key(Qt::Key_F2);
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    key(Qt::Key_A, Qt::ControlModifier);
    type(u"Vendas revisadas"_s);
    click(screen()->sbtConfirmar);

    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(sent("SetFasesCad"), 1);
    click(screen()->sbtVerificar);
    EXPECT_EQ(cellText(grid(), 1, CodeColumn), u"0000000002"_s);
    EXPECT_EQ(cellText(grid(), 1, NameColumn), u"Vendas revisadas"_s);
}

namespace {

// Deleting a row with Ctrl+Delete and an answer to "Confirma exclusão?".
struct DeleteCase {
    const char* label;
    bool phasesInUse;  // the standard calendars use every phase; an empty calendar none
    QMessageBox::StandardButton answer;
    int sentSaves;
    int rowsAfter;
    const char* serverMessageStart;  // the beginning of the server's refusal; "" when none
};

class FasesOrcDeleteTest : public FasesOrcTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(FasesOrcDeleteTest, delete_asksFirst_andTheServerRefusesAPhaseInUse) {
    const DeleteCase& c = GetParam();
    open(c.phasesInUse ? CalendarData::standard() : CalendarData::emptyCalendar());
    clickCell(grid(), 1, NameColumn);
    answers.answerNext(c.answer);
    const bool refused = *c.serverMessageStart != '\0';
    if (refused)
        answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Delete, Qt::ControlModifier);

    ASSERT_EQ(answers.pending(), 0);
    EXPECT_EQ(answers.texts().first(), u"Confirma exclusão?"_s);
    if (refused) {
        EXPECT_TRUE(answers.texts().last().startsWith(QString::fromUtf8(c.serverMessageStart)))
            << answers.texts().last().toStdString();
        // The row came back with the reload, the cursor on it.
        EXPECT_EQ(field("CDFASEORCOPERAC")->AsString(), u"0000000002"_s);
    }
    EXPECT_EQ(sent("SetFasesCad"), c.sentSaves);
    EXPECT_EQ(catalogue()->RecordCount(), c.rowsAfter);
    EXPECT_EQ(catalogue()->GetChangeCount(), 0);
    click(screen()->sbtVerificar);
    EXPECT_EQ(catalogue()->RecordCount(), c.rowsAfter);
    EXPECT_FALSE(Showavi::IsShowing());
}

INSTANTIATE_TEST_SUITE_P(Rows, FasesOrcDeleteTest,
                         ::testing::Values(DeleteCase{"unusedAfterYes", false, QMessageBox::Yes, 1, 3, ""},
                                           DeleteCase{"unusedAfterNo", false, QMessageBox::No, 0, 4, ""},
                                           DeleteCase{"inUse", true, QMessageBox::Yes, 1, 4,
                                                      "A fase 0000000002 é usada no calendário de"}),
                         [](const ::testing::TestParamInfo<DeleteCase>& testCase) {
                             return std::string(testCase.param.label);
                         });

}  // namespace

TEST_F(FasesOrcTest, conclusions_recordAPickedPhase_thenWithdrawAfterTheQuestion) {
    open(withOneConclusion());
    openConclusions();
    TDBGrid* list = screen()->dbgConclusoes;
    ASSERT_EQ(columnTexts(list, ConcludedCode), QStringList{u"0000000003"_s});
    EXPECT_EQ(cellText(list, 0, ConcludedName), u"Orçamento de despesas"_s);
    EXPECT_EQ(cellText(list, 0, ConcludedBranch), u"0001"_s);
    EXPECT_TRUE(screen()->sbtRetirar->isEnabled());

    // The phase picked from the calendar shown, the branch typed.
    answers.answerNext([](QWidget* dialog) {
        auto* search = qobject_cast<SearchDialog*>(dialog);
        ASSERT_NE(search, nullptr);
        QTest::keyClicks(search->filterEdit(), u"vendas"_s);
        QTest::keyClick(search->filterEdit(), Qt::Key_Return);
    });
    click(screen()->btnFase);
    ASSERT_EQ(answers.titles(), QStringList{u"Fase do calendário"_s});
    EXPECT_EQ(screen()->edtFase->Text(), u"0000000002"_s);
    screen()->edtFilial->setFocus();
    type(u"12"_s);
    answers.answerNext(QMessageBox::Yes);
    click(screen()->sbtRegistrar);

    const QString year = QString::number(currentYear());
    EXPECT_EQ(
        answers.texts().last(),
        u"Registrar que a filial 0012 concluiu a fase 0000000002 no calendário de %1, versão 2?"_s.arg(year));
    EXPECT_EQ(sent("RegistraConclusao"), 1);
    ASSERT_EQ(columnTexts(list, ConcludedCode), (QStringList{u"0000000002"_s, u"0000000003"_s}));
    EXPECT_EQ(columnTexts(list, ConcludedBranch), (QStringList{u"0012"_s, u"0001"_s}));
    EXPECT_FALSE(cellText(list, 0, ConcludedOn).isEmpty());
    EXPECT_EQ(screen()->cdsConclusoes->FieldByName(u"CDFILIAL"_s)->AsString(), u"0012"_s);

    // Withdrawing the current conclusion: No changes nothing, Yes withdraws it.
    answers.answerNext(QMessageBox::No);
    click(screen()->sbtRetirar);
    EXPECT_EQ(
        answers.texts().last(),
        u"Retirar a conclusão da fase 0000000002 (Orçamento de vendas) pela filial 0012 no calendário de "
        u"%1, versão 2?"_s.arg(year));
    EXPECT_EQ(sent("RetiraConclusao"), 0);
    EXPECT_EQ(screen()->cdsConclusoes->RecordCount(), 2);
    answers.answerNext(QMessageBox::Yes);
    click(screen()->sbtRetirar);
    EXPECT_EQ(sent("RetiraConclusao"), 1);
    EXPECT_EQ(columnTexts(list, ConcludedCode), QStringList{u"0000000003"_s});
    EXPECT_FALSE(Showavi::IsShowing());
}

namespace {

// Recording a conclusion refused: by the screen before the question (nothing asked, nothing sent),
// or by the server after it (its message shown, the list as it was).
struct RecordRefusal {
    const char* label;
    const char* phase;
    const char* branch;
    const char* screenMessage;  // "" when the server refuses
};

class FasesOrcRecordRefusalTest : public FasesOrcTest, public ::testing::WithParamInterface<RecordRefusal> {};

TEST_P(FasesOrcRecordRefusalTest, record_refused_listUnchanged) {
    const RecordRefusal& c = GetParam();
    open(withOneConclusion());
    openConclusions();
    screen()->edtFase->setFocus();
    type(QString::fromUtf8(c.phase));
    screen()->edtFilial->setFocus();
    type(QString::fromUtf8(c.branch));
    const bool byScreen = *c.screenMessage != '\0';
    if (!byScreen)
        answers.answerNext(QMessageBox::Yes);
    answers.answerNext(QMessageBox::Ok);
    click(screen()->sbtRegistrar);

    ASSERT_EQ(answers.pending(), 0);
    if (byScreen) {
        EXPECT_EQ(answers.texts(), QStringList{QString::fromUtf8(c.screenMessage)});
        EXPECT_EQ(sent("RegistraConclusao"), 0);
    } else {
        EXPECT_EQ(answers.texts().size(), 2);
        EXPECT_EQ(sent("RegistraConclusao"), 1);
    }
    EXPECT_EQ(columnTexts(screen()->dbgConclusoes, ConcludedCode), QStringList{u"0000000003"_s});
    EXPECT_FALSE(Showavi::IsShowing());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FasesOrcRecordRefusalTest,
    ::testing::Values(RecordRefusal{"noPhase", "", "1", "Informe a fase que a filial concluiu."},
                      RecordRefusal{"noBranch", "2", "", "Informe a filial com algarismos, de 1 a 4."},
                      RecordRefusal{"phaseNotInTheCalendar", "1", "1", ""},
                      RecordRefusal{"alreadyConcluded", "3", "1", ""}),
    [](const ::testing::TestParamInfo<RecordRefusal>& testCase) {
        return std::string(testCase.param.label);
    });

}  // namespace

TEST_F(FasesOrcTest, conclusions_anotherYearEmptiesTheList_untilShown_andAYearWithoutCalendarIsSaid) {
    open(withOneConclusion());
    openConclusions();
    ASSERT_EQ(screen()->cdsConclusoes->RecordCount(), 1);
    screen()->depAno->SetValue(currentYear() + 1);
    EXPECT_TRUE(screen()->cdsConclusoes->IsEmpty());
    EXPECT_TRUE(screen()->edtVersao->Text().isEmpty());
    EXPECT_FALSE(screen()->sbtRegistrar->isEnabled());

    answers.answerNext(QMessageBox::Ok);
    click(screen()->sbtMostrar);
    EXPECT_EQ(answers.texts(),
              QStringList{u"O ano %1 não tem calendário cadastrado."_s.arg(currentYear() + 1)});
    EXPECT_EQ(sent("GetConclusoes"), 1);

    // Back to the current year's first version, typed: that version's conclusions (none).
    screen()->depAno->SetValue(currentYear());
    screen()->edtVersao->setFocus();
    type(u"1"_s);
    key(Qt::Key_F5);
    EXPECT_EQ(sent("GetConclusoes"), 2);
    EXPECT_EQ(screen()->shownVersion(), 1);
    EXPECT_TRUE(screen()->cdsConclusoes->IsEmpty());
}
