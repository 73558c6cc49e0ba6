#pragma once

// The host's own texts (window title, menus, status bar, the report of a screen that did not open) in
// the user's language: Portuguese by default, English for the language setting "en", like the
// packages' language resource modules.

#include <QString>

namespace zrm::host {

struct HostTexts {
    QString windowTitle;
    QString fileMenu, quit;
    QString screensMenu, noScreens;
    QString windowMenu, cascade, tile, closeAll;
    QString status;      // %1 server host, %2 port, %3 operator
    QString openFailed;  // %1 screen code, %2 title, %3 the failure

    // The texts of language ("en", or anything else for Portuguese). Never fails.
    static HostTexts forLanguage(const QString& language);
};

}  // namespace zrm::host
