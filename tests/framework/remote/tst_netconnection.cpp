#include "framework/remote/netconnection.h"

#include "loopbackserver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace std::chrono_literals;
using Reply = LoopbackServer::Reply;
using Request = LoopbackServer::Request;

namespace {

// A packet as the test server puts it into its answer: the codec's bytes, as a JSON value.
QJsonValue asJson(const zrm::DataPacket& packet) {
    return QJsonDocument::fromJson(zrm::packet::encode(packet)).object();
}

// A packet of one text column holding text, as a method's answer.
QJsonValue textPacket(const QString& text) {
    zrm::DataPacket packet;
    packet.fields = {{QStringLiteral("TEXTO"), zrm::FieldType::String, 100}};
    packet.rows = {{text}};
    return asJson(packet);
}

QString s(const char* text) {
    return QString::fromUtf8(text);
}

const QString ServerName = QStringLiteral("ZRM71300.rdmCalendOrcOp");

// A connection as a screen sets it up: failures come back as results, host and port point at the
// test's server.
void setUp(TNetConnection& connection, quint16 port) {
    connection.SetServerName(ServerName);
    connection.SetHost(QStringLiteral("127.0.0.1"));
    connection.SetPort(port);
    connection.SetThrowException(false);
    connection.SetTimeout(10s);
}

LoopbackServer::Handler answerEmpty() {
    return [](const Request& request) { return LoopbackServer::result(request, QJsonArray()); };
}

zrm::DataPacket samplePacket() {
    zrm::DataPacket packet;
    packet.fields = {{s("CDFASEORCOPERAC"), zrm::FieldType::String, 10},
                     {s("CDVERSCALENORCA"), zrm::FieldType::Float, 0},
                     {s("DTINIFASEORCA"), zrm::FieldType::DateTime, 0}};
    packet.rows = {{s("0000000004"), 2.0, QDateTime(QDate(2026, 3, 10), QTime(0, 0))},
                   {s("0000000007"), 2.0, QVariant()}};
    return packet;
}

zrm::Delta sampleDelta() {
    const zrm::DataPacket packet = samplePacket();
    zrm::Delta delta;
    delta.fields = packet.fields;
    delta.changes = {{zrm::Change::Op::Insert, {}, packet.rows.at(0)},
                     {zrm::Change::Op::Update, packet.rows.at(1), {s("0000000007"), 3.0, QVariant()}},
                     {zrm::Change::Op::Delete, packet.rows.at(0), {}}};
    return delta;
}

// Sets an environment variable for the length of a scope and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(NetConnection, construction_takesDefaultsAndTheHostsEnvironment) {
    {
        ScopedEnv token("ZRM_APPSERVER_TOKEN", "abc123");
        ScopedEnv op("ZRM_OPERATOR", "maria");
        ScopedEnv tls("ZRM_APPSERVER_TLS", "sim");
        const TNetConnection connection;
        EXPECT_TRUE(connection.Tls());
        EXPECT_TRUE(connection.ThrowException());
        EXPECT_EQ(connection.Timeout(), 30s);
        EXPECT_FALSE(connection.Connected());
        EXPECT_EQ(connection.Token(), s("abc123"));
        EXPECT_EQ(connection.Operator(), s("maria"));
    }
    ScopedEnv token("ZRM_APPSERVER_TOKEN", QByteArray());
    ScopedEnv op("ZRM_OPERATOR", QByteArray());
    ScopedEnv user("USER", "jose");
    ScopedEnv tls("ZRM_APPSERVER_TLS", QByteArray());
    {
        // An authorities file asks for HTTPS by itself.
        ScopedEnv authorities("ZRM_APPSERVER_CA", "/etc/zrm/ca.pem");
        const TNetConnection connection;
        EXPECT_TRUE(connection.Tls());
        EXPECT_EQ(connection.CaFile(), s("/etc/zrm/ca.pem"));
    }
    ScopedEnv authorities("ZRM_APPSERVER_CA", QByteArray());
    const TNetConnection connection;
    EXPECT_FALSE(connection.Tls());
    EXPECT_TRUE(connection.Token().isEmpty());
    EXPECT_EQ(connection.Operator(), s("jose"));
}

TEST(NetConnection, call_withTextIntegerAndDelta_sendsThemInOrderAndReadsPacketsBack) {
    LoopbackServer server([](const Request& request) {
        // Two packets, as a method with several packets in its result answers.
        return LoopbackServer::result(request, QJsonArray{asJson(zrm::DataPacket()), asJson(samplePacket())});
    });
    TNetConnection connection;
    setUp(connection, server.port());
    connection.SetConnected(true);

    const TRemoteResult result =
        connection.AppServer().Call(s("SetCalendOrcOp"), {s("2026"), 7, sampleDelta()});

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    ASSERT_EQ(server.requests().size(), 1);
    const Request request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/rpc/ZRM71300.rdmCalendOrcOp");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    EXPECT_EQ(request.json().value(s("jsonrpc")), s("2.0"));
    EXPECT_EQ(request.json().value(s("method")), s("SetCalendOrcOp"));
    EXPECT_EQ(request.json().value(s("params")).toArray().size(), 3);
    EXPECT_EQ(request.param(0), QJsonValue(s("2026")));
    EXPECT_EQ(request.param(1), QJsonValue(7));

    // The delta that arrived decodes to the one sent, and the packets to the ones the server made.
    const QByteArray sent = QJsonDocument(request.param(2).toObject()).toJson(QJsonDocument::Compact);
    EXPECT_EQ(zrm::packet::encode(zrm::packet::decodeDelta(sent)), zrm::packet::encode(sampleDelta()));
    ASSERT_TRUE(result.isList);
    ASSERT_EQ(result.packets.size(), 2);
    EXPECT_TRUE(result.packets.at(0).fields.isEmpty());
    EXPECT_EQ(zrm::packet::encode(result.packets.at(1)), zrm::packet::encode(samplePacket()));
}

TEST(NetConnection, call_severalTimes_reusesOneConnectionWithIncreasingIdsAndHeaders) {
    LoopbackServer server(answerEmpty());
    TNetConnection connection;
    setUp(connection, server.port());
    connection.SetToken(s("segredo"));
    // A configured text with a line break must not add a header of its own.
    connection.SetOperator(s("joão\r\nX-Injected: 1"));

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    connection.SetToken(QString());
    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    ASSERT_TRUE(
        connection.AppServer().CallSave(s("SetCalendOrcOp"), {sampleDelta()}, s("id-1\r\nX-Injected: 2")).ok);

    const QList<Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 5);
    EXPECT_EQ(server.connectionsAccepted(), 1);
    for (int i = 1; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].connection, 0);
        EXPECT_GT(requests[i].json().value(s("id")).toInteger(),
                  requests[i - 1].json().value(s("id")).toInteger());
    }
    EXPECT_EQ(requests[0].headers.value("authorization"), "Bearer segredo");
    EXPECT_EQ(QString::fromUtf8(requests[0].headers.value("x-operator")), s("joãoX-Injected: 1"));
    EXPECT_FALSE(requests[0].headers.contains("x-injected"));
    EXPECT_FALSE(requests[3].headers.contains("authorization"));
    // Only a save carries its id.
    EXPECT_FALSE(requests[3].headers.contains("x-save-id"));
    EXPECT_EQ(requests[4].headers.value("x-save-id"), "id-1X-Injected: 2");
    EXPECT_FALSE(requests[4].headers.contains("x-injected"));
}

TEST(NetConnection, call_withServerError_carriesCodeMessageAndWhetherTransient) {
    LoopbackServer server([](const Request& request) {
        const int code = request.param(0).toInt();
        return LoopbackServer::error(request, code, s("Mensagem do servidor %1.").arg(code));
    });
    TNetConnection connection;
    setUp(connection, server.port());

    const struct {
        int code;
        bool transient;
    } cases[] = {{RemoteError::RuleRefused, false},
                 {RemoteError::Conflict, false},
                 {RemoteError::InvalidParams, false},
                 {RemoteError::MethodNotFound, false},
                 {RemoteError::Unavailable, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const TRemoteResult result = connection.AppServer().Call(s("GetFaseOrc"), {c.code});
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.message, s("Mensagem do servidor %1.").arg(c.code));
        EXPECT_EQ(result.transient, c.transient);
    }
    // A server error is an answer: the connection stays and serves the next call.
    EXPECT_EQ(server.connectionsAccepted(), 1);
}

TEST(NetConnection, call_withThrowException_throwsTheSameFailure) {
    LoopbackServer server([](const Request& request) {
        return LoopbackServer::error(request, RemoteError::Unavailable, s("Banco de dados indisponível."));
    });
    TNetConnection connection;
    setUp(connection, server.port());
    connection.SetThrowException(true);

    try {
        connection.AppServer().Call(s("ValCiclo"), {2026});
        FAIL() << "no exception";
    } catch (const ERemoteCallError& error) {
        EXPECT_EQ(error.Message(), s("Banco de dados indisponível."));
        EXPECT_EQ(error.Code(), RemoteError::Unavailable);
        EXPECT_TRUE(error.IsTransient());
        EXPECT_FALSE(error.Result().ok);
    }
}

TEST(NetConnection, connect_whenServerDown_failsTransientWithClearMessage) {
    TNetConnection connection;
    setUp(connection, unusedLoopbackPort());

    connection.SetConnected(true);
    EXPECT_FALSE(connection.Connected());
    const TRemoteResult result = connection.AppServer().Call(s("GetFaseOrc"), {s("T")});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.transient);
    EXPECT_EQ(result.code, RemoteError::Unavailable);
    EXPECT_TRUE(
        result.message.startsWith(s("Não foi possível conectar ao servidor de aplicação em 127.0.0.1:")))
        << result.message.toStdString();
    EXPECT_TRUE(result.message.contains(s("conexão recusada"))) << result.message.toStdString();

    connection.SetThrowException(true);
    EXPECT_THROW(connection.SetConnected(true), ERemoteCallError);
    EXPECT_FALSE(connection.Connected());
}

TEST(NetConnection, call_whenServerNeverAnswers_timesOutAndNextCallUsesNewConnection) {
    LoopbackServer server([](const Request& request) {
        if (request.index == 0)
            return Reply{Reply::Action::Ignore, {}, false};
        return LoopbackServer::result(
            request, textPacket(s("resposta %1").arg(request.json().value(s("id")).toInteger())));
    });
    TNetConnection connection;
    setUp(connection, server.port());
    connection.SetTimeout(300ms);

    const TRemoteResult late = connection.AppServer().Call(s("GetFaseOrc"), {s("T")});
    EXPECT_FALSE(late.ok);
    EXPECT_TRUE(late.transient);
    EXPECT_EQ(
        late.message,
        s("O servidor de aplicação em 127.0.0.1:%1 não respondeu em 300 milissegundos. Tente novamente.")
            .arg(server.port()));

    // A late answer on the old connection could be taken for the next one's: it is not used again.
    const TRemoteResult next = connection.AppServer().Call(s("GetFaseOrc"), {s("T")});
    ASSERT_TRUE(next.ok) << next.message.toStdString();
    ASSERT_EQ(next.packets.size(), 1);
    EXPECT_EQ(next.packets.first().rows.value(0).value(0).toString(),
              s("resposta %1").arg(server.requests().last().json().value(s("id")).toInteger()));
    EXPECT_EQ(server.connectionsAccepted(), 2);
    EXPECT_TRUE(connection.Connected());
}

TEST(NetConnection, call_afterServerClosedIdleConnection_reconnectsOnceWithoutBeforeConnect) {
    LoopbackServer server([](const Request& request) {
        Reply reply = LoopbackServer::result(request, QJsonArray());
        reply.closeAfter = request.index == 0;
        return reply;
    });
    TNetConnection connection;
    setUp(connection, server.port());
    int connects = 0;
    connection.BeforeConnect = [&connects](QObject*) { ++connects; };
    connection.SetConnected(true);

    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    ASSERT_TRUE(server.waitForClosedConnections(1));
    const TRemoteResult result = connection.AppServer().Call(s("GetFaseOrc"), {s("T")});

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(server.connectionsAccepted(), 2);
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests().last().connection, 1);
    EXPECT_EQ(connects, 1);
}

TEST(NetConnection, call_whenReusedConnectionClosesBeforeAnswering_sendsAgainOnOneNewConnection) {
    // The server drops the kept-alive connection as the second request arrives, without reading it.
    LoopbackServer server([](const Request& request) {
        if (request.index == 1)
            return Reply{Reply::Action::CloseUnanswered, {}, false};
        return LoopbackServer::result(request, QJsonArray());
    });
    TNetConnection connection;
    setUp(connection, server.port());

    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    const TRemoteResult result = connection.AppServer().Call(s("GetFaseOrc"), {s("0000000004")});

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    const QList<Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[2].connection, 1);
    EXPECT_EQ(requests[2].body, requests[1].body);
    EXPECT_EQ(server.connectionsAccepted(), 2);
}

TEST(NetConnection, call_whenConnectionLostUnsafely_failsWithoutSendingAgain) {
    // First request of a fresh connection closed unanswered: nothing shows the request went unread.
    // Second request answered in part: the server has read it, so it must not be applied twice.
    LoopbackServer server([](const Request& request) {
        if (request.index == 0)
            return Reply{Reply::Action::CloseUnanswered, {}, false};
        if (request.index == 2)
            return Reply{Reply::Action::Answer, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"json",
                         true};
        return LoopbackServer::result(request, QJsonArray());
    });
    TNetConnection connection;
    setUp(connection, server.port());

    const TRemoteResult fresh = connection.AppServer().Call(s("SetCalendOrcOp"), {sampleDelta()});
    EXPECT_FALSE(fresh.ok);
    EXPECT_TRUE(fresh.transient);
    EXPECT_TRUE(fresh.message.contains(s("foi interrompida antes da resposta")))
        << fresh.message.toStdString();

    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    const TRemoteResult cut = connection.AppServer().Call(s("SetCalendOrcOp"), {sampleDelta()});
    EXPECT_FALSE(cut.ok);
    EXPECT_TRUE(cut.transient);
    EXPECT_EQ(server.requests().size(), 3);
}

TEST(NetConnection, call_withHttpErrorStatus_failsTransientAndNamesIt) {
    LoopbackServer server([](const Request& request) {
        return LoopbackServer::http(request.param(0).toInt(), "{\"erro\":true}");
    });
    TNetConnection connection;
    setUp(connection, server.port());

    const TRemoteResult unauthorized = connection.AppServer().Call(s("GetFaseOrc"), {401});
    EXPECT_FALSE(unauthorized.ok);
    EXPECT_TRUE(unauthorized.transient);
    EXPECT_TRUE(unauthorized.message.contains(s("recusou o acesso (HTTP 401)")))
        << unauthorized.message.toStdString();
    EXPECT_TRUE(unauthorized.message.contains(s("token"))) << unauthorized.message.toStdString();

    const TRemoteResult internal = connection.AppServer().Call(s("GetFaseOrc"), {500});
    EXPECT_FALSE(internal.ok);
    EXPECT_TRUE(internal.message.contains(s("erro HTTP 500"))) << internal.message.toStdString();
    EXPECT_TRUE(internal.packets.isEmpty());
}

TEST(NetConnection, call_withGarbageAnswer_failsAndRecovers) {
    const auto ok = [](const QByteArray& body) { return LoopbackServer::http(200, body).bytes; };
    const QList<QByteArray> garbage = {
        "garbage\r\n\r\n",
        ok("not json"),
        ok("[]"),
        ok("{\"jsonrpc\":\"2.0\",\"id\":999,\"result\":1}"),
        ok("{\"jsonrpc\":\"2.0\",\"id\":null,\"result\":1}"),
        ok("{\"jsonrpc\":\"2.0\",\"result\":1,\"error\":{\"code\":1,\"message\":\"x\"}}"),
        ok("{\"jsonrpc\":\"2.0\",\"id\":null,\"error\":{\"code\":\"1001\"}}"),
        "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 11\r\n\r\n0123456789a",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
        QByteArray("\x00\xff\x10\r\n\r\n\x01", 8),
    };
    LoopbackServer server([&garbage](const Request& request) {
        const int which = request.param(0).toInt();
        if (which < 0)
            return LoopbackServer::result(request, QJsonArray());
        return Reply{Reply::Action::Answer, garbage.at(which), false};
    });
    TNetConnection connection;
    setUp(connection, server.port());
    connection.SetTimeout(2s);

    for (int i = 0; i < garbage.size(); ++i) {
        SCOPED_TRACE(i);
        const TRemoteResult result = connection.AppServer().Call(s("GetFaseOrc"), {i});
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.transient);
        EXPECT_TRUE(result.message.contains(s("resposta inválida"))) << result.message.toStdString();
        EXPECT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {-1}).ok);
    }
}

TEST(NetConnection, call_withChunkedAnswer_readsTheWholeBody) {
    LoopbackServer server([](const Request& request) {
        const QByteArray body =
            "{\"jsonrpc\":\"2.0\",\"id\":" + QByteArray::number(request.json().value(s("id")).toInteger()) +
            ",\"result\":{\"fields\":[],\"rows\":[]}}";
        QByteArray bytes = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (qsizetype at = 0; at < body.size(); at += 7) {
            const QByteArray chunk = body.mid(at, 7);
            bytes += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
        }
        bytes += "0\r\n\r\n";
        return Reply{Reply::Action::Answer, bytes, false};
    });
    TNetConnection connection;
    setUp(connection, server.port());

    for (int i = 0; i < 2; ++i) {
        const TRemoteResult result =
            connection.AppServer().Call(s("BloqDelFase"), {s("0000000004"), 2026, s("2")});
        ASSERT_TRUE(result.ok) << result.message.toStdString();
        ASSERT_EQ(result.packets.size(), 1);
        EXPECT_TRUE(result.packets.first().rows.isEmpty());
    }
    EXPECT_EQ(server.connectionsAccepted(), 1);
}

TEST(NetConnection, setConnected_firesBeforeConnectOncePerConnectBeforeTheSocketOpens) {
    LoopbackServer server(answerEmpty());
    TNetConnection connection;
    setUp(connection, 0);  // only the handler knows where the server is
    QList<QObject*> senders;
    connection.BeforeConnect = [&](QObject* sender) {
        senders.append(sender);
        connection.SetPort(server.port());
        connection.SetHost(s("127.0.0.1"));
    };

    connection.SetConnected(true);
    EXPECT_TRUE(connection.Connected());
    connection.SetConnected(true);
    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    EXPECT_EQ(senders, QList<QObject*>{&connection});
    EXPECT_EQ(server.connectionsAccepted(), 1);

    connection.SetConnected(false);
    EXPECT_FALSE(connection.Connected());
    // A call on a closed connection opens it again, through the handler.
    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    EXPECT_EQ(senders.size(), 2);
    EXPECT_TRUE(connection.Connected());
}

TEST(NetConnection, call_fromBeforeConnect_isRefusedAsReentrant) {
    LoopbackServer server(answerEmpty());
    TNetConnection connection;
    setUp(connection, server.port());
    TRemoteResult inner;
    connection.BeforeConnect = [&](QObject*) { inner = connection.AppServer().Call(s("ValCiclo"), {2026}); };

    const TRemoteResult outer = connection.AppServer().Call(s("ValCiclo"), {2026});

    EXPECT_TRUE(outer.ok);
    EXPECT_FALSE(inner.ok);
    EXPECT_EQ(inner.code, RemoteError::Reentrant);
    EXPECT_FALSE(inner.transient);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(NetConnection, call_runsNoEventLoopWhileOut) {
    LoopbackServer server(answerEmpty());
    TNetConnection connection;
    setUp(connection, server.port());
    connection.SetConnected(true);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });

    ASSERT_TRUE(connection.AppServer().Call(s("GetFaseOrc"), {s("T")}).ok);
    EXPECT_FALSE(fired);

    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
