#include "server/storage/savebatch.h"

#include "server/storage/storeerror.h"

namespace zrm::server {

SaveBatch::SaveBatch(std::shared_ptr<Database> database, BeforeCommit beforeCommit)
    : m_database(std::move(database)), m_beforeCommit(std::move(beforeCommit)) {}

void SaveBatch::run(Save save) {
    Waiting waiting;
    waiting.save = std::move(save);
    std::unique_lock lock(m_mutex);
    m_queue.push_back(&waiting);
    if (m_leading) {
        m_changed.wait(lock, [&] { return waiting.done || waiting.leads; });
    } else {
        m_leading = true;
        waiting.leads = true;
    }
    if (!waiting.done) {
        // Everyone who queued while the last group was being committed goes in this one.
        std::deque<Waiting*> group;
        group.swap(m_queue);
        lock.unlock();
        commitGroup(group);
        lock.lock();
        for (Waiting* member : group)
            member->done = true;
        // Whoever queued meanwhile leads the next group; the lead is handed on, never kept, so no
        // caller commits other people's saves after its own.
        if (m_queue.empty())
            m_leading = false;
        else
            m_queue.front()->leads = true;
        m_changed.notify_all();
    }
    lock.unlock();
    if (waiting.failure)
        std::rethrow_exception(waiting.failure);
}

std::size_t SaveBatch::waiting() {
    const std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void SaveBatch::commitGroup(std::deque<Waiting*>& group) {
    const auto failAll = [&](const std::exception_ptr& failure) {
        for (Waiting* member : group) {
            if (!member->failure)
                member->failure = failure;
        }
    };
    try {
        // Writers of this process queue here rather than sleep-poll for SQLite's lock.
        const std::unique_lock turn = m_database->writeTurn();
        ConnectionLease connection = m_database->acquire();
        sql::Transaction transaction(*connection);
        bool stored = false;
        for (Waiting* member : group) {
            if (group.size() == 1)
                runAlone(*connection, *member);
            else
                runInSavepoint(*connection, *member);
            stored = stored || !member->failure;
        }
        if (!stored)
            return;
        m_beforeCommit(*connection);
        transaction.commit();
    } catch (...) {
        failAll(std::current_exception());
    }
}

void SaveBatch::runAlone(sql::Connection& connection, Waiting& waiting) {
    try {
        waiting.save(connection);
    } catch (...) {
        waiting.failure = std::current_exception();
    }
}

void SaveBatch::runInSavepoint(sql::Connection& connection, Waiting& waiting) {
    // Travels with the save's first statement; the release sends the save's deferred writes.
    connection.executeLater("SAVEPOINT zrm_save");
    try {
        waiting.save(connection);
        connection.executeScript("RELEASE SAVEPOINT zrm_save");
    } catch (...) {
        waiting.failure = std::current_exception();
        // A lost connection fails the whole group: the failure goes on to the transaction.
        if (connection.isBroken())
            throw;
        connection.executeScript("ROLLBACK TO SAVEPOINT zrm_save");
        connection.executeLater("RELEASE SAVEPOINT zrm_save");
    }
}

}  // namespace zrm::server
