#include "server/rpc/jsonrpcenvelope.h"

#include "framework/packet/jsonlexer.h"
#include "framework/packet/packetwriter.h"
#include "server/rpc/remotemodule.h"

#include <QByteArray>

namespace zrm::server::jsonrpc {

namespace {

[[noreturn]] void invalidRequest(const QString& why) {
    throw RpcError(rpcerror::InvalidRequest,
                   QStringLiteral("A requisição não é uma chamada JSON-RPC 2.0 válida: %1.").arg(why));
}

// One member of the request as read: its kind and the exact text of its value.
struct Member {
    json::Token kind = json::Token::End;  // End: absent
    std::string_view text;
};

std::string_view textBetween(const char* from, const char* to) {
    return {from, size_t(to - from)};
}

// The text a JSON string literal that was read already stands for, escapes resolved.
std::string decodedString(std::string_view literal) {
    json::Lexer reader(literal.data(), literal.data() + literal.size(), QString());
    bool plainAscii = true;
    const QByteArray text = reader.rawString(&plainAscii);
    return {text.constData(), size_t(text.size())};
}

// Reads the next value of a params list, at the nesting depth of the list's elements.
RpcParam readParam(json::Lexer& lexer, int depth) {
    RpcParam param;
    const json::Token kind = lexer.peek();
    const char* start = lexer.position();
    switch (kind) {
        case json::Token::String: {
            bool plainAscii = true;
            const QByteArray text = lexer.rawString(&plainAscii);
            param.kind = RpcParam::Kind::Text;
            param.text.assign(text.constData(), size_t(text.size()));
            break;
        }
        case json::Token::Number: {
            const json::Number number = lexer.number();
            param.kind = RpcParam::Kind::Number;
            param.number = number.real;
            param.isInteger = number.isInteger;
            break;
        }
        case json::Token::Literal:
            param.kind = *start == 'n' ? RpcParam::Kind::Null : RpcParam::Kind::Boolean;
            lexer.literal();
            break;
        default:
            param.kind = kind == json::Token::Object ? RpcParam::Kind::Object : RpcParam::Kind::List;
            lexer.skipValue(depth);
    }
    param.json = textBetween(start, lexer.position());
    return param;
}

}  // namespace

RpcRequest parseRequest(std::string_view body, std::string_view& requestId) {
    requestId = {};
    json::Lexer lexer(body.data(), body.data() + body.size(),
                      QStringLiteral("A requisição não é um JSON válido"));
    Member version;
    Member id;
    Member method;
    Member params;
    std::vector<RpcParam> paramList;
    try {
        const json::Token first = lexer.peek();
        if (first != json::Token::Object) {
            lexer.skipValue();
            lexer.expectEnd();
            invalidRequest(first == json::Token::Array ? QStringLiteral("lotes de chamadas não são aceitos")
                                                       : QStringLiteral("o corpo deve ser um objeto"));
        }
        lexer.object([&](const QString& key) {
            Member* member = key == QLatin1String("jsonrpc")  ? &version
                             : key == QLatin1String("id")     ? &id
                             : key == QLatin1String("method") ? &method
                             : key == QLatin1String("params") ? &params
                                                              : nullptr;
            const json::Token kind = lexer.peek();
            const char* start = lexer.position();
            if (member == &params && kind == json::Token::Array) {
                // The parameters are decoded in the same pass: nothing below reads them again.
                paramList.clear();
                lexer.array([&] { paramList.push_back(readParam(lexer, 2)); });
            } else {
                lexer.skipValue();
            }
            if (member)
                *member = {kind, textBetween(start, lexer.position())};
        });
        lexer.expectEnd();
    } catch (const PacketError& error) {
        throw RpcError(rpcerror::ParseError, error.message());
    }

    if (id.kind == json::Token::String || id.kind == json::Token::Number)
        requestId = id.text;
    if (version.kind != json::Token::String || decodedString(version.text) != "2.0")
        invalidRequest(QStringLiteral("o membro \"jsonrpc\" deve ser \"2.0\""));
    if (id.kind == json::Token::End)
        invalidRequest(QStringLiteral("notificações (chamadas sem \"id\") não são aceitas"));
    if (requestId.empty())
        invalidRequest(QStringLiteral("o \"id\" deve ser um número ou um texto"));
    if (method.kind != json::Token::String)
        invalidRequest(QStringLiteral("o \"method\" deve ser um texto não vazio"));

    RpcRequest request;
    request.id = requestId;
    request.method = decodedString(method.text);
    if (request.method.empty())
        invalidRequest(QStringLiteral("o \"method\" deve ser um texto não vazio"));
    if (params.kind == json::Token::Array) {
        request.paramsJson = params.text;
        request.params = std::move(paramList);
    } else if (params.kind != json::Token::End) {
        throw RpcError(rpcerror::InvalidParams,
                       QStringLiteral("Os parâmetros de %1 devem ser uma lista em ordem (\"params\": [...]).")
                           .arg(QString::fromUtf8(request.method.data(), qsizetype(request.method.size()))));
    }
    return request;
}

void openResult(std::string& out, std::string_view id) {
    out += R"({"jsonrpc":"2.0","id":)";
    out += id.empty() ? std::string_view("null") : id;
    out += R"(,"result":)";
}

void closeResult(std::string& out) {
    out += '}';
}

std::string errorResponse(std::string_view id, int code, const QString& message) {
    std::string out = R"({"jsonrpc":"2.0","id":)";
    out += id.empty() ? std::string_view("null") : id;
    out += R"(,"error":{"code":)";
    out += std::to_string(code);
    out += R"(,"message":)";
    packet::appendJsonString(out, message.toStdString());
    out += "}}";
    return out;
}

}  // namespace zrm::server::jsonrpc
