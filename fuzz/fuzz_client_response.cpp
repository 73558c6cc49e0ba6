// The client's reading of an answer: the HTTP response parser on a byte stream cut into pieces, then
// the JSON-RPC response in the body. The first byte gives the size of the pieces; the parser must
// reach the same response however the stream is cut.

#include "framework/remote/httpresponse_p.h"
#include "framework/remote/jsonrpc_p.h"
#include "fuzz/fuzzsupport.h"

namespace {

using zrm::remote::HttpResponseParser;

struct Reading {
    HttpResponseParser::State state;
    int status = 0;
    QByteArray body;
    bool keepAlive = false;
    bool trailing = false;

    bool operator==(const Reading&) const = default;
};

Reading read(const QByteArray& stream, qsizetype pieceSize) {
    HttpResponseParser parser;
    // Bytes after a complete response are fed too: the parser keeps them aside.
    for (qsizetype at = 0; at < stream.size() && parser.state() != HttpResponseParser::State::Malformed;
         at += pieceSize) {
        parser.feed(stream.mid(at, pieceSize));
    }
    if (parser.state() == HttpResponseParser::State::Incomplete)
        parser.finishAtEndOfStream();
    if (parser.state() == HttpResponseParser::State::Malformed)
        zrm::fuzz::require(!parser.error().isEmpty(), "a malformed response is explained");
    return {parser.state(), parser.status(), parser.body(), parser.keepAlive(), parser.hasTrailingBytes()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArray stream = zrm::fuzz::bytesOf(data + 1, size - 1);
    const Reading whole = read(stream, qMax<qsizetype>(stream.size(), 1));
    const Reading pieces = read(stream, data[0] % 16 + 1);
    // A malformed stream may be noticed at another byte depending on the cut, so only the verdict is
    // compared then.
    zrm::fuzz::require(whole.state == pieces.state, "the verdict does not depend on how the stream is cut");
    if (whole.state != HttpResponseParser::State::Malformed)
        zrm::fuzz::require(whole == pieces, "the response read does not depend on how the stream is cut");

    if (whole.state == HttpResponseParser::State::Complete) {
        const TRemoteResult result = zrm::remote::decodeResponse(whole.body, 1);
        zrm::fuzz::require(result.ok || !result.message.isEmpty(), "a failed call is explained");
    }
    return 0;
}
