#include "framework/ui/dbtext.h"

TDBText::TDBText(QWidget* parent)
    : TControl<QLabel>(parent), m_link([this](TDataEvent event, TField*) {
        if (event != TDataEvent::UpdateRecord && event != TDataEvent::FocusControl)
            refresh();
    }) {}

void TDBText::SetDataSource(TDataSource* source) {
    if (m_link.SetDataSource(source))
        refresh();
}

void TDBText::SetDataField(const QString& fieldName) {
    m_dataField = fieldName;
    refresh();
}

TField* TDBText::Field() const {
    TClientDataSet* set = m_link.DataSet();
    return set && !m_dataField.isEmpty() ? set->FindField(m_dataField) : nullptr;
}

void TDBText::refresh() {
    TField* field = Field();
    const bool showing = field && field->DataSet()->Active() && !field->DataSet()->IsEmpty();
    setText(showing ? field->Text() : QString());
}
