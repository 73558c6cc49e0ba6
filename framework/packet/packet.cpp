#include "framework/packet/packet.h"

#include "framework/packet/packet_p.h"
#include "framework/packet/packetwriter.h"

#include <QDateTime>

#include <cmath>

namespace zrm {

PacketError::PacketError(const QString& message) : std::runtime_error(message.toStdString()) {}

int DataPacket::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace packet {
namespace detail {

QString typeName(FieldType type) {
    switch (type) {
        case FieldType::String:
            return QStringLiteral("string");
        case FieldType::Float:
            return QStringLiteral("float");
        case FieldType::Integer:
            return QStringLiteral("integer");
        case FieldType::DateTime:
            return QStringLiteral("datetime");
    }
    return {};
}

std::optional<FieldType> typeFromName(QStringView name) {
    for (FieldType type : {FieldType::String, FieldType::Float, FieldType::Integer, FieldType::DateTime}) {
        if (name == typeName(type))
            return type;
    }
    return std::nullopt;
}

QString opName(Change::Op op) {
    switch (op) {
        case Change::Op::Insert:
            return QStringLiteral("insert");
        case Change::Op::Update:
            return QStringLiteral("update");
        case Change::Op::Delete:
            return QStringLiteral("delete");
    }
    return {};
}

qsizetype characterCount(QStringView text) {
    qsizetype count = text.size();
    for (QChar c : text) {
        if (c.isLowSurrogate())
            --count;
    }
    return count;
}

QString quoted(const QString& text) {
    constexpr int MaxShown = 40;
    if (text.size() <= MaxShown)
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    return QLatin1Char('\'') + text.left(MaxShown) + QStringLiteral("…'");
}

void Location::fail(const QString& where, const QString& what) const {
    if (where.isEmpty())
        throw PacketError(QStringLiteral("%1: %2.").arg(m_document, what));
    throw PacketError(QStringLiteral("%1: %2: %3.").arg(m_document, where, what));
}

QString cellWhere(const QString& rowWhere, const FieldDef& field) {
    return QStringLiteral("%1, coluna %2").arg(rowWhere, field.name);
}

bool parseWireDateTime(const char* text, qsizetype size, WireDateTime* result) {
    // Parsed by hand: strict about the shape (QDateTime::fromString accepts more than the wire
    // allows) and far cheaper, which matters when a packet carries thousands of dates.
    if (size != 19 && size != 23)
        return false;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return false;
    bool ok = true;
    auto digits = [&](qsizetype from, qsizetype count) {
        int value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            ok = ok && text[i] >= '0' && text[i] <= '9';
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const int year = digits(0, 4);
    const int month = digits(5, 2);
    const int day = digits(8, 2);
    const int hour = digits(11, 2);
    const int minute = digits(14, 2);
    const int second = digits(17, 2);
    int msec = 0;
    if (size == 23) {
        ok = ok && text[19] == '.';
        msec = digits(20, 3);
    }
    if (!ok || year < 1)
        return false;
    result->date = QDate(year, month, day);
    result->time = QTime(hour, minute, second, msec);
    return result->date.isValid() && result->time.isValid();
}

}  // namespace detail

namespace {

using detail::cellWhere;
using detail::Location;

void writeValue(PacketWriter& writer, const FieldDef& field, const Value& value, const Location& location,
                const QString& rowWhere) {
    if (!value.isValid() || value.isNull())
        return writer.null();
    switch (field.type) {
        case FieldType::String:
            if (value.typeId() == QMetaType::QString)
                return writer.exactText(value.toString().toStdString());
            break;
        case FieldType::Float:
            if (value.canConvert<double>() && value.typeId() != QMetaType::QString) {
                const double number = value.toDouble();
                if (!std::isfinite(number))
                    location.fail(cellWhere(rowWhere, field), QStringLiteral("número não finito"));
                return writer.number(number);
            }
            break;
        case FieldType::Integer:
            if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
                return writer.integer(value.toLongLong());
            break;
        case FieldType::DateTime:
            if (value.typeId() == QMetaType::QDateTime && value.toDateTime().isValid())
                return writer.dateTime(dateTimeToText(value.toDateTime()).toStdString());
            break;
    }
    location.fail(cellWhere(rowWhere, field),
                  QStringLiteral("valor de tipo %1 não cabe numa coluna do tipo %2")
                      .arg(QString::fromLatin1(value.typeName()), detail::typeName(field.type)));
}

void writeRowValues(PacketWriter& writer, const QList<FieldDef>& fields, const Row& row,
                    const Location& location, const QString& rowWhere) {
    if (row.size() != fields.size()) {
        location.fail(
            rowWhere,
            QStringLiteral("a linha tem %1 valores, mas há %2 colunas").arg(row.size()).arg(fields.size()));
    }
    for (int i = 0; i < fields.size(); ++i)
        writeValue(writer, fields.at(i), row.at(i), location, rowWhere);
    writer.endRow();
}

}  // namespace

void write(std::string& out, const DataPacket& packet) {
    const Location location(QStringLiteral("Pacote de dados impossível de codificar"));
    PacketWriter writer(out);
    writer.begin(packet.fields);
    for (int i = 0; i < packet.rows.size(); ++i) {
        writer.beginRow();
        writeRowValues(writer, packet.fields, packet.rows.at(i), location,
                       QStringLiteral("linha %1").arg(i + 1));
    }
    writer.end();
}

void write(std::string& out, const Delta& delta) {
    const Location location(QStringLiteral("Delta impossível de codificar"));
    PacketWriter writer(out);
    writer.beginDelta(delta.fields);
    for (int i = 0; i < delta.changes.size(); ++i) {
        const Change& change = delta.changes.at(i);
        const QString where = QStringLiteral("alteração %1").arg(i + 1);
        writer.beginChange(change.op);
        if (change.op != Change::Op::Insert) {
            writer.side("old");
            writeRowValues(writer, delta.fields, change.oldRow, location, where);
        }
        if (change.op != Change::Op::Delete) {
            writer.side("new");
            writeRowValues(writer, delta.fields, change.newRow, location, where);
        }
        writer.endChange();
    }
    writer.end();
}

QByteArray encode(const DataPacket& packet) {
    std::string out;
    write(out, packet);
    return QByteArray::fromStdString(out);
}

QByteArray encode(const Delta& delta) {
    std::string out;
    write(out, delta);
    return QByteArray::fromStdString(out);
}

DataPacket decodePacket(const QByteArray& json) {
    return detail::readPacket(json);
}

Delta decodeDelta(const QByteArray& json) {
    return detail::readDelta(json);
}

QString dateTimeToText(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return {};
    return dateTime.toString(dateTime.time().msec() != 0 ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                                         : QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QDateTime dateTimeFromText(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return {};
    }
    const QByteArray latin1 = text.toLatin1();
    detail::WireDateTime parts;
    if (!detail::parseWireDateTime(latin1.constData(), latin1.size(), &parts))
        return {};
    return {parts.date, parts.time};
}

}  // namespace packet
}  // namespace zrm
