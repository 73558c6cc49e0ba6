#include "modules/zrm71300/timeline/timelinelayout.h"

#include <algorithm>
#include <cmath>

TimelineLayout::TimelineLayout(int year, const QRectF& area, int lanes)
    : m_first(year, 1, 1), m_area(area), m_lanes(lanes) {}

QRectF TimelineLayout::legend() const {
    return {m_area.left(), m_area.top(), m_area.width(), LegendHeight};
}

QRectF TimelineLayout::header() const {
    return {m_area.left() + LabelWidth, m_area.top() + LegendHeight, chart().width(), HeaderHeight};
}

QRectF TimelineLayout::chart() const {
    const double top = m_area.top() + LegendHeight + HeaderHeight;
    return {m_area.left() + LabelWidth, top, std::max(1.0, m_area.width() - LabelWidth - RightMargin),
            LaneHeight * m_lanes};
}

QRectF TimelineLayout::lane(int lane) const {
    return {m_area.left(), chart().top() + LaneHeight * lane, m_area.width() - RightMargin, LaneHeight};
}

QRectF TimelineLayout::label(int lane) const {
    const QRectF strip = this->lane(lane);
    return {strip.left() + 4, strip.top(), LabelWidth - 12, strip.height()};
}

double TimelineLayout::x(const QDate& day) const {
    const int days = m_first.daysInYear();
    const qint64 offset = std::clamp<qint64>(m_first.daysTo(day), 0, days);
    const QRectF area = chart();
    return area.left() + area.width() * double(offset) / double(days);
}

QRectF TimelineLayout::bar(const QDate& start, const QDate& end, int lane) const {
    const double left = x(start);
    const double right = std::max(x(end.addDays(1)), left + 2);
    const QRectF strip = this->lane(lane);
    return {left, strip.top() + (LaneHeight - BarHeight) / 2 - 2, right - left, BarHeight};
}

QRectF TimelineLayout::month(int month) const {
    const QRectF area = chart();
    const double left = x(QDate(year(), month, 1));
    const double right = month == 12 ? area.right() : x(QDate(year(), month + 1, 1));
    return {left, area.top(), right - left, area.height()};
}

int TimelineLayout::laneAt(double y) const {
    const double offset = y - chart().top();
    if (offset < 0)
        return -1;
    const int lane = int(std::floor(offset / LaneHeight));
    return lane < m_lanes ? lane : -1;
}
