#include "framework/remote/httpchannel_p.h"

#include "framework/data/usertexts.h"
#include "framework/remote/httpresponse_p.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

namespace zrm::remote {
namespace {

int waitTime(QDeadlineTimer deadline) {
    return deadline.isForever() ? -1 : static_cast<int>(qMax<qint64>(0, deadline.remainingTime()));
}

// Why the socket failed, as a short Portuguese phrase for the user's message.
QString socketReason(const QTcpSocket& socket) {
    switch (socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return zrm::userText(QStringLiteral("conexão recusada"));
        case QAbstractSocket::HostNotFoundError:
            return zrm::userText(QStringLiteral("endereço não encontrado"));
        case QAbstractSocket::RemoteHostClosedError:
            return zrm::userText(QStringLiteral("conexão encerrada pelo servidor"));
        case QAbstractSocket::NetworkError:
            return zrm::userText(QStringLiteral("falha de rede"));
        default:
            return zrm::userText(QStringLiteral("erro de rede: %1")).arg(socket.errorString());
    }
}

// Why the server's certificate was refused, as a short Portuguese phrase for the user's message.
QString certificateReason(const QList<QSslError>& errors, const QString& host) {
    for (const QSslError& error : errors) {
        switch (error.error()) {
            case QSslError::HostNameMismatch:
                return zrm::userText(QStringLiteral("o certificado do servidor não é do endereço %1"))
                    .arg(host);
            case QSslError::CertificateExpired:
                return zrm::userText(QStringLiteral("o certificado do servidor expirou"));
            case QSslError::CertificateNotYetValid:
                return zrm::userText(QStringLiteral("o certificado do servidor ainda não é válido"));
            case QSslError::UnableToGetLocalIssuerCertificate:
            case QSslError::UnableToGetIssuerCertificate:
            case QSslError::SelfSignedCertificate:
            case QSslError::SelfSignedCertificateInChain:
            case QSslError::CertificateUntrusted:
                return zrm::userText(
                    QStringLiteral("o certificado do servidor não é de uma autoridade confiável"));
            default:
                break;
        }
    }
    return errors.isEmpty() ? QString()
                            : zrm::userText(QStringLiteral("o certificado do servidor foi recusado (%1)"))
                                  .arg(errors.front().errorString());
}

}  // namespace

HttpChannel::HttpChannel() = default;
HttpChannel::~HttpChannel() = default;

bool HttpChannel::isOpen() const {
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void HttpChannel::close() {
    if (m_socket)
        m_socket->abort();
    m_socket.reset();
    m_hasAnswered = false;
}

HttpExchange HttpChannel::socketFailure(HttpExchange::Outcome outcome, QDeadlineTimer deadline) {
    HttpExchange result;
    // A wait that failed on a socket still connected can only have run out of time.
    const bool timedOut = deadline.hasExpired() || (m_socket->state() != QAbstractSocket::UnconnectedState &&
                                                    m_socket->error() == QAbstractSocket::SocketTimeoutError);
    result.outcome = timedOut ? HttpExchange::Outcome::TimedOut : outcome;
    result.detail = socketReason(*m_socket);
    close();
    return result;
}

void HttpChannel::setTls(bool enabled, const QString& caFile) {
    m_tls = enabled;
    m_caFile = caFile;
}

HttpExchange HttpChannel::open(const QString& host, quint16 port, QDeadlineTimer deadline) {
    close();
    m_host = host;
    m_port = port;
    if (m_tls)
        return openTls(deadline);
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(host, port);
    if (!m_socket->waitForConnected(waitTime(deadline)))
        return socketFailure(HttpExchange::Outcome::ConnectFailed, deadline);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    HttpExchange result;
    result.outcome = HttpExchange::Outcome::Answered;
    return result;
}

HttpExchange HttpChannel::openTls(QDeadlineTimer deadline) {
    HttpExchange result;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!m_caFile.isEmpty()) {
        const QList<QSslCertificate> authorities = QSslCertificate::fromPath(m_caFile, QSsl::Pem);
        if (authorities.isEmpty()) {
            result.outcome = HttpExchange::Outcome::Untrusted;
            result.detail =
                zrm::userText(
                    QStringLiteral(
                        "o arquivo de autoridades %1 não pôde ser lido ou não contém certificados PEM"))
                    .arg(m_caFile);
            return result;
        }
        configuration.setCaCertificates(authorities);
    }
    auto socket = std::make_unique<QSslSocket>();
    socket->setSslConfiguration(configuration);
    QSslSocket* tls = socket.get();
    m_socket = std::move(socket);
    tls->connectToHostEncrypted(m_host, m_port);
    if (!tls->waitForEncrypted(waitTime(deadline))) {
        const QList<QSslError> refused = tls->sslHandshakeErrors();
        if (refused.isEmpty())
            return socketFailure(HttpExchange::Outcome::ConnectFailed, deadline);
        result.outcome = HttpExchange::Outcome::Untrusted;
        result.detail = certificateReason(refused, m_host);
        close();
        return result;
    }
    tls->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    result.outcome = HttpExchange::Outcome::Answered;
    return result;
}

HttpExchange HttpChannel::send(const QByteArray& request, QDeadlineTimer deadline) {
    // An idle connection the server has closed, or one holding bytes nobody asked for, is noticed
    // here, before anything is sent on it. The poll waits for nothing.
    const bool idle =
        isOpen() && m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(0) && isOpen();
    const bool reused = idle && m_hasAnswered;
    if (!idle) {
        HttpExchange opened = open(m_host, m_port, deadline);
        if (opened.outcome != HttpExchange::Outcome::Answered)
            return opened;
    }
    bool nothingRead = true;
    HttpExchange result = exchange(request, deadline, &nothingRead);
    // The server may close an idle connection while the request is on its way. The request was then
    // never read, so sending it again on a new connection cannot apply it twice.
    if (result.outcome == HttpExchange::Outcome::Lost && nothingRead && reused) {
        HttpExchange opened = open(m_host, m_port, deadline);
        if (opened.outcome != HttpExchange::Outcome::Answered)
            return opened;
        result = exchange(request, deadline, &nothingRead);
    }
    return result;
}

HttpExchange HttpChannel::exchange(const QByteArray& request, QDeadlineTimer deadline, bool* nothingRead) {
    *nothingRead = true;
    if (m_socket->write(request) != request.size())
        return socketFailure(HttpExchange::Outcome::Lost, deadline);
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(waitTime(deadline)))
            return socketFailure(HttpExchange::Outcome::Lost, deadline);
    }

    HttpResponseParser parser;
    for (;;) {
        if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(waitTime(deadline))) {
            if (parser.finishAtEndOfStream() == HttpResponseParser::State::Complete)
                break;
            return socketFailure(HttpExchange::Outcome::Lost, deadline);
        }
        const QByteArray bytes = m_socket->readAll();
        if (!bytes.isEmpty())
            *nothingRead = false;
        const HttpResponseParser::State state = parser.feed(bytes);
        if (state == HttpResponseParser::State::Malformed) {
            close();
            HttpExchange result;
            result.outcome = HttpExchange::Outcome::Malformed;
            result.detail = parser.error();
            return result;
        }
        if (state == HttpResponseParser::State::Complete)
            break;
    }
    if (!parser.keepAlive() || parser.hasTrailingBytes())
        close();
    else
        m_hasAnswered = true;
    HttpExchange result;
    result.outcome = HttpExchange::Outcome::Answered;
    result.status = parser.status();
    result.body = parser.body();
    return result;
}

}  // namespace zrm::remote
