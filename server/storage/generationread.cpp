#include "server/storage/generationread.h"

#include <future>

namespace zrm::server {

SharedGenerationRead::SharedGenerationRead(Reader reader) : m_reader(std::move(reader)) {}

SharedGenerationRead::~SharedGenerationRead() {
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_asked.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void SharedGenerationRead::whenRead(Done done) {
    std::unique_lock lock(m_mutex);
    if (m_ending) {
        lock.unlock();
        done(std::nullopt);
        return;
    }
    // A server whose generation is had otherwise never starts the thread.
    if (!m_thread.joinable())
        m_thread = std::thread([this] { readWhileAsked(); });
    m_waiting.push_back(std::move(done));
    // Later callers find the thread asked already, or busy and about to look again.
    const bool first = m_waiting.size() == 1;
    lock.unlock();
    if (first)
        m_asked.notify_one();
}

std::optional<qint64> SharedGenerationRead::current() {
    try {
        std::promise<std::optional<qint64>> value;
        std::future<std::optional<qint64>> told = value.get_future();
        whenRead([&value](std::optional<qint64> generation) { value.set_value(generation); });
        return told.get();
    } catch (...) {
        return std::nullopt;
    }
}

int SharedGenerationRead::waiting() {
    const std::lock_guard lock(m_mutex);
    return int(m_waiting.size());
}

void SharedGenerationRead::readWhileAsked() {
    std::vector<Done> batch;
    for (;;) {
        bool ending = false;
        {
            std::unique_lock lock(m_mutex);
            m_asked.wait(lock, [&] { return m_ending || !m_waiting.empty(); });
            // Everyone taken here asked before the read below begins.
            batch.swap(m_waiting);
            ending = m_ending;
            if (ending && batch.empty())
                return;
        }
        std::optional<qint64> value;
        if (!ending) {
            try {
                value = m_reader();
            } catch (...) {
                value.reset();
            }
        }
        for (Done& done : batch)
            done(value);
        batch.clear();
    }
}

}  // namespace zrm::server
