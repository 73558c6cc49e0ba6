#pragma once

// The real application server for tests: imports a data file of the test's own into a fresh
// database, starts `zrm-appserver serve` on an ephemeral loopback port with a fixed "today", reads the
// port it announces, and stops or kills it. Needs a QCoreApplication (or QApplication) instance.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace zrm::test {

class AppServerProcess {
public:
    struct Options {
        QString dataFile;  // imported with --replace before serving; empty: none
        QString today = QStringLiteral("2026-03-15");
        QString dbUrl;                    // empty: an SQLite file in this object's temporary folder
        QString token;                    // not empty: served with --token-file holding it
        QStringList extraServeArguments;  // more options for serve
    };

    AppServerProcess();
    // Stops a running server (SIGTERM, SIGKILL when it does not end in time).
    ~AppServerProcess();
    AppServerProcess(const AppServerProcess&) = delete;
    AppServerProcess& operator=(const AppServerProcess&) = delete;

    // Imports options.dataFile (when given) and starts the server. Returns false and sets error (the
    // command's output) when the import fails or the server does not announce its port within 30 s.
    bool start(const Options& options, QString* error = nullptr);

    // Starts the server again on the same database and options, without importing; the port changes.
    bool restart(QString* error = nullptr);

    // SIGTERM and wait: the exit status, or -1 when the server crashed or had to be killed.
    int stop(int timeoutMs = 15000);

    // SIGKILL and wait: the server gets no chance to finish anything.
    void kill();

    bool isRunning() const;
    quint16 port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString baseUrl() const;  // "http://127.0.0.1:<port>"
    QString dbUrl() const { return m_options.dbUrl; }
    QString token() const { return m_options.token; }

    // What the server wrote to standard error so far (one line per request).
    QString serverLog() const;

    // Runs `zrm-appserver <arguments>` to completion; returns its exit status (-1 when it crashed or
    // did not end within 60 s) and sets output to its standard output and error.
    static int runCommand(const QStringList& arguments, QString* output = nullptr);

    // `zrm-appserver export` of the server's database into path; false with error set on failure.
    bool exportTo(const QString& path, QString* error = nullptr) const;

    static QString binary();

private:
    bool launch(QString* error);

    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};

}  // namespace zrm::test
