#include "framework/ui/dbnavigator.h"

#include "framework/ui/boundary.h"
#include "framework/ui/dbgridconfirm_p.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

struct ButtonLook {
    const char* name;
    const char16_t* hint;
    const char16_t* glyph;
};

constexpr std::array<ButtonLook, nbRefresh + 1> looks{{
    {"nbFirst", u"Primeiro", u"|\u25C0"},
    {"nbPrior", u"Anterior", u"\u25C0"},
    {"nbNext", u"Próximo", u"\u25B6"},
    {"nbLast", u"Último", u"\u25B6|"},
    {"nbInsert", u"Inserir", u"+"},
    {"nbDelete", u"Excluir", u"\u2212"},
    {"nbEdit", u"Editar", u"\u25B2"},
    {"nbPost", u"Gravar", u"\u2713"},
    {"nbCancel", u"Cancelar", u"\u2717"},
    {"nbRefresh", u"Atualizar", u"\u21BB"},
}};

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent)
    : TControl<QWidget>(parent), m_link([this](TDataEvent event, TField*) {
        if (event != TDataEvent::FieldChange && event != TDataEvent::UpdateRecord &&
            event != TDataEvent::FocusControl)
            updateButtons();
    }) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int b = nbFirst; b <= nbRefresh; ++b) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(looks[b].name));
        button->setToolTip(QString::fromUtf16(looks[b].hint));
        button->setText(QString::fromUtf16(looks[b].glyph));
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        m_buttons[b] = button;
        connect(button, &QToolButton::clicked, this,
                [this, b] { zrm::ui::guardUserAction(this, [this, b] { BtnClick(TNavigateBtn(b)); }); });
    }
    updateButtons();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (m_link.SetDataSource(source))
        updateButtons();
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons) {
    m_visibleButtons = buttons;
    for (int b = nbFirst; b <= nbRefresh; ++b)
        m_buttons[b]->setVisible(buttons & (1 << b));
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TClientDataSet* set = m_link.DataSet();
    if (!set || !set->Active())
        return;
    if (BeforeAction)
        BeforeAction(this, button);
    switch (button) {
        case nbFirst:
            set->First();
            break;
        case nbPrior:
            set->Prior();
            break;
        case nbNext:
            set->Next();
            break;
        case nbLast:
            set->Last();
            break;
        case nbInsert:
            set->Insert();
            break;
        case nbDelete:
            if (m_confirmDelete && !zrm::ui::confirmRecordDeletion())
                return;
            set->Delete();
            break;
        case nbEdit:
            set->Edit();
            break;
        case nbPost:
            set->Post();
            break;
        case nbCancel:
            set->Cancel();
            break;
        case nbRefresh:
            set->CheckBrowseMode();
            set->notify(TDataEvent::DataSetChange);
            break;
    }
    if (OnClick)
        OnClick(this, button);
}

void TDBNavigator::updateButtons() {
    TClientDataSet* set = m_link.DataSet();
    const bool active = set && set->Active() && m_link.DataSource()->Enabled();
    const TDataSetState state = active ? set->State() : TDataSetState::dsInactive;
    const bool editing = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
    const bool hasRows = active && !set->IsEmpty();
    const int row = hasRows ? set->RecNo() : -1;
    const bool canGoBack = hasRows && row > 1;
    const bool canGoOn = hasRows && row < set->RecordCount();

    m_buttons[nbFirst]->setEnabled(canGoBack);
    m_buttons[nbPrior]->setEnabled(canGoBack);
    m_buttons[nbNext]->setEnabled(canGoOn);
    m_buttons[nbLast]->setEnabled(canGoOn);
    m_buttons[nbInsert]->setEnabled(active);
    m_buttons[nbDelete]->setEnabled(hasRows);
    m_buttons[nbEdit]->setEnabled(hasRows && !editing);
    m_buttons[nbPost]->setEnabled(editing);
    m_buttons[nbCancel]->setEnabled(editing);
    m_buttons[nbRefresh]->setEnabled(active);
}
