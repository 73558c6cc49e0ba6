#pragma once

// What a client dataset holds and the steps its operations share. The operations themselves are
// grouped by job: clientdataset.cpp (fields, index, lifecycle, notifications),
// clientdatasetnavigation.cpp (the cursor), clientdatasetediting.cpp (insert, edit, post, cancel,
// delete) and clientdatasetpackets.cpp (packets, deltas and the change log).

#include "framework/data/changelog_p.h"
#include "framework/data/clientdataset.h"
#include "framework/data/record_p.h"
#include "framework/data/roworder_p.h"

#include <QHash>

class TClientDataSet::Private {
public:
    explicit Private(TClientDataSet* dataSet) : q(dataSet) {}

    // Checks the dataset's invariants when the operation it guards ends, however it ends: an
    // operation that fails part-way must leave a consistent dataset. Debug builds only.
    class InvariantCheck {
    public:
        explicit InvariantCheck(const Private* d) : m_d(d) {}
        ~InvariantCheck() { m_d->checkInvariants(); }
        InvariantCheck(const InvariantCheck&) = delete;
        InvariantCheck& operator=(const InvariantCheck&) = delete;

    private:
        const Private* m_d;
    };

    QString name() const {
        return q->objectName().isEmpty() ? QStringLiteral("o conjunto de dados") : q->objectName();
    }
    bool editing() const { return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert; }
    zrm::data::Record* current() const { return position >= 0 ? rows.at(position) : nullptr; }
    void fire(const TDataSetNotifyEvent& event) const {
        if (event)
            event(q);
    }

    // ---- clientdataset.cpp ----
    void checkActive() const;
    void checkInactive() const;
    void checkInvariants() const;
    void setState(TDataSetState newState);
    // Tells the data sources about one row, as notify does for the other notifications.
    void notifyRows(const TRowChange& change);
    template <typename FieldClass, typename... Args>
    FieldClass* addField(const QString& name, Args... args);
    zrm::data::RowOrder resolveIndex(const QString& fieldNames) const;
    // Puts the rows in the index's order; the cursor stays on its row.
    void sortRows();
    void open();
    void destroyRows() noexcept;
    void dropFields() noexcept;

    // ---- clientdatasetnavigation.cpp ----
    void setPosition(qsizetype newPosition, bool newBof, bool newEof);
    void scroll(const std::function<void()>& move);

    // ---- clientdatasetediting.cpp ----
    void insertRecord(qsizetype at);
    // The row that was at removed has left the list: the cursor goes to the row now there (or the
    // new last one), the state to browse, and the controls hear of the row, then of the state.
    void rowRemoved(qsizetype removed);

    // ---- clientdatasetpackets.cpp ----
    bool holdsStoredValues(const zrm::Row& row) const;
    std::vector<std::unique_ptr<zrm::data::Record>> recordsFromPacket(const zrm::DataPacket& packet);
    // Puts the cursor on record, or on the first row when it is not listed (or null).
    void placeCursorOn(const zrm::data::Record* record);

    TClientDataSet* q;
    QList<TField*> fields;
    QList<int> storedTypeIds;    // of each field, in declared order
    zrm::data::RecordList rows;  // owns the listed rows
    zrm::data::ChangeLog log;    // owns the deleted rows while their delete is pending
    TDataSetState state = TDataSetState::dsInactive;
    qsizetype position = -1;  // the current row; -1 when there is none
    bool bof = true;
    bool eof = true;
    zrm::Row buffer;  // the values of the row being edited or inserted
    quint64 nextArrival = 1;

    QHash<QString, QString> indexes;  // upper-case index name → field names
    QString indexName;
    QString indexFieldNames;
    zrm::data::RowOrder order;  // of the index, resolved when the dataset opens

    QList<TDataSource*> sources;
    int disableCount = 0;
    TDataSetState stateWhenDisabled = TDataSetState::dsInactive;
};
