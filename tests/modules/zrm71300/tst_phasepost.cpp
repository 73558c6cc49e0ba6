// The checks a phase row passes when it is posted on the page "Fases": code, dates and their order,
// the start-year question, version and year, and the server's blocked and concluded rules.

#include "framework/ui/pagecontrol.h"
#include "framework/ui/spinedit.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/showavi.h"
#include "tests/modules/zrm71300/phasefixture.h"

using namespace zrm71300test;

namespace {

const QList<Phase> ThreePhases = {
    {"0000000002", "01-10", "01-31"}, {"0000000003", "02-01", "02-20"}, {"0000000004", "06-01", "06-30"}};

const QString Checks[] = {QStringLiteral("GetValDateBloq"), QStringLiteral("GetDateBloq"),
                          QStringLiteral("BloqDelFase")};

}  // namespace

TEST_F(PhaseTest, post_newRow_validatesAsksTheServerInOrderAndSaves) {
    open(calendarOf(ThreePhases));
    const int before = requests();
    typeNewRow(QStringLiteral("1"), date(1, 3), date(9, 3));
    confirm();

    EXPECT_EQ(answers.texts(), QStringList());
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(methodsSince(before),
              (QStringList{QStringLiteral("GetFaseOrc"), QStringLiteral("GetFaseOrc"), Checks[0], Checks[1],
                           Checks[2], QStringLiteral("SetCalendOrcOp")}));
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_FALSE(Showavi::IsShowing());
    // The year and version shown were written in; the row stands at its place by start date.
    EXPECT_EQ(field("NRANOORCOPERAC")->AsString(), QString::number(currentYear()));
    EXPECT_EQ(field("CDVERSCALENORCA")->AsFloat(), 1.0);
    EXPECT_EQ(calendar()->RecNo(), 3);
    EXPECT_EQ(field("DTFINFASEORCA")->AsDateTime(), midnight(9, 3));

    // What the server stored.
    frmCalendOrc->GetCalendOrcOp(QString::number(currentYear()), QStringLiteral("1"));
    EXPECT_EQ(columnTexts(grid(), CodeColumn),
              (QStringList{QStringLiteral("0000000002"), QStringLiteral("0000000003"),
                           QStringLiteral("0000000001"), QStringLiteral("0000000004")}));
    EXPECT_EQ(columnTexts(grid(), EndColumn).at(2), date(9, 3));
}

TEST_F(PhaseTest, post_missingCodeDatesOrOrder_refusedOneByOne_withNothingSent) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);
    int before = requests();
    answers.answerNext(QMessageBox::Ok);
    confirm();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Código da fase deve ser informado.")});
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(selectedField(), field("CDFASEORCOPERAC"));
    EXPECT_TRUE(gridHasFocus());

    type(QStringLiteral("1"));
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    before = requests();
    answers.answerNext(QMessageBox::Ok);
    confirm();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Data inicio deve ser informada."));
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_TRUE(gridHasFocus());

    typeDate(date(1, 3));
    answers.answerNext(QMessageBox::Ok);
    confirm();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Data fim deve ser informada."));
    EXPECT_EQ(selectedField(), field("DTFINFASEORCA"));
    EXPECT_EQ(cellText(currentRow(), StartColumn), date(1, 3));

    typeDate(date(28, 2));  // one day before the start
    answers.answerNext(QMessageBox::Ok);
    confirm();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Data inicial deve ser menor ou igual a data final."));
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_EQ(cellText(currentRow(), EndColumn), date(28, 2));
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    // Only the code was asked about, once per post: no rule was asked, nothing saved.
    EXPECT_EQ(methodsSince(before), QStringList(3, QStringLiteral("GetFaseOrc")));
    EXPECT_EQ(answers.pending(), 0);

    // Start and end on the same day pass.
    key(Qt::Key_Tab);
    typeDate(date(1, 3));
    confirm();
    EXPECT_EQ(answers.texts().size(), 4);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(requests("SetCalendOrcOp"), 1);
}

TEST_F(PhaseTest, post_startAfterTheBudgetYear_isAskedOnlyOnTheStartColumn) {
    open(calendarOf({{"0000000002", "01-10", "01-31"}}));
    const int next = currentYear() + 1;
    typeNewRow(QStringLiteral("1"), date(5, 1, next), date(20, 1, next));
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(selectedField(), field("DTINIFASEORCA"));

    answers.answerNext(QMessageBox::No);
    confirm();
    EXPECT_EQ(answers.texts(),
              QStringList{QStringLiteral(
                  "Período informado pertence ou é superior ao ano do orçamento. Confirma Operação?")});
    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(cellText(currentRow(), StartColumn), date(5, 1, next));
    EXPECT_EQ(requests("GetValDateBloq"), 0);
    EXPECT_EQ(requests("SetCalendOrcOp"), 0);

    answers.answerNext(QMessageBox::Yes);
    confirm();
    EXPECT_EQ(answers.texts().size(), 2);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(requests("SetCalendOrcOp"), 1);

    // With the end column selected nothing is asked.
    clickCell(0, CodeColumn);
    typeNewRow(QStringLiteral("3"), date(5, 2, next), date(20, 2, next));
    confirm();
    EXPECT_EQ(answers.texts().size(), 2);
    EXPECT_EQ(state(), TDataSetState::dsBrowse);
    EXPECT_EQ(requests("SetCalendOrcOp"), 2);
}

TEST_F(PhaseTest, post_dateTextThatIsNoDate_isRefusedNamingIt_withNothingSent) {
    open(calendarOf(ThreePhases));
    key(Qt::Key_Insert);
    type(QStringLiteral("1"));
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    const int before = requests();

    typeDate(QStringLiteral("31/02/2026"));
    answers.answerNext(QMessageBox::Ok);
    key(Qt::Key_Tab);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("'31/02/2026' não é uma data válida.")});
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_EQ(cellText(currentRow(), StartColumn), QStringLiteral("31/02/2026"));

    typeDate(QStringLiteral("99/99/9999"));
    answers.answerNext(QMessageBox::Ok);
    confirm();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("'99/99/9999' não é uma data válida."));

    // Half typed, then the end date typed in full and posted from there.
    typeDate(QStringLiteral("12/05"));
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    answers.answerNext(QMessageBox::Ok);
    confirm();
    EXPECT_TRUE(answers.texts().last().startsWith(QStringLiteral("'12/05/")))
        << answers.texts().last().toStdString();
    EXPECT_TRUE(answers.texts().last().endsWith(QStringLiteral("' não é uma data válida.")));

    EXPECT_EQ(state(), TDataSetState::dsInsert);
    EXPECT_EQ(selectedField(), field("DTINIFASEORCA"));
    EXPECT_TRUE(gridHasFocus());
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(answers.pending(), 0);
}

// A blocked phase from 10 to 20 March against another phase's period.
struct BlockedCase {
    const char* start;
    const char* end;
    bool conflicts;
};

class BlockedPeriodTest : public PhaseTest, public ::testing::WithParamInterface<BlockedCase> {};

TEST_P(BlockedPeriodTest, post_blockedPhase_refusedWhenAnotherPeriodHoldsItsStartOrEnd) {
    const BlockedCase& other = GetParam();
    CalendarData data = calendarOf({{"0000000001", other.start, other.end}});
    data.blockedPhases = {QStringLiteral("0000000004")};
    open(data);
    typeNewRow(QStringLiteral("4"), date(10, 3), date(20, 3));
    if (other.conflicts)
        answers.answerNext(QMessageBox::Ok);
    confirm();

    if (other.conflicts) {
        EXPECT_EQ(answers.texts(),
                  QStringList{QStringLiteral(
                      "Periodo de uma fase Bloqueada não pode ser igual ao de outras fases.")});
        EXPECT_EQ(state(), TDataSetState::dsInsert);
        EXPECT_EQ(selectedField(), field("DTFINFASEORCA"));  // the focus stays where it was
        EXPECT_EQ(cellText(currentRow(), StartColumn), date(10, 3));
        EXPECT_EQ(requests("SetCalendOrcOp"), 0);
        // Both questions were asked, and the concluded one not reached.
        EXPECT_EQ(requests("GetDateBloq"), 1);
        EXPECT_EQ(requests("BloqDelFase"), 0);
    } else {
        EXPECT_EQ(answers.texts(), QStringList());
        EXPECT_EQ(state(), TDataSetState::dsBrowse);
        EXPECT_EQ(requests("SetCalendOrcOp"), 1);
        // Edited later, the blocked phase does not conflict with its own stored period.
        clickCell(currentRow(), EndColumn);
        key(Qt::Key_F2);
        typeDate(date(19, 3));
        confirm();
        EXPECT_EQ(answers.texts(), QStringList());
        EXPECT_EQ(requests("SetCalendOrcOp"), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(March, BlockedPeriodTest,
                         ::testing::Values(BlockedCase{"03-01", "03-10", true},
                                           BlockedCase{"03-20", "03-31", true},
                                           BlockedCase{"03-12", "03-15", false},
                                           BlockedCase{"03-21", "03-31", false}));

TEST_F(PhaseTest, post_concludedPhase_refusedEvenForADateChange) {
    CalendarData data = calendarOf(ThreePhases);
    data.concluded = {{currentYear(), 1, QStringLiteral("0000000004")}};
    open(data);
    clickCell(2, EndColumn);
    key(Qt::Key_F2);
    typeDate(date(29, 6));
    const int before = requests();
    answers.answerNext(QMessageBox::Ok);
    confirm();

    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Não se pode alterar uma fase ja concluida.")});
    EXPECT_EQ(methodsSince(before), (QStringList{Checks[0], Checks[1], Checks[2]}));
    EXPECT_EQ(state(), TDataSetState::dsEdit);
    EXPECT_EQ(selectedField(), field("DTFINFASEORCA"));
    EXPECT_EQ(cellText(2, EndColumn), date(29, 6));
}

TEST_F(PhaseTest, post_fromThePermissionPage_runsNoCheck) {
    open(calendarOf(ThreePhases));
    frmCalendOrc->pgcPadrao->SetActivePage(child<TTabSheet>("tshPermCalc"));
    // Another year typed but not taken yet: a checked post would write it into the row.
    child<TSpinEdit>("depAno")->SetValue(currentYear() + 1);
    const int before = requests();
    calendar()->Edit();
    field("IDPERMCALCMAR")->SetAsString(QStringLiteral("S"));
    calendar()->Post();

    EXPECT_EQ(methodsSince(before), QStringList{QStringLiteral("SetCalendOrcOp")});
    EXPECT_EQ(field("NRANOORCOPERAC")->AsString(), QString::number(currentYear()));
    EXPECT_EQ(field("CDVERSCALENORCA")->AsFloat(), 1.0);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
}

namespace {

// A refusal that puts the cursor into a cell of a new row, and what the user types there next: the
// cell's text is replaced, as when the cell is reached with Tab, whatever it held.
enum class Then { LeaveTheCode, LeaveTheStart, Confirm, ConfirmOnTheStart };

struct CellRefusal {
    const char* name;
    QString code, start, end;  // typed cell by cell with Tab between; empty dates are skipped
    Then then;                 // what ends the typing
    QString message;
    const char* field;  // the field of the cell the cursor is put into
    QString typed;      // typed there at once, the caret left where the refusal put it
    QString shown;      // what the cell shows then
};

void PrintTo(const CellRefusal& row, std::ostream* out) {
    *out << row.name;
}

class CellRefusalTest : public PhaseTest, public ::testing::WithParamInterface<CellRefusal> {
protected:
    void refuse(const CellRefusal& row) {
        key(Qt::Key_Insert);
        type(row.code);
        key(Qt::Key_Tab);
        if (row.then == Then::LeaveTheCode)
            return;
        key(Qt::Key_Tab);
        if (!row.start.isEmpty())
            typeDate(row.start);
        key(Qt::Key_Tab);
        if (row.then == Then::LeaveTheStart)
            return;
        if (!row.end.isEmpty())
            typeDate(row.end);
        if (row.then == Then::ConfirmOnTheStart)
            key(Qt::Key_Tab, Qt::ShiftModifier);
        confirm();
    }
};

TEST_P(CellRefusalTest, afterTheRefusal_typingReplacesTheCellsText) {
    const CellRefusal& row = GetParam();
    open(calendarOf(ThreePhases));
    // One answer more than the refusal needs: a second box would be answered, and counted, rather than
    // wait for an answer forever.
    answers.answerNext(row.message.endsWith(u'?') ? QMessageBox::No : QMessageBox::Ok);
    answers.answerNext(QMessageBox::Ok);
    refuse(row);
    EXPECT_EQ(answers.texts(), QStringList{row.message});
    ASSERT_EQ(state(), TDataSetState::dsInsert);
    ASSERT_EQ(selectedField(), field(row.field));
    ASSERT_TRUE(gridHasFocus());

    type(row.typed);
    EXPECT_EQ(cellText(currentRow(), grid()->currentIndex().column()), row.shown);
    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_EQ(requests("SetCalendOrcOp"), 0);
    calendar()->Cancel();
}

QString day(int day, int month, int year = currentYear()) {
    return QDate(year, month, day).toString(QStringLiteral("dd/MM/yyyy"));
}

QString digitsOf(const QString& date) {
    return QString(date).remove(u'/');
}

const QString Start = day(1, 3);
const QString End = day(9, 3);
const QString Retyped = day(2, 3);

INSTANTIATE_TEST_SUITE_P(
    Refusals, CellRefusalTest,
    ::testing::Values(CellRefusal{"UnknownCode",
                                  QStringLiteral("9"),
                                  {},
                                  {},
                                  Then::LeaveTheCode,
                                  QStringLiteral("Fase não cadastrada."),
                                  "CDFASEORCOPERAC",
                                  QStringLiteral("2"),
                                  QStringLiteral("2")},
                      CellRefusal{"NoStartDate",
                                  QStringLiteral("1"),
                                  {},
                                  End,
                                  Then::Confirm,
                                  QStringLiteral("Data inicio deve ser informada."),
                                  "DTINIFASEORCA",
                                  digitsOf(Retyped),
                                  Retyped},
                      CellRefusal{"NoEndDate",
                                  QStringLiteral("1"),
                                  Start,
                                  {},
                                  Then::Confirm,
                                  QStringLiteral("Data fim deve ser informada."),
                                  "DTFINFASEORCA",
                                  digitsOf(Retyped),
                                  Retyped},
                      CellRefusal{"EndBeforeStart", QStringLiteral("1"), End, Start, Then::Confirm,
                                  QStringLiteral("Data inicial deve ser menor ou igual a data final."),
                                  "DTINIFASEORCA", digitsOf(Retyped), Retyped},
                      CellRefusal{
                          "StartAfterTheBudgetYear", QStringLiteral("1"), day(5, 1, currentYear() + 1),
                          day(20, 1, currentYear() + 1), Then::ConfirmOnTheStart,
                          QStringLiteral("Período informado pertence ou é superior ao ano do orçamento. "
                                         "Confirma Operação?"),
                          "DTINIFASEORCA", digitsOf(Retyped), Retyped},
                      CellRefusal{"StartThatIsNoDate",
                                  QStringLiteral("1"),
                                  day(28, 2).replace(0, 2, QStringLiteral("31")),
                                  {},
                                  Then::LeaveTheStart,
                                  QStringLiteral("'31/02/%1' não é uma data válida.").arg(currentYear()),
                                  "DTINIFASEORCA",
                                  digitsOf(Retyped),
                                  Retyped}),
    [](const ::testing::TestParamInfo<CellRefusal>& param) { return std::string(param.param.name); });

}  // namespace
