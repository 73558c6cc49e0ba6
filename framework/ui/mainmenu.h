#pragma once

// TMainMenu and TMenuItem: the screen's menu bar (a QMenuBar) and its items (each a QAction; an item
// with items of its own opens a QMenu). Item names are the actions' objectNames.

#include "framework/ui/events.h"

#include <QAction>
#include <QMenuBar>

#include <memory>

class QMenu;
class TMenuItem;

class TMainMenu : public QMenuBar {
    Q_OBJECT
public:
    explicit TMainMenu(QWidget* parent = nullptr);

    int Count() const;
    TMenuItem* Items(int index) const;
    // Adds item at the end, or at index (0 first; past the end appends). The menu takes the item.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
};

class TMenuItem : public QAction {
    Q_OBJECT
public:
    explicit TMenuItem(QObject* parent = nullptr);
    ~TMenuItem() override;

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    // The check mark shown beside the item; choosing the item does not change it.
    bool Checked() const { return m_checked; }
    void SetChecked(bool checked);
    bool Visible() const { return isVisible(); }
    void SetVisible(bool visible) { setVisible(visible); }
    int Tag() const;
    void SetTag(int tag);

    int Count() const;
    TMenuItem* Items(int index) const;
    void Add(TMenuItem* item);
    // Inserts item at index among this item's items (0 first; past the end appends).
    void Insert(int index, TMenuItem* item);
    // The position of this item in its menu; moving it there keeps the other items' order.
    int MenuIndex() const;
    void SetMenuIndex(int index);

    // Runs OnClick as the user's action (what choosing the item does); nothing when disabled.
    void Click();

    TNotifyEvent OnClick;

private:
    friend class TMainMenu;
    // The widget the item's siblings are listed in: the parent item's menu or the menu bar.
    QWidget* container() const;
    QMenu* subMenu();

    std::unique_ptr<QMenu> m_menu;
    bool m_checked = false;
};
