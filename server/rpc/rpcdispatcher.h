#pragma once

// Runs one JSON-RPC call: reads the envelope, finds the module by server name, lets it run the method
// and wraps what it wrote, or answers the error. Knows nothing of HTTP.

#include "server/rpc/moduleregistry.h"
#include "server/rpc/remotemodule.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zrm::server {

struct RpcReply {
    std::string body;    // the JSON-RPC response
    std::string method;  // the method name when the call reached a module's method, else empty
    int errorCode = 0;   // 0 on success, else the JSON-RPC error code answered
};

class RpcDispatcher {
public:
    // Called with the text of an unexpected exception from a module (answered as an internal error),
    // so the operator sees the cause the client does not.
    using FaultReporter = std::function<void(std::string_view method, std::string_view what)>;

    explicit RpcDispatcher(const ModuleRegistry& registry, FaultReporter reportFault = {});

    // Runs the call in body against the module named serverName. Never throws: every failure is an
    // error response (-32700, -32600, -32601, -32602, the module's own codes, -32603 for anything
    // unexpected). Thread-safe as far as the modules are. May block on the module's database.
    RpcReply dispatch(std::string_view serverName, std::string_view body, const CallContext& context) const;

    // Answers without blocking what needs no module work — a body that is no valid request, an
    // unknown server, a result the module holds in memory — and returns true; returns false when the
    // call must go to dispatch(). Never throws.
    bool answerAtOnce(std::string_view serverName, std::string_view body, RpcReply& reply) const;

    // For a call answerAtOnce declined whose module holds answers that only need the database to
    // confirm its data generation: starts that confirmation, returns true, and confirmed is then
    // called once, from another thread, with the generation (nullopt when it could not be had); the
    // call is then answered by answerAtGeneration or, failing that, dispatch(). Returns false when
    // there is nothing to confirm. Never blocks; never throws.
    bool confirmGeneration(std::string_view serverName, std::string_view body,
                           std::function<void(std::optional<qint64>)> confirmed) const;

    // Answers the call with the result its module holds for that confirmed generation and returns
    // true; returns false when it holds none and the call must go to dispatch(). Never throws.
    bool answerAtGeneration(std::string_view serverName, std::string_view body, qint64 generation,
                            RpcReply& reply) const;

private:
    // Answers with the module's held result as found by find(module, request, result), or returns false.
    template <typename Find>
    bool answerHeld(std::string_view serverName, std::string_view body, RpcReply& reply, Find find) const;
    // The module of that server name; throws RpcError (MethodNotFound) when there is none.
    RemoteDataModule& moduleNamed(std::string_view serverName) const;
    static void fail(RpcReply& reply, std::string_view id, int code, const QString& message);

    const ModuleRegistry& m_registry;
    FaultReporter m_reportFault;
};

}  // namespace zrm::server
