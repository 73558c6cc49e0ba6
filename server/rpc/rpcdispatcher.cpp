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
    QJsonValue id(QJsonValue::Null);
    std::string method;
    auto fail = [&](int code, const QString& message) {
        reply.body = jsonrpc::errorResponse(id, code, message);
        reply.errorCode = code;
    };
    try {
        const RpcRequest request = jsonrpc::parseRequest(body, id);
        RemoteDataModule* module = m_registry.find(serverName);
        if (!module) {
            throw RpcError(
                rpcerror::MethodNotFound,
                QStringLiteral("O servidor remoto \"%1\" não existe neste servidor de aplicação.")
                    .arg(QString::fromUtf8(serverName.data(), static_cast<qsizetype>(serverName.size()))));
        }
        method = request.method.toStdString();
        reply.body.reserve(InitialReplyCapacity);
        jsonrpc::openResult(reply.body, request.id);
        module->call(method, request.params, context, reply.body);
        jsonrpc::closeResult(reply.body);
        reply.method = std::move(method);
    } catch (const RpcError& error) {
        // An unknown method is the client's mistake about names: no method label for it.
        if (error.code() != rpcerror::MethodNotFound)
            reply.method = std::move(method);
        fail(error.code(), error.message());
    } catch (...) {
        if (m_reportFault)
            m_reportFault(method, describeCurrentException());
        reply.method = std::move(method);
        fail(rpcerror::InternalError,
             QStringLiteral("Erro interno do servidor de aplicação. Tente novamente; se o erro persistir, "
                            "avise o administrador."));
    }
    return reply;
}

}  // namespace zrm::server
