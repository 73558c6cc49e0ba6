#include "framework/data/usertexts.h"
#include "framework/remote/httpresponse_p.h"

#include <QList>

#include <algorithm>

namespace zrm::remote {
namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");
const QByteArray EndOfHead = QByteArrayLiteral("\r\n\r\n");

bool isDigits(const QByteArray& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isHexDigits(const QByteArray& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

// Lower-case tokens of a comma-separated header value ("keep-alive, Upgrade").
QList<QByteArray> tokens(const QByteArray& value) {
    QList<QByteArray> result;
    for (const QByteArray& part : value.split(','))
        result.append(part.trimmed().toLower());
    return result;
}

}  // namespace

HttpResponseParser::State HttpResponseParser::feed(const QByteArray& bytes) {
    m_buffer.append(bytes);
    if (m_state != State::Incomplete)
        return m_state;
    while (step()) {
    }
    return m_state;
}

HttpResponseParser::State HttpResponseParser::finishAtEndOfStream() {
    if (m_state == State::Incomplete && m_phase == Phase::UntilClose)
        finish();
    return m_state;
}

HttpResponseParser::State HttpResponseParser::fail(const QString& error) {
    m_error = error;
    m_state = State::Malformed;
    return m_state;
}

void HttpResponseParser::finish() {
    m_phase = Phase::Done;
    m_state = State::Complete;
}

// Where terminator starts in the buffer, when the text before it has at most limit bytes; -1 while
// it has not arrived and may still come within the limit. A longer text fails with error (and gives
// -1) whether it arrived whole or in pieces.
qsizetype HttpResponseParser::findWithin(const QByteArray& terminator, qsizetype limit,
                                         const QString& error) {
    const qsizetype end = m_buffer.indexOf(terminator);
    // Before the terminator arrives, the text is at least what was received, less the terminator's
    // first bytes that may already be there.
    const qsizetype shortest = end >= 0 ? end : m_buffer.size() - (terminator.size() - 1);
    if (shortest > limit) {
        fail(error);
        return -1;
    }
    return end;
}

bool HttpResponseParser::step() {
    switch (m_phase) {
        case Phase::Head: {
            const qsizetype end = findWithin(
                EndOfHead, MaxHeadSize, zrm::userText(QStringLiteral("cabeçalho da resposta grande demais")));
            if (end < 0)
                return false;
            const QByteArray head = m_buffer.left(end);
            m_buffer.remove(0, end + EndOfHead.size());
            return parseHead(head);
        }
        case Phase::FixedBody:
        case Phase::ChunkData: {
            if (m_buffer.isEmpty())
                return false;
            const qsizetype taken = qMin(m_remaining, m_buffer.size());
            m_body.append(m_buffer.constData(), taken);
            m_buffer.remove(0, taken);
            m_remaining -= taken;
            if (m_remaining == 0) {
                if (m_phase == Phase::FixedBody)
                    finish();
                else
                    m_phase = Phase::ChunkEnd;
            }
            return true;
        }
        case Phase::ChunkSize: {
            const qsizetype end =
                findWithin(CrLf, MaxChunkLine, zrm::userText(QStringLiteral("tamanho de bloco inválido")));
            if (end < 0)
                return false;
            QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + CrLf.size());
            const qsizetype extension = line.indexOf(';');
            if (extension >= 0)
                line.truncate(extension);
            line = line.trimmed();
            // At most eight hex digits: anything longer is beyond the body limit anyway.
            if (!isHexDigits(line) || line.size() > 8) {
                fail(zrm::userText(QStringLiteral("tamanho de bloco inválido")));
                return false;
            }
            const qsizetype size = line.toLongLong(nullptr, 16);
            if (m_body.size() + size > MaxBodySize) {
                fail(zrm::userText(QStringLiteral("resposta grande demais")));
                return false;
            }
            m_remaining = size;
            m_phase = size == 0 ? Phase::Trailer : Phase::ChunkData;
            return true;
        }
        case Phase::ChunkEnd:
            if (m_buffer.size() < CrLf.size())
                return false;
            if (!m_buffer.startsWith(CrLf)) {
                fail(zrm::userText(QStringLiteral("fim de bloco inválido")));
                return false;
            }
            m_buffer.remove(0, CrLf.size());
            m_phase = Phase::ChunkSize;
            return true;
        case Phase::Trailer: {
            const qsizetype end = findWithin(
                CrLf, MaxHeadSize, zrm::userText(QStringLiteral("cabeçalho da resposta grande demais")));
            if (end < 0)
                return false;
            m_buffer.remove(0, end + CrLf.size());
            if (end == 0)
                finish();  // the empty line that ends the trailer fields, which are not used
            return true;
        }
        case Phase::UntilClose:
            m_body.append(m_buffer);
            m_buffer.clear();
            if (m_body.size() > MaxBodySize)
                fail(zrm::userText(QStringLiteral("resposta grande demais")));
            return false;
        case Phase::Done:
            return false;
    }
    return false;
}

bool HttpResponseParser::parseHead(const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    // "HTTP/1.1 200 OK"; the reason phrase may be empty or missing.
    const QByteArray statusLine = lines.first().chopped(lines.first().endsWith('\r') ? 1 : 0);
    const QByteArray statusCode = statusLine.mid(9, 3);
    if (!statusLine.startsWith("HTTP/1.") || statusLine.size() < 12 || statusLine.at(8) != ' ' ||
        !isDigits(statusCode) || (statusLine.size() > 12 && statusLine.at(12) != ' ')) {
        fail(zrm::userText(QStringLiteral("linha de estado inválida")));
        return false;
    }
    m_status = statusCode.toInt();
    m_keepAlive = statusLine.at(7) != '0';  // HTTP/1.0 closes unless asked to keep the connection

    bool chunked = false;
    qint64 contentLength = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& raw = lines.at(i);
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.startsWith(' ') || line.startsWith('\t')) {
            fail(zrm::userText(QStringLiteral("cabeçalho inválido")));
            return false;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            const qint64 length = isDigits(value) && value.size() <= 18 ? value.toLongLong() : -1;
            if (length < 0 || (contentLength >= 0 && length != contentLength)) {
                fail(zrm::userText(QStringLiteral("Content-Length inválido")));
                return false;
            }
            contentLength = length;
        } else if (name == "transfer-encoding") {
            if (tokens(value).constLast() != "chunked") {
                fail(zrm::userText(QStringLiteral("codificação de transferência não suportada")));
                return false;
            }
            chunked = true;
        } else if (name == "connection") {
            const QList<QByteArray> options = tokens(value);
            if (options.contains("close"))
                m_keepAlive = false;
            else if (options.contains("keep-alive"))
                m_keepAlive = true;
        }
    }

    if (m_status >= 100 && m_status < 200) {
        // An interim answer (100 Continue): the real one follows on the same stream.
        m_status = 0;
        return true;
    }
    if (m_status == 204 || m_status == 304) {
        finish();
    } else if (chunked) {
        m_phase = Phase::ChunkSize;
    } else if (contentLength > MaxBodySize) {
        fail(zrm::userText(QStringLiteral("resposta grande demais")));
        return false;
    } else if (contentLength >= 0) {
        m_remaining = contentLength;
        m_phase = Phase::FixedBody;
        if (contentLength == 0)
            finish();
    } else {
        // No framing: the body runs to the end of the stream, so the connection cannot be reused.
        m_phase = Phase::UntilClose;
        m_keepAlive = false;
    }
    return true;
}

}  // namespace zrm::remote
