#pragma once

// BusyScope: the busy indicator over the application's main window (or a screen) for as long as the scope
// lives. It is hidden when the scope is left in any way, so a failure inside hides it before it travels on.

#include "library/zul/showavi.h"

#include <QString>

class BusyScope {
public:
    // Shows the indicator with the animation kind and text (Showavi::ActiveShowAvi over the main
    // window). Never throws.
    BusyScope(int kind, const QString& text) { Showavi::ActiveShowAvi(nullptr, kind, text); }
    // The same over form (a screen) instead of the main window.
    BusyScope(QWidget* form, int kind, const QString& text) { Showavi::ActiveShowAvi(form, kind, text); }
    // The same without a text.
    explicit BusyScope(int kind) { Showavi::ActiveShowAvi(nullptr, kind); }
    // Hides the indicator (Showavi::DeactiveShowAvi). Never throws.
    ~BusyScope() { Showavi::DeactiveShowAvi(); }

    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};
