// The server's front on a byte stream as a client sends it: HTTP requests read and answered by the
// transport's own exchange (its parser, limits, refusals and HEAD answers), one after the other as on
// a kept-alive connection, each answered by the front with the calendar module behind it; the bytes
// written back must be sound HTTP.

#include "fuzz/fuzzserver.h"
#include "fuzz/fuzzsupport.h"
#include "server/http/frontrouter.h"
#include "server/http/httpexchange.h"
#include "server/http/httpserver.h"
#include "server/web/calendarpages.h"

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <QJsonDocument>

#include <string_view>

namespace {

namespace beast = boost::beast;
namespace http = beast::http;

// At most this many requests of one input are answered, so that an input of many tiny requests does
// not slow the fuzzer down.
constexpr int MaxRequests = 8;

// The front as the serve command sets it up, with the calendar pages, and with a silent log.
struct Front {
    zrm::server::Metrics metrics;
    zrm::server::RequestLog log{false};
    zrm::server::CalendarPages pages{zrm::fuzz::calendarDatabase(), zrm::fuzz::calendarClock()};
    zrm::server::FrontRouter router{zrm::fuzz::calendarRegistry(), zrm::server::BearerToken(), metrics, log};

    Front() { router.addPages(pages); }
};

zrm::server::FrontRouter& front() {
    static Front instance;
    return instance.router;
}

// What the transport writes back is sound: a final status (after an interim 100 for a client that
// waits for it), the length it announces, and a body of the type it names.
void checkWritten(const std::string& written, bool headOnly) {
    const QString shown = QString::fromStdString(written.substr(0, 2000));
    std::string_view bytes = written;
    for (int answers = 0; !bytes.empty(); ++answers) {
        zrm::fuzz::require(answers < 2, "at most an interim answer before the final one", shown);
        http::response_parser<http::string_body> parser;
        parser.eager(true);
        // An answer to HEAD announces the GET answer's length and carries no body.
        parser.skip(headOnly);
        beast::error_code ec;
        const std::size_t used = parser.put(boost::asio::buffer(bytes.data(), bytes.size()), ec);
        zrm::fuzz::require(!ec && parser.is_done(), "the answer is whole HTTP", shown);
        bytes.remove_prefix(used);
        const auto& answer = parser.get();
        const unsigned status = answer.result_int();
        if (status == 100)
            continue;
        zrm::fuzz::require(status >= 200 && status <= 599, "the status is a final status", shown);
        if (answer[http::field::content_type] == "application/json") {
            QJsonParseError error;
            QJsonDocument::fromJson(QByteArray::fromStdString(answer.body()), &error);
            zrm::fuzz::require(error.error == QJsonParseError::NoError, "a JSON answer is JSON", shown);
        }
        zrm::fuzz::require(status != 405 || !answer[http::field::allow].empty(),
                           "a 405 names what is allowed", shown);
        zrm::fuzz::require(bytes.empty(), "nothing follows the final answer", shown);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    front();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zrm::server::HttpServerConfig limits;
    std::string_view stream(reinterpret_cast<const char*>(data), size);
    for (int served = 0; served < MaxRequests && !stream.empty(); ++served) {
        const zrm::server::HttpExchange exchange = zrm::server::serveExchange(stream, front(), limits);
        if (!exchange.complete)
            return 0;  // waiting for more bytes
        checkWritten(exchange.written, exchange.headOnly);
        if (!exchange.keepOpen)
            break;
        stream.remove_prefix(exchange.consumed);
    }
    return 0;
}
