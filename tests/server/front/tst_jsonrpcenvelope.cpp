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
int parseFailure(const std::string& body, QJsonValue* idSeen = nullptr) {
    QJsonValue id;
    try {
        jsonrpc::parseRequest(body, id);
    } catch (const RpcError& error) {
        if (idSeen)
            *idSeen = id;
        EXPECT_FALSE(error.message().isEmpty());
        return error.code();
    }
    return 0;
}

QJsonObject parsed(const std::string& json) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}

}  // namespace

TEST(JsonRpcEnvelope, parseRequest_readsMethodParamsAndId) {
    QJsonValue id;
    const RpcRequest request = jsonrpc::parseRequest(
        R"({"jsonrpc":"2.0","id":7,"method":"GetDateBloq","params":[2026,"2","0000000004"]})", id);
    EXPECT_EQ(request.method, QStringLiteral("GetDateBloq"));
    ASSERT_EQ(request.params.size(), 3);
    EXPECT_EQ(request.params.at(0).toInt(), 2026);
    EXPECT_EQ(request.params.at(2).toString(), QStringLiteral("0000000004"));
    EXPECT_EQ(id.toInt(), 7);
}

TEST(JsonRpcEnvelope, parseRequest_withoutParams_givesEmptyList) {
    QJsonValue id;
    EXPECT_TRUE(jsonrpc::parseRequest(R"({"jsonrpc":"2.0","id":"a","method":"M"})", id).params.isEmpty());
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
    QJsonValue id;
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":9,"method":"M","params":{"ano":2026}})", &id),
              rpcerror::InvalidParams);
    EXPECT_EQ(id.toInt(), 9);
    EXPECT_EQ(parseFailure(R"({"jsonrpc":"2.0","id":"x","method":"M","params":"2026"})", &id),
              rpcerror::InvalidParams);
    EXPECT_EQ(id.toString(), QStringLiteral("x"));
}

TEST(JsonRpcEnvelope, resultResponse_wrapsTheStreamedResultAndEchoesTheId) {
    std::string out;
    jsonrpc::openResult(out, QJsonValue(7));
    out += R"({"fields":[],"rows":[]})";
    jsonrpc::closeResult(out);
    EXPECT_EQ(out, R"({"jsonrpc":"2.0","id":7,"result":{"fields":[],"rows":[]}})");

    out.clear();
    jsonrpc::openResult(out, QJsonValue(QStringLiteral("req-\"1\"")));
    out += "null";
    jsonrpc::closeResult(out);
    EXPECT_EQ(parsed(out).value(QLatin1String("id")).toString(), QStringLiteral("req-\"1\""));

    out.clear();
    jsonrpc::openResult(out, QJsonValue(1.5));
    out += "1";
    jsonrpc::closeResult(out);
    EXPECT_EQ(parsed(out).value(QLatin1String("id")).toDouble(), 1.5);
}

TEST(JsonRpcEnvelope, errorResponse_isValidJsonWhateverTheMessageHolds) {
    const QString message = QStringLiteral("Fase \"0001\" não cadastrada.\n\t\\ \x01 fim");
    const std::string out = jsonrpc::errorResponse(QJsonValue(QJsonValue::Null), 1001, message);
    const QJsonObject object = parsed(out);
    EXPECT_EQ(object.value(QLatin1String("jsonrpc")).toString(), QStringLiteral("2.0"));
    EXPECT_TRUE(object.value(QLatin1String("id")).isNull());
    EXPECT_FALSE(object.contains(QLatin1String("result")));
    const QJsonObject error = object.value(QLatin1String("error")).toObject();
    EXPECT_EQ(error.value(QLatin1String("code")).toInt(), 1001);
    EXPECT_EQ(error.value(QLatin1String("message")).toString(), message);
}
