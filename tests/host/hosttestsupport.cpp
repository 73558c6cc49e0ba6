#include "tests/host/hosttestsupport.h"

#include "library/config/hostsettings.h"
#include "tests/host/testpackage/packagelog.h"

#include <QFile>

namespace zrm::hosttest {

ScopedEnvironment::ScopedEnvironment(const char* name, const QString& value)
    : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_oldValue(qgetenv(name)) {
    if (value.isNull()) {
        qunsetenv(name);
    } else {
        qputenv(name, value.toLocal8Bit());
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_wasSet) {
        qputenv(m_name, m_oldValue);
    } else {
        qunsetenv(m_name);
    }
}

HostTest::HostTest() {
    using config::HostSettings;
    for (const char* name :
         {HostSettings::fileVariable, HostSettings::hostVariable, HostSettings::portVariable,
          HostSettings::tokenVariable, HostSettings::operatorVariable, HostSettings::languageVariable,
          HostSettings::todayVariable, testpackage::failVariable}) {
        setEnvironment(name, QString());
    }
    setEnvironment("XDG_CONFIG_HOME", path(QStringLiteral("config")));
    setEnvironment(testpackage::logVariable, path(QStringLiteral("package.log")));
}

// Restores the variables last set first, so a variable set twice gets its original value back.
HostTest::~HostTest() {
    while (!m_environment.empty()) {
        m_environment.pop_back();
    }
}

void HostTest::setEnvironment(const char* name, const QString& value) {
    m_environment.push_back(std::make_unique<ScopedEnvironment>(name, value));
}

QStringList HostTest::packageLog() const {
    QFile file(path(QStringLiteral("package.log")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString HostTest::writeFile(const QString& name, const QByteArray& text) const {
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
    file.write(text);
    return file.fileName();
}

}  // namespace zrm::hosttest
