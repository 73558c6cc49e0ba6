#include "server/calendar/packetwriter.h"

#include <charconv>
#include <cmath>

namespace zrm::server {

void PacketWriter::begin(std::span<const Column> columns) {
    m_out += R"({"fields":[)";
    bool first = true;
    for (const Column& column : columns) {
        if (!first)
            m_out += ',';
        first = false;
        m_out += R"({"name":")";
        m_out += column.name;  // column names are plain upper-case identifiers
        switch (column.type) {
            case ColumnType::String:
                m_out += R"(","type":"string","size":)";
                m_out += std::to_string(column.size);
                m_out += '}';
                break;
            case ColumnType::Float:
                m_out += R"(","type":"float"})";
                break;
            case ColumnType::DateTime:
                m_out += R"(","type":"datetime"})";
                break;
        }
    }
    m_out += R"(],"rows":[)";
    m_firstRow = true;
}

void PacketWriter::beginRow() {
    if (!m_firstRow)
        m_out += ',';
    m_firstRow = false;
    m_out += '[';
    m_firstValue = true;
}

void PacketWriter::separate() {
    if (!m_firstValue)
        m_out += ',';
    m_firstValue = false;
}

void PacketWriter::text(std::string_view value) {
    separate();
    if (value.empty())
        m_out += "null";
    else
        appendJsonString(m_out, value);
}

void PacketWriter::number(double value) {
    separate();
    if (!std::isfinite(value)) {
        m_out += "null";
        return;
    }
    // Whole numbers are written without a decimal part ("2", not "2.0"), as the screen shows them.
    char buffer[32];
    const double whole = std::trunc(value);
    const auto result = whole == value && std::abs(value) < 1e15
                            ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(whole))
                            : std::to_chars(buffer, buffer + sizeof buffer, value);
    m_out.append(buffer, result.ptr);
}

void PacketWriter::endRow() {
    m_out += ']';
}

void PacketWriter::end() {
    m_out += "]}";
}

}  // namespace zrm::server
