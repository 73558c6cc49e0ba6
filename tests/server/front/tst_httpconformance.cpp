// HTTP/1.1 as the running zrm-appserver speaks it, held against the rules of the protocol that a
// server must keep: each row sends the exact bytes of a request over a raw socket and checks the
// status of the first answer, its Date, and whether the server closed the connection after it
// (nothing more answered) or kept it open for the next request.

#include "rawhttpclient.h"
#include "tests/support/appserverprocess.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <span>

using namespace zrm::server::test;
using zrm::test::AppServerProcess;

namespace {

const std::string Call = R"({"jsonrpc":"2.0","id":1,"method":"GetFaseOrc","params":["T"]})";
const std::string Length = "Content-Length: " + std::to_string(Call.size()) + "\r\n";
const std::string Chunked = "Transfer-Encoding: chunked\r\n";

std::string post(const std::string& version, const std::string& headers, const std::string& body) {
    return "POST /rpc/ZRM71300.rdmCalendOrcOp HTTP/" + version + "\r\n" + headers + "\r\n" + body;
}

std::string chunks(const std::string& body) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx", body.size());
    return size + ("\r\n" + body + "\r\n0\r\n\r\n");
}

std::string get(const std::string& line, const std::string& headers) {
    return line + "\r\n" + headers + "\r\n";
}

enum class After { Closes, StaysOpen };

struct Exchange {
    const char* rule;
    std::string sent;
    int status;  // of the first answer, interim answers included
    After after;
};

class HttpConformanceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<AppServerProcess>();
        QString error;
        ASSERT_TRUE(server->start({}, &error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(server->stop(), 0);
        server.reset();
    }

    static void checkEach(std::span<const Exchange> exchanges) {
        for (const Exchange& exchange : exchanges)
            check(exchange);
    }

    // Sends the exchange's bytes and checks its answer and what became of the connection.
    static void check(const Exchange& exchange) {
        SCOPED_TRACE(exchange.rule);
        RawHttpClient client(server->port());
        ASSERT_TRUE(client.send(exchange.sent));
        const RawResponse answer = client.read(false);
        EXPECT_EQ(answer.status, exchange.status);
        if (answer.status >= 200) {
            static const std::regex imfFixdate(
                "(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-3][0-9] "
                "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9] "
                "GMT");
            EXPECT_TRUE(std::regex_match(answer.header("date"), imfFixdate)) << answer.header("date");
        }
        if (exchange.after == After::StaysOpen) {
            if (answer.status == 100) {
                EXPECT_EQ(client.read().status, 200);
            }
            ASSERT_TRUE(client.send("GET /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"));
            EXPECT_EQ(client.read().status, 200) << "the connection serves the next request";
        }
        EXPECT_EQ(client.readToClose(), "") << "nothing more is answered";
        EXPECT_TRUE(client.peerClosed());
    }

    static std::unique_ptr<AppServerProcess> server;
};

std::unique_ptr<AppServerProcess> HttpConformanceTest::server;

}  // namespace

// How the body's end is found: one way or the request is refused and its connection closed, so that
// no byte after it is ever served as a request.
TEST_F(HttpConformanceTest, messageBodyLength) {
    const Exchange exchanges[] = {
        {"a coding whose last is not chunked, then a request where its body would be",
         post("1.1", "Host: x\r\nTransfer-Encoding: gzip\r\n", "GET /health HTTP/1.1\r\nHost: x\r\n\r\n"),
         400, After::Closes},
        {"chunked, then another coding",
         post("1.1", "Host: x\r\nTransfer-Encoding: chunked, gzip\r\n", chunks(Call)), 400, After::Closes},
        {"an unknown coding with a length",
         post("1.1", "Host: x\r\nTransfer-Encoding: xchunked\r\n" + Length, Call), 400, After::Closes},
        {"a length with an unknown coding",
         post("1.1", "Host: x\r\n" + Length + "Transfer-Encoding: identity\r\n", Call), 400, After::Closes},
        {"chunked with a length", post("1.1", "Host: x\r\n" + Chunked + Length, chunks(Call)), 400,
         After::Closes},
        {"any coding in HTTP/1.0", post("1.0", Chunked, chunks(Call)), 400, After::Closes},
        {"a coding before chunked that the server does not decode",
         post("1.1", "Host: x\r\nTransfer-Encoding: gzip, chunked\r\n", chunks(Call)), 501, After::Closes},
        {"chunked", post("1.1", "Host: x\r\n" + Chunked, chunks(Call)), 200, After::StaysOpen},
        {"chunked with a trailer",
         post("1.1", "Host: x\r\n" + Chunked,
              chunks(Call).substr(0, chunks(Call).size() - 2) + "X-Trailer: 1\r\n\r\n"),
         200, After::StaysOpen},
        {"a bad chunk size", post("1.1", "Host: x\r\n" + Chunked, "zz\r\n" + Call + "\r\n0\r\n\r\n"), 400,
         After::Closes},
        {"two lengths that differ", post("1.1", "Host: x\r\n" + Length + "Content-Length: 3\r\n", Call), 400,
         After::Closes},
        {"a length that is not a number", post("1.1", "Host: x\r\nContent-Length: -1\r\n", Call), 400,
         After::Closes},
        {"a length", post("1.1", "Host: x\r\n" + Length, Call), 200, After::StaysOpen},
    };
    checkEach(exchanges);
}

// Host, the request target and the request line.
TEST_F(HttpConformanceTest, requestLineAndHost) {
    const Exchange exchanges[] = {
        {"HTTP/1.1 without Host", get("GET /health HTTP/1.1", ""), 400, After::Closes},
        {"two Host fields", get("GET /health HTTP/1.1", "Host: x\r\nHost: x\r\n"), 400, After::Closes},
        {"a Host that is not a host", get("GET /health HTTP/1.1", "Host: x y/z\r\n"), 400, After::Closes},
        {"a Host with a port", get("GET /health HTTP/1.1", "Host: 127.0.0.1:7130\r\n"), 200,
         After::StaysOpen},
        {"HTTP/1.0 without Host, closed by default", get("GET /health HTTP/1.0", ""), 200, After::Closes},
        {"an absolute URI, its authority the Host",
         get("GET http://127.0.0.1/health HTTP/1.1", "Host: elsewhere\r\n"), 200, After::StaysOpen},
        {"an absolute URI without a host", get("GET http:///health HTTP/1.1", "Host: x\r\n"), 400,
         After::Closes},
        {"a request line over the limit",
         get("GET /" + std::string(20 * 1024, 'a') + " HTTP/1.1", "Host: x\r\n"), 414, After::Closes},
        {"fields over the limit",
         get("GET /health HTTP/1.1", "Host: x\r\nA: " + std::string(20 * 1024, 'a') + "\r\n"), 431,
         After::Closes},
        {"a version that is not one", get("GET /health HTTP/1.1x", "Host: x\r\n"), 400, After::Closes},
        {"an unknown path, dated like every answer", get("GET /nada HTTP/1.1", "Host: x\r\n"), 404,
         After::StaysOpen},
    };
    checkEach(exchanges);
}

// Field syntax: white space where none may be, characters no field may hold, folded lines.
TEST_F(HttpConformanceTest, fieldSyntax) {
    const Exchange exchanges[] = {
        {"white space between a name and its colon", get("GET /health HTTP/1.1", "Host : x\r\n"), 400,
         After::Closes},
        {"white space before the first field", get("GET /health HTTP/1.1", " Host: x\r\n"), 400,
         After::Closes},
        {"a bare CR in a value", get("GET /health HTTP/1.1", "Host: x\r\nA: a\rb\r\n"), 400, After::Closes},
        {"a NUL in a value", get("GET /health HTTP/1.1", std::string("Host: x\r\nA: a\0b\r\n", 18)), 400,
         After::Closes},
        {"a folded line, taken as a space", get("GET /health HTTP/1.1", "Host: x\r\nA: a\r\n b\r\n"), 200,
         After::StaysOpen},
        {"Connection: close", get("GET /health HTTP/1.1", "Host: x\r\nConnection: close\r\n"), 200,
         After::Closes},
    };
    checkEach(exchanges);
}

// An interim 100 only to an HTTP/1.1 client that asks for it.
TEST_F(HttpConformanceTest, expectContinue) {
    const Exchange exchanges[] = {
        {"HTTP/1.1 waiting for 100", post("1.1", "Host: x\r\nExpect: 100-continue\r\n" + Length, Call), 100,
         After::StaysOpen},
        {"HTTP/1.0 knows no 100", post("1.0", "Expect: 100-continue\r\n" + Length, Call), 200, After::Closes},
    };
    checkEach(exchanges);
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
