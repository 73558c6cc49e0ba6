#include "framework/ui/speedbutton.h"

#include "framework/ui/boundary.h"

#include <QIcon>

TSpeedButton::TSpeedButton(QWidget* parent) : TControl<QToolButton>(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(this, &QToolButton::clicked, this, [this] {
        if (OnClick)
            zrm::ui::guardUserAction(this, [this] { OnClick(this); });
    });
}

void TSpeedButton::SetCaption(const QString& caption) {
    setText(caption);
    setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
}

void TSpeedButton::SetGlyph(const QPixmap& glyph) {
    m_glyph = glyph;
    updateIcon();
}

void TSpeedButton::SetNumGlyphs(int count) {
    m_numGlyphs = qMax(1, count);
    updateIcon();
}

void TSpeedButton::Click() {
    if (isEnabled())
        click();
}

void TSpeedButton::updateIcon() {
    if (m_glyph.isNull()) {
        setIcon(QIcon());
        return;
    }
    const int width = m_glyph.width() / m_numGlyphs;
    QIcon icon(m_glyph.copy(0, 0, width, m_glyph.height()));
    if (m_numGlyphs > 1)
        icon.addPixmap(m_glyph.copy(width, 0, width, m_glyph.height()), QIcon::Disabled);
    setIcon(icon);
    setIconSize(QSize(width, m_glyph.height()));
}
