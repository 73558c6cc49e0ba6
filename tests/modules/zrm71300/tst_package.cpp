// The package as the host sees it: loaded from its file, its entries and exported variables looked
// up by name, the screen found by its name among the application's widgets.

#include "library/package/packageinfo.h"
#include "tests/modules/zrm71300/calendarserver.h"
#include "tests/support/guitest.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLibrary>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <exception>
#include <iterator>
#include <memory>

using namespace zrm71300test;

namespace {

// Whether the process had a time zone set before any package was loaded (tests run from here on).
const bool zoneSetAtStart = qEnvironmentVariableIsSet("TZ");

// The package loaded as the host loads it, under an MDI main window.
class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_mainWindow.setCentralWidget(new QMdiArea);
        m_mainWindow.resize(900, 700);
        m_mainWindow.show();
        m_library.setFileName(QStringLiteral(ZRM71300_PACKAGE));
        ASSERT_TRUE(m_library.load()) << m_library.errorString().toStdString();
        m_initialize = entry<ZrmInitializeEntry>("Initialize");
        m_finalize = entry<ZrmFinalizeEntry>("Finalize");
        m_iniProc = entry<ZrmScreenOpenEntry>("IniProc");
        ASSERT_TRUE(m_initialize && m_finalize && m_iniProc);
    }

    void TearDown() override {
        if (m_initialized)
            m_finalize();
        m_library.unload();
        qunsetenv("ZRM_LANGUAGE");
    }

    template <class T>
    T entry(const char* name) {
        return reinterpret_cast<T>(m_library.resolve(name));
    }

    template <class T>
    T& variable(const char* name) {
        auto* address = reinterpret_cast<T*>(m_library.resolve(name));
        EXPECT_NE(address, nullptr) << name;
        return *address;
    }

    void initialize() {
        m_initialize();
        m_initialized = true;
    }

    // Runs IniProc as the host does, catching what it throws.
    void open() {
        try {
            m_iniProc();
        } catch (const std::exception& error) {
            FAIL() << "IniProc: " << error.what();
        }
    }

    static QWidget* screen() { return zrm::test::findComponent<QWidget>(QStringLiteral("TfrmCalendOrc")); }

    static int screenCount() {
        int count = 0;
        for (QWidget* widget : QApplication::allWidgets())
            count += widget->objectName() == QLatin1String("TfrmCalendOrc");
        return count;
    }

    static QStringList columnTexts(const char* gridName, int column) {
        auto* grid = zrm::test::findComponent<QTableView>(QLatin1String(gridName));
        QStringList texts;
        if (!grid)
            return texts;
        const QAbstractItemModel* model = grid->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts.append(model->data(model->index(row, column)).toString());
        return texts;
    }

    QMainWindow m_mainWindow;
    QLibrary m_library;
    ZrmInitializeEntry m_initialize = nullptr;
    ZrmFinalizeEntry m_finalize = nullptr;
    ZrmScreenOpenEntry m_iniProc = nullptr;
    bool m_initialized = false;
    CalendarServer m_server;
};

}  // namespace

TEST_F(PackageTest, infoTable_namesThePackageItsUnitsAndTheScreen) {
    const auto table = entry<ZrmPackageInfoTableEntry>("GetPackageInfoTable");
    ASSERT_NE(table, nullptr);
    const ZrmPackageInfoTable* info = table();
    EXPECT_EQ(info->abiVersion, ZRM_PACKAGE_ABI_VERSION);
    EXPECT_STREQ(info->name, "Pkg_Zrm71300");
    QStringList units;
    for (unsigned int i = 0; i < info->unitCount; ++i)
        units << QString::fromLatin1(info->units[i].name);
    EXPECT_EQ(units, (QStringList{QStringLiteral("Pkg_Zrm71300"), QStringLiteral("Cli_Zrm71300"),
                                  QStringLiteral("Cli_Zrm71301"), QStringLiteral("Cli_Zrm71302"),
                                  QStringLiteral("Cli_Zrm71303"), QStringLiteral("SysInit")}));
    const struct {
        const char* code;
        QString title;
        const char* entry;
    } screens[] = {
        {"ZRM71300", QStringLiteral("Calendário para Orçamento"), "IniProc"},
        {"ZRM71301", QStringLiteral("Linha do tempo do orçamento"), "IniProcLinhaTempo"},
        {"ZRM71302", QStringLiteral("Versões do calendário"), "IniProcVersoes"},
        {"ZRM71303", QStringLiteral("Fases do orçamento"), "IniProcFases"},
    };
    ASSERT_EQ(info->screenCount, std::size(screens));
    for (unsigned int i = 0; i < info->screenCount; ++i) {
        SCOPED_TRACE(screens[i].code);
        EXPECT_STREQ(info->screens[i].code, screens[i].code);
        EXPECT_EQ(QString::fromUtf8(info->screens[i].title), screens[i].title);
        EXPECT_STREQ(info->screens[i].entry, screens[i].entry);
        EXPECT_NE(entry<ZrmScreenOpenEntry>(info->screens[i].entry), nullptr);
    }
    EXPECT_NE(entry<ZrmScreenOpenEntry>("criaCalendOrc"), nullptr);
}

TEST_F(PackageTest, phaseCatalogueEntry_opensOneScreen_inTheLanguageAsked) {
    qputenv("ZRM_LANGUAGE", "en");
    m_server.start(CalendarData::standard());
    initialize();
    const auto phases = entry<ZrmScreenOpenEntry>("IniProcFases");
    ASSERT_NE(phases, nullptr);
    phases();
    phases();
    int screens = 0;
    for (QWidget* widget : QApplication::allWidgets())
        screens += widget->objectName() == QLatin1String("TfrmFasesOrc");
    EXPECT_EQ(screens, 1);
    auto* screen = zrm::test::findComponent<QWidget>(QStringLiteral("TfrmFasesOrc"));
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Budget phases"));
    auto* pages = zrm::test::findComponent<QTabWidget>(QStringLiteral("pgcPadrao"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Phases"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Conclusions by branch"));
    auto* grid = zrm::test::findComponent<QTableView>(QStringLiteral("dbgPadrao"));
    ASSERT_NE(grid, nullptr);
    QStringList titles;
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        titles << grid->model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Code"), QStringLiteral("Phase"),
                                   QStringLiteral("Calculation (S/N)"), QStringLiteral("Blocked (S/N)")}));
    EXPECT_EQ(columnTexts("dbgPadrao", 0).size(), 4);
}

TEST_F(PackageTest, loading_leavesTheProcessEnvironmentAsItWas) {
    // Loaded in SetUp while this process runs threads of its own (the server's reader, Qt's).
    if (zoneSetAtStart)
        GTEST_SKIP() << "TZ was set before the package loaded; nothing to observe";
    EXPECT_FALSE(qEnvironmentVariableIsSet("TZ"));
}

TEST_F(PackageTest, entryCalls_makeOneScreenAndRestoreIt) {
    m_server.start(CalendarData::emptyCalendar());
    initialize();
    EXPECT_FALSE(variable<bool>("boStCriado"));
    EXPECT_EQ(variable<QWidget*>("frmCalendOrc"), nullptr);

    open();
    QWidget* first = screen();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(variable<bool>("boStCriado"));
    EXPECT_EQ(variable<QWidget*>("frmCalendOrc"), first);
    auto* subWindow = qobject_cast<QMdiSubWindow*>(first->parentWidget());
    ASSERT_NE(subWindow, nullptr) << "the screen opens inside the main window's MDI area";

    subWindow->showMinimized();
    open();
    EXPECT_EQ(screen(), first);
    EXPECT_EQ(screenCount(), 1);
    EXPECT_FALSE(subWindow->isMinimized());
    EXPECT_FALSE(subWindow->isMaximized());

    subWindow->showMaximized();
    open();
    EXPECT_EQ(screenCount(), 1);
    EXPECT_FALSE(subWindow->isMaximized());
    EXPECT_EQ(qobject_cast<QMdiArea*>(m_mainWindow.centralWidget())->activeSubWindow(), subWindow);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(PackageTest, closingTheScreen_forgetsItAndTheNextEntryCallMakesANewOne) {
    m_server.start(CalendarData::emptyCalendar());
    initialize();
    open();
    QPointer<QWidget> first = screen();
    ASSERT_NE(first, nullptr);

    auto* subWindow = qobject_cast<QMdiSubWindow*>(first->parentWidget());
    ASSERT_NE(subWindow, nullptr);
    subWindow->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
    EXPECT_EQ(variable<QWidget*>("frmCalendOrc"), nullptr);
    EXPECT_FALSE(variable<bool>("boStCriado"));

    open();
    EXPECT_NE(screen(), nullptr);
    EXPECT_TRUE(variable<bool>("boStCriado"));
    EXPECT_EQ(columnTexts("dbgPermCalc", 0).size(), 12);
}

TEST_F(PackageTest, unload_clearsTheTextVariables) {
    m_server.start(CalendarData::standard());
    initialize();
    variable<QString>("StBloqCalc") = QStringLiteral("S");
    open();
    EXPECT_EQ(variable<QString>("stVerifVers"), QStringLiteral("S"));
    EXPECT_EQ(variable<QString>("StBloqCalc"), QString());
    variable<QString>("stUltVers") = QStringLiteral("S");
    variable<QString>("stversAtu") = QStringLiteral("2");
    variable<QString>("StBloqCalc") = QStringLiteral("S");

    m_finalize();
    m_initialized = false;

    EXPECT_EQ(variable<QString>("stUltVers"), QString());
    EXPECT_EQ(variable<QString>("stVerifVers"), QString());
    EXPECT_EQ(variable<QString>("stversAtu"), QString());
    EXPECT_EQ(variable<QString>("StBloqCalc"), QString());
    // Nothing of the package outlives it.
    EXPECT_EQ(screen(), nullptr);
    EXPECT_EQ(variable<QWidget*>("frmCalendOrc"), nullptr);
}

TEST_F(PackageTest, unitUseCount_onlyTheLastReleaseFinalizes) {
    const auto initialization = entry<ZrmProc>("Cli_Zrm71300_Initialization");
    const auto finalization = entry<ZrmProc>("Cli_Zrm71300_Finalization");
    ASSERT_TRUE(initialization && finalization);
    initialization();
    initialization();
    variable<QString>("stUltVers") = QStringLiteral("S");
    finalization();
    EXPECT_EQ(variable<QString>("stUltVers"), QStringLiteral("S"));
    finalization();
    EXPECT_EQ(variable<QString>("stUltVers"), QString());
}

TEST_F(PackageTest, noLanguageChosen_showsThePortugueseTexts) {
    m_server.start(CalendarData::emptyCalendar());
    initialize();
    open();
    ASSERT_NE(screen(), nullptr);
    EXPECT_EQ(screen()->windowTitle(), QStringLiteral("Calendário para Orçamento"));
    auto* pages = zrm::test::findComponent<QTabWidget>(QStringLiteral("pgcPadrao"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Fases"));
    EXPECT_EQ(columnTexts("dbgPermCalc", 0).constFirst(), QStringLiteral("Dezembro"));
}

TEST_F(PackageTest, englishLanguage_takesTheTextsFromTheResourceModuleBesideThePackage) {
    qputenv("ZRM_LANGUAGE", "en");
    m_server.start(CalendarData::emptyCalendar());
    initialize();
    open();
    ASSERT_NE(screen(), nullptr);
    EXPECT_EQ(screen()->windowTitle(), QStringLiteral("Budget calendar"));
    auto* pages = zrm::test::findComponent<QTabWidget>(QStringLiteral("pgcPadrao"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Phases"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Calculation permission"));
    const QStringList months = columnTexts("dbgPermCalc", 0);
    ASSERT_EQ(months.size(), 12);
    EXPECT_EQ(months.constFirst(), QStringLiteral("December"));
    EXPECT_EQ(months.constLast(), QStringLiteral("January"));
}

TEST_F(PackageTest, englishLanguage_alsoTranslatesTheTimelineTheFrameAndTheDialogs) {
    qputenv("ZRM_LANGUAGE", "en");
    m_server.start(CalendarData::standard());
    initialize();
    open();
    ASSERT_NE(screen(), nullptr);
    // The standard grid screen's own texts.
    auto* operation = zrm::test::findComponent<QAction>(QStringLiteral("mnuOperacao"));
    ASSERT_NE(operation, nullptr);
    EXPECT_EQ(operation->text(), QStringLiteral("&Operation"));
    auto* insert = zrm::test::findComponent<QWidget>(QStringLiteral("sbtIncluir"));
    ASSERT_NE(insert, nullptr);
    EXPECT_EQ(insert->toolTip(), QStringLiteral("Insert (Insert)"));

    // The framework's dialogs: the deletion's confirmation, answered No.
    zrm::test::DialogAnswerer answers;
    QStringList buttons;
    answers.answerNext([&](QWidget* dialog) {
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            buttons << button->text();
        static_cast<QMessageBox*>(dialog)->button(QMessageBox::No)->click();
    });
    auto* remove = zrm::test::findComponent<QAbstractButton>(QStringLiteral("sbtExcluir"));
    ASSERT_NE(remove, nullptr);
    remove->click();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Delete this record?")});
    EXPECT_TRUE(buttons.contains(QStringLiteral("Yes")) && buttons.contains(QStringLiteral("No")))
        << buttons.join(QLatin1Char(',')).toStdString();

    // The timeline screen, through its own entry.
    const auto timeline = entry<ZrmScreenOpenEntry>("IniProcLinhaTempo");
    ASSERT_NE(timeline, nullptr);
    timeline();
    auto* timelineScreen = zrm::test::findComponent<QWidget>(QStringLiteral("TfrmLinhaTempo"));
    ASSERT_NE(timelineScreen, nullptr);
    EXPECT_EQ(timelineScreen->windowTitle(), QStringLiteral("Budget timeline"));
    auto* compare = zrm::test::findComponent<QLabel>(QStringLiteral("lblComparar"));
    ASSERT_NE(compare, nullptr);
    EXPECT_EQ(compare->text(), QStringLiteral("Compare with"));

    // The versions screen, through its own entry: title, pages and the columns' titles.
    const auto versions = entry<ZrmScreenOpenEntry>("IniProcVersoes");
    ASSERT_NE(versions, nullptr);
    answers.answerNext(QMessageBox::Ok);  // for a failed load, were there one
    versions();
    auto* versionsScreen = zrm::test::findComponent<QWidget>(QStringLiteral("TfrmVersoes"));
    ASSERT_NE(versionsScreen, nullptr);
    EXPECT_EQ(versionsScreen->windowTitle(), QStringLiteral("Calendar versions"));
    auto* versionPages = versionsScreen->findChild<QTabWidget*>(QStringLiteral("pgcPadrao"));
    ASSERT_NE(versionPages, nullptr);
    EXPECT_EQ(versionPages->tabText(0), QStringLiteral("Versions"));
    EXPECT_EQ(versionPages->tabText(1), QStringLiteral("Year's cycle"));
    auto* versionGrid = versionsScreen->findChild<QTableView*>(QStringLiteral("dbgPadrao"));
    ASSERT_NE(versionGrid, nullptr);
    EXPECT_EQ(versionGrid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Description"));
    EXPECT_EQ(answers.texts().size(), 1) << answers.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PackageTest, englishLanguage_translatesTheSearchWindowAndTheLibrarysStandardMessages) {
    qputenv("ZRM_LANGUAGE", "en");
    m_server.start(CalendarData::standard());
    initialize();
    const auto timeline = entry<ZrmScreenOpenEntry>("IniProcLinhaTempo");
    ASSERT_NE(timeline, nullptr);

    // A server that does not answer while the screen opens: the utility library's standard message,
    // in an English box.
    const QByteArray serverPort = qgetenv("ZRM_APPSERVER_PORT");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(port));
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    timeline();
    qputenv("ZRM_APPSERVER_PORT", serverPort);
    ASSERT_EQ(answers.texts().size(), 1);
    EXPECT_TRUE(
        answers.texts()[0].startsWith(QStringLiteral("The application server did not answer. Try again.")))
        << answers.texts()[0].toStdString();
    EXPECT_EQ(answers.titles().value(0), QStringLiteral("Error"));
    // The connection layer's detail too.
    EXPECT_TRUE(answers.texts()[0].contains(QStringLiteral("Could not connect to the application server at")))
        << answers.texts()[0].toStdString();
    EXPECT_FALSE(answers.texts()[0].contains(QStringLiteral("servidor"))) << answers.texts()[0].toStdString();

    // The search window of the version, with the server back: title, buttons and caption.
    QStringList texts;
    answers.answerNext([&](QWidget* dialog) {
        texts << dialog->windowTitle();
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            texts << button->text();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            texts << label->text();
        static_cast<QDialog*>(dialog)->reject();
    });
    auto* search = zrm::test::findComponent<QAbstractButton>(QStringLiteral("btnVersao"));
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->toolTip(), QStringLiteral("Search"));
    search->click();
    ASSERT_EQ(answers.pending(), 0);
    for (const QString& english : {QStringLiteral("Version"), QStringLiteral("Select"),
                                   QStringLiteral("Cancel"), QStringLiteral("Find:")})
        EXPECT_TRUE(texts.contains(english)) << texts.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(texts.contains(QStringLiteral("Selecionar")) || texts.contains(QStringLiteral("Procurar:")));
}

TEST_F(PackageTest, timelineWiderThanTheWorkArea_opensInsideIt) {
    m_server.start(CalendarData::standard());
    initialize();
    open();
    const auto timeline = entry<ZrmScreenOpenEntry>("IniProcLinhaTempo");
    ASSERT_NE(timeline, nullptr);
    timeline();
    auto* area = qobject_cast<QMdiArea*>(m_mainWindow.centralWidget());
    const QList<QMdiSubWindow*> windows = area->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    // The timeline is designed 980 pixels wide; the work area is narrower. Both windows lie inside.
    for (const QMdiSubWindow* window : windows)
        EXPECT_TRUE(area->viewport()->rect().contains(window->geometry()))
            << window->widget()->objectName().toStdString() << " at " << window->geometry().x() << ","
            << window->geometry().y() << " " << window->width() << "x" << window->height() << " in "
            << area->viewport()->width() << "x" << area->viewport()->height();
}

TEST_F(PackageTest, languageWithoutResourceModule_fallsBackToPortuguese) {
    qputenv("ZRM_LANGUAGE", "xx");
    m_server.start(CalendarData::emptyCalendar());
    initialize();
    open();
    ASSERT_NE(screen(), nullptr);
    EXPECT_EQ(screen()->windowTitle(), QStringLiteral("Calendário para Orçamento"));
}
