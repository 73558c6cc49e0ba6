#include "framework/data/roworder_p.h"

#include "framework/data/fieldvalue_p.h"

#include <algorithm>

namespace zrm::data {

bool RowOrder::less(const Record* a, const Record* b) const {
    for (const KeyField& key : m_keys) {
        const int order = compareValues(key.type, a->values.at(key.position), b->values.at(key.position));
        if (order != 0)
            return order < 0;
    }
    return a->arrival < b->arrival;
}

bool RowOrder::sort(std::vector<Record*>& records) const {
    const auto order = [this](const Record* a, const Record* b) { return less(a, b); };
    // Packets usually arrive in index order already; checking is cheaper than sorting.
    if (m_keys.isEmpty() || std::is_sorted(records.begin(), records.end(), order))
        return false;
    // Sorted by keys worked out once per row rather than at every comparison.
    const qsizetype width = m_keys.size();
    std::vector<SortKey> keys(records.size() * width);
    for (std::size_t r = 0; r < records.size(); ++r) {
        for (qsizetype k = 0; k < width; ++k)
            keys[r * width + k] = sortKey(m_keys.at(k).type, records[r]->values.at(m_keys.at(k).position));
    }
    std::vector<std::size_t> ranks(records.size());
    for (std::size_t r = 0; r < ranks.size(); ++r)
        ranks[r] = r;
    std::sort(ranks.begin(), ranks.end(), [&](std::size_t a, std::size_t b) {
        for (qsizetype k = 0; k < width; ++k) {
            const int byKey = compareKeys(m_keys.at(k).type, keys[a * width + k], keys[b * width + k]);
            if (byKey != 0)
                return byKey < 0;
        }
        return records[a]->arrival < records[b]->arrival;
    });
    std::vector<Record*> sorted;
    sorted.reserve(records.size());
    for (std::size_t rank : ranks)
        sorted.push_back(records[rank]);
    records.swap(sorted);
    return true;
}

qsizetype RowOrder::placeOf(const RecordList& rows, qsizetype position) const {
    return rows.lowerBound(
        rows.at(position), [this](const Record* a, const Record* b) { return less(a, b); }, position);
}

}  // namespace zrm::data
