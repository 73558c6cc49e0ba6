#pragma once

// The rows of a client dataset: the store that owns them and the structure that keeps the listed ones
// in order.

#include "framework/packet/packet.h"

#include <QtGlobal>

#include <memory>
#include <unordered_map>
#include <vector>

namespace zrm::data {

// One row. The dataset's RecordStore owns it from its creation until it is destroyed; the listed
// rows (RecordList) and the change log only point at it.
struct Record {
    enum class Change { None, Inserted, Modified, Deleted };

    Row values;
    Row original;         // the values at the last load or merge, while a change is pending
    quint64 arrival = 0;  // orders rows whose index keys are equal
    Change change = Change::None;
    quint64 logOrder = 0;  // position in the change log; 0 without a pending change
};

// The one owner of a dataset's rows: the listed ones and the deleted ones the change log still needs.
class RecordStore {
public:
    // A new empty row, owned here.
    Record* create();
    // Takes ownership of a row built elsewhere (a packet being loaded).
    Record* adopt(std::unique_ptr<Record> record);
    // Destroys a row owned here; nothing else may point at it any more.
    void destroy(const Record* record);
    void clear() { m_records.clear(); }
    qsizetype size() const { return qsizetype(m_records.size()); }
    bool owns(const Record* record) const { return m_records.contains(record); }
    // Room for count more rows, so that adopting them cannot fail half-way.
    void reserve(qsizetype count) { m_records.reserve(m_records.size() + std::size_t(count)); }

private:
    std::unordered_map<const Record*, std::unique_ptr<Record>> m_records;
};

// The listed rows in their order: a list of blocks, so that inserting, removing and finding a row
// by position cost O(sqrt n) at most, with n the number of rows, instead of O(n).
class RecordList {
public:
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    Record* at(qsizetype position) const;
    void insert(qsizetype position, Record* record);
    Record* takeAt(qsizetype position);
    void assign(const std::vector<Record*>& records);
    std::vector<Record*> toVector() const;

    // First position whose row is not less than probe (the probe itself must not be listed);
    // less(a, b) must agree with the list's order.
    template <typename Less>
    qsizetype lowerBound(const Record* probe, Less less) const;

private:
    struct Location {
        qsizetype block;
        qsizetype offset;
    };
    Location locate(qsizetype position) const;
    void updateStarts(qsizetype fromBlock);

    std::vector<std::vector<Record*>> m_blocks;
    std::vector<qsizetype> m_starts;  // position of the first row of each block
    qsizetype m_size = 0;
};

template <typename Less>
qsizetype RecordList::lowerBound(const Record* probe, Less less) const {
    // The first block whose last row is not less than the probe holds the answer.
    qsizetype low = 0;
    auto high = qsizetype(m_blocks.size());
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        if (less(m_blocks[middle].back(), probe))
            low = middle + 1;
        else
            high = middle;
    }
    if (low == qsizetype(m_blocks.size()))
        return m_size;
    const std::vector<Record*>& block = m_blocks[low];
    qsizetype first = 0;
    auto last = qsizetype(block.size());
    while (first < last) {
        const qsizetype middle = (first + last) / 2;
        if (less(block[middle], probe))
            first = middle + 1;
        else
            last = middle;
    }
    return m_starts[low] + first;
}

}  // namespace zrm::data
