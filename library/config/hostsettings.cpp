#include "library/config/hostsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace zrm::config {

namespace {

// A variable's value, or a null string when it is unset or empty.
QString environmentValue(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString() : value;
}

// The name of the user running the process, as the system knows it.
QString systemUserName() {
#ifdef Q_OS_UNIX
    // The password database first: containers and services often run without USER set.
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name) {
        return QString::fromLocal8Bit(entry->pw_name);
    }
#endif
    for (const char* name : {"USER", "LOGNAME", "USERNAME"}) {
        if (QString value = environmentValue(name); !value.isNull()) {
            return value;
        }
    }
    return {};
}

// The port in text, or none when it is not a number from 1 to 65535.
std::optional<quint16> parsePort(const QString& text) {
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    return ok && port >= 1 && port <= 65535 ? std::optional<quint16>(static_cast<quint16>(port))
                                            : std::nullopt;
}

// The date in text (YYYY-MM-DD), or none when it is no such date.
std::optional<QDate> parseDate(const QString& text) {
    const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

// The value of the first of sources (the source's name, its text; a null text gives nothing) that
// parse accepts, else fallback. Each text parse refuses adds refusal to warnings, with the text for
// %1 and the source's name for %2.
template <class T, class Parse>
T firstAccepted(std::initializer_list<std::pair<QString, QString>> sources, Parse parse,
                const QString& refusal, QStringList* warnings, T fallback) {
    for (const auto& [source, text] : sources) {
        if (text.isNull()) {
            continue;
        }
        if (const std::optional<T> value = parse(text)) {
            return *value;
        }
        *warnings << refusal.arg(text, source);
    }
    return fallback;
}

// The first non-null value of the list (environment, file), else fallback.
QString firstOf(std::initializer_list<QString> values, const QString& fallback) {
    for (const QString& value : values) {
        if (!value.isNull()) {
            return value;
        }
    }
    return fallback;
}

// A text value of the settings file, or a null string when the file has none or an empty one.
QString fileValue(const QSettings* file, const char* key) {
    if (!file) {
        return {};
    }
    const QString value = file->value(QString::fromLatin1(key)).toString();
    return value.isEmpty() ? QString() : value;
}

// The settings file at path, or nullptr when there is none or it cannot be read. Adds a warning for a
// file that cannot be read, and for a missing file that ZRM_HOST_SETTINGS names on purpose (the default
// locations may well be empty).
std::unique_ptr<QSettings> openSettingsFile(const QString& path, QStringList* warnings) {
    if (path.isEmpty()) {
        return nullptr;
    }
    if (!QFileInfo(path).isFile()) {
        if (!environmentValue(HostSettings::fileVariable).isNull()) {
            *warnings << QStringLiteral(
                             "O arquivo de configurações \"%1\" não existe ou não é um arquivo; valem os "
                             "valores do ambiente e os padrões.")
                             .arg(path);
        }
        return nullptr;
    }
    auto file = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (file->status() != QSettings::NoError) {
        *warnings << QStringLiteral(
                         "O arquivo de configurações \"%1\" não pôde ser lido; valem os valores do ambiente "
                         "e os padrões.")
                         .arg(path);
        return nullptr;
    }
    return file;
}

}  // namespace

QString HostSettings::settingsFilePath() {
    if (QString named = environmentValue(fileVariable); !named.isNull()) {
        return named;
    }
    if (!QCoreApplication::instance()) {
        return {};
    }
    const QString fileNameText = QString::fromLatin1(fileName);
    QString besideExecutable = QDir(QCoreApplication::applicationDirPath()).filePath(fileNameText);
    if (QFileInfo::exists(besideExecutable)) {
        return besideExecutable;
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(fileNameText);
}

HostSettings HostSettings::load() {
    HostSettings settings;

    const QString path = settingsFilePath();
    const std::unique_ptr<QSettings> file = openSettingsFile(path, &settings.m_warnings);
    if (file) {
        settings.m_filePath = path;
    }

    settings.m_appServerHost =
        firstOf({environmentValue(hostVariable), fileValue(file.get(), "appserver/host")},
                QString::fromLatin1(defaultHost));
    settings.m_appServerToken =
        firstOf({environmentValue(tokenVariable), fileValue(file.get(), "appserver/token")}, QString());
    settings.m_operatorCode = firstOf(
        {environmentValue(operatorVariable), fileValue(file.get(), "session/operator")}, systemUserName());
    settings.m_language =
        firstOf({environmentValue(languageVariable), fileValue(file.get(), "session/language")}, QString());

    settings.m_today = firstAccepted<QDate>(
        {{QString::fromLatin1(todayVariable), environmentValue(todayVariable)},
         {QStringLiteral("today (arquivo de configurações)"), fileValue(file.get(), "session/today")}},
        parseDate, QStringLiteral("A data \"%1\" de %2 não é uma data AAAA-MM-DD e foi ignorada."),
        &settings.m_warnings, QDate::currentDate());
    settings.m_appServerPort = firstAccepted<quint16>(
        {{QString::fromLatin1(portVariable), environmentValue(portVariable)},
         {QStringLiteral("port (arquivo de configurações)"), fileValue(file.get(), "appserver/port")}},
        parsePort, QStringLiteral("A porta \"%1\" de %2 não é um número de 1 a 65535 e foi ignorada."),
        &settings.m_warnings, defaultPort);

    if (file) {
        const QDir fileFolder = QFileInfo(settings.m_filePath).absoluteDir();
        for (const QString& entry : file->value(QStringLiteral("packages/load")).toStringList()) {
            if (const QString package = entry.trimmed(); !package.isEmpty()) {
                settings.m_packages << QDir::cleanPath(fileFolder.absoluteFilePath(package));
            }
        }
    }
    return settings;
}

}  // namespace zrm::config
