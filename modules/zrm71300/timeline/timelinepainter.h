#pragma once

// Paints the timeline: legend, month header, one lane per phase with its bar, the permitted months
// of calculation phases, the conflict mark of blocked phases, the other version's bars as outlines
// in compare mode, and today's line. One painter for the screen, the exports and printing.

#include "domain/calendar/timeline.h"
#include "modules/zrm71300/timeline/timelinelayout.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QStringList>

#include <limits>

class QFont;
class QPainter;

// The calendar's timeline as the domain keeps it, in the words the timeline screen paints it with.
using zrm::calendar::compareCalendars;
using zrm::calendar::PhaseKind;
using zrm::calendar::TimelineCalendar;
using zrm::calendar::TimelineDifference;
using zrm::calendar::TimelineLane;
using zrm::calendar::timelineLanes;
using zrm::calendar::TimelinePhase;

// The texts the timeline shows, from the screen's message table (so the language resource module
// translates them).
struct TimelineTexts {
    QStringList months;  // twelve short month names, January first
    QString today;
    QString ordinary, calculation, blocked, concluded, conflict, permittedMonth, comparison;
    QString conflictRule;     // why a blocked phase may not touch another phase
    QString conflictWith;     // %1 name, %2 code: the phase a blocked one conflicts with
    QString tooltip;          // %1 name, %2 code, %3 start, %4 end
    QString permittedIn;      // %1 the months
    QString inComparison;     // %1 version, %2 start, %3 end
    QString absentFromShown;  // %1 version: a phase only the other version has
};

namespace TimelineColors {
inline const QColor Ordinary{0x4a, 0x78, 0xb5};
inline const QColor Calculation{0x2f, 0x9e, 0x5b};
inline const QColor Blocked{0xc0, 0x39, 0x2b};
inline const QColor Concluded{0x7f, 0x8c, 0x8d};
inline const QColor ConflictMark{0xe6, 0x7e, 0x22};
inline const QColor PermittedMonth{0xf1, 0xc4, 0x0f};
inline const QColor Today{0xd3, 0x54, 0x00};
inline const QColor Comparison{0x1d, 0x27, 0x33};
}  // namespace TimelineColors

// The tooltip of a lane: name, code and dates, the permitted months of a calculation phase, the
// conflict with the phase it conflicts with and the rule's text, and in compare mode the other
// version's dates.
QString laneDescription(const TimelineLane& lane, const TimelineCalendar* other, const TimelineTexts& texts);

// The legend's texts in the order of its entries: the four kinds of phase, the conflict, the
// permitted month, the compared version and today.
QStringList legendLabels(const TimelineTexts& texts);
// The height of the legend across width in font (TimelineLegend::height).
double legendHeight(const TimelineTexts& texts, const QFont& font, double width);

// Which parts of the timeline to paint: the legend, the month header, and the lanes from firstLane
// up to (not including) endLane. Parts left out are not drawn at all, so that a clipped view or a
// page holds no hidden text.
struct TimelineParts {
    bool legend = true;
    bool header = true;
    int firstLane = 0;
    int endLane = std::numeric_limits<int>::max();
};

// Paints the parts of the timeline of shown (and the outlines of other when given) in layout; the lane
// selected (or -1) gets a focus frame. Never fails.
void paintTimeline(QPainter& painter, const TimelineLayout& layout, const TimelineCalendar& shown,
                   const TimelineCalendar* other, const TimelineTexts& texts, int selected = -1,
                   const TimelineParts& parts = {});

// Paints into the window (0, 0, size) of painter the part of the timeline of shown, laid out
// contentWidth wide, that lies there when the content is moved by offset (left, up): the legend,
// laid across the window in painter's font, stays where it is; the month header stays on top and
// follows the horizontal offset only, the lanes' names stay at the
// left and follow the vertical offset only, and the bars move under both. The screen shows its
// scrolled view this way and each printed page its share of the lanes. Never fails.
void paintTimelineWindow(QPainter& painter, const QSizeF& size, const QPointF& offset, double contentWidth,
                         const TimelineCalendar& shown, const TimelineCalendar* other,
                         const TimelineTexts& texts, int selected = -1);
