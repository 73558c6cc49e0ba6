// Dispatch by server name and method through the registry, with a fake module.

#include "fakemodule.h"
#include "server/rpc/moduleregistry.h"
#include "server/rpc/rpcdispatcher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace zrm::server;
using zrm::server::test::FakeModule;

namespace {

class RpcDispatcherTest : public ::testing::Test {
protected:
    RpcDispatcherTest() {
        registry.add(first);
        registry.add(second);
    }

    QJsonObject call(std::string_view server, const std::string& body, RpcReply* replyOut = nullptr) {
        RpcReply reply = dispatcher.dispatch(server, body, context);
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body));
        EXPECT_TRUE(document.isObject()) << reply.body;
        if (replyOut)
            *replyOut = reply;
        return document.object();
    }
    static int errorCode(const QJsonObject& response) {
        return response.value(QLatin1String("error")).toObject().value(QLatin1String("code")).toInt();
    }

    std::shared_ptr<FakeModule> first = std::make_shared<FakeModule>("TEST.rdmFirst");
    std::shared_ptr<FakeModule> second = std::make_shared<FakeModule>("TEST.rdmSecond");
    ModuleRegistry registry;
    std::vector<std::string> faults;
    RpcDispatcher dispatcher{registry, [this](std::string_view method, std::string_view what) {
                                 faults.push_back(std::string(method) + ": " + std::string(what));
                             }};
    CallContext context;
};

}  // namespace

TEST_F(RpcDispatcherTest, dispatch_reachesTheModuleOfThatServerName) {
    RpcReply reply;
    const QJsonObject response = call(
        "TEST.rdmSecond", R"({"jsonrpc":"2.0","id":3,"method":"Echo","params":[1,"dois",null]})", &reply);
    EXPECT_EQ(response.value(QLatin1String("id")).toInt(), 3);
    EXPECT_EQ(response.value(QLatin1String("result")).toArray(),
              QJsonArray({1, QStringLiteral("dois"), QJsonValue()}));
    EXPECT_EQ(reply.method, "Echo");
    EXPECT_EQ(reply.errorCode, 0);
    EXPECT_EQ(second->calls, 1);
    EXPECT_EQ(first->calls, 0);
}

TEST_F(RpcDispatcherTest, dispatch_unknownServerOrMethod_isMethodNotFound) {
    RpcReply reply;
    EXPECT_EQ(
        errorCode(call("TEST.rdmNone", R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[]})", &reply)),
        rpcerror::MethodNotFound);
    EXPECT_TRUE(reply.method.empty());
    EXPECT_EQ(
        errorCode(call("TEST.rdmFirst", R"({"jsonrpc":"2.0","id":1,"method":"Nope","params":[]})", &reply)),
        rpcerror::MethodNotFound);
    EXPECT_TRUE(reply.method.empty()) << "an unknown method name must not become a metrics label";
}

TEST_F(RpcDispatcherTest, dispatch_malformedEnvelope_neverReachesAModule) {
    EXPECT_EQ(errorCode(call("TEST.rdmFirst", "not json")), rpcerror::ParseError);
    EXPECT_EQ(errorCode(call("TEST.rdmFirst", R"({"jsonrpc":"2.0","method":"Echo","params":[]})")),
              rpcerror::InvalidRequest);
    const QJsonObject response =
        call("TEST.rdmFirst", R"({"jsonrpc":"2.0","id":4,"method":"Echo","params":{}})");
    EXPECT_EQ(errorCode(response), rpcerror::InvalidParams);
    EXPECT_EQ(response.value(QLatin1String("id")).toInt(), 4);
    EXPECT_EQ(first->calls, 0);
}

TEST_F(RpcDispatcherTest, dispatch_moduleError_isAnsweredWithItsCodeAndMessage) {
    RpcReply reply;
    const QJsonObject response = call(
        "TEST.rdmFirst",
        R"({"jsonrpc":"2.0","id":5,"method":"Fail","params":[1002,"Registro alterado por outro usuário."]})",
        &reply);
    EXPECT_EQ(errorCode(response), rpcerror::Conflict);
    EXPECT_EQ(response.value(QLatin1String("error")).toObject().value(QLatin1String("message")).toString(),
              QStringLiteral("Registro alterado por outro usuário."));
    EXPECT_EQ(response.value(QLatin1String("id")).toInt(), 5);
    EXPECT_EQ(reply.method, "Fail");
    EXPECT_EQ(reply.errorCode, rpcerror::Conflict);
}

TEST_F(RpcDispatcherTest, dispatch_unexpectedException_isInternalErrorWithoutPartialResult) {
    RpcReply reply;
    const QJsonObject response =
        call("TEST.rdmFirst", R"({"jsonrpc":"2.0","id":6,"method":"Throw","params":[]})", &reply);
    EXPECT_EQ(errorCode(response), rpcerror::InternalError);
    EXPECT_FALSE(response.contains(QLatin1String("result")));
    EXPECT_EQ(reply.body.find("partial"), std::string::npos);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults.front(), "Throw: falha simulada");
}

TEST_F(RpcDispatcherTest, dispatch_passesTheOperatorToTheModule) {
    context.operatorCode = QStringLiteral("MARIA");
    EXPECT_EQ(call("TEST.rdmFirst", R"({"jsonrpc":"2.0","id":1,"method":"Operator","params":[]})")
                  .value(QLatin1String("result"))
                  .toString(),
              QStringLiteral("MARIA"));
}

// Ids come back byte for byte, in results and in errors alike.
TEST_F(RpcDispatcherTest, dispatch_echoesTheIdExactly) {
    RpcReply reply = dispatcher.dispatch(
        "TEST.rdmFirst", R"({"jsonrpc":"2.0","id":12345678901234567890,"method":"Echo","params":[]})",
        context);
    EXPECT_EQ(reply.body, R"({"jsonrpc":"2.0","id":12345678901234567890,"result":[]})");
    reply = dispatcher.dispatch("TEST.rdmFirst", R"({"jsonrpc":"2.0","id":1.50,"method":"Nope"})", context);
    EXPECT_EQ(reply.body.rfind(R"({"jsonrpc":"2.0","id":1.50,"error":)", 0), 0u) << reply.body;
}

// What needs no module work is answered at once; the rest is left for dispatch, untouched.
TEST_F(RpcDispatcherTest, answerAtOnce_coversEnvelopeErrorsAndKeptAnswersOnly) {
    RpcReply reply;
    ASSERT_TRUE(dispatcher.answerAtOnce("TEST.rdmFirst",
                                        R"({"jsonrpc":"2.0","id":1,"method":"M","params":[.5]})", reply));
    EXPECT_EQ(reply.errorCode, rpcerror::ParseError);
    reply = {};
    ASSERT_TRUE(
        dispatcher.answerAtOnce("TEST.rdmNone", R"({"jsonrpc":"2.0","id":2,"method":"Echo"})", reply));
    EXPECT_EQ(reply.errorCode, rpcerror::MethodNotFound);
    reply = {};
    ASSERT_TRUE(dispatcher.answerAtOnce(
        "TEST.rdmFirst", R"({"jsonrpc":"2.0","id":3,"method":"Cached","params":[ "a" ]})", reply));
    EXPECT_EQ(reply.body, R"({"jsonrpc":"2.0","id":3,"result":"cached 7"})");
    EXPECT_EQ(reply.method, "Cached");
    reply = {};
    EXPECT_FALSE(dispatcher.answerAtOnce("TEST.rdmFirst",
                                         R"({"jsonrpc":"2.0","id":4,"method":"Echo","params":[]})", reply));
    EXPECT_TRUE(reply.body.empty());
    EXPECT_EQ(first->calls, 0);
}

TEST(ModuleRegistry, add_refusesASecondModuleOfTheSameName) {
    ModuleRegistry registry;
    registry.add(std::make_shared<FakeModule>("A"));
    EXPECT_THROW(registry.add(std::make_shared<FakeModule>("A")), std::invalid_argument);
    EXPECT_THROW(registry.add(nullptr), std::invalid_argument);
    EXPECT_EQ(registry.modules().size(), 1u);
}

TEST(ModuleRegistry, healthy_onlyWhenEveryModuleIs) {
    ModuleRegistry registry;
    EXPECT_FALSE(registry.healthy()) << "a server without modules serves nothing";
    auto a = std::make_shared<FakeModule>("A");
    auto b = std::make_shared<FakeModule>("B");
    registry.add(a);
    registry.add(b);
    EXPECT_TRUE(registry.healthy());
    b->isHealthy = false;
    EXPECT_FALSE(registry.healthy());
}
