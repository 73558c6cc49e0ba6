// The HTTP transport and the front's routing, in process, with a fake module: persistent
// connections, health, token, metrics, limits, malformed HTTP, time-outs and the graceful stop.

#include "fakemodule.h"
#include "rawhttpclient.h"
#include "server/http/frontrouter.h"
#include "server/http/httpserver.h"
#include "server/http/memoryconnection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace zrm::server;
using namespace zrm::server::test;

namespace {

constexpr std::string_view Rpc = "/rpc/TEST.rdmFake";

// A clock that stands still, for answers compared byte for byte: its Date as HTTP writes it.
std::chrono::system_clock::time_point stillClock() {
    return std::chrono::system_clock::time_point(std::chrono::seconds(784111777));
}
constexpr std::string_view StillDate = "Sun, 06 Nov 1994 08:49:37 GMT";

// The front as served, with what the transport tells the log kept for the test.
class WatchedRouter : public FrontRouter {
public:
    using FrontRouter::FrontRouter;

    void transportFailed(std::string_view what) override {
        const std::lock_guard lock(m_mutex);
        m_failures.emplace_back(what);
        m_changed.notify_all();
    }
    // Waits until count failures were told; false when that does not happen within ten seconds.
    bool waitForFailures(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_failures.size() >= count; });
    }
    std::vector<std::string> failures() {
        const std::lock_guard lock(m_mutex);
        return m_failures;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_failures;
};

class HttpFrontTest : public ::testing::Test {
protected:
    HttpFrontTest() { registry.add(module); }
    ~HttpFrontTest() override { stopServer(); }

    void startServer(HttpServerConfig config = {}, BearerToken token = {}) {
        config.host = "127.0.0.1";
        config.port = 0;
        config.threads = 2;
        router = std::make_unique<WatchedRouter>(registry, std::move(token), metrics, log);
        server = std::make_unique<HttpServer>(config, *router);
        port = server->listen();
        runner = std::thread([this] { server->run(); });
    }
    void stopServer() {
        if (!server)
            return;
        server->stop();
        runner.join();
        server.reset();
    }
    // After any hostile exchange, a fresh connection is still served.
    void expectStillServing() {
        RawHttpClient client(port);
        EXPECT_EQ(client.request("GET", "/health").status, 200);
    }
    static QJsonObject json(const RawResponse& response) {
        return QJsonDocument::fromJson(QByteArray::fromStdString(response.body)).object();
    }

    std::shared_ptr<FakeModule> module = std::make_shared<FakeModule>();
    ModuleRegistry registry;
    Metrics metrics;
    RequestLog log{false};
    std::unique_ptr<WatchedRouter> router;
    std::unique_ptr<HttpServer> server;
    std::thread runner;
    std::uint16_t port = 0;
};

}  // namespace

TEST_F(HttpFrontTest, keepAlive_servesSeveralRequestsOnOneConnection) {
    startServer();
    RawHttpClient client(port);
    for (int id = 1; id <= 3; ++id) {
        const RawResponse response =
            client.request("POST", Rpc, rpcBody("Echo", "[" + std::to_string(id) + "]", id));
        ASSERT_EQ(response.status, 200);
        EXPECT_EQ(response.header("content-type"), "application/json");
        EXPECT_EQ(json(response).value(QLatin1String("id")).toInt(), id);
        EXPECT_EQ(json(response).value(QLatin1String("result")).toArray().at(0).toInt(), id);
    }
    EXPECT_EQ(module->calls, 3);
}

TEST_F(HttpFrontTest, pipelinedRequests_areAnsweredInOrder) {
    startServer();
    RawHttpClient client(port);
    std::string both;
    for (int id : {1, 2}) {
        const std::string body = rpcBody("Echo", "[]", id);
        both +=
            "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\n\r\n" + body;
    }
    ASSERT_TRUE(client.send(both));
    EXPECT_EQ(json(client.read()).value(QLatin1String("id")).toInt(), 1);
    EXPECT_EQ(json(client.read()).value(QLatin1String("id")).toInt(), 2);
}

TEST_F(HttpFrontTest, rpcErrors_travelAsHttp200WithTheErrorObject) {
    startServer();
    RawHttpClient client(port);
    const RawResponse response =
        client.request("POST", Rpc, rpcBody("Fail", R"([1001,"A fase está concluída."])", 8));
    EXPECT_EQ(response.status, 200);
    const QJsonObject error = json(response).value(QLatin1String("error")).toObject();
    EXPECT_EQ(error.value(QLatin1String("code")).toInt(), 1001);
    EXPECT_EQ(error.value(QLatin1String("message")).toString(), QStringLiteral("A fase está concluída."));
    EXPECT_EQ(json(client.request("POST", "/rpc/OTHER.rdm", rpcBody("Echo", "[]")))
                  .value(QLatin1String("error"))
                  .toObject()
                  .value(QLatin1String("code"))
                  .toInt(),
              rpcerror::MethodNotFound);
}

TEST_F(HttpFrontTest, health_followsTheModules) {
    startServer();
    RawHttpClient client(port);
    EXPECT_EQ(client.request("GET", "/health").status, 200);
    module->isHealthy = false;
    EXPECT_EQ(client.request("GET", "/health").status, 503);
    module->isHealthy = true;
    EXPECT_EQ(client.request("GET", "/health").status, 200);
    EXPECT_EQ(client.request("POST", "/health", "{}").status, 405);
}

TEST_F(HttpFrontTest, token_isNeededEverywhereButHealth) {
    startServer({}, BearerToken("s3cret"));
    RawHttpClient client(port);
    const RawResponse missing = client.request("POST", Rpc, rpcBody("Echo", "[]"));
    EXPECT_EQ(missing.status, 401);
    EXPECT_EQ(missing.header("www-authenticate"), "Bearer");
    EXPECT_EQ(client.request("POST", Rpc, rpcBody("Echo", "[]"), "Authorization: Bearer s3cre\r\n").status,
              401);
    EXPECT_EQ(client.request("POST", Rpc, rpcBody("Echo", "[]"), "Authorization: Bearer s3cret2\r\n").status,
              401);
    EXPECT_EQ(client.request("POST", Rpc, rpcBody("Echo", "[]"), "Authorization: Basic s3cret\r\n").status,
              401);
    EXPECT_EQ(client.request("GET", "/metrics").status, 401);
    EXPECT_EQ(module->calls, 0) << "a refused request must not reach the module";

    EXPECT_EQ(client.request("GET", "/health").status, 200);
    EXPECT_EQ(client.request("POST", Rpc, rpcBody("Echo", "[]"), "Authorization: Bearer s3cret\r\n").status,
              200);
    EXPECT_EQ(module->calls, 1);
}

TEST_F(HttpFrontTest, metrics_countRequestsByMethodAndOutcome) {
    startServer();
    RawHttpClient client(port);
    client.request("POST", Rpc, rpcBody("Echo", "[]"));
    client.request("POST", Rpc, rpcBody("Echo", "[]"));
    client.request("POST", Rpc, rpcBody("Fail", R"([1002,"x"])"));
    client.request("POST", Rpc, "{broken");
    client.request("POST", Rpc, rpcBody("NoSuchMethod", "[]"));
    const RawResponse response = client.request("GET", "/metrics");
    ASSERT_EQ(response.status, 200);
    EXPECT_EQ(response.header("content-type").rfind("text/plain; version=0.0.4", 0), 0u);
    const std::string& text = response.body;
    EXPECT_NE(text.find("# TYPE zrm_requests_total counter"), std::string::npos);
    EXPECT_NE(text.find("# TYPE zrm_request_duration_seconds histogram"), std::string::npos);
    EXPECT_NE(text.find("zrm_requests_total{method=\"Echo\",outcome=\"ok\"} 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("zrm_requests_total{method=\"Fail\",outcome=\"conflict\"} 1\n"), std::string::npos);
    EXPECT_NE(text.find("zrm_requests_total{method=\"-\",outcome=\"invalid_request\"} 1\n"),
              std::string::npos);
    EXPECT_NE(text.find("zrm_requests_total{method=\"-\",outcome=\"unknown_method\"} 1\n"),
              std::string::npos);
    EXPECT_NE(
        text.find("zrm_request_duration_seconds_bucket{method=\"Echo\",outcome=\"ok\",le=\"+Inf\"} 2\n"),
        std::string::npos);
    EXPECT_NE(text.find("zrm_request_duration_seconds_count{method=\"Echo\",outcome=\"ok\"} 2\n"),
              std::string::npos);
    EXPECT_EQ(text.find("NoSuchMethod"), std::string::npos);
}

TEST_F(HttpFrontTest, operatorHeader_reachesTheModule) {
    startServer();
    RawHttpClient client(port);
    const RawResponse response =
        client.request("POST", Rpc, rpcBody("Operator", "[]"), "X-Operator: JOAO\r\n");
    EXPECT_EQ(json(response).value(QLatin1String("result")).toString(), QStringLiteral("JOAO"));
}

TEST_F(HttpFrontTest, oversizeBody_is413AndTheServerGoesOn) {
    HttpServerConfig config;
    config.maxBodyBytes = 1024;
    startServer(config);
    {
        RawHttpClient client(port);
        const std::string body = rpcBody("Echo", "[\"" + std::string(2000, 'x') + "\"]");
        EXPECT_EQ(client.request("POST", Rpc, body).status, 413);
        EXPECT_TRUE(client.waitForClose());
    }
    {
        // Chunked: no length announced, the limit stops the body as it arrives.
        RawHttpClient client(port);
        std::string chunked =
            "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (int i = 0; i < 4; ++i)
            chunked += "200\r\n" + std::string(512, 'y') + "\r\n";
        chunked += "0\r\n\r\n";
        client.send(chunked);
        EXPECT_EQ(client.read().status, 413);
    }
    {
        RawHttpClient client(port);
        const std::string body = rpcBody("Echo", "[\"" + std::string(900, 'x') + "\"]");
        EXPECT_EQ(client.request("POST", Rpc, body).status, 200) << "a body within the limit is served";
    }
    EXPECT_EQ(module->calls, 1);
}

TEST_F(HttpFrontTest, malformedHttp_is400AndTheServerGoesOn) {
    startServer();
    for (const std::string& garbage :
         {std::string("GARBAGE\r\n\r\n"), std::string("GET /health HTTP/1.1\r\nBad Header Line\r\n\r\n"),
          std::string("POST /rpc/TEST.rdmFake HTTP/1.1\r\nContent-Length: abc\r\n\r\n"),
          std::string(
              "POST /rpc/TEST.rdmFake HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 7\r\n\r\n12345"),
          std::string("GET /health HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"),
          std::string("GET /health HTTP/7.1\r\n\r\n"),
          std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n")}) {
        RawHttpClient client(port);
        client.send(garbage);
        EXPECT_EQ(client.read().status, 400) << garbage;
        EXPECT_TRUE(client.waitForClose());
    }
    EXPECT_EQ(module->calls, 0);
    expectStillServing();
}

TEST_F(HttpFrontTest, oversizeHeader_is431) {
    startServer();
    RawHttpClient client(port);
    client.send("GET /health HTTP/1.1\r\nX-Filler: " + std::string(64 * 1024, 'a') + "\r\n\r\n");
    EXPECT_EQ(client.read().status, 431);
    expectStillServing();
}

// The limit holds for the head as a whole, not field by field.
TEST_F(HttpFrontTest, headerFieldsTogetherOverTheLimit_are431) {
    startServer();
    const auto fields = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "X-Filler-" + std::to_string(i) + ": " + std::string(4 * 1024, 'a') + "\r\n";
        return text;
    };
    RawHttpClient client(port);
    client.send("GET /health HTTP/1.1\r\nHost: x\r\n" + fields(5) + "\r\n");
    EXPECT_EQ(client.read().status, 431);
    RawHttpClient within(port);
    EXPECT_EQ(within.request("GET", "/health", {}, fields(3)).status, 200);
}

// HEAD gets the headers of GET and no body, so the next answer on the connection stays readable; a
// HEAD where GET is not allowed is a 405 without a body too.
TEST_F(HttpFrontTest, head_isAnsweredWithoutABody) {
    startServer();
    RawHttpClient client(port);
    const RawResponse health = client.request("HEAD", "/health");
    EXPECT_EQ(health.status, 200);
    EXPECT_EQ(health.header("content-length"), "3");
    const RawResponse rpc = client.request("HEAD", Rpc);
    EXPECT_EQ(rpc.status, 405);
    EXPECT_EQ(rpc.header("allow"), "POST");
    EXPECT_NE(rpc.header("content-length"), "0");
    const RawResponse next = client.request("POST", Rpc, rpcBody("Echo", "[5]", 5));
    EXPECT_EQ(next.status, 200);
    EXPECT_EQ(json(next).value(QLatin1String("id")).toInt(), 5);
    EXPECT_EQ(client.request("POST", "/health", "{}").header("allow"), "GET, HEAD");
}

// A module's work runs off the I/O threads, the health probe's included: while calls and a probe are
// held in the module, the single I/O thread still accepts, serves the metrics and refuses malformed
// calls. The probe answers once its module does.
TEST_F(HttpFrontTest, blockedModule_leavesTheIoThreadFree) {
    HttpServerConfig config;
    config.threads = 1;
    config.blockingThreads = 3;
    startServer(config);
    module->healthHolds = true;

    RawHttpClient first(port), second(port), health(port);
    for (RawHttpClient* client : {&first, &second}) {
        const std::string body = rpcBody("Hold", "[]");
        client->send("POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    health.send("GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
    const bool allHeld = module->waitUntilHeld(3);
    RawHttpClient probe(port, 2000);
    const int metricsStatus = allHeld ? probe.request("GET", "/metrics").status : 0;
    const int malformedStatus = allHeld ? probe.request("POST", Rpc, "{broken").status : 0;
    module->release();
    ASSERT_TRUE(allHeld);
    EXPECT_EQ(metricsStatus, 200);
    EXPECT_EQ(malformedStatus, 200);
    EXPECT_EQ(first.read().status, 200);
    EXPECT_EQ(second.read().status, 200);
    EXPECT_EQ(health.read().status, 200);
}

// A call whose held answer needs its database's confirmation waits for it without a thread: while
// it waits, the only I/O thread serves others and the only blocking thread may be busy elsewhere;
// once confirmed it is answered at once from memory and counted once.
// A confirmation that fails, or a generation with no held answer, sends the call to the module.
TEST_F(HttpFrontTest, callWaitingForItsDatabase_holdsNoThread_andIsAnsweredWhenConfirmed) {
    HttpServerConfig config;
    config.threads = 1;
    config.blockingThreads = 1;
    startServer(config);

    RawHttpClient waiting(port), holding(port);
    const std::string confirmed = rpcBody("Confirmed", "[2026]");
    waiting.send("POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                 std::to_string(confirmed.size()) + "\r\n\r\n" + confirmed);
    ASSERT_TRUE(module->waitUntilConfirmationsAsked(1));
    const std::string hold = rpcBody("Hold", "[]");
    holding.send("POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                 std::to_string(hold.size()) + "\r\n\r\n" + hold);
    ASSERT_TRUE(module->waitUntilHeld(1));
    RawHttpClient probe(port);
    EXPECT_EQ(probe.request("GET", "/metrics").status, 200);

    module->confirm(7);
    const RawResponse answer = waiting.read();
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(json(answer).value(QLatin1String("result")).toString(), QStringLiteral("held at 7 for [2026]"));
    EXPECT_EQ(module->calls, 1) << "only the held call reached call()";
    module->release();
    EXPECT_EQ(holding.read().status, 200);

    // Nothing held for what the database confirmed, or no confirmation at all: the module computes.
    for (const std::optional<qint64> generation : {std::optional<qint64>(8), std::optional<qint64>()}) {
        RawHttpClient client(port);
        client.send("POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                    std::to_string(confirmed.size()) + "\r\n\r\n" + confirmed);
        ASSERT_TRUE(module->waitUntilConfirmationsAsked(1));
        module->confirm(generation);
        EXPECT_EQ(json(client.read()).value(QLatin1String("result")).toString(), QStringLiteral("computed"));
    }
    const std::string exposition = metrics.exposition();
    EXPECT_NE(exposition.find(R"(zrm_requests_total{method="Confirmed",outcome="ok"} 3)"), std::string::npos)
        << exposition;

    // A client without the token is refused before anything waits.
    stopServer();
    startServer(config, BearerToken("segredo"));
    RawHttpClient stranger(port);
    EXPECT_EQ(stranger.request("POST", Rpc, confirmed).status, 401);
    EXPECT_FALSE(module->waitUntilConfirmationsAsked(1, std::chrono::milliseconds(0)));
}

namespace {

// A handler that breaks its promise not to throw: on opening "/open", answering "/at-once" at once,
// and handling anything else.
class ThrowingHandler : public HttpHandler {
public:
    class Call : public HttpCall {
    public:
        explicit Call(const HttpRequest& request) : m_request(request) {}
        bool answerAtOnce(HttpResponse&) override {
            if (m_request.target == "/at-once")
                throw std::runtime_error("falha no atendimento imediato");
            return false;
        }
        void handle(HttpResponse& response) override {
            response.body = "partial";
            throw std::logic_error("falha simulada");
        }

    private:
        const HttpRequest& m_request;
    };

    std::unique_ptr<HttpCall> open(const HttpRequest& request) override {
        if (request.target == "/open")
            throw std::runtime_error("falha ao abrir");
        return std::make_unique<Call>(request);
    }
    void rejectedByTransport(int status, std::string_view reason) override {
        std::lock_guard lock(mutex);
        rejected.emplace_back(status, std::string(reason));
    }
    void transportFailed(std::string_view) override {}
    std::mutex mutex;
    std::vector<std::pair<int, std::string>> rejected;
};

}  // namespace

// An exception out of the handler is a 500 for that request, told to the handler for the log and the
// metrics; the connection and the server go on.
TEST(HttpServer, handlerThatThrows_gives500AndGoesOn) {
    ThrowingHandler handler;
    HttpServerConfig config;
    config.port = 0;
    config.threads = 1;
    HttpServer server(config, handler);
    const std::uint16_t port = server.listen();
    std::thread runner([&] { server.run(); });
    {
        RawHttpClient client(port);
        for (const char* target : {"/blocking", "/at-once", "/open", "/blocking"}) {
            const RawResponse response = client.request("GET", target);
            EXPECT_EQ(response.status, 500) << target;
            EXPECT_EQ(response.body.find("partial"), std::string::npos);
        }
    }
    server.stop();
    runner.join();
    ASSERT_EQ(handler.rejected.size(), 4u);
    EXPECT_EQ(handler.rejected[0].first, 500);
    EXPECT_NE(handler.rejected[0].second.find("falha simulada"), std::string::npos);
    EXPECT_NE(handler.rejected[1].second.find("falha no atendimento imediato"), std::string::npos);
    EXPECT_NE(handler.rejected[2].second.find("falha ao abrir"), std::string::npos);
}

TEST_F(HttpFrontTest, routing_unknownPathAndWrongMethod) {
    startServer();
    RawHttpClient client(port);
    EXPECT_EQ(client.request("GET", "/").status, 404);
    EXPECT_EQ(client.request("GET", "/rpc/../../etc/passwd").status, 405);
    const RawResponse wrongMethod = client.request("GET", Rpc);
    EXPECT_EQ(wrongMethod.status, 405);
    EXPECT_EQ(wrongMethod.header("allow"), "POST");
    EXPECT_EQ(client.request("POST", "/rpc/TEST.rdmFake?x=1", rpcBody("Echo", "[]")).status, 200);
}

TEST_F(HttpFrontTest, expectContinue_getsAnInterimAnswerFirst) {
    startServer();
    RawHttpClient client(port);
    const std::string body = rpcBody("Echo", "[1]");
    client.send("POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\n\r\n");
    // The server asks for the body before the client sends it.
    EXPECT_EQ(client.read(false).status, 100);
    client.send(body);
    EXPECT_EQ(client.read().status, 200);
}

// Each time limit holds on its own, the others long: a connection silent between requests, a head
// or a body that arrives too slowly, is closed once its limit has passed.
TEST_F(HttpFrontTest, slowConnections_areClosedAtTheirTimeOut) {
    using std::chrono::milliseconds;
    const std::string health = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n";
    const struct {
        const char* what;
        milliseconds HttpServerConfig::*limit;
        std::string sent;
    } cases[] = {
        {"silent from the start", &HttpServerConfig::idleTimeout, ""},
        {"silent after a request", &HttpServerConfig::idleTimeout, health},
        {"half a head", &HttpServerConfig::headerTimeout, "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\n"},
        {"half a body of known length", &HttpServerConfig::bodyTimeout,
         "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n{\"jsonrpc\""},
        {"half a chunked body", &HttpServerConfig::bodyTimeout,
         "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: "
         "chunked\r\n\r\n40\r\n{\"jsonrpc\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HttpServerConfig config;
        config.idleTimeout = config.headerTimeout = config.bodyTimeout = milliseconds(60'000);
        config.*c.limit = milliseconds(200);
        startServer(config);
        RawHttpClient client(port, 30'000);
        ASSERT_TRUE(client.send(c.sent));
        if (c.sent == health) {
            EXPECT_EQ(client.read().status, 200);
        }
        EXPECT_TRUE(client.waitForClose()) << "closed by the server, long before the client's own 30 s";
        stopServer();
    }
    EXPECT_EQ(module->calls, 0);
}

// A client that stops reading its answers holds the connection no longer than the write time-out:
// the server gives up the answer it is writing and closes, which the client, still sending pipelined
// requests into full buffers, sees as the connection reset.
TEST_F(HttpFrontTest, clientThatDoesNotRead_isCutOffAtTheWriteTimeOut) {
    HttpServerConfig config;
    config.idleTimeout = config.headerTimeout = std::chrono::milliseconds(60'000);
    config.bodyTimeout = std::chrono::milliseconds(200);
    startServer(config);
    const std::string body = rpcBody("Echo", "[\"" + std::string(256 * 1024, 'x') + "\"]");
    const std::string request =
        "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\n\r\n" + body;
    // Far more than the buffers of both ends hold, in answers and in requests.
    std::string pipelined;
    for (int i = 0; i < 128; ++i)
        pipelined += request;
    RawHttpClient client(port, 30'000, 16 * 1024);
    EXPECT_FALSE(client.send(pipelined));
    EXPECT_TRUE(errno == ECONNRESET || errno == EPIPE) << "the send failed by " << std::strerror(errno);
    EXPECT_LT(module->calls, 128);
    expectStillServing();
}

namespace {

// What a client is doing when the graceful stop begins, and what it does next.
enum class AtStop {
    InFlight,     // its request is being answered: it finishes
    SendsOnIdle,  // idle after an answer, it sends a request just after the stop: answered
    SendsOnNew,   // connected before the stop, it sends its first request after it: answered
    StaysIdle,    // idle and silent: closed once the drain time is over
};

// Waits until the listening socket refuses connections: the stop has begun.
bool waitUntilRefused(std::uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            RawHttpClient probe(port);
        } catch (const std::runtime_error&) {
            return true;
        }
        std::this_thread::yield();
    }
    return false;
}

}  // namespace

// The graceful stop loses no request the server has received, nor one a proxy sends on a kept-alive
// connection just as the stop begins: each is answered with Connection: close. Silent connections
// close once the drain time is over, long before their idle time-out, and run() returns.
TEST_F(HttpFrontTest, stop_answersWhatArrivesWithinTheDrainTimeThenCloses) {
    using std::chrono::milliseconds;
    const struct {
        const char* what;
        AtStop client;
    } cases[] = {
        {"a request in flight", AtStop::InFlight},
        {"a request sent on an idle kept-alive connection", AtStop::SendsOnIdle},
        {"the first request of a connection opened before the stop", AtStop::SendsOnNew},
        {"a connection that stays idle", AtStop::StaysIdle},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HttpServerConfig config;
        config.idleTimeout = milliseconds(600'000);
        config.drainTime = milliseconds(1'500);
        startServer(config);
        module->calls = 0;
        RawHttpClient client(port, 60'000);
        if (c.client != AtStop::SendsOnNew) {
            ASSERT_EQ(client.request("GET", "/health").status, 200);
        }
        const std::string body = rpcBody("Hold", "[]", 42);
        const std::string held =
            "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\n\r\n" + body;
        if (c.client == AtStop::InFlight) {
            ASSERT_TRUE(client.send(held));
            ASSERT_TRUE(module->waitUntilHeld(1));
        }
        const auto stopped = std::chrono::steady_clock::now();
        server->stop();
        ASSERT_TRUE(waitUntilRefused(port));

        if (c.client == AtStop::SendsOnIdle || c.client == AtStop::SendsOnNew) {
            ASSERT_TRUE(client.send(held));
            ASSERT_TRUE(module->waitUntilHeld(1));
        }
        if (c.client != AtStop::StaysIdle) {
            module->release();
            const RawResponse response = client.read();
            EXPECT_EQ(response.status, 200);
            EXPECT_EQ(json(response).value(QLatin1String("id")).toInt(), 42);
            EXPECT_EQ(response.header("connection"), "close");
        }
        EXPECT_TRUE(client.waitForClose());
        runner.join();  // run() returns once every connection has ended
        EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(30))
            << "the silent connection was closed by the drain time, not by its idle time-out";
        EXPECT_EQ(module->calls, c.client == AtStop::StaysIdle ? 0 : 1);
        server.reset();
        module = std::make_shared<FakeModule>();
        registry = ModuleRegistry();
        registry.add(module);
    }
}

TEST(HttpServer, listen_refusesANonLoopbackAddressUnlessAllowed) {
    auto module = std::make_shared<FakeModule>();
    ModuleRegistry registry;
    registry.add(module);
    Metrics metrics;
    RequestLog log(false);
    FrontRouter router(registry, {}, metrics, log);
    HttpServerConfig config;
    config.host = "0.0.0.0";
    config.port = 0;
    HttpServer refused(config, router);
    EXPECT_THROW(refused.listen(), std::runtime_error);
    config.loopbackOnly = false;
    HttpServer allowed(config, router);
    EXPECT_NE(allowed.listen(), 0);
    config.host = "no-such-host.invalid";
    HttpServer unresolved(config, router);
    EXPECT_THROW(unresolved.listen(), std::runtime_error);
}

// The session served in memory is the one that serves sockets: it writes byte for byte what a
// connection gets, for answers, HEAD, interim answers, every refusal and several requests on one
// connection, whether the bytes arrive at once or in pieces; a request cut short is not answered.
TEST_F(HttpFrontTest, connectionInMemory_writesWhatASocketGets) {
    HttpServerConfig config;
    config.maxBodyBytes = 1024;
    config.wallClock = stillClock;
    module->confirmAtOnce = 7;
    startServer(config);
    const std::string close = "Host: x\r\nConnection: close\r\n";
    const std::string echo = rpcBody("Echo", "[7]", 7);
    const std::string confirmed = rpcBody("Confirmed", "[1]");
    const auto post = [](const std::string& headers, const std::string& body) {
        return "POST " + std::string(Rpc) + " HTTP/1.1\r\n" + headers +
               "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    };
    const std::vector<std::string> connections = {
        post(close, confirmed),
        "GET /health HTTP/1.1\r\n" + close + "\r\n",
        "HEAD /health HTTP/1.1\r\n" + close + "\r\n",
        post(close, echo),
        post(close + "Expect: 100-continue\r\n", echo),
        "PUT /health HTTP/1.1\r\n" + close + "\r\n",
        "GARBAGE\r\n\r\n",
        "POST " + std::string(Rpc) + " HTTP/1.1\r\n" + close + "Content-Length: 4096\r\n\r\n" +
            std::string(4096, 'x'),
        "GET /health HTTP/1.1\r\n" + close + "A: " + std::string(9000, 'a') +
            "\r\nB: " + std::string(9000, 'b') + "\r\n\r\n",
        // Kept alive: HEAD, a call and a refusal one after the other.
        "HEAD /health HTTP/1.1\r\nHost: x\r\n\r\n" + post("Host: x\r\n", echo) + "GARBAGE\r\n\r\n",
    };
    for (const std::string& input : connections) {
        SCOPED_TRACE(input.substr(0, 60));
        RawHttpClient client(port);
        client.send(input);
        const std::string overSocket = client.readToClose();
        ASSERT_FALSE(overSocket.empty());
        for (const std::size_t readSize : {std::size_t{0}, std::size_t{1}, std::size_t{7}}) {
            EXPECT_EQ(serveInMemory(input, *router, config, readSize), overSocket) << "reads of " << readSize;
        }
    }
    const std::string cut = connections[3].substr(0, connections[3].size() - 3);
    EXPECT_TRUE(serveInMemory(cut, *router, config).empty());
}

// The front reads a call's body once: every step of one call (confirming the generation, answering
// from what is held, computing) hands the module the same request, and a malformed body is refused
// once, before any module hears of it.
TEST_F(HttpFrontTest, call_isReadOnceForAllItsSteps) {
    const HttpServerConfig config;
    const struct {
        std::string body;
        std::size_t requestsSeen;
        int calls;
    } cases[] = {
        {rpcBody("Confirmed", "[1]"), 1, 1},
        {rpcBody("Echo", "[1]"), 1, 1},
        {rpcBody("Echo", "[1,]"), 0, 0},
        {R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":{"a":1}})", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        auto fake = std::make_shared<FakeModule>();
        fake->confirmAtOnce = 8;  // nothing held for 8: the call goes on to the module
        ModuleRegistry single;
        single.add(fake);
        Metrics counted;
        WatchedRouter front(single, BearerToken{}, counted, log);
        const std::string input = "POST " + std::string(Rpc) +
                                  " HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(c.body.size()) +
                                  "\r\n\r\n" + c.body;
        const std::string written = serveInMemory(input, front, config);
        EXPECT_EQ(written.rfind("HTTP/1.1 200", 0), 0u) << written;
        EXPECT_EQ(fake->requests().size(), c.requestsSeen);
        EXPECT_EQ(fake->calls, c.calls);
        // Answered and counted once.
        const std::string exposition = counted.exposition();
        const std::size_t count = exposition.find("_count{");
        ASSERT_NE(count, std::string::npos);
        EXPECT_EQ(count, exposition.rfind("_count{")) << exposition;
        const std::string line = exposition.substr(count, exposition.find('\n', count) - count);
        EXPECT_EQ(line.substr(line.size() - 2), " 1") << line;
    }
}

// A failed accept (here: the process out of descriptors) is logged and the server goes on accepting
// once descriptors are free again.
TEST_F(HttpFrontTest, failedAccept_isLoggedAndAcceptingGoesOn) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer build checks calls on polymorphic objects with a pipe, which cannot be made while
    // the descriptors are gone, and takes every such call there for one on a broken object.
    GTEST_SKIP() << "needs a build without the sanitizers: it runs the process out of descriptors";
#endif
    startServer();
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(client, 0);
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
    // The lowest free descriptor number: with the limit there, no descriptor can be made.
    const int lowestFree = ::dup(client);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit exhausted = original;
    exhausted.rlim_cur = rlim_t(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &exhausted), 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const bool told = connected && router->waitForFailures(1);
    ::setrlimit(RLIMIT_NOFILE, &original);
    ASSERT_TRUE(connected);
    ASSERT_TRUE(told) << "the failed accept is told to the log";
    EXPECT_NE(router->failures().front().find("não pôde ser aceita"), std::string::npos);

    // The connection waiting in the backlog is taken once the descriptors are back.
    const std::string request = "GET /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ASSERT_EQ(::send(client, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(request.size()));
    timeval timeout{10, 0};
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string answer;
    char buffer[512];
    for (ssize_t n; (n = ::recv(client, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, size_t(n));
    ::close(client);
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    expectStillServing();
}

namespace {

// The statuses of the answers written one after the other, each checked to carry the date of the
// still clock.
std::vector<int> statusesOf(std::string_view written) {
    std::vector<int> statuses;
    while (!written.empty()) {
        const std::size_t headEnd = written.find("\r\n\r\n");
        if (written.rfind("HTTP/1.", 0) != 0 || headEnd == std::string_view::npos) {
            ADD_FAILURE() << "not an answer: " << written.substr(0, 80);
            break;
        }
        const std::string_view head = written.substr(0, headEnd + 2);
        statuses.push_back(std::stoi(std::string(head.substr(9, 3))));
        if (statuses.back() >= 200) {
            EXPECT_NE(head.find("\r\nDate: " + std::string(StillDate) + "\r\n"), std::string_view::npos)
                << head;
        }
        const std::size_t length = head.find("\r\nContent-Length: ");
        const std::size_t bodySize =
            length == std::string_view::npos ? 0 : std::stoul(std::string(head.substr(length + 18, 12)));
        written.remove_prefix(std::min(written.size(), headEnd + 4 + bodySize));
    }
    return statuses;
}

std::string chunkedPost(std::string_view headers, std::string_view body, std::string_view trailer = {}) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx", body.size());
    return "POST " + std::string(Rpc) + " HTTP/1.1\r\n" + std::string(headers) + "\r\n" + size + "\r\n" +
           std::string(body) + "\r\n0\r\n" + std::string(trailer) + "\r\n";
}

}  // namespace

// The head of each request is checked before its body is read: a body whose end could be found in
// two ways, or not at all, is refused with the connection, so nothing sent after it is ever served as
// a request of its own; HTTP/1.1 needs one valid Host; an absolute URI is served by its path; a
// request line over the head's limit is 414; an HTTP/1.0 client gets no interim answer; a trailer
// never stands for a header field; every answer is dated.
TEST_F(HttpFrontTest, requestHead_isCheckedBeforeTheBody) {
    HttpServerConfig config;
    config.wallClock = stillClock;
    const std::string echo = rpcBody("Echo", "[1]");
    const std::string length = "Content-Length: " + std::to_string(echo.size()) + "\r\n";
    const std::string health = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n";
    const auto get = [](std::string_view line, std::string_view headers) {
        return std::string(line) + "\r\n" + std::string(headers) + "Connection: close\r\n\r\n";
    };
    const struct {
        const char* what;
        std::string input;
        std::vector<int> statuses;
        int calls;
        std::string_view holds;  // in what was written
    } cases[] = {
        {"coding not chunked, then a request in the body",
         "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: gzip\r\n\r\n" + health,
         {400},
         0,
         {}},
        {"chunked not last",
         chunkedPost("Host: x\r\nTransfer-Encoding: chunked, gzip\r\n", echo) + health,
         {400},
         0,
         "não termina em chunked"},
        {"unknown coding before the length",
         "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: xchunked\r\n" + length + "\r\n" +
             echo,
         {400},
         0,
         {}},
        {"length before an unknown coding",
         "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\n" + length + "Transfer-Encoding: identity\r\n\r\n" +
             echo,
         {400},
         0,
         {}},
        {"chunked with a length",
         chunkedPost("Host: x\r\nTransfer-Encoding: chunked\r\n" + length, echo),
         {400},
         0,
         {}},
        {"chunked in HTTP/1.0",
         "POST /rpc/TEST.rdmFake HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nGET /\r\n0\r\n\r\n",
         {400},
         0,
         "HTTP/1.0 400"},
        {"chunked twice",
         chunkedPost("Host: x\r\nTransfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n", echo),
         {400},
         0,
         {}},
        {"a coding the server does not decode",
         chunkedPost("Host: x\r\nTransfer-Encoding: gzip, chunked\r\n", echo),
         {501},
         0,
         "Connection: close"},
        {"chunked alone, in capitals, with a trailer",
         chunkedPost("Host: x\r\nTransfer-Encoding: CHUNKED\r\n", rpcBody("Operator", "[]"),
                     "X-Operator: MALLORY\r\n"),
         {200},
         1,
         R"("result":"")"},
        {"no Host", get("GET /health HTTP/1.1", ""), {400}, 0, "Host"},
        {"two Hosts", get("GET /health HTTP/1.1", "Host: x\r\nHost: y\r\n"), {400}, 0, {}},
        {"two Hosts in HTTP/1.0", get("GET /health HTTP/1.0", "Host: x\r\nHost: x\r\n"), {400}, 0, {}},
        {"Host with a space", get("GET /health HTTP/1.1", "Host: a b\r\n"), {400}, 0, {}},
        {"Host with a path", get("GET /health HTTP/1.1", "Host: x/y\r\n"), {400}, 0, {}},
        {"Host with a user", get("GET /health HTTP/1.1", "Host: user@x\r\n"), {400}, 0, {}},
        {"Host with a port that is not one", get("GET /health HTTP/1.1", "Host: x:http\r\n"), {400}, 0, {}},
        {"Host with an open bracket", get("GET /health HTTP/1.1", "Host: [::1\r\n"), {400}, 0, {}},
        {"Host as an IPv6 literal with a port",
         get("GET /health HTTP/1.1", "Host: [::1]:7130\r\n"),
         {200},
         0,
         {}},
        {"Host empty", get("GET /health HTTP/1.1", "Host:\r\n"), {200}, 0, {}},
        {"HTTP/1.0 without Host", get("GET /health HTTP/1.0", ""), {200}, 0, {}},
        {"absolute URI",
         get("GET http://example.test:7130/health HTTP/1.1", "Host: other\r\n"),
         {200},
         0,
         {}},
        {"absolute URI, scheme in capitals, query without a path",
         get("GET HTTPS://example.test?x=1 HTTP/1.1", "Host: x\r\n"),
         {404},
         0,
         {}},
        {"absolute URI without a host", get("GET http:///health HTTP/1.1", "Host: x\r\n"), {400}, 0, {}},
        {"absolute URI of another scheme",
         get("GET ftp://example.test/health HTTP/1.1", "Host: x\r\n"),
         {400},
         0,
         {}},
        {"target that is not a path", get("GET health HTTP/1.1", "Host: x\r\n"), {400}, 0, {}},
        {"request line over the limit",
         get("GET /" + std::string(20 * 1024, 'a') + " HTTP/1.1", "Host: x\r\n"),
         {414},
         0,
         {}},
        {"fields over the limit",
         get("GET /health HTTP/1.1", "Host: x\r\nA: " + std::string(20 * 1024, 'a') + "\r\n"),
         {431},
         0,
         {}},
        {"waiting for 100 in HTTP/1.1",
         "POST /rpc/TEST.rdmFake HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\n" + length + "\r\n" + echo,
         {100, 200},
         1,
         {}},
        {"waiting for 100 in HTTP/1.0",
         "POST /rpc/TEST.rdmFake HTTP/1.0\r\nExpect: 100-continue\r\n" + length + "\r\n" + echo,
         {200},
         1,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto fake = std::make_shared<FakeModule>();
        ModuleRegistry single;
        single.add(fake);
        WatchedRouter front(single, BearerToken{}, metrics, log);
        for (const std::size_t readSize : {std::size_t{0}, std::size_t{5}}) {
            const std::string written = serveInMemory(c.input, front, config, readSize);
            EXPECT_EQ(statusesOf(written), c.statuses) << written;
            EXPECT_NE(written.find(c.holds), std::string::npos) << written;
        }
        EXPECT_EQ(fake->calls, 2 * c.calls);
    }
}

// An answer's Date: the instant at the second, as HTTP writes it; the text made for a second serves
// the whole of it and no other.
TEST(HttpDate, writesTheSecondAsHttpDoes) {
    const struct {
        std::int64_t milliseconds;
        std::string_view text;
    } cases[] = {
        {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
        {-1, "Wed, 31 Dec 1969 23:59:59 GMT"},
        {784'111'777'000, "Sun, 06 Nov 1994 08:49:37 GMT"},
        {951'782'400'999, "Tue, 29 Feb 2000 00:00:00 GMT"},
        {951'782'401'000, "Tue, 29 Feb 2000 00:00:01 GMT"},
        {4'102'444'799'500, "Thu, 31 Dec 2099 23:59:59 GMT"},
        {4'102'444'799'000, "Thu, 31 Dec 2099 23:59:59 GMT"},
        {4'102'444'800'000, "Fri, 01 Jan 2100 00:00:00 GMT"},
    };
    for (const auto& c : cases) {
        const std::chrono::system_clock::time_point instant{std::chrono::milliseconds(c.milliseconds)};
        EXPECT_EQ(httpDate(instant), c.text) << c.milliseconds;
    }
}
