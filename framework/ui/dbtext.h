#pragma once

// TDBText: a label showing one field of its data source's current row. It shows nothing while the
// dataset is closed or empty or has no field of that name, and follows every move and change.

#include "framework/data/datasource.h"
#include "framework/ui/control.h"

#include <QLabel>
#include <QPointer>

#include <memory>

class TDBText : public TControl<QLabel> {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);
    ~TDBText() override;

    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source);
    const QString& DataField() const { return m_dataField; }
    void SetDataField(const QString& fieldName);
    // The field shown, or null.
    TField* Field() const;

    QString Caption() const { return text(); }

private:
    class Link;
    void refresh();

    std::unique_ptr<Link> m_link;
    QPointer<TDataSource> m_dataSource;
    QString m_dataField;
};
