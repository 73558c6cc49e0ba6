#include "modules/zrm71300/timeline/toolbarflow.h"

#include "framework/ui/control.h"

#include <QEvent>
#include <QWidget>

ToolbarFlow::ToolbarFlow(QWidget* panel, const QList<QList<QWidget*>>& groups)
    : QObject(panel), m_panel(panel), m_rowHeight(panel->height()) {
    int previousRight = 0;
    for (const QList<QWidget*>& controls : groups) {
        if (controls.isEmpty())
            continue;
        Group group;
        group.controls = controls;
        int left = controls.first()->x();
        int top = controls.first()->y();
        for (const QWidget* control : controls) {
            left = std::min(left, control->x());
            top = std::min(top, control->y());
        }
        for (const QWidget* control : controls) {
            group.offsets.append(control->pos() - QPoint(left, top));
            group.width = std::max(group.width, control->x() + control->width() - left);
        }
        if (m_groups.isEmpty())
            m_top = top;
        group.gap = std::max(m_groups.isEmpty() ? 0 : 8, left - previousRight);
        previousRight = left + group.width;
        m_groups.append(group);
    }
    panel->installEventFilter(this);
    flow();
}

bool ToolbarFlow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_panel && event->type() == QEvent::Resize && !m_flowing)
        flow();
    return false;
}

void ToolbarFlow::flow() {
    if (m_groups.isEmpty())
        return;
    m_flowing = true;
    const int start = m_groups.first().gap;
    int x = 0;
    int row = 0;
    for (const Group& group : std::as_const(m_groups)) {
        int left = x + group.gap;
        if (x > 0 && left + group.width > m_panel->width() - start) {
            ++row;
            left = start;
        }
        for (int index = 0; index < group.controls.size(); ++index)
            group.controls[index]->move(QPoint(left, m_top + row * m_rowHeight) + group.offsets[index]);
        x = left + group.width;
    }
    m_rows = row + 1;
    if (m_panel->height() != m_rows * m_rowHeight) {
        m_panel->resize(m_panel->width(), m_rows * m_rowHeight);
        // Lays the panel's aligned siblings out again below its new height.
        zrm::ui::setAlignOf(m_panel, zrm::ui::alignOf(m_panel));
    }
    m_flowing = false;
}
