#pragma once

// TDataSourceLink: how a data-aware control is bound to a data source. It links itself to the source
// the control is given, unlinks from the one it had, forgets a source that is destroyed first, and
// passes every notification of the source to the control's function. A control owns one as a member,
// so the binding ends with the control.

#include "framework/data/datasource.h"

#include <QPointer>

#include <functional>

class TDataSourceLink final : public TDataLink {
public:
    using Handler = std::function<void(TDataEvent event, TField* field)>;
    using RowHandler = std::function<void(const TRowChange& change)>;

    // handler receives the notifications, and rowHandler the rows that came, went or moved (without
    // one, handler hears them as DataSetChange); exceptions they throw reach the dataset operation
    // that caused them.
    explicit TDataSourceLink(Handler handler, RowHandler rowHandler = nullptr);
    ~TDataSourceLink() override;
    TDataSourceLink(const TDataSourceLink&) = delete;
    TDataSourceLink& operator=(const TDataSourceLink&) = delete;

    TDataSource* DataSource() const { return m_source; }
    // Links to source (none for nullptr). Returns false, doing nothing, when it is the source already.
    // Fires nothing itself: the control refreshes as it sees fit.
    bool SetDataSource(TDataSource* source);
    // The dataset of the source; nullptr without either.
    TClientDataSet* DataSet() const { return m_source ? m_source->DataSet() : nullptr; }

    void dataEvent(TDataEvent event, TField* field) override;
    void rowChange(const TRowChange& change) override;

private:
    QPointer<TDataSource> m_source;
    Handler m_handler;
    RowHandler m_rowHandler;
};
