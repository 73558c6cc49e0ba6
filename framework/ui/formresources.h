#pragma once

// Where form descriptions and texts are read from: the resources built into the program, unless a
// root added later holds a file of the same path, which then takes the built-in one's place. A
// language resource file (an .rcc next to the package, "Pkg_Zrm71300.en.rcc") is such a root.

#include <QByteArray>
#include <QString>

namespace zrm::ui {

class FormResources {
public:
    // The path to read for path ("forms/TfrmCalendOrc.form.json"): the most recently added root
    // holding it, else the built-in ":/forms/…".
    static QString locate(const QString& path);
    // The contents of locate(path); FormLoadError naming path when nothing holds it.
    static QByteArray read(const QString& path);

    // Adds a directory (or a resource folder ":/…") whose files take the built-in ones' place.
    static void addRoot(const QString& directory);

    // The language resource file for a package file and a language ("…/Pkg_Zrm71300.en.rcc" for
    // "…/libPkg_Zrm71300.so" or "…/Pkg_Zrm71300.so" and "en"); an empty language gives no file.
    static QString languageResourceFile(const QString& packageFile, const QString& language);
    // Registers rccFile and adds it as a root. False (and nothing changes) when the file is missing
    // or is not a resource file.
    static bool installLanguageResource(const QString& rccFile);
    // The text a root gives for a built-in text: the roots' "texts/translations.json" (an object
    // from built-in texts to their translations, the most recently added root first) is asked; the
    // built-in text itself when no root has one. For the framework's own texts (dialog buttons and
    // titles), which follow the language resource like the forms do; while a root is added it also
    // translates the data and connection layers' texts (framework/data/usertexts.h). Never fails.
    static QString translate(const QString& builtIn);

    // Removes every root and unregisters every language resource installed.
    static void removeRoots();
};

}  // namespace zrm::ui
