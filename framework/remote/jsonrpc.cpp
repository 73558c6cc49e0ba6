#include "framework/remote/jsonrpc_p.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zrm::remote {
namespace {

TRemoteResult malformed(const QString& what) {
    return TRemoteResult::transportFailure(
        QStringLiteral("O servidor de aplicação enviou uma resposta inválida (%1). Tente novamente; se o "
                       "problema continuar, avise o suporte.")
            .arg(what));
}

bool isInteger(const QJsonValue& value) {
    return value.isDouble() && value.toDouble() == static_cast<double>(value.toInteger());
}

}  // namespace

QByteArray encodeRequest(qint64 id, const QString& method, const QList<RemoteArg>& args) {
    QJsonArray params;
    for (const RemoteArg& arg : args)
        params.append(arg.toJson());
    const QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("id"), id},
                              {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

TRemoteResult decodeResponse(const QByteArray& body, qint64 id) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return malformed(QStringLiteral("não é um objeto JSON"));
    const QJsonObject response = document.object();
    if (response.value(QStringLiteral("jsonrpc")) != QStringLiteral("2.0"))
        return malformed(QStringLiteral("versão de JSON-RPC ausente ou errada"));

    const QJsonValue responseId = response.value(QStringLiteral("id"));
    const bool hasResult = response.contains(QStringLiteral("result"));
    const bool hasError = response.contains(QStringLiteral("error"));
    if (hasResult == hasError)
        return malformed(QStringLiteral("deve trazer um resultado ou um erro"));

    if (hasError) {
        // A server that could not read the request answers with a null id; its error still applies.
        if (!(responseId.isNull() || (isInteger(responseId) && responseId.toInteger() == id)))
            return malformed(QStringLiteral("identificador de outra chamada"));
        const QJsonValue error = response.value(QStringLiteral("error"));
        const QJsonValue code = error.toObject().value(QStringLiteral("code"));
        const QJsonValue message = error.toObject().value(QStringLiteral("message"));
        if (!error.isObject() || !isInteger(code) || !message.isString())
            return malformed(QStringLiteral("erro sem código ou mensagem"));
        const int errorCode = static_cast<int>(code.toInteger());
        QString text = message.toString().trimmed();
        if (text.isEmpty())
            text = QStringLiteral("O servidor de aplicação recusou a chamada (código %1).").arg(errorCode);
        return TRemoteResult::serverFailure(errorCode, text);
    }

    if (!isInteger(responseId) || responseId.toInteger() != id)
        return malformed(QStringLiteral("identificador de outra chamada"));
    return TRemoteResult::success(response.value(QStringLiteral("result")));
}

}  // namespace zrm::remote
