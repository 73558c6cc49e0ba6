#pragma once

// Where the timeline's parts lie in a rectangle: the legend on top, the month header, then one lane
// per phase with the phase's name on the left and the months across the rest. The same layout
// serves the screen, the PNG and PDF exports and printing, and tells a mouse position its lane.

#include <QDate>
#include <QRectF>

class TimelineLayout {
public:
    static constexpr double LegendHeight = 42;  // two rows when the width needs them
    static constexpr double HeaderHeight = 24;
    static constexpr double LaneHeight = 26;
    static constexpr double BarHeight = 14;
    static constexpr double LabelWidth = 250;
    static constexpr double RightMargin = 12;

    // The layout of lanes lanes of year in area (its height is what heightFor gives, or more).
    TimelineLayout(int year, const QRectF& area, int lanes);

    // The height lanes lanes need.
    static double heightFor(int lanes) { return LegendHeight + HeaderHeight + LaneHeight * lanes + 6; }

    QRectF legend() const;
    QRectF header() const;
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
    // The lane at point y, or -1 outside every lane.
    int laneAt(double y) const;

    int year() const { return m_first.year(); }
    int lanes() const { return m_lanes; }

private:
    QDate m_first;
    QRectF m_area;
    int m_lanes;
};
