#include "framework/data/clientdataset_p.h"

#include "framework/data/exceptions.h"
#include "framework/data/fieldvalue_p.h"

#include <algorithm>

using zrm::FieldType;
using zrm::data::Record;

// ---- Private ----

bool TClientDataSet::Private::holdsStoredValues(const zrm::Row& row) const {
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QVariant& value = row.at(i);
        const TField* field = fields.at(i);
        if (value.isValid() && (value.typeId() != storedTypeIds.at(i) ||
                                (field->DataType() == FieldType::String &&
                                 static_cast<const QString*>(value.constData())->size() > field->Size())))
            return false;
    }
    return true;
}

std::vector<std::unique_ptr<Record>> TClientDataSet::Private::recordsFromPacket(
    const zrm::DataPacket& packet) {
    // Columns are matched by name. When the packet has exactly the dataset's columns and a row holds
    // values as the dataset stores them, the row is taken as it is (shared, not copied), which is
    // what makes loading cheap; any other row is converted value by value.
    QList<int> columns;
    bool sameLayout = packet.fields.size() == fields.size();
    for (TField* field : fields) {
        const int column = packet.fieldIndex(field->FieldName());
        columns.append(column);
        sameLayout =
            sameLayout && column == field->Index() && packet.fields.at(column).type == field->DataType();
    }
    std::vector<std::unique_ptr<Record>> loaded;
    loaded.reserve(packet.rows.size());
    for (const zrm::Row& row : packet.rows) {
        if (row.size() != packet.fields.size()) {
            throw EDatabaseError(
                QStringLiteral("Pacote de dados malformado para %1: linha com %2 valores e %3 colunas.")
                    .arg(name())
                    .arg(row.size())
                    .arg(packet.fields.size()));
        }
        auto record = std::make_unique<Record>();
        if (sameLayout && holdsStoredValues(row)) {
            record->values = row;
        } else {
            record->values.reserve(fields.size());
            for (TField* field : fields) {
                const int column = columns.at(field->Index());
                record->values.append(column < 0
                                          ? QVariant()
                                          : zrm::data::convertValue(field->DataType(), field->Size(),
                                                                    row.at(column), field->DisplayLabel()));
            }
        }
        record->arrival = nextArrival++;
        loaded.push_back(std::move(record));
    }
    return loaded;
}

void TClientDataSet::Private::placeCursorOn(const Record* record) {
    position = rows.isEmpty() ? -1 : 0;
    if (record) {
        const std::vector<Record*> listed = rows.toVector();
        const auto found = std::find(listed.begin(), listed.end(), record);
        if (found != listed.end())
            position = found - listed.begin();
    }
    bof = eof = rows.isEmpty();
}

// ---- TClientDataSet ----

void TClientDataSet::SetData(const zrm::DataPacket& packet) {
    const Private::InvariantCheck check(d.get());
    const bool takesFields = d->fields.isEmpty();
    std::vector<std::unique_ptr<Record>> loaded;
    try {
        if (takesFields) {
            Close();
            AddFields(packet.fields);
        }
        loaded = d->recordsFromPacket(packet);
        Close();
    } catch (...) {
        // A dataset that was to take the packet's fields is left without any, as it was.
        if (takesFields && !d->fields.isEmpty()) {
            d->dropFields();
            notify(TDataEvent::LayoutChange);
        }
        throw;
    }
    d->rows.assign(std::move(loaded));  // when this fails, loaded keeps the rows and destroys them
    d->open();
}

zrm::DataPacket TClientDataSet::GetData() const {
    zrm::DataPacket packet;
    packet.fields = FieldDefs();
    packet.rows.reserve(d->rows.size());
    // A row being inserted is not data yet.
    const Record* unposted = d->state == TDataSetState::dsInsert ? d->current() : nullptr;
    for (const Record* record : d->rows.toVector()) {
        if (record != unposted)
            packet.rows.append(record->values);
    }
    return packet;
}

zrm::Delta TClientDataSet::GetDelta() const {
    return d->log.delta(FieldDefs());
}

int TClientDataSet::GetChangeCount() const {
    return d->log.count();
}

void TClientDataSet::MergeChangeLog() {
    const Private::InvariantCheck check(d.get());
    d->log.merge();
}

void TClientDataSet::CancelUpdates() {
    const Private::InvariantCheck check(d.get());
    Cancel();
    const Record* current = d->current();
    // A row inserted since the last merge goes; the cursor then starts again from the first row.
    const Record* kept = current && current->change != Record::Change::Inserted ? current : nullptr;
    try {
        d->log.revert(d->rows);
    } catch (...) {
        d->placeCursorOn(kept);  // the changes not reached are still pending, and listed
        throw;
    }
    d->placeCursorOn(kept);
    d->sortRows();
    notify(TDataEvent::DataSetChange);
}
