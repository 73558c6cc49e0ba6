#pragma once

// ToolbarFlow: keeps the controls of a top-aligned panel within its width. They go in groups that
// stay together (a label, its box and its search button), in the order and with the gaps of the
// form's design; a group that would pass the panel's right edge starts a new row, and the panel
// grows to its rows so that the controls aligned below it give way. As wide as the design, the
// panel looks as designed.

#include <QList>
#include <QObject>
#include <QPoint>

class QWidget;

class ToolbarFlow : public QObject {
public:
    // Flows groups (each a list of panel's controls, left to right) from their present places, which
    // are taken as the design: the first group's left edge and top, the gaps between groups, and
    // each control's place within its group. The panel owns the flow; it flows at once and on every
    // resize of the panel.
    ToolbarFlow(QWidget* panel, const QList<QList<QWidget*>>& groups);

    // How many rows the controls take now.
    int rows() const { return m_rows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Group {
        QList<QWidget*> controls;
        QList<QPoint> offsets;  // each control's place from the group's top left corner
        int gap = 0;            // from the group before (the first group: from the panel's left edge)
        int width = 0;
    };

    void flow();

    QWidget* m_panel;
    QList<Group> m_groups;
    int m_top = 0;
    int m_rowHeight = 0;
    int m_rows = 1;
    bool m_flowing = false;
};
