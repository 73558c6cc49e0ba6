#include "server/storage/generationread.h"

namespace zrm::server {

std::optional<qint64> SharedGenerationRead::current() {
    std::unique_lock lock(m_mutex);
    // A read already under way began before this call and may miss a write committed just before
    // it: only the next one will do.
    const std::uint64_t needed = m_started + 1;
    while (m_done < needed) {
        if (m_started != m_done) {
            ++m_waiting;
            m_finished.wait(lock);
            --m_waiting;
            continue;
        }
        ++m_started;
        lock.unlock();
        std::optional<qint64> value;
        try {
            value = m_reader();
        } catch (...) {
            value.reset();
        }
        lock.lock();
        m_value = value;
        m_done = m_started;
        m_finished.notify_all();
    }
    return m_value;
}

int SharedGenerationRead::waiting() {
    const std::lock_guard lock(m_mutex);
    return m_waiting;
}

}  // namespace zrm::server
