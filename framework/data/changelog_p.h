#pragma once

// The change log of a client dataset: at most one pending change per row since the last load or
// merge, kept in the order rows first changed, so a delta costs in proportion to the changes. It
// points at rows the dataset's RecordStore owns; it destroys none. Each operation either completes or,
// failing to allocate, leaves the log and the row as they were.

#include "framework/data/record_p.h"

#include <map>

namespace zrm::data {

class ChangeLog {
public:
    ChangeLog() = default;
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;

    // A new row was posted.
    void inserted(Record* record);
    // A listed row was posted with new values; before holds its values until then. An update that
    // brings a row back to its original values leaves nothing pending.
    void updated(Record* record, const Row& before);
    // A row is leaving the list. Returns true when nothing refers to it any more (a row inserted
    // since the last merge), so the caller destroys it; otherwise the log keeps it as a pending
    // delete.
    [[nodiscard]] bool deleted(Record* record);

    int count() const { return int(m_entries.size()); }
    int deletedCount() const { return m_deleted; }
    Delta delta(const QList<FieldDef>& fields) const;
    // The pending rows in the order they first changed, each with its change and original values.
    std::vector<Record*> records() const;

    // Accepts every pending change: the others lose their originals; returns the deleted rows, which
    // nothing needs any more, for the caller to destroy.
    [[nodiscard]] std::vector<Record*> merge();
    // Forgets every pending change without touching the rows (they are being restored or destroyed).
    void clear() noexcept;

private:
    void add(Record* record, Record::Change change);
    void remove(Record* record);

    std::map<quint64, Record*> m_entries;
    int m_deleted = 0;
    quint64 m_nextOrder = 1;
};

}  // namespace zrm::data
