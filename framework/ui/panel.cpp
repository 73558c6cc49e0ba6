#include "framework/ui/panel.h"

#include <QPainter>

TPanel::TPanel(QWidget* parent) : TControl<QFrame>(parent) {
    SetBevelOuter(bvRaised);
}

void TPanel::SetCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
    m_bevelOuter = bevel;
    switch (bevel) {
        case bvNone:
            setFrameStyle(QFrame::NoFrame);
            break;
        case bvLowered:
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
            break;
        case bvRaised:
            setFrameStyle(QFrame::Panel | QFrame::Raised);
            break;
    }
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_caption.isEmpty())
        return;
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter, m_caption);
}

TScrollBox::TScrollBox(QWidget* parent) : TControl<QScrollArea>(parent) {
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("zrmScrollClient"));
    setWidget(client);
    setWidgetResizable(true);
}
