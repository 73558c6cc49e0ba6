#pragma once

// Data packets and deltas: the values that carry dataset rows and pending changes between the
// client and the application server. This layer knows JSON and Qt Core only, so the server links it
// without any GUI library. The encoding is the one of docs/protocol.md.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <stdexcept>
#include <string>

namespace zrm {

enum class FieldType { String, Float, Integer, DateTime };

// One column of a packet: its name, its type and, for text, its maximum number of characters.
struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;

    bool operator==(const FieldDef&) const = default;
};

// A cell value. An invalid QVariant is the empty value (JSON null); otherwise a QString for text, a
// double for float, a qint64 for integer and a QDateTime (local, no zone) for a date-time.
using Value = QVariant;
using Row = QList<Value>;

struct DataPacket {
    QList<FieldDef> fields;
    QList<Row> rows;

    int fieldIndex(const QString& name) const;  // -1 when the packet has no such column
};

struct Change {
    enum class Op { Insert, Update, Delete };
    Op op = Op::Insert;
    Row oldRow;  // the row as last read from or accepted by the server; empty for an insert
    Row newRow;  // the row as it is now; empty for a delete
};

struct Delta {
    QList<FieldDef> fields;
    QList<Change> changes;
};

// Thrown by every decoder on malformed input; the message is a Portuguese sentence for the user and
// names what was wrong and where ("linha 3, coluna DTINIFASEORCA: data inválida").
class PacketError : public std::runtime_error {
public:
    explicit PacketError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

namespace packet {

// JSON documents. Decoding checks everything: field names and types, sizes, row widths, value types,
// text length against the field size, date-times. It never crashes on any input. Encoding refuses
// (PacketError) a value that does not fit its column, a row of the wrong width, a non-finite number.
QByteArray encode(const DataPacket& packet);
QByteArray encode(const Delta& delta);
// The same, appended to out (the streaming writer of packetwriter.h underneath).
void write(std::string& out, const DataPacket& packet);
void write(std::string& out, const Delta& delta);
DataPacket decodePacket(const QByteArray& json);
Delta decodeDelta(const QByteArray& json);

// A JSON-RPC 2.0 response as the client reads it: the envelope and, in the same pass over the bytes,
// the result decoded into packets.
struct RpcResponse {
    enum class IdKind { Absent, Null, Integer, Other };
    bool versionIs20 = false;  // "jsonrpc":"2.0"
    IdKind idKind = IdKind::Absent;
    qint64 id = 0;  // when idKind is Integer
    bool hasResult = false;
    bool hasError = false;
    // The result: one packet, or (isList) the packets of a list. unreadable says why a result is
    // neither (and packets is then empty).
    QList<DataPacket> packets;
    bool isList = false;
    QString unreadable;
    // The error: well formed when it is an object with an integer code and a text message.
    bool errorWellFormed = false;
    int errorCode = 0;
    QString errorMessage;
};

// Reads a response body. Throws PacketError when the body is not strict JSON or not an object; what
// a well-formed body says wrongly (version, id, result and error together) is for the caller to judge.
RpcResponse decodeRpcResponse(const QByteArray& body);

// Date-times on the wire: "YYYY-MM-DDTHH:MM:SS" with optional ".mmm", local time without zone.
QString dateTimeToText(const QDateTime& dateTime);
QDateTime dateTimeFromText(const QString& text);  // invalid QDateTime when the text is not one

}  // namespace packet
}  // namespace zrm
