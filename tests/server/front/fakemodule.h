#pragma once

// A remote data module for the tests of the front: methods that echo, fail on demand, throw, wait,
// and report the operator, so that the front is tested without a database.

#include "server/rpc/remotemodule.h"

#include <QJsonDocument>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace zrm::server::test {

class FakeModule : public RemoteDataModule {
public:
    explicit FakeModule(std::string name = "TEST.rdmFake") : m_name(std::move(name)) {}

    std::string_view serverName() const override { return m_name; }

    // Echo(...): the params array. Fail(code, message): that RpcError. Throw(): a std::runtime_error.
    // Sleep(ms): waits, then true. Operator(): the X-Operator text.
    void call(std::string_view method, const QJsonArray& params, const CallContext& context,
              std::string& result) override {
        ++calls;
        if (method == "Echo") {
            result += QJsonDocument(params).toJson(QJsonDocument::Compact).toStdString();
        } else if (method == "Fail") {
            throw RpcError(params.at(0).toInt(), params.at(1).toString());
        } else if (method == "Throw") {
            result += "[partial";  // what a module wrote before failing must not reach the client
            throw std::runtime_error("falha simulada");
        } else if (method == "Sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(params.at(0).toInt()));
            result += "true";
        } else if (method == "Operator") {
            result += '"' + context.operatorCode.toStdString() + '"';
        } else {
            throw RpcError(rpcerror::MethodNotFound, QStringLiteral("Método desconhecido."));
        }
    }

    bool healthy() override { return isHealthy; }

    std::atomic<bool> isHealthy{true};
    std::atomic<int> calls{0};

private:
    std::string m_name;
};

}  // namespace zrm::server::test
