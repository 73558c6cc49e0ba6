#include "server/module/moduleerrors.h"

#include <algorithm>

namespace zrm::server {

void throwAsRpcError(const StoreError& error) {
    if (dynamic_cast<const BadRequest*>(&error))
        throw RpcError(rpcerror::InvalidParams, error.message());
    if (dynamic_cast<const Conflict*>(&error))
        throw RpcError(rpcerror::Conflict, error.message());
    if (dynamic_cast<const RuleRefused*>(&error))
        throw RpcError(rpcerror::RuleRefused, error.message());
    if (dynamic_cast<const StorageUnavailable*>(&error))
        throw RpcError(rpcerror::StorageUnavailable, error.message());
    throw RpcError(rpcerror::InternalError, error.message());
}

void throwMethodNotFound(std::string_view serverName, std::string_view method) {
    throw RpcError(
        rpcerror::MethodNotFound,
        QStringLiteral("O servidor %1 não tem o método \"%2\".")
            .arg(QString::fromUtf8(serverName.data(), qsizetype(serverName.size())),
                 QString::fromUtf8(method.data(), qsizetype(std::min<size_t>(method.size(), 100)))));
}

std::string recordedOperator(const CallContext& context, int maxLength) {
    return context.operatorCode.isEmpty() ? std::string("desconhecido")
                                          : context.operatorCode.left(maxLength).toStdString();
}

}  // namespace zrm::server
