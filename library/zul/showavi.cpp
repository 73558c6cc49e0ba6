#include "library/zul/showavi.h"

#include "framework/ui/busywindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>

namespace Showavi {

namespace {

// The one busy window of the process; it belongs to the window it stands over and goes with it.
QPointer<BusyWindow>& busyWindow() {
    static QPointer<BusyWindow> window;
    return window;
}

QWidget* mainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget))
            return widget;
    }
    return QApplication::activeWindow();
}

}  // namespace

void ActiveShowAvi(QWidget* form, int kind, const QString& text) {
    QWidget* over = form ? form : mainWindow();
    QPointer<BusyWindow>& window = busyWindow();
    if (window && window->parentWidget() != (over ? over->window() : nullptr))
        DeactiveShowAvi();
    if (!window)
        window = new BusyWindow(over);
    window->showBusy(kind, text);
}

void ActiveShowAvi(QWidget* form, int kind) {
    ActiveShowAvi(form, kind, QString());
}

void DeactiveShowAvi() {
    // Deleted rather than hidden, so no window of the package outlives the package's unload.
    delete busyWindow().data();
}

bool IsShowing() {
    const QPointer<BusyWindow>& window = busyWindow();
    return window && window->isVisible();
}

}  // namespace Showavi
