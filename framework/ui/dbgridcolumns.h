#pragma once

// The columns of a data grid: which field each column shows, its title, width and button, and
// whether the user may type into it. A grid whose columns were never declared shows one default
// column per visible field of its dataset.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class TClientDataSet;
class TDBGridColumns;
class TField;

// The button an in-place editor shows in a column: none unless asked (auto), an ellipsis button
// whose click fires the grid's OnEditButtonClick, or never one.
enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

class TColumn : public QObject {
    Q_OBJECT
public:
    const QString& FieldName() const { return m_fieldName; }
    void SetFieldName(const QString& name);
    // The field of the grid's dataset that this column shows; null while the dataset has no field of
    // that name.
    TField* Field() const { return m_field; }

    // The title: the caption set for the column, else the field's display label, else the field name.
    QString TitleCaption() const;
    void SetTitleCaption(const QString& caption);

    // Width in pixels; 0 until set, and the grid then sizes the column for the field's display
    // width and the title.
    int Width() const { return m_width; }
    void SetWidth(int width);

    TColumnButtonStyle ButtonStyle() const { return m_buttonStyle; }
    void SetButtonStyle(TColumnButtonStyle style);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    int Index() const;  // position in the grid's columns

private:
    friend class TDBGridColumns;
    explicit TColumn(TDBGridColumns* owner);
    void changed();

    TDBGridColumns* m_owner;
    QString m_fieldName;
    QPointer<TField> m_field;
    QString m_titleCaption;
    int m_width = 0;
    TColumnButtonStyle m_buttonStyle = TColumnButtonStyle::cbsAuto;
    bool m_readOnly = false;
    bool m_visible = true;
};

class TDBGridColumns : public QObject {
    Q_OBJECT
public:
    explicit TDBGridColumns(QObject* parent = nullptr);

    int Count() const { return int(m_items.size()); }
    TColumn* Items(int index) const;  // null outside 0 … Count() - 1
    TColumn* operator[](int index) const { return Items(index); }
    // The first column showing the field of that name (case ignored), or null.
    TColumn* FindByFieldName(const QString& fieldName) const;
    int IndexOf(const TColumn* column) const { return static_cast<int>(m_items.indexOf(column)); }

    // Declares a column at the end. The first declared column replaces the default columns for
    // good. Fires changed().
    TColumn* Add();
    void Clear();
    // True while the columns are the automatic one-per-field ones.
    bool IsDefault() const { return !m_declared; }

    // Makes the default columns (while no column is declared) one per visible field of dataSet, and
    // fires changed().
    void bind(TClientDataSet* dataSet);
    // Binds every column to the field of its name in dataSet (null detaches them).
    void resolveFields(TClientDataSet* dataSet);

Q_SIGNALS:
    // A column was added, removed, rebound or one of its properties changed.
    void changed();

private:
    friend class TColumn;
    TColumn* append();

    QList<TColumn*> m_items;
    bool m_declared = false;
};
