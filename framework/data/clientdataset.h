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
    RecordChange,   // the current row's values changed as a whole (post, cancel) where it stands
    DataSetChange,  // the rows changed as a whole (opened, reloaded, reordered, emptied, changes
                    // undone), or controls were re-enabled: redraw everything
    DataSetScroll,  // the current row moved
    LayoutChange,   // fields or their presentation changed
    UpdateState,    // the state changed
    UpdateRecord,   // before a post: controls write what is being typed into the fields
    FocusControl,   // a field asked for the input focus (field given)
};

// One row that came, went or moved, told with its places (from 0, in the dataset's order) to the
// controls that show every row; the others hear DataSetChange instead. The dataset has already
// changed when it is told, and the state change that goes with it (UpdateState) comes after.
struct TRowChange {
    enum class Kind {
        Inserted,  // a new row at row (Insert, Append); it is the current row
        Removed,   // the row that was at row (Delete, Cancel of an insert)
        Moved,     // the current row, posted, went from row to to, its place in the index
    };
    Kind kind;
    int row;
    int to = -1;
};

class TClientDataSet : public QObject {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject* parent = nullptr);
    ~TClientDataSet() override;

    // ---- Field list (persistent: declared in code or loaded from a description) ----
    // Adding fields needs an inactive dataset (else EDatabaseError, also for an empty or repeated
    // name or a text size below 1). Each field's objectName is the dataset's objectName followed by
    // the field name, and follows later renames of the dataset. Fires LayoutChange.
    TStringField* AddStringField(const QString& name, int size);
    TFloatField* AddFloatField(const QString& name);
    TIntegerField* AddIntegerField(const QString& name);
    TDateTimeField* AddDateTimeField(const QString& name);
    void AddFields(const QList<zrm::FieldDef>& definitions);
    QList<zrm::FieldDef> FieldDefs() const;

    int FieldCount() const;
    TField* Field(int index) const;                  // in declared order; EDatabaseError when out of range
    TField* FindField(const QString& name) const;    // nullptr when absent (names ignore case)
    TField* FieldByName(const QString& name) const;  // EDatabaseError naming the field when absent

    // ---- Index ----
    // "DTINIFASEORCA;" or "A;B": rows are kept in ascending order of those fields, rows with equal
    // keys in the order they arrived (loaded, or inserted); the current row follows its record after
    // a post. An empty value sorts before every other (an empty date-time is the zero date). Texts
    // compare by character code. Setting an index on an open dataset posts a pending edit, reorders
    // and sends DataSetChange; a field it names that does not exist is an EDatabaseError (when the
    // dataset is open, else when it opens).
    void AddIndex(const QString& name, const QString& fieldNames);
    void SetIndexName(const QString& name);  // EDatabaseError for an unknown index; "" drops it
    QString IndexName() const;
    void SetIndexFieldNames(const QString& fieldNames);
    QString IndexFieldNames() const;

    // ---- Lifecycle ----
    // Every state change sends UpdateState; opening and closing also send DataSetChange.
    void CreateDataSet();  // Close, then opens with no rows and an empty change log
    void Open();           // BeforeOpen, AfterOpen, and AfterScroll when it has rows; nothing when open
    void Close();          // BeforeClose, AfterClose; drops rows, change log and a pending edit
    bool Active() const;
    void SetActive(bool active);
    TDataSetState State() const;

    // ---- Navigation ----
    // Each call posts a pending edit first (a failed post stops it before anything moved), then fires
    // BeforeScroll and AfterScroll, also when already at the end it asked for; DataSetScroll goes to
    // the data sources only when the row changed. EDatabaseError on an inactive dataset.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;   // after Next on the last row, or empty
    bool Bof() const;   // after Prior on the first row, or after First, or empty
    int RecNo() const;  // 1-based position of the current row; -1 when empty or inactive
    // EDatabaseError when there is no such row; nothing when already there.
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool IsEmpty() const;
    // Finds the first row whose fields ("A;B") equal the values (a QVariantList for several fields)
    // and makes it current (a scroll, as above). False (and no move) when none does, also when a
    // value cannot be one of its field's. loPartialKey matches texts by their beginning.
    // EDatabaseError when fields and values do not pair up or a field does not exist.
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = 0);

    // ---- Editing ----
    // Insert and Append post a pending edit first, then fire BeforeInsert, BeforeScroll,
    // OnNewRecord, AfterInsert, AfterScroll; the new row is current and counted (an Inserted row
    // change once OnNewRecord passed). A throwing OnNewRecord removes the row again, unannounced.
    void Insert();  // new empty row before the current one
    void Append();  // new empty row at the end
    // BeforeEdit, AfterEdit; nothing while editing; on an empty dataset it inserts instead.
    void Edit();
    // UpdateRecord to the controls, BeforePost, store, AfterPost. With an index the row then moves
    // to its place and stays current (a Moved row change, else RecordChange after UpdateState).
    // EDatabaseError when not editing or inserting.
    void Post();
    // BeforeCancel, restore, AfterCancel (and AfterScroll when an inserted row went away, a Removed
    // row change); nothing when in browse.
    void Cancel();
    // BeforeDelete, remove (a Removed row change), AfterDelete, AfterScroll; the next row becomes
    // current (the last one when the removed row was last). In insert state it cancels the insert
    // instead. A pending edit of the row is dropped. EDatabaseError on an empty dataset.
    void Delete();
    void EmptyDataSet();     // cancels an edit, removes every row (each removal logged as a delete)
    void CheckBrowseMode();  // posts a pending edit; nothing in browse

    // ---- Notifications to data sources ----
    // Nests; data sources hear nothing until the last EnableControls, except UpdateRecord and
    // FocusControl, which a post and a failed check need. Dataset events still fire.
    void DisableControls();
    // The last one sends UpdateState when the state differs from when controls were disabled, then
    // DataSetChange. Extra calls do nothing.
    void EnableControls();
    bool ControlsDisabled() const;

    // ---- Packets and the change log ----
    // SetData replaces every row with the packet's (columns matched by name ignoring case; extra
    // columns ignored, missing ones empty; values converted to the field types), clears the change
    // log, and reopens the dataset (Close and Open with their events) on the first row. A packet
    // without rows leaves the dataset open and empty. A dataset without fields takes the packet's.
    // A value that does not fit its field (EConvertError, EDatabaseError) or a throwing BeforeClose
    // leaves the dataset as it was.
    void SetData(const zrm::DataPacket& packet);
    zrm::DataPacket GetData() const;  // every row in index order, posted changes included
    // The pending changes since the last merge, one per row, in the order rows first changed:
    // insert, update (old and new) or delete (old), each row with every field (fields =
    // FieldDefs()). Changes to one row fold: insert+update is an insert of the new values,
    // update+delete a delete of the original, insert+delete nothing, and an update back to the
    // original values nothing. Costs in proportion to the number of changes, not of rows.
    zrm::Delta GetDelta() const;
    int GetChangeCount() const;
    void MergeChangeLog();  // accepts the pending changes: the current rows become the originals
    // Cancels a pending edit and restores the rows as they were at the last merge or load. Without
    // an index, rows that come back from deletion are placed at the end. Sends DataSetChange.
    void CancelUpdates();

    // ---- Events ----
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord;

    // ---- Internal: used by fields and data sources ----
    QVariant fieldValue(const TField* field) const;
    // The value of field in the row at position (from 0) as controls show it: the row being edited
    // or inserted holds what is typed so far. Moves nothing and fires nothing; an invalid value
    // outside the rows, on a closed dataset or for another dataset's field.
    QVariant rowValue(int position, const TField* field) const;
    void setFieldValue(TField* field, const QVariant& value);
    void attachDataSource(TDataSource* source);
    void detachDataSource(TDataSource* source);
    void notify(TDataEvent event, TField* field = nullptr);

private:
    class Private;
    std::unique_ptr<Private> d;
};
