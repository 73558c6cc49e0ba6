#pragma once

// TSpeedButton: a toolbar button with a caption and/or a glyph (a QToolButton underneath). It never
// takes the focus, so pressing it leaves the screen's active control where it is.

#include "framework/ui/control.h"
#include "framework/ui/events.h"

#include <QPixmap>
#include <QToolButton>

class TSpeedButton : public TControl<QToolButton> {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    // A glyph of NumGlyphs images side by side (up, disabled, …); the first is the button's icon and
    // the second, when present, its disabled look.
    QPixmap Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap& glyph);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int count);
    bool Flat() const { return autoRaise(); }
    void SetFlat(bool flat) { setAutoRaise(flat); }

    // Runs OnClick as the user's action, as a click does; nothing when disabled.
    void Click();

    TNotifyEvent OnClick;

private:
    void updateIcon();

    QPixmap m_glyph;
    int m_numGlyphs = 1;
};
