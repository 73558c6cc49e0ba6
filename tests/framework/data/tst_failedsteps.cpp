// A failure at any step of an operation leaves the dataset whole: either as it was before the
// operation or as the operation leaves it when nothing fails, never in between. The failure is
// injected at each step in turn: a dataset event's handler aborting, a control failing while it is
// notified (as an allocation failure would), a field refusing the text a control writes into it.

#include "tests/framework/data/datasetfixture.h"

#include <new>
#include <optional>
#include <tuple>

namespace {

// What can be seen of a dataset: its state, rows, pending changes and the current row's values.
struct Observed {
    bool active;
    TDataSetState state;
    int recNo;
    QList<zrm::Row> rows;
    QList<std::tuple<zrm::Change::Op, zrm::Row, zrm::Row>> changes;
    QVariantList current;

    explicit Observed(const TClientDataSet& data)
        : active(data.Active()), state(data.State()), recNo(data.RecNo()), rows(data.GetData().rows) {
        for (const zrm::Change& change : data.GetDelta().changes)
            changes.append({change.op, change.oldRow, change.newRow});
        for (int i = 0; i < data.FieldCount(); ++i)
            current.append(data.Field(i)->Value());
    }
    bool operator==(const Observed&) const = default;
    bool closed() const { return !active && rows.isEmpty() && changes.isEmpty(); }
};

// Counts the steps of an operation and fails the one numbered failAt: dataset events abort, the
// notifications to this control throw std::bad_alloc, the CD field's check of the text this control
// writes before a post throws EConvertError.
class StepFailer : public TDataLink {
public:
    explicit StepFailer(TClientDataSet* data) : m_data(data) {
        for (TDataSetNotifyEvent* event :
             {&data->BeforeOpen, &data->AfterOpen, &data->BeforeClose, &data->AfterClose, &data->BeforeInsert,
              &data->AfterInsert, &data->BeforeEdit, &data->AfterEdit, &data->BeforePost, &data->AfterPost,
              &data->BeforeCancel, &data->AfterCancel, &data->BeforeDelete, &data->AfterDelete,
              &data->BeforeScroll, &data->AfterScroll, &data->OnNewRecord}) {
            *event = [this](TClientDataSet*) {
                if (step())
                    Abort();
            };
        }
        data->FieldByName(s("CD"))->OnSetText = [this](TField* field, const QString& text) {
            if (step())
                throw EConvertError(s("Código inválido."));
            field->SetAsString(text);
        };
        m_source.SetDataSet(data);
        m_source.addLink(this);
    }
    ~StepFailer() override { m_source.removeLink(this); }

    void dataEvent(TDataEvent event, TField*) override {
        if (step())
            throw std::bad_alloc();
        // Before a post, a control writes what it shows: the text the row already holds.
        if (event == TDataEvent::UpdateRecord)
            m_data->FieldByName(s("CD"))->SetText(m_data->FieldByName(s("CD"))->AsString());
    }

    int failAt = 0;  // 0: nothing fails
    int steps = 0;
    bool failed = false;

private:
    bool step() {
        if (failed || ++steps != failAt)
            return false;
        failed = true;
        return true;
    }

    TClientDataSet* m_data;
    TDataSource m_source;
};

zrm::DataPacket fourPhases() {
    return phasePacket({phaseRow(1, "0001", day(2026, 3, 1), 1.5), phaseRow(2, "0002", day(2026, 1, 1)),
                        phaseRow(3, "0003", day(2026, 2, 1), 3.0, "S"),
                        phaseRow(4, "0004", day(2026, 4, 1))});
}

// The dataset each operation starts from: loaded, merged, with one row changed, one deleted and one
// inserted since, and, when editing, a change being typed into the second row.
void prepare(PhaseDataSet& data, bool editing) {
    data.SetData(fourPhases());
    data.First();
    data.Edit();
    data.FieldByName(s("VL"))->SetAsFloat(9.25);
    data.Post();
    data.Last();
    data.Delete();
    data.Append();
    data.FieldByName(s("ID"))->SetAsInteger(5);
    data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 1, 15));
    data.Post();
    data.SetRecNo(2);
    if (editing) {
        data.Edit();
        data.FieldByName(s("CD"))->SetAsString(s("typed"));
        data.FieldByName(s("DT"))->SetAsDateTime(day(2026, 5, 1));
    }
}

using Operation = std::function<void(PhaseDataSet&)>;

// An operation, and the one it completes first when it is made of two (a post or cancel of the
// pending edit, a close before loading): a failure after that first one leaves its result standing.
struct Step {
    const char* name;
    Operation operation;
    Operation first;
};

const Operation postFirst = [](PhaseDataSet& d) { d.CheckBrowseMode(); };
const Operation cancelFirst = [](PhaseDataSet& d) { d.Cancel(); };
const Operation closeFirst = [](PhaseDataSet& d) { d.Close(); };

const Step operations[] = {
    {"Insert", [](PhaseDataSet& d) { d.Insert(); }, postFirst},
    {"Append", [](PhaseDataSet& d) { d.Append(); }, postFirst},
    {"Edit", [](PhaseDataSet& d) { d.Edit(); }, {}},
    {"Post", [](PhaseDataSet& d) { d.CheckBrowseMode(); }, {}},
    {"Cancel", [](PhaseDataSet& d) { d.Cancel(); }, {}},
    {"Delete", [](PhaseDataSet& d) { d.Delete(); }, {}},
    {"EmptyDataSet", [](PhaseDataSet& d) { d.EmptyDataSet(); }, cancelFirst},
    {"CancelUpdates", [](PhaseDataSet& d) { d.CancelUpdates(); }, cancelFirst},
    {"MergeChangeLog", [](PhaseDataSet& d) { d.MergeChangeLog(); }, {}},
    {"SetData", [](PhaseDataSet& d) { d.SetData(fourPhases()); }, closeFirst},
    {"SetData refused",
     [](PhaseDataSet& d) {
         // The last row's code is too long for its field: the packet is refused as a whole.
         zrm::DataPacket packet = fourPhases();
         packet.rows.last()[1] = s("0123456789ABC");
         d.SetData(packet);
     },
     {}},
};

// What operation leaves on a dataset prepared for it when nothing fails; none when it is refused.
std::optional<Observed> outcome(const Operation& operation, bool editing) {
    PhaseDataSet data;
    prepare(data, editing);
    try {
        operation(data);
    } catch (const Exception&) {
        return std::nullopt;
    }
    return Observed(data);
}

}  // namespace

TEST(FailedSteps, failureAtAnyStep_leavesTheDataSetAsItWasOrAsTheOperationLeavesIt) {
    for (bool editing : {false, true}) {
        for (const auto& [name, operation, first] : operations) {
            const std::optional<Observed> done = outcome(operation, editing);
            const std::optional<Observed> firstDone = first ? outcome(first, editing) : std::nullopt;
            PhaseDataSet clean;
            prepare(clean, editing);
            StepFailer counter(&clean);
            try {
                operation(clean);
            } catch (const Exception&) {
            }
            const int stepCount = counter.steps;

            for (int failAt = 1; failAt <= stepCount; ++failAt) {
                SCOPED_TRACE(std::string(name) + (editing ? " while editing" : " in browse") + ", step " +
                             std::to_string(failAt) + " of " + std::to_string(stepCount));
                PhaseDataSet data;
                prepare(data, editing);
                const Observed before(data);
                StepFailer failer(&data);
                failer.failAt = failAt;
                try {
                    operation(data);
                } catch (const EAbort&) {
                } catch (const EConvertError&) {
                } catch (const EDatabaseError&) {
                } catch (const std::bad_alloc&) {
                }
                ASSERT_TRUE(failer.failed);
                const Observed after(data);
                EXPECT_TRUE(after == before || after == done || after == firstDone)
                    << "state " << int(after.state) << ", row " << after.recNo << ", " << after.rows.size()
                    << " rows, " << after.changes.size() << " changes";
                // Whatever happened, the dataset goes on working.
                if (data.Active()) {
                    failer.failAt = 0;
                    data.Cancel();
                    data.Append();
                    data.FieldByName(s("ID"))->SetAsInteger(6);
                    data.Post();
                    EXPECT_EQ(data.GetData().rows.size(), after.rows.size() + 1);
                }
            }
        }
    }
}

TEST(FailedSteps, setDataRefused_leavesADataSetThatWasToTakeThePacketsFieldsWithoutAny) {
    zrm::DataPacket badField = fourPhases();
    badField.fields[3].size = -1;
    badField.fields[3].type = zrm::FieldType::String;  // a text column without a size
    zrm::DataPacket badValue = fourPhases();
    badValue.rows.last()[1] = s("0123456789ABC");  // longer than its column

    for (const zrm::DataPacket& packet : {badField, badValue}) {
        TClientDataSet data;
        TDataSource source;
        source.SetDataSet(&data);
        int layoutChanges = 0;
        struct Layout : TDataLink {
            int* count;
            void dataEvent(TDataEvent event, TField*) override {
                *count += event == TDataEvent::LayoutChange;
            }
        } layout;
        layout.count = &layoutChanges;
        source.addLink(&layout);
        EXPECT_THROW(data.SetData(packet), Exception);
        EXPECT_EQ(data.FieldCount(), 0);
        EXPECT_FALSE(data.Active());
        EXPECT_GT(layoutChanges, 0) << "controls were told the fields went again";
        source.removeLink(&layout);
        // It can still take a good packet's fields.
        data.SetData(fourPhases());
        EXPECT_EQ(data.FieldCount(), 5);
        EXPECT_EQ(data.RecordCount(), 4);
    }
}
