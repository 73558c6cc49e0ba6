#pragma once

// TClientDataSet: the in-memory dataset screens are built on. It holds typed rows under a fixed list
// of fields, a current row and a state (inactive, browse, edit, insert), keeps rows in the order of
// its index, records every posted change in a change log (one pending change per row), and exchanges
// rows and changes with the server as data packets and deltas.
//
// Operations are transactional: a Before… handler that throws leaves state, current row and the
// values typed so far exactly as they were, and no After… event fires. Moving the cursor while
// editing posts first; a failed post cancels the move. Events are plain callbacks, called directly,
// so an exception thrown by a handler unwinds to whoever started the operation.

#include "framework/data/field.h"
#include "framework/packet/packet.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class TClientDataSet;
class TDataSource;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

using TDataSetNotifyEvent = std::function<void(TClientDataSet* DataSet)>;

enum class TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;  // a combination of TLocateOption bits

// What a dataset tells its data sources, and they their linked controls.
enum class TDataEvent {
    FieldChange,    // a field of the current row changed (field given)
    RecordChange,   // the current row's values changed as a whole (post, cancel)
    DataSetChange,  // rows came or went, or controls were re-enabled: redraw everything
    DataSetScroll,  // the current row moved
    LayoutChange,   // fields or their presentation changed
    UpdateState,    // the state changed
    UpdateRecord,   // before a post: controls write what is being typed into the fields
    FocusControl,   // a field asked for the input focus (field given)
};

class TClientDataSet : public QObject {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject* parent = nullptr);
    ~TClientDataSet() override;

    // ---- Field list (persistent: declared in code or loaded from a description) ----
    // Adding fields needs an inactive dataset (else EDatabaseError). Each field's objectName is the
    // dataset's objectName followed by the field name.
    TStringField* AddStringField(const QString& name, int size);
    TFloatField* AddFloatField(const QString& name);
    TIntegerField* AddIntegerField(const QString& name);
    TDateTimeField* AddDateTimeField(const QString& name);
    void AddFields(const QList<zrm::FieldDef>& definitions);
    QList<zrm::FieldDef> FieldDefs() const;

    int FieldCount() const;
    TField* Field(int index) const;                  // in declared order
    TField* FindField(const QString& name) const;    // nullptr when absent (names ignore case)
    TField* FieldByName(const QString& name) const;  // EDatabaseError naming the field when absent

    // ---- Index ----
    // "DTINIFASEORCA;" or "A;B": rows are kept in ascending order of those fields, rows with equal
    // keys in the order they arrived; the current row follows its record after a post.
    void AddIndex(const QString& name, const QString& fieldNames);
    void SetIndexName(const QString& name);
    QString IndexName() const;
    void SetIndexFieldNames(const QString& fieldNames);
    QString IndexFieldNames() const;

    // ---- Lifecycle ----
    void CreateDataSet();  // opens with no rows and an empty change log
    void Open();           // BeforeOpen, AfterOpen, AfterScroll
    void Close();          // BeforeClose, AfterClose; drops rows and change log
    bool Active() const;
    void SetActive(bool active);
    TDataSetState State() const;

    // ---- Navigation ----
    // Each move fires BeforeScroll and AfterScroll, and posts a pending edit first.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;   // after Next on the last row, or empty
    bool Bof() const;   // after Prior on the first row, or after First, or empty
    int RecNo() const;  // 1-based position of the current row; -1 when empty or inactive
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool IsEmpty() const;
    // Finds the first row whose fields ("A;B") equal the values (a QVariantList for several fields)
    // and makes it current. False (and no move) when none does.
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = 0);

    // ---- Editing ----
    void Insert();  // new empty row before the current one
    void Append();  // new empty row at the end
    void Edit();
    void Post();             // UpdateRecord to the controls, BeforePost, store, AfterPost
    void Cancel();           // BeforeCancel, restore, AfterCancel; nothing when in browse
    void Delete();           // BeforeDelete, remove, AfterDelete, AfterScroll
    void EmptyDataSet();     // removes every row (each removal logged as a delete)
    void CheckBrowseMode();  // posts a pending edit; nothing in browse

    // ---- Notifications to data sources ----
    void DisableControls();  // nests; data sources hear nothing until the last EnableControls
    void EnableControls();   // the last one sends DataSetChange
    bool ControlsDisabled() const;

    // ---- Packets and the change log ----
    // SetData replaces every row with the packet's (columns matched by name; extra columns ignored,
    // missing ones empty), clears the change log, opens the dataset and goes to the first row. A
    // packet without rows leaves the dataset open and empty.
    void SetData(const zrm::DataPacket& packet);
    zrm::DataPacket GetData() const;  // every row in index order, pending changes included
    // The pending changes since the last merge, one per row: insert, update (old and new) or delete
    // (old). Costs in proportion to the number of changes, not of rows.
    zrm::Delta GetDelta() const;
    int GetChangeCount() const;
    void MergeChangeLog();  // accepts the pending changes: the current rows become the originals
    void CancelUpdates();   // restores the rows as they were at the last merge or load

    // ---- Events ----
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord;

    // ---- Internal: used by fields and data sources ----
    QVariant fieldValue(const TField* field) const;
    void setFieldValue(TField* field, const QVariant& value);
    void attachDataSource(TDataSource* source);
    void detachDataSource(TDataSource* source);
    void notify(TDataEvent event, TField* field = nullptr);

private:
    class Private;
    std::unique_ptr<Private> d;
};
