#include "modules/zrm71300/timeline/tlinhatempo.h"

#include "framework/ui/componentregistry.h"

#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <cmath>
#include <mutex>

TLinhaTempo::TLinhaTempo(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    QPalette background = viewport()->palette();
    background.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(background);
    verticalScrollBar()->setSingleStep(int(TimelineLayout::LaneHeight));
    horizontalScrollBar()->setSingleStep(int(TimelineLayout::LaneHeight));
}

void TLinhaTempo::RegisterClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        zrm::ui::ComponentRegistry::standard().add(
            zrm::ui::widgetClass<TLinhaTempo>(QStringLiteral("TLinhaTempo")));
    });
}

void TLinhaTempo::SetCalendar(const TimelineCalendar& shown, std::optional<TimelineCalendar> other) {
    m_shown = shown;
    m_other = std::move(other);
    m_selected = -1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    select(Lanes().isEmpty() ? -1 : 0);
    updateGeometry();
}

void TLinhaTempo::SetTexts(const TimelineTexts& texts) {
    m_texts = texts;
    // The legend's height follows its texts.
    updateScrollBars();
    updateGeometry();
    viewport()->update();
}

QList<TimelineLane> TLinhaTempo::Lanes() const {
    return timelineLanes(m_shown, other());
}

double TLinhaTempo::contentWidth() const {
    return std::max(viewport()->width(), MinimumWidth);
}

double TLinhaTempo::legendHeight() const {
    return ::legendHeight(m_texts, font(), viewport()->width());
}

TimelineLayout TLinhaTempo::Layout() const {
    const int lanes = int(Lanes().size());
    const double legend = legendHeight();
    return {m_shown.year,
            QRectF(-horizontalScrollBar()->value(), -verticalScrollBar()->value(), contentWidth(),
                   TimelineLayout::heightFor(lanes, legend)),
            lanes, legend};
}

QString TLinhaTempo::ToolTipAt(const QPoint& point) const {
    if (point.y() < frozenTop())
        return {};
    const QList<TimelineLane> lanes = Lanes();
    const int lane = Layout().laneAt(point.y());
    return lane < 0 ? QString() : laneDescription(lanes[lane], other(), m_texts);
}

QImage TLinhaTempo::RenderImage(int width, const QString& title) const {
    const int lanes = int(Lanes().size());
    const double legend = ::legendHeight(m_texts, font(), width);
    QImage image(width, int(TitleHeight + TimelineLayout::heightFor(lanes, legend)), QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setText(QStringLiteral("Title"), title);
    QPainter painter(&image);
    QFont heading = font();
    heading.setPixelSize(18);
    heading.setBold(true);
    painter.setFont(heading);
    painter.drawText(QRectF(8, 0, width - 16, TitleHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(font());
    paintTimeline(painter,
                  TimelineLayout(m_shown.year, QRectF(0, TitleHeight, width, image.height() - TitleHeight),
                                 lanes, legend),
                  m_shown, other(), m_texts);
    return image;
}

void TLinhaTempo::RenderPage(QPagedPaintDevice& device, const QString& title,
                             const QList<ReportTable>& tables) const {
    const int lanes = int(Lanes().size());
    QPainter painter(&device);
    const QRect page = painter.viewport();
    // A logical page as wide as the screen's timeline, scaled onto the device.
    const double scale = double(page.width()) / PreferredWidth;
    const double pageHeight = page.height() / scale;
    painter.scale(scale, scale);
    // Sizes in the logical page's pixels, whatever the device's resolution.
    QFont text = font();
    text.setPixelSize(12);
    QFont heading = text;
    heading.setPixelSize(18);
    heading.setBold(true);
    const double frozen = ::legendHeight(m_texts, text, PreferredWidth) + TimelineLayout::HeaderHeight;
    const int lanesPerPage =
        std::max(1, int(std::floor((pageHeight - TitleHeight - frozen - 6) / TimelineLayout::LaneHeight)));
    double end = 0;
    for (int first = 0; first == 0 || first < lanes; first += lanesPerPage) {
        if (first > 0)
            device.newPage();
        painter.setFont(heading);
        painter.drawText(QRectF(0, 0, PreferredWidth, 30), Qt::AlignLeft | Qt::AlignVCenter, title);
        painter.setFont(text);
        const int onPage = std::min(lanesPerPage, lanes - first);
        painter.save();
        painter.translate(0, TitleHeight);
        paintTimelineWindow(painter, QSizeF(PreferredWidth, frozen + TimelineLayout::LaneHeight * onPage),
                            QPointF(0, TimelineLayout::LaneHeight * first), PreferredWidth, m_shown, other(),
                            m_texts);
        painter.restore();
        end = TitleHeight + frozen + TimelineLayout::LaneHeight * std::max(onPage, 0);
    }
    paintReportTables(painter, device, QRectF(0, 0, PreferredWidth, pageHeight), end, tables);
}

QSize TLinhaTempo::sizeHint() const {
    return {PreferredWidth, int(TimelineLayout::heightFor(int(std::max<qsizetype>(Lanes().size(), 1)),
                                                          ::legendHeight(m_texts, font(), PreferredWidth)))};
}

void TLinhaTempo::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    paintTimelineWindow(painter, QSizeF(viewport()->size()),
                        QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()), contentWidth(),
                        m_shown, other(), m_texts, hasFocus() ? m_selected : -1);
}

int TLinhaTempo::visibleLanes() const {
    return std::max(1, int((viewport()->height() - frozenTop()) / TimelineLayout::LaneHeight));
}

void TLinhaTempo::keyPressEvent(QKeyEvent* event) {
    const int last = int(Lanes().size()) - 1;
    switch (event->key()) {
        case Qt::Key_Up:
            select(std::max(0, m_selected - 1));
            break;
        case Qt::Key_Down:
            select(std::min(last, m_selected + 1));
            break;
        case Qt::Key_PageUp:
            select(std::max(0, m_selected - visibleLanes()));
            break;
        case Qt::Key_PageDown:
            select(std::min(last, m_selected + visibleLanes()));
            break;
        case Qt::Key_Home:
            select(last >= 0 ? 0 : -1);
            break;
        case Qt::Key_End:
            select(last);
            break;
        default:
            // Left and Right scroll across the months.
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (m_selected >= 0)
        QToolTip::showText(viewport()->mapToGlobal(Layout().lane(m_selected).bottomLeft().toPoint()),
                           toolTip(), this);
}

void TLinhaTempo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TLinhaTempo::scrollContentsBy(int, int) {
    viewport()->update();
}

bool TLinhaTempo::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

bool TLinhaTempo::event(QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        viewport()->update();
    return QAbstractScrollArea::event(event);
}

void TLinhaTempo::updateScrollBars() {
    const QSize visible = viewport()->size();
    const int height = int(std::ceil(TimelineLayout::heightFor(int(Lanes().size()), legendHeight())));
    verticalScrollBar()->setRange(0, std::max(0, height - visible.height()));
    verticalScrollBar()->setPageStep(std::max(1, visible.height() - int(frozenTop())));
    horizontalScrollBar()->setRange(0, std::max(0, MinimumWidth - visible.width()));
    horizontalScrollBar()->setPageStep(std::max(1, visible.width() - int(TimelineLayout::LabelWidth)));
}

void TLinhaTempo::ensureLaneVisible(int lane) {
    if (lane < 0)
        return;
    // Where the lane lies in the whole timeline, and the part of it the lanes' area shows.
    const int frozen = int(frozenTop());
    const int top = int(frozen + TimelineLayout::LaneHeight * lane);
    const int bottom = top + int(TimelineLayout::LaneHeight);
    const int scrolled = verticalScrollBar()->value();
    if (top < scrolled + frozen)
        verticalScrollBar()->setValue(top - frozen);
    else if (bottom > scrolled + viewport()->height())
        verticalScrollBar()->setValue(bottom - viewport()->height());
}

void TLinhaTempo::select(int lane) {
    const QList<TimelineLane> lanes = Lanes();
    m_selected = lane >= 0 && lane < lanes.size() ? lane : -1;
    const QString description =
        m_selected < 0 ? QString() : laneDescription(lanes[m_selected], other(), m_texts);
    setAccessibleDescription(description);
    setToolTip(description);
    ensureLaneVisible(m_selected);
    viewport()->update();
}
