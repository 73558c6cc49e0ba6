#pragma once

// The connection of a screen to its remote data module on the application server. The screen sets
// the server name, lets its BeforeConnect handler set host and port, opens the connection with
// SetConnected(true) and calls the module's methods by name through AppServer(). Every call is
// synchronous: it blocks the calling thread until the answer is read or the time-out passes, and runs
// no event loop meanwhile, so no user input is processed while a call is out.

#include "framework/remote/remotearg.h"
#include "framework/remote/remoteresult.h"

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace zrm::remote {
class HttpChannel;
}

class TNetConnection;

// The remote object behind a connection, on which methods are called by name. A light handle: read
// it from the connection for every call.
class TAppServer {
public:
    // Calls `method` with the arguments in their order and returns its raw result. Opens the
    // connection first when it is closed (firing BeforeConnect). Every failure — no connection,
    // time-out, HTTP status other than 200, an unreadable answer, an error from the server — comes
    // back as a failed result, or is thrown as ERemoteCallError when the connection's ThrowException
    // is true. A call started while another is out on the same connection fails with
    // RemoteError::Reentrant.
    TRemoteResult Call(const QString& method, const QList<zrm::RemoteArg>& args = {}) const;
    // As Call, for a call that stores something: saveId (when not empty) travels as "X-Save-Id", and
    // the server stores the call once however often it arrives under that id, answering a repeat
    // as it answered the first. The caller keeps the id for as long as it sends the same changes.
    TRemoteResult CallSave(const QString& method, const QList<zrm::RemoteArg>& args,
                           const QString& saveId) const;

private:
    friend class TNetConnection;
    explicit TAppServer(TNetConnection* connection) : m_connection(connection) {}
    TNetConnection* m_connection;
};

class TNetConnection : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultTimeout{30'000};

    // Token from the environment variable ZRM_APPSERVER_TOKEN; operator from ZRM_OPERATOR, else the
    // name of the user logged in to the system; HTTPS when ZRM_APPSERVER_TLS is 1, true, yes or sim,
    // or ZRM_APPSERVER_CA names a file of trusted authorities.
    explicit TNetConnection(QObject* parent = nullptr);
    ~TNetConnection() override;

    // The remote data module the calls go to, as in "/rpc/<ServerName>".
    const QString& ServerName() const { return m_serverName; }
    void SetServerName(const QString& name) { m_serverName = name; }

    // Address of the application server; a change takes effect at the next connect.
    const QString& Host() const { return m_host; }
    void SetHost(const QString& host) { m_host = host; }
    int Port() const { return m_port; }
    void SetPort(int port) { m_port = port; }

    bool Connected() const { return m_connected; }
    // true: when closed, fires BeforeConnect(this) and then opens the connection to Host:Port. When
    // that fails, the connection stays closed; the failure is thrown as ERemoteCallError if
    // ThrowException is true, else left to the next call, which tries to connect again and returns
    // it. false: closes the connection. Setting the state the connection is in does nothing.
    void SetConnected(bool connected);

    // Whether a failed call throws ERemoteCallError (true, the default) or returns a failed result.
    bool ThrowException() const { return m_throwException; }
    void SetThrowException(bool throwException) { m_throwException = throwException; }

    // How long one call (or one connect) may take in all before it fails as transient.
    std::chrono::milliseconds Timeout() const { return m_timeout; }
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // true: the connection speaks HTTPS (TLS 1.2 and later) and accepts only a certificate for Host,
    // valid now, from an authority of CaFile or, when that is empty, of the system's store. A
    // certificate refused fails the connect with a sentence saying why. Takes effect at the next
    // connect.
    bool Tls() const { return m_tls; }
    void SetTls(bool tls) { m_tls = tls; }
    // PEM file of the authorities trusted instead of the system's store; empty for the store.
    const QString& CaFile() const { return m_caFile; }
    void SetCaFile(const QString& file) { m_caFile = file; }

    // Sent as "Authorization: Bearer <token>" when not empty.
    const QString& Token() const { return m_token; }
    void SetToken(const QString& token) { m_token = token; }

    // Sent as "X-Operator" for the server's change history when not empty.
    const QString& Operator() const { return m_operator; }
    void SetOperator(const QString& name) { m_operator = name; }

    // Runs each time the connection is about to open, before the socket connects; the usual place to
    // set Host and Port. An exception it throws stops the connect and passes on to the caller.
    std::function<void(QObject*)> BeforeConnect;

    // The remote data module, on which its methods are called by name.
    TAppServer AppServer() { return TAppServer(this); }

private:
    friend class TAppServer;
    TRemoteResult call(const QString& method, const QList<zrm::RemoteArg>& args, const QString& saveId = {});
    TRemoteResult open();
    TRemoteResult deliver(TRemoteResult result) const;
    QByteArray requestHead(qsizetype bodySize, const QString& saveId) const;

    QString m_serverName;
    QString m_host;
    int m_port = 0;
    bool m_connected = false;
    bool m_throwException = true;
    bool m_busy = false;
    std::chrono::milliseconds m_timeout = DefaultTimeout;
    bool m_tls = false;
    QString m_caFile;
    QString m_token;
    QString m_operator;
    qint64 m_nextId = 1;
    QString m_endpoint;  // "host:port" of the open connection, for messages and the Host header
    std::unique_ptr<zrm::remote::HttpChannel> m_channel;
};
