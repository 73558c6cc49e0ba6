// The JSON-RPC envelope: which bodies are requests, which errors the others get, and the response
// text written around a streamed result.

#include "server/rpc/jsonrpcenvelope.h"
#include "server/rpc/remotemodule.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace zrm::server;

namespace {

// The code of the RpcError that parsing body throws, 0 when it parses.
int parseFailure(const std::string& body, std::string* idSeen = nullptr) {
    std::string_view id;
    try {
        jsonrpc::parseRequest(body, id);
    } catch (const RpcError& error) {
        if (idSeen)
            *idSeen = std::string(id);
        EXPECT_FALSE(error.message().isEmpty());
        return error.code();
    }
    return 0;
}

QJsonObject parsed(const std::string& json) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}

}  // namespace

// The parameters are decoded in the same pass as the envelope, each with its text as sent.
TEST(JsonRpcEnvelope, parseRequest_readsMethodIdAndDecodedParams) {
    std::string_view id;
    const RpcRequest request =
        jsonrpc::parseRequest(R"({"jsonrpc":"2.0","id":7,"method":"GetDateBloq",)"
                              R"("params":[2026, "a\u00e9\"" , -2.5e1, null, true, {"x":[1]}, [] ]})",
                              id);
    EXPECT_EQ(request.method, "GetDateBloq");
    EXPECT_EQ(id, "7");
    EXPECT_EQ(request.paramsJson, R"([2026, "a\u00e9\"" , -2.5e1, null, true, {"x":[1]}, [] ])");
    using Kind = RpcParam::Kind;
    const struct {
        Kind kind;
        std::string_view json;
        std::string_view text;
        double number;
        bool isInteger;
    } expected[] = {
        {Kind::Number, "2026", "", 2026, true},   {Kind::Text, R"("a\u00e9\"")", "a\xc3\xa9\"", 0, false},
        {Kind::Number, "-2.5e1", "", -25, false}, {Kind::Null, "null", "", 0, false},
        {Kind::Boolean, "true", "", 0, false},    {Kind::Object, R"({"x":[1]})", "", 0, false},
        {Kind::List, "[]", "", 0, false},
    };
    ASSERT_EQ(request.params.size(), std::size(expected));
    for (std::size_t i = 0; i < request.params.size(); ++i) {
        SCOPED_TRACE(i);
        const RpcParam& param = request.params[i];
        EXPECT_EQ(param.kind, expected[i].kind);
        EXPECT_EQ(param.json, expected[i].json);
        EXPECT_EQ(param.text, expected[i].text);
        EXPECT_EQ(param.number, expected[i].number);
        EXPECT_EQ(param.isInteger, expected[i].isInteger);
    }
}

TEST(JsonRpcEnvelope, parseRequest_withoutParams_givesEmptyList) {
    std::string_view id;
    const RpcRequest request = jsonrpc::parseRequest(R"({"jsonrpc":"2.0","id":"a","method":"M"})", id);
    EXPECT_TRUE(request.params.empty());
    EXPECT_TRUE(request.paramsJson.empty());
}

// Ids travel back byte for byte: a number beyond 2^53 or with a fraction is not rounded, a text keeps
// its escapes.
TEST(JsonRpcEnvelope, idIsEchoedExactly) {
    for (const std::string id : {"12345678901234567890", "-0.10", "1e400x"}) {
        std::string_view seen;
        const std::string body = R"({"jsonrpc":"2.0","method":"M","id":)" + id + "}";
        if (id == "1e400x") {
            EXPECT_EQ(parseFailure(body), rpcerror::ParseError);
            continue;
        }
        jsonrpc::parseRequest(body, seen);
        EXPECT_EQ(seen, id);
        std::string out;
        jsonrpc::openResult(out, seen);
        out += "null";
        jsonrpc::closeResult(out);
        EXPECT_EQ(out, R"({"jsonrpc":"2.0","id":)" + id + R"(,"result":null})");
    }
    std::string_view seen;
    jsonrpc::parseRequest(R"({"jsonrpc":"2.0","method":"M","id":"a\"\u00e9"})", seen);
    EXPECT_EQ(seen, R"("a\"\u00e9")");
    EXPECT_EQ(
        parsed(jsonrpc::errorResponse(seen, 1, QStringLiteral("x"))).value(QLatin1String("id")).toString(),
        QStringLiteral("a\"é"));
}

// The body must be strict JSON: what lenient readers accept is a parse error, not a guess.
TEST(JsonRpcEnvelope, parseRequest_isStrictJson) {
    const std::string head = R"({"jsonrpc":"2.0","id":1,"method":"M","params":)";
    EXPECT_EQ(parseFailure(head + "[1]}"), 0);
    EXPECT_EQ(parseFailure(head + "[.5]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[01]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[1.]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[+1]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[1,]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[\"a\tb\"]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + std::string("[\"a\0b\"]}", 8)), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + R"(["\q"]})"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + R"(["\ud800"]})"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[\"\xc3\x28\"]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[\"\xc0\xaf\"]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[NaN]}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[1]} x"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(head + "[1]"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure("{'jsonrpc':'2.0'}"), rpcerror::ParseError);
    // Escaped NUL is a character like any other.
    EXPECT_EQ(parseFailure(head + R"(["a\u0000b"]})"), 0);
}

// A method name may hold a NUL; the name is kept whole, and so is an error message quoting it.
TEST(JsonRpcEnvelope, methodWithNul_isKeptWhole) {
    std::string_view id;
    const RpcRequest request =
        jsonrpc::parseRequest(R"({"jsonrpc":"2.0","id":1,"method":"Get\u0000Versao"})", id);
    EXPECT_EQ(request.method, std::string("Get\0Versao", 10));
    const RpcError error(rpcerror::MethodNotFound,
                         QString::fromUtf8(request.method.data(), qsizetype(request.method.size())));
    EXPECT_EQ(error.message().size(), 10);
    const QJsonObject object = parsed(jsonrpc::errorResponse(id, error.code(), error.message()));
    EXPECT_EQ(object.value(QLatin1String("error")).toObject().value(QLatin1String("message")).toString(),
              QString::fromUtf8("Get\0Versao", 10));
}

TEST(JsonRpcEnvelope, parseRequest_refusesWhatIsNotARequest) {
    EXPECT_EQ(parseFailure(""), rpcerror::ParseError);
    EXPECT_EQ(parseFailure("{\"jsonrpc\":"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure("\xff\xfe{}"), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(std::string(5000, '[') + std::string(5000, ']')), rpcerror::ParseError);
    EXPECT_EQ(parseFailure(R"([{"jsonrpc":"2.0","id":1,"method":"M","params":[]}])"),
              rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","method":"M","params":[]})"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"1.0","id":1,"method":"M","params":[]})"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":2.0,"id":1,"method":"M","params":[]})"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"id":1,"method":"M","params":[]})"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":{},"method":"M","params":[]})"),
              rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":null,"method":"M","params":[]})"),
              rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":1,"method":3,"params":[]})"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":1,"method":"","params":[]})"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure(R"("just a string")"), rpcerror::InvalidRequest);
    EXPECT_EQ(parseFailure("42"), rpcerror::InvalidRequest);
}

TEST(JsonRpcEnvelope, parseRequest_paramsNotAList_isInvalidParamsUnderTheRequestId) {
    std::string id;
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":9,"method":"M","params":{"ano":2026}})", &id),
              rpcerror::InvalidParams);
    EXPECT_EQ(id, "9");
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":"x","method":"M","params":"2026"})", &id),
              rpcerror::InvalidParams);
    EXPECT_EQ(id, R"("x")");
}

TEST(JsonRpcEnvelope, resultResponse_wrapsTheStreamedResultAndEchoesTheId) {
    std::string out;
    jsonrpc::openResult(out, "7");
    out += R"({"fields":[],"rows":[]})";
    jsonrpc::closeResult(out);
    EXPECT_EQ(out, R"({"jsonrpc":"2.0","id":7,"result":{"fields":[],"rows":[]}})");
}

TEST(JsonRpcEnvelope, errorResponse_isValidJsonWhateverTheMessageHolds) {
    const QString message = QStringLiteral("Fase \"0001\" não cadastrada.\n\t\\ \x01 fim");
    const std::string out = jsonrpc::errorResponse({}, 1001, message);
    const QJsonObject object = parsed(out);
    EXPECT_EQ(object.value(QLatin1String("jsonrpc")).toString(), QStringLiteral("2.0"));
    EXPECT_TRUE(object.value(QLatin1String("id")).isNull());
    EXPECT_FALSE(object.contains(QLatin1String("result")));
    const QJsonObject error = object.value(QLatin1String("error")).toObject();
    EXPECT_EQ(error.value(QLatin1String("code")).toInt(), 1001);
    EXPECT_EQ(error.value(QLatin1String("message")).toString(), message);
}
