#pragma once

// The rows of a client dataset and the structure that owns the listed ones in order. A row is owned
// by exactly one place at a time: the list while it is listed, the change log while it is a pending
// delete. It goes from one to the other as a std::unique_ptr, so no path can free it twice or forget it.

#include "framework/packet/packet.h"

#include <QtGlobal>

#include <memory>
#include <vector>

namespace zrm::data {

// One row.
struct Record {
    enum class Change { None, Inserted, Modified, Deleted };

    Row values;
    Row original;         // the values at the last load or merge, while a change is pending
    quint64 arrival = 0;  // orders rows whose index keys are equal
    Change change = Change::None;
    quint64 logOrder = 0;  // position in the change log; 0 without a pending change
};

// The listed rows in their order, owned here: a list of blocks, so that inserting, removing, moving
// and finding a row by position cost O(sqrt n) at most, with n the number of rows, instead of O(n).
// Every change either completes or, failing to allocate, leaves the list as it was.
class RecordList {
public:
    RecordList() = default;
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    Record* at(qsizetype position) const;
    // Lists record at position (0 … size()). When it fails to allocate, record is left with the caller.
    void insert(qsizetype position, std::unique_ptr<Record>&& record);
    // Unlists the row at position and hands it to the caller.
    std::unique_ptr<Record> takeAt(qsizetype position) noexcept;
    // Moves the row at from so that it ends up at to (both positions of the list as it is before and
    // after the move, which keeps its size).
    void move(qsizetype from, qsizetype to);
    // Replaces the listed rows (destroying them) with records, in that order; records is emptied.
    // When it fails to allocate, records is left with the caller.
    void assign(std::vector<std::unique_ptr<Record>>&& records);
    // Puts the listed rows in the order of rows, which holds each of them once.
    void reorder(const std::vector<Record*>& rows);
    void clear() noexcept;
    std::vector<Record*> toVector() const;

    // The first position, counting as if the row at skipping (-1: none) were not listed, whose row is
    // not less than probe; less(a, b) must agree with the order of the rows counted.
    template <typename Less>
    qsizetype lowerBound(const Record* probe, Less less, qsizetype skipping = -1) const;

private:
    using Block = std::vector<std::unique_ptr<Record>>;
    struct Location {
        qsizetype block;
        qsizetype offset;
    };
    // Blocks with room for a number of rows, made before any row changes place, so that filling
    // them cannot fail.
    struct Blocks {
        explicit Blocks(std::size_t rows);
        void append(std::unique_ptr<Record> record) noexcept;
        std::vector<Block> blocks;
        std::vector<qsizetype> starts;
        std::size_t size = 0;
    };
    Location locate(qsizetype position) const;
    std::unique_ptr<Record>& slot(qsizetype position);
    void updateStarts(qsizetype fromBlock);
    // Lists blocks' rows instead of the current ones, which blocks then holds.
    void install(Blocks& blocks) noexcept;

    std::vector<Block> m_blocks;
    std::vector<qsizetype> m_starts;  // position of the first row of each block
    qsizetype m_size = 0;
};

template <typename Less>
qsizetype RecordList::lowerBound(const Record* probe, Less less, qsizetype skipping) const {
    qsizetype low = 0;
    qsizetype high = skipping >= 0 ? m_size - 1 : m_size;
    while (low < high) {
        const qsizetype middle = (low + high) / 2;
        const qsizetype position = skipping >= 0 && middle >= skipping ? middle + 1 : middle;
        if (less(at(position), probe))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

}  // namespace zrm::data
