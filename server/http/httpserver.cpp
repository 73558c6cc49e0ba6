#include "server/http/httpserver.h"

#include "server/http/tlsstream_p.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

namespace zrm::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr auto awaitable = asio::use_awaitable;

// How long the accept loop waits after a failed accept (out of descriptors, a connection reset
// before it was taken) before trying again, rather than spinning.
constexpr std::chrono::milliseconds AcceptPause{50};

int blockingThreadCount(const HttpServerConfig& config) {
    if (config.blockingThreads > 0)
        return config.blockingThreads;
    return std::max(4, 4 * static_cast<int>(std::thread::hardware_concurrency()));
}

// The text of an exception a coroutine ended with, for the log.
std::string describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "exceção sem descrição";
    }
}

}  // namespace

using TcpSession = Session<beast::tcp_stream>;
using TlsSession = Session<TlsStream>;

// The listening socket, the network threads, the pool for blocking work and the sessions.
class HttpServer::Impl final : public SessionHost {
public:
    Impl(HttpServerConfig config, HttpHandler& handler)
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

    const HttpServerConfig& config() const override { return m_config; }
    HttpHandler& handler() override { return m_handler; }
    asio::any_io_executor blockingExecutor() override { return m_blocking.get_executor(); }
    bool stopping() const override { return m_stopping.load(std::memory_order_acquire); }
    std::chrono::steady_clock::time_point drainDeadline() const override { return m_drainDeadline; }

private:
    asio::awaitable<void> acceptLoop();
    void startAccepting();
    void startSession(tcp::socket socket);
    void takeWaitingConnections();
    template <typename S>
    void startSession(S* raw);

    HttpServerConfig m_config;
    HttpHandler& m_handler;
    int m_threads;
    asio::io_context m_context;
    asio::thread_pool m_blocking;  // the handler's blocking work, off the I/O threads
    asio::strand<asio::io_context::executor_type> m_strand;  // acceptor, signals, stop
    tcp::acceptor m_acceptor;
    std::unique_ptr<asio::signal_set> m_signals;
    std::atomic<bool> m_stopping{false};
    std::chrono::steady_clock::time_point m_drainDeadline;  // written once, before m_stopping
    std::optional<asio::ssl::context> m_tls;                // set: every connection speaks TLS

    // Each running session, by address, with what asks it to stop when it is idle.
    std::mutex m_sessionsMutex;
    std::unordered_map<const void*, std::function<void()>> m_sessions;
};

std::uint16_t HttpServer::Impl::listen() {
    if (!m_config.tlsCertificateFile.empty() || !m_config.tlsKeyFile.empty())
        m_tls.emplace(makeServerTlsContext(m_config.tlsCertificateFile, m_config.tlsKeyFile));
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

std::string HttpServer::Impl::boundAddress() const {
    error_code ec;
    const tcp::endpoint endpoint = m_acceptor.local_endpoint(ec);
    if (ec)
        return {};
    const std::string address = endpoint.address().to_string();
    const std::string port = std::to_string(endpoint.port());
    return endpoint.address().is_v6() ? "[" + address + "]:" + port : address + ":" + port;
}

void HttpServer::Impl::stopOnSignals() {
    m_signals = std::make_unique<asio::signal_set>(m_strand, SIGTERM, SIGINT);
    m_signals->async_wait([this](const error_code& ec, int) {
        if (!ec)
            stop();
    });
}

void HttpServer::Impl::run() {
    startAccepting();
    std::vector<std::thread> workers;
    for (int i = 1; i < m_threads; ++i)
        workers.emplace_back([this] { m_context.run(); });
    m_context.run();
    for (auto& worker : workers)
        worker.join();
    m_blocking.join();
}

void HttpServer::Impl::stop() {
    asio::post(m_strand, [this] {
        if (stopping())
            return;
        m_drainDeadline = std::chrono::steady_clock::now() + m_config.drainTime;
        m_stopping.store(true, std::memory_order_release);
        takeWaitingConnections();
        error_code ignored;
        m_acceptor.close(ignored);
        if (m_signals)
            m_signals->cancel(ignored);
        // Collected first and told outside the lock: the last reference to a session may drop
        // here, and its destructor takes the lock.
        std::vector<std::function<void()>> stoppers;
        {
            std::lock_guard lock(m_sessionsMutex);
            for (auto& entry : m_sessions)
                stoppers.push_back(entry.second);
        }
        for (auto& stopIfIdle : stoppers)
            stopIfIdle();
    });
}

// Connections the system has already accepted wait in the listening socket's queue, and closing it
// would reset them, losing what their clients have sent: they are taken and served like the others.
void HttpServer::Impl::takeWaitingConnections() {
    error_code ec;
    m_acceptor.non_blocking(true, ec);
    while (!ec) {
        tcp::socket socket(asio::make_strand(m_context));
        m_acceptor.accept(socket, ec);
        if (!ec)
            startSession(std::move(socket));
    }
}

// The accept loop ends only with the stop. Should it end otherwise, by an exception, that is logged
// and the loop starts again.
void HttpServer::Impl::startAccepting() {
    asio::co_spawn(m_strand, acceptLoop(), [this](const std::exception_ptr& failure) {
        if (!failure || stopping())
            return;
        m_handler.transportFailed("a espera por conexões falhou (" + describe(failure) +
                                  "); volta a esperar");
        startAccepting();
    });
}

asio::awaitable<void> HttpServer::Impl::acceptLoop() {
    asio::steady_timer pause(m_strand);
    int failures = 0;  // in a row: the log hears of the first and of the recovery
    while (!stopping()) {
        error_code ec;
        tcp::socket socket = co_await m_acceptor.async_accept(asio::make_strand(m_context),
                                                              asio::redirect_error(awaitable, ec));
        if (ec) {
            if (stopping() || ec == asio::error::operation_aborted)
                break;
            if (failures++ == 0) {
                m_handler.transportFailed("uma conexão não pôde ser aceita (" + ec.message() +
                                          "); novas tentativas a cada " +
                                          std::to_string(AcceptPause.count()) + " ms");
            }
            pause.expires_after(AcceptPause);
            co_await pause.async_wait(asio::redirect_error(awaitable, ec));
            continue;
        }
        if (failures > 0) {
            m_handler.transportFailed("conexões voltaram a ser aceitas depois de " +
                                      std::to_string(failures) + " tentativa(s) falha(s)");
            failures = 0;
        }
        startSession(std::move(socket));
    }
}

void HttpServer::Impl::startSession(tcp::socket socket) {
    error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    if (m_tls)
        startSession(new TlsSession(*this, TlsStream(beast::tcp_stream(std::move(socket)), *m_tls)));
    else
        startSession(new TcpSession(*this, beast::tcp_stream(std::move(socket))));
}

template <typename S>
void HttpServer::Impl::startSession(S* raw) {
    // The session leaves the set as it ends, whichever way: the deleter runs with the last owner.
    std::shared_ptr<S> session(raw, [this](S* ended) {
        {
            std::lock_guard lock(m_sessionsMutex);
            m_sessions.erase(ended);
        }
        delete ended;
    });
    {
        std::lock_guard lock(m_sessionsMutex);
        m_sessions.emplace(raw, [weak = std::weak_ptr<S>(session)] {
            if (auto running = weak.lock())
                asio::post(running->executor(), [running] { running->stopIfIdle(); });
        });
    }
    const asio::any_io_executor executor = session->executor();
    asio::co_spawn(executor, S::run(std::move(session)), [this](const std::exception_ptr& failure) {
        if (failure)
            m_handler.transportFailed("uma conexão terminou com erro: " + describe(failure));
    });
}

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
