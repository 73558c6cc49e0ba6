#pragma once

// The streaming side of the wire codec: packets, deltas and JSON texts written straight into a
// string, without building a JSON document first. The server writes every answer with it and the
// client every delta it sends, so both sides share one rule for texts, numbers and date-times.

#include "framework/packet/packet.h"

#include <span>
#include <string>
#include <string_view>

namespace zrm::packet {

// Appends text (UTF-8) as a JSON string literal, quotes and escapes included. Never fails.
void appendJsonString(std::string& out, std::string_view text);

// Appends a number as JSON: whole numbers without a decimal part ("2", not "2.0"), others in the
// shortest form that reads back as the same double, -0 as 0. Throws PacketError for NaN and the
// infinities, which JSON cannot carry: refused where they arise rather than sent as null.
void appendJsonNumber(std::string& out, double value);

// Appends one JSON object member by member: {"name":value,...}, for the few records kept as JSON
// beside the packets (the change history). Names are written as given; the caller closes every
// object with end(), a nested one before the next member of its parent.
class ObjectWriter {
public:
    explicit ObjectWriter(std::string& out) : m_out(out) { m_out += '{'; }

    void text(std::string_view name, std::string_view value);  // empty as null
    void integer(std::string_view name, qint64 value);
    // The member's value as JSON text already written by this codec (a value read back).
    void json(std::string_view name, std::string_view value);
    ObjectWriter object(std::string_view name);
    void end() { m_out += '}'; }

private:
    void key(std::string_view name);

    std::string& m_out;
    bool m_first = true;
};

// A column of a packet written from constants; size is the maximum number of characters of a text
// column.
struct Column {
    const char* name;
    FieldType type;
    int size = 0;
};

// Appends the JSON of one packet: {"fields":[...],"rows":[[...],...]}. Call begin, then for each row
// beginRow, one value per column, endRow; then end. Empty texts and date-times are written as null.
// For a delta: beginDelta, then per change beginChange, side("old")/side("new") each followed by the
// row's values and endRow, endChange; then end. It checks nothing but numbers: the caller writes the
// values of the columns it declared.
class PacketWriter {
public:
    explicit PacketWriter(std::string& out) : m_out(out) {}

    void begin(std::span<const Column> columns);
    void begin(const QList<FieldDef>& fields);
    void beginRow();
    void text(std::string_view value);       // empty as null: to the server, empty text is no value
    void exactText(std::string_view value);  // empty as ""
    void dateTime(std::string_view value) { text(value); }
    void number(double value);  // throws PacketError when not finite
    void integer(qint64 value);
    void null();
    void endRow();
    void end();

    void beginDelta(const QList<FieldDef>& fields);
    void beginChange(Change::Op op);
    void side(const char* name);  // "old" or "new"; then the values and endRow
    void endChange();

    // A packet with no fields and no rows.
    static void writeEmpty(std::string& out) { out += R"({"fields":[],"rows":[]})"; }

private:
    void field(std::string_view name, FieldType type, int size);
    void separate();

    std::string& m_out;
    bool m_firstRow = true;
    bool m_firstValue = true;
    bool m_firstField = true;
};

}  // namespace zrm::packet
