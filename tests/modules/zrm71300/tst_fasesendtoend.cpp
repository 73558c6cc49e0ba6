// The phase catalogue screen and the budget calendar together, against one real server, as a user
// goes from one to the other: a phase added on ZRM71303 is offered by ZRM71300's catalogue search,
// and a branch's conclusion recorded on ZRM71303 makes ZRM71300 refuse to change that phase.

#include "framework/ui/edit.h"
#include "framework/ui/searchdialog.h"
#include "framework/ui/speedbutton.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/screen/frmcalendorc.h"
#include "tests/modules/zrm71300/fasesfixture.h"

#include <QMdiSubWindow>

using namespace Qt::StringLiterals;
using namespace zrm71300test;

namespace {

class PhasesEndToEndTest : public FasesOrcTest {
protected:
    void TearDown() override {
        if (frmCalendOrc) {
            QWidget* window = frmCalendOrc->mdiSubWindow();
            delete (window ? window : frmCalendOrc);
        }
        FasesOrcTest::TearDown();
    }

    // Opens the budget calendar on the session year's latest version, active, with the focus on its
    // phase grid.
    void openCalendar() {
        criaCalendOrc();
        ASSERT_NE(frmCalendOrc, nullptr);
        ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));
        frmCalendOrc->dbgPadrao->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() == frmCalendOrc->dbgPadrao; }));
    }
    QWidget* calendarFocus() {
        if (!QApplication::focusWidget())
            zrm::test::reactivate(frmCalendOrc);
        return QApplication::focusWidget() ? QApplication::focusWidget() : frmCalendOrc->dbgPadrao;
    }
    TField* calendarField(const char* name) const {
        return frmCalendOrc->dtsPadrao->DataSet()->FieldByName(QLatin1String(name));
    }
};

}  // namespace

TEST_F(PhasesEndToEndTest, phaseAddedToTheCatalogue_isPickedInTheCalendarsSearch) {
    open(CalendarData::standard());
    key(Qt::Key_Insert);
    type(u"5"_s);
    key(Qt::Key_Tab);
    type(u"Auditoria externa"_s);
    click(screen()->sbtConfirmar);
    ASSERT_EQ(sent("SetFasesCad"), 1);
    ASSERT_EQ(answers.texts(), QStringList());

    openCalendar();
    QTest::keyClick(calendarFocus(), Qt::Key_Insert);
    ASSERT_EQ(frmCalendOrc->dtsPadrao->State(), TDataSetState::dsInsert);
    answers.answerNext([](QWidget* dialog) {
        auto* search = qobject_cast<SearchDialog*>(dialog);
        ASSERT_NE(search, nullptr);
        QTest::keyClicks(search->filterEdit(), u"Auditoria"_s);
        QTest::keyClick(search->filterEdit(), Qt::Key_Return);
    });
    QTest::keyClick(calendarFocus(), Qt::Key_Return, Qt::ControlModifier);

    ASSERT_EQ(answers.pending(), 0);
    EXPECT_EQ(answers.titles().last(), u"Fase do Orçamento."_s);
    EXPECT_EQ(calendarField("CDFASEORCOPERAC")->AsString(), u"0000000005"_s);
    EXPECT_EQ(calendarField("NMFASEORCOPERAC")->AsString(), u"Auditoria externa"_s);
}

TEST_F(PhasesEndToEndTest, conclusionRecorded_makesTheCalendarRefuseToChangeThatPhase) {
    open(CalendarData::standard());
    openConclusions();
    ASSERT_EQ(screen()->edtVersao->Text(), u"2"_s);
    screen()->edtFase->setFocus();
    type(u"3"_s);
    screen()->edtFilial->setFocus();
    type(u"7"_s);
    answers.answerNext(QMessageBox::Yes);
    click(screen()->sbtRegistrar);
    ASSERT_EQ(sent("RegistraConclusao"), 1);
    ASSERT_EQ(screen()->cdsConclusoes->RecordCount(), 1);

    // On the calendar, version 2: 0000000003 (second by start date) gets a new end date.
    openCalendar();
    TDBGrid* phases = frmCalendOrc->dbgPadrao;
    ASSERT_EQ(phases->model()->index(1, 0).data().toString(), u"0000000003"_s);
    const QModelIndex end = phases->model()->index(1, 3);
    QTest::mouseClick(phases->viewport(), Qt::LeftButton, Qt::NoModifier, phases->visualRect(end).center());
    QTest::keyClick(calendarFocus(), Qt::Key_F2);
    QTest::keyClick(calendarFocus(), Qt::Key_Home);
    QTest::keyClicks(calendarFocus(), u"2102%1"_s.arg(currentYear()));
    answers.answerNext(QMessageBox::Ok);
    QTest::mouseClick(frmCalendOrc->sbtConfirmar, Qt::LeftButton);

    ASSERT_EQ(answers.pending(), 0);
    EXPECT_EQ(answers.texts().last(), u"Não se pode alterar uma fase ja concluida."_s);
    EXPECT_EQ(m_server.requestCount(u"SetCalendOrcOp"_s), 0);
    EXPECT_EQ(frmCalendOrc->dtsPadrao->State(), TDataSetState::dsEdit);
}
