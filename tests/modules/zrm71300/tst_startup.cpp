// Start-up of the budget-calendar screen against the real application server: what the first load
// asks for and shows, the permission list it leaves, the module variables, and a server that is down.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/spinedit.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QApplication>

using namespace zrm71300test;

namespace {

const QStringList MonthsTopDown = {
    QStringLiteral("Dezembro"), QStringLiteral("Novembro"),  QStringLiteral("Outubro"),
    QStringLiteral("Setembro"), QStringLiteral("Agosto"),    QStringLiteral("Julho"),
    QStringLiteral("Junho"),    QStringLiteral("Maio"),      QStringLiteral("Abril"),
    QStringLiteral("Março"),    QStringLiteral("Fevereiro"), QStringLiteral("Janeiro")};

}  // namespace

class StartUpTest : public ScreenTest {
protected:
    // The current year and its latest version, as the screen shows them at start-up on the standard
    // calendar.
    void expectLatestVersionShown() {
        EXPECT_EQ(child<TSpinEdit>("depAno")->Text(), QString::number(currentYear()));
        // The year has versions 1 and 2; asked without a version the server answers with the latest,
        // whose rows differ from version 1's and from the year before's.
        EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QStringLiteral("2"));
        const auto* grid = child<TDBGrid>("dbgPadrao");
        EXPECT_EQ(columnTexts(grid, 0),
                  (QStringList{QStringLiteral("0000000002"), QStringLiteral("0000000003"),
                               QStringLiteral("0000000004")}));
        EXPECT_EQ(columnTexts(grid, 1),
                  (QStringList{QStringLiteral("Orçamento de vendas"), QStringLiteral("Orçamento de despesas"),
                               QStringLiteral("Revisão pela diretoria")}));
        EXPECT_EQ(child<TClientDataSet>("cdsVdAnoCalendOrcOp")->RecordCount(), 3);
        EXPECT_EQ(child<TClientDataSet>("cdsVer")->FieldByName(QStringLiteral("CDVERSAO"))->AsString(),
                  QStringLiteral("2"));
    }
};

TEST_F(StartUpTest, startUp_asksCurrentYearWithEmptyVersion_showsTheLatestVersionOfThatYear) {
    openWith(CalendarData::standard());
    expectLatestVersionShown();
}

// Over HTTPS, with the certificate checked against the authority the environment names, the screen
// starts as over HTTP.
TEST_F(StartUpTest, startUp_overHttps_showsTheLatestVersionOfThatYear) {
    openWith(CalendarData::standard(), Transport::Https);
    expectLatestVersionShown();
    EXPECT_GT(m_server.requestCount(QStringLiteral("GetCalendOrcOp")), 0);
}

TEST_F(ScreenTest, startUp_withPhaseRows_permissionListHoldsTheFirstRowsTwelveMonths) {
    openWith(CalendarData::standard());

    const auto* grid = child<TDBGrid>("dbgPermCalc");
    EXPECT_EQ(titles(grid), (QStringList{QStringLiteral("Mês"), QStringLiteral("Permissão")}));
    EXPECT_EQ(columnTexts(grid, 0), MonthsTopDown);
    // First phase row by start date: January and August "S", December empty, the others "N".
    QStringList flags(12, QStringLiteral("N"));
    flags[0] = QString();
    flags[4] = QStringLiteral("S");
    flags[11] = QStringLiteral("S");
    EXPECT_EQ(columnTexts(grid, 1), flags);
    EXPECT_EQ(child<TClientDataSet>("cdsPermCalc")->RecNo(), 1);
}

TEST_F(ScreenTest, startUp_emptyCalendar_showsVersionAndTwelveMonthsNotPermitted) {
    openWith(CalendarData::emptyCalendar());

    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QStringLiteral("1"));
    auto* calendar = child<TClientDataSet>("cdsCalendOrcOp");
    EXPECT_TRUE(calendar->Active());
    EXPECT_TRUE(calendar->IsEmpty());
    EXPECT_TRUE(child<TClientDataSet>("cdsVdAnoCalendOrcOp")->IsEmpty());
    EXPECT_EQ(child<TDBGrid>("dbgPadrao")->model()->rowCount(), 0);
    const auto* grid = child<TDBGrid>("dbgPermCalc");
    EXPECT_EQ(columnTexts(grid, 0), MonthsTopDown);
    EXPECT_EQ(columnTexts(grid, 1), QStringList(12, QStringLiteral("N")));
    EXPECT_FALSE(child<TTabSheet>("tshPermCalc")->isEnabled());
}

TEST_F(ScreenTest, startUp_versionPacketWithoutRows_leavesTheVersionBoxEmpty) {
    openWith(CalendarData::noVersionThisYear());

    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QString());
    EXPECT_TRUE(child<TClientDataSet>("cdsVer")->IsEmpty());
    EXPECT_TRUE(child<TClientDataSet>("cdsCalendOrcOp")->IsEmpty());
    EXPECT_EQ(child<TClientDataSet>("cdsPermCalc")->RecordCount(), 12);
}

TEST_F(ScreenTest, startUp_setsVerifyFlagAndClearsBlockFlagWhateverTheyHeld) {
    stVerifVers = QStringLiteral("N");
    StBloqCalc = QStringLiteral("S");
    openWith(CalendarData::standard());

    EXPECT_EQ(stVerifVers, QStringLiteral("S"));
    EXPECT_EQ(StBloqCalc, QString());
    EXPECT_TRUE(boStCriado);
    EXPECT_FALSE(boInsert);
    // Markers for the base screen.
    EXPECT_EQ(child<TSpinEdit>("depAno")->Tag(), 1);
    auto* calendar = child<TClientDataSet>("cdsCalendOrcOp");
    EXPECT_EQ(calendar->FieldByName(QStringLiteral("NMFASEORCOPERAC"))->Tag(), 1);
    EXPECT_FALSE(calendar->FieldByName(QStringLiteral("DTINIFASEORCA"))->EditMask().isEmpty());
    EXPECT_EQ(calendar->FieldByName(QStringLiteral("DTFINFASEORCA"))->EditMask(),
              calendar->FieldByName(QStringLiteral("DTINIFASEORCA"))->EditMask());
}

TEST_F(ScreenTest, show_focusesTheYearAndDisablesThePermissionPage) {
    openWith(CalendarData::standard());
    ASSERT_TRUE(zrm::test::showActive(frmCalendOrc->window()));

    EXPECT_EQ(QApplication::focusWidget(), child<TSpinEdit>("depAno"));
    // The first phase row is a calculation phase, yet showing disables the page.
    EXPECT_FALSE(child<TTabSheet>("tshPermCalc")->isEnabled());
    EXPECT_EQ(child<TPageControl>("pgcPadrao")->ActivePage(), child<TTabSheet>("tshPadrao"));
}

TEST_F(ScreenTest, startUp_serverDown_showsTheFailureAndStillOpens) {
    pointAtNoServer();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);

    criaCalendOrc();

    ASSERT_NE(frmCalendOrc, nullptr);
    EXPECT_TRUE(boStCriado);
    EXPECT_TRUE(frmCalendOrc->isVisible());
    ASSERT_EQ(answers.texts().size(), 1);
    EXPECT_FALSE(answers.texts().constFirst().isEmpty());
    EXPECT_EQ(child<TSpinEdit>("depAno")->Text(), QString::number(currentYear()));
    EXPECT_FALSE(child<TClientDataSet>("cdsCalendOrcOp")->Active());
    EXPECT_EQ(child<TEdit>("edtVersao")->Text(), QString());
}
