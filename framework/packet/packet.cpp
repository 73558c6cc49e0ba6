#include "framework/packet/packet.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>
#include <optional>

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
namespace {

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
    return QString();
}

std::optional<FieldType> typeFromName(const QString& name) {
    for (FieldType type : {FieldType::String, FieldType::Float, FieldType::Integer, FieldType::DateTime}) {
        if (name == typeName(type))
            return type;
    }
    return std::nullopt;
}

// Number of characters (code points) of a text; a surrogate pair is one character.
qsizetype characterCount(const QString& text) {
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

// Where in a document a value sits, for the error message: the kind of document and a path such as
// "linha 3, coluna DTINIFASEORCA".
class Location {
public:
    explicit Location(QString document) : m_document(std::move(document)) {}

    [[noreturn]] void fail(const QString& where, const QString& what) const {
        if (where.isEmpty())
            throw PacketError(QStringLiteral("%1: %2.").arg(m_document, what));
        throw PacketError(QStringLiteral("%1: %2: %3.").arg(m_document, where, what));
    }

private:
    QString m_document;
};

QString cellWhere(const QString& rowWhere, const FieldDef& field) {
    return QStringLiteral("%1, coluna %2").arg(rowWhere, field.name);
}

// ---- Encoding ----

QJsonValue valueToJson(const FieldDef& field, const Value& value, const Location& location,
                       const QString& rowWhere) {
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (field.type) {
        case FieldType::String:
            if (value.typeId() == QMetaType::QString)
                return value.toString();
            break;
        case FieldType::Float:
            if (value.canConvert<double>() && value.typeId() != QMetaType::QString) {
                const double number = value.toDouble();
                if (!std::isfinite(number))
                    location.fail(cellWhere(rowWhere, field), QStringLiteral("número não finito"));
                // The JSON writer gives -0.0 as "-0", which reads back as the integer 0: the sign of a
                // zero does not travel, so it is dropped here for every reader alike.
                return number == 0 ? 0.0 : number;
            }
            break;
        case FieldType::Integer:
            if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
                return value.toLongLong();
            break;
        case FieldType::DateTime:
            if (value.typeId() == QMetaType::QDateTime && value.toDateTime().isValid())
                return dateTimeToText(value.toDateTime());
            break;
    }
    location.fail(cellWhere(rowWhere, field),
                  QStringLiteral("valor de tipo %1 não cabe numa coluna do tipo %2")
                      .arg(QString::fromLatin1(value.typeName()), typeName(field.type)));
}

QJsonArray rowToJson(const QList<FieldDef>& fields, const Row& row, const Location& location,
                     const QString& rowWhere) {
    if (row.size() != fields.size()) {
        location.fail(
            rowWhere,
            QStringLiteral("a linha tem %1 valores, mas há %2 colunas").arg(row.size()).arg(fields.size()));
    }
    QJsonArray array;
    for (int i = 0; i < fields.size(); ++i)
        array.append(valueToJson(fields.at(i), row.at(i), location, rowWhere));
    return array;
}

QJsonArray fieldsToJson(const QList<FieldDef>& fields) {
    QJsonArray array;
    for (const FieldDef& field : fields) {
        QJsonObject object{{QStringLiteral("name"), field.name},
                           {QStringLiteral("type"), typeName(field.type)}};
        if (field.type == FieldType::String)
            object.insert(QStringLiteral("size"), field.size);
        array.append(object);
    }
    return array;
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
    return QString();
}

// ---- Decoding ----

// Largest text field a packet may declare; far above any real column, low enough that a hostile size
// cannot make a reader reserve absurd amounts of memory.
constexpr int MaxStringSize = 1 << 20;

QJsonObject requireObject(const QJsonValue& json, const Location& location, const QString& where) {
    if (!json.isObject())
        location.fail(where, QStringLiteral("era esperado um objeto JSON"));
    return json.toObject();
}

QJsonArray requireArray(const QJsonObject& object, const QString& key, const Location& location,
                        const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) {
        location.fail(where, QStringLiteral("falta o membro \"%1\"").arg(key));
    }
    if (!value.isArray())
        location.fail(where, QStringLiteral("o membro \"%1\" deveria ser uma lista").arg(key));
    return value.toArray();
}

QList<FieldDef> fieldsFromJson(const QJsonObject& document, const Location& location) {
    const QJsonArray array = requireArray(document, QStringLiteral("fields"), location, QString());
    QList<FieldDef> fields;
    fields.reserve(array.size());
    QSet<QString> seen;
    for (int i = 0; i < array.size(); ++i) {
        const QString where = QStringLiteral("campo %1").arg(i + 1);
        const QJsonObject object = requireObject(array.at(i), location, where);
        const QJsonValue name = object.value(QStringLiteral("name"));
        if (!name.isString() || name.toString().isEmpty())
            location.fail(where, QStringLiteral("o nome do campo deveria ser um texto não vazio"));
        const QJsonValue type = object.value(QStringLiteral("type"));
        const std::optional<FieldType> fieldType =
            type.isString() ? typeFromName(type.toString()) : std::nullopt;
        if (!fieldType) {
            location.fail(where,
                          QStringLiteral("tipo %1 desconhecido (use string, float, integer ou datetime)")
                              .arg(type.isString() ? quoted(type.toString()) : QStringLiteral("ausente")));
        }
        FieldDef field{name.toString(), *fieldType, 0};
        if (field.type == FieldType::String) {
            const QJsonValue size = object.value(QStringLiteral("size"));
            const double number = size.toDouble(-1);
            if (!size.isDouble() || number < 1 || number > MaxStringSize || number != std::floor(number)) {
                location.fail(QStringLiteral("campo %1").arg(field.name),
                              QStringLiteral("um campo de texto precisa de um tamanho inteiro entre 1 e %1")
                                  .arg(MaxStringSize));
            }
            field.size = static_cast<int>(number);
        }
        const QString key = field.name.toUpper();
        if (seen.contains(key))
            location.fail(QStringLiteral("campo %1").arg(field.name), QStringLiteral("nome repetido"));
        seen.insert(key);
        fields.append(field);
    }
    return fields;
}

Value valueFromJson(const FieldDef& field, const QJsonValue& json, const Location& location,
                    const QString& rowWhere) {
    if (json.isNull())
        return Value();
    switch (field.type) {
        case FieldType::String:
            if (json.isString()) {
                QString text = json.toString();
                if (text.size() > field.size && characterCount(text) > field.size) {
                    location.fail(cellWhere(rowWhere, field),
                                  QStringLiteral("o texto %1 passa de %2 caracteres")
                                      .arg(quoted(text))
                                      .arg(field.size));
                }
                return text;
            }
            location.fail(cellWhere(rowWhere, field), QStringLiteral("era esperado um texto"));
        case FieldType::Float:
            // The JSON reader refuses numbers beyond the range of a double, so every number is finite.
            if (json.isDouble())
                return json.toDouble();
            location.fail(cellWhere(rowWhere, field), QStringLiteral("era esperado um número"));
        case FieldType::Integer: {
            // toInteger() gives the default for a fraction or a number beyond 64 bits.
            if (json.isDouble()) {
                const qint64 integer = json.toInteger(0);
                if (integer != 0 || json.toDouble() == 0)
                    return integer;
            }
            location.fail(cellWhere(rowWhere, field), QStringLiteral("era esperado um número inteiro"));
        }
        case FieldType::DateTime:
            if (json.isString()) {
                const QString text = json.toString();
                const QDateTime dateTime = dateTimeFromText(text);
                if (!dateTime.isValid()) {
                    location.fail(cellWhere(rowWhere, field),
                                  QStringLiteral("%1 não é uma data-hora válida (AAAA-MM-DDTHH:MM:SS)")
                                      .arg(quoted(text)));
                }
                return dateTime;
            }
            location.fail(cellWhere(rowWhere, field), QStringLiteral("era esperada uma data-hora em texto"));
    }
    location.fail(cellWhere(rowWhere, field), QStringLiteral("tipo de coluna desconhecido"));
}

Row rowFromJson(const QList<FieldDef>& fields, const QJsonValue& json, const Location& location,
                const QString& rowWhere) {
    if (!json.isArray())
        location.fail(rowWhere, QStringLiteral("a linha deveria ser uma lista de valores"));
    const QJsonArray array = json.toArray();
    if (array.size() != fields.size()) {
        location.fail(
            rowWhere,
            QStringLiteral("a linha tem %1 valores, mas há %2 colunas").arg(array.size()).arg(fields.size()));
    }
    Row row;
    row.reserve(fields.size());
    for (int i = 0; i < fields.size(); ++i)
        row.append(valueFromJson(fields.at(i), array.at(i), location, rowWhere));
    return row;
}

QJsonValue parse(const QByteArray& json, const Location& location) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        location.fail(
            QString(),
            QStringLiteral("JSON malformado na posição %1 (%2)").arg(error.offset).arg(error.errorString()));
    }
    if (!document.isObject())
        location.fail(QString(), QStringLiteral("era esperado um objeto JSON"));
    return document.object();
}

int digits(QStringView text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

}  // namespace

QByteArray encode(const DataPacket& packet) {
    return QJsonDocument(toJson(packet).toObject()).toJson(QJsonDocument::Compact);
}

QByteArray encode(const Delta& delta) {
    return QJsonDocument(toJson(delta).toObject()).toJson(QJsonDocument::Compact);
}

DataPacket decodePacket(const QByteArray& json) {
    return packetFromJson(parse(json, Location(QStringLiteral("Pacote de dados inválido"))));
}

Delta decodeDelta(const QByteArray& json) {
    return deltaFromJson(parse(json, Location(QStringLiteral("Delta inválido"))));
}

QJsonValue toJson(const DataPacket& packet) {
    const Location location(QStringLiteral("Pacote de dados impossível de codificar"));
    QJsonArray rows;
    for (int i = 0; i < packet.rows.size(); ++i)
        rows.append(
            rowToJson(packet.fields, packet.rows.at(i), location, QStringLiteral("linha %1").arg(i + 1)));
    return QJsonObject{{QStringLiteral("fields"), fieldsToJson(packet.fields)},
                       {QStringLiteral("rows"), rows}};
}

QJsonValue toJson(const Delta& delta) {
    const Location location(QStringLiteral("Delta impossível de codificar"));
    QJsonArray changes;
    for (int i = 0; i < delta.changes.size(); ++i) {
        const Change& change = delta.changes.at(i);
        const QString where = QStringLiteral("alteração %1").arg(i + 1);
        QJsonObject object{{QStringLiteral("op"), opName(change.op)}};
        if (change.op != Change::Op::Insert)
            object.insert(QStringLiteral("old"), rowToJson(delta.fields, change.oldRow, location, where));
        if (change.op != Change::Op::Delete)
            object.insert(QStringLiteral("new"), rowToJson(delta.fields, change.newRow, location, where));
        changes.append(object);
    }
    return QJsonObject{{QStringLiteral("fields"), fieldsToJson(delta.fields)},
                       {QStringLiteral("changes"), changes}};
}

DataPacket packetFromJson(const QJsonValue& json) {
    const Location location(QStringLiteral("Pacote de dados inválido"));
    const QJsonObject object = requireObject(json, location, QString());
    DataPacket packet;
    packet.fields = fieldsFromJson(object, location);
    const QJsonArray rows = requireArray(object, QStringLiteral("rows"), location, QString());
    packet.rows.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        packet.rows.append(
            rowFromJson(packet.fields, rows.at(i), location, QStringLiteral("linha %1").arg(i + 1)));
    return packet;
}

Delta deltaFromJson(const QJsonValue& json) {
    const Location location(QStringLiteral("Delta inválido"));
    const QJsonObject object = requireObject(json, location, QString());
    Delta delta;
    delta.fields = fieldsFromJson(object, location);
    const QJsonArray changes = requireArray(object, QStringLiteral("changes"), location, QString());
    delta.changes.reserve(changes.size());
    for (int i = 0; i < changes.size(); ++i) {
        const QString where = QStringLiteral("alteração %1").arg(i + 1);
        const QJsonObject entry = requireObject(changes.at(i), location, where);
        const QJsonValue op = entry.value(QStringLiteral("op"));
        Change change;
        if (op == QJsonValue(QStringLiteral("insert")))
            change.op = Change::Op::Insert;
        else if (op == QJsonValue(QStringLiteral("update")))
            change.op = Change::Op::Update;
        else if (op == QJsonValue(QStringLiteral("delete")))
            change.op = Change::Op::Delete;
        else
            location.fail(where, QStringLiteral("operação desconhecida (use insert, update ou delete)"));

        const bool wantsOld = change.op != Change::Op::Insert;
        const bool wantsNew = change.op != Change::Op::Delete;
        const QJsonValue oldRow = entry.value(QStringLiteral("old"));
        const QJsonValue newRow = entry.value(QStringLiteral("new"));
        if (wantsOld != !oldRow.isUndefined() || wantsNew != !newRow.isUndefined()) {
            location.fail(
                where, QStringLiteral("uma alteração %1 leva %2")
                           .arg(opName(change.op), wantsOld && wantsNew ? QStringLiteral("\"old\" e \"new\"")
                                                   : wantsOld           ? QStringLiteral("só \"old\"")
                                                                        : QStringLiteral("só \"new\"")));
        }
        if (wantsOld)
            change.oldRow = rowFromJson(delta.fields, oldRow, location, where + QStringLiteral(" (old)"));
        if (wantsNew)
            change.newRow = rowFromJson(delta.fields, newRow, location, where + QStringLiteral(" (new)"));
        delta.changes.append(change);
    }
    return delta;
}

QString dateTimeToText(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return QString();
    return dateTime.toString(dateTime.time().msec() != 0 ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")
                                                         : QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QDateTime dateTimeFromText(const QString& text) {
    // Parsed by hand: strict about the shape (QDateTime::fromString accepts more than the wire
    // allows) and far cheaper, which matters when a packet carries thousands of dates.
    const QStringView view(text);
    if (view.size() != 19 && view.size() != 23)
        return QDateTime();
    if (view[4] != u'-' || view[7] != u'-' || view[10] != u'T' || view[13] != u':' || view[16] != u':')
        return QDateTime();
    const int year = digits(view, 0, 4);
    const int month = digits(view, 5, 2);
    const int day = digits(view, 8, 2);
    const int hour = digits(view, 11, 2);
    const int minute = digits(view, 14, 2);
    const int second = digits(view, 17, 2);
    int msec = 0;
    if (view.size() == 23) {
        if (view[19] != u'.')
            return QDateTime();
        msec = digits(view, 20, 3);
    }
    if (year < 1 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || msec < 0)
        return QDateTime();
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, msec);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

}  // namespace packet
}  // namespace zrm
