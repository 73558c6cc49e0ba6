#pragma once

// Writes data packets straight into a reply buffer, without building a JSON document first: the
// calendar's read methods are the server's hot path.

#include "server/rpc/jsonstring.h"

#include <QtGlobal>

#include <span>
#include <string>
#include <string_view>

namespace zrm::server {

enum class ColumnType { String, Float, DateTime };

// A column of a result packet; size is the maximum number of characters of a text column.
struct Column {
    const char* name;
    ColumnType type;
    int size = 0;
};

// Appends the JSON of one packet to a string: {"fields":[...],"rows":[[...],...]}. Call begin, then
// for each row beginRow, one value per column, endRow; then end. Empty text and empty date-times are
// written as null. It checks nothing: the caller writes the values of the columns it declared.
class PacketWriter {
public:
    explicit PacketWriter(std::string& out) : m_out(out) {}

    void begin(std::span<const Column> columns);
    void beginRow();
    void text(std::string_view value);
    void dateTime(std::string_view value) { text(value); }
    void number(double value);
    void endRow();
    void end();

    // A packet with no fields and no rows.
    static void writeEmpty(std::string& out) { out += R"({"fields":[],"rows":[]})"; }

private:
    void separate();

    std::string& m_out;
    bool m_firstRow = true;
    bool m_firstValue = true;
};

}  // namespace zrm::server
