#include "framework/ui/dbgriddelegate.h"

#include "framework/data/exceptions.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridcanvas.h"
#include "framework/ui/dbgrideditor.h"
#include "framework/ui/dbgridmodel.h"
#include "framework/ui/formresources.h"

#include <QPainter>
#include <QTimer>

TDBGridDelegate::TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

QRect TDBGridDelegate::cellRect(const QRect& rect) const {
    const int options = m_grid->Options();
    return rect.adjusted(0, 0, (options & dgColLines) ? -1 : 0, (options & dgRowLines) ? -1 : 0);
}

void TDBGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const bool selected =
        index.row() == m_grid->m_model->currentRow() && index.column() == m_grid->selectedModelColumn();
    const bool focused = m_grid->hasFocusWithin();
    const bool highlighted = selected && (focused || (m_grid->Options() & dgAlwaysShowSelection));
    const QPalette& palette = m_grid->palette();
    const QColor background =
        highlighted ? palette.color(QPalette::Active, QPalette::Highlight) : palette.color(QPalette::Base);
    const QRect rect = cellRect(option.rect);

    painter->save();
    painter->fillRect(rect, background);
    if (m_grid->DefaultDrawing()) {
        painter->setFont(option.font);
        painter->setPen(
            palette.color(QPalette::Active, highlighted ? QPalette::HighlightedText : QPalette::Text));
        const QRect textRect = rect.adjusted(2, 0, -2, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    const QColor lines = palette.color(QPalette::Mid);
    painter->setPen(lines);
    if (m_grid->Options() & dgColLines)
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    if (m_grid->Options() & dgRowLines)
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();

    if (m_grid->OnDrawColumnCell) {
        int state = 0;
        if (selected)
            state |= gdSelected;
        if (selected && focused)
            state |= gdFocused;
        drawByHandler(painter, rect, index, background, state);
    }
}

void TDBGridDelegate::drawByHandler(QPainter* painter, const QRect& rect, const QModelIndex& index,
                                    const QColor& brush, int state) const {
    TColumn* column = m_grid->m_model->column(index.column());
    if (!column)
        return;
    painter->save();
    painter->setClipRect(rect);
    TCanvas canvas(painter);
    canvas.Brush().SetColor(brush);
    QString failure;
    m_grid->m_canvas = &canvas;
    m_grid->m_drawingRow = index.row();
    try {
        m_grid->OnDrawColumnCell(m_grid, rect, column->Index(), column, state);
    } catch (const EAbort&) {
    } catch (const Exception& error) {
        failure = error.Message();
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = zrm::ui::FormResources::translate(
            QStringLiteral("Ocorreu um erro inesperado ao desenhar a grade."));
    }
    m_grid->m_canvas = nullptr;
    m_grid->m_drawingRow = -1;
    painter->restore();
    // No dialog may open while painting: the failure is shown once, after this paint.
    if (!failure.isEmpty() && !m_drawErrorShown) {
        m_drawErrorShown = true;
        QTimer::singleShot(0, m_grid, [grid = m_grid, failure] {
            try {
                zrm::ui::showErrorBox(grid->window(), failure);
            } catch (...) {
            }
        });
    }
}

QWidget* TDBGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex&) const {
    return new TInplaceEdit(parent);
}

void TDBGridDelegate::setEditorData(QWidget*, const QModelIndex&) const {
    // The grid fills the editor from the field.
}

void TDBGridDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // The grid writes the editor's text into the field, not into the model.
}

void TDBGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex&) const {
    editor->setGeometry(cellRect(option.rect));
}

bool TDBGridDelegate::eventFilter(QObject*, QEvent*) {
    return false;
}
