#pragma once

// TEdit: a one-line text box (a QLineEdit underneath).

#include "framework/ui/control.h"
#include "framework/ui/events.h"

#include <QLineEdit>

class TEdit : public TControl<QLineEdit>, public TWinControlEvents {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    // Replaces the text (cut to MaxLength) and, when it changed, runs OnChange directly: an exception
    // of the handler reaches the caller.
    void SetText(const QString& text);
    // At most this many characters may be typed; 0 for no limit.
    int MaxLength() const;
    void SetMaxLength(int length);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }

    // OnChange after every change of the text (typed: through the user-action boundary); OnKeyDown
    // and OnKeyPress before the edit acts on a key.
    TNotifyEvent OnChange;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

protected:
    bool event(QEvent* event) override;

private:
    bool m_settingText = false;
};
