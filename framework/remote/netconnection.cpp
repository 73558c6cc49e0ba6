#include "framework/remote/netconnection.h"

#include "framework/data/usertexts.h"
#include "framework/remote/httpchannel_p.h"
#include "framework/remote/jsonrpc_p.h"

#include <QUrl>

using zrm::remote::HttpExchange;

namespace {

QString systemUserName() {
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"}) {
        QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

// A header value with every control character removed, so a configured text cannot end the header
// and add others.
QByteArray headerValue(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
    return bytes;
}

QString durationText(std::chrono::milliseconds duration) {
    const qint64 ms = duration.count();
    if (ms == 1000)
        return zrm::userText(QStringLiteral("1 segundo"));
    if (ms % 1000 == 0)
        return zrm::userText(QStringLiteral("%1 segundos")).arg(ms / 1000);
    return zrm::userText(QStringLiteral("%1 milissegundos")).arg(ms);
}

// Marks the connection busy for the length of a call or a connect.
class BusyGuard {
public:
    explicit BusyGuard(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyGuard() { m_busy = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& m_busy;
};

// The user's message for a request that did not end in an HTTP 200 answer.
QString failureMessage(const HttpExchange& answer, const QString& endpoint,
                       std::chrono::milliseconds timeout) {
    switch (answer.outcome) {
        case HttpExchange::Outcome::ConnectFailed:
            return zrm::userText(
                       QStringLiteral(
                           "Não foi possível conectar ao servidor de aplicação em %1 (%2). Verifique se o "
                           "servidor está em execução e tente novamente."))
                .arg(endpoint, answer.detail);
        case HttpExchange::Outcome::Untrusted:
            return zrm::userText(
                       QStringLiteral("A conexão segura com o servidor de aplicação em %1 foi recusada: "
                                      "%2. Nada foi enviado. Avise o administrador do servidor."))
                .arg(endpoint, answer.detail);
        case HttpExchange::Outcome::TimedOut:
            return zrm::userText(
                       QStringLiteral("O servidor de aplicação em %1 não respondeu em %2. Tente novamente."))
                .arg(endpoint, durationText(timeout));
        case HttpExchange::Outcome::Lost:
            return zrm::userText(
                       QStringLiteral(
                           "A conexão com o servidor de aplicação em %1 foi interrompida antes da resposta "
                           "(%2). Tente novamente."))
                .arg(endpoint, answer.detail);
        case HttpExchange::Outcome::Malformed:
            return zrm::userText(QStringLiteral("O servidor de aplicação em %1 enviou uma resposta inválida "
                                                "(%2). Tente novamente; "
                                                "se o problema continuar, avise o suporte."))
                .arg(endpoint, answer.detail);
        case HttpExchange::Outcome::Answered:
            break;
    }
    if (answer.status == 401) {
        return zrm::userText(QStringLiteral("O servidor de aplicação em %1 recusou o acesso (HTTP 401). "
                                            "Verifique o token de acesso "
                                            "configurado."))
            .arg(endpoint);
    }
    return zrm::userText(QStringLiteral("O servidor de aplicação em %1 respondeu com o erro HTTP %2. Tente "
                                        "novamente; se o problema "
                                        "continuar, avise o suporte."))
        .arg(endpoint)
        .arg(answer.status);
}

}  // namespace

TRemoteResult TAppServer::Call(const QString& method, const QList<zrm::RemoteArg>& args) const {
    return m_connection->call(method, args);
}

TRemoteResult TAppServer::CallSave(const QString& method, const QList<zrm::RemoteArg>& args,
                                   const QString& saveId) const {
    return m_connection->call(method, args, saveId);
}

TNetConnection::TNetConnection(QObject* parent)
    : QObject(parent)
    , m_caFile(qEnvironmentVariable("ZRM_APPSERVER_CA"))
    , m_token(qEnvironmentVariable("ZRM_APPSERVER_TOKEN"))
    , m_operator(qEnvironmentVariable("ZRM_OPERATOR"))
    , m_channel(std::make_unique<zrm::remote::HttpChannel>()) {
    if (m_operator.isEmpty())
        m_operator = systemUserName();
    const QString tls = qEnvironmentVariable("ZRM_APPSERVER_TLS").trimmed().toLower();
    m_tls = !m_caFile.isEmpty() || tls == QLatin1String("1") || tls == QLatin1String("true") ||
            tls == QLatin1String("yes") || tls == QLatin1String("sim");
}

TNetConnection::~TNetConnection() = default;

void TNetConnection::SetConnected(bool connected) {
    // A BeforeConnect handler that sets Connected again must not start a second connect.
    if (connected == m_connected || m_busy)
        return;
    if (!connected) {
        m_channel->close();
        m_connected = false;
        return;
    }
    BusyGuard guard(m_busy);
    const TRemoteResult opened = open();
    if (!opened.ok && m_throwException)
        throw ERemoteCallError(opened);
}

TRemoteResult TNetConnection::open() {
    if (BeforeConnect)
        BeforeConnect(this);
    m_endpoint = QStringLiteral("%1:%2").arg(m_host).arg(m_port);
    HttpExchange opened;
    if (m_port <= 0 || m_port > 65535) {
        opened.outcome = HttpExchange::Outcome::ConnectFailed;
        opened.detail = zrm::userText(QStringLiteral("porta inválida"));
    } else {
        m_channel->setTls(m_tls, m_caFile);
        opened = m_channel->open(m_host, static_cast<quint16>(m_port), QDeadlineTimer(m_timeout));
    }
    if (opened.outcome != HttpExchange::Outcome::Answered)
        return TRemoteResult::transportFailure(failureMessage(opened, m_endpoint, m_timeout));
    m_connected = true;
    return TRemoteResult::success({}, false);
}

TRemoteResult TNetConnection::call(const QString& method, const QList<zrm::RemoteArg>& args,
                                   const QString& saveId) {
    if (m_busy) {
        return deliver(TRemoteResult::serverFailure(
            RemoteError::Reentrant,
            zrm::userText(QStringLiteral(
                "Uma chamada ao servidor de aplicação já está em andamento; aguarde a resposta."))));
    }
    BusyGuard guard(m_busy);
    if (!m_connected) {
        TRemoteResult opened = open();
        if (!opened.ok)
            return deliver(std::move(opened));
    }

    const qint64 id = m_nextId++;
    const QByteArray body = zrm::remote::encodeRequest(id, method, args);
    const HttpExchange answer =
        m_channel->send(requestHead(body.size(), saveId) + body, QDeadlineTimer(m_timeout));
    if (answer.outcome != HttpExchange::Outcome::Answered || answer.status != 200)
        return deliver(TRemoteResult::transportFailure(failureMessage(answer, m_endpoint, m_timeout)));
    return deliver(zrm::remote::decodeResponse(answer.body, id));
}

TRemoteResult TNetConnection::deliver(TRemoteResult result) const {
    if (!result.ok && m_throwException)
        throw ERemoteCallError(std::move(result));
    return result;
}

QByteArray TNetConnection::requestHead(qsizetype bodySize, const QString& saveId) const {
    QByteArray head = "POST /rpc/" + QUrl::toPercentEncoding(m_serverName) + " HTTP/1.1\r\n";
    head += "Host: " + m_endpoint.toUtf8() + "\r\n";
    head += "Content-Type: application/json\r\nAccept: application/json\r\nConnection: keep-alive\r\n";
    head += "Content-Length: " + QByteArray::number(bodySize) + "\r\n";
    if (!m_token.isEmpty())
        head += "Authorization: Bearer " + headerValue(m_token) + "\r\n";
    if (!m_operator.isEmpty())
        head += "X-Operator: " + headerValue(m_operator) + "\r\n";
    if (!saveId.isEmpty())
        head += "X-Save-Id: " + headerValue(saveId) + "\r\n";
    head += "\r\n";
    return head;
}
