#include "framework/data/datasourcelink.h"

TDataSourceLink::TDataSourceLink(Handler handler, RowHandler rowHandler)
    : m_handler(std::move(handler)), m_rowHandler(std::move(rowHandler)) {}

TDataSourceLink::~TDataSourceLink() {
    if (m_source)
        m_source->removeLink(this);
}

bool TDataSourceLink::SetDataSource(TDataSource* source) {
    if (source == m_source)
        return false;
    if (m_source)
        m_source->removeLink(this);
    m_source = source;
    if (m_source)
        m_source->addLink(this);
    return true;
}

void TDataSourceLink::dataEvent(TDataEvent event, TField* field) {
    m_handler(event, field);
}

void TDataSourceLink::rowChange(const TRowChange& change) {
    if (m_rowHandler)
        m_rowHandler(change);
    else
        TDataLink::rowChange(change);
}
