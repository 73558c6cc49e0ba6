#pragma once

// The item model behind a data grid: exactly the rows, titles and cell texts the user sees. It keeps
// a copy of the texts, re-read when the dataset tells the grid something changed, so the view never
// moves the dataset's cursor to paint and shows the last state while the dataset's controls are
// disabled.

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QStringList>

class TColumn;
class TDataSource;
class TDBGridColumns;

class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TDBGridModel(TDBGridColumns* columns, QObject* parent = nullptr);

    void setDataSource(TDataSource* source);

    // Re-reads columns and every row. Keeps rows and columns when their number did not change, so
    // an open cell editor survives.
    void reload();
    // Re-reads the cells of the current row only (one of its fields changed).
    void reloadCurrentRow();
    // The row of the dataset's cursor, from 0; -1 when there is none.
    int currentRow() const { return m_currentRow; }
    // Follows the dataset's cursor to another row without re-reading texts; reloads when the number
    // of rows changed meanwhile.
    void followCursor();

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
    struct Snapshot {
        QList<TColumn*> columns;
        QList<QStringList> rows;
        int currentRow = -1;
        int state = 0;
    };
    Snapshot read() const;
    QStringList currentRowTexts(const QList<TColumn*>& columns) const;
    void emitIndicatorChanged(int oldRow);

    TDBGridColumns* m_columns;
    QPointer<TDataSource> m_source;
    QList<TColumn*> m_visible;
    QList<QStringList> m_rows;
    int m_currentRow = -1;
    int m_state = 0;
    bool m_showIndicator = false;
    int m_editRow = -1;
    int m_editColumn = -1;
    QString m_editText;
};
