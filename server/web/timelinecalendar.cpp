#include "server/web/timelinecalendar.h"

#include "server/calendar/calendarrules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zrm::server {

namespace {

// A result packet of the module, its values read by column name.
class Packet {
public:
    explicit Packet(const QJsonValue& packet) {
        const QJsonObject object = packet.toObject();
        m_rows = object.value(QLatin1String("rows")).toArray();
        const QJsonArray fields = object.value(QLatin1String("fields")).toArray();
        for (const auto& field : fields)
            m_columns.emplace_back(field.toObject().value(QLatin1String("name")).toString().toStdString());
    }

    qsizetype size() const { return m_rows.size(); }
    QJsonValue value(qsizetype row, std::string_view column) const {
        for (size_t i = 0; i < m_columns.size(); ++i) {
            if (m_columns[i] == column)
                return m_rows.at(row).toArray().at(qsizetype(i));
        }
        return {};
    }
    std::string text(qsizetype row, std::string_view column) const {
        return value(row, column).toString().toStdString();
    }
    QDate date(qsizetype row, std::string_view column) const {
        return QDateTime::fromString(value(row, column).toString(), Qt::ISODate).date();
    }

private:
    QJsonArray m_rows;
    std::vector<std::string> m_columns;
};

QJsonValue call(RemoteDataModule& module, std::string_view method, const QJsonArray& params) {
    std::string result;
    module.call(method, params, CallContext{}, result);
    return QJsonDocument::fromJson(QByteArray::fromStdString("[" + result + "]")).array().at(0);
}

std::string wire(const QDate& date) {
    return date.toString(Qt::ISODate).toStdString() + "T00:00:00";
}

void markConflicts(std::vector<TimelinePhase>& phases) {
    for (TimelinePhase& phase : phases) {
        if (!phase.blocked)
            continue;
        for (const TimelinePhase& other : phases) {
            if (&other != &phase &&
                periodTouches(wire(other.start), wire(other.end), wire(phase.start), wire(phase.end)))
                phase.conflict = true;
        }
    }
}

}  // namespace

std::optional<TimelineCalendar> readTimelineCalendar(RemoteDataModule& module, const std::string& year,
                                                     std::optional<qint64> version) {
    const QString yearText = QString::fromStdString(year);
    TimelineCalendar calendar;
    calendar.year = year;
    const Packet versions(call(module, "GetVersao", {yearText, QString(), QStringLiteral("T")}));
    for (qsizetype row = 0; row < versions.size(); ++row)
        calendar.versions.push_back(QString::fromStdString(versions.text(row, "CDVERSAOORCA")).toLongLong());
    if (calendar.versions.empty())
        return std::nullopt;
    calendar.version = version.value_or(calendar.versions.front());
    if (std::find(calendar.versions.begin(), calendar.versions.end(), calendar.version) ==
        calendar.versions.end())
        return std::nullopt;

    const QString versionText = QString::number(calendar.version);
    const Packet cycle(call(module, "ValCiclo", {yearText.toInt()}));
    calendar.today = cycle.date(0, "DATAATU");
    const Packet rows(call(module, "GetCalendOrcOp", {yearText, versionText}).toArray().at(0));
    static constexpr const char* MonthFlags[] = {
        "IDPERMCALCJAN", "IDPERMCALCFEV", "IDPERMCALCMAR", "IDPERMCALCABR", "IDPERMCALCMAI", "IDPERMCALCJUN",
        "IDPERMCALCJUL", "IDPERMCALCAGO", "IDPERMCALCSET", "IDPERMCALCOUT", "IDPERMCALCNOV", "IDPERMCALCDEZ"};
    for (qsizetype row = 0; row < rows.size(); ++row) {
        TimelinePhase phase;
        phase.code = rows.text(row, "CDFASEORCOPERAC");
        phase.name = rows.text(row, "NMFASEORCOPERAC");
        phase.start = rows.date(row, "DTINIFASEORCA");
        phase.end = rows.date(row, "DTFINFASEORCA");
        phase.calculation = rows.text(row, "IDFASECALCORCA") == "S";
        phase.blocked = rows.text(row, "IDBLOQFASEORCA") == "S";
        for (int month = 0; month < 12; ++month)
            phase.permittedMonths[size_t(month)] = rows.text(row, MonthFlags[month]) == "S";
        const Packet uses(
            call(module, "BloqDelFase", {QString::fromStdString(phase.code), yearText.toInt(), versionText}));
        phase.concluded = uses.size() > 0;
        calendar.phases.push_back(std::move(phase));
    }
    markConflicts(calendar.phases);
    return calendar;
}

}  // namespace zrm::server
