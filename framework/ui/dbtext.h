#pragma once

// TDBText: a label showing one field of its data source's current row. It shows nothing while the
// dataset is closed or empty or has no field of that name, and follows every move and change.

#include "framework/data/datasourcelink.h"
#include "framework/ui/control.h"

#include <QLabel>

class TDBText : public TControl<QLabel> {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* source);
    const QString& DataField() const { return m_dataField; }
    void SetDataField(const QString& fieldName);
    // The field shown, or null.
    TField* Field() const;

    QString Caption() const { return text(); }

private:
    void refresh();

    TDataSourceLink m_link;
    QString m_dataField;
};
