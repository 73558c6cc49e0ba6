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

RpcReply RpcDispatcher::dispatch(std::string_view serverName, std::string_view body,
                                 const CallContext& context) const {
    RpcReply reply;
    std::string_view id;
    std::string method;
    try {
        const RpcRequest request = jsonrpc::parseRequest(body, id);
        RemoteDataModule& module = moduleNamed(serverName);
        method = request.method;
        CallContext call = context;
        call.paramsJson = request.params;
        reply.body.reserve(InitialReplyCapacity);
        jsonrpc::openResult(reply.body, request.id);
        module.call(method, request.paramsArray(), call, reply.body);
        jsonrpc::closeResult(reply.body);
        reply.method = std::move(method);
    } catch (const RpcError& error) {
        // An unknown method is the client's mistake about names: no method label for it.
        if (error.code() != rpcerror::MethodNotFound)
            reply.method = std::move(method);
        fail(reply, id, error.code(), error.message());
    } catch (...) {
        if (m_reportFault)
            m_reportFault(method, describeCurrentException());
        reply.method = std::move(method);
        fail(reply, id, rpcerror::InternalError,
             QStringLiteral("Erro interno do servidor de aplicação. Tente novamente; se o erro persistir, "
                            "avise o administrador."));
    }
    return reply;
}

template <typename Find>
bool RpcDispatcher::answerHeld(std::string_view serverName, std::string_view body, RpcReply& reply,
                               Find find) const {
    std::string_view id;
    try {
        const RpcRequest request = jsonrpc::parseRequest(body, id);
        RemoteDataModule& module = moduleNamed(serverName);
        reply.body.reserve(InitialReplyCapacity);
        jsonrpc::openResult(reply.body, request.id);
        if (!find(module, request, reply.body)) {
            reply.body.clear();
            return false;
        }
        jsonrpc::closeResult(reply.body);
        reply.method = request.method;
        return true;
    } catch (const RpcError& error) {
        // Only the envelope and the server name are checked here; both are the client's mistake.
        fail(reply, id, error.code(), error.message());
        return true;
    } catch (...) {
        // Out of memory at worst: the full path tries again and reports it.
        reply = RpcReply{};
        return false;
    }
}

bool RpcDispatcher::answerAtOnce(std::string_view serverName, std::string_view body, RpcReply& reply) const {
    return answerHeld(serverName, body, reply,
                      [](RemoteDataModule& module, const RpcRequest& request, std::string& result) {
                          return module.cachedResult(request.method, request.params, result);
                      });
}

bool RpcDispatcher::answerAtGeneration(std::string_view serverName, std::string_view body, qint64 generation,
                                       RpcReply& reply) const {
    return answerHeld(serverName, body, reply,
                      [generation](RemoteDataModule& module, const RpcRequest& request, std::string& result) {
                          return module.cachedResultAt(request.method, request.params, generation, result);
                      });
}

bool RpcDispatcher::confirmGeneration(std::string_view serverName, std::string_view body,
                                      std::function<void(std::optional<qint64>)> confirmed) const {
    try {
        std::string_view id;
        const RpcRequest request = jsonrpc::parseRequest(body, id);
        RemoteDataModule* module = m_registry.find(serverName);
        return module && module->confirmGeneration(request.method, std::move(confirmed));
    } catch (...) {
        // A malformed call has nothing to confirm; dispatch() answers it.
        return false;
    }
}

RemoteDataModule& RpcDispatcher::moduleNamed(std::string_view serverName) const {
    RemoteDataModule* module = m_registry.find(serverName);
    if (!module) {
        throw RpcError(
            rpcerror::MethodNotFound,
            QStringLiteral("O servidor remoto \"%1\" não existe neste servidor de aplicação.")
                .arg(QString::fromUtf8(serverName.data(), static_cast<qsizetype>(serverName.size()))));
    }
    return *module;
}

void RpcDispatcher::fail(RpcReply& reply, std::string_view id, int code, const QString& message) {
    reply.body = jsonrpc::errorResponse(id, code, message);
    reply.errorCode = code;
}

}  // namespace zrm::server
