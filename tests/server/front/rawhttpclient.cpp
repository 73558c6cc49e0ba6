#include "rawhttpclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace zrm::server::test {

RawHttpClient::RawHttpClient(std::uint16_t port, int timeoutMs, int bufferBytes) {
    m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_socket < 0)
        throw std::runtime_error("socket failed");
    if (bufferBytes > 0) {
        // Before connecting: the window offered to the peer is fixed then.
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
        ::setsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    }
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const int one = 1;
    ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(m_socket);
        throw std::runtime_error("connection refused on port " + std::to_string(port));
    }
}

RawHttpClient::~RawHttpClient() {
    if (m_socket >= 0)
        ::close(m_socket);
}

bool RawHttpClient::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool RawHttpClient::fill() {
    char chunk[16384];
    const ssize_t n = ::recv(m_socket, chunk, sizeof chunk, 0);
    if (n <= 0) {
        m_peerClosed = n == 0 || errno == ECONNRESET;
        return false;
    }
    m_buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
}

RawResponse RawHttpClient::read(bool skipInterim) {
    for (;;) {
        std::size_t headerEnd;
        while ((headerEnd = m_buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!fill())
                throw std::runtime_error("connection closed before a response header");
        }
        RawResponse response;
        const std::string head = m_buffer.substr(0, headerEnd);
        m_buffer.erase(0, headerEnd + 4);
        std::size_t lineEnd = head.find("\r\n");
        const std::string statusLine = head.substr(0, lineEnd);
        if (statusLine.size() < 12 || statusLine.rfind("HTTP/1.", 0) != 0)
            throw std::runtime_error("not an HTTP status line: " + statusLine);
        response.status = std::stoi(statusLine.substr(9, 3));
        while (lineEnd != std::string::npos) {
            const std::size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line =
                head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            response.headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
        }
        if (response.status == 100 && skipInterim)
            continue;
        if (m_awaitingHead) {
            // The answer to HEAD announces the length of a body it does not carry.
            m_awaitingHead = false;
            return response;
        }
        const std::size_t length =
            std::stoul(response.header("content-length").empty() ? "0" : response.header("content-length"));
        while (m_buffer.size() < length) {
            if (!fill())
                throw std::runtime_error("connection closed inside a response body");
        }
        response.body = m_buffer.substr(0, length);
        m_buffer.erase(0, length);
        return response;
    }
}

RawResponse RawHttpClient::request(std::string_view method, std::string_view target, std::string_view body,
                                   std::string_view extraHeaders) {
    std::string message =
        std::string(method) + " " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    message += extraHeaders;
    if (!body.empty() || method == "POST")
        message +=
            "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    message += "\r\n";
    message += body;
    if (!send(message))
        throw std::runtime_error("connection closed while sending");
    m_awaitingHead = method == "HEAD";
    return read();
}

bool RawHttpClient::waitForClose() {
    for (;;) {
        char chunk[4096];
        const ssize_t n = ::recv(m_socket, chunk, sizeof chunk, 0);
        if (n == 0)
            return true;
        if (n < 0)
            return errno == ECONNRESET;
    }
}

std::string RawHttpClient::readToClose() {
    while (fill()) {
    }
    return std::exchange(m_buffer, {});
}

std::string rpcBody(std::string_view method, std::string_view paramsJson, int id) {
    return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + std::string(method) +
           R"(","params":)" + std::string(paramsJson) + "}";
}

}  // namespace zrm::server::test
