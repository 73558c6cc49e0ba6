#include "framework/ui/busywindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

namespace {
constexpr int frameInterval = 80;  // ms
constexpr int spokes = 12;
constexpr int barSteps = 20;
}  // namespace

BusyWindow::BusyWindow(QWidget* over)
    // A tool-tip window: window systems (and the offscreen platform, which activates every other
    // window it shows) never give it the focus, so the screen's active window and control stay.
    : QWidget(over ? over->window() : nullptr,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint)
    , m_over(over) {
    setObjectName(QStringLiteral("BusyWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(320, 110);
}

void BusyWindow::showBusy(int kind, const QString& text) {
    m_kind = kind;
    m_text = text;
    m_frame = 0;
    const QRect around =
        m_over ? m_over->window()->frameGeometry()
               : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                   : QRect(0, 0, width(), height()));
    move(around.center() - rect().center());
    show();
    raise();
    if (!m_timerId)
        m_timerId = startTimer(frameInterval);
    repaint();  // the caller usually blocks next, with no event loop to paint later
}

void BusyWindow::hideBusy() {
    if (m_timerId) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    hide();
}

void BusyWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId)
        return QWidget::timerEvent(event);
    ++m_frame;
    update();
}

void BusyWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect animation =
        m_text.isEmpty() ? rect().adjusted(10, 10, -10, -10) : QRect(10, 10, width() - 20, 56);
    if (m_kind == spinnerKind)
        paintSpinner(painter, animation);
    else
        paintMovingBar(painter, animation);
    if (!m_text.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(10, 70, width() - 20, 30), Qt::AlignCenter | Qt::TextWordWrap, m_text);
    }
}

void BusyWindow::paintSpinner(QPainter& painter, const QRect& area) const {
    const int radius = qMin(area.width(), area.height()) / 2 - 2;
    painter.save();
    painter.translate(area.center());
    painter.rotate(360.0 / spokes * (m_frame % spokes));
    QColor color = palette().color(QPalette::Highlight);
    for (int spoke = 0; spoke < spokes; ++spoke) {
        color.setAlphaF(0.15F + 0.85F * static_cast<float>(spoke) / static_cast<float>(spokes - 1));
        painter.setPen(QPen(color, 4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(0, -radius / 2, 0, -radius);
        painter.rotate(360.0 / spokes);
    }
    painter.restore();
}

void BusyWindow::paintMovingBar(QPainter& painter, const QRect& area) const {
    const QRect track(area.left() + 10, area.center().y() - 8, area.width() - 20, 16);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().base());
    painter.drawRect(track);
    // To and fro: position 0 … barSteps … 0.
    const int step = m_frame % (2 * barSteps);
    const int position = step <= barSteps ? step : 2 * barSteps - step;
    const int blockWidth = track.width() / 4;
    const int left = track.left() + (track.width() - blockWidth) * position / barSteps;
    painter.setBrush(palette().highlight());
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRect(left, track.top() + 2, blockWidth, track.height() - 3));
}
