#include "server/admin/versionadmin.h"

#include "domain/calendar/cyclerule.h"
#include "framework/packet/packetwriter.h"
#include "server/module/params.h"
#include "server/module/yearcycle.h"
#include "server/storage/storeerror.h"
#include "server/storage/tablestore.h"

namespace zrm::server {

namespace {

constexpr int OperatorLength = 12;  // CDOPERINCLUSAO, counted in characters, never cut inside one

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

const char* originCode(VersionAdmin::Origin origin) {
    switch (origin) {
        case VersionAdmin::Origin::LatestOfYear:
            return "A";
        case VersionAdmin::Origin::Empty:
            return "V";
        case VersionAdmin::Origin::PreviousYear:
            return "P";
    }
    return "";
}

}  // namespace

std::string oneYearLater(const std::string& stored) {
    const QDate date = QDate::fromString(qs(stored.substr(0, 10)), Qt::ISODate);
    return date.addYears(1).toString(Qt::ISODate).toStdString() +
           stored.substr(std::min<size_t>(10, stored.size()));
}

qint64 VersionAdmin::create(const std::string& year, Origin origin, const std::string& description) {
    AdminStore admin(m_connection);
    CalendarStore calendar(m_connection);
    const qint64 highest = admin.lockYear(year);
    const std::optional<qint64> latest = calendar.latestVersion(year);

    std::vector<CalendarRecord> rows;
    std::string source;  // the copied calendar, for the history
    const auto copy = [&](const std::string& fromYear, qint64 fromVersion) {
        // A save of the copied calendar either commits before the copy or waits for it.
        calendar.lockCalendar(fromYear, fromVersion);
        for (CalendarView& view : calendar.calendar(fromYear, fromVersion))
            rows.push_back(std::move(view.row));
        source = fromYear + "/" + std::to_string(fromVersion);
    };
    switch (origin) {
        case Origin::LatestOfYear:
            if (!latest)
                throw RuleRefused(
                    QStringLiteral("O ano %1 não tem versão para copiar: crie a primeira versão vazia "
                                   "ou a partir do ano anterior.")
                        .arg(qs(year)));
            copy(year, *latest);
            break;
        case Origin::Empty:
        case Origin::PreviousYear:
            if (latest)
                throw RuleRefused(
                    QStringLiteral("O ano %1 já tem versões: a nova versão é uma cópia da última "
                                   "versão do ano.")
                        .arg(qs(year)));
            if (origin == Origin::PreviousYear) {
                const std::string previous = yearKey(std::stoll(year) - 1);
                const std::optional<qint64> previousLatest = calendar.latestVersion(previous);
                if (!previousLatest)
                    throw RuleRefused(QStringLiteral("O ano %1 não tem versão para copiar para %2.")
                                          .arg(qs(previous), qs(year)));
                copy(previous, *previousLatest);
                for (CalendarRecord& row : rows) {
                    row.start = oneYearLater(row.start);
                    row.end = oneYearLater(row.end);
                }
            }
            break;
    }

    const qint64 number = std::max(highest, latest.value_or(0)) + 1;
    TableStore(m_connection)
        .insert(VersionRecord{year,
                              number,
                              m_stamp.when,
                              qs(m_stamp.operatorCode).left(OperatorLength).toStdString(),
                              {},
                              description});
    for (CalendarRecord& row : rows) {
        row.key.year = year;
        row.key.version = number;
        calendar.insert(row);
    }
    std::string change;
    packet::ObjectWriter object(change);
    object.text("origem", originCode(origin));
    object.text("copiada", source);
    object.integer("QTFASES", qint64(rows.size()));
    object.text("DSVERSAOORCA", description);
    object.end();
    m_stamp.record(m_connection, change, {year, number, {}});
    return number;
}

VersionSummary VersionAdmin::latestOnly(const std::string& year, qint64 version, const char* action) {
    std::optional<VersionSummary> stored = AdminStore(m_connection).version(year, version);
    if (!stored)
        throw RuleRefused(QStringLiteral("A versão %1 de %2 não existe.").arg(version).arg(qs(year)));
    if (CalendarStore(m_connection).latestVersion(year) != version)
        throw RuleRefused(
            QStringLiteral("Somente a última versão do ano pode ser %1.").arg(QLatin1String(action)));
    return std::move(*stored);
}

void VersionAdmin::describe(const std::string& year, qint64 version, const std::string& description) {
    AdminStore admin(m_connection);
    admin.lockYear(year);
    const VersionSummary stored = latestOnly(year, version, "alterada");
    admin.setDescription(year, version, description);
    std::string change;
    packet::ObjectWriter object(change);
    object.text("antes", stored.version.description);
    object.text("depois", description);
    object.end();
    m_stamp.record(m_connection, change, {year, version, {}});
}

void VersionAdmin::remove(const std::string& year, qint64 version) {
    AdminStore admin(m_connection);
    admin.lockYear(year);
    const VersionSummary stored = latestOnly(year, version, "excluída");
    CalendarStore(m_connection).lockCalendar(year, version);
    if (const auto [count, phase] = admin.conclusionCount(year, version); count > 0) {
        throw RuleRefused(
            QStringLiteral("A versão %1 de %2 não pode ser excluída: há %3 conclusão(ões) de fase por "
                           "filial registrada(s) nela (fase %4). Retire as conclusões antes.")
                .arg(version)
                .arg(qs(year))
                .arg(count)
                .arg(qs(phase)));
    }
    admin.removeVersion(year, version);
    std::string change;
    packet::ObjectWriter object(change);
    object.integer("QTFASES", stored.phaseCount);
    object.text("DSVERSAOORCA", stored.version.description);
    object.end();
    m_stamp.record(m_connection, change, {year, version, {}});
}

void VersionAdmin::storeCycle(const std::string& year, const QDate& first, const QDate& last) {
    const QString refusal = calendar::cycleRefusal(calendar::CycleMonths::of(first, last));
    if (!refusal.isEmpty())
        throw RuleRefused(refusal);
    const CycleRecord cycle{year, midnightText(first), midnightText(last)};
    AdminStore(m_connection).storeCycle(cycle);
    std::string change;
    packet::ObjectWriter object(change);
    object.text("MESINI", cycle.firstMonth);
    object.text("MESFIN", cycle.lastMonth);
    object.end();
    m_stamp.record(m_connection, change, {year, 0, {}});
}

}  // namespace zrm::server
