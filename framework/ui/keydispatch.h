#pragma once

// Key events as the screen's handlers see them: KeyDown(Sender, Key, Shift) with a virtual-key code,
// then KeyPress(Sender, Key) with the character, both before the control acts on the key. A handler
// discards the key by setting it to 0 (or the character to QChar()), replaces it by setting another
// value, and stops it by throwing (the boundary catches).

#include "framework/ui/events.h"

#include <QKeyEvent>

#include <memory>

class QWidget;

namespace zrm::ui {

// The virtual-key code of a Qt key (letters and digits keep their upper-case character code); 0 when
// the key has none.
int virtualKeyFromQt(int qtKey);
// The Qt key of a virtual-key code; Qt::Key_unknown when none.
int qtKeyFromVirtual(int virtualKey);
TShiftState shiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// The character a key press carries to KeyPress: the typed character, or carriage return, backspace
// and escape for those keys; QChar() when the key types nothing.
QChar keyCharOf(const QKeyEvent& event);

// What a control's event() does with a key press (in event(), not keyPressEvent, so that Tab reaches
// KeyDown before QWidget turns it into a focus move):
//
//     KeyDispatch dispatch(this, static_cast<QKeyEvent*>(event), OnKeyDown, OnKeyPress);
//     if (dispatch.discarded())
//         return true;
//     return Base::event(dispatch.event());
class KeyDispatch {
public:
    // Runs onKeyDown and then, for a key that types a character, onKeyPress, each through the
    // user-action boundary of control. A handler that throws stops the key like a discard.
    KeyDispatch(QWidget* control, QKeyEvent* event, const TKeyEvent& onKeyDown,
                const TKeyPressEvent& onKeyPress);

    // True when a handler discarded or stopped the key: the control must not act on it.
    bool discarded() const { return m_discarded; }
    // The event the control acts on: the original, or the key or character a handler put instead.
    QKeyEvent* event() const { return m_replacement ? m_replacement.get() : m_original; }

private:
    QKeyEvent* m_original;
    std::unique_ptr<QKeyEvent> m_replacement;
    bool m_discarded = false;
};

}  // namespace zrm::ui
