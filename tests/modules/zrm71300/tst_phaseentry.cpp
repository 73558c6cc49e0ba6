// Entering phase rows on the phase grid: new rows, the catalogue search, code validation, the keys
// the grid lets through.

#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/searchdialog.h"
#include "library/zul/showavi.h"
#include "tests/modules/zrm71300/phasefixture.h"

#include <QLineEdit>

using namespace zrm71300test;

namespace {

const QList<Phase> ThreePhases = {
    {"0000000002", "01-10", "01-31"}, {"0000000003", "02-01", "02-20"}, {"0000000004", "06-01", "06-30"}};

}  // namespace

TEST_F(PhaseTest, newRow_preparedWithFlagsAndSnapshot_shortCodeStoredInTenCharacters) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    for (const char* flag : {"IDPERMCALCJAN", "IDPERMCALCJUN", "IDPERMCALCDEZ"})
        EXPECT_EQ(field(flag)->AsString(), QStringLiteral("N")) << flag;
    // The snapshot holds the calendar as it stood, without the new row.
    EXPECT_EQ(child<TClientDataSet>("cdsVdAnoCalendOrcOp")->RecordCount(), 3);
    const int before = requests();

    type(QStringLiteral("1"));
    key(Qt::Key_Tab);

    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(field("CDFASEORCOPERAC")->AsString(), QStringLiteral("0000000001"));
    EXPECT_EQ(field("NMFASEORCOPERAC")->AsString(), QStringLiteral("Premissas orçamentárias"));
    EXPECT_EQ(field("IDFASECALCORCA")->AsString(), QStringLiteral("N"));
    EXPECT_EQ(cellText(currentRow(), CodeColumn), QStringLiteral("0000000001"));
    EXPECT_EQ(selectedField(), field("NMFASEORCOPERAC"));
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(requests(), before + 1);
    EXPECT_EQ(requests("GetFaseOrc"), 1);
}

TEST_F(PhaseTest, catalogueSearch_pickCopiesCodeAndName_cancelChangesNothing) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);

    // Cancelled: the row stays empty, the catalogue stays loaded.
    answers.answerNext([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(answers.titles(), QStringList{QStringLiteral("Fase do Orçamento.")});
    EXPECT_EQ(requests("GetFaseOrc"), 1);
    EXPECT_EQ(child<TClientDataSet>("cdsFaseOrc")->RecordCount(), 4);
    EXPECT_TRUE(field("CDFASEORCOPERAC")->IsNull());
    EXPECT_TRUE(field("NMFASEORCOPERAC")->IsNull());
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_FALSE(Showavi::IsShowing());

    // Picked by filtering and Enter: code and name at once; the calculation flag waits for the
    // validation.
    answers.answerNext([](QWidget* dialog) {
        auto* search = qobject_cast<SearchDialog*>(dialog);
        ASSERT_NE(search, nullptr);
        QTest::keyClicks(search->filterEdit(), QStringLiteral("despesas"));
        QTest::keyClick(search->filterEdit(), Qt::Key_Return);
    });
    key(Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(answers.pending(), 0);
    EXPECT_EQ(requests("GetFaseOrc"), 2);
    EXPECT_EQ(field("CDFASEORCOPERAC")->AsString(), QStringLiteral("0000000003"));
    EXPECT_EQ(field("NMFASEORCOPERAC")->AsString(), QStringLiteral("Orçamento de despesas"));
    EXPECT_TRUE(field("IDFASECALCORCA")->IsNull());
    EXPECT_FALSE(Showavi::IsShowing());
    // 0000000003 is already in the calendar: leaving the column refuses it.
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Tab);
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Fase já cadastrada para o ano informado."));
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
}

TEST_F(PhaseTest, catalogueSearch_onAnEditedRowOrAnotherColumn_fetchesNothing) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_F2);  // edits the first row, code column
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    key(Qt::Key_Return, Qt::ControlModifier);
    answers.answerNext(QMessageBox::Yes);  // "Cancela operação?"
    key(Qt::Key_Escape);
    ASSERT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(requests("GetFaseOrc"), 1);  // the cancel's verify, for the catalogue's current code

    clickCell(0, CodeColumn);
    key(Qt::Key_Insert);
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    type(QStringLiteral("1"));
    key(Qt::Key_Tab);  // validated: one fetch of that code
    ASSERT_EQ(selectedField(), field("NMFASEORCOPERAC"));
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(requests("GetFaseOrc"), 2);
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Confirmação")});
    EXPECT_EQ(child<TClientDataSet>("cdsFaseOrc")->RecordCount(), 1);
}

TEST_F(PhaseTest, codeValidation_refusesDuplicatesAndUnknownCodes_keepingTheCursorOnTheCode) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);
    type(QStringLiteral("3"));
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Tab);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Fase já cadastrada para o ano informado.")});
    // Refused before the catalogue is asked; the code is kept in its ten-character form.
    EXPECT_EQ(requests("GetFaseOrc"), 0);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(cellText(currentRow(), CodeColumn), QStringLiteral("0000000003"));
    EXPECT_TRUE(field("NMFASEORCOPERAC")->IsNull());

    // A code the catalogue does not hold.
    key(Qt::Key_End);
    for (int i = 0; i < 10; ++i)
        key(Qt::Key_Backspace);
    type(QStringLiteral("9"));
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Tab);
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Fase não cadastrada."));
    EXPECT_EQ(requests("GetFaseOrc"), 1);
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(requests("SetCalendOrcOp"), 0);
}

TEST_F(PhaseTest, editedRow_keepsItsOwnCode_butMayNotTakeAnothersCode) {
    open(calendarOf(ThreePhases));
    clickCell(1, CodeColumn);  // 0000000003
    key(Qt::Key_F2);
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    // Leaving the code column of the row: its own code is no duplicate.
    key(Qt::Key_Tab);
    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(selectedField(), field("NMFASEORCOPERAC"));
    // The end date changed, then back on the code column and posted from there.
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    key(Qt::Key_Home);
    type(date(25, 2).remove(u'/'));
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    confirm();
    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(requests("SetCalendOrcOp"), 1);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_EQ(field("DTFINFASEORCA")->AsDateTime(), midnight(25, 2));

    // The same row given the code of another row is refused.
    clickCell(1, CodeColumn);
    key(Qt::Key_F2);
    key(Qt::Key_End);
    for (int i = 0; i < 10; ++i)
        key(Qt::Key_Backspace);
    type(QStringLiteral("0000000004"));
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Tab);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Fase já cadastrada para o ano informado.")});
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    EXPECT_EQ(requests("SetCalendOrcOp"), 1);
}

TEST_F(PhaseTest, leavingTheGridWithAnEmptyCode_reportsItAndKeepsTheRow) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);
    const int before = requests();
    answers.answerNext(QMessageBox::Ok);
    QTest::mouseClick(child<TEdit>("edtVersao"), Qt::LeftButton);

    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Código da fase deve ser informado.")});
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(calendar()->RecordCount(), 4);
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    EXPECT_EQ(requests(), before);
}

TEST_F(PhaseTest, nameColumn_refusesTyping_tabAndEnterMoveOn) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);
    type(QStringLiteral("1"));
    key(Qt::Key_Tab);
    ASSERT_EQ(selectedField(), field("NMFASEORCOPERAC"));
    type(QStringLiteral("xyz1"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Delete);
    EXPECT_EQ(field("NMFASEORCOPERAC")->AsString(), QStringLiteral("Premissas orçamentárias"));
    EXPECT_EQ(cellText(currentRow(), NameColumn), QStringLiteral("Premissas orçamentárias"));
    key(Qt::Key_Tab);
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(selectedField(), field("NMFASEORCOPERAC"));
    key(Qt::Key_Return);
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_EQ(answers.texts(), QStringList());

    // Browsing, typing into the name column does not start an edit either.
    answers.answerNext(QMessageBox::Yes);  // "Cancela operação?"
    key(Qt::Key_Escape);
    ASSERT_EQ(state(), TDataSetState::dsBrowse);
    clickCell(0, NameColumn);
    type(QStringLiteral("a"));
    key(Qt::Key_Delete);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(cellText(0, NameColumn), QStringLiteral("Orçamento de vendas"));
}

TEST_F(PhaseTest, upAndDown_doNothingWhileARowIsEdited_leftAndRightStillMove) {
    open(calendarOf(ThreePhases));
    clickCell(1, StartColumn);
    key(Qt::Key_F2);
    ASSERT_EQ(state(), TDataSetState::dsEdit);
    key(Qt::Key_Up);
    key(Qt::Key_Down);
    EXPECT_EQ(currentRow(), 1);
    EXPECT_EQ(calendar()->RecNo(), 2);
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    key(Qt::Key_Home);
    key(Qt::Key_Left);
    EXPECT_EQ(selectedField(), field("NMFASEORCOPERAC"));
    key(Qt::Key_Right);
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_EQ(requests("SetCalendOrcOp"), 0);

    // Browsing, the arrows move the cursor again.
    answers.answerNext(QMessageBox::Yes);  // "Cancela operação?"
    key(Qt::Key_Escape);
    ASSERT_EQ(state(), TDataSetState::dsBrowse);
    clickCell(1, NameColumn);
    key(Qt::Key_Down);
    EXPECT_EQ(calendar()->RecNo(), 3);
}
