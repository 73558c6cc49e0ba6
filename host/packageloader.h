#pragma once

// Loads screen packages (shared libraries with the interface of library/package/packageinfo.h), runs
// their load and unload entries and hands out their screens.

#include "host/hosttexts.h"
#include "library/package/packageinfo.h"

#include <QLibrary>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace zrm::host {

// One screen a loaded package offers, with its resolved entry.
struct PackageScreen {
    QString packageName;
    QString code;
    QString title;
    ZrmScreenOpenEntry open = nullptr;
};

// A package the loader holds: initialized, its screens resolved.
struct LoadedPackage {
    QString name;
    QString filePath;
    QStringList units;
    QList<PackageScreen> screens;
};

// How a call into a package ended.
struct EntryOutcome {
    bool succeeded = true;
    // The failure's text for the user; empty on success and on a silent stop.
    QString message;
};

// Calls a package entry and catches whatever it throws, so that a package's failure never travels into
// the host's event handling. An exception's what() is its message (UTF-8); one with an empty what() is
// a silent stop; anything not derived from std::exception gets unknownFailure. Fires nothing itself.
EntryOutcome runPackageEntry(const std::function<void()>& entry, const QString& unknownFailure) noexcept;

class PackageLoader {
public:
    // A loader whose refusals and reports are in the language of texts.
    explicit PackageLoader(HostTexts texts = HostTexts::forLanguage(QString()));
    ~PackageLoader();
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;

    // Loads the package at path, checks its entries and its information table, and runs its load entry
    // Initialize. Returns the package, or nullptr with *error set to a sentence (in the loader's language)
    // that names the file and the cause: missing file, library that does not load, missing entry (Initialize,
    // Finalize, GetPackageInfoTable or a screen's entry), unknown interface version, package already
    // loaded, failure of Initialize. A refused library is unloaded again without any entry having run
    // (except Initialize, in the last case). Fires nothing.
    const LoadedPackage* load(const QString& path, QString* error);

    // The loaded packages, in load order.
    QList<const LoadedPackage*> packages() const;

    // Runs the unload entry Finalize of every package, last loaded first, and unloads its library. The
    // caller must have destroyed every screen of the packages first. A failing Finalize does not stop
    // the others; its text is passed to reportProblem. Fires nothing.
    void unloadAll(const std::function<void(const QString&)>& reportProblem);

private:
    struct Entry;
    HostTexts m_texts;
    std::vector<std::unique_ptr<Entry>> m_entries;
};

}  // namespace zrm::host
