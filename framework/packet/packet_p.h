#pragma once

// Internals shared by the packet encoder and the packet reader.

#include "framework/packet/packet.h"

#include <optional>

namespace zrm::packet::detail {

QString typeName(FieldType type);
std::optional<FieldType> typeFromName(QStringView name);
QString opName(Change::Op op);

// Number of characters (code points) of a text; a surrogate pair is one character.
qsizetype characterCount(QStringView text);

// A text quoted for a message, shortened when long.
QString quoted(const QString& text);

// Largest text field a packet may declare; far above any real column, low enough that a hostile size
// cannot make a reader reserve absurd amounts of memory.
constexpr int MaxStringSize = 1 << 20;

// Where in a document a value sits, for the error message: the kind of document ("Pacote de dados
// inválido") and a path such as "linha 3, coluna DTINIFASEORCA".
class Location {
public:
    explicit Location(QString document) : m_document(std::move(document)) {}
    [[noreturn]] void fail(const QString& where, const QString& what) const;

private:
    QString m_document;
};

QString cellWhere(const QString& rowWhere, const FieldDef& field);

// The wire date-time "YYYY-MM-DDTHH:MM:SS[.mmm]" as its parts; false when the text is not one.
struct WireDateTime {
    QDate date;
    QTime time;
};
bool parseWireDateTime(const char* text, qsizetype size, WireDateTime* result);

// The reader behind decodePacket and decodeDelta.
DataPacket readPacket(const QByteArray& json);
Delta readDelta(const QByteArray& json);

}  // namespace zrm::packet::detail
