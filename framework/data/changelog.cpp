#include "framework/data/changelog_p.h"

namespace zrm::data {
namespace {

void clearChange(Record* record) noexcept {
    record->logOrder = 0;
    record->change = Record::Change::None;
    record->original.clear();
}

}  // namespace

ChangeLog::Entry& ChangeLog::add(Record* record, Record::Change change) {
    // The only step that can fail: before any change.
    Entry& entry = m_entries.emplace(m_nextOrder, Entry{record, nullptr}).first->second;
    record->logOrder = m_nextOrder++;
    record->change = change;
    return entry;
}

void ChangeLog::forget(Record* record) noexcept {
    m_entries.erase(record->logOrder);
    clearChange(record);
}

void ChangeLog::inserted(Record* record) {
    add(record, Record::Change::Inserted);
}

void ChangeLog::updated(Record* record, const Row& before) {
    switch (record->change) {
        case Record::Change::Inserted:
            return;  // still an insert, now of the new values
        case Record::Change::None:
            if (record->values == before)
                return;
            add(record, Record::Change::Modified);
            record->original = before;
            return;
        case Record::Change::Modified:
            if (record->values == record->original)
                forget(record);
            return;
        case Record::Change::Deleted:
            Q_ASSERT_X(false, "ChangeLog::updated", "a deleted row cannot be posted");
            return;
    }
}

void ChangeLog::deleted(RecordList& rows, qsizetype position) {
    Record* record = rows.at(position);
    switch (record->change) {
        case Record::Change::Inserted:
            forget(record);
            rows.takeAt(position);  // nothing refers to it any more: destroyed here
            return;
        case Record::Change::None: {
            Entry& entry = add(record, Record::Change::Deleted);
            record->original = record->values;
            entry.deleted = rows.takeAt(position);
            ++m_deleted;
            return;
        }
        case Record::Change::Modified:
            record->change = Record::Change::Deleted;
            m_entries.at(record->logOrder).deleted = rows.takeAt(position);
            ++m_deleted;
            return;
        case Record::Change::Deleted:
            break;
    }
    Q_ASSERT_X(false, "ChangeLog::deleted", "a listed row has no pending delete");
}

Delta ChangeLog::delta(const QList<FieldDef>& fields) const {
    Delta delta;
    delta.fields = fields;
    delta.changes.reserve(qsizetype(m_entries.size()));
    for (const auto& [order, entry] : m_entries) {
        const Record* record = entry.record;
        switch (record->change) {
            case Record::Change::Inserted:
                delta.changes.append({Change::Op::Insert, {}, record->values});
                break;
            case Record::Change::Modified:
                delta.changes.append({Change::Op::Update, record->original, record->values});
                break;
            case Record::Change::Deleted:
                delta.changes.append({Change::Op::Delete, record->original, {}});
                break;
            case Record::Change::None:
                break;
        }
    }
    return delta;
}

std::vector<const Record*> ChangeLog::records() const {
    std::vector<const Record*> records;
    records.reserve(m_entries.size());
    for (const auto& [order, entry] : m_entries)
        records.push_back(entry.record);
    return records;
}

void ChangeLog::merge() noexcept {
    for (auto& [order, entry] : m_entries)
        clearChange(entry.record);
    m_entries.clear();  // destroys the deleted rows
    m_deleted = 0;
}

void ChangeLog::revert(RecordList& rows) {
    // The inserted rows, found in one pass and taken out from the last one up so that the positions
    // found stay true.
    if (qsizetype(m_entries.size()) > m_deleted) {
        std::vector<qsizetype> inserted;
        const std::vector<Record*> listed = rows.toVector();
        for (std::size_t position = 0; position < listed.size(); ++position) {
            if (listed[position]->change == Record::Change::Inserted)
                inserted.push_back(qsizetype(position));
        }
        for (auto position = inserted.rbegin(); position != inserted.rend(); ++position) {
            forget(rows.at(*position));
            rows.takeAt(*position);
        }
    }
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        Record* record = entry->second.record;
        if (record->change == Record::Change::Deleted) {
            rows.insert(rows.size(), std::move(entry->second.deleted));  // the only step that can fail
            --m_deleted;
        }
        record->values = record->original;
        clearChange(record);
        entry = m_entries.erase(entry);
    }
}

}  // namespace zrm::data
