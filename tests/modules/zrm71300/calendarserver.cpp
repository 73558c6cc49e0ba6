#include "tests/modules/zrm71300/calendarserver.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace zrm71300test {

namespace {

const char* const MonthSuffixes[] = {"JAN", "FEV", "MAR", "ABR", "MAI", "JUN",
                                     "JUL", "AGO", "SET", "OUT", "NOV", "DEZ"};

QString dateOf(int year, const QString& monthDay) {
    return QStringLiteral("%1-%2T00:00:00").arg(year).arg(monthDay);
}

QJsonObject phase(const char* code, const QString& name, const char* calc, const QStringList& blocked) {
    const bool isBlocked = blocked.contains(QLatin1String(code));
    return {{QStringLiteral("CDFASEORCOPERAC"), QLatin1String(code)},
            {QStringLiteral("NMFASEORCOPERAC"), name},
            {QStringLiteral("IDFASECALCORCA"), QLatin1String(calc)},
            {QStringLiteral("IDFASEAPROVORCA"), QStringLiteral("N")},
            {QStringLiteral("IDBLOQFASEORCA"), isBlocked ? QStringLiteral("S") : QStringLiteral("N")}};
}

QStringList flagsWith(const QList<std::pair<int, QString>>& set) {
    QStringList flags(12, QStringLiteral("N"));
    for (const auto& [month, flag] : set)
        flags[month - 1] = flag;
    return flags;
}

}  // namespace

QDate today() {
    // Late in the year: every phase of the fixtures (January to March) has started and ended.
    return QDate(2026, 12, 7);
}

int currentYear() {
    return today().year();
}

namespace {

void setSessionDate() {
    qputenv("ZRM_TODAY", today().toString(Qt::ISODate).toUtf8());
}

}  // namespace

QByteArray CalendarData::json() const {
    QJsonArray versionArray;
    for (const auto& [year, version] : versions)
        versionArray.append(QJsonObject{{QStringLiteral("CDANOVERORCA"), QString::number(year)},
                                        {QStringLiteral("CDVERSAOORCA"), QString::number(version)},
                                        {QStringLiteral("DTINCLUSAO"), dateOf(year, QStringLiteral("01-02"))},
                                        {QStringLiteral("CDOPERINCLUSAO"), QStringLiteral("ADMIN")}});
    QJsonArray calendar;
    for (const PhaseRow& row : rows) {
        QJsonObject record{{QStringLiteral("NRANOORCOPERAC"), QString::number(row.year)},
                           {QStringLiteral("CDVERSCALENORCA"), row.version},
                           {QStringLiteral("CDFASEORCOPERAC"), row.code},
                           {QStringLiteral("DTINIFASEORCA"), dateOf(row.year, row.start)},
                           {QStringLiteral("DTFINFASEORCA"), dateOf(row.year, row.end)}};
        for (int month = 0; month < 12 && month < row.flags.size(); ++month) {
            if (!row.flags[month].isEmpty())
                record.insert(QStringLiteral("IDPERMCALC") + QLatin1String(MonthSuffixes[month]),
                              row.flags[month]);
        }
        calendar.append(record);
    }
    QJsonArray concludedArray;
    for (const ConcludedPhase& use : concluded)
        concludedArray.append(QJsonObject{{QStringLiteral("NRANOORCOPERAC"), QString::number(use.year)},
                                          {QStringLiteral("CDVERSCALENORCA"), use.version},
                                          {QStringLiteral("CDFASEORCOPERAC"), use.code},
                                          {QStringLiteral("CDFILIAL"), QStringLiteral("0001")}});
    const QJsonObject file{
        {QStringLiteral("operators"),
         QJsonArray{QJsonObject{{QStringLiteral("CDOPERADOR"), QStringLiteral("ADMIN")},
                                {QStringLiteral("NMOPERADOR"), QStringLiteral("Administrador")}}}},
        {QStringLiteral("phases"),
         QJsonArray{phase("0000000001", QStringLiteral("Premissas orçamentárias"), "N", blockedPhases),
                    phase("0000000002", QStringLiteral("Orçamento de vendas"), "S", blockedPhases),
                    phase("0000000003", QStringLiteral("Orçamento de despesas"), "S", blockedPhases),
                    phase("0000000004", QStringLiteral("Revisão pela diretoria"), "N", blockedPhases)}},
        {QStringLiteral("versions"), versionArray},
        {QStringLiteral("cycles"), QJsonArray{}},
        {QStringLiteral("calendar"), calendar},
        {QStringLiteral("concluded"), concludedArray}};
    return QJsonDocument(file).toJson();
}

CalendarData CalendarData::standard() {
    const int year = currentYear();
    CalendarData data;
    data.versions = {{year - 1, 1}, {year, 1}, {year, 2}};
    data.rows = {
        {year, 2, QStringLiteral("0000000004"), QStringLiteral("03-01"), QStringLiteral("03-31"),
         flagsWith({})},
        {year, 2, QStringLiteral("0000000003"), QStringLiteral("02-01"), QStringLiteral("02-20"),
         flagsWith({{2, QStringLiteral("S")}})},
        {year, 2, QStringLiteral("0000000002"), QStringLiteral("01-10"), QStringLiteral("01-31"),
         flagsWith({{1, QStringLiteral("S")}, {8, QStringLiteral("S")}, {12, QString()}})},
        {year, 1, QStringLiteral("0000000001"), QStringLiteral("01-05"), QStringLiteral("01-30"),
         flagsWith({})},
        {year - 1, 1, QStringLiteral("0000000002"), QStringLiteral("02-02"), QStringLiteral("03-13"),
         flagsWith({})},
    };
    return data;
}

CalendarData CalendarData::emptyCalendar() {
    CalendarData data;
    data.versions = {{currentYear(), 1}};
    return data;
}

CalendarData CalendarData::noVersionThisYear() {
    const int year = currentYear();
    CalendarData data;
    data.versions = {{year - 1, 1}};
    data.rows = {{year - 1, 1, QStringLiteral("0000000002"), QStringLiteral("02-02"), QStringLiteral("03-13"),
                  flagsWith({})}};
    return data;
}

QStringList CalendarServer::serveOverHttps() {
    const zrm::test::ThrowawayCa authority;
    const zrm::test::IssuedCertificate issued = authority.issue(m_process.host().toStdString());
    const QString certificate = m_tlsFiles.filePath(QStringLiteral("servidor.pem"));
    const QString key = m_tlsFiles.filePath(QStringLiteral("servidor.key"));
    const QString authorityFile = m_tlsFiles.filePath(QStringLiteral("autoridade.pem"));
    zrm::test::writeTextFile(certificate.toStdString(), issued.certificatePem);
    zrm::test::writeTextFile(key.toStdString(), issued.keyPem);
    zrm::test::writeTextFile(authorityFile.toStdString(), authority.certificatePem());
    qputenv("ZRM_APPSERVER_CA", authorityFile.toUtf8());
    return {QStringLiteral("--tls-cert"), certificate, QStringLiteral("--tls-key"), key};
}

void CalendarServer::start(const CalendarData& data, Transport transport) {
    m_dataFile =
        QDir::temp().filePath(QStringLiteral("zrm71300-%1.json").arg(QCoreApplication::applicationPid()));
    QFile file(m_dataFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data.json());
    file.close();
    zrm::test::AppServerProcess::Options options;
    options.dataFile = m_dataFile;
    options.today = (data.today.isValid() ? data.today : today()).toString(Qt::ISODate);
    qunsetenv("ZRM_APPSERVER_CA");
    if (transport == Transport::Https)
        options.extraServeArguments = serveOverHttps();
    QString error;
    ASSERT_TRUE(m_process.start(options, &error)) << error.toStdString();
    QFile::remove(m_dataFile);
    qputenv("ZRM_APPSERVER_HOST", m_process.host().toUtf8());
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(m_process.port()));
    setSessionDate();
}

int CalendarServer::requestCount(const QString& method) const {
    const QStringList methods = requestedMethods();
    return int(method.isEmpty() ? methods.size() : methods.count(method));
}

QStringList CalendarServer::requestedMethods() const {
    return requestedMethodsOf(QStringLiteral("ZRM71300.rdmCalendOrcOp"));
}

QStringList CalendarServer::requestedMethodsOf(const QString& module) const {
    // One log line per request: "<time> POST /rpc/<module> <method> <ms> <outcome> <status>".
    const QString endpoint = QStringLiteral(" POST /rpc/%1 ").arg(module);
    QStringList methods;
    const QStringList lines = m_process.serverLog().split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const qsizetype at = line.indexOf(endpoint);
        if (at >= 0)
            methods.append(line.mid(at + endpoint.size()).section(QLatin1Char(' '), 0, 0));
    }
    return methods;
}

void pointAtNoServer() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    qputenv("ZRM_APPSERVER_HOST", "127.0.0.1");
    qputenv("ZRM_APPSERVER_PORT", QByteArray::number(port));
    setSessionDate();
}

}  // namespace zrm71300test
