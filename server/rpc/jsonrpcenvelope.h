#pragma once

// The JSON-RPC 2.0 envelope: reading a request body and writing the response around a result that
// a module streams into the same string. Only single requests with an id are accepted; batches and
// notifications are refused as invalid requests. The body must be strict JSON (RFC 8259): the reader
// is the one the packets are read with.

#include "server/rpc/rpcrequest.h"

#include <QString>

#include <string>
#include <string_view>

namespace zrm::server::jsonrpc {

// Reads a request body in one pass, parameters included; the views point into body. Throws RpcError:
// ParseError when the body is not strict JSON, InvalidRequest when it is JSON but not a single request with
// "jsonrpc":"2.0", a non-empty string method and a number or string id, InvalidParams when params is present
// but not an array. requestId receives the id's text as soon as it has been read, so an error about a later
// member can still be answered under it; it stays empty when there is no usable id.
RpcRequest parseRequest(std::string_view body, std::string_view& requestId);

// Appends {"jsonrpc":"2.0","id":<id>,"result": to out, id being the JSON text of the request's id
// (null when empty); the caller appends the result JSON text and then closeResult(). Never fails.
void openResult(std::string& out, std::string_view id);
void closeResult(std::string& out);

// The whole error response {"jsonrpc":"2.0","id":<id or null>,"error":{"code":…,"message":"…"}}.
std::string errorResponse(std::string_view id, int code, const QString& message);

}  // namespace zrm::server::jsonrpc
