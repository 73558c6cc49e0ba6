#pragma once

// The item model behind a data grid: the rows, titles and cell texts the user sees. It copies no
// row: a cell's text is read from the dataset's row when the view asks for it (the row being edited
// or inserted shows what is typed so far), without moving the dataset's cursor, so what a change
// costs does not grow with the number of rows. It remembers only the shape the view was last told
// (the number of rows, the current row, the state) and tells the view what changed as precisely as
// the dataset's notification allows: a row that came, went or moved comes in, goes or moves with
// the rows around it untouched (as QSqlTableModel does it), a field changes one cell, a post or
// cancel in place one row, a move of the cursor only the indicator. Only new columns and rows
// changed as a whole (a reload, a new order) redraw every cell.
//
// While the dataset's controls are disabled the grid hears nothing, so the model keeps its shape and
// signals nothing; a cell the view reads meanwhile shows the dataset's row at that place, or nothing
// past the dataset's last row.

#include "framework/data/clientdataset.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include <optional>

class TColumn;
class TDataSource;
class TDBGridColumns;
class TField;

class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TDBGridModel(TDBGridColumns* columns, QObject* parent = nullptr);

    // The source whose dataset the rows come from; shown from the next reload on.
    void setDataSource(TDataSource* source);

    // The columns or any row may have changed (rows reordered or replaced, controls enabled again):
    // re-reads the visible columns and the shape. Same number of rows and columns: one dataChanged
    // over every cell and a headerDataChanged over the titles, so an open cell editor survives;
    // otherwise a model reset.
    void reload();
    // Follows the dataset's cursor and state: the indicator moves (headerDataChanged of the rows it
    // left and reached). A number of rows that no row change announced (the dataset closed, the
    // source disabled) resets the model.
    void followShape();
    // One row came, went or moved: rowsInserted, rowsRemoved or rowsMoved with its places (a moved
    // row, just posted, is redrawn where it arrived), then the cursor and state as followShape. A
    // change that does not fit the rows the view counts resets the model.
    void rowChanged(const TRowChange& change);
    // The current row's values changed as a whole (a post or cancel that left it in its place): one
    // dataChanged over that row, after following the shape.
    void recordChanged();
    // A field of the current row changed: one dataChanged per visible column showing it (the whole
    // row for no field).
    void fieldChanged(const TField* field);

    // The row of the dataset's cursor, from 0; -1 when there is none.
    int currentRow() const { return m_shape.current; }

    TColumn* column(int modelColumn) const;
    int modelColumn(const TColumn* column) const;  // -1 for a hidden or foreign column

    // The text typed so far into the cell editor, shown instead of the field's text; row -1 clears.
    void setEditText(int row, int modelColumn, const QString& text);
    // A row indicator in the vertical header: "▶" current row, "*" row being inserted, "I" edited.
    void setShowIndicator(bool show);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // What the view is told about: the number of rows, the cursor and the state.
    struct Shape {
        int rows = 0;
        int current = -1;
        int state = 0;
    };
    // The dataset's shape now; empty without a source, with a disabled source or a closed dataset.
    Shape shownShape() const;
    QList<TColumn*> visibleColumns() const;
    bool fits(const TRowChange& change, const Shape& shape) const;
    void resetTo(const QList<TColumn*>& columns, const Shape& shape);
    // Takes the new cursor and state, and repaints the indicator of the rows it left and reached.
    void moveIndicator(int oldRow, const Shape& shape);
    void emitRowChanged(int row);
    // The dataset's row shown at a row of the view. Between announcing a row change and saying it
    // is done, the view still counts the rows as before while the dataset already holds them as
    // after; -1 for the row that went.
    int dataSetRow(int row) const;

    TDBGridColumns* m_columns;
    QPointer<TDataSource> m_source;
    QList<TColumn*> m_visible;
    Shape m_shape;
    std::optional<TRowChange> m_announcing;  // the row change whose begin… signal is being sent
    bool m_showIndicator = false;
    int m_editRow = -1;
    int m_editColumn = -1;
    QString m_editText;
};
