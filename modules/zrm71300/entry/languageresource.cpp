#include "modules/zrm71300/entry/languageresource.h"

#include "framework/ui/formresources.h"
#include "library/config/hostsettings.h"

#include <QString>

#include <dlfcn.h>

namespace LanguageResource {

namespace {

// The file this package was loaded from.
QString packageFile() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&Install), &info) == 0 || !info.dli_fname)
        return {};
    return QString::fromLocal8Bit(info.dli_fname);
}

}  // namespace

void Install() {
    const QString file = zrm::ui::FormResources::languageResourceFile(
        packageFile(), zrm::config::HostSettings::load().language());
    if (!file.isEmpty())
        zrm::ui::FormResources::installLanguageResource(file);
}

void Remove() {
    zrm::ui::FormResources::removeRoots();
}

}  // namespace LanguageResource
