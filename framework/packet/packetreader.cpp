// The packet reader: one pass over the JSON text straight into rows, checking every value against
// its column as it goes. It builds no JSON document on the way, which makes loading a packet cost
// about as much as parsing its JSON, and it bounds nesting, so no input can exhaust the stack.

#include "framework/packet/packet_p.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <limits>

namespace zrm::packet::detail {
namespace {

// While TZ is unset, the C library reads the zone file's status again at every local-time
// conversion, a system call per date-time that Qt converts; on a packet of thousands of dates that
// costs more than all the rest of the reading. Naming the very file it would read anyway keeps the
// zone the system's and lets it read the file once. Done while the program loads, before any thread
// could read the environment at the same time.
const bool localZonePinned = [] {
    if (qEnvironmentVariableIsSet("TZ"))
        return false;
    qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
    return true;
}();

// Deepest nesting accepted inside members the reader does not know (packets themselves nest three
// levels).
constexpr int MaxDepth = 256;

enum class Token { Object, Array, String, Number, Literal, End, Invalid };

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

struct Number {
    bool isInteger = false;  // written without fraction or exponent, and fits 64 bits
    qint64 integer = 0;
    double real = 0;
};

class Reader {
public:
    Reader(const QByteArray& json, QString document)
        : m_begin(json.constData())
        , m_pos(json.constData())
        , m_end(json.constData() + json.size())
        , m_location(std::move(document)) {}

    DataPacket packet();
    Delta delta();

private:
    // ---- Lexical level ----
    [[noreturn]] void malformed(const QString& why) const {
        m_location.fail(QString(),
                        QStringLiteral("JSON malformado na posição %1 (%2)").arg(m_pos - m_begin).arg(why));
    }
    [[noreturn]] void fail(const QString& where, const QString& what) const { m_location.fail(where, what); }

    void skipSpace() {
        while (m_pos < m_end && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
            ++m_pos;
    }
    Token peek() {
        skipSpace();
        if (m_pos == m_end)
            return Token::End;
        switch (*m_pos) {
            case '{':
                return Token::Object;
            case '[':
                return Token::Array;
            case '"':
                return Token::String;
            case 't':
            case 'f':
            case 'n':
                return Token::Literal;
            default:
                return *m_pos == '-' || (*m_pos >= '0' && *m_pos <= '9') ? Token::Number : Token::Invalid;
        }
    }
    bool isNull() {
        if (peek() != Token::Literal || m_end - m_pos < 4 || qstrncmp(m_pos, "null", 4) != 0)
            return false;
        m_pos += 4;
        return true;
    }
    void expect(char c) {
        skipSpace();
        if (m_pos == m_end || *m_pos != c)
            malformed(m_pos == m_end ? QStringLiteral("fim inesperado")
                                     : QStringLiteral("esperava '%1'").arg(QLatin1Char(c)));
        ++m_pos;
    }

    QString string();
    QByteArray rawString(bool* plainAscii);
    Number number();
    void literal();
    void skipValue(int depth);
    template <typename OnMember>
    void object(OnMember onMember);
    template <typename OnElement>
    void array(OnElement onElement);

    // ---- Packet level ----
    QList<FieldDef> fields();
    void rows(const QList<FieldDef>& fields, QList<Row>* rows);
    Row row(const QList<FieldDef>& fields, const RowPlace& place);
    Value cell(const FieldDef& field, const RowPlace& place);
    [[noreturn]] void wrongType(const FieldDef& field, const RowPlace& place) const;
    Value text(const FieldDef& field, const RowPlace& place);
    Value dateTime(const FieldDef& field, const RowPlace& place);
    QList<Change> changes(const QList<FieldDef>& fields);

    const char* m_begin;
    const char* m_pos;
    const char* m_end;
    Location m_location;
    // Packets repeat short texts ("S", "N", a year) and dates in every row: sharing one copy saves
    // an allocation per cell and a local-time conversion per date.
    QString m_characters[128];
    QHash<QByteArray, QString> m_shortTexts;
    QHash<QByteArray, QDateTime> m_dates;
};

// ---- Lexical level ----

QByteArray Reader::rawString(bool* plainAscii) {
    // At the opening quote. Returns the UTF-8 bytes with escapes resolved.
    ++m_pos;
    const char* start = m_pos;
    *plainAscii = true;
    while (m_pos < m_end && *m_pos != '"' && *m_pos != '\\') {
        const auto c = static_cast<unsigned char>(*m_pos);
        if (c < 0x20)
            malformed(QStringLiteral("caractere de controle num texto"));
        if (c >= 0x80)
            *plainAscii = false;
        ++m_pos;
    }
    if (m_pos < m_end && *m_pos == '"')
        return QByteArray::fromRawData(start, m_pos++ - start);

    QByteArray bytes(start, m_pos - start);
    while (true) {
        if (m_pos == m_end)
            malformed(QStringLiteral("texto sem aspas de fecho"));
        const char c = *m_pos++;
        if (c == '"')
            return bytes;
        if (static_cast<unsigned char>(c) < 0x20)
            malformed(QStringLiteral("caractere de controle num texto"));
        if (static_cast<unsigned char>(c) >= 0x80)
            *plainAscii = false;
        if (c != '\\') {
            bytes.append(c);
            continue;
        }
        if (m_pos == m_end)
            malformed(QStringLiteral("texto sem aspas de fecho"));
        const char escape = *m_pos++;
        switch (escape) {
            case '"':
            case '\\':
            case '/':
                bytes.append(escape);
                break;
            case 'b':
                bytes.append('\b');
                break;
            case 'f':
                bytes.append('\f');
                break;
            case 'n':
                bytes.append('\n');
                break;
            case 'r':
                bytes.append('\r');
                break;
            case 't':
                bytes.append('\t');
                break;
            case 'u': {
                auto hex = [this]() -> char32_t {
                    if (m_end - m_pos < 4)
                        malformed(QStringLiteral("escape \\u incompleto"));
                    char32_t value = 0;
                    for (int i = 0; i < 4; ++i) {
                        const char h = *m_pos++;
                        const int digit = h >= '0' && h <= '9'   ? h - '0'
                                          : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                          : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                                 : -1;
                        if (digit < 0)
                            malformed(QStringLiteral("escape \\u inválido"));
                        value = value * 16 + char32_t(digit);
                    }
                    return value;
                };
                char32_t code = hex();
                if (QChar::isLowSurrogate(code))
                    malformed(QStringLiteral("escape \\u inválido"));
                if (QChar::isHighSurrogate(code)) {
                    if (m_end - m_pos < 2 || m_pos[0] != '\\' || m_pos[1] != 'u')
                        malformed(QStringLiteral("escape \\u inválido"));
                    m_pos += 2;
                    const char32_t low = hex();
                    if (!QChar::isLowSurrogate(low))
                        malformed(QStringLiteral("escape \\u inválido"));
                    code = QChar::surrogateToUcs4(char16_t(code), char16_t(low));
                }
                if (code >= 0x80)
                    *plainAscii = false;
                bytes.append(QString::fromUcs4(&code, 1).toUtf8());
                break;
            }
            default:
                malformed(QStringLiteral("escape inválido num texto"));
        }
    }
}

QString Reader::string() {
    bool plainAscii = true;
    const QByteArray bytes = rawString(&plainAscii);
    if (plainAscii && bytes.size() == 1) {
        QString& shared = m_characters[static_cast<unsigned char>(bytes.at(0))];
        if (shared.isNull())
            shared = QString::fromLatin1(bytes);
        return shared;
    }
    if (plainAscii && bytes.size() <= 4) {
        auto shared = m_shortTexts.constFind(bytes);
        if (shared != m_shortTexts.constEnd())
            return *shared;
        const QString text = QString::fromLatin1(bytes);
        m_shortTexts.insert(QByteArray(bytes.constData(), bytes.size()), text);
        return text;
    }
    if (plainAscii)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        malformed(QStringLiteral("texto com UTF-8 inválido"));
    return text;
}

Number Reader::number() {
    const char* start = m_pos;
    auto digits = [this] {
        const char* first = m_pos;
        while (m_pos < m_end && *m_pos >= '0' && *m_pos <= '9')
            ++m_pos;
        return m_pos - first;
    };
    if (m_pos < m_end && *m_pos == '-')
        ++m_pos;
    const char* integerPart = m_pos;
    if (digits() == 0 || (*integerPart == '0' && m_pos - integerPart > 1))
        malformed(QStringLiteral("número inválido"));
    bool isInteger = true;
    if (m_pos < m_end && *m_pos == '.') {
        ++m_pos;
        isInteger = false;
        if (digits() == 0)
            malformed(QStringLiteral("número inválido"));
    }
    if (m_pos < m_end && (*m_pos == 'e' || *m_pos == 'E')) {
        ++m_pos;
        isInteger = false;
        if (m_pos < m_end && (*m_pos == '+' || *m_pos == '-'))
            ++m_pos;
        if (digits() == 0)
            malformed(QStringLiteral("número inválido"));
    }
    Number result;
    if (isInteger) {
        const auto [end, error] = std::from_chars(start, m_pos, result.integer);
        result.isInteger = error == std::errc() && end == m_pos;
    }
    const auto [end, error] = std::from_chars(start, m_pos, result.real);
    if (error != std::errc() || end != m_pos || !std::isfinite(result.real))
        malformed(QStringLiteral("número fora do intervalo"));
    return result;
}

void Reader::literal() {
    for (const char* word : {"null", "true", "false"}) {
        const qsizetype size = qsizetype(qstrlen(word));
        if (m_end - m_pos >= size && qstrncmp(m_pos, word, size) == 0) {
            m_pos += size;
            return;
        }
    }
    malformed(QStringLiteral("valor inválido"));
}

void Reader::skipValue(int depth) {
    if (depth > MaxDepth)
        malformed(QStringLiteral("aninhamento profundo demais"));
    switch (peek()) {
        case Token::Object:
            object([this, depth](const QString&) { skipValue(depth + 1); });
            return;
        case Token::Array:
            array([this, depth] { skipValue(depth + 1); });
            return;
        case Token::String: {
            bool plainAscii = true;
            rawString(&plainAscii);
            return;
        }
        case Token::Number:
            number();
            return;
        case Token::Literal:
            literal();
            return;
        case Token::End:
            malformed(QStringLiteral("fim inesperado"));
        case Token::Invalid:
            break;
    }
    malformed(QStringLiteral("valor inválido"));
}

template <typename OnMember>
void Reader::object(OnMember onMember) {
    expect('{');
    if (peek() == Token::Invalid && *m_pos == '}') {
        ++m_pos;
        return;
    }
    while (true) {
        if (peek() != Token::String)
            malformed(QStringLiteral("esperava o nome de um membro"));
        const QString key = string();
        expect(':');
        onMember(key);
        skipSpace();
        if (m_pos < m_end && *m_pos == ',') {
            ++m_pos;
            continue;
        }
        expect('}');
        return;
    }
}

template <typename OnElement>
void Reader::array(OnElement onElement) {
    expect('[');
    if (peek() == Token::Invalid && *m_pos == ']') {
        ++m_pos;
        return;
    }
    while (true) {
        onElement();
        skipSpace();
        if (m_pos < m_end && *m_pos == ',') {
            ++m_pos;
            continue;
        }
        expect(']');
        return;
    }
}

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
        std::optional<QString> name, type;
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
                return Value();
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
        std::optional<Row> oldRow, newRow;
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
    if (first != Token::Object)
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
            rowsAt = m_pos;
            rowsRead = fieldList.has_value();
            if (rowsRead)
                rows(*fieldList, &result.rows);
            else
                skipValue(1);  // read once the columns are known
        } else {
            skipValue(1);
        }
    });
    skipSpace();
    if (m_pos != m_end)
        malformed(QStringLiteral("conteúdo depois do fim do documento"));
    if (!fieldList)
        fail(QString(), QStringLiteral("falta o membro \"fields\""));
    if (!rowsAt)
        fail(QString(), QStringLiteral("falta o membro \"rows\""));
    result.fields = *fieldList;
    if (!rowsRead) {
        m_pos = rowsAt;
        rows(result.fields, &result.rows);
    }
    return result;
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
            changesAt = m_pos;
            skipValue(1);  // read once the columns are known
        } else {
            skipValue(1);
        }
    });
    skipSpace();
    if (m_pos != m_end)
        malformed(QStringLiteral("conteúdo depois do fim do documento"));
    if (!fieldList)
        fail(QString(), QStringLiteral("falta o membro \"fields\""));
    if (!changesAt)
        fail(QString(), QStringLiteral("falta o membro \"changes\""));
    Delta result;
    result.fields = *fieldList;
    m_pos = changesAt;
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
