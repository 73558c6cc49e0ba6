#include "framework/packet/jsonlexer.h"

#include <charconv>
#include <cmath>

namespace zrm::json {

Token Lexer::peek() {
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

void Lexer::expect(char c) {
    skipSpace();
    if (m_pos == m_end || *m_pos != c)
        malformed(m_pos == m_end ? QStringLiteral("fim inesperado")
                                 : QStringLiteral("esperava '%1'").arg(QLatin1Char(c)));
    ++m_pos;
}

bool Lexer::accept(char c) {
    skipSpace();
    if (m_pos == m_end || *m_pos != c)
        return false;
    ++m_pos;
    return true;
}

bool Lexer::isNull() {
    if (peek() != Token::Literal || m_end - m_pos < 4 || qstrncmp(m_pos, "null", 4) != 0)
        return false;
    m_pos += 4;
    return true;
}

void Lexer::expectEnd() {
    skipSpace();
    if (m_pos != m_end)
        malformed(QStringLiteral("conteúdo depois do fim do documento"));
}

void Lexer::malformed(const QString& why) const {
    fail(QString(), QStringLiteral("JSON malformado na posição %1 (%2)").arg(m_pos - m_begin).arg(why));
}

void Lexer::fail(const QString& where, const QString& what) const {
    if (where.isEmpty())
        throw PacketError(QStringLiteral("%1: %2.").arg(m_document, what));
    throw PacketError(QStringLiteral("%1: %2: %3.").arg(m_document, where, what));
}

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing above U+10FFFF.
void Lexer::checkUtf8(const char* from, const char* to) const {
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    const auto* end = reinterpret_cast<const unsigned char*>(to);
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int length;
        char32_t code;
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
            code = lead & 0x1f;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            code = lead & 0x0f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            code = lead & 0x07;
        } else {
            malformed(QStringLiteral("texto com UTF-8 inválido"));
        }
        if (end - p < length)
            malformed(QStringLiteral("texto com UTF-8 inválido"));
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                malformed(QStringLiteral("texto com UTF-8 inválido"));
            code = (code << 6) | (p[i] & 0x3f);
        }
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < Smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            malformed(QStringLiteral("texto com UTF-8 inválido"));
        p += length;
    }
}

char32_t Lexer::hexEscape() {
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
}

QByteArray Lexer::rawString(bool* plainAscii) {
    // At the opening quote.
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
    if (!*plainAscii)
        checkUtf8(start, m_pos);
    if (m_pos < m_end && *m_pos == '"')
        return QByteArray::fromRawData(start, m_pos++ - start);

    QByteArray bytes(start, m_pos - start);
    while (true) {
        if (m_pos == m_end)
            malformed(QStringLiteral("texto sem aspas de fecho"));
        const char* run = m_pos;
        while (m_pos < m_end && *m_pos != '"' && *m_pos != '\\') {
            const auto c = static_cast<unsigned char>(*m_pos);
            if (c < 0x20)
                malformed(QStringLiteral("caractere de controle num texto"));
            if (c >= 0x80)
                *plainAscii = false;
            ++m_pos;
        }
        checkUtf8(run, m_pos);
        bytes.append(run, m_pos - run);
        if (m_pos == m_end)
            malformed(QStringLiteral("texto sem aspas de fecho"));
        if (*m_pos++ == '"')
            return bytes;
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
                char32_t code = hexEscape();
                if (QChar::isLowSurrogate(code))
                    malformed(QStringLiteral("escape \\u inválido"));
                if (QChar::isHighSurrogate(code)) {
                    if (m_end - m_pos < 2 || m_pos[0] != '\\' || m_pos[1] != 'u')
                        malformed(QStringLiteral("escape \\u inválido"));
                    m_pos += 2;
                    const char32_t low = hexEscape();
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

QString Lexer::string() {
    bool plainAscii = true;
    const QByteArray bytes = rawString(&plainAscii);
    if (!plainAscii)
        return QString::fromUtf8(bytes);  // checked by rawString
    if (bytes.size() <= 4 && !m_shared)
        m_shared = std::make_unique<SharedTexts>();
    if (bytes.size() == 1) {
        QString& shared = m_shared->characters[static_cast<unsigned char>(bytes.at(0))];
        if (shared.isNull())
            shared = QString::fromLatin1(bytes);
        return shared;
    }
    if (bytes.size() <= 4) {
        auto shared = m_shared->shortTexts.constFind(bytes);
        if (shared != m_shared->shortTexts.constEnd())
            return *shared;
        QString text = QString::fromLatin1(bytes);
        m_shared->shortTexts.insert(QByteArray(bytes.constData(), bytes.size()), text);
        return text;
    }
    return QString::fromLatin1(bytes);
}

Number Lexer::number() {
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

void Lexer::literal() {
    for (const char* word : {"null", "true", "false"}) {
        const auto size = qsizetype(qstrlen(word));
        if (m_end - m_pos >= size && qstrncmp(m_pos, word, size) == 0) {
            m_pos += size;
            return;
        }
    }
    malformed(QStringLiteral("valor inválido"));
}

void Lexer::skipValue(int depth) {
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

}  // namespace zrm::json
