#pragma once

// The one instance of a screen of the package, as its unit keeps it: made by the unit's entry call
// on first use, shown and brought to the front on every call, forgotten once the screen is
// destroyed, and closed by the unit's finalization.

#include "framework/ui/form.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QScopeGuard>

namespace SingleScreen {

// Creates the screen into instance when it is null (its creation handler runs then), shows it,
// brings it to the front and restores it from minimized or maximized, with the hourglass cursor
// meanwhile. instance is set back to null when the screen is destroyed. A failure of the creation
// passes out unchanged and leaves instance null, so the next call tries again.
template <class Screen>
void Open(Screen*& instance) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!instance) {
        instance = TForm::Create<Screen>();
        // The screen is deleted when closed; the next entry call makes a new one.
        QObject::connect(instance, &QObject::destroyed, [&instance] { instance = nullptr; });
    }
    instance->Show();
    instance->SetWindowState(wsNormal);
}

// Destroys a screen still open, with the sub-window holding it: no object whose code lives in the
// package may outlive it. Never fails.
template <class Screen>
void Close(Screen* instance) {
    if (instance) {
        QWidget* window = instance->mdiSubWindow();
        delete (window ? window : instance);
    }
}

}  // namespace SingleScreen
