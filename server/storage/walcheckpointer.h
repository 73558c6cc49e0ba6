#pragma once

// Copies an SQLite database's write-ahead log back into the database file on a thread of its own.
// Left to SQLite, the commit that fills the log past its threshold runs the checkpoint itself, and
// the save behind it waits for hundreds of pages to be copied and the file synchronised: the slow
// tail of saves. The copy needs no synchronisation with the saves (a passive checkpoint takes no lock
// that a reader or a writer waits for), and what a commit guarantees is unchanged: a commit is
// durable once its log frames are synchronised, before any checkpoint.

#include "server/storage/sqlconnection.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zrm::server {

class WalCheckpointer {
public:
    using Connect = std::function<std::unique_ptr<sql::Connection>()>;

    // Starts the thread; it connects with connect and checkpoints every interval. Never throws from
    // the thread: a failed checkpoint is tried again with a new connection at the next interval.
    explicit WalCheckpointer(Connect connect,
                             std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    // Stops the thread after a last checkpoint.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

    // How many checkpoints have run (for tests).
    int checkpoints() const;

private:
    void run();
    void checkpoint();

    Connect m_connect;
    std::chrono::milliseconds m_interval;
    std::unique_ptr<sql::Connection> m_connection;  // the thread's own
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    int m_checkpoints = 0;
    std::thread m_thread;
};

}  // namespace zrm::server
