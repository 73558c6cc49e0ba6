#include "framework/data/datasource.h"

TDataLink::~TDataLink() = default;

void TDataLink::rowChange(const TRowChange&) {
    dataEvent(TDataEvent::DataSetChange, nullptr);
}

TDataSource::TDataSource(QObject* parent) : QObject(parent) {}

TDataSource::~TDataSource() {
    if (m_dataSet)
        m_dataSet->detachDataSource(this);
}

void TDataSource::SetDataSet(TClientDataSet* dataSet) {
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->detachDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->attachDataSource(this);
    // The linked controls now show another dataset (or none): as if everything had changed.
    dataEvent(TDataEvent::UpdateState, nullptr);
    dataEvent(TDataEvent::DataSetChange, nullptr);
}

TDataSetState TDataSource::State() const {
    return m_dataSet ? m_dataSet->State() : TDataSetState::dsInactive;
}

void TDataSource::SetEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    dataEvent(TDataEvent::UpdateState, nullptr);
    dataEvent(TDataEvent::DataSetChange, nullptr);
}

void TDataSource::Edit() {
    if (m_autoEdit && m_dataSet && m_dataSet->State() == TDataSetState::dsBrowse)
        m_dataSet->Edit();
}

void TDataSource::addLink(TDataLink* link) {
    if (!m_links.contains(link))
        m_links.append(link);
}

void TDataSource::removeLink(TDataLink* link) {
    m_links.removeAll(link);
}

void TDataSource::dataSetDestroyed() {
    m_dataSet = nullptr;
    for (TDataEvent event : {TDataEvent::UpdateState, TDataEvent::DataSetChange})
        notifyLinks([event](TDataLink* link) { link->dataEvent(event, nullptr); });
}

template <typename Tell>
void TDataSource::notifyLinks(Tell tell) {
    const QList<TDataLink*> links = m_links;
    for (TDataLink* link : links) {
        if (m_links.contains(link))  // a control may unlink another while handling this
            tell(link);
    }
}

void TDataSource::rowChange(const TRowChange& change) {
    if (!m_enabled)
        return;
    notifyLinks([&change](TDataLink* link) { link->rowChange(change); });
    if (OnDataChange)
        OnDataChange(this, nullptr);
}

void TDataSource::dataEvent(TDataEvent event, TField* field) {
    // A disabled source passes on nothing but the requests a post and a failed check depend on.
    if (!m_enabled && event != TDataEvent::UpdateRecord && event != TDataEvent::FocusControl)
        return;
    notifyLinks([event, field](TDataLink* link) { link->dataEvent(event, field); });
    switch (event) {
        case TDataEvent::UpdateState:
            if (OnStateChange)
                OnStateChange(this);
            break;
        case TDataEvent::FieldChange:
        case TDataEvent::RecordChange:
        case TDataEvent::DataSetChange:
        case TDataEvent::DataSetScroll:
            if (OnDataChange)
                OnDataChange(this, event == TDataEvent::FieldChange ? field : nullptr);
            break;
        case TDataEvent::UpdateRecord:
            if (OnUpdateData)
                OnUpdateData(this);
            break;
        case TDataEvent::LayoutChange:
        case TDataEvent::FocusControl:
            break;
    }
}
