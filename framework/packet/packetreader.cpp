// The packet reader: one pass over the JSON text straight into rows, checking every value against
// its column as it goes. It builds no JSON document on the way, which makes loading a packet cost
// about as much as parsing its JSON, and it bounds nesting, so no input can exhaust the stack.

#include "framework/packet/jsonlexer.h"
#include "framework/packet/packet_p.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <charconv>
#include <cmath>
#include <limits>

namespace zrm::packet::detail {
namespace {

using json::Number;
using json::Token;

// Where a row sits ("linha 3", "alteração 2 (new)"), spelled out only for a message: building the
// text for every row would cost more than reading most rows.
struct RowPlace {
    const char* kind;
    qsizetype number;
    const char* side = nullptr;

    QString text() const {
        QString result = QStringLiteral("%1 %2").arg(QString::fromUtf8(kind)).arg(number);
        if (side)
            result += QStringLiteral(" (%1)").arg(QLatin1String(side));
        return result;
    }
};

class Reader : public json::Lexer {
public:
    Reader(const QByteArray& json, QString document)
        : Lexer(json.constData(), json.constData() + json.size(), std::move(document)) {}

    DataPacket packet();
    Delta delta();
    RpcResponse rpcResponse();

private:
    DataPacket packetValue();
    void result(RpcResponse& response);
    void error(RpcResponse& response);
    // ---- Packet level ----
    QList<FieldDef> fields();
    void rows(const QList<FieldDef>& fields, QList<Row>* result);
    Row row(const QList<FieldDef>& fields, const RowPlace& place);
    Value cell(const FieldDef& field, const RowPlace& place);
    [[noreturn]] void wrongType(const FieldDef& field, const RowPlace& place) const;
    Value text(const FieldDef& field, const RowPlace& place);
    Value dateTime(const FieldDef& field, const RowPlace& place);
    QList<Change> changes(const QList<FieldDef>& fields);

    // Packets repeat dates in every row: sharing one copy saves a local-time conversion per date.
    QHash<QByteArray, QDateTime> m_dates;
};

// ---- Packet level ----

QList<FieldDef> Reader::fields() {
    if (peek() != Token::Array)
        fail(QString(), QStringLiteral("o membro \"fields\" deveria ser uma lista"));
    QList<FieldDef> result;
    QSet<QString> seen;
    array([&] {
        const QString where = QStringLiteral("campo %1").arg(result.size() + 1);
        if (peek() != Token::Object)
            fail(where, QStringLiteral("era esperado um objeto JSON"));
        std::optional<QString> name;
        std::optional<QString> type;
        std::optional<Number> size;
        bool sizeGiven = false;
        object([&](const QString& key) {
            if (key == QLatin1String("name") && peek() == Token::String)
                name = string();
            else if (key == QLatin1String("type") && peek() == Token::String)
                type = string();
            else if (key == QLatin1String("size") && peek() == Token::Number)
                size = number();
            else
                skipValue(1);
            sizeGiven = sizeGiven || key == QLatin1String("size");
        });
        if (!name || name->isEmpty())
            fail(where, QStringLiteral("o nome do campo deveria ser um texto não vazio"));
        const std::optional<FieldType> fieldType = type ? typeFromName(*type) : std::nullopt;
        if (!fieldType) {
            fail(where, QStringLiteral("tipo %1 desconhecido (use string, float, integer ou datetime)")
                            .arg(type ? quoted(*type) : QStringLiteral("ausente")));
        }
        FieldDef field{*name, *fieldType, 0};
        if (field.type == FieldType::String) {
            const double value = size ? size->real : -1;
            if (value < 1 || value > MaxStringSize || value != std::floor(value)) {
                fail(QStringLiteral("campo %1").arg(field.name),
                     QStringLiteral("um campo de texto precisa de um tamanho inteiro entre 1 e %1")
                         .arg(MaxStringSize));
            }
            field.size = int(value);
        }
        const QString key = field.name.toUpper();
        if (seen.contains(key))
            fail(QStringLiteral("campo %1").arg(field.name), QStringLiteral("nome repetido"));
        seen.insert(key);
        result.append(field);
    });
    return result;
}

void Reader::wrongType(const FieldDef& field, const RowPlace& place) const {
    static const char* const expected[] = {"era esperado um texto", "era esperado um número",
                                           "era esperado um número inteiro",
                                           "era esperada uma data-hora em texto"};
    fail(cellWhere(place.text(), field), QString::fromUtf8(expected[int(field.type)]));
}

Value Reader::text(const FieldDef& field, const RowPlace& place) {
    QString value = string();
    if (value.size() > field.size && characterCount(value) > field.size) {
        fail(cellWhere(place.text(), field),
             QStringLiteral("o texto %1 passa de %2 caracteres").arg(quoted(value)).arg(field.size));
    }
    return value;
}

Value Reader::dateTime(const FieldDef& field, const RowPlace& place) {
    bool plainAscii = true;
    const QByteArray bytes = rawString(&plainAscii);
    const auto known = m_dates.constFind(bytes);
    if (known != m_dates.constEnd())
        return *known;
    WireDateTime parts;
    if (!plainAscii || !parseWireDateTime(bytes.constData(), bytes.size(), &parts)) {
        fail(cellWhere(place.text(), field),
             QStringLiteral("%1 não é uma data-hora válida (AAAA-MM-DDTHH:MM:SS)")
                 .arg(quoted(QString::fromUtf8(bytes))));
    }
    const QDateTime value(parts.date, parts.time);
    m_dates.insert(QByteArray(bytes.constData(), bytes.size()), value);
    return value;
}

Value Reader::cell(const FieldDef& field, const RowPlace& place) {
    const Token token = peek();
    switch (token) {
        case Token::End:
            malformed(QStringLiteral("fim inesperado"));
        case Token::Invalid:
            malformed(QStringLiteral("valor inválido"));
        case Token::Literal:
            if (isNull())
                return {};
            literal();  // true or false, which no column holds
            wrongType(field, place);
        case Token::Object:
        case Token::Array:
            wrongType(field, place);
        case Token::String:
            if (field.type == FieldType::String)
                return text(field, place);
            if (field.type == FieldType::DateTime)
                return dateTime(field, place);
            wrongType(field, place);
        case Token::Number:
            break;
    }
    const Number value = number();
    if (field.type == FieldType::Float)
        return value.real;
    if (field.type == FieldType::Integer) {
        if (value.isInteger)
            return value.integer;
        // A whole number written with a fraction or an exponent ("2.0", "1e3") is still one.
        constexpr double Limit = 9223372036854775808.0;  // 2^63
        if (value.real == std::floor(value.real) && value.real >= -Limit && value.real < Limit)
            return qint64(value.real);
    }
    wrongType(field, place);
}

Row Reader::row(const QList<FieldDef>& fields, const RowPlace& place) {
    if (peek() != Token::Array)
        fail(place.text(), QStringLiteral("a linha deveria ser uma lista de valores"));
    Row result;
    result.reserve(fields.size());
    qsizetype count = 0;
    array([&] {
        if (count < fields.size())
            result.append(cell(fields.at(count), place));
        else
            skipValue(1);  // counted for the message below
        ++count;
    });
    if (count != fields.size())
        fail(place.text(),
             QStringLiteral("a linha tem %1 valores, mas há %2 colunas").arg(count).arg(fields.size()));
    return result;
}

void Reader::rows(const QList<FieldDef>& fields, QList<Row>* result) {
    if (peek() != Token::Array)
        fail(QString(), QStringLiteral("o membro \"rows\" deveria ser uma lista"));
    array([&] { result->append(row(fields, RowPlace{"linha", result->size() + 1})); });
}

QList<Change> Reader::changes(const QList<FieldDef>& fields) {
    if (peek() != Token::Array)
        fail(QString(), QStringLiteral("o membro \"changes\" deveria ser uma lista"));
    QList<Change> result;
    array([&] {
        const QString where = QStringLiteral("alteração %1").arg(result.size() + 1);
        if (peek() != Token::Object)
            fail(where, QStringLiteral("era esperado um objeto JSON"));
        std::optional<QString> op;
        std::optional<Row> oldRow;
        std::optional<Row> newRow;
        object([&](const QString& key) {
            if (key == QLatin1String("op") && peek() == Token::String)
                op = string();
            else if (key == QLatin1String("old"))
                oldRow = row(fields, RowPlace{"alteração", result.size() + 1, "old"});
            else if (key == QLatin1String("new"))
                newRow = row(fields, RowPlace{"alteração", result.size() + 1, "new"});
            else
                skipValue(1);
        });
        Change change;
        if (op == QLatin1String("insert"))
            change.op = Change::Op::Insert;
        else if (op == QLatin1String("update"))
            change.op = Change::Op::Update;
        else if (op == QLatin1String("delete"))
            change.op = Change::Op::Delete;
        else
            fail(where, QStringLiteral("operação desconhecida (use insert, update ou delete)"));
        const bool wantsOld = change.op != Change::Op::Insert;
        const bool wantsNew = change.op != Change::Op::Delete;
        if (wantsOld != oldRow.has_value() || wantsNew != newRow.has_value()) {
            fail(where, QStringLiteral("uma alteração %1 leva %2")
                            .arg(opName(change.op), wantsOld && wantsNew ? QStringLiteral("\"old\" e \"new\"")
                                                    : wantsOld           ? QStringLiteral("só \"old\"")
                                                                         : QStringLiteral("só \"new\"")));
        }
        change.oldRow = oldRow.value_or(Row());
        change.newRow = newRow.value_or(Row());
        result.append(change);
    });
    return result;
}

DataPacket Reader::packet() {
    const Token first = peek();
    if (first == Token::End || first == Token::Invalid)
        malformed(first == Token::End ? QStringLiteral("documento vazio") : QStringLiteral("valor inválido"));
    DataPacket result = packetValue();
    expectEnd();
    return result;
}

DataPacket Reader::packetValue() {
    if (peek() != Token::Object)
        fail(QString(), QStringLiteral("era esperado um objeto JSON"));
    DataPacket result;
    std::optional<QList<FieldDef>> fieldList;
    const char* rowsAt = nullptr;
    bool rowsRead = false;
    object([&](const QString& key) {
        if (key == QLatin1String("fields")) {
            if (fieldList)
                fail(QString(), QStringLiteral("o membro \"fields\" aparece duas vezes"));
            fieldList = fields();
        } else if (key == QLatin1String("rows")) {
            if (rowsAt)
                fail(QString(), QStringLiteral("o membro \"rows\" aparece duas vezes"));
            skipSpace();
            rowsAt = position();
            rowsRead = fieldList.has_value();
            if (rowsRead)
                rows(*fieldList, &result.rows);
            else
                skipValue(1);  // read once the columns are known
        } else {
            skipValue(1);
        }
    });
    if (!fieldList)
        fail(QString(), QStringLiteral("falta o membro \"fields\""));
    if (!rowsAt)
        fail(QString(), QStringLiteral("falta o membro \"rows\""));
    result.fields = *fieldList;
    if (!rowsRead) {
        const char* after = position();
        seek(rowsAt);
        rows(result.fields, &result.rows);
        seek(after);
    }
    return result;
}

// The result straight into packets: one packet, or a list of them. A result of another shape, or
// with a malformed packet, is read over and described, so the envelope around it is still checked.
void Reader::result(RpcResponse& response) {
    response.hasResult = true;
    const char* start = position();
    const Token kind = peek();
    try {
        if (kind == Token::Object) {
            response.packets.append(packetValue());
            return;
        }
        if (kind == Token::Array) {
            response.isList = true;
            array([&] {
                if (peek() != Token::Object)
                    fail(QStringLiteral("elemento %1").arg(response.packets.size() + 1),
                         QStringLiteral("era esperado um pacote de dados"));
                response.packets.append(packetValue());
            });
            return;
        }
        fail(QString(), QStringLiteral("era esperado um pacote de dados ou uma lista deles"));
    } catch (const PacketError& problem) {
        response.packets.clear();
        response.unreadable = problem.message();
        seek(start);
        skipValue();
    }
}

void Reader::error(RpcResponse& response) {
    response.hasError = true;
    if (peek() != Token::Object)
        return skipValue();
    bool hasCode = false;
    bool hasMessage = false;
    object([&](const QString& key) {
        if (key == QLatin1String("code") && peek() == Token::Number) {
            const Number code = number();
            hasCode = code.isInteger && code.integer >= std::numeric_limits<int>::min() &&
                      code.integer <= std::numeric_limits<int>::max();
            response.errorCode = int(code.integer);
        } else if (key == QLatin1String("message") && peek() == Token::String) {
            response.errorMessage = string();
            hasMessage = true;
        } else {
            skipValue();
        }
    });
    response.errorWellFormed = hasCode && hasMessage;
}

RpcResponse Reader::rpcResponse() {
    if (peek() != Token::Object)
        fail(QString(), QStringLiteral("era esperado um objeto JSON"));
    RpcResponse response;
    object([&](const QString& key) {
        if (key == QLatin1String("jsonrpc") && peek() == Token::String) {
            response.versionIs20 = string() == QLatin1String("2.0");
        } else if (key == QLatin1String("id")) {
            const Token kind = peek();
            if (kind == Token::Number) {
                const Number id = number();
                response.idKind = id.isInteger ? RpcResponse::IdKind::Integer : RpcResponse::IdKind::Other;
                response.id = id.integer;
            } else {
                response.idKind = isNull() ? RpcResponse::IdKind::Null : RpcResponse::IdKind::Other;
                if (response.idKind == RpcResponse::IdKind::Other)
                    skipValue();
            }
        } else if (key == QLatin1String("result")) {
            result(response);
        } else if (key == QLatin1String("error")) {
            error(response);
        } else {
            skipValue();
        }
    });
    expectEnd();
    return response;
}

Delta Reader::delta() {
    const Token first = peek();
    if (first == Token::End || first == Token::Invalid)
        malformed(first == Token::End ? QStringLiteral("documento vazio") : QStringLiteral("valor inválido"));
    if (first != Token::Object)
        fail(QString(), QStringLiteral("era esperado um objeto JSON"));
    std::optional<QList<FieldDef>> fieldList;
    const char* changesAt = nullptr;
    object([&](const QString& key) {
        if (key == QLatin1String("fields")) {
            if (fieldList)
                fail(QString(), QStringLiteral("o membro \"fields\" aparece duas vezes"));
            fieldList = fields();
        } else if (key == QLatin1String("changes")) {
            if (changesAt)
                fail(QString(), QStringLiteral("o membro \"changes\" aparece duas vezes"));
            skipSpace();
            changesAt = position();
            skipValue(1);  // read once the columns are known
        } else {
            skipValue(1);
        }
    });
    expectEnd();
    if (!fieldList)
        fail(QString(), QStringLiteral("falta o membro \"fields\""));
    if (!changesAt)
        fail(QString(), QStringLiteral("falta o membro \"changes\""));
    Delta result;
    result.fields = *fieldList;
    seek(changesAt);
    result.changes = changes(result.fields);
    return result;
}

}  // namespace

DataPacket readPacket(const QByteArray& json) {
    return Reader(json, QStringLiteral("Pacote de dados inválido")).packet();
}

Delta readDelta(const QByteArray& json) {
    return Reader(json, QStringLiteral("Delta inválido")).delta();
}

}  // namespace zrm::packet::detail

namespace zrm::packet {

RpcResponse decodeRpcResponse(const QByteArray& body) {
    return detail::Reader(body, QStringLiteral("Resposta inválida")).rpcResponse();
}

}  // namespace zrm::packet
