#pragma once

// Runs one JSON-RPC call: reads the envelope once, finds the module by server name, lets it run the
// method and wraps what it wrote, or answers the error. Knows nothing of HTTP.

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

// A call read from its body: the request and the module that serves it, or, when the body is no
// valid request or names no module, the error answer. Its views point into the body read.
struct RpcCall {
    RemoteDataModule* module = nullptr;  // null when refused
    RpcRequest request;
    RpcReply refusal;  // when module is null
};

class RpcDispatcher {
public:
    // Called with the text of an unexpected exception from a module (answered as an internal error),
    // so the operator sees the cause the client does not.
    using FaultReporter = std::function<void(std::string_view method, std::string_view what)>;

    explicit RpcDispatcher(const ModuleRegistry& registry, FaultReporter reportFault = {});

    // Reads the call in body, addressed to the module named serverName: the only time a body is read.
    // A body that is no valid request (-32700, -32600, -32602 for params that are no list) or an
    // unknown server (-32601) gives a call whose refusal is the answer. Never blocks; never throws but
    // for memory exhaustion.
    RpcCall read(std::string_view serverName, std::string_view body) const;

    // Runs a call read() accepted. Never throws: every failure is an error response (the module's own
    // codes, -32602 and -32601 from the module, -32603 for anything unexpected). Thread-safe as far
    // as the modules are. May block on the module's database.
    RpcReply dispatch(const RpcCall& call, const CallContext& context) const;

    // For a call read() accepted whose module holds answers that only need the database to confirm
    // its data generation: starts that confirmation, returns true, and confirmed is then called once,
    // from another thread, with the generation (nullopt when it could not be had); the call is then
    // answered by answerAtGeneration or, failing that, dispatch(). Returns false when there is
    // nothing to confirm. Never blocks; never throws.
    static bool confirmGeneration(const RpcCall& call, std::function<void(std::optional<qint64>)> confirmed);

    // Answers the call with the result its module holds for that confirmed generation and returns
    // true; returns false when it holds none and the call must go to dispatch(). Never throws.
    static bool answerAtGeneration(const RpcCall& call, qint64 generation, RpcReply& reply);

private:
    static void fail(RpcReply& reply, std::string_view id, int code, const QString& message);

    const ModuleRegistry& m_registry;
    FaultReporter m_reportFault;
};

}  // namespace zrm::server
