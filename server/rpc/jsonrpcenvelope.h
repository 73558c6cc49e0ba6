#pragma once

// The JSON-RPC 2.0 envelope: reading a request body and writing the response around a result that
// a module streams into the same string. Only single requests with an id are accepted; batches and
// notifications are refused as invalid requests. The body must be strict JSON (RFC 8259): the reader
// is the one the packets are read with.

#include <QJsonArray>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace zrm::server {

struct RpcRequest {
    std::string_view id;      // the id as sent, byte for byte: a JSON number or a JSON string literal
    std::string method;       // UTF-8; may hold any character, NUL included
    std::string_view params;  // the JSON text of the params array; empty when there was none

    // The params as a JSON array (empty when there was none).
    QJsonArray paramsArray() const;
};

namespace jsonrpc {
// The JSON text of each element of a params array that the request reader accepted, in order.
std::vector<std::string_view> paramTexts(std::string_view params);
}  // namespace jsonrpc

namespace jsonrpc {

// Reads a request body; the views point into body. Throws RpcError: ParseError when the body is not
// strict JSON, InvalidRequest when it is JSON but not a single request with "jsonrpc":"2.0", a
// non-empty string method and a number or string id, InvalidParams when params is present but not
// an array. requestId receives the id's text as soon as it has been read, so an error about a later
// member can still be answered under it; it stays empty when there is no usable id.
RpcRequest parseRequest(std::string_view body, std::string_view& requestId);

// Appends {"jsonrpc":"2.0","id":<id>,"result": to out, id being the JSON text of the request's id
// (null when empty); the caller appends the result JSON text and then closeResult(). Never fails.
void openResult(std::string& out, std::string_view id);
void closeResult(std::string& out);

// The whole error response {"jsonrpc":"2.0","id":<id or null>,"error":{"code":…,"message":"…"}}.
std::string errorResponse(std::string_view id, int code, const QString& message);

}  // namespace jsonrpc
}  // namespace zrm::server
