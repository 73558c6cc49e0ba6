#include "framework/ui/formresources.h"

#include "framework/ui/handlertable.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QStringList>

namespace zrm::ui {

namespace {

struct InstalledResource {
    QString file;
    QString root;  // where its files appear: ":/zrm-language/<n>/"
};

QList<InstalledResource>& installed() {
    static QList<InstalledResource> resources;
    return resources;
}

}  // namespace

QString FormResources::locate(const QString& path) {
    const QList<InstalledResource>& resources = installed();
    for (auto it = resources.crbegin(); it != resources.crend(); ++it) {
        const QString candidate = it->root + path;
        if (QFile::exists(candidate))
            return candidate;
    }
    return QStringLiteral(":/") + path;
}

QByteArray FormResources::read(const QString& path) {
    QFile file(locate(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FormLoadError(QStringLiteral("O recurso \"%1\" não foi encontrado.").arg(path));
    return file.readAll();
}

QString FormResources::languageResourceFile(const QString& packageFile, const QString& language) {
    if (language.isEmpty())
        return {};
    const QFileInfo info(packageFile);
    QString base = info.completeBaseName();
    if (base.startsWith(QLatin1String("lib")) && info.suffix() == QLatin1String("so"))
        base = base.mid(3);
    return info.absolutePath() + u'/' + base + u'.' + language + QStringLiteral(".rcc");
}

bool FormResources::installLanguageResource(const QString& rccFile) {
    if (!QFileInfo::exists(rccFile))
        return false;
    const QString mapRoot = QStringLiteral("/zrm-language/%1").arg(installed().size());
    if (!QResource::registerResource(rccFile, mapRoot))
        return false;
    installed().append({rccFile, u':' + mapRoot + u'/'});
    return true;
}

void FormResources::removeLanguageResources() {
    QList<InstalledResource>& resources = installed();
    for (const InstalledResource& resource : resources)
        QResource::unregisterResource(resource.file, resource.root.mid(1).chopped(1));
    resources.clear();
}

}  // namespace zrm::ui
