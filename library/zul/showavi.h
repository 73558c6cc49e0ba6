#pragma once

// Showavi: the busy indicator around the longer remote calls — a modeless window over a screen or
// the main window, with an animation and a text, that never takes the focus.

#include <QString>

class QWidget;

namespace Showavi {

// Animation kinds the screens use.
constexpr int KindSaving = 1;    // writing; also the plain kind without text
constexpr int KindFetching = 6;  // fetching data from the server

// Shows the busy indicator centred over form (the application's main window when null) with the
// animation kind and text, replacing one already showing. Paints it at once, since the call that
// follows blocks the event loop. Never takes the focus; fires no Enter or Exit. Never throws.
void ActiveShowAvi(QWidget* form, int kind, const QString& text);
// The same without a text.
void ActiveShowAvi(QWidget* form, int kind);
// Hides the busy indicator; nothing when none is showing. Never throws.
void DeactiveShowAvi();
// Whether the busy indicator is showing.
bool IsShowing();

}  // namespace Showavi
