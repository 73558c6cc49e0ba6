#pragma once

// The handler table of a screen: its event handlers by name, so that a form description can bind
// "OnClick": "sbtVerificarClick" to the handler the screen registered under that name. A descendant
// screen registers after its base (its constructor runs later), so a handler it registers under a
// base handler's name takes that handler's place.

#include "framework/data/exceptions.h"

#include <QHash>
#include <QString>

#include <any>
#include <functional>
#include <type_traits>
#include <utility>

namespace zrm::ui {

// A form description that cannot be loaded: unknown class, property or component, a value of the
// wrong kind, a handler missing or of another type than its event. The message names what is wrong.
class FormLoadError : public Exception {
public:
    using Exception::Exception;
};

template <class T>
struct IsStdFunction : std::false_type {};
template <class R, class... A>
struct IsStdFunction<std::function<R(A...)>> : std::true_type {};

class HandlerTable {
public:
    // Registers handler under name, replacing one registered before under the same name. The
    // handler's type must be exactly the event's std::function type (TNotifyEvent, TKeyEvent, …).
    template <class Event>
    requires IsStdFunction<Event>::value void add(const QString& name, Event handler) {
        m_handlers.insert(name, std::any(std::move(handler)));
    }

    // Registers a member function of object as handler; its signature gives the event type, so
    // add("FormShow", this, &TfrmX::FormShow) binds to an event of type std::function<void(QObject*)>.
    template <class C, class R, class... A>
    void add(const QString& name, C* object, R (C::*method)(A...)) {
        add(name, std::function<R(A...)>(
                      [object, method](A... args) { return (object->*method)(std::forward<A>(args)...); }));
    }

    bool contains(const QString& name) const { return m_handlers.contains(name); }

    // The handler registered under name, as the event type Event. Throws FormLoadError naming the
    // handler and the event (eventDescription, e.g. "OnClick de sbtVerificar") when no handler has
    // that name or when it was registered with another type.
    template <class Event>
    Event get(const QString& name, const QString& eventDescription) const {
        const auto it = m_handlers.constFind(name);
        if (it == m_handlers.constEnd())
            throw FormLoadError(missingMessage(name, eventDescription));
        if (const auto* handler = std::any_cast<Event>(&it.value()))
            return *handler;
        throw FormLoadError(typeMismatchMessage(name, eventDescription));
    }

private:
    static QString missingMessage(const QString& name, const QString& eventDescription);
    static QString typeMismatchMessage(const QString& name, const QString& eventDescription);

    QHash<QString, std::any> m_handlers;
};

}  // namespace zrm::ui
