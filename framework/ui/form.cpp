#include "framework/ui/form.h"

#include "framework/ui/boundary.h"
#include "framework/ui/focustracker.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/formloader.h"
#include "framework/ui/mainmenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QMdiArea* applicationMdiArea() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* mainWindow = qobject_cast<QMainWindow*>(widget)) {
            if (auto* area = qobject_cast<QMdiArea*>(mainWindow->centralWidget()))
                return area;
        }
    }
    return nullptr;
}

}  // namespace

TForm::TForm(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_client(new QWidget(this))
    , m_focusTracker(new zrm::ui::FocusTracker(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_client->setObjectName(QStringLiteral("zrmClientArea"));
    m_layout->addWidget(m_client, 1);
}

TForm::~TForm() {
    // The descendant's part is gone already; its components, deleted after this, must not reach it
    // through a handler.
    m_handlers.disarm();
    // Deleting the controls moves the focus; the tracker must not look at a screen half gone.
    delete m_focusTracker;
    m_focusTracker = nullptr;
}

void TForm::initialize() {
    const QString className = QString::fromLatin1(metaObject()->className());
    setObjectName(className);
    zrm::ui::FormLoader(this).load(zrm::ui::FormDescription::load(className));
    zrm::ui::ControlResolver controls(this);
    resolveControls(controls);
    controls.check();
    if (OnCreate)
        OnCreate(this);
}

void TForm::resolveControls(zrm::ui::ControlResolver&) {}

void TForm::SetCaption(const QString& caption) {
    setWindowTitle(caption);
}

void TForm::SetClientWidth(int width) {
    m_designedClient.setWidth(width);
    m_client->resize(width, m_client->height());
    resize(width, height());
}

void TForm::SetClientHeight(int height) {
    m_designedClient.setHeight(height);
    const int menuHeight = m_menu ? m_menu->sizeHint().height() : 0;
    m_client->resize(m_client->width(), height);
    resize(width(), height + menuHeight);
}

void TForm::SetMenu(TMainMenu* menu) {
    if (m_menu == menu)
        return;
    m_menu = menu;
    if (menu) {
        menu->setParent(this);
        m_layout->setMenuBar(menu);
        resize(width(), m_client->height() + menu->sizeHint().height());
    }
}

QSize TForm::designedSize() const {
    const int menuHeight = m_menu ? m_menu->sizeHint().height() : 0;
    return {m_designedClient.width() >= 0 ? m_designedClient.width() : width(),
            m_designedClient.height() >= 0 ? m_designedClient.height() + menuHeight : height()};
}

QWidget* TForm::placementWindow() const {
    return m_subWindow ? static_cast<QWidget*>(m_subWindow.data()) : const_cast<TForm*>(this);
}

TWindowState TForm::WindowState() const {
    const Qt::WindowStates state = placementWindow()->windowState();
    if (state & Qt::WindowMinimized)
        return wsMinimized;
    if (state & Qt::WindowMaximized)
        return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    QWidget* window = placementWindow();
    switch (state) {
        case wsNormal:
            window->showNormal();
            break;
        case wsMinimized:
            window->showMinimized();
            break;
        case wsMaximized:
            window->showMaximized();
            break;
    }
}

QWidget* TForm::ActiveControl() const {
    return m_focusTracker ? m_focusTracker->activeControl() : nullptr;
}

void TForm::Show() {
    const bool placing = !m_placed;
    if (placing) {
        m_placed = true;
        if (QMdiArea* area = applicationMdiArea()) {
            const QSize size = designedSize();
            m_subWindow = area->addSubWindow(this);
            m_subWindow->setAttribute(Qt::WA_DeleteOnClose, false);
            // The sub-window's frame and title bar lie around the form: the form keeps its designed
            // size, so its client area is the one the description gives; in a work area too small for
            // that the window takes the area's size (a work area not laid out yet has none to give).
            QSize outer = size.grownBy(m_subWindow->contentsMargins());
            if (area->isVisible())
                outer = outer.boundedTo(area->viewport()->size());
            m_subWindow->resize(outer);
        }
    }
    QWidget* window = placementWindow();
    window->show();
    window->raise();
    if (placing && m_subWindow && m_subWindow->mdiArea()->isVisible()) {
        // The area places a new window where it overlaps the others least, which may run past the
        // area's edge; it opens inside the area instead.
        const QRect bounds = m_subWindow->mdiArea()->viewport()->rect();
        QRect placed = m_subWindow->geometry();
        placed.moveLeft(std::max(0, std::min(placed.left(), bounds.width() - placed.width())));
        placed.moveTop(std::max(0, std::min(placed.top(), bounds.height() - placed.height())));
        m_subWindow->move(placed.topLeft());
    }
    if (m_subWindow) {
        m_subWindow->mdiArea()->setActiveSubWindow(m_subWindow);
        m_subWindow->window()->activateWindow();
    } else {
        activateWindow();
    }
}

void TForm::Close() {
    close();
}

void TForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored by the window system (spontaneous) was visible to the screen all along.
    if (!event->spontaneous() && OnShow)
        zrm::ui::guardUserAction(this, [this] { OnShow(this); });
}

void TForm::closeEvent(QCloseEvent* event) {
    TCloseAction action = caFree;
    if (OnClose && !zrm::ui::guardUserAction(this, [&] { OnClose(this, action); }))
        action = caNone;
    switch (action) {
        case caNone:
            event->ignore();
            return;
        case caMinimize:
            event->ignore();
            SetWindowState(wsMinimized);
            return;
        case caHide:
            event->accept();
            if (m_subWindow)
                m_subWindow->hide();
            return;
        case caFree:
            event->accept();
            if (OnDestroy)
                zrm::ui::guardUserAction(this, [this] { OnDestroy(this); });
            // Never under a handler of this screen that is still to resume (one waiting in a dialog
            // while the screen was closed): the deletion waits until the outermost has returned.
            m_handlers.whenIdle([window = QPointer<QWidget>(placementWindow())] {
                if (window)
                    window->deleteLater();
            });
            return;
    }
}
