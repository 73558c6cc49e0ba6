// The real zrm-appserver serving HTTPS with certificates of a throwaway authority: a client that
// trusts the authority calls a method; an old protocol version is refused by the server; a client
// refuses a certificate for another name, an expired one and one from an authority it does not know;
// plain HTTP on the port gets a clear 400; unsound certificate or key files stop the server at
// start-up.

#include "rawhttpclient.h"
#include "tests/support/appserverprocess.h"
#include "tests/support/throwawayca.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

// Asio's awaitable.hpp of this Boost uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>

#include <gtest/gtest.h>

#include <map>

using namespace zrm::server::test;
using zrm::test::AppServerProcess;
using zrm::test::IssuedCertificate;
using zrm::test::ThrowawayCa;

namespace {

namespace asio = boost::asio;
namespace ssl = asio::ssl;
using boost::system::error_code;

const std::string HostName = "localhost";
const std::string Call = R"({"jsonrpc":"2.0","id":1,"method":"GetFaseOrc","params":["T"]})";

// The certificates a server of these tests may present.
enum class Presented { Valid, OtherName, Expired, UnknownAuthority };

struct TlsAnswer {
    bool handshaken = false;
    long verifyResult = X509_V_OK;  // the client's verdict on the server's certificate
    std::string failure;            // why the handshake failed, as OpenSSL says it
    std::string response;           // every byte of the answer, up to the close
};

// A client that trusts the throwaway authority only, checks the host name, and sends one request
// with Connection: close.
TlsAnswer exchangeOverTls(std::uint16_t port, const std::string& authorityPem, int maxVersion,
                          const std::string& request) {
    asio::io_context context;
    ssl::context tls(ssl::context::tls_client);
    tls.add_certificate_authority(asio::buffer(authorityPem));
    tls.set_verify_mode(ssl::verify_peer);
    if (maxVersion != 0) {
        // The library refuses versions before 1.2 at its default security level; lowering it lets
        // the client offer them, so that the refusal seen is the server's.
        SSL_CTX_set_security_level(tls.native_handle(), 0);
        SSL_CTX_set_min_proto_version(tls.native_handle(), TLS1_VERSION);
        SSL_CTX_set_max_proto_version(tls.native_handle(), maxVersion);
    }
    ssl::stream<asio::ip::tcp::socket> stream(context, tls);
    SSL_set_tlsext_host_name(stream.native_handle(), HostName.c_str());
    SSL_set1_host(stream.native_handle(), HostName.c_str());
    stream.lowest_layer().connect({asio::ip::make_address("127.0.0.1"), port});

    TlsAnswer answer;
    error_code ec;
    stream.handshake(ssl::stream_base::client, ec);
    answer.verifyResult = SSL_get_verify_result(stream.native_handle());
    if (ec) {
        answer.failure = ec.message();
        return answer;
    }
    answer.handshaken = true;
    asio::write(stream, asio::buffer(request), ec);
    std::string received;
    asio::read(stream, asio::dynamic_buffer(received), ec);  // ends with the server's close
    answer.response = received;
    return answer;
}

std::string post(const std::string& body) {
    return "POST /rpc/ZRM71300.rdmCalendOrcOp HTTP/1.1\r\nHost: " + HostName +
           "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string Health = "GET /health HTTP/1.1\r\nHost: " + HostName + "\r\nConnection: close\r\n\r\n";

// Polls the server's log, written in batches, until it holds text or the deadline passes.
bool logEventuallyHolds(const AppServerProcess& server, const QString& text) {
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (server.serverLog().contains(text))
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return false;
}

// One authority the clients trust, one they do not, and the files of every certificate a server
// may present.
class AppServerTlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory = std::make_unique<QTemporaryDir>();
        trusted = std::make_unique<ThrowawayCa>("Autoridade confiável");
        const ThrowawayCa unknown("Autoridade desconhecida");
        save(Presented::Valid, trusted->issue(HostName));
        save(Presented::OtherName, trusted->issue("outro.exemplo.com.br"));
        save(Presented::Expired, trusted->issue(HostName, -2 * 86400, -3600));
        save(Presented::UnknownAuthority, unknown.issue(HostName));
    }
    static void TearDownTestSuite() {
        trusted.reset();
        directory.reset();
    }

    static void save(Presented which, const IssuedCertificate& issued) {
        const QString name = QString::number(static_cast<int>(which));
        const QString certificate = directory->filePath(name + QStringLiteral(".pem"));
        const QString key = directory->filePath(name + QStringLiteral(".key"));
        zrm::test::writeTextFile(certificate.toStdString(), issued.certificatePem);
        zrm::test::writeTextFile(key.toStdString(), issued.keyPem);
        files[which] = {certificate, key};
    }

    // Starts the server presenting the certificate; false with the reason in error.
    static bool startPresenting(AppServerProcess& server, Presented which, QString* error) {
        AppServerProcess::Options options;
        options.extraServeArguments = {QStringLiteral("--tls-cert"), files[which].first,
                                       QStringLiteral("--tls-key"), files[which].second};
        return server.start(options, error);
    }

    static inline std::unique_ptr<QTemporaryDir> directory;
    static inline std::unique_ptr<ThrowawayCa> trusted;
    static inline std::map<Presented, std::pair<QString, QString>> files;
};

TEST_F(AppServerTlsTest, handshake_isAgreedOrRefused) {
    struct Case {
        const char* name;
        Presented presented;
        int maxVersion;  // 0: the client's default (TLS 1.3)
        long verifyResult;
        const char* serverLogs;  // not null: the server refused, and says so in its log
    };
    const Case cases[] = {
        {"valid certificate, TLS 1.3", Presented::Valid, 0, X509_V_OK, nullptr},
        {"valid certificate, TLS 1.2", Presented::Valid, TLS1_2_VERSION, X509_V_OK, nullptr},
        {"TLS 1.1 refused by the server", Presented::Valid, TLS1_1_VERSION, X509_V_OK,
         "handshake TLS com 127.0.0.1 falhou"},
        {"certificate for another name", Presented::OtherName, 0, X509_V_ERR_HOSTNAME_MISMATCH, nullptr},
        {"expired certificate", Presented::Expired, 0, X509_V_ERR_CERT_HAS_EXPIRED, nullptr},
        {"certificate from an unknown authority", Presented::UnknownAuthority, 0,
         X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppServerProcess server;
        QString error;
        ASSERT_TRUE(startPresenting(server, c.presented, &error)) << error.toStdString();
        const TlsAnswer answer =
            exchangeOverTls(server.port(), trusted->certificatePem(), c.maxVersion, post(Call));
        EXPECT_EQ(answer.verifyResult, c.verifyResult) << X509_verify_cert_error_string(answer.verifyResult);
        const bool agreed = c.verifyResult == X509_V_OK && !c.serverLogs;
        EXPECT_EQ(answer.handshaken, agreed) << answer.failure;
        if (agreed) {
            EXPECT_EQ(answer.response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer.response;
            EXPECT_NE(answer.response.find("\"result\""), std::string::npos) << answer.response;
        }
        if (c.serverLogs) {
            EXPECT_TRUE(logEventuallyHolds(server, QString::fromUtf8(c.serverLogs)))
                << server.serverLog().toStdString();
        }
        // Whatever a client did, the server goes on serving.
        const TlsAnswer after = exchangeOverTls(server.port(), trusted->certificatePem(), 0, Health);
        if (c.presented == Presented::Valid) {
            EXPECT_EQ(after.response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << after.failure << after.response;
        }
        EXPECT_TRUE(server.isRunning());
    }
}

// Plain HTTP on the HTTPS port: a sentence saying to use https, the connection closed, and the
// server serving HTTPS as before.
TEST_F(AppServerTlsTest, plainHttp_isAnsweredWithClearRefusal) {
    AppServerProcess server;
    QString error;
    ASSERT_TRUE(startPresenting(server, Presented::Valid, &error)) << error.toStdString();
    const char* requests[] = {"GET", "POST"};
    for (const char* method : requests) {
        SCOPED_TRACE(method);
        RawHttpClient client(server.port());
        const RawResponse response = client.request(method, "/rpc/ZRM71300.rdmCalendOrcOp", Call);
        EXPECT_EQ(response.status, 400);
        EXPECT_NE(response.body.find("https://"), std::string::npos) << response.body;
        EXPECT_TRUE(client.waitForClose());
    }
    const TlsAnswer answer = exchangeOverTls(server.port(), trusted->certificatePem(), 0, Health);
    EXPECT_EQ(answer.response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer.failure << answer.response;
}

// Files that cannot serve stop the command before it listens, with a sentence naming the file.
TEST_F(AppServerTlsTest, unsoundFiles_stopServeAtStartUp) {
    QTemporaryDir dir;
    const QString notPem = dir.filePath(QStringLiteral("texto.pem"));
    zrm::test::writeTextFile(notPem.toStdString(), "não é um certificado\n");
    const auto& valid = files[Presented::Valid];
    const auto& other = files[Presented::OtherName];
    struct Case {
        const char* name;
        QStringList tlsArguments;
        int status;
        QString says;
    };
    const Case cases[] = {
        {"certificate missing",
         {QStringLiteral("--tls-cert"), dir.filePath(QStringLiteral("nada.pem")), QStringLiteral("--tls-key"),
          valid.second},
         1,
         QStringLiteral("não pôde ser lido")},
        {"certificate not PEM",
         {QStringLiteral("--tls-cert"), notPem, QStringLiteral("--tls-key"), valid.second},
         1,
         QStringLiteral("não é um certificado PEM válido")},
        {"key not PEM",
         {QStringLiteral("--tls-cert"), valid.first, QStringLiteral("--tls-key"), notPem},
         1,
         QStringLiteral("não é uma chave PEM válida")},
        {"key of another certificate",
         {QStringLiteral("--tls-cert"), valid.first, QStringLiteral("--tls-key"), other.second},
         1,
         QStringLiteral("não corresponde ao certificado")},
        {"certificate without key",
         {QStringLiteral("--tls-cert"), valid.first},
         2,
         QStringLiteral("vão juntas")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString output;
        const QStringList arguments =
            QStringList{QStringLiteral("serve"), QStringLiteral("--db"),
                        QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("x.sqlite")),
                        QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} +
            c.tlsArguments;
        EXPECT_EQ(AppServerProcess::runCommand(arguments, &output), c.status) << output.toStdString();
        EXPECT_TRUE(output.contains(c.says)) << output.toStdString();
        EXPECT_FALSE(output.contains(QStringLiteral("listening on"))) << output.toStdString();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
