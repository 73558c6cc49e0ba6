// A budget year started and planned from the desktop, as a new user would: next year's calendar
// started on "Versões do calendário" from this year's latest, then opened on the budget calendar,
// where a phase is edited and saved.

#include "framework/ui/edit.h"
#include "framework/ui/speedbutton.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/screen/frmcalendorc.h"
#include "tests/modules/zrm71300/versionsfixture.h"

#include <QApplication>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace zrm71300test {
namespace {

enum PhaseColumn { CodeColumn = 0, StartColumn = 2, EndColumn = 3 };

QStringList phaseColumn(const TDBGrid* grid, int column) {
    QStringList texts;
    const QAbstractItemModel* model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

}  // namespace

TEST_F(VersionsTest, nextYear_startedFromThisYearsLatest_isEditedAndSavedOnTheBudgetCalendar) {
    open(CalendarData::standard());
    const int next = currentYear() + 1;
    const QString nextText = QString::number(next);
    chooseYear(next);
    EXPECT_EQ(rows(), QStringList());
    answers().answerNext(QMessageBox::Yes);  // a copy of this year's latest calendar
    clickOn(frmVersoes->sbtIncluir);
    ASSERT_EQ(rows(), QStringList{u"1 |  | MARIA | 3 | S"_s});

    // The budget calendar opens on this year; the user types next year, empties the version box so
    // the server gives the latest, and goes on to the phases.
    criaCalendOrc();
    ASSERT_NE(frmCalendOrc, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() == frmCalendOrc->depAno; }));
    typeInto(frmCalendOrc->depAno, next);
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), frmCalendOrc->edtVersao);
    QTest::keyClick(frmCalendOrc->edtVersao, Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_Backspace);
    TDBGrid* phases = frmCalendOrc->dbgPadrao;
    const QModelIndex end = phases->model()->index(0, EndColumn);
    QTest::mouseClick(phases->viewport(), Qt::LeftButton, {}, phases->visualRect(end).center());
    EXPECT_EQ(frmCalendOrc->edtVersao->Text(), u"1"_s);
    EXPECT_EQ(phaseColumn(phases, CodeColumn),
              (QStringList{u"0000000002"_s, u"0000000003"_s, u"0000000004"_s}));
    // Moved one year forward.
    EXPECT_EQ(phaseColumn(phases, StartColumn).value(0), u"10/01/"_s + nextText);
    EXPECT_EQ(phaseColumn(phases, EndColumn).value(0), u"31/01/"_s + nextText);

    // The end of the first phase moved and saved.
    QTest::mouseClick(phases->viewport(), Qt::LeftButton, {},
                      phases->visualRect(phases->model()->index(0, EndColumn)).center());
    key(Qt::Key_F2);
    key(Qt::Key_Home);
    type(u"25/01/"_s.remove(u'/') + nextText);
    QTest::mouseClick(frmCalendOrc->sbtConfirmar, Qt::LeftButton);
    EXPECT_EQ(answers().texts().size(), 1) << answers().texts().join(u'\n').toStdString();
    EXPECT_EQ(m_server->requestCount(u"SetCalendOrcOp"_s), 1);

    // What the server holds, loaded again.
    QTest::mouseClick(frmCalendOrc->sbtVerificar, Qt::LeftButton);
    EXPECT_EQ(phaseColumn(phases, EndColumn).value(0), u"25/01/"_s + nextText);
    EXPECT_EQ(answers().texts().size(), 1) << answers().texts().join(u'\n').toStdString();
}

}  // namespace zrm71300test
