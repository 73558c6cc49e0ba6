#pragma once

// A plain TCP client that writes whatever bytes a test gives it and reads HTTP/1.1 responses, so
// that tests can send malformed requests that no HTTP library would produce.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace zrm::server::test {

struct RawResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;

    std::string header(const std::string& lowerName) const {
        auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

class RawHttpClient {
public:
    // Connects to 127.0.0.1:port; bufferBytes, when not 0, sets the socket's send and receive
    // buffers. Throws std::runtime_error when the connection is refused.
    explicit RawHttpClient(std::uint16_t port, int timeoutMs = 10000, int bufferBytes = 0);
    ~RawHttpClient();
    RawHttpClient(const RawHttpClient&) = delete;
    RawHttpClient& operator=(const RawHttpClient&) = delete;

    // Writes the bytes; false when the peer closed the connection or the time-out passed (errno
    // tells which).
    bool send(std::string_view bytes);

    // Reads the next response; interim 100 Continue answers are skipped unless skipInterim is false.
    // Throws std::runtime_error when the connection closes or the time-out passes first.
    RawResponse read(bool skipInterim = true);

    // Sends one HTTP/1.1 request with Host and Content-Length and reads its response (for HEAD, the
    // head only: whatever follows belongs to the next response).
    RawResponse request(std::string_view method, std::string_view target, std::string_view body = {},
                        std::string_view extraHeaders = {});

    // Waits until the peer closes the connection; false when the time-out passes first.
    bool waitForClose();

    // Every byte received until the peer closes the connection or the time-out passes, as sent.
    std::string readToClose();

    // Whether a read saw the peer close the connection (end of stream or reset).
    bool peerClosed() const { return m_peerClosed; }

private:
    bool fill();  // reads more bytes into m_buffer; false on close or time-out

    int m_socket = -1;
    std::string m_buffer;
    bool m_awaitingHead = false;
    bool m_peerClosed = false;
};

// A JSON-RPC 2.0 request body: {"jsonrpc":"2.0","id":1,"method":method,"params":paramsJson}.
std::string rpcBody(std::string_view method, std::string_view paramsJson, int id = 1);

}  // namespace zrm::server::test
