#pragma once

// The screen's active control and its OnEnter / OnExit events, as a person sees the focus move
// inside the screen.
//
// The tracker follows QApplication::focusChanged, keeping only moves onto a control of its screen: a
// dialog, the busy window, the search window or another window taking the focus changes nothing, and
// the focus coming back to the same control fires nothing. A move from control A to control B fires
// OnExit of A and of each container of A (TPanel, …) that does not also hold B, innermost first, then
// OnEnter of each container of B that does not hold A, outermost first, then OnEnter of B.
//
// Handlers run through the user-action boundary. When an OnExit handler stops (throws), the
// remaining exits and every enter are skipped, and the focus stays where the handler put it or, when
// it put it nowhere inside the screen, goes back to the control being left.

#include <QObject>
#include <QPointer>
#include <QWidget>

class TWinControlEvents;

namespace zrm::ui {

class FocusTracker : public QObject {
    Q_OBJECT
public:
    explicit FocusTracker(QWidget* screen);

    // The control of the screen that last received the focus (nullptr before the first one).
    QWidget* activeControl() const { return m_active; }
    // The control that was active before it (nullptr until the focus has moved between two controls
    // of the screen). Already set when the OnEnter handlers of a move run.
    QWidget* previousControl() const { return m_previous; }

    // The control that takes part in the screen's focus for widget: widget itself or its nearest
    // ancestor with OnEnter/OnExit inside the screen (an inner line edit counts as its spin box).
    // nullptr when widget is outside the screen.
    QWidget* controlFor(QWidget* widget) const;

private:
    void focusChanged(QWidget* now);
    void moveTo(QWidget* target);
    // The control and its containers with OnEnter/OnExit, innermost first, up to the screen.
    QList<QWidget*> chainOf(QWidget* control) const;
    QWidget* currentFocusInScreen() const;

    QWidget* m_screen;
    QPointer<QWidget> m_active;
    QPointer<QWidget> m_previous;
    bool m_dispatching = false;
};

}  // namespace zrm::ui
