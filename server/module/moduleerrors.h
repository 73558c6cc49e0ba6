#pragma once

// What every remote data module does with the failures of its business layer and storage, and with
// the operator a change is recorded under.

#include "server/rpc/remotemodule.h"
#include "server/storage/storeerror.h"

#include <string>
#include <string_view>

namespace zrm::server {

// Throws the method-not-found RpcError of a module that lacks method (named in the message, cut to
// 100 bytes).
[[noreturn]] void throwMethodNotFound(std::string_view serverName, std::string_view method);

// Throws the RpcError a client hears for error: BadRequest as a malformed request (-32602), Conflict,
// RuleRefused and StorageUnavailable as their own codes, anything else as an internal error; the
// message is kept.
[[noreturn]] void throwAsRpcError(const StoreError& error);

// The operator a change is recorded under: the request's X-Operator, cut to maxLength characters,
// or "desconhecido" when the request names none.
std::string recordedOperator(const CallContext& context, int maxLength);

}  // namespace zrm::server
