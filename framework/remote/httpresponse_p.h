#pragma once

// Reading one HTTP/1.1 response from a byte stream that arrives in pieces of any size: the status
// line, the headers, and a body framed by Content-Length, by chunked transfer coding or by the end of
// the stream. Interim 1xx responses are skipped. Knows nothing of sockets, so every split of the
// stream can be tested.

#include <QByteArray>
#include <QString>

namespace zrm::remote {

class HttpResponseParser {
public:
    enum class State { Incomplete, Complete, Malformed };

    // The largest head (status line and headers) and body accepted; anything bigger is malformed,
    // so a faulty peer cannot make the client hold unbounded memory.
    static constexpr qsizetype MaxHeadSize = qsizetype{64} * 1024;
    static constexpr qsizetype MaxBodySize = qsizetype{256} * 1024 * 1024;
    // A chunk-size line longer than this cannot be an honest one (eight hex digits and an extension).
    static constexpr qsizetype MaxChunkLine = 1024;

    // Takes the next bytes of the stream and reads as far as they go. Bytes after a complete
    // response are kept aside (see hasTrailingBytes). Returns the state reached.
    State feed(const QByteArray& bytes);

    // The peer closed the stream: a body delimited by the end of the stream is complete now; any
    // other incomplete response is cut off and stays Incomplete. Returns the state reached.
    State finishAtEndOfStream();

    State state() const { return m_state; }
    int status() const { return m_status; }
    const QByteArray& body() const { return m_body; }
    // Whether the connection may carry the next request after this response.
    bool keepAlive() const { return m_keepAlive; }
    // Whether the peer sent more than one response; the connection is out of step then.
    bool hasTrailingBytes() const { return m_state == State::Complete && !m_buffer.isEmpty(); }
    // What was wrong, in Portuguese, when the state is Malformed.
    const QString& error() const { return m_error; }

private:
    enum class Phase { Head, FixedBody, ChunkSize, ChunkData, ChunkEnd, Trailer, UntilClose, Done };

    qsizetype findWithin(const QByteArray& terminator, qsizetype limit, const QString& error);
    bool parseHead(const QByteArray& head);
    bool step();  // one step of the state machine; false when more bytes are needed or it stopped
    State fail(const QString& error);
    void finish();

    QByteArray m_buffer;  // received and not yet consumed
    QByteArray m_body;
    Phase m_phase = Phase::Head;
    State m_state = State::Incomplete;
    int m_status = 0;
    bool m_keepAlive = true;
    qsizetype m_remaining = 0;  // bytes still due of the fixed body or the current chunk
    QString m_error;
};

}  // namespace zrm::remote
