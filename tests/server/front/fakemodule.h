#pragma once

// A remote data module for the tests of the front: methods that echo, fail on demand, throw, wait,
// and report the operator, so that the front is tested without a database.

#include "server/rpc/remotemodule.h"

#include <QJsonDocument>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
        } else if (method == "Confirmed") {
            result += "\"computed\"";
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

    // Confirmed(): held for the generation the test names (heldGeneration); the module asks to have
    // it confirmed, which the test does with confirm(), or at once when confirmAtOnce is set. Without
    // a held answer for the confirmed generation the call goes to call(), which answers "computed".
    bool confirmGeneration(std::string_view method,
                           std::function<void(std::optional<qint64>)> confirmed) override {
        if (method != "Confirmed")
            return false;
        if (confirmAtOnce) {
            confirmed(*confirmAtOnce);
            return true;
        }
        const std::lock_guard lock(m_holdMutex);
        m_confirmations.push_back(std::move(confirmed));
        m_holdChanged.notify_all();
        return true;
    }

    bool cachedResultAt(std::string_view method, std::string_view paramsJson, qint64 generation,
                        std::string& result) override {
        if (method != "Confirmed" || generation != heldGeneration)
            return false;
        result += "\"held at " + std::to_string(generation) + " for " + std::string(paramsJson) + "\"";
        return true;
    }

    // Waits until count confirmations are asked for; false when that does not happen in time.
    bool waitUntilConfirmationsAsked(std::size_t count,
                                     std::chrono::milliseconds time = std::chrono::minutes(1)) {
        std::unique_lock lock(m_holdMutex);
        return m_holdChanged.wait_for(lock, time, [&] { return m_confirmations.size() >= count; });
    }
    // Tells every request waiting for a confirmation what the database gave, from this thread.
    void confirm(std::optional<qint64> generation) {
        std::vector<std::function<void(std::optional<qint64>)>> waiting;
        {
            const std::lock_guard lock(m_holdMutex);
            waiting.swap(m_confirmations);
        }
        for (auto& confirmed : waiting)
            confirmed(generation);
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
    std::atomic<qint64> heldGeneration{7};
    std::optional<qint64> confirmAtOnce;  // set before serving
    std::atomic<int> calls{0};

    int held = 0;  // guarded by m_holdMutex

private:
    std::string m_name;
    std::mutex m_holdMutex;
    std::condition_variable m_holdChanged;
    bool m_released = false;
    std::vector<std::function<void(std::optional<qint64>)>> m_confirmations;  // guarded by m_holdMutex
};

}  // namespace zrm::server::test
