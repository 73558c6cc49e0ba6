#include "server/storage/walcheckpointer.h"

namespace zrm::server {

WalCheckpointer::WalCheckpointer(Connect connect, std::chrono::milliseconds interval)
    : m_connect(std::move(connect)), m_interval(interval), m_thread([this] { run(); }) {}

WalCheckpointer::~WalCheckpointer() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int WalCheckpointer::checkpoints() const {
    std::lock_guard lock(m_mutex);
    return m_checkpoints;
}

void WalCheckpointer::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, m_interval, [this] { return m_stopping; });
        lock.unlock();
        checkpoint();
        lock.lock();
        ++m_checkpoints;
    }
}

void WalCheckpointer::checkpoint() {
    try {
        if (!m_connection || m_connection->isBroken())
            m_connection = m_connect();
        // Passive: copies what no reader still needs, waits for nobody.
        m_connection->executeScript("PRAGMA wal_checkpoint(PASSIVE)");
    } catch (...) {
        m_connection.reset();
    }
}

}  // namespace zrm::server
