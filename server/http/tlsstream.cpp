#include "server/http/tlsstream_p.h"

#include <boost/asio/write.hpp>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <array>
#include <fstream>
#include <stdexcept>

namespace zrm::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace ssl = asio::ssl;
using boost::system::error_code;

namespace {

// Every TLS connection opens with a handshake record; anything else on the first byte is a client
// speaking something else, in practice plain HTTP.
constexpr unsigned char HandshakeRecord = 0x16;

constexpr std::string_view PlainHttpBody = "Este endereço atende somente HTTPS: use https:// no endereço.\n";

void requireReadable(const std::string& file, const char* what) {
    if (!std::ifstream(file, std::ios::binary).good())
        throw std::runtime_error(std::string("O arquivo ") + what + " \"" + file + "\" não pôde ser lido.");
}

std::string peerOf(TlsStream& stream) {
    error_code ec;
    const auto endpoint = beast::get_lowest_layer(stream).socket().remote_endpoint(ec);
    return ec ? std::string("cliente desconhecido") : endpoint.address().to_string();
}

}  // namespace

ssl::context makeServerTlsContext(const std::string& certificateFile, const std::string& keyFile) {
    requireReadable(certificateFile, "do certificado TLS");
    requireReadable(keyFile, "da chave privada TLS");
    ssl::context context(ssl::context::tls_server);
    context.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                        ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::single_dh_use);
    SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
    error_code ec;
    context.use_certificate_chain_file(certificateFile, ec);
    if (ec) {
        throw std::runtime_error("O certificado TLS \"" + certificateFile +
                                 "\" não é um certificado PEM válido: " + ec.message() + ".");
    }
    context.use_private_key_file(keyFile, ssl::context::pem, ec);
    const bool mismatch =
        ec && ec.category() == asio::error::get_ssl_category() &&
        ERR_GET_REASON(static_cast<unsigned long>(ec.value())) == X509_R_KEY_VALUES_MISMATCH;
    if (mismatch || (!ec && SSL_CTX_check_private_key(context.native_handle()) != 1)) {
        throw std::runtime_error("A chave privada TLS \"" + keyFile + "\" não corresponde ao certificado \"" +
                                 certificateFile + "\".");
    }
    if (ec) {
        throw std::runtime_error("A chave privada TLS \"" + keyFile +
                                 "\" não é uma chave PEM válida: " + ec.message() + ".");
    }
    return context;
}

asio::awaitable<bool> openStream(TlsStream& stream, SessionHost& host) {
    using session::awaitable;
    auto& tcp = beast::get_lowest_layer(stream);
    expireAfter(stream, host.config().headerTimeout);
    std::array<unsigned char, 4096> first{};
    error_code ec;
    const std::size_t n =
        co_await tcp.async_read_some(asio::buffer(first), asio::redirect_error(awaitable, ec));
    if (ec)
        co_return false;
    if (first[0] != HandshakeRecord) {
        host.handler().rejectedByTransport(400, "requisição sem TLS na porta HTTPS");
        const std::string answer =
            "HTTP/1.1 400 Bad Request\r\nContent-Type: text/plain; charset=utf-8\r\n"
            "Connection: close\r\nContent-Length: " +
            std::to_string(PlainHttpBody.size()) + "\r\n\r\n" + std::string(PlainHttpBody);
        co_await asio::async_write(tcp, asio::buffer(answer), asio::redirect_error(awaitable, ec));
        co_return false;
    }
    co_await stream.async_handshake(ssl::stream_base::server, asio::buffer(first.data(), n),
                                    asio::redirect_error(awaitable, ec));
    if (ec) {
        host.handler().transportFailed("handshake TLS com " + peerOf(stream) + " falhou: " + ec.message());
        co_return false;
    }
    co_return true;
}

void expireAfter(TlsStream& stream, std::chrono::milliseconds time) {
    beast::get_lowest_layer(stream).expires_after(time);
}

// The TCP connection's directions are closed under the TLS session, without its closing alert:
// every answer carries its length, so a client never needs the alert to know an answer is whole.
void shutdownSend(TlsStream& stream) {
    session::shutdownSend(beast::get_lowest_layer(stream));
}

void closeStream(TlsStream& stream) {
    session::closeStream(beast::get_lowest_layer(stream));
}

}  // namespace zrm::server
