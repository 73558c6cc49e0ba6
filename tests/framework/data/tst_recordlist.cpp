// The list that owns a dataset's rows in order, checked against a plain vector through random
// sequences of inserts, removals, moves and reorders long enough to split blocks, empty them and
// move rows across them.

#include "framework/data/record_p.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using zrm::data::Record;
using zrm::data::RecordList;

std::unique_ptr<Record> row(quint64 id) {
    auto record = std::make_unique<Record>();
    record->arrival = id;
    return record;
}

std::vector<quint64> idsOf(const RecordList& list) {
    std::vector<quint64> ids;
    for (const Record* record : list.toVector())
        ids.push_back(record->arrival);
    return ids;
}

TEST(RecordList, randomChanges_keepTheOrderOfAPlainVector) {
    std::mt19937 random(71300);
    // Starting sizes around a block, a few blocks, and empty.
    for (const int start : {0, 300, 1500}) {
        SCOPED_TRACE(start);
        RecordList list;
        std::vector<quint64> reference;
        quint64 nextId = 1;
        std::vector<std::unique_ptr<Record>> loaded;
        for (int i = 0; i < start; ++i) {
            reference.push_back(nextId);
            loaded.push_back(row(nextId++));
        }
        list.assign(std::move(loaded));
        EXPECT_TRUE(loaded.empty());
        for (int step = 0; step < 3000; ++step) {
            const auto size = qsizetype(reference.size());
            const int choice = int(random() % 10);
            if (choice < 4 || size == 0) {
                // Inserts lean towards the ends, where screens append and the index sends late dates.
                const qsizetype at = random() % 3 == 0 ? size : qsizetype(random() % (size + 1));
                std::unique_ptr<Record> record = row(nextId);
                list.insert(at, std::move(record));
                EXPECT_EQ(record, nullptr) << "the list took the row";
                reference.insert(reference.begin() + at, nextId++);
            } else if (choice < 7) {
                const auto at = qsizetype(random() % size);
                const std::unique_ptr<Record> taken = list.takeAt(at);
                ASSERT_EQ(taken->arrival, reference[std::size_t(at)]);
                reference.erase(reference.begin() + at);
            } else if (choice < 9) {
                const auto from = qsizetype(random() % size);
                const auto to = qsizetype(random() % size);
                list.move(from, to);
                const quint64 moved = reference[std::size_t(from)];
                reference.erase(reference.begin() + from);
                reference.insert(reference.begin() + to, moved);
            } else if (random() % 20 == 0) {
                std::vector<Record*> order = list.toVector();
                std::shuffle(order.begin(), order.end(), random);
                list.reorder(order);
                reference.clear();
                for (const Record* record : order)
                    reference.push_back(record->arrival);
            }
            ASSERT_EQ(list.size(), qsizetype(reference.size())) << "step " << step;
            if (step % 50 == 0 || list.size() < 600) {
                ASSERT_EQ(idsOf(list), reference) << "step " << step;
            }
            if (!reference.empty()) {
                const auto probe = qsizetype(random() % qsizetype(reference.size()));
                ASSERT_EQ(list.at(probe)->arrival, reference[std::size_t(probe)]) << "step " << step;
            }
        }
        EXPECT_EQ(idsOf(list), reference);
    }
}

TEST(RecordList, lowerBound_findsThePlaceAsIfTheSkippedRowWereNotListed) {
    // Rows with ids 0, 10, 20, … in order, across several blocks.
    RecordList list;
    std::vector<std::unique_ptr<Record>> loaded;
    for (quint64 i = 0; i < 1000; ++i)
        loaded.push_back(row(i * 10));
    list.assign(std::move(loaded));
    const auto less = [](const Record* a, const Record* b) { return a->arrival < b->arrival; };
    struct Case {
        quint64 probe;
        qsizetype skipping;
        qsizetype place;
    };
    const Case cases[] = {
        {0, -1, 0},       {5, -1, 1},       {9990, -1, 999},  {9995, -1, 1000}, {5, 0, 0},   {5, 1, 1},
        {2565, 100, 256}, {2565, 300, 257}, {9995, 999, 999}, {9995, 0, 999},   {0, 500, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.probe) + " skipping " + std::to_string(c.skipping));
        const std::unique_ptr<Record> probe = row(c.probe);
        EXPECT_EQ(list.lowerBound(probe.get(), less, c.skipping), c.place);
    }
}

}  // namespace
