// The permission grid of a calculation phase: the edit rules that may refuse a month, the drawing of
// the flags, and every gesture that changes them, against the real application server.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/image.h"
#include "framework/ui/pagecontrol.h"
#include "library/zul/consiste.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/remotedata.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>

using namespace zrm71300test;

// Readable texts in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QStringList Months = {
    QStringLiteral("Dezembro"), QStringLiteral("Novembro"),  QStringLiteral("Outubro"),
    QStringLiteral("Setembro"), QStringLiteral("Agosto"),    QStringLiteral("Julho"),
    QStringLiteral("Junho"),    QStringLiteral("Maio"),      QStringLiteral("Abril"),
    QStringLiteral("Março"),    QStringLiteral("Fevereiro"), QStringLiteral("Janeiro")};
const char* const Suffixes[] = {"JAN", "FEV", "MAR", "ABR", "MAI", "JUN",
                                "JUL", "AGO", "SET", "OUT", "NOV", "DEZ"};
const QStringList EditRules = {QStringLiteral("GetValDateBloq"), QStringLiteral("GetDateBloq"),
                               QStringLiteral("BloqDelFase")};
const QString Concluded = QStringLiteral("Não se pode alterar uma fase ja concluida.");
const QString Blocked =
    QStringLiteral("Periodo de uma fase Bloqueada não pode ser igual ao de outras fases.");

// Twelve flags January … December: "N" but for the months given.
QStringList flags(const QList<std::pair<int, const char*>>& set) {
    QStringList all(12, QStringLiteral("N"));
    for (const auto& [month, flag] : set)
        all[month - 1] = QLatin1String(flag);
    return all;
}

// The flags of the list rows (December … January) as the phase row's order (January … December).
QStringList inCalendarOrder(QStringList rows) {
    std::reverse(rows.begin(), rows.end());
    return rows;
}

// Version 1 of the current year with one calculation phase, 0000000002 from 01-10 to 01-31 with
// flags, and 0000000003 from start to end; 0000000002 blocked when asked.
CalendarData twoPhases(const QStringList& monthFlags, const QString& start, const QString& end,
                       bool blocked) {
    const int year = currentYear();
    CalendarData data;
    data.versions = {{year, 1}};
    data.rows = {
        {year, 1, QStringLiteral("0000000002"), QStringLiteral("01-10"), QStringLiteral("01-31"), monthFlags},
        {year, 1, QStringLiteral("0000000003"), start, end, flags({})}};
    if (blocked)
        data.blockedPhases = {QStringLiteral("0000000002")};
    return data;
}

}  // namespace

class PermissionTest : public ScreenTest {
protected:
    // Opens the screen on data, makes phase code current and shows the permission page.
    void openOnPermissions(const CalendarData& data, const QString& code = QStringLiteral("0000000002")) {
        openWith(data);
        // Tall enough for the twelve months to show without scrolling.
        frmCalendOrc->window()->resize(600, 720);
        ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));
        phases = child<TClientDataSet>("cdsCalendOrcOp");
        months = child<TClientDataSet>("cdsPermCalc");
        grid = child<TDBGrid>("dbgPermCalc");
        // Arriving at the phase row builds its list and opens the page, as the user's move does.
        phases->Last();
        ASSERT_TRUE(phases->Locate(QStringLiteral("CDFASEORCOPERAC"), code));
        frmCalendOrc->pgcPadrao->SetActivePage(child<TTabSheet>("tshPermCalc"));
        ASSERT_TRUE(grid->isVisible());
        ASSERT_TRUE(grid->viewport()->rect().contains(cellRect(12, 1)));
        // The latest version of the year is shown, as the version check finds it for this calendar.
        stUltVers = QStringLiteral("S");
    }

    void selectFlagColumn() { grid->SetSelectedIndex(1); }

    QRect cellRect(int row, int column) const {
        return grid->visualRect(grid->model()->index(row - 1, column));
    }
    void clickCell(int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellRect(row, column).center());
    }
    void clickTitle(int column) {
        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    // The flags of the current phase row, January … December.
    QStringList phaseRowFlags() const {
        QStringList all;
        for (const char* suffix : Suffixes)
            all.append(phases->FieldByName(QStringLiteral("IDPERMCALC") + QLatin1String(suffix))->AsString());
        return all;
    }
    // The flags the server holds for code in version, January … December, read by a load of its own.
    QStringList storedFlags(const QString& code, int version) {
        const TRemoteData packets = Consiste::CheckResultServ(
            RdmCalendOrcOp::GetCalendOrcOp(child<TNetConnection>("netCalendOrcOp"),
                                           QString::number(currentYear()), QString::number(version)),
            true, 0);
        TClientDataSet fresh;
        fresh.SetData(packets[0]);
        EXPECT_TRUE(fresh.Locate(QStringLiteral("CDFASEORCOPERAC"), code)) << code.toStdString();
        QStringList all;
        for (const char* suffix : Suffixes)
            all.append(fresh.FieldByName(QStringLiteral("IDPERMCALC") + QLatin1String(suffix))->AsString());
        return all;
    }
    QStringList listFlags() const { return columnTexts(grid, 1); }
    // Requests answered since mark, in order.
    QStringList requestsSince(int mark) const { return m_server.requestedMethods().mid(mark); }

    TClientDataSet* phases = nullptr;
    TClientDataSet* months = nullptr;
    TDBGrid* grid = nullptr;
};

// ---- Edit rules ----

TEST_F(PermissionTest, editRules_monthNameSelected_refuseEveryEditSilentlyWithoutAskingTheServer) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    grid->SetSelectedIndex(0);
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);  // left unused: no message may show
    const int mark = m_server.requestCount();

    EXPECT_THROW(months->Edit(), EAbort);

    EXPECT_EQ(months->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(requestsSince(mark), QStringList());
    EXPECT_EQ(answers.pending(), 1);
    EXPECT_EQ(listFlags(), inCalendarOrder(flags({{1, "S"}, {8, "S"}, {12, ""}})));
}

TEST_F(PermissionTest, editRules_freePhase_asksTheThreeRulesInOrderThenEdits) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    selectFlagColumn();
    const int mark = m_server.requestCount();

    months->Edit();

    EXPECT_EQ(months->State(), TDataSetState::dsEdit);
    EXPECT_EQ(requestsSince(mark), EditRules);
    months->Cancel();
}

TEST_F(PermissionTest, editRules_concludedPhase_refusedWithItsMessage_flagsUnchanged) {
    CalendarData data = CalendarData::standard();
    data.concluded = {{currentYear(), 2, QStringLiteral("0000000002")}};
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(data));
    selectFlagColumn();
    months->SetRecNo(12);
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    const QStringList before = phaseRowFlags();
    const int mark = m_server.requestCount();

    EXPECT_THROW(months->Edit(), EAbort);

    EXPECT_EQ(answers.texts(), QStringList{Concluded});
    EXPECT_EQ(months->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(requestsSince(mark), EditRules);
    EXPECT_EQ(phaseRowFlags(), before);
    EXPECT_EQ(listFlags(), inCalendarOrder(before));
}

TEST_F(PermissionTest, editRules_blockedPhase_refusedWhenAnotherPhaseStartsOnItsLastDay) {
    ASSERT_NO_FATAL_FAILURE(
        openOnPermissions(twoPhases(flags({}), QStringLiteral("01-31"), QStringLiteral("02-15"), true)));
    selectFlagColumn();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    const int mark = m_server.requestCount();

    EXPECT_THROW(months->Edit(), EAbort);

    EXPECT_EQ(answers.texts(), QStringList{Blocked});
    EXPECT_EQ(months->State(), TDataSetState::dsBrowse);
    // The concluded rule is not asked once the blocked rule has refused.
    EXPECT_EQ(requestsSince(mark), EditRules.mid(0, 2));
}

TEST_F(PermissionTest, editRules_blockedPhase_allowedWhenAnotherPhaseLiesInsideWithoutTouchingItsDates) {
    ASSERT_NO_FATAL_FAILURE(
        openOnPermissions(twoPhases(flags({}), QStringLiteral("01-12"), QStringLiteral("01-20"), true)));
    selectFlagColumn();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);  // left unused

    months->Edit();

    EXPECT_EQ(months->State(), TDataSetState::dsEdit);
    EXPECT_EQ(answers.pending(), 1);
    months->Cancel();
}

// ---- Drawing ----

namespace {

// How many pixels of the cell differ from image drawn at (left + 17, top + 1) over brush (the
// image's olive taking the brush), with the rest of the cell filled with brush. cell is the cell
// without its grid lines.
int misdrawnPixels(const QImage& shot, const QRect& cell, const QImage& image, const QColor& brush) {
    const QRgb olive = qRgb(128, 128, 0);
    int wrong = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QPoint inImage(x - cell.left() - 17, y - cell.top() - 1);
            QRgb expected = brush.rgb();
            if (image.rect().contains(inImage) && image.pixel(inImage) != olive)
                expected = image.pixel(inImage);
            if (qRed(shot.pixel(x, y)) != qRed(expected) || qGreen(shot.pixel(x, y)) != qGreen(expected) ||
                qBlue(shot.pixel(x, y)) != qBlue(expected))
                ++wrong;
        }
    }
    return wrong;
}

}  // namespace

TEST_F(PermissionTest, drawing_onlyAugustIsCheckedAndTheImageSitsAt17And1OnTheCellsColour) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(
        twoPhases(flags({{8, "S"}, {12, ""}}), QStringLiteral("02-01"), QStringLiteral("02-20"), false)));
    selectFlagColumn();
    months->SetRecNo(5);

    EXPECT_EQ(columnTexts(grid, 0), Months);
    const QImage shot = grid->viewport()->grab().toImage();
    const QImage check = child<TImage>("imgCheck")->Picture().toImage();
    const QImage uncheck = child<TImage>("imgUncheck")->Picture().toImage();
    ASSERT_EQ(check.size(), QSize(16, 16));
    ASSERT_NE(check, uncheck);
    const QColor highlight = grid->palette().color(QPalette::Active, QPalette::Highlight);
    for (int row = 1; row <= 12; ++row) {
        // Without the column and row lines on its right and bottom edge.
        const QRect cell = cellRect(row, 1).adjusted(0, 0, -1, -1);
        const QColor brush = row == 5 ? highlight : grid->Color();
        EXPECT_EQ(misdrawnPixels(shot, cell, row == 5 ? check : uncheck, brush), 0) << "row " << row;
    }
}

// ---- Click ----

TEST_F(PermissionTest, click_onTheLastRowChangesJanuaryOnly_andTheServerStoresIt) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    QStringList expected = phaseRowFlags();
    ASSERT_EQ(expected[0], QStringLiteral("S"));
    expected[0] = QStringLiteral("N");
    const int mark = m_server.requestCount();

    clickCell(12, 1);

    EXPECT_EQ(phaseRowFlags(), expected);
    EXPECT_EQ(listFlags(), inCalendarOrder(expected));
    EXPECT_EQ(requestsSince(mark), EditRules + QStringList{QStringLiteral("SetCalendOrcOp")});
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), expected);
}

TEST_F(PermissionTest, click_emptyFlagBecomesS_monthNamesAndTheirTitleChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    const QStringList before = phaseRowFlags();
    ASSERT_EQ(before[11], QString());  // December
    const int mark = m_server.requestCount();

    clickCell(3, 0);
    clickTitle(0);
    EXPECT_EQ(requestsSince(mark), QStringList());
    EXPECT_EQ(phaseRowFlags(), before);

    clickCell(1, 1);
    QStringList expected = before;
    expected[11] = QStringLiteral("S");
    EXPECT_EQ(listFlags().constFirst(), QStringLiteral("S"));
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), expected);
}

// ---- Keys ----

TEST_F(PermissionTest, space_togglesAlsoWithShift_butNotWithCtrl) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    selectFlagColumn();
    months->SetRecNo(5);  // August, "S"
    grid->setFocus();
    QStringList expected = phaseRowFlags();

    QTest::keyClick(grid, Qt::Key_Space);
    expected[7] = QStringLiteral("N");
    EXPECT_EQ(phaseRowFlags(), expected);
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), expected);

    QTest::keyClick(grid, Qt::Key_Space, Qt::ShiftModifier);
    expected[7] = QStringLiteral("S");
    EXPECT_EQ(phaseRowFlags(), expected);
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), expected);

    const int mark = m_server.requestCount();
    QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(phaseRowFlags(), expected);
    EXPECT_EQ(listFlags(), inCalendarOrder(expected));
    EXPECT_EQ(requestsSince(mark).count(QStringLiteral("GetValDateBloq")), 0);
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), expected);
}

TEST_F(PermissionTest, keys_aLetterPostsThePhaseRowUnchanged_rowKeysDoNothing) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    selectFlagColumn();
    months->SetRecNo(3);
    grid->setFocus();
    const QStringList before = phaseRowFlags();
    // Posts of the phase row, seen as it leaves edit state.
    TDataSource watch;
    watch.SetDataSet(phases);
    int posts = 0;
    TDataSetState last = phases->State();
    watch.OnStateChange = [&](QObject*) {
        if (last == TDataSetState::dsEdit && phases->State() == TDataSetState::dsBrowse)
            ++posts;
        last = phases->State();
    };

    QTest::keyClick(grid, Qt::Key_A);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(phaseRowFlags(), before);
    EXPECT_EQ(listFlags(), inCalendarOrder(before));

    const int mark = m_server.requestCount();
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Delete, Qt::NoModifier}, std::pair{Qt::Key_Delete, Qt::ControlModifier},
          std::pair{Qt::Key_Insert, Qt::NoModifier}, std::pair{Qt::Key_Home, Qt::NoModifier},
          std::pair{Qt::Key_End, Qt::NoModifier}, std::pair{Qt::Key_Home, Qt::ControlModifier},
          std::pair{Qt::Key_End, Qt::ControlModifier}}) {
        QTest::keyClick(grid, key, modifiers);
        EXPECT_EQ(months->RecordCount(), 12) << key;
        EXPECT_EQ(months->RecNo(), 3) << key;
        EXPECT_EQ(grid->SelectedIndex(), 1) << key;
        EXPECT_EQ(months->State(), TDataSetState::dsBrowse) << key;
    }
    EXPECT_EQ(requestsSince(mark), QStringList());
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(phaseRowFlags(), before);
}

// ---- Title click ----

TEST_F(PermissionTest, titleClick_asksThenMarksOrUnmarksEveryMonth_savedOnceAfterAtMost36Checks) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    grid->SetSelectedIndex(0);
    months->SetRecNo(4);
    const QStringList before = phaseRowFlags();
    zrm::test::DialogAnswerer answers;

    // December is empty: marking is offered; No changes nothing and asks the server nothing.
    answers.answerNext(QMessageBox::No);
    int mark = m_server.requestCount();
    clickTitle(1);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Deseja marcar todos os registros?")});
    EXPECT_EQ(requestsSince(mark), QStringList());
    EXPECT_EQ(phaseRowFlags(), before);
    EXPECT_EQ(months->RecNo(), 1);
    EXPECT_EQ(grid->SelectedIndex(), 1);

    answers.answerNext(QMessageBox::Yes);
    mark = m_server.requestCount();
    clickTitle(1);
    const QStringList all = QStringList(12, QStringLiteral("S"));
    EXPECT_EQ(listFlags(), all);
    EXPECT_EQ(phaseRowFlags(), all);
    QStringList expectedCalls;
    for (int month = 0; month < 12; ++month)
        expectedCalls += EditRules;
    expectedCalls += QStringLiteral("SetCalendOrcOp");
    EXPECT_EQ(requestsSince(mark), expectedCalls);
    EXPECT_EQ(months->RecNo(), 1);
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), all);

    // December now holds "S": unmarking is offered, and No keeps every month.
    answers.answerNext(QMessageBox::No);
    mark = m_server.requestCount();
    clickTitle(1);
    EXPECT_EQ(answers.texts().constLast(), QStringLiteral("Deseja desmarcar todos os registros?"));
    EXPECT_EQ(requestsSince(mark), QStringList());
    EXPECT_EQ(listFlags(), all);

    answers.answerNext(QMessageBox::Yes);
    clickTitle(1);
    EXPECT_EQ(answers.texts().constLast(), QStringLiteral("Deseja desmarcar todos os registros?"));
    const QStringList none = QStringList(12, QStringLiteral("N"));
    EXPECT_EQ(listFlags(), none);
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), none);
}

TEST_F(PermissionTest, titleClick_concludedPhase_refusedOnceAtDecember_nothingChanged) {
    CalendarData data = CalendarData::standard();
    data.concluded = {{currentYear(), 2, QStringLiteral("0000000002")}};
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(data));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    const QStringList before = phaseRowFlags();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Yes);
    answers.answerNext(QMessageBox::Ok);
    const int mark = m_server.requestCount();

    clickTitle(1);

    EXPECT_EQ(answers.texts(), (QStringList{QStringLiteral("Deseja marcar todos os registros?"), Concluded}));
    EXPECT_EQ(requestsSince(mark), EditRules);
    EXPECT_EQ(phaseRowFlags(), before);
    EXPECT_EQ(listFlags(), inCalendarOrder(before));
    EXPECT_EQ(months->RecNo(), 1);
    EXPECT_FALSE(months->ControlsDisabled());
}

TEST_F(PermissionTest, titleClick_stoppedPartWay_listShowsThePhaseRowAgain) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    const QStringList before = phaseRowFlags();
    // The sixth month is refused, after five were marked in the list.
    int edits = 0;
    const TDataSetNotifyEvent rules = months->BeforeEdit;
    months->BeforeEdit = [&](TClientDataSet* dataSet) {
        if (++edits == 6)
            Abort();
        rules(dataSet);
    };
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Yes);
    const int mark = m_server.requestCount();

    clickTitle(1);

    EXPECT_EQ(edits, 6);
    EXPECT_EQ(listFlags(), inCalendarOrder(before));
    EXPECT_EQ(phaseRowFlags(), before);
    EXPECT_EQ(m_server.requestCount(QStringLiteral("SetCalendOrcOp")), 0);
    EXPECT_EQ(requestsSince(mark).size(), 5 * EditRules.size());
    EXPECT_FALSE(months->ControlsDisabled());
}

TEST_F(PermissionTest, titleClick_saveRefused_listEndsShowingWhatTheServerHolds) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    // Meanwhile another user permits March of the same phase: the screen's row is now stale, and
    // the server refuses the mark-all's save.
    TClientDataSet other;
    other.SetData(Consiste::CheckResultServ(
        RdmCalendOrcOp::GetCalendOrcOp(child<TNetConnection>("netCalendOrcOp"),
                                       QString::number(currentYear()), QStringLiteral("2")),
        true, 0)[0]);
    ASSERT_TRUE(other.Locate(QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("0000000002")));
    other.Edit();
    other.FieldByName(QStringLiteral("IDPERMCALCMAR"))->SetAsString(QStringLiteral("S"));
    other.Post();
    ASSERT_TRUE(RdmCalendOrcOp::SetCalendOrcOp(child<TNetConnection>("netCalendOrcOp"), other.GetDelta()).ok);
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Yes);
    answers.answerNext(QMessageBox::Ok);

    clickTitle(1);

    const QStringList stored = storedFlags(QStringLiteral("0000000002"), 2);
    EXPECT_EQ(stored, flags({{1, "S"}, {3, "S"}, {8, "S"}, {12, ""}}));
    EXPECT_EQ(listFlags(), inCalendarOrder(stored));
    EXPECT_EQ(answers.pending(), 0);
    EXPECT_FALSE(months->ControlsDisabled());
}

// ---- Without a phase row ----

TEST_F(PermissionTest, monthWriteBack_withoutAPhaseRow_makesNone) {
    openWith(CalendarData::emptyCalendar());
    stUltVers = QStringLiteral("S");  // the one version of the year is the latest
    phases = child<TClientDataSet>("cdsCalendOrcOp");
    grid = child<TDBGrid>("dbgPermCalc");
    selectFlagColumn();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);  // left unused
    const int mark = m_server.requestCount();

    QChar key = u'a';
    frmCalendOrc->dbgPermCalcKeyPress(grid, key);

    EXPECT_TRUE(phases->IsEmpty());
    EXPECT_EQ(phases->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(requestsSince(mark), QStringList());
    EXPECT_EQ(answers.pending(), 1);
}

TEST_F(PermissionTest, doubleClick_writesNothingAndEndsShowingTheServersFlags) {
    ASSERT_NO_FATAL_FAILURE(openOnPermissions(CalendarData::standard()));
    ASSERT_EQ(stUltVers, QStringLiteral("S"));
    const QStringList stored = storedFlags(QStringLiteral("0000000002"), 2);
    selectFlagColumn();
    months->SetRecNo(5);
    const int mark = m_server.requestCount();

    // The double click alone, without the clicks of its gesture.
    const QPoint at = cellRect(5, 1).center();
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, grid->viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &doubleClick);

    const QStringList calls = requestsSince(mark);
    EXPECT_EQ(calls.mid(0, 3), EditRules);
    EXPECT_TRUE(calls.contains(QStringLiteral("GetCalendOrcOp"))) << calls.join(u' ').toStdString();
    EXPECT_FALSE(calls.contains(QStringLiteral("SetCalendOrcOp")));
    EXPECT_EQ(listFlags(), inCalendarOrder(stored));
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 2), stored);

    // The whole gesture: whatever its clicks saved, the list shows what the server holds.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellRect(5, 1).center());
    EXPECT_EQ(listFlags(), inCalendarOrder(storedFlags(QStringLiteral("0000000002"), 2)));
}

TEST_F(PermissionTest, olderVersion_noGestureChangesAnything) {
    const int year = currentYear();
    CalendarData data;
    data.versions = {{year, 1}, {year, 2}};
    data.rows = {
        {year, 1, QStringLiteral("0000000002"), QStringLiteral("01-10"), QStringLiteral("01-31"),
         flags({{8, "S"}})},
        {year, 2, QStringLiteral("0000000003"), QStringLiteral("02-01"), QStringLiteral("02-20"), flags({})}};
    openWith(data);
    ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));
    child<TEdit>("edtVersao")->SetText(QStringLiteral("1"));
    frmCalendOrc->GetCalendOrcOp(QString::number(year), QStringLiteral("1"));
    ASSERT_EQ(stUltVers, QStringLiteral("N"));
    phases = child<TClientDataSet>("cdsCalendOrcOp");
    months = child<TClientDataSet>("cdsPermCalc");
    grid = child<TDBGrid>("dbgPermCalc");
    frmCalendOrc->pgcPadrao->SetActivePage(child<TTabSheet>("tshPermCalc"));
    selectFlagColumn();
    months->SetRecNo(5);
    grid->setFocus();
    const QStringList before = phaseRowFlags();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Yes);  // left unused: nothing may ask
    const int mark = m_server.requestCount();

    clickCell(5, 1);
    QTest::keyClick(grid, Qt::Key_Space);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellRect(5, 1).center());
    clickTitle(1);

    EXPECT_EQ(answers.pending(), 1);
    EXPECT_EQ(requestsSince(mark).count(QStringLiteral("GetValDateBloq")), 0);
    EXPECT_EQ(requestsSince(mark).count(QStringLiteral("SetCalendOrcOp")), 0);
    EXPECT_EQ(phaseRowFlags(), before);
    EXPECT_EQ(listFlags(), inCalendarOrder(before));
    EXPECT_EQ(storedFlags(QStringLiteral("0000000002"), 1), before);
}
