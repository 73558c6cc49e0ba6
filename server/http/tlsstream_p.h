#pragma once

// HTTPS on the transport's listener: the session of httpsession_p.h over a TLS stream on the TCP
// socket. Included by httpserver.cpp only: it brings in the HTTP and TLS libraries.

#include "server/http/httpsession_p.h"

#include <boost/asio/ssl/context.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <string>

namespace zrm::server {

// The TLS stream a session reads and writes. A type of this namespace, so that the session finds
// the helpers below beside it, as it finds those of a TCP stream.
class TlsStream : public boost::beast::ssl_stream<boost::beast::tcp_stream> {
public:
    TlsStream(boost::beast::tcp_stream tcp, boost::asio::ssl::context& context)
        : ssl_stream(std::move(tcp), context) {}

    // Ends a wait for the next request, as the TCP stream's cancel does.
    void cancel() { boost::beast::get_lowest_layer(*this).cancel(); }
};

// The server's certificate chain and private key, both PEM, for TLS 1.2 and later. Throws
// std::runtime_error with a Portuguese message when a file cannot be read, is not PEM, or the key
// is not the certificate's.
boost::asio::ssl::context makeServerTlsContext(const std::string& certificateFile,
                                               const std::string& keyFile);

// The TLS handshake, within the time a client has to send a request's head. A client that speaks
// plain HTTP to this port gets a plain 400 saying to use https; a failed handshake is told to the
// handler's log. Returns whether the session goes on.
boost::asio::awaitable<bool> openStream(TlsStream& stream, SessionHost& host);

void expireAfter(TlsStream& stream, std::chrono::milliseconds time);
void shutdownSend(TlsStream& stream);
void closeStream(TlsStream& stream);

}  // namespace zrm::server
