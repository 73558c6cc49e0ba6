#include "host/mainwindow.h"
#include "host/packageloader.h"
#include "library/config/hostsettings.h"
#include "tests/host/hosttestsupport.h"
#include "tests/host/testpackage/packagelog.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <gtest/gtest.h>

using zrm::host::MainWindow;
using zrm::host::PackageScreen;

namespace {

const QString testPackage = QString::fromUtf8(ZRM_TEST_PACKAGE);

class MainWindowTest : public zrm::hosttest::HostTest {
protected:
    void SetUp() override {
        m_window.setProblemsToStandardError(true);
        QObject::connect(&m_window, &MainWindow::problemReported,
                         [this](const QString& text) { m_problems << text; });
        m_window.show();
        QString error;
        const zrm::host::LoadedPackage* package = m_loader.load(testPackage, &error);
        ASSERT_NE(package, nullptr) << error.toStdString();
        m_window.addScreens(*package);
        m_screen = package->screens.value(0);
    }

    void TearDown() override { exitHost(); }

    // What the host does at exit; nothing more once done.
    void exitHost() {
        m_window.destroyScreens();
        m_loader.unloadAll([this](const QString& problem) { m_problems << problem; });
    }

    QList<QMdiSubWindow*> screens() const { return m_window.mdiArea()->subWindowList(); }

    MainWindow m_window{zrm::config::HostSettings::load()};
    zrm::host::PackageLoader m_loader;
    PackageScreen m_screen;
    QStringList m_problems;
};

TEST_F(MainWindowTest, screenEntry_calledTwice_opensOneScreenAndBringsItBack) {
    QAction* entry = m_window.findChild<QAction*>(QStringLiteral("ZRM00001"));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->text().contains(QStringLiteral("Cadastro de Ações de Teste")));

    entry->trigger();
    ASSERT_EQ(screens().size(), 1);
    QMdiSubWindow* opened = screens().first();
    ASSERT_NE(opened->widget(), nullptr);
    EXPECT_EQ(opened->widget()->objectName(), QStringLiteral("TfrmTeste"));
    EXPECT_TRUE(opened->isVisible());

    opened->showMinimized();
    ASSERT_TRUE(opened->isMinimized());
    EXPECT_TRUE(m_window.openScreen(m_screen));

    ASSERT_EQ(screens().size(), 1);
    EXPECT_EQ(screens().first(), opened);
    EXPECT_FALSE(opened->isMinimized());
    EXPECT_EQ(m_window.mdiArea()->activeSubWindow(), opened);
    EXPECT_EQ(packageLog().count(QStringLiteral("IniProc")), 2);
    EXPECT_TRUE(m_problems.isEmpty()) << m_problems.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, openScreen_whenTheEntryFails_reportsItAndOpensNothing) {
    setEnvironment(zrm::testpackage::failVariable, QStringLiteral("IniProc"));

    EXPECT_FALSE(m_window.openScreen(m_screen));

    ASSERT_EQ(m_problems.size(), 1);
    EXPECT_TRUE(m_problems.first().contains(QStringLiteral("ZRM00001")));
    EXPECT_TRUE(m_problems.first().contains(QStringLiteral("falha simulada na abertura")));
    EXPECT_TRUE(screens().isEmpty());

    // A failure without a message is a silent stop.
    setEnvironment(zrm::testpackage::failVariable, QStringLiteral("IniProcSilent"));
    EXPECT_FALSE(m_window.openScreen(m_screen));
    EXPECT_EQ(m_problems.size(), 1);
    EXPECT_TRUE(screens().isEmpty());
}

TEST_F(MainWindowTest, exit_destroysEveryScreenBeforeTheUnloadEntry) {
    ASSERT_TRUE(m_window.openScreen(m_screen));
    // Closed by the user: its deletion is still pending when the host exits.
    m_window.mdiArea()->closeAllSubWindows();

    exitHost();

    EXPECT_TRUE(screens().isEmpty());
    EXPECT_TRUE(packageLog().contains(QStringLiteral("Finalize screen=none")))
        << packageLog().join(QLatin1Char(',')).toStdString();
}

TEST_F(MainWindowTest, exit_withAScreenStillOpen_destroysItBeforeTheUnloadEntry) {
    ASSERT_TRUE(m_window.openScreen(m_screen));

    exitHost();

    EXPECT_TRUE(screens().isEmpty());
    EXPECT_EQ(packageLog().filter(QStringLiteral("Finalize")),
              QStringList{QStringLiteral("Finalize screen=none")});
}

// A screen that refuses to close while it holds unsaved work.
class BusyScreen : public QWidget {
public:
    bool refuse = true;

protected:
    void closeEvent(QCloseEvent* event) override { event->setAccepted(!refuse); }
};

TEST_F(MainWindowTest, close_whileAScreenRefuses_keepsTheWindowAndTheScreens) {
    ASSERT_TRUE(m_window.openScreen(m_screen));
    auto* busy = new BusyScreen;
    m_window.mdiArea()->addSubWindow(busy)->show();

    EXPECT_FALSE(m_window.close());
    EXPECT_TRUE(m_window.isVisible());
    EXPECT_FALSE(busy->isHidden());

    busy->refuse = false;
    EXPECT_TRUE(m_window.close());
    EXPECT_FALSE(m_window.isVisible());
}

// A second screen of another package for the tiling test: a plain window of its own in the work area.
QMdiArea* otherScreenArea = nullptr;
void openOtherScreen() {
    auto* screen = new QLabel(QStringLiteral("Outra tela"));
    screen->setObjectName(QStringLiteral("ZRM00002"));
    otherScreenArea->addSubWindow(screen)->resize(700, 500);
    screen->show();
}

TEST_F(MainWindowTest, openScreens_allOrTheNamedOnes_tiledSoNoneHidesAnother) {
    otherScreenArea = m_window.mdiArea();
    zrm::host::LoadedPackage other{QStringLiteral("Pkg_Outro"), QString(), {}, {}};
    other.screens << PackageScreen{other.name, QStringLiteral("ZRM00002"), QStringLiteral("Outra tela"),
                                   &openOtherScreen};
    m_window.addScreens(other);

    m_window.openScreens({QStringLiteral("ZRM00002")});
    ASSERT_EQ(screens().size(), 1);
    EXPECT_EQ(screens().first()->widget()->objectName(), QStringLiteral("ZRM00002"));
    m_window.destroyScreens();

    m_window.openScreens();
    ASSERT_EQ(screens().size(), 2);
    const QRect area = m_window.mdiArea()->viewport()->rect();
    EXPECT_TRUE(area.contains(screens()[0]->geometry()));
    EXPECT_TRUE(area.contains(screens()[1]->geometry()));
    EXPECT_FALSE(screens()[0]->geometry().intersects(screens()[1]->geometry()));
    EXPECT_TRUE(m_problems.isEmpty()) << m_problems.join(QLatin1Char('\n')).toStdString();

    m_window.openScreens({QStringLiteral("ZRM77777")});
    EXPECT_EQ(m_problems, QStringList{QStringLiteral("Nenhum pacote carregado tem a tela ZRM77777.")});
}

TEST(MainWindowLanguage, englishSetting_translatesTitleMenusAndStatusBar) {
    qputenv("ZRM_LANGUAGE", "en");
    qputenv("ZRM_OPERATOR", "MARIA");
    const MainWindow english(zrm::config::HostSettings::load());
    qunsetenv("ZRM_LANGUAGE");
    const MainWindow portuguese(zrm::config::HostSettings::load());
    qunsetenv("ZRM_OPERATOR");

    EXPECT_EQ(english.windowTitle(), QStringLiteral("ZRM System"));
    EXPECT_EQ(english.findChild<QMenu*>(QStringLiteral("mnuTelas"))->title(), QStringLiteral("&Screens"));
    EXPECT_EQ(english.findChild<QMenu*>(QStringLiteral("mnuJanela"))->title(), QStringLiteral("&Window"));
    EXPECT_EQ(english.findChild<QAction*>(QStringLiteral("mnuSair"))->text(), QStringLiteral("E&xit"));
    EXPECT_TRUE(english.findChild<QLabel*>(QStringLiteral("lblServidor"))
                    ->text()
                    .startsWith(QStringLiteral("Application server: ")));
    EXPECT_TRUE(english.findChild<QLabel*>(QStringLiteral("lblServidor"))
                    ->text()
                    .endsWith(QStringLiteral("Operator: MARIA")));

    EXPECT_EQ(portuguese.windowTitle(), QStringLiteral("Sistema ZRM"));
    EXPECT_EQ(portuguese.findChild<QMenu*>(QStringLiteral("mnuTelas"))->title(), QStringLiteral("&Telas"));
    EXPECT_TRUE(portuguese.findChild<QLabel*>(QStringLiteral("lblServidor"))
                    ->text()
                    .startsWith(QStringLiteral("Servidor de aplicação: ")));
}

}  // namespace
