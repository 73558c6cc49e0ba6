#include "datasetfixture.h"

#include <memory>

namespace {

zrm::DataPacket twoPhases() {
    return phasePacket({phaseRow(1, "1", day(2026, 1, 1)), phaseRow(2, "2", day(2026, 2, 1))});
}

// A data source with its three handlers recorded.
struct HandlerLog {
    explicit HandlerLog(TClientDataSet* dataSet) {
        source.SetDataSet(dataSet);
        source.OnStateChange = [this](QObject* sender) {
            EXPECT_EQ(sender, &source);
            log.append(s("state"));
        };
        source.OnDataChange = [this](QObject*, TField* field) {
            log.append(field ? s("data:") + field->FieldName() : s("data"));
        };
        source.OnUpdateData = [this](QObject*) { log.append(s("update")); };
    }
    TDataSource source;
    QStringList log;
};

}  // namespace

TEST(DataSource, post_asksControlsToWriteTheirTextBeforeBeforePost) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    data.Edit();
    QStringList order;
    // A grid's cell editor writes what is being typed when the dataset asks for it.
    struct Editor : TDataLink {
        TClientDataSet* dataSet = nullptr;
        QStringList* order = nullptr;
        void dataEvent(TDataEvent event, TField*) override {
            if (event == TDataEvent::UpdateRecord) {
                order->append(s("editor"));
                dataSet->FieldByName(s("CD"))->SetText(s("typed"));
            }
        }
    } editor;
    editor.dataSet = &data;
    editor.order = &order;
    TDataSource source;
    source.SetDataSet(&data);
    source.addLink(&editor);
    data.BeforePost = [&](TClientDataSet* dataSet) {
        order.append(s("BeforePost:") + dataSet->FieldByName(s("CD"))->AsString());
    };
    data.Post();
    EXPECT_EQ(order, (QStringList{s("editor"), s("BeforePost:typed")}));
    EXPECT_EQ(data.cd(), s("typed"));
    source.removeLink(&editor);
}

TEST(DataSource, handlers_hearStateDataAndUpdateNotifications) {
    PhaseDataSet data;
    HandlerLog handlers(&data);
    EXPECT_EQ(handlers.source.State(), TDataSetState::dsInactive);
    data.SetData(twoPhases());
    EXPECT_EQ(handlers.log, (QStringList{s("state"), s("data")}));
    handlers.log.clear();
    data.Next();
    data.Edit();
    EXPECT_EQ(handlers.source.State(), TDataSetState::dsEdit);
    data.FieldByName(s("CD"))->SetAsString(s("x"));
    data.Post();
    EXPECT_EQ(handlers.log,
              (QStringList{s("data"), s("state"), s("data:CD"), s("update"), s("state"), s("data")}));
    handlers.log.clear();
    // A row that came or went is told before the state that goes with it.
    data.Delete();
    data.Insert();
    EXPECT_EQ(handlers.log, (QStringList{s("data"), s("data"), s("state")}));
}

TEST(DataSource, disableControls_silencesUntilTheLastEnableWhichRedraws) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    HandlerLog handlers(&data);
    EventRecorder recorder(&data);
    data.DisableControls();
    data.DisableControls();
    EXPECT_TRUE(data.ControlsDisabled());
    data.Next();
    data.Edit();
    data.FieldByName(s("CD"))->SetAsString(s("x"));
    data.EnableControls();
    EXPECT_TRUE(handlers.log.isEmpty());
    EXPECT_TRUE(recorder.notifications.isEmpty());
    data.EnableControls();
    EXPECT_FALSE(data.ControlsDisabled());
    EXPECT_EQ(handlers.log, (QStringList{s("state"), s("data")}));
    EXPECT_EQ(recorder.notifications, (QStringList{s("UpdateState"), s("DataSetChange")}));
    EXPECT_EQ(recorder.count("AfterScroll"), 1) << "dataset events still fire";

    handlers.log.clear();
    data.DisableControls();
    data.Post();
    data.Edit();
    data.EnableControls();
    // The post still asked for pending text; the state is the one it was when disabled.
    EXPECT_EQ(handlers.log, (QStringList{s("update"), s("data")}));
    data.EnableControls();  // one too many does nothing
    EXPECT_EQ(handlers.log.size(), 2);
}

TEST(DataSource, edit_followsAutoEdit) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    TDataSource source;
    source.SetDataSet(&data);
    source.SetAutoEdit(false);
    source.Edit();
    EXPECT_EQ(data.State(), TDataSetState::dsBrowse);
    source.SetAutoEdit(true);
    data.BeforeEdit = [](TClientDataSet*) { Abort(); };
    EXPECT_THROW(source.Edit(), EAbort);
    data.BeforeEdit = nullptr;
    source.Edit();
    EXPECT_EQ(data.State(), TDataSetState::dsEdit);
}

TEST(DataSource, disabledSource_passesOnNothing) {
    PhaseDataSet data;
    data.SetData(twoPhases());
    HandlerLog handlers(&data);
    handlers.log.clear();
    handlers.source.SetEnabled(false);
    data.Next();
    data.Edit();
    EXPECT_TRUE(handlers.log.isEmpty());
    handlers.source.SetEnabled(true);
    EXPECT_EQ(handlers.log, (QStringList{s("state"), s("data")}));
}

TEST(DataSource, linksMayLeaveWhileBeingNotified_andEitherSideMayGoFirst) {
    auto data = std::make_unique<PhaseDataSet>();
    data->SetData(twoPhases());
    struct Leaving : TDataLink {
        TDataSource* source = nullptr;
        TDataLink* other = nullptr;
        int events = 0;
        void dataEvent(TDataEvent, TField*) override {
            ++events;
            source->removeLink(other);
        }
    };
    TDataSource source;
    source.SetDataSet(data.get());
    Leaving first, second;
    first.source = second.source = &source;
    first.other = &second;
    second.other = &first;
    source.addLink(&first);
    source.addLink(&second);
    data->Next();
    EXPECT_EQ(first.events + second.events, 1);

    auto orphan = std::make_unique<TDataSource>();
    orphan->SetDataSet(data.get());
    orphan.reset();
    data.reset();
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(source.State(), TDataSetState::dsInactive);
}
