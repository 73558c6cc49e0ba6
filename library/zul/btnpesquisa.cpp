#include "library/zul/btnpesquisa.h"

#include "framework/data/datasource.h"
#include "framework/ui/formresources.h"
#include "library/zul/consiste.h"
#include "library/zul/pesquisa.h"

#include <QApplication>
#include <QStyle>

TBtnPesquisa::TBtnPesquisa(QWidget* parent) : TSpeedButton(parent) {
    // The look of a search button until a description gives it a glyph of its own.
    setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView, nullptr, this));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    SetHint(zrm::ui::FormResources::translate(QStringLiteral("Pesquisar")));
    OnClick = [this](QObject*) { Pesquisar(); };
}

void TBtnPesquisa::Pesquisar() {
    bool go = true;
    if (OnBeforePesq)
        OnBeforePesq(this, go);
    if (!go)
        return;
    TClientDataSet* dataSet = m_dataSource ? m_dataSource->DataSet() : nullptr;
    if (!dataSet)
        throw EDatabaseError(zrm::ui::FormResources::translate(
                                 QStringLiteral("O botão de pesquisa %1 não tem fonte de dados."))
                                 .arg(objectName()));
    if (!dataSet->Active() || dataSet->IsEmpty())
        Consiste::MensErro(m_emptyError.isEmpty() ? zrm::ui::FormResources::translate(
                                                        QStringLiteral("Não há registros para pesquisar."))
                                                  : m_emptyError,
                           true);
    if (!Pesquisa::Pesquisar(m_dataSource, m_title, false, true))
        return;
    if (OnAfterPesq)
        OnAfterPesq(this);
    if (m_associate && !QApplication::focusWidget())
        m_associate->SetFocus();
}
