#pragma once

// The host's own texts (window title, menus, status bar, the report of a screen that did not open, the
// package loader's refusals) in
// the user's language: Portuguese by default, English for the language setting "en", like the
// packages' language resource modules.

#include <QString>

namespace zrm::host {

struct HostTexts {
    QString windowTitle;
    QString fileMenu, quit;
    QString screensMenu, noScreens;
    QString windowMenu, cascade, tile, closeAll;
    QString status;         // %1 server host, %2 port, %3 operator
    QString openFailed;     // %1 screen code, %2 title, %3 the failure
    QString unknownScreen;  // %1 the code asked for

    // The package loader's refusals; %1 is the file named, or the package's name where it says so.
    QString packageNotFound;
    QString packageAlreadyLoaded;  // %1 package name, %2 its file, %3 the file ignored
    QString packageNotLoadable;    // %2 the system's reason
    QString packageEntryMissing;   // %2 the entry's name
    QString packageNoTable;
    QString packageOtherInterface;  // %2 the package's interface, %3 the host's
    QString packageNoName;
    QString packageTableIncomplete;
    QString packageScreenWithoutEntry;
    QString packageTableFailed;  // %2 the failure
    QString packageStartFailed;  // %1 package name, %2 the failure
    QString packageStartInterrupted;
    QString packageFinishFailed;  // %1 package name, %2 the failure
    QString packageUnknownFailure;

    // The command line's help: what the program does, and each option.
    QString commandLine, packageOption, openOption, screenOption, screenshotOption;

    // The texts of language ("en", or anything else for Portuguese). Never fails.
    static HostTexts forLanguage(const QString& language);
};

}  // namespace zrm::host
