#include "framework/data/record_p.h"

#include <algorithm>
#include <iterator>

namespace zrm::data {
namespace {

// Rows per block: a block is split when it grows past twice this size. Around the square root of
// the row counts we expect (10^4 to 10^5) keeps both the in-block shifts and the block index short.
constexpr qsizetype BlockSize = 256;

}  // namespace

RecordList::Blocks::Blocks(std::size_t rows) : blocks((rows + BlockSize - 1) / BlockSize) {
    for (std::size_t b = 0; b < blocks.size(); ++b)
        blocks[b].reserve(std::min(std::size_t(BlockSize), rows - b * std::size_t(BlockSize)));
    starts.reserve(blocks.size());
}

void RecordList::Blocks::append(std::unique_ptr<Record> record) noexcept {
    blocks[size++ / BlockSize].push_back(std::move(record));
}

RecordList::Location RecordList::locate(qsizetype position) const {
    Q_ASSERT(position >= 0 && position < m_size);
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    const qsizetype block = qsizetype(next - m_starts.begin()) - 1;
    return {block, position - m_starts[block]};
}

std::unique_ptr<Record>& RecordList::slot(qsizetype position) {
    const Location location = locate(position);
    return m_blocks[location.block][location.offset];
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

void RecordList::install(Blocks& blocks) noexcept {
    Q_ASSERT(blocks.starts.capacity() >= blocks.blocks.size());
    m_blocks.swap(blocks.blocks);
    m_starts.swap(blocks.starts);
    m_size = qsizetype(blocks.size);
    updateStarts(0);  // within the room reserved: allocates nothing
}

Record* RecordList::at(qsizetype position) const {
    const Location location = locate(position);
    return m_blocks[location.block][location.offset].get();
}

void RecordList::insert(qsizetype position, std::unique_ptr<Record>&& record) {
    Q_ASSERT(position >= 0 && position <= m_size);
    // Everything that can fail to allocate comes before the row is taken, so a failure leaves the
    // list as it was and the caller still in charge of the row.
    m_starts.reserve(m_blocks.size() + 1);
    if (m_blocks.empty()) {
        m_blocks.reserve(1);
        Block first;
        first.reserve(1);
        first.push_back(std::move(record));
        m_blocks.push_back(std::move(first));
        m_size = 1;
        updateStarts(0);
        return;
    }
    // A position just past a block's end goes into that block, so appending fills the last one.
    const Location location =
        position == m_size ? Location{qsizetype(m_blocks.size()) - 1, qsizetype(m_blocks.back().size())}
                           : locate(position);
    m_blocks.reserve(m_blocks.size() + 1);
    Block& block = m_blocks[location.block];
    const bool splits = qsizetype(block.size()) + 1 > 2 * BlockSize;
    Block upper;
    if (splits)
        upper.reserve(block.size() + 1 - BlockSize);
    block.reserve(block.size() + 1);
    // From here on nothing allocates.
    block.insert(block.begin() + location.offset, std::move(record));
    ++m_size;
    if (splits) {
        upper.insert(upper.end(), std::make_move_iterator(block.begin() + BlockSize),
                     std::make_move_iterator(block.end()));
        block.resize(BlockSize);
        m_blocks.insert(m_blocks.begin() + location.block + 1, std::move(upper));
    }
    updateStarts(location.block);
}

std::unique_ptr<Record> RecordList::takeAt(qsizetype position) noexcept {
    const Location location = locate(position);
    Block& block = m_blocks[location.block];
    std::unique_ptr<Record> record = std::move(block[location.offset]);
    block.erase(block.begin() + location.offset);
    --m_size;
    if (block.empty())
        m_blocks.erase(m_blocks.begin() + location.block);
    updateStarts(std::min(location.block, qsizetype(m_blocks.size())));  // shrinks: allocates nothing
    return record;
}

void RecordList::move(qsizetype from, qsizetype to) {
    Q_ASSERT(from >= 0 && from < m_size && to >= 0 && to < m_size);
    if (from == to)
        return;
    // An empty slot is made at the row's new place first, the only step that can fail; the row then
    // changes slots and its old one goes.
    const qsizetype target = to < from ? to : to + 1;
    const qsizetype source = to < from ? from + 1 : from;
    insert(target, std::unique_ptr<Record>());
    slot(target).swap(slot(source));
    takeAt(source);
}

void RecordList::assign(std::vector<std::unique_ptr<Record>>&& records) {
    Blocks blocks(records.size());
    for (std::unique_ptr<Record>& record : records)
        blocks.append(std::move(record));
    records.clear();
    install(blocks);
}

void RecordList::reorder(const std::vector<Record*>& rows) {
    Q_ASSERT(qsizetype(rows.size()) == m_size);
    Blocks blocks(rows.size());
    // The listed rows change owners: each comes back under its place in rows.
    for (Block& block : m_blocks) {
        for (std::unique_ptr<Record>& record : block)
            static_cast<void>(record.release());
    }
    for (Record* record : rows)
        blocks.append(std::unique_ptr<Record>(record));
    install(blocks);
}

void RecordList::clear() noexcept {
    m_blocks.clear();
    m_starts.clear();
    m_size = 0;
}

std::vector<Record*> RecordList::toVector() const {
    std::vector<Record*> records;
    records.reserve(m_size);
    for (const Block& block : m_blocks) {
        for (const std::unique_ptr<Record>& record : block)
            records.push_back(record.get());
    }
    return records;
}

}  // namespace zrm::data
