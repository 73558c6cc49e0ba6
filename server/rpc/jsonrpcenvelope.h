#pragma once

// The JSON-RPC 2.0 envelope: reading a request body and writing the response around a result that
// a module streams into the same string. Only single requests with an id are accepted; batches and
// notifications are refused as invalid requests.

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

#include <string>
#include <string_view>

namespace zrm::server {

struct RpcRequest {
    QJsonValue id;  // a number or a string
    QString method;
    QJsonArray params;
};

namespace jsonrpc {

// Reads a request body. Throws RpcError: ParseError when the body is not JSON, InvalidRequest when it
// is JSON but not a single request with "jsonrpc":"2.0", a string method and a number or string id,
// InvalidParams when params is present but not an array. requestId receives the id as soon as it has
// been read, so an error about a later member can still be answered under it.
RpcRequest parseRequest(std::string_view body, QJsonValue& requestId);

// Appends {"jsonrpc":"2.0","id":<id>,"result": to out; the caller appends the result JSON text and
// then closeResult(). Never fails.
void openResult(std::string& out, const QJsonValue& id);
void closeResult(std::string& out);

// The whole error response {"jsonrpc":"2.0","id":<id or null>,"error":{"code":…,"message":"…"}}.
std::string errorResponse(const QJsonValue& id, int code, const QString& message);

}  // namespace jsonrpc
}  // namespace zrm::server
