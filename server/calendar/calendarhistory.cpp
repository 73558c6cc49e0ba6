#include "server/calendar/calendarhistory.h"

#include "framework/packet/packetwriter.h"
#include "server/calendar/datasets.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace zrm::server {

namespace {

using packet::PacketWriter;

constexpr qint64 MaxEntries = 1000;

std::string compact(const QJsonObject& object) {
    return object.isEmpty() ? std::string()
                            : QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

// The columns of from that hold a value and differ from the same column of other.
QJsonObject differing(const QJsonObject& from, const QJsonObject& other) {
    QJsonObject result;
    for (auto it = from.begin(); it != from.end(); ++it) {
        if (it.value() != other.value(it.key()) &&
            !(it.value().isNull() && other.value(it.key()).isUndefined()))
            result.insert(it.key(), it.value());
    }
    return result;
}

}  // namespace

ChangeSummary summarizeChange(std::string_view changeJson) {
    const QJsonObject change =
        QJsonDocument::fromJson(QByteArray(changeJson.data(), qsizetype(changeJson.size()))).object();
    const QJsonObject before = change.value(QLatin1String("old")).toObject();
    const QJsonObject after = change.value(QLatin1String("new")).toObject();
    return {change.value(QLatin1String("op")).toString().toStdString(), compact(differing(before, after)),
            compact(differing(after, before))};
}

void writeCalendarHistory(CalendarStore& store, const Params& params, std::string& out) {
    const std::string year = params.yearText(0);
    const std::optional<double> askedVersion = params.version(1);
    const qint64 limit = params.integer(2, "o limite", 1, MaxEntries);

    std::vector<HistoryEntry> entries;
    const std::optional<qint64> latest = store.latestVersion(year);
    const qint64 version = askedVersion ? versionKey(*askedVersion) : latest.value_or(0);
    if (version > 0)
        entries = store.history(year, version, limit);

    PacketWriter writer(out);
    writer.begin(datasets::History);
    for (const HistoryEntry& entry : entries) {
        const ChangeSummary change = summarizeChange(entry.record.change);
        writer.beginRow();
        writer.dateTime(entry.record.when);
        writer.text(entry.record.operatorCode);
        writer.text(entry.operatorName);
        writer.text(change.operation);
        writer.text(entry.record.key.code);
        writer.text(entry.phaseName);
        writer.text(change.before);
        writer.text(change.after);
        writer.endRow();
    }
    writer.end();
}

}  // namespace zrm::server
