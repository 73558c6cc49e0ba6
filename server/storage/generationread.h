#pragma once

// One read of the data generation shared by every request that waits for it. On PostgreSQL the
// generation is a row, so knowing whether a kept answer is still current costs a trip to the
// database; under load most of those trips are redundant. A caller here is given the value of a
// read that began after the call did, so it sees every write committed before it asked (the
// guarantee that keeps two servers on one database from serving a stale calendar), while callers
// that arrive during a read wait for the next one together instead of each making their own.
//
// The reads run on a thread of their own, so a caller need not give up its thread to wait: the
// network threads ask with whenRead() and go on serving other connections until the answer comes.

#include <QtGlobal>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zrm::server {

class SharedGenerationRead {
public:
    // Reads the generation from the database; nullopt when it cannot be had. May throw: a throw
    // counts as nullopt for every caller of that read.
    using Reader = std::function<std::optional<qint64>()>;
    // Told what a read gave; runs on the reading thread, so it must be quick and must not throw.
    using Done = std::function<void(std::optional<qint64>)>;

    explicit SharedGenerationRead(Reader reader);
    // Tells the callers still waiting that no read will come (nullopt), then ends the thread.
    ~SharedGenerationRead();
    SharedGenerationRead(const SharedGenerationRead&) = delete;
    SharedGenerationRead& operator=(const SharedGenerationRead&) = delete;

    // Calls done, once and from the reading thread, with the value of a read that began after this
    // call; nullopt when that read failed. Never blocks on the database; never throws but for
    // memory exhaustion. Thread-safe.
    void whenRead(Done done);

    // The same, waiting for it: blocks for at most two reads. Thread-safe; never throws.
    std::optional<qint64> current();

    // How many callers are waiting for a read that has not begun yet. Thread-safe.
    int waiting();

private:
    void readWhileAsked();

    Reader m_reader;
    std::mutex m_mutex;
    std::condition_variable m_asked;
    std::vector<Done> m_waiting;  // callers for the next read
    bool m_ending = false;
    std::thread m_thread;  // started by the first caller
};

}  // namespace zrm::server
