#include "framework/data/clientdataset_p.h"

#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/data/fieldvalue_p.h"

#include <algorithm>
#include <unordered_set>

using zrm::FieldDef;
using zrm::FieldType;
using zrm::data::Record;

// ---- Private ----

void TClientDataSet::Private::checkInvariants() const {
#ifndef QT_NO_DEBUG
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
    // A pending row is listed unless it is a pending delete, which the log alone holds.
    for (const Record* record : log.records())
        Q_ASSERT(record->logOrder != 0 && record->change != Record::Change::None);
    if (rows.size() <= 4096) {  // a pass over every row: small datasets only
        const std::vector<Record*> all = rows.toVector();
        const std::unordered_set<const Record*> listed(all.begin(), all.end());
        for (const Record* record : log.records())
            Q_ASSERT(listed.contains(record) == (record->change != Record::Change::Deleted));
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

void TClientDataSet::Private::notifyRows(const TRowChange& change) {
    if (disableCount > 0)
        return;
    const QList<TDataSource*> listening = sources;
    for (TDataSource* source : listening) {
        if (sources.contains(source))
            source->rowChange(change);
    }
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
    rows.reorder(records);
    if (currentRecord)
        position = std::find(records.begin(), records.end(), currentRecord) - records.begin();
}

void TClientDataSet::Private::destroyRows() noexcept {
    log.merge();  // nothing pending is kept for rows that go
    rows.clear();
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
