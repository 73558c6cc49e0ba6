// What the data grid's model tells its view as the dataset changes, and the texts the view reads at
// each point: no more than what changed, read from the dataset's rows without moving its cursor.

#include "dbgridfixture.h"

#include "framework/ui/dbgrideditor.h"

#include <functional>
#include <utility>

namespace {

// Every signal of a model, one line each: "data r,c-r,c", "rows+ a-b", "rows- a-b", "rows> a-b d"
// (moved before row d as counted before the move), "reset", "indicator a-b" (vertical header),
// "titles a-b" (horizontal header), "layout".
class SignalLog : public QObject {
public:
    explicit SignalLog(QAbstractItemModel* model) {
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    add(QStringLiteral("data %1,%2-%3,%4")
                            .arg(from.row())
                            .arg(from.column())
                            .arg(to.row())
                            .arg(to.column()));
                });
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    add(QStringLiteral("rows+ %1-%2").arg(first).arg(last));
                });
        connect(model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex&, int first, int last) {
                    add(QStringLiteral("rows- %1-%2").arg(first).arg(last));
                });
        connect(model, &QAbstractItemModel::rowsMoved, this,
                [this](const QModelIndex&, int first, int last, const QModelIndex&, int destination) {
                    add(QStringLiteral("rows> %1-%2 %3").arg(first).arg(last).arg(destination));
                });
        connect(model, &QAbstractItemModel::modelReset, this, [this] { add(QStringLiteral("reset")); });
        connect(model, &QAbstractItemModel::layoutChanged, this, [this] { add(QStringLiteral("layout")); });
        connect(model, &QAbstractItemModel::headerDataChanged, this,
                [this](Qt::Orientation orientation, int first, int last) {
                    add(QStringLiteral("%1 %2-%3")
                            .arg(orientation == Qt::Vertical ? QStringLiteral("indicator")
                                                             : QStringLiteral("titles"))
                            .arg(first)
                            .arg(last));
                });
    }
    // The lines logged since the last call.
    QStringList take() { return std::exchange(m_lines, {}); }

private:
    void add(const QString& line) { m_lines.append(line); }
    QStringList m_lines;
};

class DbGridModel : public DbGridFixture {
protected:
    QString indicator(int row) const { return grid->model()->headerData(row, Qt::Vertical).toString(); }
    static QStringList lines(std::initializer_list<const char*> texts) {
        QStringList result;
        for (const char* text : texts)
            result.append(QString::fromLatin1(text));
        return result;
    }
};

const QString kCurrent = QStringLiteral("\u25B6");

TEST_F(DbGridModel, editAndPostInPlace_changeTheIndicatorOneCellThenOneRow) {
    dataSet->SetRecNo(2);
    SignalLog log(grid->model());
    dataSet->Edit();
    EXPECT_EQ(log.take(), lines({"indicator 1-1"})) << "a state change repaints no cell";
    EXPECT_EQ(indicator(1), QStringLiteral("I"));

    name->SetAsString(QStringLiteral("Revisão"));
    EXPECT_EQ(log.take(), lines({"data 1,1-1,1"}));
    EXPECT_EQ(text(1, 1), QStringLiteral("Revisão")) << "the row being edited shows what it holds now";
    EXPECT_EQ(nameAt(2), QStringLiteral("Planejamento")) << "not posted yet";

    dataSet->Post();
    EXPECT_EQ(log.take(), lines({"indicator 1-1", "data 1,0-1,2"}));
    EXPECT_EQ(text(1, 1), QStringLiteral("Revisão"));
    EXPECT_EQ(indicator(1), kCurrent);

    dataSet->Edit();
    name->SetAsString(QStringLiteral("Descartado"));
    dataSet->Cancel();
    EXPECT_EQ(log.take(), lines({"indicator 1-1", "data 1,1-1,1", "indicator 1-1", "data 1,0-1,2"}));
    EXPECT_EQ(text(1, 1), QStringLiteral("Revisão"));
}

// Each row that comes, goes or moves is told to the view as that row alone, at its places, with the
// indicator following the cursor: no reset, no other row redrawn. The view then shows the rows the
// dataset holds, and its current cell is on the dataset's current row.
TEST_F(DbGridModel, rowChanges_insertRemoveOrMoveOneRowAtItsPlaces) {
    struct Case {
        const char* name;
        std::function<void()> prepare;  // before the signals are looked at
        std::function<void()> operation;
        QStringList signals;
        QStringList names;  // what the view shows in the name column afterwards
        int current;
        const char* indicator;
    };
    const auto at = [this](int recNo) { return [this, recNo] { dataSet->SetRecNo(recNo); }; };
    const auto sortedByName = [this](int recNo, const char* newName) {
        return [this, recNo, newName] {
            dataSet->SetIndexFieldNames(QStringLiteral("NMFASE"));  // Abertura, Fechamento, Planejamento
            dataSet->SetRecNo(recNo);
            dataSet->Edit();
            name->SetAsString(QString::fromUtf8(newName));
        };
    };
    const auto post = [this] { dataSet->Post(); };
    const Case cases[] = {
        {"insert before the current row", at(2), [this] { dataSet->Insert(); },
         lines({"rows+ 1-1", "indicator 2-2", "indicator 1-1"}),
         lines({"Abertura", "", "Planejamento", "Fechamento"}), 1, "*"},
        {"append after the last row", at(2), [this] { dataSet->Append(); },
         lines({"rows+ 3-3", "indicator 1-1", "indicator 3-3"}),
         lines({"Abertura", "Planejamento", "Fechamento", ""}), 3, "*"},
        {"insert into an empty dataset", [this] { dataSet->EmptyDataSet(); }, [this] { dataSet->Insert(); },
         lines({"rows+ 0-0", "indicator 0-0"}), lines({""}), 0, "*"},
        {"cancel of an insert",
         [this] {
             dataSet->SetRecNo(2);
             dataSet->Insert();
             name->SetAsString(QStringLiteral("Nova"));
         },
         [this] { dataSet->Cancel(); }, lines({"rows- 1-1", "indicator 1-1"}),
         lines({"Abertura", "Planejamento", "Fechamento"}), 1, "\u25B6"},
        {"cancel of an append", [this] { dataSet->Append(); }, [this] { dataSet->Cancel(); },
         lines({"rows- 3-3", "indicator 2-2"}), lines({"Abertura", "Planejamento", "Fechamento"}), 2,
         "\u25B6"},
        {"delete", at(2), [this] { dataSet->Delete(); }, lines({"rows- 1-1", "indicator 1-1"}),
         lines({"Abertura", "Fechamento"}), 1, "\u25B6"},
        {"delete of the last row", at(3), [this] { dataSet->Delete(); },
         lines({"rows- 2-2", "indicator 1-1"}), lines({"Abertura", "Planejamento"}), 1, "\u25B6"},
        {"delete while editing",
         [this] {
             dataSet->Edit();
             name->SetAsString(QStringLiteral("Descartado"));
         },
         [this] { dataSet->Delete(); }, lines({"rows- 0-0", "indicator 0-0"}),
         lines({"Planejamento", "Fechamento"}), 0, "\u25B6"},
        {"post that moves a row down", sortedByName(1, "Zeta"), post,
         lines({"rows> 0-0 3", "data 2,0-2,2", "indicator 2-2"}),
         lines({"Fechamento", "Planejamento", "Zeta"}), 2, "\u25B6"},
        {"post that moves a row up", sortedByName(3, "Aaa"), post,
         lines({"rows> 2-2 0", "data 0,0-0,2", "indicator 0-0"}), lines({"Aaa", "Abertura", "Fechamento"}), 0,
         "\u25B6"},
        {"post of an insert that moves it to its place",
         [this] {
             dataSet->SetIndexFieldNames(QStringLiteral("NMFASE"));
             dataSet->SetRecNo(2);
             dataSet->Insert();
             name->SetAsString(QStringLiteral("Zeta"));
         },
         post, lines({"rows> 1-1 4", "data 3,0-3,2", "indicator 3-3"}),
         lines({"Abertura", "Fechamento", "Planejamento", "Zeta"}), 3, "\u25B6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.prepare();
        SignalLog log(grid->model());
        c.operation();
        EXPECT_EQ(log.take(), c.signals);
        QStringList shown;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            shown.append(text(row, 1));
        EXPECT_EQ(shown, c.names);
        EXPECT_EQ(grid->gridModel()->currentRow(), c.current);
        EXPECT_EQ(currentRow(), c.current) << "the view's current cell";
        EXPECT_EQ(indicator(c.current), QString::fromUtf8(c.indicator));
    }
}

TEST_F(DbGridModel, scrollMovesOnlyTheIndicator) {
    SignalLog log(grid->model());
    dataSet->SetRecNo(3);
    EXPECT_EQ(log.take(), lines({"indicator 0-0", "indicator 2-2"}));
    EXPECT_EQ(indicator(0), QString());
    EXPECT_EQ(indicator(2), kCurrent);
}

TEST_F(DbGridModel, reload_sameShapeRedrawsAndKeepsTheEditorOtherShapesReset) {
    grid->SetSelectedField(name);
    dataSet->Edit();
    QPointer<TInplaceEdit> editor = grid->InplaceEditor();
    ASSERT_TRUE(editor);
    SignalLog log(grid->model());
    grid->Columns()->Items(2)->SetTitleCaption(QStringLiteral("Início"));
    EXPECT_EQ(log.take(), lines({"data 0,0-2,2", "titles 0-2"}));
    EXPECT_EQ(grid->InplaceEditor(), editor.data()) << "the open editor survives";
    dataSet->Cancel();
    log.take();

    // Rows reordered by an index: same shape, every row redrawn.
    dataSet->SetIndexFieldNames(QStringLiteral("NMFASE"));
    EXPECT_EQ(log.take(), lines({"data 0,0-2,2", "titles 0-2"}));
    EXPECT_EQ(text(1, 1), QStringLiteral("Fechamento"));
    EXPECT_EQ(text(2, 1), QStringLiteral("Planejamento"));

    // Changes undone: a changed row comes back as it was, a deleted one as a row more.
    dataSet->Edit();
    name->SetAsString(QStringLiteral("Alterada"));
    dataSet->Post();
    log.take();
    dataSet->CancelUpdates();
    EXPECT_EQ(log.take(), lines({"data 0,0-2,2", "titles 0-2"}));
    EXPECT_EQ(text(0, 1), QStringLiteral("Abertura"));
    dataSet->Last();
    dataSet->Delete();
    log.take();
    dataSet->CancelUpdates();
    EXPECT_TRUE(log.take().contains(QStringLiteral("reset")));
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(text(2, 1), QStringLiteral("Planejamento"));

    // Accepting the changes changes nothing shown.
    dataSet->MergeChangeLog();
    EXPECT_TRUE(log.take().isEmpty());

    // New rows of another number.
    zrm::DataPacket packet = dataSet->GetData();
    packet.rows.removeLast();
    dataSet->SetData(packet);
    EXPECT_TRUE(log.take().contains(QStringLiteral("reset")));
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(text(1, 1), QStringLiteral("Fechamento"));
    dataSet->EmptyDataSet();
    EXPECT_EQ(log.take(), lines({"reset"}));
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

TEST_F(DbGridModel, disabledControls_keepTheShapeAndReadNothingPastTheRows) {
    dataSet->SetRecNo(2);
    SignalLog log(grid->model());
    dataSet->DisableControls();
    dataSet->Last();
    dataSet->Delete();
    dataSet->First();
    dataSet->Delete();
    EXPECT_TRUE(log.take().isEmpty()) << "the grid hears nothing";
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->gridModel()->currentRow(), 1);
    EXPECT_EQ(indicator(1), kCurrent);
    EXPECT_EQ(text(0, 1), QStringLiteral("Planejamento"));
    EXPECT_EQ(text(1, 1), QString());
    EXPECT_EQ(text(2, 1), QString());
    grid->viewport()->grab();  // paints every row the view still counts

    dataSet->EnableControls();
    EXPECT_EQ(log.take(), lines({"reset"}));
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(text(0, 1), QStringLiteral("Planejamento"));
    EXPECT_EQ(indicator(0), kCurrent);
}

TEST_F(DbGridModel, paintingReadsTheRowsWithoutMovingTheCursor) {
    dataSet->SetRecNo(2);
    dataSet->Edit();
    name->SetAsString(QStringLiteral("Revisão"));
    int scrolls = 0;
    dataSet->AfterScroll = [&scrolls](TClientDataSet*) { ++scrolls; };
    grid->viewport()->grab();
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            text(row, column);
    }
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(dataSet->RecNo(), 2);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(name->AsString(), QStringLiteral("Revisão"));
    EXPECT_EQ(text(0, 1), QStringLiteral("Abertura"));
    EXPECT_EQ(text(2, 0), QStringLiteral("0000000003"));
    EXPECT_EQ(text(2, 2), QStringLiteral("01/03/2026"));
    dataSet->AfterScroll = nullptr;
}

}  // namespace
