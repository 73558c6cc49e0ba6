#pragma once

// A module's method called as the front calls it: the parameters written as JSON text and read by
// the front's own request reader, so a test reaches the module through the one path a client has.

#include "server/rpc/jsonrpcenvelope.h"
#include "server/rpc/remotemodule.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <string>
#include <string_view>

namespace zrm::server::test {

// A call's request body, which the request read from it points into.
inline std::string requestBody(std::string_view method, const QJsonArray& params) {
    return R"({"jsonrpc":"2.0","id":1,"method":")" + std::string(method) + R"(","params":)" +
           QJsonDocument(params).toJson(QJsonDocument::Compact).toStdString() + "}";
}

// Runs the call and returns its result parsed; an RpcError passes through.
inline QJsonValue callModule(RemoteDataModule& module, std::string_view method, const QJsonArray& params,
                             const CallContext& context = CallContext{}) {
    const std::string body = requestBody(method, params);
    std::string_view id;
    std::string result;
    module.call(jsonrpc::parseRequest(body, id), context, result);
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + result + "]"), &error);
    if (error.error != QJsonParseError::NoError)
        throw std::runtime_error("the result is not JSON: " + result);
    return document.array().at(0);
}

// The error code the call fails with, or 0 when it succeeds; message gets the error's message.
inline int callError(RemoteDataModule& module, std::string_view method, const QJsonArray& params,
                     const CallContext& context, QString& message) {
    try {
        callModule(module, method, params, context);
        return 0;
    } catch (const RpcError& error) {
        message = error.message();
        return error.code();
    }
}

}  // namespace zrm::server::test
