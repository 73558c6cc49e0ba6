#pragma once

// One JSON-RPC call as the front read it from the request body, once: the envelope's members and the
// positional parameters, each decoded. Every layer below the front (the dispatcher, the module, its
// methods) takes this value and never reads the body again.

#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

namespace zrm::server {

// One positional parameter. Texts and numbers are decoded; an object or a list is kept as its JSON
// text for the reader of its own kind (a delta is read by the packet reader).
struct RpcParam {
    enum class Kind { Text, Number, Null, Boolean, Object, List };
    Kind kind = Kind::Null;
    std::string_view json;   // the value as sent, byte for byte
    std::string text;        // Text: the UTF-8 text, escapes resolved
    double number = 0;       // Number: its value (finite; the reader refuses the others)
    bool isInteger = false;  // Number: written without fraction or exponent, fits 64 bits
};

struct RpcRequest {
    std::string_view id;          // the id as sent: a JSON number or a JSON string literal
    std::string method;           // UTF-8; may hold any character, NUL included
    std::string_view paramsJson;  // the params array as sent; empty when there was none
    std::vector<RpcParam> params;
};

}  // namespace zrm::server
