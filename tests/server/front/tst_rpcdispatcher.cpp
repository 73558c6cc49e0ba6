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

    // The call read from its body and run, as the front does.
    RpcReply dispatch(std::string_view server, std::string_view body) {
        return dispatcher.dispatch(dispatcher.read(server, body), context);
    }

    QJsonObject call(std::string_view server, const std::string& body, RpcReply* replyOut = nullptr) {
        RpcReply reply = dispatch(server, body);
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
    RpcReply reply = dispatch("TEST.rdmFirst",
                              R"({"jsonrpc":"2.0","id":12345678901234567890,"method":"Echo","params":[]})");
    EXPECT_EQ(reply.body, R"({"jsonrpc":"2.0","id":12345678901234567890,"result":[]})");
    reply = dispatch("TEST.rdmFirst", R"({"jsonrpc":"2.0","id":1.50,"method":"Nope"})");
    EXPECT_EQ(reply.body.rfind(R"({"jsonrpc":"2.0","id":1.50,"error":)", 0), 0u) << reply.body;
}

// Reading a call refuses what is no valid request or names no module, and nothing else; the module
// is not asked anything.
TEST_F(RpcDispatcherTest, read_refusesEnvelopeErrorsAndUnknownServersOnly) {
    const struct {
        std::string_view server;
        std::string_view body;
        int refusedWith;  // 0: accepted
    } cases[] = {
        {"TEST.rdmFirst", R"({"jsonrpc":"2.0","id":1,"method":"M","params":[.5]})", rpcerror::ParseError},
        {"TEST.rdmFirst", R"({"jsonrpc":"2.0","id":1,"method":"M","params":["a",]})", rpcerror::ParseError},
        {"TEST.rdmNone", R"({"jsonrpc":"2.0","id":2,"method":"Echo"})", rpcerror::MethodNotFound},
        {"TEST.rdmFirst", R"({"jsonrpc":"2.0","id":3,"method":"Echo","params":"a"})",
         rpcerror::InvalidParams},
        {"TEST.rdmFirst", R"({"jsonrpc":"2.0","id":4,"method":"Nope","params":[]})", 0},
        {"TEST.rdmSecond", R"({"jsonrpc":"2.0","id":5,"method":"Echo","params":[1,"dois"]})", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const RpcCall read = dispatcher.read(c.server, c.body);
        EXPECT_EQ(read.module == nullptr, c.refusedWith != 0);
        EXPECT_EQ(read.refusal.errorCode, c.refusedWith);
        EXPECT_EQ(read.refusal.body.empty(), c.refusedWith == 0);
        if (c.refusedWith != 0) {
            // A refused call stays refused whichever way it goes on.
            EXPECT_EQ(dispatcher.dispatch(read, context).errorCode, c.refusedWith);
            RpcReply held;
            EXPECT_FALSE(dispatcher.answerAtGeneration(read, 7, held));
            EXPECT_FALSE(dispatcher.confirmGeneration(read, [](std::optional<qint64>) {}));
        }
    }
    EXPECT_EQ(first->calls + second->calls, 0);
    EXPECT_TRUE(first->requests().empty());
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
