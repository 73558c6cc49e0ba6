#include "library/config/hostsettings.h"
#include "tests/host/hosttestsupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

using zrm::config::HostSettings;

namespace {

class HostSettingsTest : public zrm::hosttest::HostTest {
protected:
    // A settings file with every value, named by ZRM_HOST_SETTINGS.
    QString useCompleteFile() {
        const QString file = writeFile(QStringLiteral("zrm-host.ini"),
                                       "[appserver]\n"
                                       "host=servidor.interno\n"
                                       "port=8100\n"
                                       "token=segredo-do-arquivo\n"
                                       "[session]\n"
                                       "operator=maria\n"
                                       "language=en\n"
                                       "[packages]\n"
                                       "load=pacotes/libPkg_Zrm71300.so, /opt/zrm/libOutro.so\n");
        setEnvironment(HostSettings::fileVariable, file);
        return file;
    }
};

TEST_F(HostSettingsTest, load_withoutEnvironmentOrFile_givesTheDefaults) {
    const HostSettings settings = HostSettings::load();

    EXPECT_EQ(settings.appServerHost(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(settings.appServerPort(), 7130);
    EXPECT_TRUE(settings.appServerToken().isEmpty());
    EXPECT_FALSE(settings.operatorCode().isEmpty());
    EXPECT_TRUE(settings.language().isEmpty());
    EXPECT_TRUE(settings.packages().isEmpty());
    EXPECT_TRUE(settings.filePath().isEmpty());
    EXPECT_TRUE(settings.warnings().isEmpty()) << settings.warnings().join(QLatin1Char('\n')).toStdString();
}

TEST_F(HostSettingsTest, load_withFile_takesEveryValueFromTheFile) {
    const QString file = useCompleteFile();

    const HostSettings settings = HostSettings::load();

    EXPECT_EQ(settings.filePath(), file);
    EXPECT_EQ(settings.appServerHost(), QStringLiteral("servidor.interno"));
    EXPECT_EQ(settings.appServerPort(), 8100);
    EXPECT_EQ(settings.appServerToken(), QStringLiteral("segredo-do-arquivo"));
    EXPECT_EQ(settings.operatorCode(), QStringLiteral("maria"));
    EXPECT_EQ(settings.language(), QStringLiteral("en"));
    // A relative package path is taken from the file's folder, not from the working folder.
    EXPECT_EQ(settings.packages(), QStringList({m_dir.filePath(QStringLiteral("pacotes/libPkg_Zrm71300.so")),
                                                QStringLiteral("/opt/zrm/libOutro.so")}));
    EXPECT_TRUE(settings.warnings().isEmpty());
}

TEST_F(HostSettingsTest, load_withEnvironmentAndFile_prefersTheEnvironment) {
    useCompleteFile();
    setEnvironment(HostSettings::hostVariable, QStringLiteral("10.1.2.3"));
    setEnvironment(HostSettings::portVariable, QStringLiteral("9000"));
    setEnvironment(HostSettings::tokenVariable, QStringLiteral("segredo-do-ambiente"));
    setEnvironment(HostSettings::operatorVariable, QStringLiteral("joao"));
    setEnvironment(HostSettings::languageVariable, QStringLiteral("es"));

    const HostSettings settings = HostSettings::load();

    EXPECT_EQ(settings.appServerHost(), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(settings.appServerPort(), 9000);
    EXPECT_EQ(settings.appServerToken(), QStringLiteral("segredo-do-ambiente"));
    EXPECT_EQ(settings.operatorCode(), QStringLiteral("joao"));
    EXPECT_EQ(settings.language(), QStringLiteral("es"));
    EXPECT_EQ(settings.packages().size(), 2);
}

TEST_F(HostSettingsTest, load_withEmptyVariables_treatsThemAsUnset) {
    useCompleteFile();
    setEnvironment(HostSettings::hostVariable, QStringLiteral(""));
    setEnvironment(HostSettings::portVariable, QStringLiteral(""));

    const HostSettings settings = HostSettings::load();

    EXPECT_EQ(settings.appServerHost(), QStringLiteral("servidor.interno"));
    EXPECT_EQ(settings.appServerPort(), 8100);
    EXPECT_TRUE(settings.warnings().isEmpty());
}

TEST_F(HostSettingsTest, load_withPartialFile_fillsTheRestFromDefaults) {
    setEnvironment(HostSettings::fileVariable,
                   writeFile(QStringLiteral("parcial.ini"), "[appserver]\nhost=outro.servidor\n"));

    const HostSettings settings = HostSettings::load();

    EXPECT_EQ(settings.appServerHost(), QStringLiteral("outro.servidor"));
    EXPECT_EQ(settings.appServerPort(), 7130);
    EXPECT_TRUE(settings.language().isEmpty());
}

TEST_F(HostSettingsTest, load_withInvalidPorts_passesToTheNextSourceAndWarns) {
    useCompleteFile();
    setEnvironment(HostSettings::portVariable, QStringLiteral("setenta"));

    const HostSettings fromFile = HostSettings::load();
    EXPECT_EQ(fromFile.appServerPort(), 8100);
    ASSERT_EQ(fromFile.warnings().size(), 1);
    EXPECT_TRUE(fromFile.warnings().first().contains(QStringLiteral("setenta")));

    setEnvironment(HostSettings::portVariable, QStringLiteral("70000"));
    setEnvironment(HostSettings::fileVariable,
                   writeFile(QStringLiteral("porta.ini"), "[appserver]\nport=0\n"));
    const HostSettings fromDefaults = HostSettings::load();
    EXPECT_EQ(fromDefaults.appServerPort(), 7130);
    EXPECT_EQ(fromDefaults.warnings().size(), 2);
}

TEST_F(HostSettingsTest, load_today_fromTheEnvironmentOrTheFileElseTheClock) {
    const QDate clockBefore = QDate::currentDate();
    const QDate fromClock = HostSettings::load().today();
    EXPECT_TRUE(fromClock == clockBefore || fromClock == QDate::currentDate());

    setEnvironment(HostSettings::fileVariable,
                   writeFile(QStringLiteral("dia.ini"), "[session]\ntoday=2031-02-03\n"));
    EXPECT_EQ(HostSettings::load().today(), QDate(2031, 2, 3));

    setEnvironment(HostSettings::todayVariable, QStringLiteral("2030-01-01"));
    EXPECT_EQ(HostSettings::load().today(), QDate(2030, 1, 1));

    // What is no date is passed over for the next source, with a warning naming it.
    setEnvironment(HostSettings::todayVariable, QStringLiteral("2030-02-30"));
    const HostSettings refused = HostSettings::load();
    EXPECT_EQ(refused.today(), QDate(2031, 2, 3));
    ASSERT_EQ(refused.warnings().size(), 1);
    EXPECT_TRUE(refused.warnings().first().contains(QStringLiteral("2030-02-30")));
}

TEST_F(HostSettingsTest, load_withNamedFileMissing_warnsAndUsesDefaults) {
    const QString missing = path(QStringLiteral("nao-existe.ini"));
    setEnvironment(HostSettings::fileVariable, missing);

    const HostSettings settings = HostSettings::load();

    EXPECT_EQ(settings.appServerHost(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(settings.filePath().isEmpty());
    ASSERT_EQ(settings.warnings().size(), 1);
    EXPECT_TRUE(settings.warnings().first().contains(missing));
}

TEST_F(HostSettingsTest, load_withoutNamedFile_readsTheApplicationConfigurationFolder) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // The configuration folder must be the test's own, never the user's.
    ASSERT_TRUE(folder.startsWith(m_dir.path())) << folder.toStdString();
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(QStringLiteral("zrm-host.ini"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[session]\noperator=ana\n");
    out.close();

    EXPECT_EQ(HostSettings::settingsFilePath(), file);
    const HostSettings settings = HostSettings::load();
    EXPECT_EQ(settings.operatorCode(), QStringLiteral("ana"));
    EXPECT_EQ(settings.filePath(), file);
}

}  // namespace
