#pragma once

// The transport's session over any stream: reads requests one after the other on a connection,
// answers each through the handler (at once, after a wait, or on the pool for blocking work) and
// writes the answer, refusing what the transport refuses itself. The server runs it over a TCP
// socket; tests and the fuzzer run the very same session over a stream in memory
// (memoryconnection.cpp). Included by those two files only: it brings in the HTTP library.

#include "server/http/httpexchange_p.h"
#include "server/http/httpmessage.h"
#include "server/http/httpserver.h"

// Asio's awaitable.hpp of this Boost uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

namespace zrm::server {

// What a session needs of the server that runs it.
class SessionHost {
public:
    virtual const HttpServerConfig& config() const = 0;
    virtual HttpHandler& handler() = 0;
    // Where the handler's blocking work runs.
    virtual boost::asio::any_io_executor blockingExecutor() = 0;
    // True once a graceful stop has begun: answers carry Connection: close.
    virtual bool stopping() const = 0;
    // Once stopping: until when a session waiting for a new request still waits for one.
    virtual std::chrono::steady_clock::time_point drainDeadline() const = 0;

protected:
    ~SessionHost() = default;
};

namespace session {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using boost::system::error_code;

constexpr auto awaitable = asio::use_awaitable;

// How long a connection that was answered with an error keeps draining what the client still sends,
// so that the client reads the answer instead of a reset connection.
constexpr std::chrono::milliseconds LingerTime{1000};
constexpr std::size_t LingerBytes = std::size_t{4} * 1024 * 1024;
constexpr std::size_t FirstReadBytes = std::size_t{16} * 1024;

// The few things a session does that differ between a TCP socket, a TLS stream and a stream in
// memory: opening, time limits, and closing one direction or both. Another stream's are found beside
// it.

// A stream with nothing to agree on before the first request (TCP, memory) is open at once.
template <typename Stream>
boost::asio::awaitable<bool> openStream(Stream& /*stream*/, SessionHost& /*host*/) {
    co_return true;
}
inline void expireAfter(beast::tcp_stream& stream, std::chrono::milliseconds time) {
    stream.expires_after(time);
}
inline void shutdownSend(beast::tcp_stream& stream) {
    error_code ignored;
    stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
}
inline void closeStream(beast::tcp_stream& stream) {
    error_code ignored;
    stream.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    stream.close();
}

}  // namespace session

// One connection: reads requests one after the other and answers each before reading the next. Runs
// as a coroutine on the stream's executor (a strand of its own on the server); what the handler
// cannot answer at once runs on the blocking pool while the coroutine waits.
template <typename Stream>
class Session {
public:
    Session(SessionHost& host, Stream stream) : m_host(host), m_stream(std::move(stream)) {}

    // The connection's life; self keeps the session alive until the coroutine ends.
    static boost::asio::awaitable<void> run(std::shared_ptr<Session> self);

    // On the session's executor, once stopping: cuts short the wait for a new request, which starts
    // again bounded by the drain deadline; a request being read or answered finishes first.
    void stopIfIdle() {
        if (m_idle)
            m_stream.cancel();
    }

    boost::asio::any_io_executor executor() { return m_stream.get_executor(); }

private:
    using error_code = session::error_code;

    std::optional<std::chrono::milliseconds> idleWait() const;
    boost::asio::awaitable<bool> serveOne();
    boost::asio::awaitable<void> answer(HttpCall& call, HttpResponse& response);
    boost::asio::awaitable<bool> answerAfterWait(HttpCall& call, HttpResponse& response);
    boost::asio::awaitable<void> reject(const exchange::Refusal& refusal, unsigned version);
    boost::asio::awaitable<void> lingeringClose();
    std::string_view unread() const {
        return {static_cast<const char*>(m_buffer.data().data()), m_buffer.size()};
    }

    SessionHost& m_host;
    Stream m_stream;
    boost::beast::flat_buffer m_buffer;
    bool m_idle = false;
};

template <typename Stream>
boost::asio::awaitable<void> Session<Stream>::run(std::shared_ptr<Session> self) {
    using namespace session;
    if (!co_await openStream(self->m_stream, self->m_host)) {
        closeStream(self->m_stream);
        co_return;
    }
    for (;;) {
        if (self->m_buffer.size() == 0) {
            // Waiting for the next request: the only state a graceful stop may cut short, and only
            // once the drain time is over.
            const std::optional<std::chrono::milliseconds> wait = self->idleWait();
            if (!wait)
                break;
            self->m_idle = true;
            error_code ec;
            expireAfter(self->m_stream, *wait);
            const std::size_t n = co_await self->m_stream.async_read_some(
                self->m_buffer.prepare(FirstReadBytes), asio::redirect_error(awaitable, ec));
            self->m_idle = false;
            if (ec == asio::error::operation_aborted && self->m_host.stopping())
                continue;  // cut short by the stop: waits again, until the drain deadline
            if (ec)
                break;
            self->m_buffer.commit(n);
        }
        if (!co_await self->serveOne())
            break;
    }
    closeStream(self->m_stream);
}

// How long to wait for the next request: the idle time-out, or what is left of the drain time once
// stopping; none when that is over.
template <typename Stream>
std::optional<std::chrono::milliseconds> Session<Stream>::idleWait() const {
    const std::chrono::milliseconds idle = m_host.config().idleTimeout;
    if (!m_host.stopping())
        return idle;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_host.drainDeadline() -
                                                                   std::chrono::steady_clock::now());
    if (left <= std::chrono::milliseconds::zero())
        return std::nullopt;
    return std::min(idle, left);
}

// Reads, answers and writes one request. Returns whether the connection stays open.
template <typename Stream>
boost::asio::awaitable<bool> Session<Stream>::serveOne() {
    using namespace session;
    const auto& config = m_host.config();
    error_code ec;
    exchange::Parser parser;
    exchange::limit(parser, config);

    expireAfter(m_stream, config.headerTimeout);
    co_await http::async_read_header(m_stream, m_buffer, parser, asio::redirect_error(awaitable, ec));
    if (ec) {
        if (std::optional<exchange::Refusal> refusal = exchange::refusalOf(ec, parser, unread(), config))
            co_await reject(*refusal, 11);
        co_return false;
    }
    exchange::Request& request = parser.get();
    // Checked before the body is read: a request refused here leaves its body unread, drained by
    // the lingering close and never taken for the next request.
    if (std::optional<exchange::Refusal> refusal = exchange::refusalOfHead(request, config)) {
        co_await reject(*refusal, request.version());
        co_return false;
    }
    exchange::toOriginForm(request);
    const auto headFields = static_cast<std::size_t>(std::distance(request.begin(), request.end()));
    // An HTTP/1.0 client knows no interim answers: it sends its body anyway.
    if (request.version() >= 11 && beast::iequals(request[http::field::expect], "100-continue")) {
        http::response<http::empty_body> goOn{http::status::continue_, request.version()};
        co_await http::async_write(m_stream, goOn, asio::redirect_error(awaitable, ec));
    }
    if (!ec) {
        expireAfter(m_stream, config.bodyTimeout);
        co_await http::async_read(m_stream, m_buffer, parser, asio::redirect_error(awaitable, ec));
    }
    if (ec) {
        if (std::optional<exchange::Refusal> refusal = exchange::refusalOf(ec, parser, unread(), config))
            co_await reject(*refusal, request.version());
        co_return false;
    }
    exchange::dropTrailer(request, headFields);

    const HttpRequest view = exchange::viewOf(request);
    HttpResponse answer;
    std::unique_ptr<HttpCall> call;
    try {
        call = m_host.handler().open(view);
    } catch (...) {
        exchange::answerFailed(m_host.handler(), std::current_exception(), answer);
    }
    if (call)
        co_await this->answer(*call, answer);

    const bool keepAlive = request.keep_alive() && !m_host.stopping();
    exchange::Response response =
        exchange::responseOf(std::move(answer), request.version(), keepAlive, httpDate(config.wallClock()));

    expireAfter(m_stream, config.bodyTimeout);
    if (request.method() == http::verb::head) {
        // The headers the GET answer would carry, Content-Length included, and no body: a body
        // would be read as the start of the next answer on a kept-alive connection.
        http::response<http::empty_body> head{response.base()};
        co_await http::async_write(m_stream, head, asio::redirect_error(awaitable, ec));
    } else {
        co_await http::async_write(m_stream, response, asio::redirect_error(awaitable, ec));
    }
    co_return !ec && keepAlive;
}

// Lets the handler answer at once, after a wait, or on the blocking pool. An exception escaping the
// handler becomes a plain 500 that the handler hears about, for the log and the metrics.
template <typename Stream>
boost::asio::awaitable<void> Session<Stream>::answer(HttpCall& call, HttpResponse& response) {
    using namespace session;
    std::exception_ptr failure;
    try {
        if (!call.answerAtOnce(response) && !co_await answerAfterWait(call, response)) {
            co_await asio::co_spawn(
                m_host.blockingExecutor(),
                [&]() -> asio::awaitable<void> {
                    call.handle(response);
                    co_return;
                },
                awaitable);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure)
        exchange::answerFailed(m_host.handler(), failure, response);
}

// Lets the call wait for what it needs from outside the process before answering at once, without
// holding a thread: the coroutine sleeps on a timer that the call's wake-up cancels. Returns whether
// the call answered.
template <typename Stream>
boost::asio::awaitable<bool> Session<Stream>::answerAfterWait(HttpCall& call, HttpResponse& response) {
    using namespace session;
    struct Wake {
        explicit Wake(const asio::any_io_executor& executor)
            : timer(executor, asio::steady_timer::time_point::max()) {}
        asio::steady_timer timer;
        HttpCall::WaitOutcome outcome;
    };
    auto wake = std::make_shared<Wake>(executor());
    const bool waiting = call.startWait([wake](HttpCall::WaitOutcome outcome) mutable {
        // On the session's executor, which runs nothing else of this session until the coroutine
        // below is asleep; the waking thread keeps no share of the timer afterwards.
        auto woken = std::move(wake);
        const asio::any_io_executor strand = woken->timer.get_executor();
        asio::post(strand, [woken = std::move(woken), outcome] {
            woken->outcome = outcome;
            woken->timer.cancel();
        });
    });
    if (!waiting)
        co_return false;
    error_code ec;
    co_await wake->timer.async_wait(asio::redirect_error(awaitable, ec));
    co_return call.answerAfterWait(wake->outcome, response);
}

// Answers a request the transport refuses itself, then closes the connection.
template <typename Stream>
boost::asio::awaitable<void> Session<Stream>::reject(const exchange::Refusal& refusal, unsigned version) {
    using namespace session;
    m_host.handler().rejectedByTransport(static_cast<int>(refusal.status),
                                         exchange::reasonOf(refusal.status));
    exchange::Response response = exchange::refusal(refusal, version, httpDate(m_host.config().wallClock()));
    error_code ec;
    expireAfter(m_stream, m_host.config().bodyTimeout);
    co_await http::async_write(m_stream, response, asio::redirect_error(awaitable, ec));
    if (!ec)
        co_await lingeringClose();
}

// Half-closes and reads what the client still sends for a short while: closing a socket with unread
// data resets the connection, and the client would lose the answer just written.
template <typename Stream>
boost::asio::awaitable<void> Session<Stream>::lingeringClose() {
    using namespace session;
    error_code ec;
    shutdownSend(m_stream);
    std::size_t drained = 0;
    char sink[16 * 1024];
    expireAfter(m_stream, LingerTime);
    while (!ec && drained < LingerBytes) {
        drained += co_await m_stream.async_read_some(asio::buffer(sink), asio::redirect_error(awaitable, ec));
    }
}

}  // namespace zrm::server
