#include "server/calendar/calendarchange.h"

#include "domain/calendar/monthflags.h"
#include "framework/packet/packet.h"
#include "server/module/deltareading.h"
#include "server/module/params.h"
#include "server/storage/storeerror.h"

#include <QDateTime>

#include <array>

namespace zrm::server {

namespace {

// Positions of the stored columns inside the delta's field list.
struct ColumnMap {
    int year = -1, version = -1, code = -1, start = -1, end = -1;
    std::array<int, 12> months{};
};

ColumnMap mapColumns(const Delta& delta) {
    ColumnMap map;
    map.year = requireColumn(delta, QStringLiteral("NRANOORCOPERAC"), {FieldType::String});
    map.version =
        requireColumn(delta, QStringLiteral("CDVERSCALENORCA"), {FieldType::Float, FieldType::Integer});
    map.code = requireColumn(delta, QStringLiteral("CDFASEORCOPERAC"), {FieldType::String});
    map.start = requireColumn(delta, QStringLiteral("DTINIFASEORCA"), {FieldType::DateTime});
    map.end = requireColumn(delta, QStringLiteral("DTFINFASEORCA"), {FieldType::DateTime});
    for (size_t month = 0; month < map.months.size(); ++month)
        map.months[month] =
            requireColumn(delta, QLatin1String(calendar::Months[month].flagField), {FieldType::String});
    return map;
}

// The calendar's own values besides texts and flags.
class RowReader : public DeltaRowReader {
public:
    using DeltaRowReader::DeltaRowReader;

    std::string year(int column) const {
        const QString name = QStringLiteral("NRANOORCOPERAC");
        std::string value = text(column, name, 4);
        if (!value.empty() && value.find_first_not_of("0123456789") != std::string::npos)
            failAt(name, QStringLiteral("o ano deve ser um número"));
        return value;
    }

    std::string dateTime(int column) const {
        const Value& value = row().at(column);
        if (!value.isValid() || value.isNull())
            return {};
        return packet::dateTimeToText(value.toDateTime()).toStdString();
    }

    // The version as its key, or nothing when it is empty or not a positive integer.
    std::optional<qint64> version(int column) const {
        const Value& value = row().at(column);
        if (!value.isValid() || value.isNull())
            return std::nullopt;
        const qint64 key = versionKey(value.toDouble());
        return key > 0 ? std::optional(key) : std::nullopt;
    }
};

DeltaRow readRow(const ColumnMap& map, const Row& row, const QString& where) {
    const RowReader reader(row, where);
    DeltaRow result;
    CalendarRecord& record = result.record;
    record.key.year = reader.year(map.year);
    const std::optional<qint64> version = reader.version(map.version);
    result.validVersion = version.has_value();
    record.key.version = version.value_or(0);
    record.key.code = reader.text(map.code, QStringLiteral("CDFASEORCOPERAC"), 10);
    record.start = reader.dateTime(map.start);
    record.end = reader.dateTime(map.end);
    for (size_t month = 0; month < record.months.size(); ++month)
        record.months[month] =
            reader.flag(map.months[month], QLatin1String(calendar::Months[month].flagField));
    return result;
}

}  // namespace

std::vector<CalendarChange> readCalendarDelta(const QByteArray& json) {
    const Delta delta = decodeDeltaParam(std::string_view(json.constData(), size_t(json.size())));
    const ColumnMap map = mapColumns(delta);
    return readChanges<CalendarChange>(
        delta, [&](const Row& row, const QString& where) { return readRow(map, row, where); });
}

}  // namespace zrm::server
