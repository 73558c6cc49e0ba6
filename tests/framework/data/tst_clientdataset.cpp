#include "datasetfixture.h"

#include <functional>

namespace {

// Three phases loaded out of order; ids give the order in which the rows arrived.
zrm::DataPacket threePhases() {
    return phasePacket({phaseRow(1, "0000000003", day(2026, 5, 1)),
                        phaseRow(2, "0000000001", day(2026, 1, 1)),
                        phaseRow(3, "0000000002", day(2026, 3, 1))});
}

struct Snapshot {
    TDataSetState state;
    int recNo;
    int changes;
    QList<qint64> ids;
    QVariantList values;

    explicit Snapshot(const PhaseDataSet& data)
        : state(data.State()), recNo(data.RecNo()), changes(data.GetChangeCount()), ids(data.ids()) {
        for (int i = 0; i < data.FieldCount(); ++i)
            values.append(data.Field(i)->Value());
    }
    bool operator==(const Snapshot&) const = default;
};

}  // namespace

TEST(ClientDataSet, setData_withNoRows_leavesItOpenAndEmpty) {
    PhaseDataSet data;
    EventRecorder recorder(&data);
    data.SetData(phasePacket({}));
    EXPECT_TRUE(data.Active());
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_TRUE(data.Eof());
    EXPECT_TRUE(data.Bof());
    EXPECT_EQ(data.RecNo(), -1);
    EXPECT_EQ(recorder.log, (QStringList{s("BeforeOpen"), s("AfterOpen")}));
    EXPECT_EQ(recorder.notified("UpdateState"), 1);
}

TEST(ClientDataSet, setData_onOpenDataSet_reopensSortedAndScrollsToTheFirstRow) {
    PhaseDataSet data;
    data.SetData(phasePacket({phaseRow(9, "9", day(2020, 1, 1))}));
    data.Edit();
    EventRecorder recorder(&data);
    data.SetData(threePhases());
    EXPECT_EQ(recorder.log, (QStringList{s("BeforeClose"), s("AfterClose"), s("BeforeOpen"), s("AfterOpen"),
                                         s("AfterScroll")}));
    EXPECT_EQ(recorder.notified("UpdateState"), 2);  // browse → inactive → browse
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 3, 1}));
    EXPECT_EQ(data.RecNo(), 1);
    EXPECT_EQ(data.cd(), s("0000000001"));
    EXPECT_EQ(data.GetChangeCount(), 0);
}

TEST(ClientDataSet, setData_matchesColumnsByNameAndConverts) {
    zrm::DataPacket packet;
    packet.fields = {{s("extra"), zrm::FieldType::String, 3},
                     {s("vl"), zrm::FieldType::Integer, 0},
                     {s("Cd"), zrm::FieldType::String, 40}};
    packet.rows = {{s("x"), qint64(7), s("0000000005")}};
    PhaseDataSet data(false);
    data.SetData(packet);
    EXPECT_EQ(data.cd(), s("0000000005"));
    EXPECT_EQ(data.FieldByName(s("VL"))->Value(), QVariant(7.0));
    EXPECT_TRUE(data.FieldByName(s("DT"))->IsNull());
    EXPECT_EQ(data.GetData().fields, data.FieldDefs());
}

TEST(ClientDataSet, setData_withTextTooLongForAField_isRefusedAndKeepsTheRows) {
    PhaseDataSet data;
    data.SetData(threePhases());
    zrm::DataPacket packet;
    packet.fields = {{s("CD"), zrm::FieldType::String, 40}};
    packet.rows = {{s("0000000000000000000001")}};
    EventRecorder recorder(&data);
    EXPECT_THROW(data.SetData(packet), EDatabaseError);
    EXPECT_TRUE(recorder.log.isEmpty());
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 3, 1}));
}

TEST(ClientDataSet, setData_withoutDeclaredFields_takesThePacketFields) {
    TClientDataSet data;
    data.SetData(threePhases());
    EXPECT_EQ(data.FieldDefs(), threePhases().fields);
    EXPECT_EQ(data.RecordCount(), 3);
}

TEST(ClientDataSet, getDataThenSetData_copiesIntoADataSetWithFewerFields) {
    PhaseDataSet data;
    data.SetData(threePhases());
    TClientDataSet snapshot;
    snapshot.AddStringField(s("CD"), 10);
    snapshot.AddDateTimeField(s("DT"));
    snapshot.SetData(data.GetData());
    ASSERT_EQ(snapshot.RecordCount(), 3);
    EXPECT_EQ(snapshot.FieldByName(s("CD"))->AsString(), s("0000000001"));
    snapshot.Last();
    EXPECT_EQ(snapshot.FieldByName(s("DT"))->AsDateTime(), day(2026, 5, 1));
}

TEST(ClientDataSet, getData_leavesOutARowBeingInsertedAndShowsPostedValues) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Edit();
    data.FieldByName(s("CD"))->SetAsString(s("editing"));
    EXPECT_EQ(data.GetData().rows[0][1], QVariant(s("0000000001"))) << "not posted yet";
    data.Post();
    EXPECT_EQ(data.GetData().rows[0][1], QVariant(s("editing")));
    data.Insert();
    EXPECT_EQ(data.RecordCount(), 4);
    EXPECT_EQ(data.GetData().rows.size(), 3);
}

TEST(ClientDataSet, navigation_movesAndReportsEnds) {
    PhaseDataSet data(false);
    data.SetData(threePhases());
    EventRecorder recorder(&data);
    EXPECT_TRUE(data.Bof());
    EXPECT_FALSE(data.Eof());
    data.Next();
    data.Next();
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_FALSE(data.Eof());
    data.Next();
    EXPECT_TRUE(data.Eof());
    EXPECT_EQ(data.RecNo(), 3);
    data.Prior();
    EXPECT_EQ(data.RecNo(), 2);
    EXPECT_FALSE(data.Eof());
    data.First();
    EXPECT_TRUE(data.Bof());
    data.Prior();
    EXPECT_TRUE(data.Bof());
    EXPECT_EQ(data.RecNo(), 1);
    data.Last();
    EXPECT_TRUE(data.Eof());
    EXPECT_EQ(data.cd(), s("0000000002"));
    data.SetRecNo(2);
    EXPECT_EQ(data.cd(), s("0000000001"));
    EXPECT_THROW(data.SetRecNo(4), EDatabaseError);
    EXPECT_EQ(recorder.count("AfterScroll"), 8);
    EXPECT_EQ(recorder.notified("DataSetScroll"), 6);  // only the calls that moved

    int visited = 0;
    for (data.First(); !data.Eof(); data.Next())
        ++visited;
    EXPECT_EQ(visited, 3);
}

TEST(ClientDataSet, operationsOnAClosedDataSet_areRefused) {
    PhaseDataSet data;
    EXPECT_THROW(data.First(), EDatabaseError);
    EXPECT_THROW(data.Insert(), EDatabaseError);
    EXPECT_THROW(data.Edit(), EDatabaseError);
    EXPECT_THROW(data.Post(), EDatabaseError);
    EXPECT_THROW(data.Delete(), EDatabaseError);
    EXPECT_THROW(data.Locate(s("CD"), s("1")), EDatabaseError);
    EXPECT_EQ(data.RecNo(), -1);
    EXPECT_EQ(data.RecordCount(), 0);
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_TRUE(data.Eof());
}

TEST(ClientDataSet, insert_placesTheRowBeforeTheCurrentOneAndAppendAtTheEnd) {
    PhaseDataSet data(false);
    data.CreateDataSet();
    // The permission list pattern: months 1 to 12 each inserted before the current row.
    for (int month = 1; month <= 12; ++month) {
        data.Insert();
        data.FieldByName(s("ID"))->SetAsInteger(month);
        data.Post();
        EXPECT_EQ(data.RecNo(), 1);
    }
    EXPECT_EQ(data.ids(), (QList<qint64>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    data.SetRecNo(3);
    data.Insert();
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_EQ(data.RecordCount(), 13);
    data.FieldByName(s("ID"))->SetAsInteger(99);
    data.Post();
    EXPECT_EQ(data.ids().mid(1, 3), (QList<qint64>{11, 99, 10}));
    data.Append();
    data.FieldByName(s("ID"))->SetAsInteger(100);
    data.Post();
    EXPECT_EQ(data.ids().last(), 100);
    EXPECT_EQ(data.RecNo(), 14);
}

TEST(ClientDataSet, cancel_dropsAnInsertedRowAndRestoresAnEditedOne) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Next();
    data.Insert();
    data.FieldByName(s("CD"))->SetAsString(s("X"));
    data.Cancel();
    EXPECT_EQ(data.RecordCount(), 3);
    EXPECT_EQ(data.RecNo(), 2);
    EXPECT_EQ(data.cd(), s("0000000002"));
    data.Edit();
    data.FieldByName(s("CD"))->SetAsString(s("Y"));
    data.Cancel();
    EXPECT_EQ(data.cd(), s("0000000002"));
    EXPECT_EQ(data.GetChangeCount(), 0);
    data.Cancel();  // nothing in browse
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
}

TEST(ClientDataSet, edit_onAnEmptyDataSet_startsAnInsert) {
    PhaseDataSet data;
    data.CreateDataSet();
    data.Edit();
    EXPECT_EQ(data.State(), TDataSetState::dsInsert);
    data.Delete();  // in insert state: drops the new row
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_EQ(data.GetChangeCount(), 0);
}

TEST(ClientDataSet, postAndDelete_inBrowseOrOnEmpty_areRefused) {
    PhaseDataSet data;
    data.CreateDataSet();
    EXPECT_THROW(data.Post(), EDatabaseError);
    EXPECT_THROW(data.Delete(), EDatabaseError);
}

TEST(ClientDataSet, delete_removesTheCurrentRowAndKeepsThePosition) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Next();
    EventRecorder recorder(&data);
    data.Delete();
    EXPECT_EQ(recorder.log, (QStringList{s("BeforeDelete"), s("AfterDelete"), s("AfterScroll")}));
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 1}));
    EXPECT_EQ(data.RecNo(), 2);
    data.Delete();
    EXPECT_EQ(data.RecNo(), 1);
    data.Delete();
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_EQ(data.RecNo(), -1);
    EXPECT_EQ(data.GetChangeCount(), 3);
}

TEST(ClientDataSet, index_keepsRowsAscendingWithEqualKeysInArrivalOrder) {
    PhaseDataSet data;
    data.SetData(phasePacket({phaseRow(1, "a", day(2026, 3, 1)), phaseRow(2, "b", day(2026, 1, 1)),
                              phaseRow(3, "c", day(2026, 3, 1)), phaseRow(4, "d", day(2026, 1, 1))}));
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 4, 1, 3}));

    // Editing a row without touching its key leaves it among its equals where it was.
    data.SetRecNo(3);
    data.Edit();
    data.FieldByName(s("CD"))->SetAsString(s("z"));
    data.Post();
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 4, 1, 3}));
    EXPECT_EQ(data.RecNo(), 3);

    // A new row with an equal key goes after the rows that came before it.
    data.First();
    data.Insert();
    data.FieldByName(s("ID"))->SetAsInteger(5);
    data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 3, 1));
    data.Post();
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 4, 1, 3, 5}));
    EXPECT_EQ(data.RecNo(), 5) << "the current row follows its record";

    // A changed key moves the row; the cursor goes with it.
    data.SetRecNo(1);
    data.Edit();
    data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 4, 1));
    data.Post();
    EXPECT_EQ(data.ids(), (QList<qint64>{4, 1, 3, 5, 2}));
    EXPECT_EQ(data.RecNo(), 5);
    EXPECT_EQ(data.FieldByName(s("ID"))->AsInteger(), 2);

    // Back to its old key: back in front of its equal, in arrival order.
    data.Edit();
    data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 1, 1));
    data.Post();
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 4, 1, 3, 5}));
    EXPECT_EQ(data.RecNo(), 1);
}

TEST(ClientDataSet, index_putsAnInsertedRowWithoutKeyFirst) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Last();
    data.Insert();
    data.FieldByName(s("ID"))->SetAsInteger(7);
    data.Post();
    EXPECT_EQ(data.ids(), (QList<qint64>{7, 2, 3, 1}));
    EXPECT_EQ(data.RecNo(), 1);
}

TEST(ClientDataSet, setIndexFieldNames_reordersAndKeepsTheCurrentRecord) {
    PhaseDataSet data(false);
    data.SetData(threePhases());
    data.Next();  // id 2
    data.SetIndexFieldNames(s("CD"));
    EXPECT_EQ(data.ids(), (QList<qint64>{2, 3, 1}));
    EXPECT_EQ(data.FieldByName(s("ID"))->AsInteger(), 2);
    EXPECT_EQ(data.RecNo(), 1);
    EXPECT_THROW(data.SetIndexFieldNames(s("NADA")), EDatabaseError);
    EXPECT_EQ(data.IndexFieldNames(), s("CD"));
    EXPECT_THROW(data.SetIndexName(s("Inexistente")), EDatabaseError);
}

TEST(ClientDataSet, moveWhileEditing_postsFirst) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Edit();
    data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 4, 1));  // id 2 moves to the second place
    data.Next();
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(data.GetChangeCount(), 1);
    EXPECT_EQ(data.ids(), (QList<qint64>{3, 2, 1}));
    EXPECT_EQ(data.FieldByName(s("ID"))->AsInteger(), 1) << "Next went on from the posted row";
}

TEST(ClientDataSet, moveWhileEditing_withFailedPost_doesNotMove) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Edit();
    data.FieldByName(s("CD"))->SetAsString(s("typed"));
    EventRecorder recorder(&data);
    recorder.failing = s("BeforePost");
    EXPECT_THROW(data.Next(), EAbort);
    EXPECT_THROW(data.Locate(s("ID"), 1), EAbort);
    EXPECT_THROW(data.Insert(), EAbort);
    EXPECT_EQ(data.State(), TDataSetState::dsEdit);
    EXPECT_EQ(data.RecNo(), 1);
    EXPECT_EQ(data.cd(), s("typed"));
    EXPECT_EQ(recorder.afterEvents(), 0);
    EXPECT_EQ(recorder.count("BeforeScroll"), 0);
}

// Every Before… handler that stops its operation leaves the dataset exactly as it was, when it was
// the first thing the operation did (a move while editing posts first, and that post stands).
class RefusedOperation : public ::testing::TestWithParam<const char*> {};

TEST_P(RefusedOperation, leavesStateRowAndValuesUnchangedAndFiresNoAfterEvent) {
    const QString event = s(GetParam());
    const std::pair<const char*, std::function<void(PhaseDataSet&)>> operations[] = {
        {"Insert", [](PhaseDataSet& d) { d.Insert(); }},
        {"Append", [](PhaseDataSet& d) { d.Append(); }},
        {"Edit", [](PhaseDataSet& d) { d.Edit(); }},
        {"Post", [](PhaseDataSet& d) { d.Post(); }},
        {"Cancel", [](PhaseDataSet& d) { d.Cancel(); }},
        {"Delete", [](PhaseDataSet& d) { d.Delete(); }},
        {"Next", [](PhaseDataSet& d) { d.Next(); }},
        {"Prior", [](PhaseDataSet& d) { d.Prior(); }},
        {"First", [](PhaseDataSet& d) { d.First(); }},
        {"Last", [](PhaseDataSet& d) { d.Last(); }},
        {"Close", [](PhaseDataSet& d) { d.Close(); }},
        {"SetRecNo", [](PhaseDataSet& d) { d.SetRecNo(3); }},
        {"SetData", [](PhaseDataSet& d) { d.SetData(threePhases()); }},
        {"Locate", [](PhaseDataSet& d) { d.Locate(s("ID"), 1); }},
    };
    int refused = 0;
    for (bool editing : {false, true}) {
        for (const auto& [name, operation] : operations) {
            SCOPED_TRACE(std::string(name) + (editing ? " while editing" : " in browse"));
            PhaseDataSet data;
            data.SetData(threePhases());
            data.Next();
            if (editing) {
                data.Edit();
                data.FieldByName(s("VL"))->SetAsFloat(4.5);
            }
            EventRecorder recorder(&data);
            recorder.failing = event;
            const Snapshot before(data);
            try {
                operation(data);
            } catch (const EAbort&) {
            } catch (const EDatabaseError&) {
                continue;  // refused by the dataset itself (Post in browse)
            }
            if (recorder.log.value(0) != event)
                continue;
            ++refused;
            EXPECT_EQ(Snapshot(data), before) << recorder.log.join(s(",")).toStdString();
            EXPECT_EQ(recorder.afterEvents(), 0) << recorder.log.join(s(",")).toStdString();
            EXPECT_EQ(recorder.notifications.filter(s("State")).size(), 0);
        }
    }
    EXPECT_GT(refused, 0);
}

INSTANTIATE_TEST_SUITE_P(ClientDataSet, RefusedOperation,
                         ::testing::Values("BeforeInsert", "BeforeEdit", "BeforePost", "BeforeCancel",
                                           "BeforeDelete", "BeforeScroll", "BeforeClose"));

TEST(ClientDataSet, refusedBeforeEdit_leavesBrowse) {
    PhaseDataSet data;
    data.SetData(threePhases());
    EventRecorder recorder(&data);
    recorder.failing = s("BeforeEdit");
    EXPECT_THROW(data.Edit(), EAbort);
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(recorder.notified("UpdateState"), 0);
    EXPECT_THROW(data.FieldByName(s("CD"))->SetAsString(s("x")), EDatabaseError);
}

TEST(ClientDataSet, refusedOnNewRecord_removesTheNewRow) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Next();
    EventRecorder recorder(&data);
    recorder.failing = s("OnNewRecord");
    EXPECT_THROW(data.Insert(), EAbort);
    EXPECT_EQ(data.RecordCount(), 3);
    EXPECT_EQ(data.RecNo(), 2);
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(recorder.afterEvents(), 0);
}

TEST(ClientDataSet, events_fireInOrderForEachOperation) {
    PhaseDataSet data;
    data.SetData(threePhases());
    EventRecorder recorder(&data);
    data.Insert();
    EXPECT_EQ(recorder.log, (QStringList{s("BeforeInsert"), s("BeforeScroll"), s("OnNewRecord"),
                                         s("AfterInsert"), s("AfterScroll")}));
    recorder.clear();
    data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 2, 1));
    data.Post();
    EXPECT_EQ(recorder.log, (QStringList{s("BeforePost"), s("AfterPost")}));
    // The row moved to its place in the index: told before the state that goes with it.
    EXPECT_EQ(recorder.notifications,
              (QStringList{s("FieldChange:DT"), s("UpdateRecord"), s("DataSetChange"), s("UpdateState")}));
    EXPECT_EQ(recorder.rowChanges, (QStringList{s("0>1")}));
    recorder.clear();
    data.Edit();
    data.Cancel();
    EXPECT_EQ(recorder.log,
              (QStringList{s("BeforeEdit"), s("AfterEdit"), s("BeforeCancel"), s("AfterCancel")}));
    recorder.clear();
    data.Insert();
    data.Cancel();
    EXPECT_EQ(recorder.log.mid(5), (QStringList{s("BeforeCancel"), s("AfterCancel"), s("AfterScroll")}));
    recorder.clear();
    data.Close();
    EXPECT_EQ(recorder.log, (QStringList{s("BeforeClose"), s("AfterClose")}));
    EXPECT_FALSE(data.Active());
    EXPECT_EQ(data.RecordCount(), 0);
}

// Each operation that changes which rows are listed, or where, tells its row with its places (a
// plain control hears DataSetChange instead) before the state change that goes with it; the others
// tell no row.
TEST(ClientDataSet, rowChanges_tellEachRowWithItsPlacesBeforeTheState) {
    struct Case {
        const char* name;
        std::function<void(PhaseDataSet&)> operation;
        QStringList rowChanges;
        QStringList notifications;
        int recNo;  // where the cursor ends
    };
    const auto list = [](std::initializer_list<const char*> texts) {
        QStringList result;
        for (const char* text : texts)
            result.append(s(text));
        return result;
    };
    const auto setDate = [](PhaseDataSet& d, const QDateTime& date) {
        d.FieldByName(s("DT"))->SetAsDateTime(date);
        d.Post();
    };
    // The rows in index order: ids 2 (January), 3 (March), 1 (May); the cursor on the second.
    const Case cases[] = {
        {"Insert", [](PhaseDataSet& d) { d.Insert(); }, list({"+1"}), list({"DataSetChange", "UpdateState"}),
         2},
        {"Append", [](PhaseDataSet& d) { d.Append(); }, list({"+3"}), list({"DataSetChange", "UpdateState"}),
         4},
        {"Cancel of an insert",
         [](PhaseDataSet& d) {
             d.Insert();
             d.Cancel();
         },
         list({"+1", "-1"}), list({"DataSetChange", "UpdateState", "DataSetChange", "UpdateState"}), 2},
        {"Delete", [](PhaseDataSet& d) { d.Delete(); }, list({"-1"}), list({"DataSetChange"}), 2},
        {"Delete of the last row",
         [](PhaseDataSet& d) {
             d.Last();
             d.Delete();
         },
         list({"-2"}), list({"DataSetScroll", "DataSetChange"}), 2},
        {"Delete while editing",
         [](PhaseDataSet& d) {
             d.Edit();
             d.Delete();
         },
         list({"-1"}), list({"UpdateState", "DataSetChange", "UpdateState"}), 2},
        {"Post that moves the row down",
         [&](PhaseDataSet& d) {
             d.Edit();
             setDate(d, day(2026, 12, 1));
         },
         list({"1>2"}),
         list({"UpdateState", "FieldChange:DT", "UpdateRecord", "DataSetChange", "UpdateState"}), 3},
        {"Post that moves the row up",
         [&](PhaseDataSet& d) {
             d.Edit();
             setDate(d, day(2025, 12, 1));
         },
         list({"1>0"}),
         list({"UpdateState", "FieldChange:DT", "UpdateRecord", "DataSetChange", "UpdateState"}), 1},
        {"Post in place",
         [&](PhaseDataSet& d) {
             d.Edit();
             setDate(d, day(2026, 4, 1));
         },
         list({}), list({"UpdateState", "FieldChange:DT", "UpdateRecord", "UpdateState", "RecordChange"}), 2},
        {"Insert posted at its place",
         [&](PhaseDataSet& d) {
             d.Insert();
             setDate(d, day(2026, 12, 1));
         },
         list({"+1", "1>3"}),
         list({"DataSetChange", "UpdateState", "FieldChange:DT", "UpdateRecord", "DataSetChange",
               "UpdateState"}),
         4},
        {"Scroll", [](PhaseDataSet& d) { d.Next(); }, list({}), list({"DataSetScroll"}), 3},
        {"EmptyDataSet", [](PhaseDataSet& d) { d.EmptyDataSet(); }, list({}), list({"DataSetChange"}), -1},
        {"CancelUpdates", [](PhaseDataSet& d) { d.CancelUpdates(); }, list({}), list({"DataSetChange"}), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhaseDataSet data;
        data.SetData(threePhases());
        data.Next();
        EventRecorder recorder(&data);
        c.operation(data);
        EXPECT_EQ(recorder.rowChanges, c.rowChanges);
        EXPECT_EQ(recorder.notifications, c.notifications);
        EXPECT_EQ(data.RecNo(), c.recNo);
    }
}

TEST(ClientDataSet, locate_findsByOneOrSeveralFieldsWithOptions) {
    PhaseDataSet data(false);
    data.SetData(
        phasePacket({phaseRow(1, "abc", day(2026, 1, 1), 1.0), phaseRow(2, "ABD", day(2026, 2, 1), 2.0),
                     phaseRow(3, "abd", day(2026, 2, 1), 3.0)}));
    EXPECT_TRUE(data.Locate(s("CD"), s("abd")));
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_TRUE(data.Locate(s("cd"), s("abd"), int(TLocateOption::loCaseInsensitive)));
    EXPECT_EQ(data.RecNo(), 2);
    EXPECT_TRUE(data.Locate(s("CD"), s("ab"), int(TLocateOption::loPartialKey)));
    EXPECT_EQ(data.RecNo(), 1);
    EXPECT_TRUE(data.Locate(s("DT;VL"), QVariantList{day(2026, 2, 1), s("3")}));
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_FALSE(data.Locate(s("CD"), s("zzz")));
    EXPECT_FALSE(data.Locate(s("VL"), s("não é número")));
    EXPECT_EQ(data.RecNo(), 3);
    EXPECT_THROW(data.Locate(s("CD;VL"), s("abc")), EDatabaseError);
}

TEST(ClientDataSet, emptyDataSet_removesEveryRowAndLogsTheDeletes) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Insert();
    data.Post();
    data.EmptyDataSet();
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_TRUE(data.Active());
    EXPECT_EQ(data.GetChangeCount(), 3) << "the inserted row folds away";
}

TEST(ClientDataSet, createDataSet_opensEmptyWithoutChanges) {
    PhaseDataSet data;
    data.SetData(threePhases());
    data.Delete();
    data.CreateDataSet();
    EXPECT_TRUE(data.Active());
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_EQ(data.GetChangeCount(), 0);
}
