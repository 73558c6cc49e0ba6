#pragma once

// Conversions between the values a field stores and what callers hand it (texts from controls,
// numbers, date-times), shared by the fields and by the dataset when it loads packets and locates.

#include "framework/packet/packet.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

namespace zrm::data {

// Texts as fields show them: a float without decimal part as "2", a date-time as "dd/MM/yyyy" with
// the time only when it is not midnight.
QString floatToText(double value);
QString dateTimeToText(const QDateTime& value);

// Texts as users type them; an empty (or blank) text is the empty value. Throw EConvertError naming
// the text.
QVariant floatFromText(const QString& text);
QVariant integerFromText(const QString& text);
QVariant dateTimeFromText(const QString& text);

// Brings a value of any supported type to the type stored for a field (QString, double, qint64,
// QDateTime, or the empty value). Throws EConvertError when it does not convert and EDatabaseError
// when a text is longer than size characters; label names the field in messages.
QVariant convertValue(FieldType type, int size, const QVariant& value, const QString& label);

// The text of a stored value.
QString valueToText(FieldType type, const QVariant& value);

// The QMetaType id of the values stored for a field type.
int storedTypeId(FieldType type);

// Orders stored values of one type: the empty value before every other.
int compareValues(FieldType type, const QVariant& a, const QVariant& b);

// A stored value reduced to what ordering needs, for sorting many rows: comparing keys costs far
// less than comparing the values themselves. Keys of one field type order as compareValues does.
struct SortKey {
    bool valid = false;
    qint64 integer = 0;  // integers; date-times as local milliseconds since the Julian epoch
    double number = 0;
    const QString* text = nullptr;  // points into the stored value
};
SortKey sortKey(FieldType type, const QVariant& value);
int compareKeys(FieldType type, const SortKey& a, const SortKey& b);

}  // namespace zrm::data
