#pragma once

// The handler table of a screen: its event handlers by name, so that a form description can bind
// "OnClick": "sbtVerificarClick" to the handler the screen registered under that name. A descendant
// screen registers after its base (its constructor runs later), so a handler it registers under a
// base handler's name takes that handler's place.
//
// Every handler the table hands out answers to the table's switch: once the screen starts being
// destroyed (disarm), a bound handler does nothing. Qt deletes a screen's components after the
// screen's own destructor has returned, and a component going away may still notify (a dataset its
// data sources, a control its focus change); a handler running then would look at a screen that no
// longer exists.
//
// The table also knows whether one of its handlers is running (a handler may wait in a modal dialog
// while other events arrive): a screen closed meanwhile is destroyed only once the outermost handler
// has returned (whenIdle), never under a handler that is still to resume.

#include "framework/data/exceptions.h"

#include <QHash>
#include <QString>

#include <any>
#include <functional>
#include <memory>
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
    // The handler does nothing (and returns a default value) once the table is disarmed; while it
    // runs, running() is true.
    template <class Event>
    Event get(const QString& name, const QString& eventDescription) const {
        const auto it = m_handlers.constFind(name);
        if (it == m_handlers.constEnd())
            throw FormLoadError(missingMessage(name, eventDescription));
        if (const auto* handler = std::any_cast<Event>(&it.value()))
            return guarded(*handler);
        throw FormLoadError(typeMismatchMessage(name, eventDescription));
    }

    // Silences every handler handed out so far and later. Called when the screen starts being
    // destroyed; cannot be undone. Drops a pending whenIdle action.
    void disarm() {
        m_state->armed = false;
        m_state->idleAction = nullptr;
    }
    bool armed() const { return m_state->armed; }
    // Whether one of the table's handlers is running (or waiting in a dialog it opened).
    bool running() const { return m_state->running > 0; }
    // Runs action now when no handler is running, else once the outermost one returns (however it
    // ends). A later call replaces an action still pending.
    void whenIdle(std::function<void()> action);

private:
    struct State {
        bool armed = true;
        int running = 0;
        std::function<void()> idleAction;
    };
    // Counts a handler as running for as long as it lives; the last one out runs the idle action.
    class Running {
    public:
        explicit Running(State* state) : m_state(state) { ++m_state->running; }
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        State* m_state;
    };

    template <class R, class... A>
    std::function<R(A...)> guarded(std::function<R(A...)> handler) const {
        return [handler = std::move(handler), state = m_state](A... args) -> R {
            if (!state->armed)
                return R();
            const Running running(state.get());
            return handler(std::forward<A>(args)...);
        };
    }

    static QString missingMessage(const QString& name, const QString& eventDescription);
    static QString typeMismatchMessage(const QString& name, const QString& eventDescription);

    QHash<QString, std::any> m_handlers;
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

}  // namespace zrm::ui
