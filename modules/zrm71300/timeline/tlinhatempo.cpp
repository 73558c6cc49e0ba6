#include "modules/zrm71300/timeline/tlinhatempo.h"

#include "framework/ui/componentregistry.h"

#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QToolTip>

#include <mutex>

namespace {

constexpr int PreferredWidth = 960;

}  // namespace

TLinhaTempo::TLinhaTempo(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
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
    select(Lanes().isEmpty() ? -1 : 0);
    updateGeometry();
    update();
}

void TLinhaTempo::SetTexts(const TimelineTexts& texts) {
    m_texts = texts;
    update();
}

QList<TimelineLane> TLinhaTempo::Lanes() const {
    return timelineLanes(m_shown, other());
}

TimelineLayout TLinhaTempo::Layout() const {
    return TimelineLayout(m_shown.year, QRectF(rect()), int(Lanes().size()));
}

QString TLinhaTempo::ToolTipAt(const QPoint& point) const {
    const QList<TimelineLane> lanes = Lanes();
    const int lane = Layout().laneAt(point.y());
    return lane < 0 ? QString() : laneDescription(lanes[lane], other(), m_texts);
}

QImage TLinhaTempo::RenderImage(int width) const {
    const int lanes = int(Lanes().size());
    QImage image(width, int(TimelineLayout::heightFor(lanes)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font());
    paintTimeline(painter, TimelineLayout(m_shown.year, QRectF(image.rect()), lanes), m_shown, other(),
                  m_texts);
    return image;
}

void TLinhaTempo::RenderPage(QPagedPaintDevice& device, const QString& title) const {
    const int lanes = int(Lanes().size());
    QPainter painter(&device);
    const QRect page = painter.viewport();
    // A logical page as wide as the screen's timeline, scaled onto the device.
    const double scale = double(page.width()) / PreferredWidth;
    painter.scale(scale, scale);
    // Sizes in the logical page's pixels, whatever the device's resolution.
    QFont text = font();
    text.setPixelSize(12);
    QFont heading = text;
    heading.setPixelSize(18);
    heading.setBold(true);
    painter.setFont(heading);
    painter.drawText(QRectF(0, 0, PreferredWidth, 30), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(text);
    paintTimeline(
        painter,
        TimelineLayout(m_shown.year, QRectF(0, 36, PreferredWidth, TimelineLayout::heightFor(lanes)), lanes),
        m_shown, other(), m_texts);
}

QSize TLinhaTempo::sizeHint() const {
    return {PreferredWidth, int(TimelineLayout::heightFor(int(std::max<qsizetype>(Lanes().size(), 1))))};
}

void TLinhaTempo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintTimeline(painter, Layout(), m_shown, other(), m_texts, hasFocus() ? m_selected : -1);
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
        case Qt::Key_Home:
            select(last >= 0 ? 0 : -1);
            break;
        case Qt::Key_End:
            select(last);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    if (m_selected >= 0)
        QToolTip::showText(mapToGlobal(Layout().lane(m_selected).bottomLeft().toPoint()), toolTip(), this);
}

bool TLinhaTempo::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QWidget::event(event);
}

void TLinhaTempo::select(int lane) {
    const QList<TimelineLane> lanes = Lanes();
    m_selected = lane >= 0 && lane < lanes.size() ? lane : -1;
    const QString description =
        m_selected < 0 ? QString() : laneDescription(lanes[m_selected], other(), m_texts);
    setAccessibleDescription(description);
    setToolTip(description);
    update();
}
