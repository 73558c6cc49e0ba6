#pragma once

// A remote data module for the tests of the front: methods that echo, fail on demand, throw, wait,
// and report the operator, so that the front is tested without a database.

#include "server/rpc/remotemodule.h"

#include <QJsonDocument>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace zrm::server::test {

class FakeModule : public RemoteDataModule {
public:
    explicit FakeModule(std::string name = "TEST.rdmFake") : m_name(std::move(name)) {}

    std::string_view serverName() const override { return m_name; }

    // Echo(...): the params array. Fail(code, message): that RpcError. Throw(): a std::runtime_error.
    // Sleep(ms): waits, then true. Hold(): waits until release(), then true. Operator(): the
    // X-Operator text. Cached(): answered only from memory ("cached N", N the size of the params text), never
    // by call().
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
        } else if (method == "Hold") {
            std::unique_lock lock(m_holdMutex);
            ++held;
            m_holdChanged.notify_all();
            m_holdChanged.wait(lock, [this] { return m_released; });
            result += "true";
        } else if (method == "Operator") {
            result += '"' + context.operatorCode.toStdString() + '"';
        } else {
            throw RpcError(rpcerror::MethodNotFound, QStringLiteral("Método desconhecido."));
        }
    }

    bool cachedResult(std::string_view method, std::string_view paramsJson, std::string& result) override {
        if (method != "Cached")
            return false;
        result += "\"cached " + std::to_string(paramsJson.size()) + "\"";
        return true;
    }

    bool healthy() override { return isHealthy; }

    // Waits until count calls are held in Hold(); false when that does not happen within a minute.
    bool waitUntilHeld(int count) {
        std::unique_lock lock(m_holdMutex);
        return m_holdChanged.wait_for(lock, std::chrono::minutes(1), [&] { return held >= count; });
    }
    void release() {
        std::lock_guard lock(m_holdMutex);
        m_released = true;
        m_holdChanged.notify_all();
    }

    std::atomic<bool> isHealthy{true};
    std::atomic<int> calls{0};

    int held = 0;  // guarded by m_holdMutex

private:
    std::string m_name;
    std::mutex m_holdMutex;
    std::condition_variable m_holdChanged;
    bool m_released = false;
};

}  // namespace zrm::server::test
