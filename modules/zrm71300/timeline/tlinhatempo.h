#pragma once

// TLinhaTempo: the painted timeline of a budget calendar, a control of the timeline screen's form
// description. It shows a calendar (and another version's bars as outlines in compare mode), gives
// each lane a tooltip, and is reachable by keyboard: Up, Down, Home and End choose a lane, whose
// description becomes the control's accessible description and tooltip.

#include "modules/zrm71300/timeline/timelinepainter.h"

#include <QWidget>

#include <optional>

class QPagedPaintDevice;

class TLinhaTempo : public QWidget {
    Q_OBJECT
public:
    explicit TLinhaTempo(QWidget* parent = nullptr);

    // Makes "TLinhaTempo" a class form descriptions may name (with the common control properties).
    // Once per process; never fails.
    static void RegisterClass();

    // Shows shown, with other's bars as outlines when given; the selection goes back to the first
    // lane. Repaints; fires nothing.
    void SetCalendar(const TimelineCalendar& shown, std::optional<TimelineCalendar> other = std::nullopt);
    void SetTexts(const TimelineTexts& texts);

    const TimelineCalendar& Calendar() const { return m_shown; }
    const std::optional<TimelineCalendar>& Comparison() const { return m_other; }
    // The lanes shown, top to bottom.
    QList<TimelineLane> Lanes() const;
    // The layout of the timeline over the whole control.
    TimelineLayout Layout() const;

    int SelectedLane() const { return m_selected; }
    // The tooltip at a point of the control; empty outside every lane.
    QString ToolTipAt(const QPoint& point) const;

    // The timeline as a picture of width pixels (the height follows from the lanes), white behind.
    QImage RenderImage(int width) const;
    // Paints title and timeline on the page of device (a PDF writer or a printer), scaled to fit its
    // width. Never fails.
    void RenderPage(QPagedPaintDevice& device, const QString& title) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void select(int lane);
    const TimelineCalendar* other() const { return m_other ? &*m_other : nullptr; }

    TimelineCalendar m_shown;
    std::optional<TimelineCalendar> m_other;
    TimelineTexts m_texts;
    int m_selected = -1;
};
