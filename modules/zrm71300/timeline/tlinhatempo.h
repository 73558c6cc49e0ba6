#pragma once

// TLinhaTempo: the painted timeline of a budget calendar, a control of the timeline screen's form
// description. It shows a calendar (and another version's bars as outlines in compare mode), gives
// each lane a tooltip, and is reachable by keyboard: Up, Down, Page Up, Page Down, Home and End
// choose a lane, whose description becomes the control's accessible description and tooltip. Lanes
// that do not fit scroll vertically, and a control narrower than MinimumWidth scrolls horizontally
// (Left and Right); the legend (wrapped to the visible width) and the month header stay on top and
// the lanes' names at the left.
// Exports and printing always show every lane.

#include "modules/zrm71300/timeline/reporttable.h"
#include "modules/zrm71300/timeline/timelinepainter.h"

#include <QAbstractScrollArea>

#include <optional>

class QPagedPaintDevice;

class TLinhaTempo : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The width the timeline is designed for (and exports at), and the least it is drawn at: a
    // narrower control scrolls horizontally instead of squeezing the months.
    static constexpr int PreferredWidth = 960;
    static constexpr int MinimumWidth = 720;

    explicit TLinhaTempo(QWidget* parent = nullptr);

    // Makes "TLinhaTempo" a class form descriptions may name (with the common control properties).
    // Once per process; never fails.
    static void RegisterClass();

    // Shows shown, with other's bars as outlines when given; the selection goes back to the first
    // lane. Repaints; fires nothing.
    void SetCalendar(const TimelineCalendar& shown, std::optional<TimelineCalendar> other = std::nullopt);
    void SetTexts(const TimelineTexts& texts);

    const TimelineTexts& Texts() const { return m_texts; }
    const TimelineCalendar& Calendar() const { return m_shown; }
    const std::optional<TimelineCalendar>& Comparison() const { return m_other; }
    // The lanes shown, top to bottom.
    QList<TimelineLane> Lanes() const;
    // The layout of the whole timeline in the coordinates of the visible area (moved by the scroll).
    TimelineLayout Layout() const;

    int SelectedLane() const { return m_selected; }
    // The tooltip at a point of the visible area; empty outside every lane and on the month header.
    QString ToolTipAt(const QPoint& point) const;

    // The band above the timeline that exports and pages write their title in, in the picture's or
    // the logical page's pixels.
    static constexpr double TitleHeight = 36;

    // The title and under it the timeline as a picture of width pixels (the height follows from the
    // lanes), white behind; the title is also the picture's "Title" text, kept in a PNG file.
    QImage RenderImage(int width, const QString& title) const;
    // Paints title and timeline on the pages of device (a PDF writer or a printer), scaled to fit its
    // width; lanes that do not fit a page go on to further pages, each with the title, legend and
    // month header. The tables follow the timeline, on further pages as they need. Never fails.
    void RenderPage(QPagedPaintDevice& device, const QString& title,
                    const QList<ReportTable>& tables = {}) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void select(int lane);
    // Scrolls the least that shows lane whole below the month header.
    void ensureLaneVisible(int lane);
    void updateScrollBars();
    double contentWidth() const;
    // The legend's height across the visible width, and with the month header what stays on top.
    double legendHeight() const;
    double frozenTop() const { return legendHeight() + TimelineLayout::HeaderHeight; }
    // How many whole lanes the visible area shows below the header (at least one).
    int visibleLanes() const;
    const TimelineCalendar* other() const { return m_other ? &*m_other : nullptr; }

    TimelineCalendar m_shown;
    std::optional<TimelineCalendar> m_other;
    TimelineTexts m_texts;
    int m_selected = -1;
};
