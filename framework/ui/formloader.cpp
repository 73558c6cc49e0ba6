#include "framework/ui/formloader.h"

#include "framework/ui/form.h"

#include <QWidget>

#include <algorithm>
#include <climits>

namespace zrm::ui {

namespace {

const QString formClassName = QStringLiteral("TForm");

[[noreturn]] void rethrowFor(const QString& componentName, const FormLoadError& error) {
    throw FormLoadError(QStringLiteral("%1: %2").arg(componentName, error.Message()));
}

}  // namespace

FormLoader::FormLoader(TForm* form, const ComponentRegistry& registry) : m_form(form), m_registry(registry) {}

const HandlerTable& FormLoader::handlers() const {
    return m_form->handlers();
}

QObject* FormLoader::component(const QString& name) const {
    if (name.isEmpty() || name == m_form->objectName())
        return m_form;
    QObject* found = m_components.value(name);
    if (!found)
        throw FormLoadError(QStringLiteral("O componente \"%1\" não existe na tela.").arg(name));
    return found;
}

const ComponentClass& FormLoader::classOf(const ComponentDeclaration& decl) const {
    const ComponentClass* cls = m_registry.find(decl.className);
    if (!cls)
        throw FormLoadError(
            QStringLiteral("%1: a classe %2 não é conhecida.").arg(decl.name, decl.className));
    return *cls;
}

void FormLoader::load(const FormDescription& description) {
    if (m_form->objectName().isEmpty())
        m_form->setObjectName(description.className);
    createComponents(description.components);

    const ComponentClass* formClass = m_registry.find(formClassName);
    if (!formClass)
        throw FormLoadError(QStringLiteral("A classe TForm não está registrada."));
    applyProperties(m_form, description.form, *formClass);
    for (const ComponentDeclaration& decl : description.components)
        applyProperties(m_components.value(decl.name), decl, classOf(decl));

    bindEvents(m_form, description.form, *formClass);
    for (const ComponentDeclaration& decl : description.components)
        bindEvents(m_components.value(decl.name), decl, classOf(decl));

    chainTabOrder();
}

void FormLoader::createComponents(const QList<ComponentDeclaration>& decls) {
    QList<ComponentDeclaration> pending;
    for (const ComponentDeclaration& decl : decls) {
        if (decl.name == m_form->objectName() || m_components.contains(decl.name) ||
            std::count_if(decls.begin(), decls.end(),
                          [&](const ComponentDeclaration& s) { return s.name == decl.name; }) > 1)
            throw FormLoadError(
                QStringLiteral("O nome \"%1\" aparece mais de uma vez na descrição.").arg(decl.name));
        pending.append(decl);
    }
    // A parent may come later in the list (a descendant moves a base component into a panel of its
    // own): create whatever has its parent, until nothing is left.
    while (!pending.isEmpty()) {
        bool progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            const bool parentReady = it->parent.isEmpty() || it->parent == m_form->objectName() ||
                                     m_components.contains(it->parent);
            if (!parentReady) {
                ++it;
                continue;
            }
            const ComponentClass& cls = classOf(*it);
            QObject* created = nullptr;
            try {
                created = cls.factory()(component(it->parent), *it, *this);
            } catch (const FormLoadError& error) {
                rethrowFor(it->name, error);
            }
            if (!created)
                throw FormLoadError(QStringLiteral("%1: a classe %2 não pôde criar o componente.")
                                        .arg(it->name, it->className));
            created->setObjectName(it->name);
            m_components.insert(it->name, created);
            m_created.append(created);
            it = pending.erase(it);
            progress = true;
        }
        if (!progress) {
            QStringList missing;
            for (const ComponentDeclaration& decl : pending)
                missing.append(QStringLiteral("%1 (em %2)").arg(decl.name, decl.parent));
            throw FormLoadError(
                QStringLiteral("Componentes sem pai existente: %1.").arg(missing.join(QStringLiteral(", "))));
        }
    }
}

void FormLoader::applyProperties(QObject* component, const ComponentDeclaration& decl,
                                 const ComponentClass& cls) {
    for (auto it = decl.properties.begin(); it != decl.properties.end(); ++it) {
        if (!cls.findProperty(it.key()) && !cls.isCreationProperty(it.key()))
            throw FormLoadError(QStringLiteral("%1: a classe %2 não tem a propriedade %3.")
                                    .arg(decl.name, cls.name(), it.key()));
    }
    for (const QString& property : cls.propertyOrder()) {
        const auto value = decl.properties.constFind(property);
        if (value == decl.properties.constEnd())
            continue;
        try {
            (*cls.findProperty(property))(component, *value, *this);
        } catch (const FormLoadError& error) {
            rethrowFor(QStringLiteral("%1.%2").arg(decl.name, property), error);
        }
    }
}

void FormLoader::bindEvents(QObject* component, const ComponentDeclaration& decl, const ComponentClass& cls) {
    for (auto it = decl.events.begin(); it != decl.events.end(); ++it) {
        const EventBinder* binder = cls.findEvent(it.key());
        if (!binder)
            throw FormLoadError(
                QStringLiteral("%1: a classe %2 não tem o evento %3.").arg(decl.name, cls.name(), it.key()));
        (*binder)(component, it->toString(), QStringLiteral("%1 de %2").arg(it.key(), decl.name), *this);
    }
}

void FormLoader::chainTabOrder() {
    // Depth first through the widgets, siblings in TabOrder (those without one after, as created).
    QList<QWidget*> chain;
    const std::function<void(QWidget*)> visit = [&](QWidget* container) {
        QList<QWidget*> children;
        for (QObject* child : container->children()) {
            if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
                children.append(widget);
        }
        std::stable_sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) {
            const QVariant orderA = a->property("TabOrder");
            const QVariant orderB = b->property("TabOrder");
            return (orderA.isValid() ? orderA.toInt() : INT_MAX) <
                   (orderB.isValid() ? orderB.toInt() : INT_MAX);
        });
        for (QWidget* child : children) {
            if (m_created.contains(child) && (child->focusPolicy() & Qt::TabFocus))
                chain.append(child);
            visit(child);
        }
    };
    visit(m_form);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

}  // namespace zrm::ui
