#pragma once

// A remote data module for the tests of the front: methods that echo, fail on demand, throw, wait,
// and report the operator, so that the front is tested without a database.

#include "server/rpc/remotemodule.h"

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

    // Echo(...): the params as sent. Fail(code, message): that RpcError. Throw(): a
    // std::runtime_error. Sleep(ms): waits, then true. Hold(): waits until release(), then true.
    // Operator(): the X-Operator text. Every request it is given is kept in requests.
    void call(const RpcRequest& request, const CallContext& context, std::string& result) override {
        ++calls;
        seen(request);
        const std::string_view method = request.method;
        const std::vector<RpcParam>& params = request.params;
        if (method == "Echo") {
            result += request.paramsJson.empty() ? std::string_view("[]") : request.paramsJson;
        } else if (method == "Fail") {
            throw RpcError(int(params.at(0).number), QString::fromStdString(params.at(1).text));
        } else if (method == "Throw") {
            result += "[partial";  // what a module wrote before failing must not reach the client
            throw std::runtime_error("falha simulada");
        } else if (method == "Sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(qint64(params.at(0).number)));
            result += "true";
        } else if (method == "Hold") {
            hold();
            result += "true";
        } else if (method == "Confirmed") {
            result += "\"computed\"";
        } else if (method == "Operator") {
            result += '"' + context.operatorCode.toStdString() + '"';
        } else {
            throw RpcError(rpcerror::MethodNotFound, QStringLiteral("Método desconhecido."));
        }
    }

    // Confirmed(): held for the generation the test names (heldGeneration); the module asks to have
    // it confirmed, which the test does with confirm(), or at once when confirmAtOnce is set. Without
    // a held answer for the confirmed generation the call goes to call(), which answers "computed".
    bool confirmGeneration(const RpcRequest& request,
                           std::function<void(std::optional<qint64>)> confirmed) override {
        seen(request);
        if (request.method != "Confirmed")
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

    bool cachedResultAt(const RpcRequest& request, qint64 generation, std::string& result) override {
        seen(request);
        if (request.method != "Confirmed" || generation != heldGeneration)
            return false;
        result +=
            "\"held at " + std::to_string(generation) + " for " + std::string(request.paramsJson) + "\"";
        return true;
    }

    // The distinct requests the module was given, in order: the front reads a body once, so every
    // step of one call hands the module the same request.
    std::vector<const RpcRequest*> requests() {
        const std::lock_guard lock(m_holdMutex);
        return m_requests;
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

    // Held like Hold() while healthHolds is set.
    bool healthy() override {
        if (healthHolds)
            hold();
        return isHealthy;
    }

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
    std::atomic<bool> healthHolds{false};
    std::atomic<qint64> heldGeneration{7};
    std::optional<qint64> confirmAtOnce;  // set before serving
    std::atomic<int> calls{0};

    int held = 0;  // guarded by m_holdMutex

private:
    void hold() {
        std::unique_lock lock(m_holdMutex);
        ++held;
        m_holdChanged.notify_all();
        m_holdChanged.wait(lock, [this] { return m_released; });
    }

    void seen(const RpcRequest& request) {
        const std::lock_guard lock(m_holdMutex);
        if (m_requests.empty() || m_requests.back() != &request)
            m_requests.push_back(&request);
    }

    std::string m_name;
    std::mutex m_holdMutex;
    std::condition_variable m_holdChanged;
    bool m_released = false;
    std::vector<std::function<void(std::optional<qint64>)>> m_confirmations;  // guarded by m_holdMutex
    std::vector<const RpcRequest*> m_requests;                                // guarded by m_holdMutex
};

}  // namespace zrm::server::test
