#pragma once

// Where form descriptions and texts are read from: the resources built into the program, unless a
// language resource file (an .rcc next to the package, "Pkg_Zrm71300.en.rcc") was installed, whose
// files of the same path take the built-in ones' place.

#include <QByteArray>
#include <QString>

namespace zrm::ui {

class FormResources {
public:
    // The resource path to read for path ("forms/TfrmCalendOrc.form.json"): the most recently
    // installed language resource holding it, else the built-in ":/forms/…".
    static QString locate(const QString& path);
    // The contents of locate(path); FormLoadError naming path when no resource holds it.
    static QByteArray read(const QString& path);

    // The language resource file for a package file and a language ("…/Pkg_Zrm71300.en.rcc" for
    // "…/libPkg_Zrm71300.so" or "…/Pkg_Zrm71300.so" and "en"); an empty language gives no file.
    static QString languageResourceFile(const QString& packageFile, const QString& language);
    // Registers rccFile so that its files take the built-in ones' place. False (and nothing changes)
    // when the file is missing or is not a resource file.
    static bool installLanguageResource(const QString& rccFile);
    // Unregisters every language resource installed.
    static void removeLanguageResources();
};

}  // namespace zrm::ui
