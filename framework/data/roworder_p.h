#pragma once

// The order an index gives the rows of a dataset: ascending by its key fields, rows with equal keys
// in the order they arrived.

#include "framework/data/record_p.h"

#include <QList>

namespace zrm::data {

class RowOrder {
public:
    struct KeyField {
        int position;  // in the dataset's field list
        FieldType type;
    };

    RowOrder() = default;
    explicit RowOrder(QList<KeyField> keys) : m_keys(std::move(keys)) {}

    // Without key fields the rows keep the places they were given.
    bool isNone() const { return m_keys.isEmpty(); }
    bool less(const Record* a, const Record* b) const;
    // Puts records in this order; false (and records untouched) when they already were.
    bool sort(std::vector<Record*>& records) const;
    // Where the row at position belongs among the other rows, which are in this order: its position
    // once moved there.
    qsizetype placeOf(const RecordList& rows, qsizetype position) const;

private:
    QList<KeyField> m_keys;
};

}  // namespace zrm::data
