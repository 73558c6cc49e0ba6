// The year-and-version panel driven as a user drives it: focus moves by click and Tab, the version
// search, the version box's filter, and the latest-version rule that decides what may be changed.

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/edit.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/searchdialog.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "library/zul/btnpesquisa.h"
#include "tests/modules/zrm71300/hostfixture.h"
#include "tests/support/guitest.h"

#include <QClipboard>
#include <QTableView>
#include <QTest>

using namespace zrm71300test;
using zrm::test::DialogAnswerer;

namespace {

class YearVersionTest : public HostScreenTest {
protected:
    TSpinEdit* year() const { return child<TSpinEdit>("depAno"); }
    TEdit* version() const { return child<TEdit>("edtVersao"); }
    TDBGrid* grid() const { return child<TDBGrid>("dbgPadrao"); }
    TClientDataSet* calendar() const { return child<TClientDataSet>("cdsCalendOrcOp"); }

    // Enters the panel from the phase grid by a click on the version box.
    void enterPanel() {
        clickOn(grid());
        ASSERT_EQ(QApplication::focusWidget(), grid());
        clickOn(version());
        ASSERT_EQ(QApplication::focusWidget(), version());
    }
    // Types text into box over what it shows.
    static void retype(QWidget* box, const QString& text) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        if (!text.isEmpty())
            QTest::keyClicks(box, text);
    }
    // Leaves the panel by a click into the phase grid.
    void leavePanel() { clickOn(grid()); }

    bool latestRule(bool editable) const {
        return grid()->ReadOnly() == !editable && child<TDBGrid>("dbgPermCalc")->ReadOnly() == !editable &&
               stUltVers == (editable ? QStringLiteral("S") : QStringLiteral("N"));
    }
};

QString yearText(int offset = 0) {
    return QString::number(currentYear() + offset);
}

}  // namespace

TEST_F(YearVersionTest, showingTheScreen_isNoEntryIntoThePanel_butAClickInIs) {
    openInHost(CalendarData::standard());
    EXPECT_TRUE(calendar()->Active());
    EXPECT_EQ(grid()->model()->rowCount(), 3);

    enterPanel();
    EXPECT_FALSE(calendar()->Active());
    EXPECT_EQ(grid()->model()->rowCount(), 0);

    // Leaving with the year and version shown reloads and checks them.
    const int cycles = m_server.requestCount(QStringLiteral("ValCiclo"));
    QTest::keyClick(version(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(calendar()->Active());
    EXPECT_EQ(columnTexts(grid(), 0), (QStringList{QStringLiteral("0000000002"), QStringLiteral("0000000003"),
                                                   QStringLiteral("0000000004")}));
    EXPECT_EQ(child<TClientDataSet>("cdsAux")->RecordCount(), 3);
    EXPECT_EQ(m_server.requestCount(QStringLiteral("ValCiclo")), cycles + 1);
    EXPECT_TRUE(latestRule(true));
}

TEST_F(YearVersionTest, leavingThePanel_failuresStopWithTheFocusOnTheBoxAtFault) {
    openInHost(CalendarData::standard());
    DialogAnswerer answers;

    // Empty year: the server answers a year without data, the year check names what is missing.
    enterPanel();
    const int cycles = m_server.requestCount(QStringLiteral("ValCiclo"));
    retype(year(), QString());
    answers.answerNext(QMessageBox::Ok);
    leavePanel();
    reactivate();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Ano deve ser informado.")});
    EXPECT_EQ(QApplication::focusWidget(), year());
    EXPECT_EQ(m_server.requestCount(QStringLiteral("ValCiclo")), cycles);
    EXPECT_EQ(child<TClientDataSet>("cdsAux")->RecordCount(), 3);  // not the empty calendar just loaded

    // Empty version: the server chooses the latest, which passes every check.
    QTest::keyClicks(year(), yearText());
    retype(version(), QString());
    leavePanel();
    EXPECT_EQ(answers.texts().size(), 1);
    EXPECT_EQ(version()->Text(), QStringLiteral("2"));
    EXPECT_EQ(QApplication::focusWidget(), grid());
    EXPECT_EQ(m_server.requestCount(QStringLiteral("ValCiclo")), cycles + 1);

    // A version the year does not have.
    clickOn(version());
    retype(version(), QStringLiteral("7"));
    answers.answerNext(QMessageBox::Ok);
    leavePanel();
    reactivate();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Versão não cadastrada."));
    EXPECT_EQ(QApplication::focusWidget(), version());
    EXPECT_TRUE(calendar()->IsEmpty());  // as loaded
    EXPECT_EQ(m_server.requestCount(QStringLiteral("ValCiclo")), cycles + 1);

    // A typed version of a year without any version is just as unknown.
    retype(year(), yearText(+3));
    retype(version(), QStringLiteral("1"));
    answers.answerNext(QMessageBox::Ok);
    leavePanel();
    reactivate();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Versão não cadastrada."));
    EXPECT_EQ(QApplication::focusWidget(), version());
}

TEST_F(YearVersionTest, leavingThePanel_withTheServerDown_keepsTheFocusInThePanel) {
    openInHost(CalendarData::standard());
    enterPanel();
    m_server.process().stop();
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    leavePanel();
    reactivate();
    ASSERT_EQ(answers.texts().size(), 1);
    EXPECT_FALSE(answers.texts().constFirst().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), version());
    EXPECT_FALSE(calendar()->Active());
}

TEST_F(YearVersionTest, olderVersion_isReadOnly_theLatestEditableAgain) {
    openInHost(CalendarData::standard());
    enterPanel();
    retype(version(), QStringLiteral("1"));
    leavePanel();
    ASSERT_EQ(columnTexts(grid(), 0), QStringList{QStringLiteral("0000000001")});
    EXPECT_TRUE(latestRule(false));
    EXPECT_FALSE(commandOn("sbtIncluir", "mnuIncluir"));
    EXPECT_FALSE(commandOn("sbtAlterar", "mnuAlterar"));
    EXPECT_FALSE(commandOn("sbtExcluir", "mnuExcluir"));
    EXPECT_TRUE(commandOn("sbtLocalizar", "mnuLocalizar"));  // reading stays open
    // Typing into the grid does not start an edit.
    QTest::keyClicks(grid(), QStringLiteral("5"));
    EXPECT_EQ(calendar()->State(), TDataSetState::dsBrowse);

    clickOn(version());
    retype(version(), QStringLiteral("2"));
    leavePanel();
    EXPECT_TRUE(latestRule(true));
    EXPECT_TRUE(commandOn("sbtIncluir", "mnuIncluir"));
    EXPECT_TRUE(commandOn("sbtAlterar", "mnuAlterar"));
    EXPECT_TRUE(commandOn("sbtExcluir", "mnuExcluir"));
}

TEST_F(YearVersionTest, latestVersion_isFetchedAgainForAnotherYear) {
    // Version 1 is older this year and the latest of the year before.
    openInHost(CalendarData::standard());
    enterPanel();
    retype(version(), QStringLiteral("1"));
    leavePanel();
    ASSERT_TRUE(latestRule(false));

    clickOn(year());
    retype(year(), yearText(-1));  // the version box keeps "1"
    leavePanel();
    EXPECT_EQ(columnTexts(grid(), 0), QStringList{QStringLiteral("0000000002")});
    EXPECT_EQ(stversAtu, QStringLiteral("1"));
    EXPECT_TRUE(latestRule(true));
    EXPECT_TRUE(commandOn("sbtAlterar", "mnuAlterar"));
}

TEST_F(YearVersionTest, noVersionOfTheYear_anyVersionShownCountsAsOlder) {
    openInHost(CalendarData::noVersionThisYear());
    EXPECT_EQ(version()->Text(), QString());
    stVerifVers = QStringLiteral("S");
    frmCalendOrc->VdUltVers();
    EXPECT_EQ(stversAtu, QString());
    version()->SetText(QStringLiteral("1"));
    frmCalendOrc->VdUltVers();
    EXPECT_TRUE(latestRule(false));
}

TEST_F(YearVersionTest, versionSearch_pickLoadsThatVersion_cancelChangesNothing_emptyListIsReported) {
    openInHost(CalendarData::standard());
    auto* search = child<TBtnPesquisa>("btnVersao");
    DialogAnswerer answers;

    enterPanel();
    QStringList offered;
    answers.answerNext([&offered](QWidget* dialog) {
        auto* window = qobject_cast<SearchDialog*>(dialog);
        ASSERT_NE(window, nullptr);
        const QAbstractItemModel* rows = window->view()->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            offered << rows->data(rows->index(row, 1)).toString();
        window->view()->setCurrentIndex(rows->index(1, 0));
        QTest::keyClick(window->filterEdit(), Qt::Key_Return);
    });
    clickOn(search);
    reactivate();
    EXPECT_EQ(offered, (QStringList{QStringLiteral("2"), QStringLiteral("1")}));  // latest first
    EXPECT_EQ(version()->Text(), QStringLiteral("1"));
    EXPECT_EQ(columnTexts(grid(), 0), QStringList{QStringLiteral("0000000001")});

    answers.answerNext([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    clickOn(search);
    reactivate();
    EXPECT_EQ(version()->Text(), QStringLiteral("1"));
    EXPECT_EQ(columnTexts(grid(), 0), QStringList{QStringLiteral("0000000001")});

    retype(year(), yearText(+3));
    const int loads = m_server.requestCount(QStringLiteral("GetCalendOrcOp"));
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(search->Pesquisar(), EAbort);  // as the button's click runs it, which swallows the stop
    reactivate();
    EXPECT_EQ(answers.texts().last(), QStringLiteral("Não há versões cadastradas."));
    EXPECT_EQ(version()->Text(), QStringLiteral("1"));
    EXPECT_EQ(m_server.requestCount(QStringLiteral("GetCalendOrcOp")), loads);
}

TEST_F(YearVersionTest, versionBox_takesDigitsOnly_typedOrPasted) {
    openInHost(CalendarData::standard());
    enterPanel();
    retype(version(), QStringLiteral("1a%'b2"));
    EXPECT_EQ(version()->Text(), QStringLiteral("12"));
    QTest::keyClick(version(), Qt::Key_Backspace);
    EXPECT_EQ(version()->Text(), QStringLiteral("1"));

    QApplication::clipboard()->setText(QStringLiteral("2x"));
    version()->paste();
    EXPECT_EQ(version()->Text(), QStringLiteral("1"));
    QApplication::clipboard()->setText(QStringLiteral("3"));
    version()->paste();
    EXPECT_EQ(version()->Text(), QStringLiteral("13"));
}

namespace {

class LoadTest;

// A way the calendar gets loaded, and whether the version it leaves shown is the year's latest.
struct LoadCase {
    const char* name;
    void (LoadTest::*load)();
    bool latest;
};

void PrintTo(const LoadCase& row, std::ostream* out) {
    *out << row.name;
}

class LoadTest : public YearVersionTest, public ::testing::WithParamInterface<LoadCase> {
public:
    static QList<LoadCase> cases() {
        return {{"StartUp", &LoadTest::startUp, true},
                {"YearChanged", &LoadTest::yearChanged, true},
                {"OlderVersionTyped", &LoadTest::olderVersionTyped, false},
                {"LatestVersionTyped", &LoadTest::latestVersionTyped, true},
                {"OlderVersionPicked", &LoadTest::olderVersionPicked, false},
                {"LatestVersionPicked", &LoadTest::latestVersionPicked, true},
                {"OlderVersionVerified", &LoadTest::olderVersionVerified, false},
                {"LatestVersionVerified", &LoadTest::latestVersionVerified, true}};
    }

private:
    void startUp() {}
    void yearChanged() {
        enterPanel();
        retype(year(), yearText(-1));  // the year before has version 1 only
        retype(version(), QString());
        leavePanel();
    }
    void olderVersionTyped() { typeVersion(QStringLiteral("1")); }
    void latestVersionTyped() {
        typeVersion(QStringLiteral("1"));
        clickOn(version());
        retype(version(), QStringLiteral("2"));
        leavePanel();
    }
    void olderVersionPicked() { pickVersion(1); }
    void latestVersionPicked() {
        typeVersion(QStringLiteral("1"));
        clickOn(version());
        pickVersion(0);
    }
    void olderVersionVerified() {
        typeVersion(QStringLiteral("1"));
        clickOn(child<TSpeedButton>("sbtVerificar"));
    }
    void latestVersionVerified() {
        leavePanel();
        clickOn(child<TSpeedButton>("sbtVerificar"));
    }

    void typeVersion(const QString& text) {
        enterPanel();
        retype(version(), text);
        leavePanel();
    }
    // Picks the row-th version the search offers (the latest first), from inside the panel.
    void pickVersion(int row) {
        DialogAnswerer answers;
        answers.answerNext([row](QWidget* dialog) {
            auto* window = qobject_cast<SearchDialog*>(dialog);
            ASSERT_NE(window, nullptr);
            window->view()->setCurrentIndex(window->view()->model()->index(row, 0));
            QTest::keyClick(window->filterEdit(), Qt::Key_Return);
        });
        if (QApplication::focusWidget() != version())
            enterPanel();
        clickOn(child<TBtnPesquisa>("btnVersao"));
        reactivate();
        ASSERT_EQ(answers.pending(), 0);
    }
};

}  // namespace

TEST_P(LoadTest, afterTheLoad_insertModifyAndDeleteFollowTheLatestVersionRule) {
    const LoadCase& row = GetParam();
    openInHost(CalendarData::standard());
    (this->*row.load)();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(calendar()->Active());
    EXPECT_EQ(version()->Text() == stversAtu, row.latest);
    EXPECT_TRUE(latestRule(row.latest));
    EXPECT_EQ(commandOn("sbtIncluir", "mnuIncluir"), row.latest);
    EXPECT_EQ(commandOn("sbtAlterar", "mnuAlterar"), row.latest);
    EXPECT_EQ(commandOn("sbtExcluir", "mnuExcluir"), row.latest);
    EXPECT_TRUE(commandOn("sbtLocalizar", "mnuLocalizar"));  // reading stays open
}

INSTANTIATE_TEST_SUITE_P(Loads, LoadTest, ::testing::ValuesIn(LoadTest::cases()),
                         [](const ::testing::TestParamInfo<LoadCase>& param) {
                             return std::string(param.param.name);
                         });
