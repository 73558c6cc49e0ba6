#include "server/http/memoryconnection.h"

#include "server/http/httpsession_p.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <exception>

namespace zrm::server {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using boost::system::error_code;

// A stream over bytes in memory: reads take from the client's bytes and then see the end of the
// stream; writes append to what the client would read.
class MemoryStream {
public:
    using executor_type = asio::any_io_executor;

    MemoryStream(executor_type executor, std::string_view input, std::size_t readSize, std::string& written)
        : m_executor(std::move(executor)), m_input(input), m_readSize(readSize), m_written(written) {}

    executor_type get_executor() const { return m_executor; }

    template <typename Buffers, typename Token>
    auto async_read_some(const Buffers& buffers, Token&& token) {
        return asio::async_initiate<Token, void(error_code, std::size_t)>(
            [this](auto handler, const Buffers& into) {
                error_code ec;
                std::size_t size = 0;
                if (m_closed) {
                    ec = asio::error::operation_aborted;
                } else if (m_input.empty()) {
                    ec = asio::error::eof;
                } else {
                    const std::size_t offered =
                        m_readSize ? std::min(m_readSize, m_input.size()) : m_input.size();
                    size = asio::buffer_copy(into, asio::buffer(m_input.data(), offered));
                    m_input.remove_prefix(size);
                }
                complete(std::move(handler), ec, size);
            },
            token, buffers);
    }

    template <typename Buffers, typename Token>
    auto async_write_some(const Buffers& buffers, Token&& token) {
        return asio::async_initiate<Token, void(error_code, std::size_t)>(
            [this](auto handler, const Buffers& from) {
                error_code ec;
                std::size_t size = 0;
                if (m_closed || m_sendClosed) {
                    ec = asio::error::broken_pipe;
                } else {
                    for (const asio::const_buffer buffer : beast::buffers_range_ref(from)) {
                        m_written.append(static_cast<const char*>(buffer.data()), buffer.size());
                        size += buffer.size();
                    }
                }
                complete(std::move(handler), ec, size);
            },
            token, buffers);
    }

    void cancel() { m_closed = true; }
    void shutdownSend() { m_sendClosed = true; }
    void close() { m_closed = true; }

private:
    // Completes an operation as a stream does: never inside the call that started it.
    template <typename Handler>
    void complete(Handler handler, error_code ec, std::size_t size) {
        asio::post(m_executor, beast::bind_front_handler(std::move(handler), ec, size));
    }

    executor_type m_executor;
    std::string_view m_input;
    std::size_t m_readSize;
    std::string& m_written;
    bool m_closed = false;
    bool m_sendClosed = false;
};

class MemoryHost final : public SessionHost {
public:
    MemoryHost(HttpHandler& handler, const HttpServerConfig& config) : m_handler(handler), m_config(config) {}

    const HttpServerConfig& config() const override { return m_config; }
    HttpHandler& handler() override { return m_handler; }
    asio::any_io_executor blockingExecutor() override { return m_blocking.get_executor(); }
    bool stopping() const override { return false; }
    std::chrono::steady_clock::time_point drainDeadline() const override { return {}; }

private:
    HttpHandler& m_handler;
    const HttpServerConfig& m_config;
    asio::thread_pool m_blocking{1};
};

// The session's time limits and closing, found beside the stream: no byte is ever late here.
void expireAfter(MemoryStream& /*stream*/, std::chrono::milliseconds /*time*/) {}
void shutdownSend(MemoryStream& stream) {
    stream.shutdownSend();
}
void closeStream(MemoryStream& stream) {
    stream.close();
}

}  // namespace

std::string serveInMemory(std::string_view input, HttpHandler& handler, const HttpServerConfig& config,
                          std::size_t readSize) {
    std::string written;
    asio::io_context context;
    MemoryHost host(handler, config);
    auto session = std::make_shared<Session<MemoryStream>>(
        host, MemoryStream(context.get_executor(), input, readSize, written));
    std::exception_ptr failure;
    asio::co_spawn(context, Session<MemoryStream>::run(std::move(session)),
                   [&failure](const std::exception_ptr& thrown) { failure = thrown; });
    context.run();
    if (failure)
        std::rethrow_exception(failure);
    return written;
}

}  // namespace zrm::server
