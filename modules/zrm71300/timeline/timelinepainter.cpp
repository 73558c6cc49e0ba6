#include "modules/zrm71300/timeline/timelinepainter.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <functional>

#include <cmath>

namespace {

QString shortDate(const QDate& date) {
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QColor colourOf(PhaseKind kind) {
    switch (kind) {
        case PhaseKind::Concluded:
            return TimelineColors::Concluded;
        case PhaseKind::Blocked:
            return TimelineColors::Blocked;
        case PhaseKind::Calculation:
            return TimelineColors::Calculation;
        case PhaseKind::Ordinary:
            break;
    }
    return TimelineColors::Ordinary;
}

// Fills a bar in the colour of its kind and the pattern that tells the kinds apart without colour:
// stripes for calculation, a cross-hatch for blocked, dots for concluded, plain for ordinary.
void fillBar(QPainter& painter, const QRectF& bar, PhaseKind kind) {
    painter.fillRect(bar, colourOf(kind));
    Qt::BrushStyle pattern = Qt::NoBrush;
    if (kind == PhaseKind::Calculation)
        pattern = Qt::BDiagPattern;
    else if (kind == PhaseKind::Blocked)
        pattern = Qt::DiagCrossPattern;
    else if (kind == PhaseKind::Concluded)
        pattern = Qt::Dense6Pattern;
    if (pattern != Qt::NoBrush)
        painter.fillRect(bar, QBrush(QColor(255, 255, 255, 150), pattern));
}

// Paints the legend's entries (legendLabels' order) across area, wrapping as TimelineLegend lays them.
void paintLegend(QPainter& painter, const QRectF& area, const TimelineTexts& texts) {
    const QStringList labels = legendLabels(texts);
    const TimelineLegend legend(labels, QFontMetricsF(painter.font()), area.width());
    const auto at = [&](const QRectF& box) { return box.translated(area.topLeft()); };
    const auto swatches = std::array<std::function<void(const QRectF&)>, 8>{
        [&](const QRectF& box) { fillBar(painter, box, PhaseKind::Ordinary); },
        [&](const QRectF& box) { fillBar(painter, box, PhaseKind::Calculation); },
        [&](const QRectF& box) { fillBar(painter, box, PhaseKind::Blocked); },
        [&](const QRectF& box) { fillBar(painter, box, PhaseKind::Concluded); },
        [&](const QRectF& box) {
            painter.setPen(QPen(TimelineColors::ConflictMark, 2, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box.adjusted(1, 1, -1, -1));
        },
        [&](const QRectF& box) {
            painter.fillRect(QRectF(box.left(), box.bottom() - 4, box.width(), 4),
                             TimelineColors::PermittedMonth);
        },
        [&](const QRectF& box) {
            painter.setPen(QPen(TimelineColors::Comparison, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box);
        },
        [&](const QRectF& box) {
            painter.setPen(QPen(TimelineColors::Today, 2));
            painter.drawLine(QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()));
        }};
    for (int index = 0; index < legend.count(); ++index) {
        swatches[size_t(index)](at(legend.swatch(index)));
        painter.setPen(Qt::black);
        painter.drawText(at(legend.label(index)), Qt::AlignLeft | Qt::AlignVCenter, labels[index]);
    }
}

// The month columns with their lines, and their names in the header when withNames.
void paintMonths(QPainter& painter, const TimelineLayout& layout, const TimelineTexts& texts,
                 bool withNames) {
    const QRectF chart = layout.chart();
    for (int month = 1; month <= 12; ++month) {
        const QRectF column = layout.month(month);
        if (month % 2 == 0)
            painter.fillRect(column, QColor(0xf3, 0xf6, 0xf9));
        painter.setPen(QColor(0xc9, 0xd1, 0xd9));
        painter.drawLine(QPointF(column.left(), layout.header().top() + 4),
                         QPointF(column.left(), chart.bottom()));
        if (!withNames)
            continue;
        painter.setPen(Qt::black);
        painter.drawText(layout.monthName(month), Qt::AlignCenter, texts.months.value(month - 1));
    }
}

void paintLane(QPainter& painter, const TimelineLayout& layout, int index, const TimelineLane& lane,
               bool selected) {
    const TimelinePhase& phase = lane.phase();
    painter.setPen(lane.shown ? Qt::black : Qt::darkGray);
    painter.drawText(
        layout.label(index), Qt::AlignRight | Qt::AlignVCenter,
        painter.fontMetrics().elidedText(phase.name, Qt::ElideRight, int(layout.label(index).width())));
    if (lane.shown) {
        const QRectF bar = layout.bar(phase.start, phase.end, index);
        if (phase.calculation) {
            for (int month = 1; month <= 12; ++month) {
                if (!phase.permittedMonths[size_t(month - 1)])
                    continue;
                const QRectF column = layout.month(month);
                painter.fillRect(QRectF(column.left() + 1, bar.bottom() + 2, column.width() - 2, 3),
                                 TimelineColors::PermittedMonth);
            }
        }
        fillBar(painter, bar, phase.kind());
        if (phase.conflict) {
            painter.setPen(QPen(TimelineColors::ConflictMark, 2, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(bar.adjusted(-3, -3, 3, 3));
        }
    }
    if (lane.other) {
        painter.setPen(QPen(TimelineColors::Comparison, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(layout.bar(lane.other->start, lane.other->end, index).adjusted(0, -1, 0, 1));
    }
    if (selected) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(layout.lane(index).adjusted(1, 1, -1, -1));
    }
}

}  // namespace

QString laneDescription(const TimelineLane& lane, const TimelineCalendar* other, const TimelineTexts& texts) {
    const TimelinePhase& phase = lane.phase();
    QStringList lines;
    if (!lane.shown) {
        lines << QStringLiteral("%1 (%2)").arg(phase.name, phase.code);
        lines << texts.absentFromShown.arg(other ? other->version : QString());
    } else {
        lines << texts.tooltip.arg(phase.name, phase.code, shortDate(phase.start), shortDate(phase.end));
        if (phase.calculation) {
            QStringList months;
            for (int month = 0; month < 12; ++month) {
                if (phase.permittedMonths[size_t(month)])
                    months << texts.months.value(month);
            }
            lines << texts.permittedIn.arg(months.join(QStringLiteral(", ")));
        }
        if (phase.conflict)
            lines << texts.conflictWith.arg(phase.conflict->name, phase.conflict->code) << texts.conflictRule;
    }
    if (lane.other && other)
        lines << texts.inComparison.arg(other->version, shortDate(lane.other->start),
                                        shortDate(lane.other->end));
    return lines.join(QLatin1Char('\n'));
}

void paintTimeline(QPainter& painter, const TimelineLayout& layout, const TimelineCalendar& shown,
                   const TimelineCalendar* other, const TimelineTexts& texts, int selected,
                   const TimelineParts& parts) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (parts.legend)
        paintLegend(painter, layout.legend(), texts);
    paintMonths(painter, layout, texts, parts.header);
    const QList<TimelineLane> lanes = timelineLanes(shown, other);
    const int end = int(std::min<qsizetype>(parts.endLane, lanes.size()));
    for (int index = std::max(0, parts.firstLane); index < end; ++index)
        paintLane(painter, layout, index, lanes[index], index == selected);
    if (shown.today.year() == layout.year()) {
        const double x = layout.x(shown.today);
        const QRectF chart = layout.chart();
        painter.setPen(QPen(TimelineColors::Today, 2));
        painter.drawLine(QPointF(x, layout.header().top() + TimelineLayout::MonthRowHeight),
                         QPointF(x, chart.bottom()));
        if (parts.header)
            painter.drawText(
                layout.todayLabel(shown.today, QFontMetricsF(painter.font()).horizontalAdvance(texts.today)),
                Qt::AlignLeft | Qt::AlignVCenter, texts.today);
    }
    painter.restore();
}

void paintTimelineWindow(QPainter& painter, const QSizeF& size, const QPointF& offset, double contentWidth,
                         const TimelineCalendar& shown, const TimelineCalendar* other,
                         const TimelineTexts& texts, int selected) {
    const int lanes = int(timelineLanes(shown, other).size());
    // The legend is laid across what shows, so all of it is in sight at any scroll.
    const double legend = legendHeight(texts, painter.font(), size.width());
    const double height = TimelineLayout::heightFor(lanes, legend);
    const auto layoutAt = [&](double left, double up, double width) {
        return TimelineLayout(shown.year, QRectF(-left, -up, width, height), lanes, legend);
    };
    const double top = layoutAt(0, 0, contentWidth).frozenHeight();
    // Each part is painted with the offsets it follows and clipped to where it shows.
    const auto paintPart = [&](const QRectF& clip, const TimelineLayout& layout, const TimelineParts& parts) {
        painter.save();
        painter.setClipRect(clip, Qt::IntersectClip);
        painter.fillRect(clip, Qt::white);
        paintTimeline(painter, layout, shown, other, texts, selected, parts);
        painter.restore();
    };
    const QRectF lanesArea(0, top, size.width(), std::max(0.0, size.height() - top));
    // Only the lanes that show, wholly or in part.
    const TimelineParts shownLanes{
        false, false, int(std::floor(offset.y() / TimelineLayout::LaneHeight)),
        int(std::ceil((offset.y() + lanesArea.height()) / TimelineLayout::LaneHeight))};
    paintPart(lanesArea, layoutAt(offset.x(), offset.y(), contentWidth), shownLanes);
    if (offset.x() > 0)
        paintPart(QRectF(0, top, TimelineLayout::LabelWidth, lanesArea.height()),
                  layoutAt(0, offset.y(), contentWidth), shownLanes);
    paintPart(QRectF(0, 0, size.width(), legend), layoutAt(0, 0, size.width()), {true, false, 0, 0});
    paintPart(QRectF(TimelineLayout::LabelWidth, legend,
                     std::max(0.0, size.width() - TimelineLayout::LabelWidth), TimelineLayout::HeaderHeight),
              layoutAt(offset.x(), 0, contentWidth), {false, true, 0, 0});
    painter.fillRect(QRectF(0, legend, TimelineLayout::LabelWidth, TimelineLayout::HeaderHeight), Qt::white);
}

QStringList legendLabels(const TimelineTexts& texts) {
    return {texts.ordinary, texts.calculation,    texts.blocked,    texts.concluded,
            texts.conflict, texts.permittedMonth, texts.comparison, texts.today};
}

double legendHeight(const TimelineTexts& texts, const QFont& font, double width) {
    return TimelineLegend(legendLabels(texts), QFontMetricsF(font), width).height();
}
