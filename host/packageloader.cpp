#include "host/packageloader.h"

#include <QFileInfo>

#include <exception>

namespace zrm::host {

struct PackageLoader::Entry {
    QLibrary library;
    ZrmFinalizeEntry finalize = nullptr;
    LoadedPackage package;
};

namespace {

QString fromTable(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// Checks the package information table; the reason it cannot be used, or an empty string.
QString tableProblem(const ZrmPackageInfoTable* table, const QString& file, const HostTexts& texts) {
    if (!table) {
        return texts.packageNoTable.arg(file);
    }
    if (table->abiVersion != ZRM_PACKAGE_ABI_VERSION) {
        return texts.packageOtherInterface.arg(file).arg(table->abiVersion).arg(ZRM_PACKAGE_ABI_VERSION);
    }
    if (!table->name || !*table->name) {
        return texts.packageNoName.arg(file);
    }
    if ((table->unitCount && !table->units) || (table->screenCount && !table->screens)) {
        return texts.packageTableIncomplete.arg(file);
    }
    for (unsigned int i = 0; i < table->screenCount; ++i) {
        const ZrmScreenEntry& screen = table->screens[i];
        if (!screen.code || !*screen.code || !screen.entry || !*screen.entry) {
            return texts.packageScreenWithoutEntry.arg(file);
        }
    }
    return {};
}

QString alreadyLoaded(const LoadedPackage& loaded, const QString& path, const HostTexts& texts) {
    return texts.packageAlreadyLoaded.arg(loaded.name, loaded.filePath, path);
}

}  // namespace

EntryOutcome runPackageEntry(const std::function<void()>& entry, const QString& unknownFailure) noexcept {
    try {
        entry();
        return {};
    } catch (const std::exception& failure) {
        return {false, QString::fromUtf8(failure.what())};
    } catch (...) {
        return {false, unknownFailure};
    }
}

PackageLoader::PackageLoader(HostTexts texts) : m_texts(std::move(texts)) {}

// A package still loaded here stays in memory until the process ends: its screens may still exist.
PackageLoader::~PackageLoader() = default;

const LoadedPackage* PackageLoader::load(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = m_texts.packageNotFound.arg(path);
        return nullptr;
    }

    // Checked before loading: a second QLibrary on a file already loaded shares its handle, and
    // refusing it would unload the package in use.
    for (const LoadedPackage* loaded : packages()) {
        if (QFileInfo(loaded->filePath).canonicalFilePath() == info.canonicalFilePath()) {
            *error = alreadyLoaded(*loaded, path, m_texts);
            return nullptr;
        }
    }

    auto entry = std::make_unique<Entry>();
    entry->library.setFileName(info.absoluteFilePath());
    // Every symbol now: a package missing one of its own dependencies is refused here, not later
    // when a screen opens.
    entry->library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!entry->library.load()) {
        *error = m_texts.packageNotLoadable.arg(path, entry->library.errorString());
        return nullptr;
    }

    // Refuses the library: nothing of it has run, so it can go at once.
    const auto refuse = [&](const QString& reason) -> const LoadedPackage* {
        *error = reason;
        entry->library.unload();
        return nullptr;
    };
    const auto missingEntry = [&](const char* name) {
        return m_texts.packageEntryMissing.arg(path, QString::fromLatin1(name));
    };

    const auto initialize =
        reinterpret_cast<ZrmInitializeEntry>(entry->library.resolve(ZRM_PACKAGE_INITIALIZE_ENTRY));
    entry->finalize = reinterpret_cast<ZrmFinalizeEntry>(entry->library.resolve(ZRM_PACKAGE_FINALIZE_ENTRY));
    const auto infoTable =
        reinterpret_cast<ZrmPackageInfoTableEntry>(entry->library.resolve(ZRM_PACKAGE_INFO_TABLE_ENTRY));
    if (!initialize) {
        return refuse(missingEntry(ZRM_PACKAGE_INITIALIZE_ENTRY));
    }
    if (!entry->finalize) {
        return refuse(missingEntry(ZRM_PACKAGE_FINALIZE_ENTRY));
    }
    if (!infoTable) {
        return refuse(missingEntry(ZRM_PACKAGE_INFO_TABLE_ENTRY));
    }

    const ZrmPackageInfoTable* table = nullptr;
    if (const EntryOutcome read =
            runPackageEntry([&] { table = infoTable(); }, m_texts.packageUnknownFailure);
        !read.succeeded) {
        return refuse(m_texts.packageTableFailed.arg(path, read.message));
    }
    if (const QString problem = tableProblem(table, path, m_texts); !problem.isEmpty()) {
        return refuse(problem);
    }

    LoadedPackage& package = entry->package;
    package.name = fromTable(table->name);
    package.filePath = info.absoluteFilePath();
    for (const LoadedPackage* loaded : packages()) {
        if (loaded->name == package.name) {
            return refuse(alreadyLoaded(*loaded, path, m_texts));
        }
    }
    for (unsigned int i = 0; i < table->unitCount; ++i) {
        package.units << fromTable(table->units[i].name);
    }
    for (unsigned int i = 0; i < table->screenCount; ++i) {
        const ZrmScreenEntry& screen = table->screens[i];
        const auto open = reinterpret_cast<ZrmScreenOpenEntry>(entry->library.resolve(screen.entry));
        if (!open) {
            return refuse(missingEntry(screen.entry));
        }
        package.screens << PackageScreen{package.name, fromTable(screen.code), fromTable(screen.title), open};
    }

    if (const EntryOutcome started = runPackageEntry(initialize, m_texts.packageUnknownFailure);
        !started.succeeded) {
        // Part of the package may have run and left objects behind: the library stays in memory
        // (a QLibrary does not unload on destruction), only the package is dropped.
        *error = m_texts.packageStartFailed.arg(
            package.name, started.message.isEmpty() ? m_texts.packageStartInterrupted : started.message);
        return nullptr;
    }

    m_entries.push_back(std::move(entry));
    return &m_entries.back()->package;
}

QList<const LoadedPackage*> PackageLoader::packages() const {
    QList<const LoadedPackage*> result;
    for (const auto& entry : m_entries) {
        result << &entry->package;
    }
    return result;
}

void PackageLoader::unloadAll(const std::function<void(const QString&)>& reportProblem) {
    while (!m_entries.empty()) {
        std::unique_ptr<Entry> entry = std::move(m_entries.back());
        m_entries.pop_back();
        const EntryOutcome finished = runPackageEntry(entry->finalize, m_texts.packageUnknownFailure);
        if (finished.succeeded) {
            entry->library.unload();
        } else if (!finished.message.isEmpty()) {
            // Left in memory: whatever the failed finalization left behind may still use its code.
            reportProblem(m_texts.packageFinishFailed.arg(entry->package.name, finished.message));
        }
    }
}

}  // namespace zrm::host
