#pragma once

// The event types of the controls. Events are plain callbacks held in public members (OnClick,
// OnKeyDown, …) and bound by name from a form description; a handler may throw to stop what the user
// started, and the control's boundary catches (EAbort silently, anything else in an error box).

#include <QObject>
#include <QString>

#include <functional>

class TField;
class QRect;
class TCanvas;

// Virtual-key codes carried by key events.
namespace VK {
constexpr int Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Escape = 27, Space = 32,
              Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40,
              Insert = 45, Delete = 46, F2 = 113;
}

// Shift state of a key or mouse event.
enum TShiftFlag { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssDouble = 32 };
using TShiftState = int;

enum TGridDrawFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = int;

class TColumn;

using TNotifyEvent = std::function<void(QObject* Sender)>;
// Key set to 0 discards the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
// Key set to QChar() (0) discards the character.
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
using TDBGridClickEvent = std::function<void(TColumn* Column)>;
using TDrawColumnCellEvent =
    std::function<void(QObject* Sender, const QRect& Rect, int DataCol, TColumn* Column, TGridDrawState State)>;
// A page change the handler may refuse by setting AllowChange to false.
using TTabChangingEvent = std::function<void(QObject* Sender, bool& AllowChange)>;

// Controls that take part in the screen's focus. The screen's focus tracker fires OnEnter and OnExit
// as the active control of the screen changes (not on window activation, not when a dialog opens); an
// OnExit handler that throws keeps the focus where the handler put it, or on the control being left.
class TWinControlEvents {
public:
    virtual ~TWinControlEvents() = default;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
};
