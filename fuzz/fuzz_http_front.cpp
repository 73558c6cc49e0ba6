// The server's front on a byte stream as a client sends it: HTTP requests read with the transport's
// parser and limits, one after the other as on a kept-alive connection, each answered by the front
// with the calendar module behind it.

#include "fuzz/fuzzserver.h"
#include "fuzz/fuzzsupport.h"
#include "server/http/frontrouter.h"
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
    zrm::server::CalendarPages pages{zrm::fuzz::calendarRegistry()};
    zrm::server::FrontRouter router{zrm::fuzz::calendarRegistry(), zrm::server::BearerToken(), metrics, log};

    Front() { router.addPages(pages); }
};

zrm::server::FrontRouter& front() {
    static Front instance;
    return instance.router;
}

std::string_view viewOf(beast::string_view text) {
    return {text.data(), text.size()};
}

// The front's answer is sound: a final status, and a body of the type it names.
void checkAnswer(const zrm::server::HttpResponse& answer) {
    const QString shown = QString::fromStdString(answer.body);
    zrm::fuzz::require(answer.status >= 200 && answer.status <= 599, "the status is a final status", shown);
    if (answer.contentType == "application/json") {
        QJsonParseError error;
        QJsonDocument::fromJson(QByteArray::fromStdString(answer.body), &error);
        zrm::fuzz::require(error.error == QJsonParseError::NoError, "a JSON answer is JSON", shown);
    }
    zrm::fuzz::require(answer.status != 405 || !answer.allow.empty(), "a 405 names what is allowed", shown);
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
        http::request_parser<http::string_body> parser;
        parser.header_limit(static_cast<std::uint32_t>(limits.maxHeaderBytes));
        parser.body_limit(limits.maxBodyBytes);
        parser.eager(true);
        beast::error_code ec;
        const std::size_t used = parser.put(boost::asio::buffer(stream.data(), stream.size()), ec);
        if (ec || !parser.is_done())
            return 0;  // refused by the transport itself, or waiting for more bytes
        stream.remove_prefix(used);

        const auto& request = parser.get();
        const zrm::server::HttpRequest view{viewOf(request.method_string()), viewOf(request.target()),
                                            viewOf(request[http::field::authorization]),
                                            viewOf(request["X-Operator"]), request.body()};
        zrm::server::HttpResponse answer;
        front().handle(view, answer);
        checkAnswer(answer);
        if (!request.keep_alive())
            break;
    }
    return 0;
}
