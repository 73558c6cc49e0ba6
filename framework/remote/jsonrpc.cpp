#include "framework/remote/jsonrpc_p.h"

#include "framework/data/usertexts.h"
#include "framework/packet/packetwriter.h"

namespace zrm::remote {
namespace {

TRemoteResult malformed(const QString& what) {
    return TRemoteResult::transportFailure(
        zrm::userText(
            QStringLiteral("O servidor de aplicação enviou uma resposta inválida (%1). Tente novamente; se o "
                           "problema continuar, avise o suporte."))
            .arg(what));
}

}  // namespace

QByteArray encodeRequest(qint64 id, const QString& method, const QList<RemoteArg>& args) {
    std::string out = R"({"jsonrpc":"2.0","id":)";
    out += std::to_string(id);
    out += R"(,"method":)";
    packet::appendJsonString(out, method.toStdString());
    out += R"(,"params":[)";
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (i > 0)
            out += ',';
        args.at(i).write(out);
    }
    out += "]}";
    return QByteArray::fromStdString(out);
}

TRemoteResult decodeResponse(const QByteArray& body, qint64 id) {
    packet::RpcResponse response;
    try {
        response = packet::decodeRpcResponse(body);
    } catch (const PacketError&) {
        return malformed(zrm::userText(QStringLiteral("não é um objeto JSON")));
    }
    if (!response.versionIs20)
        return malformed(zrm::userText(QStringLiteral("versão de JSON-RPC ausente ou errada")));
    if (response.hasResult == response.hasError)
        return malformed(zrm::userText(QStringLiteral("deve trazer um resultado ou um erro")));
    const bool sameId = response.idKind == packet::RpcResponse::IdKind::Integer && response.id == id;

    if (response.hasError) {
        // A server that could not read the request answers with a null id; its error still applies.
        if (!(sameId || response.idKind == packet::RpcResponse::IdKind::Null))
            return malformed(zrm::userText(QStringLiteral("identificador de outra chamada")));
        if (!response.errorWellFormed)
            return malformed(zrm::userText(QStringLiteral("erro sem código ou mensagem")));
        QString text = response.errorMessage.trimmed();
        if (text.isEmpty())
            text = zrm::userText(QStringLiteral("O servidor de aplicação recusou a chamada (código %1)."))
                       .arg(response.errorCode);
        return TRemoteResult::serverFailure(response.errorCode, text);
    }

    if (!sameId)
        return malformed(zrm::userText(QStringLiteral("identificador de outra chamada")));
    if (!response.unreadable.isEmpty())
        return TRemoteResult::successNotPackets(response.unreadable);
    return TRemoteResult::success(std::move(response.packets), response.isList);
}

}  // namespace zrm::remote
