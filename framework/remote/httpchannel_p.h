#pragma once

// One kept-alive HTTP/1.1 connection to the application server, driven synchronously: every wait is a
// blocking wait of the socket on the calling thread, so no event loop runs and no user input is
// delivered while a request is out.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <memory>

class QTcpSocket;

namespace zrm::remote {

// How one request ended. `Answered` carries the status and the body; every other outcome a
// Portuguese description for the user in `detail`.
struct HttpExchange {
    enum class Outcome { Answered, ConnectFailed, Untrusted, TimedOut, Lost, Malformed };
    Outcome outcome = Outcome::Lost;
    int status = 0;
    QByteArray body;
    QString detail;
};

class HttpChannel {
public:
    HttpChannel();
    ~HttpChannel();
    HttpChannel(const HttpChannel&) = delete;
    HttpChannel& operator=(const HttpChannel&) = delete;

    // HTTPS from the next open on: TLS 1.2 and later, the certificate checked against host, the
    // clock and the authorities of caFile (PEM) or, when it is empty, of the system's store.
    void setTls(bool enabled, const QString& caFile);

    // Opens a new connection to host:port, dropping any open one, and remembers the address for
    // reconnecting. Returns ConnectFailed or TimedOut with a description, else Answered.
    HttpExchange open(const QString& host, quint16 port, QDeadlineTimer deadline);
    void close();
    bool isOpen() const;

    // Sends one complete request (head and body) and reads its response. Opens a connection to the
    // remembered address when none is open. When a reused connection turns out to have been closed
    // by the server before any byte of the answer arrived, reconnects once and sends again. After a
    // time-out, a lost or malformed answer, or an answer that closes the connection, the connection
    // is dropped and the next request opens a new one.
    HttpExchange send(const QByteArray& request, QDeadlineTimer deadline);

private:
    HttpExchange exchange(const QByteArray& request, QDeadlineTimer deadline, bool* nothingRead);
    HttpExchange socketFailure(HttpExchange::Outcome outcome, QDeadlineTimer deadline);
    HttpExchange openTls(QDeadlineTimer deadline);

    std::unique_ptr<QTcpSocket> m_socket;
    QString m_host;
    quint16 m_port = 0;
    bool m_hasAnswered = false;  // the open connection has carried a complete exchange
    bool m_tls = false;
    QString m_caFile;
};

}  // namespace zrm::remote
