#include "server/rpc/jsonrpcenvelope.h"

#include "server/rpc/jsonstring.h"
#include "server/rpc/remotemodule.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <charconv>
#include <cmath>

namespace zrm::server::jsonrpc {

namespace {

[[noreturn]] void invalidRequest(const QString& why) {
    throw RpcError(rpcerror::InvalidRequest,
                   QStringLiteral("A requisição não é uma chamada JSON-RPC 2.0 válida: %1.").arg(why));
}

void appendId(std::string& out, const QJsonValue& id) {
    if (id.isString()) {
        appendJsonString(out, id.toString().toStdString());
        return;
    }
    if (!id.isDouble()) {
        out += "null";
        return;
    }
    // Ids travel back as they came: integers without a decimal part, other numbers in full precision.
    const double value = id.toDouble();
    char buffer[32];
    std::to_chars_result written;
    if (std::trunc(value) == value && std::fabs(value) < 9007199254740992.0)
        written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    else
        written = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, written.ptr);
}

}  // namespace

RpcRequest parseRequest(std::string_view body, QJsonValue& requestId) {
    requestId = QJsonValue(QJsonValue::Null);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        // The JSON reader takes only arrays and objects at the top: a lone number or text is JSON,
        // just not a request.
        if (QJsonDocument::fromJson("[" + QByteArray(body.data(), static_cast<qsizetype>(body.size())) + "]")
                .array()
                .size() == 1)
            invalidRequest(QStringLiteral("o corpo deve ser um objeto"));
        throw RpcError(rpcerror::ParseError,
                       QStringLiteral("A requisição não é um JSON válido (erro perto do caractere %1).")
                           .arg(error.offset));
    }
    if (document.isArray())
        invalidRequest(QStringLiteral("lotes de chamadas não são aceitos"));
    if (!document.isObject())
        invalidRequest(QStringLiteral("o corpo deve ser um objeto"));

    const QJsonObject object = document.object();
    const QJsonValue id = object.value(QLatin1String("id"));
    if (id.isString() || id.isDouble())
        requestId = id;
    if (object.value(QLatin1String("jsonrpc")) != QJsonValue(QStringLiteral("2.0")))
        invalidRequest(QStringLiteral("o membro \"jsonrpc\" deve ser \"2.0\""));
    if (id.isUndefined())
        invalidRequest(QStringLiteral("notificações (chamadas sem \"id\") não são aceitas"));
    if (!id.isString() && !id.isDouble())
        invalidRequest(QStringLiteral("o \"id\" deve ser um número ou um texto"));
    const QJsonValue method = object.value(QLatin1String("method"));
    if (!method.isString() || method.toString().isEmpty())
        invalidRequest(QStringLiteral("o \"method\" deve ser um texto não vazio"));

    RpcRequest request{id, method.toString(), {}};
    const QJsonValue params = object.value(QLatin1String("params"));
    if (params.isArray()) {
        request.params = params.toArray();
    } else if (!params.isUndefined()) {
        throw RpcError(rpcerror::InvalidParams,
                       QStringLiteral("Os parâmetros de %1 devem ser uma lista em ordem (\"params\": [...]).")
                           .arg(request.method));
    }
    return request;
}

void openResult(std::string& out, const QJsonValue& id) {
    out += R"({"jsonrpc":"2.0","id":)";
    appendId(out, id);
    out += R"(,"result":)";
}

void closeResult(std::string& out) {
    out += '}';
}

std::string errorResponse(const QJsonValue& id, int code, const QString& message) {
    std::string out = R"({"jsonrpc":"2.0","id":)";
    appendId(out, id);
    out += R"(,"error":{"code":)";
    out += std::to_string(code);
    out += R"(,"message":)";
    appendJsonString(out, message.toStdString());
    out += "}}";
    return out;
}

}  // namespace zrm::server::jsonrpc
