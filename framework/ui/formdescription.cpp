#include "framework/ui/formdescription.h"

#include "framework/ui/formresources.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace zrm::ui {

namespace {

QJsonObject objectMember(const QJsonObject& object, const QString& key, const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isObject())
        throw FormLoadError(QStringLiteral("%1: \"%2\" deve ser um objeto.").arg(where, key));
    return value.toObject();
}

QString textMember(const QJsonObject& object, const QString& key, const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return {};
    if (!value.isString())
        throw FormLoadError(QStringLiteral("%1: \"%2\" deve ser um texto.").arg(where, key));
    return value.toString();
}

void checkKeys(const QJsonObject& object, std::initializer_list<const char*> allowed, const QString& where) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char* key : allowed)
            known = known || it.key() == QLatin1String(key);
        if (!known)
            throw FormLoadError(QStringLiteral("%1: chave \"%2\" desconhecida.").arg(where, it.key()));
    }
}

void checkEvents(const QJsonObject& events, const QString& where) {
    for (auto it = events.begin(); it != events.end(); ++it) {
        if (!it->isString() || it->toString().isEmpty())
            throw FormLoadError(
                QStringLiteral("%1: o evento %2 deve nomear um tratador.").arg(where, it.key()));
    }
}

void overlay(QJsonObject& target, const QJsonObject& source) {
    for (auto it = source.begin(); it != source.end(); ++it)
        target.insert(it.key(), it.value());
}

}  // namespace

QString FormDescription::resourcePath(const QString& className) {
    return QStringLiteral("forms/%1.form.json").arg(className);
}

FormDescription FormDescription::parse(const QByteArray& json, const QString& origin) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw FormLoadError(QStringLiteral("%1: JSON inválido na posição %2 (%3).")
                                .arg(origin)
                                .arg(error.offset)
                                .arg(error.errorString()));
    if (!document.isObject())
        throw FormLoadError(QStringLiteral("%1: a descrição deve ser um objeto JSON.").arg(origin));
    const QJsonObject root = document.object();
    checkKeys(root, {"class", "inherits", "properties", "events", "components"}, origin);

    FormDescription description;
    description.className = textMember(root, QStringLiteral("class"), origin);
    if (description.className.isEmpty())
        throw FormLoadError(QStringLiteral("%1: falta a classe da tela (\"class\").").arg(origin));
    description.inherits = textMember(root, QStringLiteral("inherits"), origin);
    description.form.className = description.className;
    description.form.name = description.className;
    description.form.properties = objectMember(root, QStringLiteral("properties"), origin);
    description.form.events = objectMember(root, QStringLiteral("events"), origin);
    checkEvents(description.form.events, origin);

    const QJsonValue components = root.value(QStringLiteral("components"));
    if (!components.isUndefined() && !components.isArray())
        throw FormLoadError(QStringLiteral("%1: \"components\" deve ser uma lista.").arg(origin));
    for (const QJsonValue entry : components.toArray()) {
        if (!entry.isObject())
            throw FormLoadError(QStringLiteral("%1: cada componente deve ser um objeto.").arg(origin));
        const QJsonObject object = entry.toObject();
        ComponentDeclaration decl;
        decl.name = textMember(object, QStringLiteral("name"), origin);
        const QString where = QStringLiteral("%1, componente \"%2\"").arg(origin, decl.name);
        if (decl.name.isEmpty())
            throw FormLoadError(QStringLiteral("%1: um componente não tem nome (\"name\").").arg(origin));
        checkKeys(object, {"class", "name", "parent", "properties", "events"}, where);
        decl.className = textMember(object, QStringLiteral("class"), where);
        decl.parent = textMember(object, QStringLiteral("parent"), where);
        decl.properties = objectMember(object, QStringLiteral("properties"), where);
        decl.events = objectMember(object, QStringLiteral("events"), where);
        checkEvents(decl.events, where);
        description.components.append(decl);
    }
    return description;
}

FormDescription FormDescription::load(const QString& className) {
    QList<FormDescription> chain;  // the screen's own description first, its farthest base last
    QString next = className;
    while (!next.isEmpty()) {
        for (const FormDescription& seen : chain) {
            if (seen.className == next)
                throw FormLoadError(QStringLiteral("A descrição de %1 herda de si mesma.").arg(next));
        }
        const QString path = resourcePath(next);
        FormDescription description = parse(FormResources::read(path), path);
        if (description.className != next)
            throw FormLoadError(
                QStringLiteral("%1 descreve a classe %2, não %3.").arg(path, description.className, next));
        next = description.inherits;
        chain.append(std::move(description));
    }
    FormDescription merged = chain.takeLast();
    while (!chain.isEmpty())
        merged = merged.mergedWith(chain.takeLast());
    return merged;
}

FormDescription FormDescription::mergedWith(const FormDescription& descendant) const {
    FormDescription merged = *this;
    merged.className = descendant.className;
    merged.inherits = descendant.inherits;
    merged.form.className = descendant.className;
    merged.form.name = descendant.className;
    overlay(merged.form.properties, descendant.form.properties);
    overlay(merged.form.events, descendant.form.events);

    for (const ComponentDeclaration& own : descendant.components) {
        auto base = std::find_if(merged.components.begin(), merged.components.end(),
                                 [&](const ComponentDeclaration& decl) { return decl.name == own.name; });
        if (base == merged.components.end()) {
            if (own.className.isEmpty())
                throw FormLoadError(
                    QStringLiteral("%1: o componente \"%2\" não tem classe e não existe em %3.")
                        .arg(descendant.className, own.name, className));
            merged.components.append(own);
            continue;
        }
        if (!own.className.isEmpty() && own.className != base->className)
            throw FormLoadError(
                QStringLiteral("%1: o componente \"%2\" é %3 em %4, não %5.")
                    .arg(descendant.className, own.name, base->className, className, own.className));
        if (!own.parent.isEmpty())
            base->parent = own.parent;
        overlay(base->properties, own.properties);
        overlay(base->events, own.events);
    }
    return merged;
}

}  // namespace zrm::ui
