#pragma once

// The change log of a client dataset: at most one pending change per row since the last load or
// merge, kept in the order rows first changed, so a delta costs in proportion to the changes. A row
// inserted or changed stays in the dataset's list, which owns it; a deleted row leaves the list for
// the log, which owns it until the change is merged (and the row destroyed) or undone (and the row
// handed back to the list). Each operation either completes or, failing to allocate, leaves the log
// and the rows as they were (revert undoes change by change).

#include "framework/data/record_p.h"

#include <map>

namespace zrm::data {

class ChangeLog {
public:
    ChangeLog() = default;
    ChangeLog(const ChangeLog&) = delete;
    ChangeLog& operator=(const ChangeLog&) = delete;

    // A new row was posted; it is listed.
    void inserted(Record* record);
    // A listed row was posted with new values; before holds its values until then. An update that
    // brings a row back to its original values leaves nothing pending.
    void updated(Record* record, const Row& before);
    // The row at position is deleted: it leaves rows for the log, as a pending delete, or, when it
    // was inserted since the last merge, is destroyed with its change.
    void deleted(RecordList& rows, qsizetype position);

    int count() const { return int(m_entries.size()); }
    int deletedCount() const { return m_deleted; }
    Delta delta(const QList<FieldDef>& fields) const;
    // The pending rows in the order they first changed, each with its change and original values.
    std::vector<const Record*> records() const;

    // Accepts every pending change: the changed rows lose their originals, the deleted ones are
    // destroyed. Also how the log is emptied when the rows go.
    void merge() noexcept;
    // Undoes every pending change on rows: the inserted rows leave them and are destroyed, the changed
    // ones take back their original values, and the deleted ones come back after the last row, in
    // the order they first changed. When it fails to allocate, each change is either undone or still
    // pending.
    void revert(RecordList& rows);

private:
    struct Entry {
        Record* record;
        std::unique_ptr<Record> deleted;  // owns the row once it left the list
    };
    Entry& add(Record* record, Record::Change change);
    // Forgets record's change; the row (listed) keeps its current values.
    void forget(Record* record) noexcept;

    std::map<quint64, Entry> m_entries;
    int m_deleted = 0;
    quint64 m_nextOrder = 1;
};

}  // namespace zrm::data
