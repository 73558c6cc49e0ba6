#include "framework/ui/mainmenu.h"

#include "framework/ui/boundary.h"
#include "framework/ui/control.h"

#include <QMenu>

namespace {

// The TMenuItems among a menu's actions, in order.
QList<TMenuItem*> itemsOf(const QWidget* container) {
    QList<TMenuItem*> items;
    if (!container)
        return items;
    for (QAction* action : container->actions()) {
        if (auto* item = qobject_cast<TMenuItem*>(action))
            items.append(item);
    }
    return items;
}

void insertInto(QWidget* container, int index, TMenuItem* item) {
    const QList<TMenuItem*> items = itemsOf(container);
    container->removeAction(item);
    QList<TMenuItem*> others = items;
    others.removeAll(item);
    if (index >= 0 && index < others.size())
        container->insertAction(others.at(index), item);
    else
        container->addAction(item);
}

}  // namespace

TMainMenu::TMainMenu(QWidget* parent) : QMenuBar(parent) {}

int TMainMenu::Count() const {
    return static_cast<int>(itemsOf(this).size());
}

TMenuItem* TMainMenu::Items(int index) const {
    return itemsOf(this).value(index);
}

void TMainMenu::Add(TMenuItem* item) {
    Insert(-1, item);
}

void TMainMenu::Insert(int index, TMenuItem* item) {
    item->setParent(this);
    insertInto(this, index, item);
}

TMenuItem::TMenuItem(QObject* parent) : QAction(parent) {
    connect(this, &QAction::triggered, this, [this] {
        // QAction toggles a checkable action on its own; the check mark only changes by code.
        setChecked(m_checked);
        if (OnClick)
            zrm::ui::guardUserAction(qobject_cast<QWidget*>(container()), [this] { OnClick(this); });
    });
}

TMenuItem::~TMenuItem() = default;

void TMenuItem::SetChecked(bool checked) {
    m_checked = checked;
    setCheckable(checked || isCheckable());
    setChecked(checked);
}

int TMenuItem::Tag() const {
    return zrm::ui::tagOf(this);
}

void TMenuItem::SetTag(int tag) {
    zrm::ui::setTagOf(this, tag);
}

int TMenuItem::Count() const {
    return static_cast<int>(itemsOf(m_menu.get()).size());
}

TMenuItem* TMenuItem::Items(int index) const {
    return itemsOf(m_menu.get()).value(index);
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(-1, item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    item->setParent(this);
    insertInto(subMenu(), index, item);
}

int TMenuItem::MenuIndex() const {
    return static_cast<int>(itemsOf(container()).indexOf(const_cast<TMenuItem*>(this)));
}

void TMenuItem::SetMenuIndex(int index) {
    if (QWidget* menu = container())
        insertInto(menu, index, this);
}

void TMenuItem::Click() {
    if (isEnabled())
        trigger();
}

QWidget* TMenuItem::container() const {
    if (auto* bar = qobject_cast<TMainMenu*>(parent()))
        return bar;
    if (auto* item = qobject_cast<TMenuItem*>(parent()))
        return item->m_menu.get();
    return nullptr;
}

QMenu* TMenuItem::subMenu() {
    if (!m_menu) {
        m_menu = std::make_unique<QMenu>();
        m_menu->setTitle(text());
        setMenu(m_menu.get());
        connect(this, &QAction::changed, m_menu.get(), [this] { m_menu->setTitle(text()); });
    }
    return m_menu.get();
}
