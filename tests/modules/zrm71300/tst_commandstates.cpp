// The commands, pages and boxes the user may work with, as the toolbar and the menu show them, and
// the modify, cancel, verify and confirm commands driven through their buttons.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridcolumns.h"
#include "framework/ui/edit.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/consiste.h"
#include "library/zul/netconnection.h"
#include "library/zul/showavi.h"
#include "modules/zrm71300/data/rdmcalendorcop.h"
#include "tests/modules/zrm71300/hostfixture.h"
#include "tests/support/guitest.h"

#include <QTest>

using namespace zrm71300test;
using zrm::test::DialogAnswerer;

namespace {

// What the user sees of the commands and the year box in one situation.
struct ScreenState {
    bool confirmCancel, insert, recordCommands, verify, yearBox;
    TColumnButtonStyle codeButton;

    bool operator==(const ScreenState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ScreenState& s) {
    return out << "confirm/cancel " << s.confirmCancel << ", insert " << s.insert << ", modify/delete/locate "
               << s.recordCommands << ", verify " << s.verify << ", year " << s.yearBox << ", code button "
               << int(s.codeButton);
}

class CommandStateTest : public HostScreenTest {
protected:
    TDBGrid* grid() const { return child<TDBGrid>("dbgPadrao"); }
    TClientDataSet* calendar() const { return child<TClientDataSet>("cdsCalendOrcOp"); }
    TPageControl* pages() const { return child<TPageControl>("pgcPadrao"); }
    TTabSheet* permissionPage() const { return child<TTabSheet>("tshPermCalc"); }

    // Each pair of button and menu item must agree; a pair whose members differ fails the test.
    ScreenState state() const {
        const bool confirm = commandOn("sbtConfirmar", "mnuConfirmar");
        const bool cancel = commandOn("sbtCancelar", "mnuCancelar");
        EXPECT_EQ(confirm, cancel);
        const bool modify = commandOn("sbtAlterar", "mnuAlterar");
        EXPECT_EQ(modify, commandOn("sbtExcluir", "mnuExcluir"));
        EXPECT_EQ(modify, commandOn("sbtLocalizar", "mnuLocalizar"));
        const bool year = child<TSpinEdit>("depAno")->isEnabled();
        EXPECT_EQ(year, child<TLabel>("lblAno")->isEnabled());
        return {confirm, commandOn("sbtIncluir", "mnuIncluir"),
                modify,  commandOn("sbtVerificar", "mnuVerificar"),
                year,    grid()->Columns()->Items(0)->ButtonStyle()};
    }
    // The fixed states: print and export off, close on, in the toolbar and the menu.
    void expectFixedStates() const {
        EXPECT_FALSE(commandOn("sbtImprimir", "mnuImprimir"));
        EXPECT_FALSE(child<TMenuItem>("mnuConfImpressora")->Enabled());
        EXPECT_FALSE(commandOn("sbtExportar", "mnuExportar"));
        EXPECT_TRUE(commandOn("sbtSair", "mnuSair"));
    }
    // Moves the phase rows to the row of code (a scroll, as the navigator makes).
    void goToPhase(const char* code) {
        ASSERT_TRUE(calendar()->Locate(QStringLiteral("CDFASEORCOPERAC"), QString::fromLatin1(code)));
    }
};

constexpr auto autoButton = TColumnButtonStyle::cbsAuto;
constexpr auto ellipsis = TColumnButtonStyle::cbsEllipsis;

}  // namespace

TEST_F(CommandStateTest, typicalStates_onToolbarAndMenuAlike) {
    openInHost(CalendarData::standard());
    // The calendar loaded at start-up may be changed before the panel was ever left.
    EXPECT_TRUE(commandOn("sbtIncluir", "mnuIncluir"));
    EXPECT_TRUE(commandOn("sbtAlterar", "mnuAlterar"));
    clickOn(grid());
    ASSERT_EQ(QApplication::focusWidget(), grid());
    EXPECT_EQ(state(), (ScreenState{false, true, true, true, true, autoButton})) << "browsing rows";
    expectFixedStates();
    EXPECT_TRUE(child<TMenuItem>("mnuFases")->Checked());
    EXPECT_FALSE(child<TMenuItem>("mnuPermCalc")->Checked());

    clickOn(child<TSpeedButton>("sbtAlterar"));
    ASSERT_EQ(calendar()->State(), TDataSetState::dsEdit);
    EXPECT_EQ(grid()->SelectedField()->FieldName(), QStringLiteral("DTINIFASEORCA"));
    EXPECT_TRUE(QApplication::focusWidget() == grid() || grid()->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(state(), (ScreenState{true, false, false, false, false, ellipsis})) << "editing";
    EXPECT_TRUE(child<TEdit>("edtVersao")->isEnabled());
    expectFixedStates();

    calendar()->Cancel();
    clickOn(child<TEdit>("edtVersao"));
    ASSERT_FALSE(calendar()->Active());
    EXPECT_EQ(state(), (ScreenState{false, false, false, false, true, autoButton})) << "calendar closed";
    expectFixedStates();
}

TEST_F(CommandStateTest, emptyCalendar_insertAndVerifyOnly_permissionPageOff) {
    openInHost(CalendarData::emptyCalendar());
    clickOn(grid());
    EXPECT_EQ(state(), (ScreenState{false, true, false, true, true, autoButton}));
    EXPECT_FALSE(permissionPage()->isEnabled());
    EXPECT_FALSE(child<TMenuItem>("mnuPermCalc")->Enabled());
}

TEST_F(CommandStateTest, versionBoxOtherThanLoaded_phaseGridTakesNoTyping) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    child<TEdit>("edtVersao")->SetText(QStringLiteral("1"));  // not the version loaded (2)
    frmCalendOrc->habilitabotoes();
    EXPECT_FALSE(grid()->Options() & dgEditing);
    EXPECT_FALSE(commandOn("sbtIncluir", "mnuIncluir"));
    EXPECT_FALSE(commandOn("sbtAlterar", "mnuAlterar"));
    child<TEdit>("edtVersao")->SetText(QStringLiteral("2"));
    frmCalendOrc->habilitabotoes();
    EXPECT_TRUE(grid()->Options() & dgEditing);
}

TEST_F(CommandStateTest, permissionPage_onlyForCalculationPhases_leftForAnotherKind) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    ASSERT_EQ(calendar()->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString(),
              QStringLiteral("0000000002"));
    EXPECT_TRUE(permissionPage()->isEnabled());  // a calculation phase

    child<TMenuItem>("mnuPermCalc")->trigger();
    ASSERT_EQ(pages()->ActivePage(), permissionPage());
    EXPECT_TRUE(child<TMenuItem>("mnuPermCalc")->Checked());
    EXPECT_FALSE(child<TMenuItem>("mnuFases")->Checked());
    EXPECT_FALSE(commandOn("sbtIncluir", "mnuIncluir"));
    EXPECT_FALSE(commandOn("sbtAlterar", "mnuAlterar"));
    EXPECT_FALSE(commandOn("sbtExcluir", "mnuExcluir"));
    EXPECT_FALSE(commandOn("sbtLocalizar", "mnuLocalizar"));
    EXPECT_TRUE(commandOn("sbtVerificar", "mnuVerificar"));

    goToPhase("0000000004");  // not a calculation phase
    EXPECT_EQ(pages()->ActivePage(), child<TTabSheet>("tshPadrao"));
    EXPECT_FALSE(permissionPage()->isEnabled());
    EXPECT_FALSE(child<TMenuItem>("mnuPermCalc")->Enabled());

    goToPhase("0000000003");
    EXPECT_TRUE(permissionPage()->isEnabled());
    child<TMenuItem>("mnuPermCalc")->trigger();
    child<TMenuItem>("mnuFases")->trigger();
    EXPECT_EQ(pages()->ActivePage(), child<TTabSheet>("tshPadrao"));
    EXPECT_TRUE(child<TMenuItem>("mnuFases")->Checked());
}

TEST_F(CommandStateTest, pageTab_rebuildsThePermissionRows_menuItemDoesNot) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    TClientDataSet* months = child<TClientDataSet>("cdsPermCalc");
    months->First();
    child<TDBGrid>("dbgPermCalc")->SetSelectedField(months->FieldByName(QStringLiteral("IDPERMES")));
    months->Edit();
    months->FieldByName(QStringLiteral("IDPERMES"))->SetAsString(QStringLiteral("X"));
    months->Post();

    child<TMenuItem>("mnuPermCalc")->trigger();
    months->First();
    EXPECT_EQ(months->FieldByName(QStringLiteral("IDPERMES"))->AsString(), QStringLiteral("X"));

    child<TMenuItem>("mnuFases")->trigger();
    auto* tabs = pages()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(permissionPage()->PageIndex()).center());
    ASSERT_EQ(pages()->ActivePage(), permissionPage());
    months->First();
    EXPECT_EQ(months->FieldByName(QStringLiteral("IDPERMES"))->AsString(),
              QString());  // December of 0000000002
}

TEST_F(CommandStateTest, cancelOnPermissionPage_asksTwice_yesReloadsTheStoredRows_noKeepsTheTypedRow) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    DialogAnswerer answers;

    // No: the phase row stays as typed and nothing is reloaded.
    calendar()->Edit();
    calendar()
        ->FieldByName(QStringLiteral("DTFINFASEORCA"))
        ->SetAsString(QStringLiteral("28/01/") + QString::number(currentYear()));
    pages()->SetActivePage(permissionPage());
    const int loads = m_server.requestCount(QStringLiteral("GetCalendOrcOp"));
    answers.answerNext(QMessageBox::No);
    answers.answerNext(QMessageBox::No);
    clickOn(child<TSpeedButton>("sbtCancelar"));
    reactivate();
    EXPECT_EQ(answers.texts(),
              (QStringList{QStringLiteral("Cancela operação?"), QStringLiteral("Cancela operação?")}));
    EXPECT_EQ(calendar()->State(), TDataSetState::dsEdit);
    EXPECT_EQ(calendar()->FieldByName(QStringLiteral("DTFINFASEORCA"))->AsDateTime().date().day(), 28);
    EXPECT_EQ(m_server.requestCount(QStringLiteral("GetCalendOrcOp")), loads);

    // Yes twice: the row cancelled and the stored calendar loaded again.
    answers.answerNext(QMessageBox::Yes);
    answers.answerNext(QMessageBox::Yes);
    clickOn(child<TSpeedButton>("sbtCancelar"));
    reactivate();
    EXPECT_EQ(answers.texts().size(), 4);
    EXPECT_EQ(calendar()->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_server.requestCount(QStringLiteral("GetCalendOrcOp")), loads + 1);
    ASSERT_TRUE(calendar()->Locate(QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("0000000002")));
    EXPECT_EQ(calendar()->FieldByName(QStringLiteral("DTFINFASEORCA"))->AsDateTime().date().day(), 31);
}

TEST_F(CommandStateTest, verify_fetchesTheCurrentCatalogueEntryAndTheCycle) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    TClientDataSet* catalogue = child<TClientDataSet>("cdsFaseOrc");
    // What a phase search leaves: the whole catalogue, the picked phase current.
    catalogue->SetData(Consiste::CheckResultServ(
        RdmCalendOrcOp::GetFaseOrc(child<TNetConnection>("netCalendOrcOp"), QStringLiteral("T")), true, 0));
    ASSERT_TRUE(catalogue->Locate(QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("0000000003")));
    const int cycles = m_server.requestCount(QStringLiteral("ValCiclo"));

    clickOn(child<TSpeedButton>("sbtVerificar"));
    EXPECT_EQ(catalogue->RecordCount(), 1);
    EXPECT_EQ(catalogue->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString(),
              QStringLiteral("0000000003"));
    EXPECT_EQ(m_server.requestCount(QStringLiteral("ValCiclo")), cycles + 1);
    EXPECT_EQ(child<TClientDataSet>("cdsValCiclo")->RecordCount(), 1);
    EXPECT_EQ(calendar()->FieldByName(QStringLiteral("CDFASEORCOPERAC"))->Tag(), 1);
    EXPECT_FALSE(Showavi::IsShowing());

    // With the server gone the command stops after its message, the cycle kept.
    m_server.process().stop();
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    clickOn(child<TSpeedButton>("sbtVerificar"));
    reactivate();
    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_EQ(child<TClientDataSet>("cdsValCiclo")->RecordCount(), 1);
    EXPECT_FALSE(Showavi::IsShowing());
}

TEST_F(CommandStateTest, confirm_withEmptyOrNonNumericVersion_postsNothing) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    auto* version = child<TEdit>("edtVersao");
    DialogAnswerer answers;
    clickOn(child<TSpeedButton>("sbtAlterar"));
    ASSERT_EQ(calendar()->State(), TDataSetState::dsEdit);
    const int saves = m_server.requestCount(QStringLiteral("SetCalendOrcOp"));

    version->SetText(QStringLiteral("1x"));
    answers.answerNext(QMessageBox::Ok);
    clickOn(child<TSpeedButton>("sbtConfirmar"));
    reactivate();
    ASSERT_EQ(answers.texts().size(), 1);
    EXPECT_EQ(calendar()->State(), TDataSetState::dsEdit);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    EXPECT_EQ(m_server.requestCount(QStringLiteral("SetCalendOrcOp")), saves);
}

TEST_F(CommandStateTest, confirm_newRowWithADateThatIsNoDate_showsTheRefusalOnce) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    DialogAnswerer answers;
    // One answer more than the refusal needs: a second box is answered and counted.
    answers.answerNext(QMessageBox::Ok);
    answers.answerNext(QMessageBox::Ok);
    for (const Qt::Key key : {Qt::Key_Insert, Qt::Key_1, Qt::Key_Tab, Qt::Key_Tab})
        QTest::keyClick(QApplication::focusWidget(), key);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("3102") + QString::number(currentYear()));
    const int saves = m_server.requestCount(QStringLiteral("SetCalendOrcOp"));

    clickOn(child<TSpeedButton>("sbtConfirmar"));
    reactivate();
    EXPECT_EQ(answers.texts(),
              QStringList{QStringLiteral("'31/02/%1' não é uma data válida.").arg(currentYear())});
    EXPECT_EQ(calendar()->State(), TDataSetState::dsInsert);
    EXPECT_EQ(m_server.requestCount(QStringLiteral("SetCalendOrcOp")), saves);
    calendar()->Cancel();
}

TEST_F(CommandStateTest, confirm_onPermissionPageWithOnlyAMonthEdited_postsTheMonthAlone) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    child<TMenuItem>("mnuPermCalc")->trigger();
    TClientDataSet* months = child<TClientDataSet>("cdsPermCalc");
    child<TDBGrid>("dbgPermCalc")->SetSelectedField(months->FieldByName(QStringLiteral("IDPERMES")));
    months->Edit();
    ASSERT_EQ(months->State(), TDataSetState::dsEdit);
    frmCalendOrc->habilitabotoes();
    const int calls = m_server.requestCount();
    clickOn(child<TSpeedButton>("sbtConfirmar"));
    EXPECT_EQ(months->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(calendar()->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(m_server.requestCount(), calls);
}

TEST_F(CommandStateTest, clickIntoTheVersionBox_whileEditing_losesNothingTyped) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    clickOn(child<TSpeedButton>("sbtAlterar"));
    ASSERT_EQ(calendar()->State(), TDataSetState::dsEdit);
    const QString typedEnd = QStringLiteral("28/01/") + QString::number(currentYear());
    calendar()->FieldByName(QStringLiteral("DTFINFASEORCA"))->SetAsString(typedEnd);

    // The version box stays open while editing; entering it posts the row before anything closes.
    ASSERT_TRUE(child<TEdit>("edtVersao")->isEnabled());
    DialogAnswerer answers;
    clickOn(child<TEdit>("edtVersao"));
    clickOn(grid());
    reactivate();
    EXPECT_EQ(answers.texts(), QStringList());
    ASSERT_TRUE(calendar()->Active());
    EXPECT_NE(calendar()->State(), TDataSetState::dsEdit);
    ASSERT_TRUE(calendar()->Locate(QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("0000000002")));
    EXPECT_EQ(calendar()->FieldByName(QStringLiteral("DTFINFASEORCA"))->AsDateTime().date().day(), 28);
}

TEST_F(CommandStateTest, enteringThePanel_withARefusedRow_keepsTheCalendarOpenAndTheFocusOnTheRow) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    clickOn(child<TSpeedButton>("sbtAlterar"));
    calendar()
        ->FieldByName(QStringLiteral("DTFINFASEORCA"))
        ->SetAsString(QStringLiteral("02/01/") + QString::number(currentYear()));  // before its start
    const int saves = m_server.requestCount(QStringLiteral("SetCalendOrcOp"));

    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    clickOn(child<TEdit>("edtVersao"));
    reactivate();
    EXPECT_EQ(answers.texts(),
              QStringList{QStringLiteral("Data inicial deve ser menor ou igual a data final.")});
    ASSERT_TRUE(calendar()->Active());
    EXPECT_EQ(calendar()->State(), TDataSetState::dsEdit);
    EXPECT_EQ(calendar()->FieldByName(QStringLiteral("DTFINFASEORCA"))->AsDateTime().date().day(), 2);
    EXPECT_TRUE(QApplication::focusWidget() == grid() || grid()->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(m_server.requestCount(QStringLiteral("SetCalendOrcOp")), saves);
}

TEST_F(CommandStateTest, enteringThePanel_withChangesAFailedSaveLeft_triesAgainAndKeepsThem) {
    openInHost(CalendarData::standard());
    clickOn(grid());
    m_server.process().stop();
    DialogAnswerer answers;
    // A month flag written into the phase row, as the permission page does: posted, its save fails.
    pages()->SetActivePage(permissionPage());
    calendar()->Edit();
    calendar()->FieldByName(QStringLiteral("IDPERMCALCMAR"))->SetAsString(QStringLiteral("S"));
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(calendar()->Post(), EAbort);
    reactivate();
    ASSERT_EQ(answers.texts().size(), 1);
    ASSERT_EQ(calendar()->GetChangeCount(), 1);  // the server did not answer
    pages()->SetActivePage(child<TTabSheet>("tshPadrao"));

    // Still unreachable: the message again, the calendar open with the change.
    answers.answerNext(QMessageBox::Ok);
    clickOn(child<TEdit>("edtVersao"));
    reactivate();
    EXPECT_EQ(answers.texts().size(), 2);
    ASSERT_TRUE(calendar()->Active());
    EXPECT_EQ(calendar()->GetChangeCount(), 1);

    // Back again: leaving the panel saves the change before loading what is stored.
    QString error;
    ASSERT_TRUE(m_server.process().restart(&error)) << error.toStdString();
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(m_server.process().port()));
    child<TNetConnection>("netCalendOrcOp")->SetConnected(false);
    clickOn(grid());
    EXPECT_EQ(answers.texts().size(), 2);
    EXPECT_EQ(calendar()->GetChangeCount(), 0);
    ASSERT_TRUE(calendar()->Locate(QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("0000000002")));
    EXPECT_EQ(calendar()->FieldByName(QStringLiteral("IDPERMCALCMAR"))->AsString(), QStringLiteral("S"));
}
