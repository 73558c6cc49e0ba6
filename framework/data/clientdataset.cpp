#include "framework/data/clientdataset.h"

#include "framework/data/changelog_p.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/data/fieldvalue_p.h"
#include "framework/data/record_p.h"
#include "framework/data/roworder_p.h"

#include <QHash>
#include <QScopeGuard>

#include <algorithm>
#include <unordered_set>

using zrm::FieldDef;
using zrm::FieldType;
using zrm::data::Record;

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
    Record* current() const { return position >= 0 ? rows.at(position) : nullptr; }
    void fire(const TDataSetNotifyEvent& event) const {
        if (event)
            event(q);
    }

    void checkActive() const;
    void checkInactive() const;
    void setState(TDataSetState newState);
    void setPosition(qsizetype newPosition, bool newBof, bool newEof);
    void scroll(const std::function<void()>& move);

    template <typename FieldClass, typename... Args>
    FieldClass* addField(const QString& name, Args... args);

    zrm::data::RowOrder resolveIndex(const QString& fieldNames) const;
    void sortRows();
    void repositionCurrent();
    bool holdsStoredValues(const zrm::Row& row) const;
    std::vector<std::unique_ptr<Record>> recordsFromPacket(const zrm::DataPacket& packet);
    void destroyRows() noexcept;
    void dropFields() noexcept;
    void checkInvariants() const;
    void open();
    void insertRecord(qsizetype at);

    TClientDataSet* q;
    QList<TField*> fields;
    QList<int> storedTypeIds;      // of each field, in declared order
    zrm::data::RecordStore store;  // owns every row; declared first, so it goes last
    zrm::data::RecordList rows;
    zrm::data::ChangeLog log;
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

// ---- Private ----

void TClientDataSet::Private::checkInvariants() const {
#ifndef QT_NO_DEBUG
    // Every row is owned once: listed, or only in the log as a pending delete.
    Q_ASSERT(store.size() == rows.size() + log.deletedCount());
    Q_ASSERT(fields.size() == storedTypeIds.size());
    if (state == TDataSetState::dsInactive) {
        Q_ASSERT(rows.isEmpty() && log.count() == 0 && position == -1);
        return;
    }
    Q_ASSERT(rows.isEmpty() ? position == -1 : position >= 0 && position < rows.size());
    if (editing()) {
        Q_ASSERT(position >= 0);
        Q_ASSERT(buffer.size() == fields.size());
    }
    for (const Record* record : log.records()) {
        Q_ASSERT(store.owns(record) && record->logOrder != 0);
        Q_ASSERT(record->change != Record::Change::None);
    }
#endif
}

void TClientDataSet::Private::checkActive() const {
    if (state == TDataSetState::dsInactive)
        throw EDatabaseError(QStringLiteral("Operação impossível: %1 está fechado.").arg(name()));
}

void TClientDataSet::Private::checkInactive() const {
    if (state != TDataSetState::dsInactive) {
        throw EDatabaseError(
            QStringLiteral("Os campos de %1 só podem mudar com o conjunto de dados fechado.").arg(name()));
    }
}

void TClientDataSet::Private::setState(TDataSetState newState) {
    if (state == newState)
        return;
    state = newState;
    q->notify(TDataEvent::UpdateState);
}

void TClientDataSet::Private::setPosition(qsizetype newPosition, bool newBof, bool newEof) {
    // A BeforeScroll handler may have removed rows since the target was chosen.
    newPosition = std::min(newPosition, rows.size() - 1);
    const bool moved = newPosition != position;
    position = newPosition;
    bof = newBof;
    eof = newEof;
    if (moved)
        q->notify(TDataEvent::DataSetScroll);
}

void TClientDataSet::Private::scroll(const std::function<void()>& move) {
    checkActive();
    // Posting first may move the edited row, so the move is worked out only afterwards.
    q->CheckBrowseMode();
    fire(q->BeforeScroll);
    move();
    fire(q->AfterScroll);
}

template <typename FieldClass, typename... Args>
FieldClass* TClientDataSet::Private::addField(const QString& name, Args... args) {
    checkInactive();
    if (name.isEmpty())
        throw EDatabaseError(QStringLiteral("Um campo de %1 precisa de nome.").arg(this->name()));
    if (q->FindField(name))
        throw EDatabaseError(QStringLiteral("O campo %1 já existe em %2.").arg(name, this->name()));
    auto* field = new FieldClass(q, name, args...);
    field->m_index = int(fields.size());
    storedTypeIds.append(zrm::data::storedTypeId(field->DataType()));
    field->setObjectName(q->objectName() + name);
    fields.append(field);
    q->notify(TDataEvent::LayoutChange);
    return field;
}

zrm::data::RowOrder TClientDataSet::Private::resolveIndex(const QString& fieldNames) const {
    QList<zrm::data::RowOrder::KeyField> keys;
    for (const QString& fieldName : fieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const TField* field = q->FieldByName(fieldName.trimmed());
        keys.append({field->Index(), field->DataType()});
    }
    return zrm::data::RowOrder(keys);
}

void TClientDataSet::Private::sortRows() {
    std::vector<Record*> records = rows.toVector();
    if (!order.sort(records))
        return;
    const Record* currentRecord = current();
    rows.assign(records);
    if (currentRecord)
        position = std::find(records.begin(), records.end(), currentRecord) - records.begin();
}

void TClientDataSet::Private::repositionCurrent() {
    if (order.isNone())
        return;
    Record* record = rows.takeAt(position);
    position = order.placeOf(rows, record);
    rows.insert(position, record);
}

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

void TClientDataSet::Private::destroyRows() noexcept {
    log.clear();
    rows.assign({});
    store.clear();
    position = -1;
    bof = eof = true;
    buffer.clear();
}

void TClientDataSet::Private::dropFields() noexcept {
    qDeleteAll(fields);
    fields.clear();
    storedTypeIds.clear();
}

void TClientDataSet::Private::open() {
    try {
        order = resolveIndex(indexFieldNames);
        fire(q->BeforeOpen);
    } catch (...) {
        destroyRows();  // rows handed over for the opening must not outlive a failed one
        throw;
    }
    sortRows();
    position = rows.isEmpty() ? -1 : 0;
    bof = true;
    eof = rows.isEmpty();
    setState(TDataSetState::dsBrowse);
    q->notify(TDataEvent::DataSetChange);
    fire(q->AfterOpen);
    if (!rows.isEmpty())
        fire(q->AfterScroll);
}

void TClientDataSet::Private::insertRecord(qsizetype at) {
    checkActive();
    q->CheckBrowseMode();
    fire(q->BeforeInsert);
    fire(q->BeforeScroll);
    Record* record = store.create();
    auto unmade = qScopeGuard([this, record] { store.destroy(record); });
    record->values = zrm::Row(fields.size());
    record->arrival = nextArrival++;
    at = std::min(at, rows.size());
    rows.insert(at, record);
    const qsizetype previous = position;
    const bool wasBof = bof;
    const bool wasEof = eof;
    auto unlisted = qScopeGuard([&] {
        rows.takeAt(at);
        position = previous;
        buffer.clear();
        state = TDataSetState::dsBrowse;
        bof = wasBof;
        eof = wasEof;
    });
    buffer = record->values;
    position = at;
    bof = eof = false;
    state = TDataSetState::dsInsert;
    fire(q->OnNewRecord);  // a throwing handler removes the row again
    unlisted.dismiss();
    unmade.dismiss();
    q->notify(TDataEvent::UpdateState);
    q->notify(TDataEvent::DataSetChange);
    fire(q->AfterInsert);
    fire(q->AfterScroll);
}

// ---- TClientDataSet ----

TClientDataSet::TClientDataSet(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        for (TField* field : d->fields)
            field->setObjectName(name + field->FieldName());
    });
}

TClientDataSet::~TClientDataSet() {
    const QList<TDataSource*> sources = d->sources;
    d->sources.clear();
    for (TDataSource* source : sources)
        source->dataSetDestroyed();
    d->destroyRows();
    d->dropFields();
}

TStringField* TClientDataSet::AddStringField(const QString& name, int size) {
    if (size < 1)
        throw EDatabaseError(QStringLiteral("O campo de texto %1 precisa de um tamanho positivo.").arg(name));
    return d->addField<TStringField>(name, size);
}

TFloatField* TClientDataSet::AddFloatField(const QString& name) {
    return d->addField<TFloatField>(name);
}

TIntegerField* TClientDataSet::AddIntegerField(const QString& name) {
    return d->addField<TIntegerField>(name);
}

TDateTimeField* TClientDataSet::AddDateTimeField(const QString& name) {
    return d->addField<TDateTimeField>(name);
}

void TClientDataSet::AddFields(const QList<FieldDef>& definitions) {
    for (const FieldDef& def : definitions) {
        switch (def.type) {
            case FieldType::String:
                AddStringField(def.name, def.size);
                break;
            case FieldType::Float:
                AddFloatField(def.name);
                break;
            case FieldType::Integer:
                AddIntegerField(def.name);
                break;
            case FieldType::DateTime:
                AddDateTimeField(def.name);
                break;
        }
    }
}

QList<FieldDef> TClientDataSet::FieldDefs() const {
    QList<FieldDef> defs;
    defs.reserve(d->fields.size());
    for (const TField* field : d->fields)
        defs.append({field->FieldName(), field->DataType(), field->Size()});
    return defs;
}

int TClientDataSet::FieldCount() const {
    return int(d->fields.size());
}

TField* TClientDataSet::Field(int index) const {
    if (index < 0 || index >= d->fields.size()) {
        throw EDatabaseError(QStringLiteral("%1 não tem campo na posição %2.").arg(d->name()).arg(index));
    }
    return d->fields.at(index);
}

TField* TClientDataSet::FindField(const QString& name) const {
    for (TField* field : d->fields) {
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    return nullptr;
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    if (TField* field = FindField(name))
        return field;
    throw EDatabaseError(QStringLiteral("O campo '%1' não existe em %2.").arg(name, d->name()));
}

// ---- Index ----

void TClientDataSet::AddIndex(const QString& name, const QString& fieldNames) {
    d->indexes.insert(name.toUpper(), fieldNames);
}

void TClientDataSet::SetIndexName(const QString& name) {
    if (name.isEmpty()) {
        SetIndexFieldNames(QString());
        return;
    }
    const auto index = d->indexes.constFind(name.toUpper());
    if (index == d->indexes.constEnd())
        throw EDatabaseError(QStringLiteral("O índice '%1' não existe em %2.").arg(name, d->name()));
    SetIndexFieldNames(*index);
    d->indexName = name;
}

QString TClientDataSet::IndexName() const {
    return d->indexName;
}

void TClientDataSet::SetIndexFieldNames(const QString& fieldNames) {
    if (Active()) {
        CheckBrowseMode();
        d->order = d->resolveIndex(fieldNames);
        d->sortRows();
        notify(TDataEvent::DataSetChange);
    }
    d->indexFieldNames = fieldNames;
    d->indexName.clear();
}

QString TClientDataSet::IndexFieldNames() const {
    return d->indexFieldNames;
}

// ---- Lifecycle ----

void TClientDataSet::CreateDataSet() {
    Close();
    d->open();
}

void TClientDataSet::Open() {
    if (!Active())
        d->open();
}

void TClientDataSet::Close() {
    const Private::InvariantCheck check(d.get());
    if (!Active())
        return;
    d->fire(BeforeClose);
    d->destroyRows();
    d->setState(TDataSetState::dsInactive);
    notify(TDataEvent::DataSetChange);
    d->fire(AfterClose);
}

bool TClientDataSet::Active() const {
    return d->state != TDataSetState::dsInactive;
}

void TClientDataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

TDataSetState TClientDataSet::State() const {
    return d->state;
}

// ---- Navigation ----

void TClientDataSet::First() {
    d->scroll([this] { d->setPosition(d->rows.isEmpty() ? -1 : 0, true, d->rows.isEmpty()); });
}

void TClientDataSet::Next() {
    d->scroll([this] {
        if (d->position + 1 < d->rows.size())
            d->setPosition(d->position + 1, false, false);
        else
            d->eof = true;
    });
}

void TClientDataSet::Prior() {
    d->scroll([this] {
        if (d->position > 0)
            d->setPosition(d->position - 1, false, false);
        else
            d->bof = true;
    });
}

void TClientDataSet::Last() {
    d->scroll([this] { d->setPosition(d->rows.size() - 1, d->rows.isEmpty(), true); });
}

bool TClientDataSet::Eof() const {
    return !Active() || d->rows.isEmpty() || d->eof;
}

bool TClientDataSet::Bof() const {
    return !Active() || d->rows.isEmpty() || d->bof;
}

int TClientDataSet::RecNo() const {
    return Active() && d->position >= 0 ? int(d->position) + 1 : -1;
}

void TClientDataSet::SetRecNo(int recNo) {
    d->checkActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > d->rows.size())
        throw EDatabaseError(QStringLiteral("%1 não tem o registro %2.").arg(d->name()).arg(recNo));
    if (recNo == RecNo())
        return;
    d->scroll([this, recNo] { d->setPosition(recNo - 1, false, false); });
}

int TClientDataSet::RecordCount() const {
    return Active() ? int(d->rows.size()) : 0;
}

bool TClientDataSet::IsEmpty() const {
    return RecordCount() == 0;
}

bool TClientDataSet::Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) {
    d->checkActive();
    CheckBrowseMode();
    QList<TField*> keys;
    for (const QString& name : keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        keys.append(FieldByName(name.trimmed()));
    QVariantList values = keys.size() == 1 && keyValues.typeId() != QMetaType::QVariantList
                              ? QVariantList{keyValues}
                              : keyValues.toList();
    if (keys.isEmpty() || values.size() != keys.size()) {
        throw EDatabaseError(QStringLiteral("Locate em %1: são %2 campos e %3 valores.")
                                 .arg(d->name())
                                 .arg(keys.size())
                                 .arg(values.size()));
    }
    const bool caseInsensitive = options & int(TLocateOption::loCaseInsensitive);
    const bool partial = options & int(TLocateOption::loPartialKey);
    for (int k = 0; k < keys.size(); ++k) {
        try {
            values[k] = zrm::data::convertValue(keys[k]->DataType(), 0, values[k], keys[k]->DisplayLabel());
        } catch (const EConvertError&) {
            return false;  // a value that the field cannot hold matches no row
        }
    }
    const auto matches = [&](const Record* record) {
        for (int k = 0; k < keys.size(); ++k) {
            const QVariant& value = record->values.at(keys[k]->Index());
            if (keys[k]->DataType() == FieldType::String && values[k].isValid() && value.isValid()) {
                const Qt::CaseSensitivity sensitivity =
                    caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
                const QString text = value.toString();
                const QString key = values[k].toString();
                if (partial ? !text.startsWith(key, sensitivity) : text.compare(key, sensitivity) != 0)
                    return false;
            } else if (zrm::data::compareValues(keys[k]->DataType(), value, values[k]) != 0) {
                return false;
            }
        }
        return true;
    };
    for (qsizetype position = 0; position < d->rows.size(); ++position) {
        if (matches(d->rows.at(position))) {
            d->scroll([this, position] { d->setPosition(position, false, false); });
            return true;
        }
    }
    return false;
}

// ---- Editing ----

void TClientDataSet::Insert() {
    const Private::InvariantCheck check(d.get());
    d->insertRecord(std::max<qsizetype>(d->position, 0));
}

void TClientDataSet::Append() {
    const Private::InvariantCheck check(d.get());
    d->insertRecord(d->rows.size());
}

void TClientDataSet::Edit() {
    const Private::InvariantCheck check(d.get());
    d->checkActive();
    if (d->editing())
        return;
    if (d->rows.isEmpty()) {
        Insert();
        return;
    }
    d->fire(BeforeEdit);
    if (d->state != TDataSetState::dsBrowse)
        return;  // the handler changed the state itself
    d->buffer = d->current()->values;
    d->setState(TDataSetState::dsEdit);
    d->fire(AfterEdit);
}

void TClientDataSet::Post() {
    const Private::InvariantCheck check(d.get());
    d->checkActive();
    if (!d->editing())
        throw EDatabaseError(QStringLiteral("%1 não está em edição nem em inclusão.").arg(d->name()));
    notify(TDataEvent::UpdateRecord);
    if (!d->editing())
        return;  // a control ended the edit itself
    d->fire(BeforePost);
    if (!d->editing())
        return;  // a handler ended the edit itself
    Record* record = d->current();
    const zrm::Row before = record->values;
    record->values = d->buffer;
    // Storing is all or nothing: a failure to log the change leaves the row and the edit as they were.
    auto unstored = qScopeGuard([record, &before] { record->values = before; });
    if (d->state == TDataSetState::dsInsert)
        d->log.inserted(record);
    else
        d->log.updated(record, before);
    unstored.dismiss();
    d->buffer.clear();
    const qsizetype previous = d->position;
    d->repositionCurrent();
    d->bof = d->eof = false;
    d->setState(TDataSetState::dsBrowse);
    notify(d->position == previous ? TDataEvent::RecordChange : TDataEvent::DataSetChange);
    d->fire(AfterPost);
}

void TClientDataSet::Cancel() {
    const Private::InvariantCheck check(d.get());
    if (!d->editing())
        return;
    d->fire(BeforeCancel);
    if (!d->editing())
        return;
    const bool wasInsert = d->state == TDataSetState::dsInsert;
    d->buffer.clear();
    if (wasInsert) {
        d->store.destroy(d->rows.takeAt(d->position));
        d->position = std::min(d->position, d->rows.size() - 1);
        d->bof = d->eof = d->rows.isEmpty();
    }
    d->setState(TDataSetState::dsBrowse);
    notify(wasInsert ? TDataEvent::DataSetChange : TDataEvent::RecordChange);
    d->fire(AfterCancel);
    if (wasInsert)
        d->fire(AfterScroll);
}

void TClientDataSet::Delete() {
    const Private::InvariantCheck check(d.get());
    d->checkActive();
    if (d->state == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (d->rows.isEmpty())
        throw EDatabaseError(QStringLiteral("Não há registro para excluir em %1.").arg(d->name()));
    d->fire(BeforeDelete);
    if (d->rows.isEmpty() || d->state == TDataSetState::dsInsert)
        return;  // a handler changed the rows itself
    // Logged first: a failure to log leaves the row listed and unchanged.
    Record* record = d->rows.at(d->position);
    const bool forgotten = d->log.deleted(record);
    d->rows.takeAt(d->position);
    if (forgotten)
        d->store.destroy(record);
    d->buffer.clear();
    d->position = std::min(d->position, d->rows.size() - 1);
    d->bof = d->eof = d->rows.isEmpty();
    d->setState(TDataSetState::dsBrowse);
    notify(TDataEvent::DataSetChange);
    d->fire(AfterDelete);
    d->fire(AfterScroll);
}

void TClientDataSet::EmptyDataSet() {
    const Private::InvariantCheck check(d.get());
    d->checkActive();
    Cancel();
    // Row by row, each logged and unlisted together, so a failure part-way leaves the rows not yet
    // reached listed and the current row on the first of them.
    const auto placed = qScopeGuard([this] {
        d->position = d->rows.isEmpty() ? -1 : 0;
        d->bof = d->eof = d->rows.isEmpty();
    });
    while (!d->rows.isEmpty()) {
        Record* record = d->rows.at(0);
        const bool forgotten = d->log.deleted(record);
        d->rows.takeAt(0);
        if (forgotten)
            d->store.destroy(record);
    }
    d->position = -1;
    d->bof = d->eof = true;
    notify(TDataEvent::DataSetChange);
}

void TClientDataSet::CheckBrowseMode() {
    if (d->editing())
        Post();
}

// ---- Notifications ----

void TClientDataSet::DisableControls() {
    if (d->disableCount++ == 0)
        d->stateWhenDisabled = d->state;
}

void TClientDataSet::EnableControls() {
    if (d->disableCount == 0 || --d->disableCount > 0)
        return;
    if (d->state != d->stateWhenDisabled)
        notify(TDataEvent::UpdateState);
    notify(TDataEvent::DataSetChange);
}

bool TClientDataSet::ControlsDisabled() const {
    return d->disableCount > 0;
}

// ---- Packets and the change log ----

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
    try {
        d->store.reserve(qsizetype(loaded.size()));
        std::vector<Record*> records;
        records.reserve(loaded.size());
        for (std::unique_ptr<Record>& record : loaded)
            records.push_back(d->store.adopt(std::move(record)));
        d->rows.assign(records);
    } catch (...) {
        d->destroyRows();
        throw;
    }
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
    for (const Record* record : d->log.merge())
        d->store.destroy(record);
}

void TClientDataSet::CancelUpdates() {
    const Private::InvariantCheck check(d.get());
    Cancel();
    // Worked out aside first: the rows change only once nothing more can fail.
    const std::vector<Record*> pending = d->log.records();
    std::unordered_set<const Record*> dropped;  // inserted since the last merge
    std::vector<Record*> restored;              // deleted since the last merge
    for (Record* record : pending) {
        if (record->change == Record::Change::Inserted)
            dropped.insert(record);
        else if (record->change == Record::Change::Deleted)
            restored.push_back(record);
    }
    const Record* currentRecord = d->current();
    qsizetype currentPosition = -1;
    std::vector<Record*> records;
    records.reserve(std::size_t(d->rows.size()) + restored.size());
    for (Record* record : d->rows.toVector()) {
        if (dropped.contains(record))
            continue;
        if (record == currentRecord)
            currentPosition = qsizetype(records.size());
        records.push_back(record);
    }
    Q_ASSERT_X(records.size() + dropped.size() == std::size_t(d->rows.size()), "CancelUpdates",
               "every row inserted since the last merge is listed");
    // Without an index a restored row has no place of its own: it comes back at the end.
    records.insert(records.end(), restored.begin(), restored.end());
    zrm::data::RecordList next;
    next.assign(records);

    for (Record* record : pending) {
        record->logOrder = 0;
        if (record->change == Record::Change::Inserted)
            continue;
        record->values = record->original;
        record->original.clear();
        record->change = Record::Change::None;
    }
    d->log.clear();
    d->rows = std::move(next);
    for (const Record* record : dropped)
        d->store.destroy(record);
    d->position = currentPosition >= 0 ? currentPosition : (d->rows.isEmpty() ? -1 : 0);
    d->sortRows();
    d->bof = d->eof = d->rows.isEmpty();
    notify(TDataEvent::DataSetChange);
}

// ---- Internal ----

QVariant TClientDataSet::fieldValue(const TField* field) const {
    if (d->editing())
        return d->buffer.at(field->Index());
    const Record* record = Active() ? d->current() : nullptr;
    return record ? record->values.at(field->Index()) : QVariant();
}

QVariant TClientDataSet::rowValue(int position, const TField* field) const {
    if (!Active() || position < 0 || position >= d->rows.size() || field->DataSet() != this)
        return {};
    if (position == d->position && d->editing())
        return d->buffer.at(field->Index());
    return d->rows.at(position)->values.at(field->Index());
}

void TClientDataSet::setFieldValue(TField* field, const QVariant& value) {
    if (!d->editing()) {
        throw EDatabaseError(
            QStringLiteral("%1 não está em edição nem em inclusão: o campo %2 não pode ser alterado.")
                .arg(d->name(), field->DisplayLabel()));
    }
    d->buffer[field->Index()] =
        zrm::data::convertValue(field->DataType(), field->Size(), value, field->DisplayLabel());
    notify(TDataEvent::FieldChange, field);
}

void TClientDataSet::attachDataSource(TDataSource* source) {
    if (!d->sources.contains(source))
        d->sources.append(source);
}

void TClientDataSet::detachDataSource(TDataSource* source) {
    d->sources.removeAll(source);
}

void TClientDataSet::notify(TDataEvent event, TField* field) {
    // Requests that a post or a failed check depends on go through even while controls are off.
    const bool request = event == TDataEvent::UpdateRecord || event == TDataEvent::FocusControl;
    if (d->disableCount > 0 && !request)
        return;
    const QList<TDataSource*> sources = d->sources;
    for (TDataSource* source : sources) {
        if (d->sources.contains(source))
            source->dataEvent(event, field);
    }
}
