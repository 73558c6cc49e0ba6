#pragma once

// Paints the cells of a data grid and creates its in-place editor. A cell is painted in the colour
// the grid chose for it (the selection highlight for the selected cell, else the grid's colour),
// with its text and the grid lines the options ask for; then the grid's OnDrawColumnCell handler
// draws over it on a TCanvas whose brush holds that colour.

#include <QStyledItemDelegate>

class TDBGrid;

class TDBGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TDBGridDelegate(TDBGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The part of a cell's rectangle inside the grid lines.
    QRect cellRect(const QRect& rect) const;

protected:
    // The grid handles every key and focus change of its editor itself.
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void drawByHandler(QPainter* painter, const QRect& rect, const QModelIndex& index, const QColor& brush,
                       int state) const;

    TDBGrid* m_grid;
    mutable bool m_drawErrorShown = false;
};
