#pragma once

// One read of the data generation shared by every request that waits for it. On PostgreSQL the
// generation is a row, so knowing whether a kept answer is still current costs a trip to the
// database; under load most of those trips are redundant. A caller here is given the value of a
// read that began after the call did, so it sees every write committed before it asked (the
// guarantee that keeps two servers on one database from serving a stale calendar), while callers
// that arrive during a read wait for the next one together instead of each making their own.

#include <QtGlobal>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace zrm::server {

class SharedGenerationRead {
public:
    // Reads the generation from the database; nullopt when it cannot be had. May throw: a throw
    // counts as nullopt for every caller of that read.
    using Reader = std::function<std::optional<qint64>()>;

    explicit SharedGenerationRead(Reader reader) : m_reader(std::move(reader)) {}

    // The generation as read by a read that began after this call; nullopt when that read failed.
    // Blocks for at most two reads. Thread-safe; never throws.
    std::optional<qint64> current();

    // How many callers are waiting for a read that someone else makes. Thread-safe.
    int waiting();

private:
    Reader m_reader;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::uint64_t m_started = 0;    // reads begun so far
    std::uint64_t m_done = 0;       // reads finished so far; m_started - m_done is 0 or 1
    std::optional<qint64> m_value;  // what the last finished read gave
    int m_waiting = 0;
};

}  // namespace zrm::server
