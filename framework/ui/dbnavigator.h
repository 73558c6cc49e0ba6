#pragma once

// TDBNavigator: a row of buttons that move through and change the rows of a data source's dataset.
// Each button is enabled only when its action makes sense in the dataset's state: moving when there
// is a row to move to, editing and deleting when there is a current row, posting and cancelling
// while a row is being edited or inserted.

#include "framework/data/datasourcelink.h"
#include "framework/ui/control.h"

#include <QWidget>

#include <array>
#include <functional>

class QToolButton;

enum TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
// A set of buttons: bit (1 << button) for each.
using TNavButtonSet = int;
constexpr TNavButtonSet navAllButtons = (1 << (nbRefresh + 1)) - 1;

// BeforeAction(Sender, Button) runs before the button acts and may stop it by throwing; OnClick(Sender,
// Button) after the action.
using TNavClickEvent = std::function<void(QObject* Sender, TNavigateBtn Button)>;

class TDBNavigator : public TControl<QWidget> {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* source);
    TNavButtonSet VisibleButtons() const { return m_visibleButtons; }
    void SetVisibleButtons(TNavButtonSet buttons);
    // Delete asks "Excluir registro?" first when set (the default).
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetConfirmDelete(bool confirm) { m_confirmDelete = confirm; }

    // Does what pressing the button does: BeforeAction, the dataset operation, OnClick. Exceptions
    // (a refused post, a handler's Abort) pass to the caller; a press goes through the user-action
    // boundary instead. Refresh posts a pending edit and redraws every control of the dataset.
    void BtnClick(TNavigateBtn button);

    // The button's widget (named "nbFirst" … "nbRefresh", hint "Primeiro" … "Atualizar").
    QToolButton* button(TNavigateBtn button) const { return m_buttons.at(button); }

    TNavClickEvent BeforeAction;
    TNavClickEvent OnClick;

private:
    void updateButtons();
    bool confirmDeletion();

    std::array<QToolButton*, nbRefresh + 1> m_buttons{};
    TDataSourceLink m_link;
    TNavButtonSet m_visibleButtons = navAllButtons;
    bool m_confirmDelete = true;
};
