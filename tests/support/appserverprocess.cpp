#include "tests/support/appserverprocess.h"

#include <QDeadlineTimer>
#include <QFile>

namespace zrm::test {

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int CommandTimeoutMs = 60000;
const QString Announcement = QStringLiteral("listening on ");

}  // namespace

AppServerProcess::AppServerProcess() = default;

AppServerProcess::~AppServerProcess() {
    if (isRunning())
        stop();
}

QString AppServerProcess::binary() {
#ifdef ZRM_APPSERVER_BINARY
    return QStringLiteral(ZRM_APPSERVER_BINARY);
#else
    return QStringLiteral("zrm-appserver");
#endif
}

int AppServerProcess::runCommand(const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(binary(), arguments);
    const bool finished = process.waitForStarted() && process.waitForFinished(CommandTimeoutMs);
    if (!finished)
        process.kill();
    process.waitForFinished();
    if (output)
        *output = QString::fromUtf8(process.readAll());
    if (!finished || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

bool AppServerProcess::start(const Options& options, QString* error) {
    m_options = options;
    if (m_options.dbUrl.isEmpty())
        m_options.dbUrl = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("calendar.sqlite"));
    if (!m_options.dataFile.isEmpty()) {
        QString output;
        const int status = runCommand({QStringLiteral("import"), QStringLiteral("--db"), m_options.dbUrl,
                                       QStringLiteral("--replace"), m_options.dataFile},
                                      &output);
        if (status != 0) {
            if (error)
                *error = QStringLiteral("import failed (%1): %2").arg(status).arg(output);
            return false;
        }
    }
    if (!m_options.token.isEmpty()) {
        QFile tokenFile(m_dir.filePath(QStringLiteral("token")));
        if (!tokenFile.open(QIODevice::WriteOnly) || tokenFile.write(m_options.token.toUtf8() + "\n") < 0) {
            if (error)
                *error = QStringLiteral("cannot write the token file");
            return false;
        }
    }
    return launch(error);
}

bool AppServerProcess::restart(QString* error) {
    if (isRunning())
        stop();
    return launch(error);
}

bool AppServerProcess::launch(QString* error) {
    QStringList arguments = {QStringLiteral("serve"), QStringLiteral("--db"), m_options.dbUrl,
                             QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
    if (!m_options.today.isEmpty())
        arguments << QStringLiteral("--today") << m_options.today;
    if (!m_options.token.isEmpty())
        arguments << QStringLiteral("--token-file") << m_dir.filePath(QStringLiteral("token"));
    arguments << m_options.extraServeArguments;

    m_port = 0;
    m_process = std::make_unique<QProcess>();
    m_process->setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
    m_process->start(binary(), arguments);
    QByteArray announced;
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired()) {
        const int newline = announced.indexOf('\n');
        if (newline >= 0) {
            const QString line = QString::fromUtf8(announced.left(newline)).trimmed();
            if (line.startsWith(Announcement))
                m_port = line.mid(line.lastIndexOf(QLatin1Char(':')) + 1).toUShort();
            break;
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
        m_process->waitForReadyRead(static_cast<int>(qMin<qint64>(deadline.remainingTime(), 200)));
        announced += m_process->readAllStandardOutput();
    }
    if (m_port == 0) {
        if (error) {
            *error = QStringLiteral("the server did not announce its port: %1%2")
                         .arg(QString::fromUtf8(announced), serverLog());
        }
        kill();
        return false;
    }
    return true;
}

int AppServerProcess::stop(int timeoutMs) {
    if (!m_process)
        return -1;
    m_process->terminate();
    if (!m_process->waitForFinished(timeoutMs)) {
        kill();
        return -1;
    }
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

void AppServerProcess::kill() {
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished();
}

bool AppServerProcess::isRunning() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

QString AppServerProcess::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString AppServerProcess::serverLog() const {
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

bool AppServerProcess::exportTo(const QString& path, QString* error) const {
    QString output;
    const int status =
        runCommand({QStringLiteral("export"), QStringLiteral("--db"), m_options.dbUrl, path}, &output);
    if (status != 0 && error)
        *error = output;
    return status == 0;
}

}  // namespace zrm::test
