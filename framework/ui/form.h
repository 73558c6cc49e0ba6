#pragma once

// TForm: the base of every screen. A screen is a QWidget named after its class (objectName
// "TfrmCalendOrc"); its layout comes from its form description (formloader.h), its behaviour from the
// handlers it registers by name; it owns a focus tracker that fires its controls' OnEnter / OnExit.
//
// Creating a screen is two-step so that a descendant's handlers are registered before the
// description binds them:
//
//     auto* screen = TForm::Create<TfrmCalendOrc>();   // constructors register handlers; then the
//                                                      // description is loaded, the screen's typed
//                                                      // controls resolved and OnCreate runs
//     screen->Show();                                  // MDI child of the main window, or top-level
//
// Destroying a screen silences its handlers first (HandlerTable::disarm): nothing a screen registered
// runs while its components go away, so a screen clears none of their events by hand.

#include "framework/ui/control.h"
#include "framework/ui/events.h"
#include "framework/ui/handlertable.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QVBoxLayout;
class TMainMenu;

namespace zrm::ui {
class ControlResolver;
class FocusTracker;
class FormDescription;
}  // namespace zrm::ui

enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(QObject* Sender, TCloseAction& Action)>;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class TForm : public QWidget, public zrm::ui::ClientAreaHolder {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    // Makes a T (constructor T(args…)), loads the form description of its class (and of the classes
    // it inherits), resolves its typed controls (resolveControls) and runs OnCreate. Throws
    // FormLoadError when the description cannot be loaded or lacks a control the screen resolves,
    // and passes on what OnCreate throws; in every case the half-made screen is deleted.
    template <class T, class... Args>
    static T* Create(Args&&... args) {
        std::unique_ptr<T> form(new T(std::forward<Args>(args)...));
        form->initialize();
        return form.release();
    }

    // ---- Handlers bound by name from the form description ----
    template <class Event>
    void registerHandler(const QString& name, Event handler) {
        m_handlers.add(name, std::move(handler));
    }
    template <class C, class R, class... A>
    void registerHandler(const QString& name, C* object, R (C::*method)(A...)) {
        m_handlers.add(name, object, method);
    }
    const zrm::ui::HandlerTable& handlers() const { return m_handlers; }

    // ---- Properties ----
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption);
    int ClientWidth() const { return m_client->width(); }
    void SetClientWidth(int width);
    int ClientHeight() const { return m_client->height(); }
    void SetClientHeight(int height);
    TMainMenu* Menu() const { return m_menu; }
    // Puts menu above the client area (the form takes it).
    void SetMenu(TMainMenu* menu);
    TWindowState WindowState() const;
    // Minimizes, maximizes or restores the screen's window (its MDI sub-window when it has one).
    void SetWindowState(TWindowState state);
    // The control holding the input focus inside the screen (the focus tracker's active control).
    QWidget* ActiveControl() const;
    zrm::ui::FocusTracker* focusTracker() const { return m_focusTracker; }
    QWidget* clientArea() const override { return m_client; }
    // The MDI sub-window holding the screen; nullptr while it is a top-level window or not shown yet.
    QMdiSubWindow* mdiSubWindow() const { return m_subWindow; }

    // Shows the screen and brings it to the front, active: the first time as an MDI child of the
    // application's main window (the first top-level QMainWindow whose central widget is a
    // QMdiArea), or as a top-level window when there is none. OnShow fires when it becomes visible.
    void Show();
    // Closes the screen as the user's close button does: OnClose decides (caFree by default: OnDestroy
    // runs and the screen is deleted once control returns to the event loop; caHide hides it;
    // caMinimize minimizes it; caNone keeps it open).
    void Close();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TCloseEvent OnClose;
    TNotifyEvent OnDestroy;

protected:
    // Loads the description named after the class, resolves the controls and runs OnCreate (what
    // Create calls).
    void initialize();
    // Points the screen's typed controls (formcontrols.h) at the components the description made,
    // once, before OnCreate. An override resolves its base's controls first, then its own; a
    // control not found is reported by Create, with every other one missing. TForm has none.
    virtual void resolveControls(zrm::ui::ControlResolver& controls);
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The size the form needs for its designed client area below the menu bar as it is now (the
    // bar's height is known only once its items are in); the current size where none was designed.
    QSize designedSize() const;
    QWidget* placementWindow() const;

    zrm::ui::HandlerTable m_handlers;
    QVBoxLayout* m_layout;
    QWidget* m_client;
    TMainMenu* m_menu = nullptr;
    zrm::ui::FocusTracker* m_focusTracker;
    QPointer<QMdiSubWindow> m_subWindow;
    bool m_placed = false;
    // The client size the description asked for (a component is -1 when it gave none).
    QSize m_designedClient;
};
