#include "framework/data/changelog_p.h"

namespace zrm::data {

void ChangeLog::add(Record* record, Record::Change change) {
    m_entries.emplace(m_nextOrder, record);  // the only step that can fail: before any change
    record->logOrder = m_nextOrder++;
    record->change = change;
}

void ChangeLog::remove(Record* record) {
    m_entries.erase(record->logOrder);
    record->logOrder = 0;
    record->change = Record::Change::None;
    record->original.clear();
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
                remove(record);
            return;
        case Record::Change::Deleted:
            Q_ASSERT_X(false, "ChangeLog::updated", "a deleted row cannot be posted");
            return;
    }
}

bool ChangeLog::deleted(Record* record) {
    switch (record->change) {
        case Record::Change::Inserted:
            remove(record);
            return true;
        case Record::Change::None:
            add(record, Record::Change::Deleted);
            record->original = record->values;
            ++m_deleted;
            return false;
        case Record::Change::Modified:
            record->change = Record::Change::Deleted;
            ++m_deleted;
            return false;
        case Record::Change::Deleted:
            break;
    }
    Q_ASSERT_X(false, "ChangeLog::deleted", "a row is deleted only once");
    return false;
}

Delta ChangeLog::delta(const QList<FieldDef>& fields) const {
    Delta delta;
    delta.fields = fields;
    delta.changes.reserve(qsizetype(m_entries.size()));
    for (const auto& [order, record] : m_entries) {
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

std::vector<Record*> ChangeLog::records() const {
    std::vector<Record*> records;
    records.reserve(m_entries.size());
    for (const auto& [order, record] : m_entries)
        records.push_back(record);
    return records;
}

std::vector<Record*> ChangeLog::merge() {
    std::vector<Record*> gone;
    gone.reserve(std::size_t(m_deleted));
    for (const auto& [order, record] : m_entries) {
        if (record->change == Record::Change::Deleted) {
            gone.push_back(record);
        } else {
            record->logOrder = 0;
            record->change = Record::Change::None;
            record->original.clear();
        }
    }
    clear();
    return gone;
}

void ChangeLog::clear() noexcept {
    m_entries.clear();
    m_deleted = 0;
}

}  // namespace zrm::data
