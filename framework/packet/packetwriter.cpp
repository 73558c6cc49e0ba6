#include "framework/packet/packetwriter.h"

#include "framework/packet/packet_p.h"

#include <charconv>
#include <cmath>

namespace zrm::packet {

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += '"';
    size_t plainFrom = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.data() + plainFrom, i - plainFrom);
        plainFrom = i + 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += Hex[c >> 4];
                out += Hex[c & 0xf];
        }
    }
    out.append(text.data() + plainFrom, text.size() - plainFrom);
    out += '"';
}

void appendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value))
        throw PacketError(QStringLiteral("Número não finito (%1): não há como enviá-lo.").arg(value));
    char buffer[32];
    const double whole = std::trunc(value);
    const auto result = whole == value && std::abs(value) < 1e15
                            ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(whole))
                            : std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void PacketWriter::field(std::string_view name, FieldType type, int size) {
    if (!m_firstField)
        m_out += ',';
    m_firstField = false;
    m_out += R"({"name":)";
    appendJsonString(m_out, name);
    m_out += R"(,"type":")";
    m_out += detail::typeName(type).toLatin1().constData();
    m_out += '"';
    if (type == FieldType::String) {
        m_out += R"(,"size":)";
        m_out += std::to_string(size);
    }
    m_out += '}';
}

void PacketWriter::begin(std::span<const Column> columns) {
    m_out += R"({"fields":[)";
    m_firstField = true;
    for (const Column& column : columns)
        field(column.name, column.type, column.size);
    m_out += R"(],"rows":[)";
    m_firstRow = true;
}

void PacketWriter::begin(const QList<FieldDef>& fields) {
    m_out += R"({"fields":[)";
    m_firstField = true;
    for (const FieldDef& definition : fields)
        field(definition.name.toStdString(), definition.type, definition.size);
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

void ObjectWriter::key(std::string_view name) {
    if (!m_first)
        m_out += ',';
    m_first = false;
    appendJsonString(m_out, name);
    m_out += ':';
}

void ObjectWriter::text(std::string_view name, std::string_view value) {
    key(name);
    if (value.empty())
        m_out += "null";
    else
        appendJsonString(m_out, value);
}

void ObjectWriter::integer(std::string_view name, qint64 value) {
    key(name);
    char buffer[24];
    m_out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

void ObjectWriter::json(std::string_view name, std::string_view value) {
    key(name);
    m_out += value;
}

ObjectWriter ObjectWriter::object(std::string_view name) {
    key(name);
    return ObjectWriter(m_out);
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

void PacketWriter::exactText(std::string_view value) {
    separate();
    appendJsonString(m_out, value);
}

void PacketWriter::number(double value) {
    separate();
    appendJsonNumber(m_out, value);
}

void PacketWriter::integer(qint64 value) {
    separate();
    char buffer[24];
    m_out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

void PacketWriter::null() {
    separate();
    m_out += "null";
}

void PacketWriter::endRow() {
    m_out += ']';
}

void PacketWriter::end() {
    m_out += "]}";
}

void PacketWriter::beginDelta(const QList<FieldDef>& fields) {
    m_out += R"({"fields":[)";
    m_firstField = true;
    for (const FieldDef& definition : fields)
        field(definition.name.toStdString(), definition.type, definition.size);
    m_out += R"(],"changes":[)";
    m_firstRow = true;
}

void PacketWriter::beginChange(Change::Op op) {
    if (!m_firstRow)
        m_out += ',';
    m_firstRow = false;
    m_out += R"({"op":")";
    m_out += detail::opName(op).toLatin1().constData();
    m_out += '"';
}

void PacketWriter::side(const char* name) {
    m_out += ",\"";
    m_out += name;
    m_out += "\":[";
    m_firstValue = true;
}

void PacketWriter::endChange() {
    m_out += '}';
}

}  // namespace zrm::packet
