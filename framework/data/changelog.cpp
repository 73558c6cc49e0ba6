#include "framework/data/changelog_p.h"

namespace zrm::data {

ChangeLog::~ChangeLog() {
    merge();
}

void ChangeLog::add(Record* record) {
    record->logOrder = m_nextOrder++;
    m_entries.emplace(record->logOrder, record);
}

void ChangeLog::remove(Record* record) {
    m_entries.erase(record->logOrder);
    record->logOrder = 0;
    record->change = Record::Change::None;
    record->original.clear();
}

void ChangeLog::inserted(Record* record) {
    record->change = Record::Change::Inserted;
    add(record);
}

void ChangeLog::updated(Record* record, const Row& before) {
    switch (record->change) {
        case Record::Change::Inserted:
            return;  // still an insert, now of the new values
        case Record::Change::None:
            if (record->values == before)
                return;
            record->original = before;
            record->change = Record::Change::Modified;
            add(record);
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
            record->original = record->values;
            record->change = Record::Change::Deleted;
            add(record);
            return false;
        case Record::Change::Modified:
            record->change = Record::Change::Deleted;
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

void ChangeLog::merge() {
    for (const auto& [order, record] : m_entries) {
        if (record->change == Record::Change::Deleted) {
            delete record;
        } else {
            record->logOrder = 0;
            record->change = Record::Change::None;
            record->original.clear();
        }
    }
    m_entries.clear();
}

std::vector<Record*> ChangeLog::takeAll() {
    std::vector<Record*> records;
    records.reserve(m_entries.size());
    for (const auto& [order, record] : m_entries) {
        record->logOrder = 0;
        records.push_back(record);
    }
    m_entries.clear();
    return records;
}

}  // namespace zrm::data
