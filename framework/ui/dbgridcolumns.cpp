#include "framework/ui/dbgridcolumns.h"

#include "framework/data/clientdataset.h"
#include "framework/data/field.h"

void TColumn::SetFieldName(const QString& name) {
    if (name == m_fieldName)
        return;
    m_fieldName = name;
    m_field = nullptr;
    changed();
}

QString TColumn::TitleCaption() const {
    if (!m_titleCaption.isEmpty())
        return m_titleCaption;
    return m_field ? m_field->DisplayLabel() : m_fieldName;
}

void TColumn::SetTitleCaption(const QString& caption) {
    m_titleCaption = caption;
    changed();
}

void TColumn::SetWidth(int width) {
    if (width == m_width)
        return;
    m_width = width;
    changed();
}

void TColumn::SetButtonStyle(TColumnButtonStyle style) {
    if (style == m_buttonStyle)
        return;
    m_buttonStyle = style;
    changed();
}

void TColumn::SetReadOnly(bool readOnly) {
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    changed();
}

void TColumn::SetVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    changed();
}

int TColumn::Index() const {
    return m_owner->IndexOf(this);
}

TColumn::TColumn(TDBGridColumns* owner) : QObject(owner), m_owner(owner) {}

void TColumn::changed() {
    Q_EMIT m_owner->changed();
}

TDBGridColumns::TDBGridColumns(QObject* parent) : QObject(parent) {}

TColumn* TDBGridColumns::Items(int index) const {
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

TColumn* TDBGridColumns::FindByFieldName(const QString& fieldName) const {
    for (TColumn* column : m_items) {
        if (column->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return column;
    }
    return nullptr;
}

TColumn* TDBGridColumns::Add() {
    if (!m_declared) {
        qDeleteAll(m_items);
        m_items.clear();
        m_declared = true;
    }
    TColumn* column = append();
    Q_EMIT changed();
    return column;
}

void TDBGridColumns::Clear() {
    qDeleteAll(m_items);
    m_items.clear();
    Q_EMIT changed();
}

void TDBGridColumns::bind(TClientDataSet* dataSet) {
    if (!m_declared) {
        QStringList visible;
        for (int i = 0; dataSet && i < dataSet->FieldCount(); ++i) {
            if (dataSet->Field(i)->Visible())
                visible.append(dataSet->Field(i)->FieldName());
        }
        QStringList current;
        for (const TColumn* column : std::as_const(m_items))
            current.append(column->m_fieldName);
        // The default columns stay the same objects while the fields they show stay.
        if (visible != current) {
            qDeleteAll(m_items);
            m_items.clear();
            for (const QString& name : std::as_const(visible))
                append()->m_fieldName = name;
        }
    }
    Q_EMIT changed();
}

void TDBGridColumns::resolveFields(TClientDataSet* dataSet) {
    for (TColumn* column : std::as_const(m_items))
        column->m_field = dataSet ? dataSet->FindField(column->m_fieldName) : nullptr;
}

TColumn* TDBGridColumns::append() {
    auto* column = new TColumn(this);
    m_items.append(column);
    return column;
}
