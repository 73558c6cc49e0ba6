#include "framework/data/record_p.h"

#include <algorithm>

namespace zrm::data {
namespace {

// Rows per block: a block is split when it grows past twice this size. Around the square root of
// the row counts we expect (10^4 to 10^5) keeps both the in-block shifts and the block index short.
constexpr qsizetype BlockSize = 256;

}  // namespace

Record* RecordStore::create() {
    return adopt(std::make_unique<Record>());
}

Record* RecordStore::adopt(std::unique_ptr<Record> record) {
    Record* row = record.get();
    m_records.emplace(row, std::move(record));
    return row;
}

void RecordStore::destroy(const Record* record) {
    Q_ASSERT_X(owns(record), "RecordStore::destroy", "a row of another dataset, or destroyed twice");
    m_records.erase(record);
}

RecordList::Location RecordList::locate(qsizetype position) const {
    Q_ASSERT(position >= 0 && position < m_size);
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    const qsizetype block = qsizetype(next - m_starts.begin()) - 1;
    return {block, position - m_starts[block]};
}

void RecordList::updateStarts(qsizetype fromBlock) {
    m_starts.resize(m_blocks.size());
    qsizetype start =
        fromBlock == 0 ? 0 : m_starts[fromBlock - 1] + qsizetype(m_blocks[fromBlock - 1].size());
    for (qsizetype i = fromBlock; i < qsizetype(m_blocks.size()); ++i) {
        m_starts[i] = start;
        start += qsizetype(m_blocks[i].size());
    }
}

Record* RecordList::at(qsizetype position) const {
    const Location location = locate(position);
    return m_blocks[location.block][location.offset];
}

void RecordList::insert(qsizetype position, Record* record) {
    Q_ASSERT(position >= 0 && position <= m_size);
    // Everything that can fail to allocate comes before the row is in, so a failure leaves the list
    // as it was and the caller still in charge of the row.
    m_starts.reserve(m_blocks.size() + 1);
    if (m_blocks.empty()) {
        m_blocks.push_back({record});
        m_size = 1;
        updateStarts(0);
        return;
    }
    // A position just past a block's end goes into that block, so appending fills the last one.
    const Location location =
        position == m_size ? Location{qsizetype(m_blocks.size()) - 1, qsizetype(m_blocks.back().size())}
                           : locate(position);
    m_blocks.reserve(m_blocks.size() + 1);
    std::vector<Record*>& block = m_blocks[location.block];
    const bool splits = qsizetype(block.size()) + 1 > 2 * BlockSize;
    std::vector<Record*> upper;
    if (splits)
        upper.reserve(block.size() + 1 - BlockSize);
    block.reserve(block.size() + 1);
    // From here on nothing allocates.
    block.insert(block.begin() + location.offset, record);
    ++m_size;
    if (splits) {
        upper.assign(block.begin() + BlockSize, block.end());
        block.resize(BlockSize);
        m_blocks.insert(m_blocks.begin() + location.block + 1, std::move(upper));
    }
    updateStarts(location.block);
}

Record* RecordList::takeAt(qsizetype position) {
    const Location location = locate(position);
    std::vector<Record*>& block = m_blocks[location.block];
    Record* record = block[location.offset];
    block.erase(block.begin() + location.offset);
    --m_size;
    if (block.empty())
        m_blocks.erase(m_blocks.begin() + location.block);
    updateStarts(std::min(location.block, qsizetype(m_blocks.size())));
    return record;
}

void RecordList::assign(const std::vector<Record*>& records) {
    m_blocks.clear();
    for (std::size_t first = 0; first < records.size(); first += BlockSize) {
        const std::size_t last = std::min(records.size(), first + std::size_t(BlockSize));
        m_blocks.emplace_back(records.begin() + qsizetype(first), records.begin() + qsizetype(last));
    }
    m_size = qsizetype(records.size());
    updateStarts(0);
}

std::vector<Record*> RecordList::toVector() const {
    std::vector<Record*> records;
    records.reserve(m_size);
    for (const std::vector<Record*>& block : m_blocks)
        records.insert(records.end(), block.begin(), block.end());
    return records;
}

}  // namespace zrm::data
