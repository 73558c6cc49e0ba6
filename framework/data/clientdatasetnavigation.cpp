#include "framework/data/clientdataset_p.h"

#include "framework/data/exceptions.h"
#include "framework/data/fieldvalue_p.h"

#include <algorithm>

using zrm::FieldType;
using zrm::data::Record;

// ---- Private ----

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

// ---- TClientDataSet ----

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
