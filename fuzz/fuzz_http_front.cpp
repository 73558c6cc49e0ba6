// The server's front on a byte stream as a client sends it: one connection served by the transport's
// own session (its parser, limits, refusals, HEAD answers and keep-alive) over a stream in memory,
// each request answered by the front with the calendar module behind it; the bytes written back
// must be sound HTTP, one answer for each request the session read. The first byte sets how many
// bytes a read gets, so requests also arrive in pieces.

#include "fuzz/fuzzserver.h"
#include "fuzz/fuzzsupport.h"
#include "server/http/frontrouter.h"
#include "server/http/httpexchange_p.h"
#include "server/http/httpserver.h"
#include "server/http/memoryconnection.h"
#include "server/web/calendarpages.h"

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <QJsonDocument>

#include <string_view>

namespace {

namespace beast = boost::beast;
namespace http = beast::http;

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

// The methods of the requests in input that a session reads whole and answers through the front, in
// order, read with the transport's limits by a parser of the test's own.
std::vector<http::verb> requestMethods(std::string_view input, const zrm::server::HttpServerConfig& limits) {
    std::vector<http::verb> methods;
    while (!input.empty()) {
        http::request_parser<http::string_body> parser;
        parser.header_limit(static_cast<std::uint32_t>(limits.maxHeaderBytes));
        parser.body_limit(limits.maxBodyBytes);
        parser.eager(true);
        beast::error_code ec;
        const std::size_t used = parser.put(boost::asio::buffer(input.data(), input.size()), ec);
        // The transport refuses a head over the limit as a whole, which the parser checks per field.
        if (ec || !parser.is_done() || zrm::server::exchange::refusalOfHead(parser.get(), limits))
            break;
        methods.push_back(parser.get().method());
        if (!parser.get().keep_alive())
            break;
        input.remove_prefix(used);
    }
    return methods;
}

// What the transport writes back is sound: for each request a final status (after an interim 100 for
// a client that waits for it), the length it announces, and a body of the type it names; at most one
// more answer, the refusal of what followed; nothing after the last.
void checkWritten(const std::string& written, const std::vector<http::verb>& methods) {
    const QString shown = QString::fromStdString(written.substr(0, 2000));
    std::string_view bytes = written;
    std::size_t answered = 0;
    while (!bytes.empty()) {
        zrm::fuzz::require(answered <= methods.size(), "no answer without a request", shown);
        http::response_parser<http::string_body> parser;
        parser.eager(true);
        parser.body_limit(boost::none);
        // An answer to HEAD announces the GET answer's length and carries no body.
        parser.skip(answered < methods.size() && methods[answered] == http::verb::head);
        beast::error_code ec;
        const std::size_t used = parser.put(boost::asio::buffer(bytes.data(), bytes.size()), ec);
        zrm::fuzz::require(!ec && parser.is_done(), "the answer is whole HTTP", shown);
        bytes.remove_prefix(used);
        const auto& answer = parser.get();
        const unsigned status = answer.result_int();
        if (status == 100)
            continue;
        ++answered;
        zrm::fuzz::require(status >= 200 && status <= 599, "the status is a final status", shown);
        if (answer[http::field::content_type] == "application/json") {
            QJsonParseError error;
            QJsonDocument::fromJson(QByteArray::fromStdString(answer.body()), &error);
            zrm::fuzz::require(error.error == QJsonParseError::NoError, "a JSON answer is JSON", shown);
        }
        zrm::fuzz::require(status != 405 || !answer[http::field::allow].empty(),
                           "a 405 names what is allowed", shown);
    }
    zrm::fuzz::require(answered >= methods.size(), "every request read whole is answered", shown);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    front();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const zrm::server::HttpServerConfig limits;
    const std::size_t readSize = data[0] % 4 == 0 ? 0 : data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string written = zrm::server::serveInMemory(input, front(), limits, readSize);
    checkWritten(written, requestMethods(input, limits));
    return 0;
}
