#pragma once

// The real application server with a budget calendar of the test's own, dated in the current year
// of the session's clock (the year the screen asks for at start-up), and the host's environment
// pointed at it. The session's date is the tests' own fixed day, given to the server (--today) and
// to the screen (ZRM_TODAY) alike, so no test depends on the day it runs.

#include "tests/support/appserverprocess.h"
#include "tests/support/throwawayca.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace zrm71300test {

// The tests' "today": the date the server and the screen take as the current one.
QDate today();
// The current year of the session's clock: today's year.
int currentYear();

// A phase row of the calendar: year, version, phase code, start and end as "MM-DD" of that year, and
// the twelve month flags January … December ("" leaves a flag empty).
struct PhaseRow {
    int year;
    int version;
    QString code;
    QString start;
    QString end;
    QStringList flags;
};

// A phase of a year and version that a branch has concluded: the server reports it as concluded.
struct ConcludedPhase {
    int year;
    int version;
    QString code;
};

// The contents of a data file: a fixed phase catalogue (0000000001 "Premissas orçamentárias" and
// 0000000004 "Revisão pela diretoria", not calculation phases; 0000000002 "Orçamento de vendas" and
// 0000000003 "Orçamento de despesas", calculation phases), the versions and the phase rows, and
// the server's today.
struct CalendarData {
    QList<std::pair<int, int>> versions;  // (year, version)
    QList<PhaseRow> rows;
    QStringList blockedPhases;  // catalogue codes that are blocked phases
    QList<ConcludedPhase> concluded;
    QDate today;  // the server's today; invalid: the client's today

    QByteArray json() const;

    // Versions 1 and 2 of the current year and version 1 of the year before. Version 2 holds, by
    // start date: 0000000002 (01-10 … 01-31, January and August "S", December empty, the rest "N"),
    // 0000000003 (02-01 … 02-20, February "S") and 0000000004 (03-01 … 03-31); they are stored in
    // another order. Version 1 holds 0000000001 only; the year before holds 0000000002 only.
    static CalendarData standard();
    // Version 1 of the current year without any phase row.
    static CalendarData emptyCalendar();
    // No version of the current year (only of the year before).
    static CalendarData noVersionThisYear();
};

// How the screen reaches the server: plain HTTP, or HTTPS with a certificate of a throwaway
// authority that ZRM_APPSERVER_CA names.
enum class Transport { Http, Https };

// Starts the server with data and today's date, and points ZRM_APPSERVER_HOST / ZRM_APPSERVER_PORT
// (and, over HTTPS, ZRM_APPSERVER_CA) at it and ZRM_TODAY at today. Fails the test (ASSERT) when the
// server does not start.
class CalendarServer {
public:
    void start(const CalendarData& data, Transport transport = Transport::Http);
    zrm::test::AppServerProcess& process() { return m_process; }
    // How many calls of the calendar module's method (any method when empty) the server has
    // answered so far, read from its request log: a refused operation is checked for sending nothing
    // by comparing the count before and after.
    int requestCount(const QString& method = QString()) const;
    // The calendar module's methods the server has answered so far, in the order it answered them.
    QStringList requestedMethods() const;
    // The same for the remote data module named module ("ZRM71302.rdmCadCalendOrc").
    QStringList requestedMethodsOf(const QString& module) const;

private:
    // The certificate and key files for the server, the authority's for the client.
    QStringList serveOverHttps();

    QString m_dataFile;
    QTemporaryDir m_tlsFiles;
    zrm::test::AppServerProcess m_process;
};

// Points the environment at a loopback port on which nothing listens, and ZRM_TODAY at today.
void pointAtNoServer();

}  // namespace zrm71300test
