#pragma once

// TSpinEdit: a whole-number box with up and down arrows (a QAbstractSpinBox underneath). Unlike a
// QSpinBox its text may be empty, so a handler can tell "nothing typed" from a number.

#include "framework/ui/control.h"
#include "framework/ui/events.h"

#include <QAbstractSpinBox>

class TSpinEdit : public TControl<QAbstractSpinBox>, public TWinControlEvents {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    // The limits apply only when they differ (both 0: any number). Typing a number above MaxValue is
    // refused; a number below MinValue is raised to it when the box loses the focus.
    int MinValue() const { return m_minValue; }
    void SetMinValue(int value) { m_minValue = value; }
    int MaxValue() const { return m_maxValue; }
    void SetMaxValue(int value) { m_maxValue = value; }
    // At most this many characters may be typed; 0 for no limit.
    int MaxLength() const;
    void SetMaxLength(int length);
    int Increment() const { return m_increment; }
    void SetIncrement(int increment) { m_increment = increment; }

    // The number shown; MinValue when the text is empty or not a number.
    int Value() const;
    // Shows value brought into the limits; runs OnChange directly when the text changed.
    void SetValue(int value);
    QString Text() const;
    // Shows text as it is (empty allowed); runs OnChange directly when the text changed.
    void SetText(const QString& text);

    // OnChange after every change of the text (typed or stepped: through the user-action boundary);
    // OnKeyDown and OnKeyPress before the box acts on a key.
    TNotifyEvent OnChange;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool hasLimits() const { return m_minValue != m_maxValue; }
    int bounded(int value) const;
    // Sets the text as the user's action: OnChange through the boundary.
    void setTextByUser(const QString& text);

    int m_minValue = 0;
    int m_maxValue = 0;
    int m_increment = 1;
    bool m_settingText = false;
};
