// The zrm-host executable as a user or a script runs it.

#include "tests/host/hosttestsupport.h"
#include "tests/host/testpackage/packagelog.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QString hostBinary = QString::fromUtf8(ZRM_HOST_BINARY);
const QString testPackage = QString::fromUtf8(ZRM_TEST_PACKAGE);
const QString brokenPackage = QString::fromUtf8(ZRM_BROKEN_PACKAGE);

struct HostRun {
    int exitCode = -1;
    QString standardError;
};

class ZrmHostTest : public zrm::hosttest::HostTest {
protected:
    ZrmHostTest() {
        // An empty settings file of the test's own: nothing from the machine's configuration.
        setEnvironment("ZRM_HOST_SETTINGS", writeFile(QStringLiteral("zrm-host.ini"), ""));
        setEnvironment("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    }

    HostRun runHost(const QStringList& arguments) {
        QProcess host;
        host.start(hostBinary, arguments);
        EXPECT_TRUE(host.waitForFinished(60000)) << host.errorString().toStdString();
        const HostRun run{host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1,
                          QString::fromLocal8Bit(host.readAllStandardError())};
        return run;
    }
};

TEST_F(ZrmHostTest, screenshot_withTestPackageOpen_writesTheWindowWithItsScreen) {
    const QString withScreen = path(QStringLiteral("com-tela.png"));
    const HostRun run = runHost({QStringLiteral("--package"), testPackage, QStringLiteral("--open"),
                                 QStringLiteral("--screenshot"), withScreen});

    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QImage picture(withScreen);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(1200, 800));
    // The host opened the screen once, and destroyed it before the package's unload entry.
    EXPECT_EQ(packageLog(),
              QStringList({QStringLiteral("Initialize"), QStringLiteral("Cli_ZrmTeste initialization"),
                           QStringLiteral("IniProc"), QStringLiteral("Finalize screen=none"),
                           QStringLiteral("Cli_ZrmTeste finalization")}));

    // Without --open the work area stays empty: the screen is what makes the pictures differ.
    const QString withoutScreen = path(QStringLiteral("sem-tela.png"));
    ASSERT_EQ(
        runHost({QStringLiteral("--package"), testPackage, QStringLiteral("--screenshot"), withoutScreen})
            .exitCode,
        0);
    const QImage empty(withoutScreen);
    EXPECT_EQ(empty.size(), picture.size());
    EXPECT_NE(empty, picture);
}

TEST_F(ZrmHostTest, screenshot_withBrokenAndMissingPackages_explainsAndFails) {
    const QString picture = path(QStringLiteral("tela.png"));
    const QString missing = path(QStringLiteral("libPkg_NaoExiste.so"));
    const HostRun run = runHost({QStringLiteral("--package"), brokenPackage, QStringLiteral("--package"),
                                 missing, QStringLiteral("--package"), testPackage, QStringLiteral("--open"),
                                 QStringLiteral("--screenshot"), picture});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("falta a entrada IniProc")))
        << run.standardError.toStdString();
    EXPECT_TRUE(run.standardError.contains(missing));
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("não foi encontrado")));
    // The good package still loads and opens, and the picture is written all the same.
    EXPECT_EQ(packageLog().count(QStringLiteral("IniProc")), 1);
    EXPECT_FALSE(QImage(picture).isNull());
}

TEST_F(ZrmHostTest, packages_fromTheSettingsFile_areLoadedWithoutCommandLine) {
    setEnvironment("ZRM_HOST_SETTINGS", writeFile(QStringLiteral("pacotes.ini"),
                                                  "[packages]\nload=" + testPackage.toUtf8() + "\n"));

    const HostRun run =
        runHost({QStringLiteral("--open"), QStringLiteral("--screenshot"), path(QStringLiteral("t.png"))});

    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(packageLog().count(QStringLiteral("IniProc")), 1);
}

}  // namespace
