#include "framework/data/clientdataset_p.h"

#include "framework/data/exceptions.h"

#include <QScopeGuard>

#include <algorithm>

using zrm::data::Record;

// ---- Private ----

void TClientDataSet::Private::insertRecord(qsizetype at) {
    checkActive();
    q->CheckBrowseMode();
    fire(q->BeforeInsert);
    fire(q->BeforeScroll);
    auto made = std::make_unique<Record>();
    made->values = zrm::Row(fields.size());
    made->arrival = nextArrival++;
    Record* record = made.get();
    at = std::min(at, rows.size());
    rows.insert(at, std::move(made));  // when this fails, made still holds the row and destroys it
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
    notifyRows({TRowChange::Kind::Inserted, int(at)});
    q->notify(TDataEvent::UpdateState);
    fire(q->AfterInsert);
    fire(q->AfterScroll);
}

void TClientDataSet::Private::rowRemoved(qsizetype removed) {
    const bool stateChanges = state != TDataSetState::dsBrowse;
    buffer.clear();
    position = std::min(position, rows.size() - 1);
    bof = eof = rows.isEmpty();
    state = TDataSetState::dsBrowse;
    notifyRows({TRowChange::Kind::Removed, int(removed)});
    if (stateChanges)
        q->notify(TDataEvent::UpdateState);
}

// ---- TClientDataSet ----

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
    // With an index the row goes to its place; moving it allocates nothing it does not first get.
    const qsizetype previous = d->position;
    if (!d->order.isNone()) {
        d->position = d->order.placeOf(d->rows, previous);
        d->rows.move(previous, d->position);
    }
    d->bof = d->eof = false;
    d->state = TDataSetState::dsBrowse;
    if (d->position != previous)
        d->notifyRows({TRowChange::Kind::Moved, int(previous), int(d->position)});
    notify(TDataEvent::UpdateState);
    if (d->position == previous)
        notify(TDataEvent::RecordChange);
    d->fire(AfterPost);
}

void TClientDataSet::Cancel() {
    const Private::InvariantCheck check(d.get());
    if (!d->editing())
        return;
    d->fire(BeforeCancel);
    if (!d->editing())
        return;
    if (d->state == TDataSetState::dsInsert) {
        d->rows.takeAt(d->position);  // never posted: nothing else knows the row
        d->rowRemoved(d->position);
        d->fire(AfterCancel);
        d->fire(AfterScroll);
        return;
    }
    d->buffer.clear();
    d->setState(TDataSetState::dsBrowse);
    notify(TDataEvent::RecordChange);
    d->fire(AfterCancel);
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
        return;                            // a handler changed the rows itself
    d->log.deleted(d->rows, d->position);  // a failure to log leaves the row listed and unchanged
    d->rowRemoved(d->position);
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
    while (!d->rows.isEmpty())
        d->log.deleted(d->rows, 0);
    d->position = -1;
    d->bof = d->eof = true;
    notify(TDataEvent::DataSetChange);
}

void TClientDataSet::CheckBrowseMode() {
    if (d->editing())
        Post();
}
