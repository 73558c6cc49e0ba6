#pragma once

// The seam between the JSON-RPC front and the remote data modules it serves. The front parses the
// HTTP request and the JSON-RPC envelope, once, finds the module by server name and calls it with
// the request it read; a module knows nothing of HTTP. A second screen's module is registered beside the
// first without touching the front.

#include "server/rpc/rpcrequest.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zrm::server {

// JSON-RPC error codes of docs/protocol.md.
namespace rpcerror {
constexpr int ParseError = -32700, InvalidRequest = -32600, MethodNotFound = -32601, InvalidParams = -32602,
              RuleRefused = 1001, Conflict = 1002, StorageUnavailable = 1003, InternalError = -32603;
}

// A failure that becomes a JSON-RPC error; message is a Portuguese sentence for the user. The
// message is kept whole: what() is a C string and would end at a NUL the client sent.
class RpcError : public std::runtime_error {
public:
    RpcError(int code, const QString& message)
        : std::runtime_error(message.toStdString()), m_code(code), m_message(message) {}
    int code() const { return m_code; }
    QString message() const { return m_message; }

private:
    int m_code;
    QString m_message;
};

// What a call knows of its request besides the JSON-RPC envelope.
struct CallContext {
    CallContext() = default;
    explicit CallContext(QString operatorCode) : operatorCode(std::move(operatorCode)) {}

    QString operatorCode;  // X-Operator header, empty when absent
    // X-Save-Id header: the client's own id of one save, the same however often the save is sent;
    // empty when absent.
    std::string saveId;
};

class RemoteDataModule {
public:
    virtual ~RemoteDataModule() = default;

    // "ZRM71300.rdmCalendOrcOp"
    virtual std::string_view serverName() const = 0;

    // Runs the request's method with its parameters and appends the JSON text of its result to
    // result. Thread-safe: the front calls it from several workers at once. Throws RpcError for every
    // failure a client should hear about; any other exception is answered as an internal error.
    virtual void call(const RpcRequest& request, const CallContext& context, std::string& result) = 0;

    // For a read method whose held answers are current only once the database has confirmed its
    // data generation (which another process may have moved): asks for a read of the generation
    // that begins after this call and returns true; confirmed is then called once, from another
    // thread, with what that read gave (nullopt when it failed), and must be quick. Returns false
    // when the method has no held answers to confirm this way. Never blocks; never throws but for
    // memory exhaustion.
    // confirmed is a sink: a module that confirms keeps it.
    //
    // NOLINTBEGIN(performance-unnecessary-value-param)
    virtual bool confirmGeneration(const RpcRequest& /*request*/,
                                   std::function<void(std::optional<qint64>)> /*confirmed*/) {
        return false;
    }
    // NOLINTEND(performance-unnecessary-value-param)

    // Appends the result of a read method held for exactly that confirmed generation and returns
    // true; returns false (appending nothing) when it holds none. Never blocks and never throws: the
    // front asks it on its network threads.
    virtual bool cachedResultAt(const RpcRequest& request, qint64 generation, std::string& result) {
        (void)request;
        (void)generation;
        (void)result;
        return false;
    }

    // True when the module can reach its database (for /health). May block on the database: the
    // front asks it on the pool for blocking work.
    virtual bool healthy() = 0;
};

}  // namespace zrm::server
