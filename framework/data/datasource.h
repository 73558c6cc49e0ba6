#pragma once

// TDataSource: the link between one dataset and the controls and handlers that show it. It passes
// the dataset's notifications to every linked control and to its own handlers, and lets a control
// start editing when the user types (auto-edit).

#include "framework/data/clientdataset.h"

#include <QList>
#include <QObject>

#include <functional>

class TDataSource;

using TDataSourceNotifyEvent = std::function<void(QObject* Sender)>;
using TDataChangeEvent = std::function<void(QObject* Sender, TField* Field)>;

// A control bound to a data source. dataEvent is called for every notification of the dataset while
// its controls are enabled. Exceptions thrown from here reach the operation that caused them.
class TDataLink {
public:
    virtual ~TDataLink();
    virtual void dataEvent(TDataEvent event, TField* field) = 0;
    // A row came, went or moved. A control that shows every row follows it here; by default the
    // link hears DataSetChange, as for any change of the rows.
    virtual void rowChange(const TRowChange& change);
};

class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;

    TClientDataSet* DataSet() const { return m_dataSet; }
    // Links and handlers then hear UpdateState and DataSetChange, as if everything had changed.
    void SetDataSet(TClientDataSet* dataSet);
    TDataSetState State() const;  // dsInactive without a dataset
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool autoEdit) { m_autoEdit = autoEdit; }
    bool Enabled() const { return m_enabled; }
    // A disabled source passes on nothing but UpdateRecord and FocusControl; enabling it again sends
    // UpdateState and DataSetChange.
    void SetEnabled(bool enabled);

    // Puts the dataset in edit state when auto-edit is on and it is browsing; what a control calls
    // when the user starts typing. Exceptions of BeforeEdit pass through.
    void Edit();

    // OnStateChange(Sender) after every state change; OnDataChange(Sender, Field) after a field, a
    // record, a row or the rows changed or the cursor moved (Field is null unless one field changed);
    // OnUpdateData(Sender) before a post.
    TDataSourceNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TDataSourceNotifyEvent OnUpdateData;

    // A link may add or remove links (itself included) while it is being notified; a removed link
    // hears nothing more. Links are not owned.
    void addLink(TDataLink* link);
    void removeLink(TDataLink* link);

    // Called by the dataset: the links first, in the order they were added, then the handler that
    // matches the event. Exceptions pass through to the operation that caused the event.
    void dataEvent(TDataEvent event, TField* field);
    // Called by the dataset for a row that came, went or moved: the links, then OnDataChange.
    void rowChange(const TRowChange& change);
    // Called by a dataset being destroyed: the source shows no dataset from then on. The links hear
    // UpdateState and DataSetChange so that no control keeps looking at the rows that went away;
    // the handlers hear nothing, since their screen is usually being destroyed as well.
    void dataSetDestroyed();

private:
    // Calls tell(link) for each link, in the order they were added, skipping any removed meanwhile.
    template <typename Tell>
    void notifyLinks(Tell tell);

    TClientDataSet* m_dataSet = nullptr;
    QList<TDataLink*> m_links;
    bool m_autoEdit = true;
    bool m_enabled = true;
};
