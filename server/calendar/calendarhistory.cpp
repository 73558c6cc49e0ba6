#include "server/calendar/calendarhistory.h"

#include "domain/calendar/monthflags.h"
#include "framework/packet/jsonlexer.h"
#include "framework/packet/packetwriter.h"
#include "server/calendar/datasets.h"

#include <algorithm>

namespace zrm::server {

namespace {

using packet::ObjectWriter;
using packet::PacketWriter;

constexpr qint64 MaxEntries = 1000;

void writeRecord(ObjectWriter row, const CalendarRecord& record) {
    row.integer("CDVERSCALENORCA", record.key.version);
    row.text("NRANOORCOPERAC", record.key.year);
    row.text("CDFASEORCOPERAC", record.key.code);
    row.text("DTINIFASEORCA", record.start);
    row.text("DTFINFASEORCA", record.end);
    for (size_t month = 0; month < record.months.size(); ++month)
        row.text(calendar::Months[month].flagField, record.months[month]);
    row.end();
}

// One column of a recorded row: its JSON text as kept and, for a text, the text it stands for.
struct RecordedValue {
    std::string name;
    std::string_view json;
    std::optional<std::string> text;

    bool isNull() const { return json == "null"; }
    bool operator==(const RecordedValue& other) const {
        return text || other.text ? text == other.text : json == other.json;
    }
};

// The columns of a recorded row, by name (the last of a name repeated).
using RecordedRow = std::vector<RecordedValue>;

const RecordedValue* find(const RecordedRow& row, std::string_view name) {
    const auto it = std::ranges::find(row, name, &RecordedValue::name);
    return it == row.end() ? nullptr : &*it;
}

RecordedRow readRow(json::Lexer& lexer) {
    RecordedRow row;
    lexer.object([&](const QString& key) {
        RecordedValue value{key.toStdString(), {}, {}};
        const json::Token kind = lexer.peek();
        const char* start = lexer.position();
        if (kind == json::Token::String) {
            bool plainAscii = true;
            const QByteArray text = lexer.rawString(&plainAscii);
            value.text.emplace(text.constData(), size_t(text.size()));
        } else {
            lexer.skipValue(3);
        }
        value.json = std::string_view(start, size_t(lexer.position() - start));
        std::erase_if(row, [&](const RecordedValue& kept) { return kept.name == value.name; });
        row.push_back(std::move(value));
    });
    return row;
}

// The columns of from that hold a value and differ from the same column of other, in the order of
// their names, as a compact JSON object; empty when there are none.
std::string differing(RecordedRow from, const RecordedRow& other) {
    std::erase_if(from, [&](const RecordedValue& value) {
        const RecordedValue* counterpart = find(other, value.name);
        return counterpart ? *counterpart == value : value.isNull();
    });
    if (from.empty())
        return {};
    std::ranges::sort(from, {}, &RecordedValue::name);
    std::string out;
    ObjectWriter object(out);
    for (const RecordedValue& value : from) {
        if (value.text)
            object.text(value.name, *value.text);
        else
            object.json(value.name, value.json);
    }
    object.end();
    return out;
}

}  // namespace

std::string recordedChange(const CalendarChange& change) {
    static constexpr const char* OpNames[] = {"insert", "update", "delete"};
    std::string out;
    ObjectWriter object(out);
    object.text("op", OpNames[int(change.op)]);
    if (change.oldRow)
        writeRecord(object.object("old"), change.oldRow->record);
    if (change.newRow)
        writeRecord(object.object("new"), change.newRow->record);
    object.end();
    return out;
}

ChangeSummary summarizeChange(std::string_view changeJson) {
    json::Lexer lexer(changeJson.data(), changeJson.data() + changeJson.size(), QString());
    std::string operation;
    RecordedRow before;
    RecordedRow after;
    try {
        if (lexer.peek() != json::Token::Object)
            return {};
        lexer.object([&](const QString& key) {
            if (key == QLatin1String("op") && lexer.peek() == json::Token::String)
                operation = lexer.string().toStdString();
            else if (key == QLatin1String("old") && lexer.peek() == json::Token::Object)
                before = readRow(lexer);
            else if (key == QLatin1String("new") && lexer.peek() == json::Token::Object)
                after = readRow(lexer);
            else
                lexer.skipValue(2);
        });
        lexer.expectEnd();
    } catch (const PacketError&) {
        return {};
    }
    return {std::move(operation), differing(before, after), differing(after, before)};
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
