#pragma once

// The host's settings as the whole process sees them: where the application server is, who works and
// in which language, which screen packages the host loads. The host and the packages it loads read
// them through this class, so both always agree.
//
// Every value comes from the first of these sources that gives one:
//   1. the environment: ZRM_APPSERVER_HOST, ZRM_APPSERVER_PORT, ZRM_APPSERVER_TOKEN, ZRM_OPERATOR,
//      ZRM_LANGUAGE, ZRM_TODAY (an empty variable counts as unset);
//   2. the settings file, an INI file:
//        [appserver]  host=…  port=…  token=…
//        [session]    operator=…  language=…  today=YYYY-MM-DD
//        [packages]   load=path, path, …   (relative paths are taken from the file's folder)
//      found at ZRM_HOST_SETTINGS when that is set, else zrm-host.ini beside the executable when it
//      exists, else zrm-host.ini in the application's configuration folder;
//   3. the defaults: 127.0.0.1, port 7130, no token, the system user's name, Portuguese (an empty
//      language), the system clock's date, no packages.

#include <QDate>
#include <QString>
#include <QStringList>

namespace zrm::config {

class HostSettings {
public:
    // Organization and application names the host gives its QApplication; the configuration folder
    // (and so the settings file) follows from them.
    static constexpr char organizationName[] = "zrm";
    static constexpr char applicationName[] = "zrm-host";
    // Names of the settings file and of the variables that name or override it.
    static constexpr char fileName[] = "zrm-host.ini";
    static constexpr char fileVariable[] = "ZRM_HOST_SETTINGS";
    static constexpr char hostVariable[] = "ZRM_APPSERVER_HOST";
    static constexpr char portVariable[] = "ZRM_APPSERVER_PORT";
    static constexpr char tokenVariable[] = "ZRM_APPSERVER_TOKEN";
    static constexpr char operatorVariable[] = "ZRM_OPERATOR";
    static constexpr char languageVariable[] = "ZRM_LANGUAGE";
    static constexpr char todayVariable[] = "ZRM_TODAY";
    static constexpr char defaultHost[] = "127.0.0.1";
    static constexpr quint16 defaultPort = 7130;

    // Reads the settings now, from the environment, the settings file and the defaults. Never fails:
    // an unreadable or missing file gives no values, and a value that makes no sense (a port that is
    // not a number from 1 to 65535) is passed over for the next source; each such case adds a
    // sentence to warnings(). Reads the file locations from the application object's names and
    // folder when one exists. Fires nothing.
    static HostSettings load();

    // The settings file that load() reads: the path named by ZRM_HOST_SETTINGS when set, else
    // zrm-host.ini beside the executable when that exists, else zrm-host.ini in the application's
    // configuration folder (which may not exist either). Empty only when no variable names a file and
    // no application object exists.
    static QString settingsFilePath();

    // Host name or address of the application server.
    const QString& appServerHost() const { return m_appServerHost; }
    // TCP port of the application server, 1 to 65535.
    quint16 appServerPort() const { return m_appServerPort; }
    // Bearer token the connection presents to the server; empty for none.
    const QString& appServerToken() const { return m_appServerToken; }
    // Code of the operator who works in this session.
    const QString& operatorCode() const { return m_operatorCode; }
    // The user's language ("en", "es", …); empty for Portuguese, the language of the built-in texts.
    const QString& language() const { return m_language; }
    // The session's date, "today" for every screen: the date set (ISO 8601, YYYY-MM-DD) when one is,
    // else the system clock's date when the settings were loaded. Setting it lets a whole session
    // (or a test) work as on another day.
    QDate today() const { return m_today; }
    // Paths of the screen packages the host loads at start, in order.
    const QStringList& packages() const { return m_packages; }
    // The settings file that was read; empty when there was none.
    const QString& filePath() const { return m_filePath; }
    // Portuguese sentences about values and files that could not be used, for the host to show.
    const QStringList& warnings() const { return m_warnings; }

private:
    QString m_appServerHost;
    quint16 m_appServerPort = defaultPort;
    QString m_appServerToken;
    QString m_operatorCode;
    QString m_language;
    QDate m_today;
    QStringList m_packages;
    QString m_filePath;
    QStringList m_warnings;
};

}  // namespace zrm::config
