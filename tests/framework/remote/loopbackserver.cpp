#include "loopbackserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {

// Takes one complete request off the front of `buffer`, framed by Content-Length; false while the
// buffer holds only part of one.
bool takeRequest(QByteArray& buffer, LoopbackServer::Request& request) {
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    QMap<QByteArray, QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        headers.insert(lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed());
    }
    const qsizetype length = headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headEnd + 4 + length)
        return false;
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    request.headers = headers;
    request.body = buffer.mid(headEnd + 4, length);
    buffer.remove(0, headEnd + 4 + length);
    return true;
}

}  // namespace

QJsonObject LoopbackServer::Request::json() const {
    return QJsonDocument::fromJson(body).object();
}

QJsonValue LoopbackServer::Request::param(int position) const {
    return json().value(QStringLiteral("params")).toArray().at(position);
}

LoopbackServer::LoopbackServer(Handler handler) : m_handler(std::move(handler)) {
    start();
    m_listening.acquire();
}

LoopbackServer::~LoopbackServer() {
    quit();
    wait();
}

QList<LoopbackServer::Request> LoopbackServer::requests() const {
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int LoopbackServer::connectionsAccepted() const {
    QMutexLocker lock(&m_mutex);
    return m_accepted;
}

bool LoopbackServer::waitForClosedConnections(int count) {
    QMutexLocker lock(&m_mutex);
    QDeadlineTimer deadline(10'000);
    while (m_closedCount < count) {
        if (!m_closed.wait(&m_mutex, deadline))
            return false;
    }
    return true;
}

void LoopbackServer::run() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    m_port = server.serverPort();
    QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
        while (QTcpSocket* socket = server.nextPendingConnection())
            serve(socket);
    });
    m_listening.release();
    exec();
}

void LoopbackServer::serve(QTcpSocket* socket) {
    int connection = 0;
    {
        QMutexLocker lock(&m_mutex);
        connection = m_accepted++;
    }
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer, connection] {
        buffer->append(socket->readAll());
        Request request;
        while (takeRequest(*buffer, request)) {
            request.connection = connection;
            {
                QMutexLocker lock(&m_mutex);
                request.index = static_cast<int>(m_requests.size());
                m_requests.append(request);
            }
            const Reply reply = m_handler(request);
            if (reply.action == Reply::Action::CloseUnanswered) {
                socket->disconnectFromHost();
                return;
            }
            if (reply.action == Reply::Action::Answer) {
                socket->write(reply.bytes);
                if (reply.closeAfter) {
                    socket->disconnectFromHost();
                    return;
                }
            }
        }
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
        {
            QMutexLocker lock(&m_mutex);
            ++m_closedCount;
        }
        m_closed.wakeAll();
        socket->deleteLater();
    });
}

LoopbackServer::Reply LoopbackServer::http(int status, const QByteArray& body,
                                           const QByteArray& extraHeaders) {
    Reply reply;
    reply.bytes = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: application/json\r\n" +
                  extraHeaders + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    return reply;
}

LoopbackServer::Reply LoopbackServer::result(const Request& request, const QJsonValue& value) {
    const QJsonObject response{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                               {QStringLiteral("id"), request.json().value(QStringLiteral("id"))},
                               {QStringLiteral("result"), value}};
    return http(200, QJsonDocument(response).toJson(QJsonDocument::Compact));
}

LoopbackServer::Reply LoopbackServer::error(const Request& request, int code, const QString& message) {
    const QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    const QJsonObject response{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                               {QStringLiteral("id"), request.json().value(QStringLiteral("id"))},
                               {QStringLiteral("error"), error}};
    return http(200, QJsonDocument(response).toJson(QJsonDocument::Compact));
}

quint16 unusedLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
