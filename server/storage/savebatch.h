#pragma once

// Saves that arrive while another save is being committed are committed together, in one
// transaction, each inside a savepoint of its own. A commit waits for the database to put its log
// on disk, and saves of one calendar queue behind each other's locks until then; committing the
// saves that queued meanwhile at once makes that wait once per group instead of once per save.
// Each save still has its own outcome: one refused by the rules is rolled back to its savepoint
// and the others go on; every save of the group that is acknowledged is on disk.

#include "server/storage/database.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace zrm::server {

class SaveBatch {
public:
    // Checks and writes one save on connection, inside the group's transaction; throws to refuse
    // it. Its writes may be deferred (sql::Connection::deferWritesToCommit): the group sends them
    // before the next save begins, so a failure of theirs is still the save's own.
    using Save = std::function<void(sql::Connection& connection)>;
    // Runs once per group that stored anything, after the saves and before the commit.
    using BeforeCommit = std::function<void(sql::Connection& connection)>;

    SaveBatch(std::shared_ptr<Database> database, BeforeCommit beforeCommit);

    // Runs save in the next group and returns once that group is committed. Throws what save threw
    // (nothing of it is stored), or what the commit threw (StoreError: CommitOutcomeUnknown when it
    // may or may not be stored), or StorageUnavailable when the database was lost meanwhile.
    // Thread-safe; blocks.
    void run(Save save);

    // How many saves wait for the next group. Thread-safe.
    std::size_t waiting();

private:
    struct Waiting {
        Save save;
        std::exception_ptr failure;
        bool leads = false;  // this caller runs the next group
        bool done = false;
    };
    void commitGroup(std::deque<Waiting*>& group);
    static void runAlone(sql::Connection& connection, Waiting& waiting);
    static void runInSavepoint(sql::Connection& connection, Waiting& waiting);

    std::shared_ptr<Database> m_database;
    BeforeCommit m_beforeCommit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Waiting*> m_queue;  // the next group
    bool m_leading = false;        // a group is being committed
};

}  // namespace zrm::server
