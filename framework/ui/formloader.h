#pragma once

// Builds a screen from its form description: creates the components, sets their properties, binds
// their events to the screen's handlers by name, and chains the focus order from TabOrder.

#include "framework/ui/componentregistry.h"
#include "framework/ui/formdescription.h"

#include <QHash>

namespace zrm::ui {

class FormLoader : public FormLoadContext {
public:
    explicit FormLoader(TForm* form, const ComponentRegistry& registry = ComponentRegistry::standard());

    // Loads description into the form. Throws FormLoadError naming the component and what is wrong
    // (an unknown class, property or event, a missing parent, a value of the wrong kind, a handler
    // missing or of another type than its event). Components made before the error stay children of
    // the form; a screen that fails to load is meant to be deleted.
    void load(const FormDescription& description);

    TForm* form() const override { return m_form; }
    const HandlerTable& handlers() const override;
    QObject* component(const QString& name) const override;

private:
    void createComponents(const QList<ComponentDeclaration>& decls);
    void applyProperties(QObject* component, const ComponentDeclaration& decl, const ComponentClass& cls);
    void bindEvents(QObject* component, const ComponentDeclaration& decl, const ComponentClass& cls);
    void chainTabOrder();
    const ComponentClass& classOf(const ComponentDeclaration& decl) const;

    TForm* m_form;
    const ComponentRegistry& m_registry;
    QHash<QString, QObject*> m_components;
    QList<QObject*> m_created;  // in creation order
};

}  // namespace zrm::ui
