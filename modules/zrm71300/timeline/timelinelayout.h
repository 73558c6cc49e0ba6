#pragma once

// Where the timeline's parts lie in a rectangle: the legend on top, the month header (the months'
// names, and below them today's label), then one lane per phase with the phase's name on the left
// and the months across the rest. The same layout serves the screen, the PNG and PDF exports and
// printing, and tells a mouse position its lane.

#include <QDate>
#include <QList>
#include <QRectF>
#include <QStringList>

class QFontMetricsF;

// The legend's entries, a swatch and its text each, run left to right and wrap onto as many rows as
// the width needs, so that none is cut off however narrow the timeline is.
class TimelineLegend {
public:
    static constexpr double RowHeight = 18;
    static constexpr double SwatchWidth = 22;
    static constexpr double SwatchHeight = 12;

    // Lays the entries of labels, in metrics' font, across width (from its left edge at 0, 0).
    TimelineLegend(const QStringList& labels, const QFontMetricsF& metrics, double width);

    // The swatch and the text of entry index, relative to the legend's top left corner.
    QRectF swatch(int index) const { return m_swatches.value(index); }
    QRectF label(int index) const { return m_labels.value(index); }
    int count() const { return int(m_labels.size()); }
    // The height of the rows with their margins; one row's when there are no entries.
    double height() const { return m_height; }

private:
    QList<QRectF> m_swatches;
    QList<QRectF> m_labels;
    double m_height = 0;
};

class TimelineLayout {
public:
    static constexpr double MonthRowHeight = 22;
    // Today's label has a row of its own below the months' names, so it never covers one.
    static constexpr double TodayRowHeight = 16;
    static constexpr double HeaderHeight = MonthRowHeight + TodayRowHeight;
    static constexpr double LaneHeight = 26;
    static constexpr double BarHeight = 14;
    static constexpr double LabelWidth = 250;
    static constexpr double RightMargin = 12;

    // The layout of lanes lanes of year in area (its height is what heightFor gives, or more), under a
    // legend legendHeight high (TimelineLegend::height for area's width).
    TimelineLayout(int year, const QRectF& area, int lanes, double legendHeight);

    // The height lanes lanes need under a legend legendHeight high.
    static double heightFor(int lanes, double legendHeight) {
        return legendHeight + HeaderHeight + LaneHeight * lanes + 6;
    }

    QRectF legend() const;
    QRectF header() const;
    // The legend and the header: what stays on top while the lanes scroll.
    double frozenHeight() const { return m_legendHeight + HeaderHeight; }
    // The whole chart: the months across, every lane, below the header.
    QRectF chart() const;
    // The strip of lane (0 first), name column included.
    QRectF lane(int lane) const;
    QRectF label(int lane) const;
    // Where day lies across the chart: the left edge of that day; days outside the year stick to
    // the chart's edges.
    double x(const QDate& day) const;
    // The bar of a period in lane: from its first day's left edge to its last day's right edge, at
    // least two pixels wide so a one-day phase shows.
    QRectF bar(const QDate& start, const QDate& end, int lane) const;
    // The columns of month (1 … 12) over the chart.
    QRectF month(int month) const;
    // Where the name of month (1 … 12) is written: its column in the header's first row.
    QRectF monthName(int month) const;
    // Where today's label, textWidth wide, is written for day: in the header's second row, just right
    // of today's line, or just left of it where the chart would cut it off on the right.
    QRectF todayLabel(const QDate& day, double textWidth) const;
    // The lane at point y, or -1 outside every lane.
    int laneAt(double y) const;

    int year() const { return m_first.year(); }
    int lanes() const { return m_lanes; }

private:
    QDate m_first;
    QRectF m_area;
    int m_lanes;
    double m_legendHeight;
};
