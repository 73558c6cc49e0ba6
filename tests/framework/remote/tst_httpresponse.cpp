#include "framework/remote/httpresponse_p.h"

#include <QList>

#include <gtest/gtest.h>

#include <random>

using zrm::remote::HttpResponseParser;
using State = HttpResponseParser::State;

namespace {

struct Parsed {
    State state = State::Incomplete;
    int status = 0;
    QByteArray body;
    bool keepAlive = false;
    bool trailing = false;

    bool operator==(const Parsed&) const = default;
};

Parsed parse(const QList<QByteArray>& pieces, bool endOfStream = false) {
    HttpResponseParser parser;
    for (const QByteArray& piece : pieces)
        parser.feed(piece);
    if (endOfStream)
        parser.finishAtEndOfStream();
    return {parser.state(), parser.status(), parser.body(), parser.keepAlive(), parser.hasTrailingBytes()};
}

// The same response read whole, byte by byte, and split in two at every point gives the same result.
Parsed parseEverySplit(const QByteArray& response, bool endOfStream = false) {
    const Parsed whole = parse({response}, endOfStream);
    QList<QByteArray> bytes;
    for (char c : response)
        bytes.append(QByteArray(1, c));
    EXPECT_EQ(parse(bytes, endOfStream), whole) << "byte by byte";
    for (qsizetype at = 1; at < response.size(); ++at)
        EXPECT_EQ(parse({response.left(at), response.mid(at)}, endOfStream), whole) << "split at " << at;
    return whole;
}

TEST(HttpResponseParser, contentLength_readsExactlyTheBody) {
    const Parsed parsed = parseEverySplit(
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
        "content-length: 12\r\n\r\n{\"result\":1}");
    EXPECT_EQ(parsed.state, State::Complete);
    EXPECT_EQ(parsed.status, 200);
    EXPECT_EQ(parsed.body, "{\"result\":1}");
    EXPECT_TRUE(parsed.keepAlive);
    EXPECT_FALSE(parsed.trailing);
}

TEST(HttpResponseParser, chunked_joinsChunksAndSkipsExtensionsAndTrailers) {
    const Parsed parsed = parseEverySplit(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5;name=value\r\nhello\r\nA\r\n, chunked!\r\n0\r\nX-Trailer: 1\r\n\r\n");
    EXPECT_EQ(parsed.state, State::Complete);
    EXPECT_EQ(parsed.body, "hello, chunked!");
    EXPECT_TRUE(parsed.keepAlive);
}

TEST(HttpResponseParser, interimContinue_isSkipped) {
    const Parsed parsed =
        parseEverySplit("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 500 Erro\r\nContent-Length: 2\r\n\r\n{}");
    EXPECT_EQ(parsed.state, State::Complete);
    EXPECT_EQ(parsed.status, 500);
    EXPECT_EQ(parsed.body, "{}");
}

TEST(HttpResponseParser, keepAlive_followsVersionAndConnectionHeader) {
    EXPECT_FALSE(parse({"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"}).keepAlive);
    EXPECT_FALSE(parse({"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"}).keepAlive);
    EXPECT_TRUE(parse({"HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nContent-Length: 0\r\n\r\n"}).keepAlive);
}

TEST(HttpResponseParser, bodyWithoutFraming_endsWithTheStream) {
    const QByteArray response = "HTTP/1.1 200 OK\r\n\r\n{\"a\":1}";
    EXPECT_EQ(parse({response}).state, State::Incomplete);
    const Parsed parsed = parseEverySplit(response, true);
    EXPECT_EQ(parsed.state, State::Complete);
    EXPECT_EQ(parsed.body, "{\"a\":1}");
    EXPECT_FALSE(parsed.keepAlive);
}

TEST(HttpResponseParser, cutOffResponse_staysIncompleteAtEndOfStream) {
    EXPECT_EQ(parse({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345"}, true).state, State::Incomplete);
    EXPECT_EQ(parse({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel"}, true).state,
              State::Incomplete);
    EXPECT_EQ(parse({"HTTP/1.1 200 OK\r\nContent-"}, true).state, State::Incomplete);
}

TEST(HttpResponseParser, bytesAfterTheResponse_areReported) {
    const Parsed parsed = parse({"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nxHTTP/1.1 200 OK\r\n"});
    EXPECT_EQ(parsed.state, State::Complete);
    EXPECT_EQ(parsed.body, "x");
    EXPECT_TRUE(parsed.trailing);
}

TEST(HttpResponseParser, malformedResponses_areRefused) {
    const QByteArray cases[] = {
        "garbage\r\n\r\n",
        "HTTP/2 200 OK\r\n\r\n",
        "HTTP/1.1 2x0 OK\r\n\r\n",
        "HTTP/1.1 200OK\r\n\r\n",
        "HTTP/1.1 200 OK\r\nno colon\r\n\r\n",
        "HTTP/1.1 200 OK\r\n folded: header\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 1x\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc",
        "HTTP/1.1 200 OK\r\nContent-Length: 999999999999\r\n\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0x5\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1ffffffff\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabXY",
        QByteArray("HTTP/1.1 200 OK\r\nX: ") + QByteArray(HttpResponseParser::MaxHeadSize, 'a'),
    };
    for (const QByteArray& response : cases) {
        HttpResponseParser parser;
        EXPECT_EQ(parser.feed(response), State::Malformed) << response.left(80).toStdString();
        EXPECT_FALSE(parser.error().isEmpty());
    }
}

// A limit is on the length of a text, not on where the pieces of the stream happen to end: a head, a
// chunk-size line or a trailer line over its limit is refused, and one at its limit read, whole and
// in pieces alike.
TEST(HttpResponseParser, textsOverTheirLimit_areRefusedHoweverTheStreamIsCut) {
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const QByteArray headStart = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX: ";
    const auto chunkLine = [](qsizetype length) { return "5;" + QByteArray(length - 2, 'x') + "\r\n"; };
    const auto trailerLine = [](qsizetype length) { return "X: " + QByteArray(length - 3, 'a') + "\r\n"; };
    const struct {
        QByteArray response;
        State state;
    } cases[] = {
        {headStart + QByteArray(HttpResponseParser::MaxHeadSize - headStart.size(), 'a') + "\r\n\r\n",
         State::Complete},
        {headStart + QByteArray(HttpResponseParser::MaxHeadSize - headStart.size() + 1, 'a') + "\r\n\r\n",
         State::Malformed},
        {chunked + chunkLine(HttpResponseParser::MaxChunkLine) + "hello\r\n0\r\n\r\n", State::Complete},
        {chunked + chunkLine(HttpResponseParser::MaxChunkLine + 1) + "hello\r\n0\r\n\r\n", State::Malformed},
        {chunked + "0\r\n" + trailerLine(HttpResponseParser::MaxHeadSize) + "\r\n", State::Complete},
        {chunked + "0\r\n" + trailerLine(HttpResponseParser::MaxHeadSize + 1) + "\r\n", State::Malformed},
    };
    for (const auto& [response, state] : cases) {
        for (const qsizetype pieceSize : {response.size(), qsizetype(1000), qsizetype(4093)}) {
            QList<QByteArray> pieces;
            for (qsizetype at = 0; at < response.size(); at += pieceSize)
                pieces.append(response.mid(at, pieceSize));
            EXPECT_EQ(parse(pieces).state, state) << response.size() << " bytes in pieces of " << pieceSize;
        }
    }
}

TEST(HttpResponseParser, randomBytes_neverYieldMoreBodyThanReceived) {
    std::mt19937 random(20260310);
    std::uniform_int_distribution<int> byte(0, 255);
    const QByteArray prefixes[] = {"", "HTTP/1.1 200 OK\r\n",
                                   "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"};
    for (int round = 0; round < 3000; ++round) {
        QByteArray input = prefixes[round % 3];
        const int length = round % 200;
        for (int i = 0; i < length; ++i)
            input.append(static_cast<char>(byte(random)));
        if (round % 5 == 0)
            input.insert(input.size() / 2, "\r\n\r\n");
        HttpResponseParser parser;
        for (qsizetype at = 0; at < input.size(); at += 13)
            parser.feed(input.mid(at, 13));
        parser.finishAtEndOfStream();
        EXPECT_LE(parser.body().size(), input.size());
        EXPECT_EQ(parser.state() == State::Malformed, !parser.error().isEmpty());
    }
}

}  // namespace
