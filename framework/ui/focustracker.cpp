#include "framework/ui/focustracker.h"

#include "framework/ui/boundary.h"
#include "framework/ui/events.h"

#include <QApplication>
#include <QScopedValueRollback>

namespace zrm::ui {

namespace {

TWinControlEvents* eventsOf(QWidget* widget) {
    return dynamic_cast<TWinControlEvents*>(widget);
}

// Handlers may move the focus again while they run (an Enter that jumps elsewhere); each such move
// is settled after the handlers return, but never endlessly.
constexpr int maxSettlingMoves = 8;

}  // namespace

FocusTracker::FocusTracker(QWidget* screen) : QObject(screen), m_screen(screen) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

QWidget* FocusTracker::controlFor(QWidget* widget) const {
    QWidget* candidate = nullptr;
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == m_screen)
            return candidate;
        if (w->isWindow() && w != m_screen)
            return nullptr;  // a dialog or another window, even one parented to the screen
        if (!candidate && eventsOf(w))
            candidate = w;
    }
    return nullptr;
}

QList<QWidget*> FocusTracker::chainOf(QWidget* control) const {
    QList<QWidget*> chain;
    for (QWidget* w = control; w && w != m_screen; w = w->parentWidget()) {
        if (eventsOf(w))
            chain.append(w);
    }
    return chain;
}

QWidget* FocusTracker::currentFocusInScreen() const {
    // The window's focus widget, not the application's: after a dialog closes (and on platforms
    // without a window manager) the screen's window may not be active, yet it remembers its focus.
    return controlFor(m_screen->window()->focusWidget());
}

void FocusTracker::focusChanged(QWidget* now) {
    if (m_dispatching)
        return;
    QWidget* target = controlFor(now);
    if (!target || target == m_active)
        return;
    moveTo(target);
}

void FocusTracker::moveTo(QWidget* target) {
    QScopedValueRollback dispatching(m_dispatching, true);
    for (int move = 0; move < maxSettlingMoves && target && target != m_active; ++move) {
        const QPointer<QWidget> leaving = m_active;
        const QList<QWidget*> leavingChain = leaving ? chainOf(leaving) : QList<QWidget*>();
        const QList<QWidget*> targetChain = chainOf(target);

        QList<QPointer<QWidget>> exits;
        for (QWidget* w : leavingChain) {
            if (!targetChain.contains(w))
                exits.append(w);
        }
        QList<QPointer<QWidget>> enters;
        for (auto it = targetChain.crbegin(); it != targetChain.crend(); ++it) {
            if (!leavingChain.contains(*it))
                enters.append(*it);
        }

        for (const QPointer<QWidget>& w : exits) {
            if (!w)
                continue;
            TWinControlEvents* events = eventsOf(w);
            if (!events->OnExit)
                continue;
            const bool completed = guardUserAction(w, [&] { events->OnExit(w); });
            if (!completed) {
                QWidget* kept = currentFocusInScreen();
                if ((!kept || kept == target) && leaving) {
                    leaving->setFocus(Qt::OtherFocusReason);
                    kept = leaving;
                }
                m_active = kept;
                return;
            }
        }

        m_previous = m_active;
        m_active = target;
        for (const QPointer<QWidget>& w : enters) {
            if (!w)
                continue;
            TWinControlEvents* events = eventsOf(w);
            if (events->OnEnter)
                guardUserAction(w, [&] { events->OnEnter(w); });
        }
        // A handler may have moved the focus on: follow it as a move of its own.
        target = currentFocusInScreen();
    }
}

}  // namespace zrm::ui
