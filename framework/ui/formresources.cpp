#include "framework/ui/formresources.h"

#include "framework/data/usertexts.h"
#include "framework/ui/handlertable.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QResource>
#include <QStringList>

namespace zrm::ui {

namespace {

struct Root {
    QString directory;  // ends with '/'
    QString rccFile;    // the language resource registered under directory; empty for a plain root
};

QList<Root>& roots() {
    static QList<Root> list;
    return list;
}

int registeredCount = 0;  // gives each language resource a map root of its own

}  // namespace

QString FormResources::locate(const QString& path) {
    const QList<Root>& list = roots();
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        QString candidate = it->directory + path;
        if (QFile::exists(candidate))
            return candidate;
    }
    return QStringLiteral(":/") + path;
}

QString FormResources::translate(const QString& builtIn) {
    const QList<Root>& list = roots();
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        QFile file(it->directory + QStringLiteral("texts/translations.json"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonValue translated = QJsonDocument::fromJson(file.readAll()).object().value(builtIn);
        if (translated.isString())
            return translated.toString();
    }
    return builtIn;
}

QByteArray FormResources::read(const QString& path) {
    QFile file(locate(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FormLoadError(QStringLiteral("O recurso \"%1\" não foi encontrado.").arg(path));
    return file.readAll();
}

void FormResources::addRoot(const QString& directory) {
    roots().append({directory.endsWith(u'/') ? directory : directory + u'/', QString()});
    setUserTextLookup(&FormResources::translate);
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
    const QString mapRoot = QStringLiteral("/zrm-language/%1").arg(registeredCount);
    if (!QResource::registerResource(rccFile, mapRoot))
        return false;
    ++registeredCount;
    roots().append({u':' + mapRoot + u'/', rccFile});
    // The data and connection layers' texts follow the language resource too.
    setUserTextLookup(&FormResources::translate);
    return true;
}

void FormResources::removeRoots() {
    for (const Root& root : roots()) {
        if (!root.rccFile.isEmpty())
            QResource::unregisterResource(root.rccFile, root.directory.mid(1).chopped(1));
    }
    roots().clear();
    setUserTextLookup(nullptr);
}

}  // namespace zrm::ui
