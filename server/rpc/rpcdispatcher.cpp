#include "server/rpc/rpcdispatcher.h"

#include "server/rpc/jsonrpcenvelope.h"

#include <exception>

namespace zrm::server {

namespace {

// Results of the methods served are a few kilobytes; reserving once saves the regrowth copies.
constexpr std::size_t InitialReplyCapacity = 4096;

// The text of the exception being handled, for the operator's log.
std::string describeCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "exceção sem descrição";
    }
}

}  // namespace

RpcDispatcher::RpcDispatcher(const ModuleRegistry& registry, FaultReporter reportFault)
    : m_registry(registry), m_reportFault(std::move(reportFault)) {}

RpcCall RpcDispatcher::read(std::string_view serverName, std::string_view body) const {
    RpcCall call;
    std::string_view id;
    try {
        call.request = jsonrpc::parseRequest(body, id);
        call.module = m_registry.find(serverName);
        if (!call.module) {
            throw RpcError(
                rpcerror::MethodNotFound,
                QStringLiteral("O servidor remoto \"%1\" não existe neste servidor de aplicação.")
                    .arg(QString::fromUtf8(serverName.data(), static_cast<qsizetype>(serverName.size()))));
        }
    } catch (const RpcError& error) {
        // Only the envelope and the server name are checked here; both are the client's mistake.
        call.module = nullptr;
        fail(call.refusal, id, error.code(), error.message());
    }
    return call;
}

RpcReply RpcDispatcher::dispatch(const RpcCall& call, const CallContext& context) const {
    if (!call.module)
        return call.refusal;
    const RpcRequest& request = call.request;
    RpcReply reply;
    try {
        reply.body.reserve(InitialReplyCapacity);
        jsonrpc::openResult(reply.body, request.id);
        call.module->call(request, context, reply.body);
        jsonrpc::closeResult(reply.body);
        reply.method = request.method;
    } catch (const RpcError& error) {
        // An unknown method is the client's mistake about names: no method label for it.
        if (error.code() != rpcerror::MethodNotFound)
            reply.method = request.method;
        fail(reply, request.id, error.code(), error.message());
    } catch (...) {
        if (m_reportFault)
            m_reportFault(request.method, describeCurrentException());
        reply.method = request.method;
        fail(reply, request.id, rpcerror::InternalError,
             QStringLiteral("Erro interno do servidor de aplicação. Tente novamente; se o erro persistir, "
                            "avise o administrador."));
    }
    return reply;
}

bool RpcDispatcher::confirmGeneration(const RpcCall& call,
                                      std::function<void(std::optional<qint64>)> confirmed) {
    try {
        return call.module && call.module->confirmGeneration(call.request, std::move(confirmed));
    } catch (...) {
        // Out of memory at worst: dispatch() answers the call.
        return false;
    }
}

bool RpcDispatcher::answerAtGeneration(const RpcCall& call, qint64 generation, RpcReply& reply) {
    if (!call.module)
        return false;
    try {
        reply.body.reserve(InitialReplyCapacity);
        jsonrpc::openResult(reply.body, call.request.id);
        if (!call.module->cachedResultAt(call.request, generation, reply.body)) {
            reply = RpcReply{};
            return false;
        }
        jsonrpc::closeResult(reply.body);
        reply.method = call.request.method;
        return true;
    } catch (...) {
        // Out of memory at worst: the full path tries again and reports it.
        reply = RpcReply{};
        return false;
    }
}

void RpcDispatcher::fail(RpcReply& reply, std::string_view id, int code, const QString& message) {
    reply.body = jsonrpc::errorResponse(id, code, message);
    reply.errorCode = code;
}

}  // namespace zrm::server
