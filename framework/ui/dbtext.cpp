#include "framework/ui/dbtext.h"

class TDBText::Link : public TDataLink {
public:
    explicit Link(TDBText* label) : m_label(label) {}
    void dataEvent(TDataEvent event, TField*) override {
        if (event != TDataEvent::UpdateRecord && event != TDataEvent::FocusControl)
            m_label->refresh();
    }

private:
    TDBText* m_label;
};

TDBText::TDBText(QWidget* parent) : TControl<QLabel>(parent), m_link(std::make_unique<Link>(this)) {}

TDBText::~TDBText() {
    if (m_dataSource)
        m_dataSource->removeLink(m_link.get());
}

void TDBText::SetDataSource(TDataSource* source) {
    if (source == m_dataSource)
        return;
    if (m_dataSource)
        m_dataSource->removeLink(m_link.get());
    m_dataSource = source;
    if (m_dataSource)
        m_dataSource->addLink(m_link.get());
    refresh();
}

void TDBText::SetDataField(const QString& fieldName) {
    m_dataField = fieldName;
    refresh();
}

TField* TDBText::Field() const {
    TClientDataSet* set = m_dataSource ? m_dataSource->DataSet() : nullptr;
    return set && !m_dataField.isEmpty() ? set->FindField(m_dataField) : nullptr;
}

void TDBText::refresh() {
    TField* field = Field();
    const bool showing = field && field->DataSet()->Active() && !field->DataSet()->IsEmpty();
    setText(showing ? field->Text() : QString());
}
