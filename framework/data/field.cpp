#include "framework/data/field.h"

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "framework/data/fieldvalue_p.h"
#include "framework/data/usertexts.h"

#include <cmath>

using zrm::FieldType;

namespace {

// Display widths, in characters, of the types whose size says nothing about their text.
constexpr int FloatDisplayWidth = 10;
constexpr int IntegerDisplayWidth = 10;
constexpr int DateTimeDisplayWidth = 18;

}  // namespace

// QString is implicitly shared: copying the name only counts a reference, so it is taken by reference.
// NOLINTNEXTLINE(modernize-pass-by-value)
TField::TField(TClientDataSet* dataSet, const QString& fieldName, FieldType type, int size)
    : QObject(dataSet), m_dataSet(dataSet), m_fieldName(fieldName), m_dataType(type), m_size(size) {}

TField::~TField() = default;

int TField::Index() const {
    return m_index;
}

QString TField::DisplayLabel() const {
    return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel;
}

void TField::SetDisplayLabel(const QString& label) {
    m_displayLabel = label;
    m_dataSet->notify(TDataEvent::LayoutChange, this);
}

void TField::SetVisible(bool visible) {
    m_visible = visible;
    m_dataSet->notify(TDataEvent::LayoutChange, this);
}

int TField::DisplayWidth() const {
    if (m_displayWidth > 0)
        return m_displayWidth;
    switch (m_dataType) {
        case FieldType::String:
            return m_size;
        case FieldType::Float:
            return FloatDisplayWidth;
        case FieldType::Integer:
            return IntegerDisplayWidth;
        case FieldType::DateTime:
            return DateTimeDisplayWidth;
    }
    return m_size;
}

void TField::SetDisplayWidth(int width) {
    m_displayWidth = width;
    m_dataSet->notify(TDataEvent::LayoutChange, this);
}

void TField::SetEditMask(const QString& mask) {
    m_editMask = mask;
    m_dataSet->notify(TDataEvent::LayoutChange, this);
}

bool TField::IsNull() const {
    return !Value().isValid();
}

QVariant TField::Value() const {
    return m_dataSet->fieldValue(this);
}

void TField::SetValue(const QVariant& value) {
    m_dataSet->setFieldValue(this, value);
}

void TField::Clear() {
    SetValue(QVariant());
}

QString TField::AsString() const {
    return textFromValue(Value());
}

void TField::SetAsString(const QString& text) {
    SetValue(valueFromText(text));
}

double TField::AsFloat() const {
    const QVariant value = Value();
    switch (m_dataType) {
        case FieldType::Float:
        case FieldType::Integer:
            return value.toDouble();
        case FieldType::String:
            return zrm::data::floatFromText(value.toString()).toDouble();
        case FieldType::DateTime:
            break;
    }
    throw EConvertError(
        zrm::userText(QStringLiteral("O campo %1 não guarda um número.")).arg(DisplayLabel()));
}

void TField::SetAsFloat(double value) {
    SetValue(value);
}

QDateTime TField::AsDateTime() const {
    QVariant value = Value();
    if (m_dataType == FieldType::String)
        value = zrm::data::dateTimeFromText(value.toString());
    else if (m_dataType != FieldType::DateTime)
        throw EConvertError(
            zrm::userText(QStringLiteral("O campo %1 não guarda uma data.")).arg(DisplayLabel()));
    return value.isValid() ? value.toDateTime() : ZeroDate();
}

void TField::SetAsDateTime(const QDateTime& value) {
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

int TField::AsInteger() const {
    const QVariant value = Value();
    switch (m_dataType) {
        case FieldType::Integer:
            return static_cast<int>(value.toLongLong());
        case FieldType::Float:
            return static_cast<int>(std::llround(value.toDouble()));
        case FieldType::String:
            return static_cast<int>(zrm::data::integerFromText(value.toString()).toLongLong());
        case FieldType::DateTime:
            break;
    }
    throw EConvertError(
        zrm::userText(QStringLiteral("O campo %1 não guarda um número.")).arg(DisplayLabel()));
}

void TField::SetAsInteger(int value) {
    SetValue(qint64(value));
}

QString TField::Text() const {
    return AsString();
}

void TField::SetText(const QString& text) {
    if (OnSetText)
        OnSetText(this, text);
    else
        SetAsString(text);
}

void TField::FocusControl() {
    m_dataSet->notify(TDataEvent::FocusControl, this);
}

QDateTime TField::ZeroDate() {
    // The day before the first day a date-time field accepts, so it sorts before every real date.
    return {QDate(-1, 12, 31), QTime(0, 0)};
}

// ---- Typed fields ----

TStringField::TStringField(TClientDataSet* dataSet, const QString& fieldName, int size)
    : TField(dataSet, fieldName, FieldType::String, size) {}

QVariant TStringField::valueFromText(const QString& text) const {
    return zrm::data::convertValue(FieldType::String, Size(), text, DisplayLabel());
}

QString TStringField::textFromValue(const QVariant& value) const {
    return zrm::data::valueToText(FieldType::String, value);
}

TFloatField::TFloatField(TClientDataSet* dataSet, const QString& fieldName)
    : TField(dataSet, fieldName, FieldType::Float, 0) {}

QVariant TFloatField::valueFromText(const QString& text) const {
    return zrm::data::floatFromText(text);
}

QString TFloatField::textFromValue(const QVariant& value) const {
    return zrm::data::valueToText(FieldType::Float, value);
}

TIntegerField::TIntegerField(TClientDataSet* dataSet, const QString& fieldName)
    : TField(dataSet, fieldName, FieldType::Integer, 0) {}

QVariant TIntegerField::valueFromText(const QString& text) const {
    return zrm::data::integerFromText(text);
}

QString TIntegerField::textFromValue(const QVariant& value) const {
    return zrm::data::valueToText(FieldType::Integer, value);
}

TDateTimeField::TDateTimeField(TClientDataSet* dataSet, const QString& fieldName)
    : TField(dataSet, fieldName, FieldType::DateTime, 0) {}

QVariant TDateTimeField::valueFromText(const QString& text) const {
    return zrm::data::dateTimeFromText(text);
}

QString TDateTimeField::textFromValue(const QVariant& value) const {
    return zrm::data::valueToText(FieldType::DateTime, value);
}
