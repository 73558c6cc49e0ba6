// The zrm-host executable as a user or a script runs it.

#include "tests/host/hosttestsupport.h"
#include "tests/host/testpackage/packagelog.h"

#include <QFile>
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

TEST_F(ZrmHostTest, screenOption_opensTheNamedScreenOnlyAndReportsAnUnknownCode) {
    const QString named = path(QStringLiteral("nomeada.png"));
    const HostRun run = runHost({QStringLiteral("--package"), testPackage, QStringLiteral("--screen"),
                                 QStringLiteral("ZRM00001"), QStringLiteral("--screenshot"), named});
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(packageLog().count(QStringLiteral("IniProc")), 1);

    QFile::remove(path(QStringLiteral("package.log")));
    const QString unknown = path(QStringLiteral("desconhecida.png"));
    const HostRun wrong = runHost({QStringLiteral("--package"), testPackage, QStringLiteral("--screen"),
                                   QStringLiteral("ZRM99999"), QStringLiteral("--screenshot"), unknown});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.standardError.contains(QStringLiteral("Nenhum pacote carregado tem a tela ZRM99999.")))
        << wrong.standardError.toStdString();
    // The package loaded, and nothing opened.
    EXPECT_TRUE(packageLog().contains(QStringLiteral("Initialize")));
    EXPECT_EQ(packageLog().count(QStringLiteral("IniProc")), 0);
}

TEST_F(ZrmHostTest, englishSetting_reportsPackageLoaderErrorsInEnglish) {
    setEnvironment("ZRM_HOST_SETTINGS", writeFile(QStringLiteral("en.ini"), "[session]\nlanguage=en\n"));
    const QString missing = path(QStringLiteral("libPkg_NaoExiste.so"));
    const HostRun run = runHost({QStringLiteral("--package"), brokenPackage, QStringLiteral("--package"),
                                 missing, QStringLiteral("--screenshot"), path(QStringLiteral("en.png"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("the entry IniProc is missing")))
        << run.standardError.toStdString();
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("The package \"%1\" was not found.").arg(missing)))
        << run.standardError.toStdString();
    EXPECT_FALSE(run.standardError.contains(QStringLiteral("não")));

    // The command line's help too.
    QProcess help;
    help.start(hostBinary, {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(60000));
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Opens the screen with the code CODE"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Abre"))) << text.toStdString();
}

// The smallest rectangle holding every pixel where the two pictures differ (empty when they are equal).
QRect differingArea(const QImage& first, const QImage& second) {
    QRect area;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            if (first.pixel(x, y) != second.pixel(x, y))
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

// A screen that cannot reach its server shows a modal error box while it opens, or right after from
// the event loop. An unattended run must not wait for someone to answer it.
class ZrmHostErrorBoxTest : public ZrmHostTest, public testing::WithParamInterface<const char*> {};

TEST_P(ZrmHostErrorBoxTest, screenshot_withAnErrorBox_drawsItTellsItAndEndsFailed) {
    const QString screenOnly = path(QStringLiteral("tela.png"));
    ASSERT_EQ(runHost({QStringLiteral("--package"), testPackage, QStringLiteral("--open"),
                       QStringLiteral("--screenshot"), screenOnly})
                  .exitCode,
              0);

    setEnvironment(zrm::testpackage::failVariable, QString::fromLatin1(GetParam()));
    const QString withBox = path(QStringLiteral("erro.png"));
    const HostRun run = runHost({QStringLiteral("--package"), testPackage, QStringLiteral("--open"),
                                 QStringLiteral("--screenshot"), withBox});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardError.contains(QStringLiteral("O servidor de aplicação não responde.")))
        << run.standardError.toStdString();
    const QImage picture(withBox);
    ASSERT_EQ(picture.size(), QSize(1200, 800));
    // The box is drawn over the window: the pictures differ in a box-sized area only.
    const QRect box = differingArea(picture, QImage(screenOnly).convertToFormat(picture.format()));
    EXPECT_FALSE(box.isEmpty());
    EXPECT_LT(box.width(), picture.width() / 2);
    EXPECT_LT(box.height(), picture.height() / 2);
    // The box was dismissed, not left waiting, and the host then closed down in order.
    const QStringList log = packageLog();
    EXPECT_EQ(log.mid(log.size() - 3),
              QStringList({QStringLiteral("Error box answered other"), QStringLiteral("Finalize screen=none"),
                           QStringLiteral("Cli_ZrmTeste finalization")}));
}

INSTANTIATE_TEST_SUITE_P(WhileOpeningOrAfter, ZrmHostErrorBoxTest,
                         testing::Values("IniProcErrorBox", "IniProcErrorBoxLater"));

TEST_F(ZrmHostTest, packages_fromTheSettingsFile_areLoadedWithoutCommandLine) {
    setEnvironment("ZRM_HOST_SETTINGS", writeFile(QStringLiteral("pacotes.ini"),
                                                  "[packages]\nload=" + testPackage.toUtf8() + "\n"));

    const HostRun run =
        runHost({QStringLiteral("--open"), QStringLiteral("--screenshot"), path(QStringLiteral("t.png"))});

    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    EXPECT_EQ(packageLog().count(QStringLiteral("IniProc")), 1);
}

}  // namespace
