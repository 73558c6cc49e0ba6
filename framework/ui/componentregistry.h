#pragma once

// The component classes a form description may name. Each class has a factory, property setters
// and event binders, all looked up by the names the description uses ("TDBGrid", "ReadOnly",
// "OnDrawColumnCell").
//
// How a group of components joins the registry (the data-aware controls do this in their own .cpp):
//
//     void zrm::ui::registerDataControlClasses(ComponentRegistry& registry)
//     {
//         registry.add(widgetClass<TDBGrid>("TDBGrid")
//                          .property("DataSource", referenceSetter(&TDBGrid::SetDataSource))
//                          .property("ReadOnly", setter(&TDBGrid::SetReadOnly))
//                          .property("Options", [](QObject* c, const QJsonValue& v, FormLoadContext&) { … })
//                          .event("OnKeyDown", eventMember(&TDBGrid::OnKeyDown)));
//         registry.add(ComponentClass("TColumn", [](QObject* parent, const ComponentDeclaration& decl,
//                                                    FormLoadContext& context) -> QObject* { … })
//                          .property("FieldName", setter(&TColumn::SetFieldName)));
//     }
//
// ComponentRegistry::standard() calls registerPlainControlClasses (the plain controls, the form and
// the datasets, in componentclasses.cpp) and registerDataControlClasses (the data-aware controls).
//
// Loading runs in three passes: every component is created (a parent before its children, so a
// factory receives its parent component already made), then each component's properties are set in
// the order its class declared them (not the order of the description, so MinValue comes before
// Value), then its events are bound. A setter may therefore refer to any other component by name
// through the context.

#include "framework/ui/handlertable.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <type_traits>
#include <utility>

class TForm;

namespace zrm::ui {

// One component as its (merged) form description gives it.
struct ComponentDeclaration {
    QString className;       // "TPanel"
    QString name;            // "panAno", becomes the objectName
    QString parent;          // the parent component's name; empty for the form itself
    QJsonObject properties;  // "Height": 33, "Align": "alTop", "Font": {…}
    QJsonObject events;      // "OnEnter": "panAnoEnter"
};

// What factories, setters and binders see of the form being loaded.
class FormLoadContext {
public:
    virtual ~FormLoadContext() = default;

    virtual TForm* form() const = 0;
    virtual const HandlerTable& handlers() const = 0;
    // The component named name (the form for its own name). FormLoadError when there is none.
    virtual QObject* component(const QString& name) const = 0;

    // The component named name as a T; FormLoadError naming it and `property` when it is not one.
    template <class T>
    T* componentAs(const QString& name, const QString& property) const {
        QObject* object = component(name);
        if (T* typed = qobject_cast<T*>(object))
            return typed;
        throw FormLoadError(wrongReferenceMessage(name, property));
    }

private:
    static QString wrongReferenceMessage(const QString& name, const QString& property);
};

// Creates a component as a child of parent (the parent component already created; the form for
// top-level components). The factory gives the component its parent; the loader sets objectName.
using ComponentFactory =
    std::function<QObject*(QObject* parent, const ComponentDeclaration& decl, FormLoadContext& context)>;
// Sets one property from its description value; FormLoadError when the value does not fit.
using PropertySetter =
    std::function<void(QObject* component, const QJsonValue& value, FormLoadContext& context)>;
// Binds one event of component to the handler named handlerName (context.handlers().get<…>()).
using EventBinder = std::function<void(QObject* component, const QString& handlerName,
                                       const QString& eventDescription, FormLoadContext& context)>;

class ComponentClass {
public:
    ComponentClass(QString name, ComponentFactory factory);

    const QString& name() const { return m_name; }
    const ComponentFactory& factory() const { return m_factory; }

    // Declares a property; properties are set in declaration order. Re-declaring replaces the
    // setter but keeps the first position.
    ComponentClass& property(const QString& name, PropertySetter setter);
    // A property the factory reads from the decl itself (a field's FieldName and Size); the loader
    // only accepts it.
    ComponentClass& creationProperty(const QString& name);
    ComponentClass& event(const QString& name, EventBinder binder);

    const PropertySetter* findProperty(const QString& name) const;  // nullptr when unknown
    const EventBinder* findEvent(const QString& name) const;        // nullptr when unknown
    bool isCreationProperty(const QString& name) const { return m_creationProperties.contains(name); }
    QStringList propertyOrder() const;

private:
    QString m_name;
    ComponentFactory m_factory;
    QList<std::pair<QString, PropertySetter>> m_properties;
    QList<std::pair<QString, EventBinder>> m_events;
    QStringList m_creationProperties;
};

class ComponentRegistry {
public:
    // Adds cls, replacing a class registered before under the same name.
    void add(ComponentClass cls);
    const ComponentClass* find(const QString& className) const;  // nullptr when unknown

    // The registry with every framework class; built on first use.
    static ComponentRegistry& standard();

private:
    QList<ComponentClass> m_classes;
};

// The plain controls, dialogs-free containers, menus, the form and the datasets (componentclasses.cpp).
void registerPlainControlClasses(ComponentRegistry& registry);
// The data-aware controls: TDBGrid, TColumn, TDBNavigator, TDBText (defined beside them).
void registerDataControlClasses(ComponentRegistry& registry);

// ---- Helpers for registering classes ----

// The widget a child widget of component `parent` goes into: the client area of a form or a scroll
// box, the page itself for a page, else parent itself. nullptr when parent is not a widget.
QWidget* childParentWidget(QObject* parent);

// Converts a description value; FormLoadError naming property when it is of another kind.
int jsonToInt(const QJsonValue& value, const QString& property);
double jsonToDouble(const QJsonValue& value, const QString& property);
bool jsonToBool(const QJsonValue& value, const QString& property);
QString jsonToString(const QJsonValue& value, const QString& property);
QStringList jsonToStringList(const QJsonValue& value, const QString& property);  // an array of texts
// A name from choices ("alTop" → 1); FormLoadError listing the choices when unknown.
int jsonToChoice(const QJsonValue& value, const QString& property,
                 std::initializer_list<std::pair<const char*, int>> choices);

template <class T>
T jsonTo(const QJsonValue& value, const QString& property) {
    if constexpr (std::is_same_v<T, bool>)
        return jsonToBool(value, property);
    else if constexpr (std::is_integral_v<T>)
        return static_cast<T>(jsonToInt(value, property));
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(jsonToDouble(value, property));
    else if constexpr (std::is_same_v<T, QString>)
        return jsonToString(value, property);
    else if constexpr (std::is_same_v<T, QStringList>)
        return jsonToStringList(value, property);
    else
        static_assert(sizeof(T) == 0, "no conversion from a description value to this type");
}

// A setter calling component->*set(value) with the value converted to the setter's argument type
// (bool, integers, double, QString, QStringList). The component must be a C.
template <class C, class Arg>
PropertySetter setter(void (C::*set)(Arg)) {
    using Value = std::remove_cvref_t<Arg>;
    return [set](QObject* component, const QJsonValue& value, FormLoadContext&) {
        (static_cast<C*>(component)->*set)(jsonTo<Value>(value, QString()));
    };
}

// A setter for a property naming another component ("DataSet": "cdsCalendOrcOp").
template <class C, class Target>
PropertySetter referenceSetter(void (C::*set)(Target*)) {
    return [set](QObject* component, const QJsonValue& value, FormLoadContext& context) {
        const QString name = jsonToString(value, QString());
        (static_cast<C*>(component)->*set)(name.isEmpty() ? nullptr
                                                          : context.componentAs<Target>(name, name));
    };
}

// A binder assigning the handler to the public event member (&TEdit::OnChange).
template <class C, class Event>
EventBinder eventMember(Event C::*member) {
    return [member](QObject* component, const QString& handlerName, const QString& eventDescription,
                    FormLoadContext& context) {
        static_cast<C*>(component)->*member = context.handlers().get<Event>(handlerName, eventDescription);
    };
}

// Adds the properties every control has to cls: Left, Top, Width, Height, Align, Visible, Enabled,
// Hint, ShowHint, TabOrder, TabStop, Color, Font, ParentFont, ParentColor, Tag, Cursor.
ComponentClass& addControlProperties(ComponentClass& cls);

// A control class whose factory makes a T (constructor T(QWidget* parent)) inside its parent's
// client area, with the common control properties declared.
template <class T>
ComponentClass widgetClass(const QString& className) {
    ComponentClass cls(className,
                       [](QObject* parent, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                           return new T(childParentWidget(parent));
                       });
    addControlProperties(cls);
    return cls;
}

}  // namespace zrm::ui
