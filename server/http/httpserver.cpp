#include "server/http/httpserver.h"

#include "server/http/httpexchange_p.h"

// Asio's awaitable.hpp of this Boost uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

namespace zrm::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr auto awaitable = asio::use_awaitable;

// How long a connection that was answered with an error keeps draining what the client still sends,
// so that the client reads the answer instead of a reset connection.
constexpr std::chrono::milliseconds LingerTime{1000};
constexpr std::size_t LingerBytes = std::size_t{4} * 1024 * 1024;
constexpr std::size_t FirstReadBytes = std::size_t{16} * 1024;

int blockingThreadCount(const HttpServerConfig& config) {
    if (config.blockingThreads > 0)
        return config.blockingThreads;
    return std::max(4, 4 * static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace

class Session;

class Listener {
public:
    Listener(HttpServerConfig config, HttpHandler& handler)
        : m_config(std::move(config))
        , m_handler(handler)
        , m_threads(m_config.threads > 0 ? m_config.threads
                                         : std::max(1, static_cast<int>(std::thread::hardware_concurrency())))
        , m_context(m_threads)
        , m_blocking(static_cast<std::size_t>(blockingThreadCount(m_config)))
        , m_strand(asio::make_strand(m_context))
        , m_acceptor(m_strand) {}

    std::uint16_t listen();
    std::string boundAddress() const;
    void stopOnSignals();
    void run();
    void stop();

    const HttpServerConfig& config() const { return m_config; }
    HttpHandler& handler() { return m_handler; }
    asio::thread_pool& blockingPool() { return m_blocking; }
    bool stopping() const { return m_stopping.load(std::memory_order_acquire); }
    void forget(Session* session);

private:
    asio::awaitable<void> acceptLoop();

    HttpServerConfig m_config;
    HttpHandler& m_handler;
    int m_threads;
    asio::io_context m_context;
    asio::thread_pool m_blocking;  // the handler's blocking work, off the I/O threads
    asio::strand<asio::io_context::executor_type> m_strand;  // acceptor, signals, stop
    tcp::acceptor m_acceptor;
    std::unique_ptr<asio::signal_set> m_signals;
    std::atomic<bool> m_stopping{false};

    std::mutex m_sessionsMutex;
    std::unordered_map<Session*, std::weak_ptr<Session>> m_sessions;
};

// One connection: reads requests one after the other and answers each before reading the next. Runs
// as a coroutine on its own strand; what the handler cannot answer at once runs on the blocking pool
// while the coroutine waits.
class Session {
public:
    Session(Listener& server, tcp::socket socket) : m_server(server), m_stream(std::move(socket)) {}
    ~Session() { m_server.forget(this); }

    // The connection's life; self keeps the session alive until the coroutine ends.
    static asio::awaitable<void> run(std::shared_ptr<Session> self);

    // On the session's strand: ends the connection when it is waiting for a new request; a request
    // being read or answered finishes first.
    void stopIfIdle() {
        if (m_idle)
            m_stream.cancel();
    }

    asio::any_io_executor executor() { return m_stream.get_executor(); }

private:
    asio::awaitable<bool> serveOne();
    asio::awaitable<void> answer(const HttpRequest& request, HttpResponse& response);
    asio::awaitable<bool> answerAfterWait(const HttpRequest& request, HttpResponse& response);
    asio::awaitable<void> reject(http::status status, unsigned version);
    asio::awaitable<void> lingeringClose();

    Listener& m_server;
    beast::tcp_stream m_stream;
    beast::flat_buffer m_buffer;
    bool m_idle = false;
};

asio::awaitable<void> Session::run(std::shared_ptr<Session> self) {
    const auto& config = self->m_server.config();
    for (;;) {
        if (self->m_buffer.size() == 0) {
            // Waiting for the next request: the only state a graceful stop may cut short.
            if (self->m_server.stopping())
                break;
            self->m_idle = true;
            error_code ec;
            self->m_stream.expires_after(config.idleTimeout);
            const std::size_t n = co_await self->m_stream.async_read_some(
                self->m_buffer.prepare(FirstReadBytes), asio::redirect_error(awaitable, ec));
            self->m_idle = false;
            if (ec)
                break;
            self->m_buffer.commit(n);
        }
        if (!co_await self->serveOne())
            break;
    }
    error_code ignored;
    self->m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    self->m_stream.close();
}

// Reads, answers and writes one request. Returns whether the connection stays open.
asio::awaitable<bool> Session::serveOne() {
    const auto& config = m_server.config();
    error_code ec;
    exchange::Parser parser;
    exchange::limit(parser, config);

    m_stream.expires_after(config.headerTimeout);
    co_await http::async_read_header(m_stream, m_buffer, parser, asio::redirect_error(awaitable, ec));
    if (!ec && beast::iequals(parser.get()[http::field::expect], "100-continue")) {
        http::response<http::empty_body> goOn{http::status::continue_, parser.get().version()};
        co_await http::async_write(m_stream, goOn, asio::redirect_error(awaitable, ec));
    }
    if (!ec) {
        m_stream.expires_after(config.bodyTimeout);
        co_await http::async_read(m_stream, m_buffer, parser, asio::redirect_error(awaitable, ec));
    }
    if (ec) {
        if (const std::optional<http::status> status = exchange::refusalOf(ec))
            co_await reject(*status, parser.is_header_done() ? parser.get().version() : 11);
        co_return false;
    }

    const auto& request = parser.get();
    if (const std::optional<http::status> status = exchange::refusalOfHead(request, config)) {
        co_await reject(*status, request.version());
        co_return false;
    }
    HttpResponse answer;
    co_await this->answer(exchange::viewOf(request), answer);

    const bool keepAlive = request.keep_alive() && !m_server.stopping();
    exchange::Response response = exchange::responseOf(std::move(answer), request.version(), keepAlive);

    m_stream.expires_after(config.bodyTimeout);
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

// Lets the handler answer at once, or on the blocking pool. An exception escaping the handler
// becomes a plain 500 that the handler hears about, for the log and the metrics.
asio::awaitable<void> Session::answer(const HttpRequest& request, HttpResponse& response) {
    std::exception_ptr failure;
    try {
        if (!m_server.handler().answerAtOnce(request, response) &&
            !co_await answerAfterWait(request, response)) {
            co_await asio::co_spawn(
                m_server.blockingPool(),
                [&]() -> asio::awaitable<void> {
                    m_server.handler().handle(request, response);
                    co_return;
                },
                awaitable);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure)
        exchange::answerFailed(m_server.handler(), failure, response);
}

// Lets the handler wait for what it needs from outside the process before answering at once,
// without holding a thread: the coroutine sleeps on a timer that the handler's wake-up cancels.
// Returns whether the handler answered.
asio::awaitable<bool> Session::answerAfterWait(const HttpRequest& request, HttpResponse& response) {
    struct Wake {
        explicit Wake(const asio::any_io_executor& executor)
            : timer(executor, asio::steady_timer::time_point::max()) {}
        asio::steady_timer timer;
        HttpHandler::WaitOutcome outcome;
    };
    auto wake = std::make_shared<Wake>(executor());
    const bool waiting =
        m_server.handler().startWait(request, [wake](HttpHandler::WaitOutcome outcome) mutable {
            // On the session's strand, which runs nothing else of this session until the coroutine
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
    co_return m_server.handler().answerAfterWait(request, wake->outcome, response);
}

// Answers a request the transport refuses itself, then closes the connection.
asio::awaitable<void> Session::reject(http::status status, unsigned version) {
    m_server.handler().rejectedByTransport(static_cast<int>(status), exchange::reasonOf(status));
    exchange::Response response = exchange::refusal(status, version, m_server.config());
    error_code ec;
    m_stream.expires_after(m_server.config().bodyTimeout);
    co_await http::async_write(m_stream, response, asio::redirect_error(awaitable, ec));
    if (!ec)
        co_await lingeringClose();
}

// Half-closes and reads what the client still sends for a short while: closing a socket with unread
// data resets the connection, and the client would lose the answer just written.
asio::awaitable<void> Session::lingeringClose() {
    error_code ec;
    m_stream.socket().shutdown(tcp::socket::shutdown_send, ec);
    std::size_t drained = 0;
    char sink[16 * 1024];
    m_stream.expires_after(LingerTime);
    while (!ec && drained < LingerBytes) {
        drained += co_await m_stream.async_read_some(asio::buffer(sink), asio::redirect_error(awaitable, ec));
    }
}

std::uint16_t Listener::listen() {
    error_code ec;
    tcp::resolver resolver(m_context);
    const auto results = resolver.resolve(m_config.host, std::to_string(m_config.port), ec);
    if (ec || results.empty()) {
        throw std::runtime_error("O endereço \"" + m_config.host + "\" não foi encontrado: " + ec.message() +
                                 ".");
    }
    const tcp::endpoint endpoint = results.begin()->endpoint();
    if (m_config.loopbackOnly && !endpoint.address().is_loopback()) {
        throw std::runtime_error("O endereço \"" + m_config.host +
                                 "\" não é local (loopback): configure um token (--token-file) ou, se for "
                                 "mesmo o que se quer, use --allow-insecure.");
    }
    m_acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        m_acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        m_acceptor.bind(endpoint, ec);
    if (!ec)
        m_acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        throw std::runtime_error("Não foi possível escutar em " + m_config.host + ":" +
                                 std::to_string(m_config.port) + ": " + ec.message() + ".");
    }
    return m_acceptor.local_endpoint().port();
}

std::string Listener::boundAddress() const {
    error_code ec;
    const tcp::endpoint endpoint = m_acceptor.local_endpoint(ec);
    if (ec)
        return {};
    const std::string address = endpoint.address().to_string();
    const std::string port = std::to_string(endpoint.port());
    return endpoint.address().is_v6() ? "[" + address + "]:" + port : address + ":" + port;
}

void Listener::stopOnSignals() {
    m_signals = std::make_unique<asio::signal_set>(m_strand, SIGTERM, SIGINT);
    m_signals->async_wait([this](const error_code& ec, int) {
        if (!ec)
            stop();
    });
}

void Listener::run() {
    asio::co_spawn(m_strand, acceptLoop(), asio::detached);
    std::vector<std::thread> workers;
    for (int i = 1; i < m_threads; ++i)
        workers.emplace_back([this] { m_context.run(); });
    m_context.run();
    for (auto& worker : workers)
        worker.join();
    m_blocking.join();
}

void Listener::stop() {
    asio::post(m_strand, [this] {
        if (m_stopping.exchange(true, std::memory_order_acq_rel))
            return;
        error_code ignored;
        m_acceptor.close(ignored);
        if (m_signals)
            m_signals->cancel(ignored);
        // Collected first and told outside the lock: the last reference to a session may drop
        // here, and its destructor takes the lock.
        std::vector<std::shared_ptr<Session>> sessions;
        {
            std::lock_guard lock(m_sessionsMutex);
            for (auto& entry : m_sessions) {
                if (auto session = entry.second.lock())
                    sessions.push_back(std::move(session));
            }
        }
        for (auto& session : sessions)
            asio::post(session->executor(), [session] { session->stopIfIdle(); });
    });
}

void Listener::forget(Session* session) {
    std::lock_guard lock(m_sessionsMutex);
    m_sessions.erase(session);
}

asio::awaitable<void> Listener::acceptLoop() {
    asio::steady_timer pause(m_strand);
    while (!stopping()) {
        error_code ec;
        tcp::socket socket = co_await m_acceptor.async_accept(asio::make_strand(m_context),
                                                              asio::redirect_error(awaitable, ec));
        if (ec) {
            if (stopping() || ec == asio::error::operation_aborted)
                break;
            // Out of descriptors or a connection reset before accept: try again shortly rather than
            // spinning.
            pause.expires_after(std::chrono::milliseconds(50));
            co_await pause.async_wait(asio::redirect_error(awaitable, ec));
            continue;
        }
        socket.set_option(tcp::no_delay(true), ec);
        auto session = std::make_shared<Session>(*this, std::move(socket));
        {
            std::lock_guard lock(m_sessionsMutex);
            m_sessions.emplace(session.get(), session);
        }
        asio::co_spawn(session->executor(), Session::run(session), asio::detached);
    }
}

class HttpServer::Impl : public Listener {
public:
    using Listener::Listener;
};

HttpServer::HttpServer(HttpServerConfig config, HttpHandler& handler)
    : d(std::make_unique<Impl>(std::move(config), handler)) {}

HttpServer::~HttpServer() = default;

std::uint16_t HttpServer::listen() {
    return d->listen();
}
std::string HttpServer::boundAddress() const {
    return d->boundAddress();
}
void HttpServer::stopOnSignals() {
    d->stopOnSignals();
}
void HttpServer::run() {
    d->run();
}
void HttpServer::stop() {
    d->stop();
}

}  // namespace zrm::server
