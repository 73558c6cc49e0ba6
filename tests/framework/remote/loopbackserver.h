#pragma once

// An HTTP server on an ephemeral loopback port, running its own event loop in a thread of its own,
// that answers each request as the test says: a prepared response, closing the connection without an
// answer, or no answer at all. It records every request and counts connections, so a test can check
// what the client sent and on which connection.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QWaitCondition>

#include <functional>

class QTcpSocket;

class LoopbackServer : public QThread {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray body;
        int connection = 0;  // 0 for the first connection accepted, 1 for the next, …
        int index = 0;       // 0 for the first request received, over all connections

        QJsonObject json() const;
        QJsonValue param(int position) const;
    };

    struct Reply {
        enum class Action { Answer, CloseUnanswered, Ignore };
        Action action = Action::Answer;
        QByteArray bytes;         // written as they are
        bool closeAfter = false;  // close the connection once the bytes are written
    };

    using Handler = std::function<Reply(const Request&)>;

    // Starts listening; the handler runs on the server's thread.
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer() override;

    quint16 port() const { return m_port; }
    QList<Request> requests() const;
    int connectionsAccepted() const;
    // Waits until `count` connections have been closed on the server's side; false after 10 s.
    bool waitForClosedConnections(int count);

    // Ready-made replies.
    static Reply http(int status, const QByteArray& body, const QByteArray& extraHeaders = {});
    static Reply result(const Request& request, const QJsonValue& value);
    static Reply error(const Request& request, int code, const QString& message);

protected:
    void run() override;

private:
    void serve(QTcpSocket* socket);

    Handler m_handler;
    quint16 m_port = 0;
    QSemaphore m_listening;
    mutable QMutex m_mutex;
    QWaitCondition m_closed;
    QList<Request> m_requests;
    int m_accepted = 0;
    int m_closedCount = 0;
};

// A port on which nothing listens: bound once to find a free one, then released.
quint16 unusedLoopbackPort();
