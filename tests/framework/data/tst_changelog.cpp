#include "datasetfixture.h"

#include <QMap>

#include <random>

namespace {

using Op = zrm::Change::Op;

zrm::DataPacket twoPhases() {
    return phasePacket(
        {phaseRow(1, "0000000001", day(2026, 1, 1), 1.0), phaseRow(2, "0000000002", day(2026, 2, 1))});
}

void setCode(PhaseDataSet& data, const char* code) {
    data.Edit();
    data.FieldByName(s("CD"))->SetAsString(s(code));
    data.Post();
}

// The delta as text, one change a line, so a failure shows what differs.
QStringList describe(const zrm::Delta& delta) {
    QStringList lines;
    for (const zrm::Change& change : delta.changes) {
        const char* op = change.op == Op::Insert ? "insert" : change.op == Op::Update ? "update" : "delete";
        QStringList oldValues, newValues;
        for (const QVariant& value : change.oldRow)
            oldValues.append(value.toString());
        for (const QVariant& value : change.newRow)
            newValues.append(value.toString());
        lines.append(s(op) + QLatin1Char(' ') + oldValues.join(QLatin1Char('|')) + s(" -> ") +
                     newValues.join(QLatin1Char('|')));
    }
    lines.sort();
    return lines;
}

// The reference: a plain diff of the rows before and after, matched by their ID column.
zrm::Delta diff(const zrm::DataPacket& before, const zrm::DataPacket& after) {
    QMap<qint64, zrm::Row> old, now;
    for (const zrm::Row& row : before.rows)
        old.insert(row.at(0).toLongLong(), row);
    for (const zrm::Row& row : after.rows)
        now.insert(row.at(0).toLongLong(), row);
    zrm::Delta delta;
    delta.fields = after.fields;
    for (auto it = old.cbegin(); it != old.cend(); ++it) {
        if (!now.contains(it.key()))
            delta.changes.append({Op::Delete, it.value(), {}});
        else if (now.value(it.key()) != it.value())
            delta.changes.append({Op::Update, it.value(), now.value(it.key())});
    }
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!old.contains(it.key()))
            delta.changes.append({Op::Insert, {}, it.value()});
    }
    return delta;
}

}  // namespace

TEST(ChangeLog, updateThenUpdateBack_leavesNothingPending) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    setCode(data, "0000000009");
    EXPECT_EQ(data.GetChangeCount(), 1);
    setCode(data, "0000000001");
    EXPECT_EQ(data.GetChangeCount(), 0);
    data.Edit();
    data.Post();  // posting unchanged values is no change either
    EXPECT_EQ(data.GetChangeCount(), 0);
    EXPECT_TRUE(data.GetDelta().changes.isEmpty());
}

TEST(ChangeLog, insertThenUpdate_foldsIntoOneInsertOfTheNewValues) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    data.Append();
    data.FieldByName(s("ID"))->SetAsInteger(3);
    data.Post();
    setCode(data, "0000000003");
    const zrm::Delta delta = data.GetDelta();
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(delta.changes[0].op, Op::Insert);
    EXPECT_EQ(delta.changes[0].newRow.at(1), QVariant(s("0000000003")));
    EXPECT_EQ(delta.fields, data.FieldDefs());
}

TEST(ChangeLog, updateThenDelete_foldsIntoADeleteOfTheOriginal) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    setCode(data, "0000000009");
    data.Delete();
    const zrm::Delta delta = data.GetDelta();
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(delta.changes[0].op, Op::Delete);
    EXPECT_EQ(delta.changes[0].oldRow, twoPhases().rows[0]);
    EXPECT_TRUE(delta.changes[0].newRow.isEmpty());
}

TEST(ChangeLog, insertThenDelete_leavesNothing) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    data.Insert();
    data.Post();
    data.Delete();
    EXPECT_EQ(data.GetChangeCount(), 0);
    EXPECT_EQ(data.RecordCount(), 2);
}

TEST(ChangeLog, update_carriesOldAndNewRowsWithEveryField) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    data.Next();
    data.Edit();
    data.FieldByName(s("VL"))->SetAsFloat(2);
    data.Post();
    const zrm::Delta delta = data.GetDelta();
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(delta.changes[0].op, Op::Update);
    EXPECT_EQ(delta.changes[0].oldRow, twoPhases().rows[1]);
    zrm::Row expected = twoPhases().rows[1];
    expected[3] = 2.0;
    EXPECT_EQ(delta.changes[0].newRow, expected);
}

TEST(ChangeLog, mergeChangeLog_makesTheCurrentRowsTheOriginals) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    setCode(data, "0000000009");
    data.MergeChangeLog();
    EXPECT_EQ(data.GetChangeCount(), 0);
    setCode(data, "0000000001");
    const zrm::Delta delta = data.GetDelta();
    ASSERT_EQ(delta.changes.size(), 1);
    EXPECT_EQ(delta.changes[0].oldRow.at(1), QVariant(s("0000000009")));
}

TEST(ChangeLog, cancelUpdates_restoresTheRowsOfTheLastMerge) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    const zrm::DataPacket loaded = data.GetData();
    setCode(data, "0000000009");
    data.Last();
    data.Delete();
    data.Append();
    data.FieldByName(s("ID"))->SetAsInteger(3);
    data.Post();
    data.CancelUpdates();
    EXPECT_EQ(data.GetChangeCount(), 0);
    EXPECT_EQ(data.GetData().rows, loaded.rows);
}

// Random edits of an indexed dataset: after every step the rows stay in index order (equal keys by
// id, the order they arrived in), and the delta is what a plain diff of the rows at the last merge
// and now gives. Small datasets meet every fold of changes often; large ones move rows across the
// blocks their list keeps.
TEST(ChangeLog, randomEdits_deltaEqualsPlainDiffAndOrderHolds) {
    std::mt19937 random(71300);
    struct Size {
        int rows;
        int rounds;
    };
    for (const Size size : {Size{8, 30}, Size{1200, 3}}) {
        for (int round = 0; round < size.rounds; ++round) {
            SCOPED_TRACE(std::to_string(size.rows) + " rows, round " + std::to_string(round));
            PhaseDataSet data;
            QList<zrm::Row> rows;
            for (int id = 1; id <= size.rows; ++id)
                rows.append(phaseRow(id, "c", day(2026, 1, 1 + int(random() % 4)), double(random() % 3)));
            data.SetData(phasePacket(rows));
            zrm::DataPacket merged = data.GetData();
            qint64 nextId = 100 + size.rows;  // past the loaded ids
            for (int step = 0; step < 60; ++step) {
                const int choice = int(random() % 10);
                if (!data.IsEmpty() && choice < 2)
                    data.SetRecNo(1 + int(random() % data.RecordCount()));
                if (choice == 2 || data.IsEmpty()) {
                    random() % 2 ? data.Insert() : data.Append();
                    data.FieldByName(s("ID"))->SetAsInteger(int(nextId++));
                    if (random() % 3)
                        data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 1, 1 + int(random() % 4)));
                    data.Post();
                } else if (choice == 3) {
                    data.Delete();
                } else if (choice < 8) {
                    data.Edit();
                    TField* field = data.Field(1 + int(random() % 3));
                    if (field->FieldName() == s("CD"))
                        field->SetAsString(random() % 2 ? s("c") : s("d"));
                    else if (field->FieldName() == s("DT"))
                        field->SetAsDateTime(day(2026, 1, 1 + int(random() % 4)));
                    else
                        field->SetAsFloat(double(random() % 3));
                    random() % 5 ? data.Post() : data.Cancel();
                } else if (choice == 8 && random() % 4 == 0) {
                    data.MergeChangeLog();
                    merged = data.GetData();
                } else if (choice == 9 && random() % 6 == 0) {
                    data.CancelUpdates();
                    ASSERT_EQ(data.GetData().rows, merged.rows)
                        << "back to the rows of the last merge, in order";
                }
                ASSERT_EQ(describe(data.GetDelta()), describe(diff(merged, data.GetData())));
                EXPECT_EQ(data.GetChangeCount(), data.GetDelta().changes.size());
                const zrm::DataPacket now = data.GetData();
                for (int i = 1; i < now.rows.size(); ++i) {
                    const QDateTime a =
                        now.rows[i - 1][2].isValid() ? now.rows[i - 1][2].toDateTime() : TField::ZeroDate();
                    const QDateTime b =
                        now.rows[i][2].isValid() ? now.rows[i][2].toDateTime() : TField::ZeroDate();
                    ASSERT_TRUE(a < b ||
                                (a == b && now.rows[i - 1][0].toLongLong() < now.rows[i][0].toLongLong()))
                        << "rows " << i << " and " << i + 1 << " out of order";
                }
            }
        }
    }
}
