#include "modules/zrm71300/timeline/timelinelayout.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Margin = 4;
constexpr double SwatchGap = 4;  // between a swatch and its text
constexpr double EntryGap = 16;  // between an entry's text and the next swatch

}  // namespace

TimelineLegend::TimelineLegend(const QStringList& labels, const QFontMetricsF& metrics, double width) {
    double x = Margin;
    double y = Margin;
    for (const QString& text : labels) {
        const double textWidth = metrics.horizontalAdvance(text);
        if (x > Margin && x + SwatchWidth + SwatchGap + textWidth > width - Margin) {
            x = Margin;
            y += RowHeight;
        }
        m_swatches.append(QRectF(x, y, SwatchWidth, SwatchHeight));
        x += SwatchWidth + SwatchGap;
        m_labels.append(QRectF(x, y + SwatchHeight / 2 - metrics.height() / 2, textWidth, metrics.height()));
        x += textWidth + EntryGap;
    }
    m_height = y + RowHeight + 6;
}

TimelineLayout::TimelineLayout(int year, const QRectF& area, int lanes, double legendHeight)
    : m_first(year, 1, 1), m_area(area), m_lanes(lanes), m_legendHeight(legendHeight) {}

QRectF TimelineLayout::legend() const {
    return {m_area.left(), m_area.top(), m_area.width(), m_legendHeight};
}

QRectF TimelineLayout::header() const {
    return {m_area.left() + LabelWidth, m_area.top() + m_legendHeight, chart().width(), HeaderHeight};
}

QRectF TimelineLayout::chart() const {
    const double top = m_area.top() + frozenHeight();
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

QRectF TimelineLayout::monthName(int month) const {
    const QRectF column = this->month(month);
    return {column.left(), header().top(), column.width(), MonthRowHeight};
}

QRectF TimelineLayout::todayLabel(const QDate& day, double textWidth) const {
    const double line = x(day);
    const double right = chart().right();
    const double left = line + 3 + textWidth <= right ? line + 3 : line - 3 - textWidth;
    return {left, header().top() + MonthRowHeight, textWidth, TodayRowHeight};
}

int TimelineLayout::laneAt(double y) const {
    const double offset = y - chart().top();
    if (offset < 0)
        return -1;
    const int lane = int(std::floor(offset / LaneHeight));
    return lane < m_lanes ? lane : -1;
}
