#pragma once

// A strict JSON reader (RFC 8259) that walks a document in one pass without building a tree: the
// packet reader, the server's JSON-RPC envelope and the client's response reader all sit on it, so
// every side accepts exactly the same language. It refuses what lenient parsers let through (".5",
// "01", raw control characters or NUL inside a text, unknown escapes such as "\q", lone surrogates,
// invalid UTF-8) and bounds nesting, so no input can exhaust the stack.

#include "framework/packet/packet.h"

#include <QHash>

#include <memory>

namespace zrm::json {

enum class Token { Object, Array, String, Number, Literal, End, Invalid };

struct Number {
    bool isInteger = false;  // written without fraction or exponent, and fits 64 bits
    qint64 integer = 0;
    double real = 0;
};

// Deepest nesting accepted inside values the caller skips.
constexpr int MaxDepth = 256;

class Lexer {
public:
    // Reads [begin, end); the bytes must outlive the lexer. Errors are PacketErrors whose message
    // starts with document ("Pacote de dados inválido: JSON malformado na posição 12 (...)").
    Lexer(const char* begin, const char* end, QString document)
        : m_begin(begin), m_pos(begin), m_end(end), m_document(std::move(document)) {}

    // The kind of the next value, after skipping white space.
    Token peek();
    // Consumes c (after white space) or fails as malformed.
    void expect(char c);
    // Consumes c when it comes next (after white space).
    bool accept(char c);
    // Consumes a null literal when it comes next.
    bool isNull();

    // The next value, which must be of the kind read. string() shares one copy of repeated short
    // texts. rawString returns the UTF-8 bytes with escapes resolved (a view into the document when
    // it had none) and tells whether they are plain ASCII.
    QString string();
    QByteArray rawString(bool* plainAscii);
    Number number();
    void literal();
    // Reads and checks any value; depth counts the levels already entered.
    void skipValue(int depth = 1);

    // Reads an object, calling onMember(key) positioned at each member's value, which it must read.
    template <typename OnMember>
    void object(OnMember onMember);
    // Reads an array, calling onElement() positioned at each element, which it must read.
    template <typename OnElement>
    void array(OnElement onElement);

    // Fails unless only white space is left.
    void expectEnd();

    const char* position() const { return m_pos; }
    void seek(const char* position) { m_pos = position; }
    void skipSpace() {
        while (m_pos < m_end && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
            ++m_pos;
    }

    [[noreturn]] void malformed(const QString& why) const;
    // A well-formed document that does not say what it should: "document: where: what."
    [[noreturn]] void fail(const QString& where, const QString& what) const;

private:
    char32_t hexEscape();
    void checkUtf8(const char* from, const char* to) const;

    const char* m_begin;
    const char* m_pos;
    const char* m_end;
    QString m_document;
    // Packets repeat short texts ("S", "N", a year) in every row: sharing one copy saves an
    // allocation per cell. Made on the first text read, so a lexer that reads a small envelope does
    // not pay for building and tearing it down.
    struct SharedTexts {
        QString characters[128];
        QHash<QByteArray, QString> shortTexts;
    };
    std::unique_ptr<SharedTexts> m_shared;
};

template <typename OnMember>
void Lexer::object(OnMember onMember) {
    expect('{');
    if (accept('}'))
        return;
    do {
        if (peek() != Token::String)
            malformed(QStringLiteral("esperava o nome de um membro"));
        const QString key = string();
        expect(':');
        onMember(key);
    } while (accept(','));
    expect('}');
}

template <typename OnElement>
void Lexer::array(OnElement onElement) {
    expect('[');
    if (accept(']'))
        return;
    do {
        onElement();
    } while (accept(','));
    expect(']');
}

}  // namespace zrm::json
