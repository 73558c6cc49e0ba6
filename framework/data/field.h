#pragma once

// Fields of a client dataset: one typed column with its presentation (label, visibility, width,
// edit mask) and its value in the dataset's current row.

#include "framework/packet/packet.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class TClientDataSet;
class TField;

// OnSetText(Sender, Text): replaces the field's own conversion when text is assigned through
// SetText (what a grid's cell editor does).
using TFieldSetTextEvent = std::function<void(TField* Sender, const QString& Text)>;

class TField : public QObject {
    Q_OBJECT
public:
    ~TField() override;

    TClientDataSet* DataSet() const { return m_dataSet; }
    const QString& FieldName() const { return m_fieldName; }
    zrm::FieldType DataType() const { return m_dataType; }
    int Size() const { return m_size; }  // maximum characters of a text field, else 0
    int Index() const;                   // position in the dataset's declared order, from 0

    QString DisplayLabel() const;  // the field name when no label was set
    void SetDisplayLabel(const QString& label);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    int DisplayWidth() const;  // in characters; the size (or a type default) when not set
    void SetDisplayWidth(int width);
    const QString& EditMask() const { return m_editMask; }
    void SetEditMask(const QString& mask);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    TFieldSetTextEvent OnSetText;

    // The value in the current row (the row being edited while editing). Reading on an inactive or
    // empty dataset gives the empty value. Setting needs the dataset in edit or insert state (else
    // EDatabaseError), checks the value (EConvertError for text that is not of the field's type or a
    // non-finite number, EDatabaseError for text longer than the field, counted in characters) and
    // notifies the data sources of a field change (FieldChange). An empty text sets the empty value.
    bool IsNull() const;
    QVariant Value() const;
    void SetValue(const QVariant& value);
    void Clear();

    // A float without decimal part as "2" (else the shortest exact text, "2.5"); a date-time as
    // "dd/MM/yyyy", followed by "hh:mm" or "hh:mm:ss" when it is not midnight; empty for the empty
    // value. Setting reads a float with "," or "." as decimal separator and a date-time as
    // "dd/MM/yyyy" with an optional "hh:mm[:ss]"; EConvertError names the text ("'31/02/2026' não é
    // uma data válida.", "'abc' não é um número válido.").
    QString AsString() const;
    void SetAsString(const QString& text);
    double AsFloat() const;  // empty → 0; a text field's text converted; EConvertError for a date-time
    void SetAsFloat(double value);
    QDateTime AsDateTime() const;  // empty → the zero date, earlier than any real date
    void SetAsDateTime(const QDateTime& value);
    int AsInteger() const;  // a float rounded; empty → 0
    void SetAsInteger(int value);

    // The text as a control shows and edits it. SetText runs OnSetText when one is bound, else
    // SetAsString.
    QString Text() const;
    void SetText(const QString& text);
    QString DisplayText() const { return Text(); }
    // The text this field shows for a stored value of any row, as Text() does for the current row;
    // lets a grid show the rows around the current one without moving the cursor.
    QString TextOf(const QVariant& value) const { return textFromValue(value); }

    // Asks the controls linked to the dataset to move the input focus to this field's cell or edit.
    void FocusControl();

    // The zero date that an empty date-time field reads as.
    static QDateTime ZeroDate();

protected:
    TField(TClientDataSet* dataSet, const QString& fieldName, zrm::FieldType type, int size);

    // Conversion of a text to this field's stored value; throws EConvertError.
    virtual QVariant valueFromText(const QString& text) const = 0;
    virtual QString textFromValue(const QVariant& value) const = 0;

private:
    friend class TClientDataSet;
    TClientDataSet* m_dataSet;
    QString m_fieldName;
    zrm::FieldType m_dataType;
    int m_size;
    QString m_displayLabel;
    bool m_visible = true;
    int m_displayWidth = 0;
    QString m_editMask;
    int m_tag = 0;
    int m_index = -1;  // position in the dataset's field list, kept by the dataset
};

class TStringField : public TField {
    Q_OBJECT
public:
    TStringField(TClientDataSet* dataSet, const QString& fieldName, int size);

protected:
    QVariant valueFromText(const QString& text) const override;
    QString textFromValue(const QVariant& value) const override;
};

class TFloatField : public TField {
    Q_OBJECT
public:
    TFloatField(TClientDataSet* dataSet, const QString& fieldName);

protected:
    QVariant valueFromText(const QString& text) const override;
    QString textFromValue(const QVariant& value) const override;
};

class TIntegerField : public TField {
    Q_OBJECT
public:
    TIntegerField(TClientDataSet* dataSet, const QString& fieldName);

protected:
    QVariant valueFromText(const QString& text) const override;
    QString textFromValue(const QVariant& value) const override;
};

class TDateTimeField : public TField {
    Q_OBJECT
public:
    TDateTimeField(TClientDataSet* dataSet, const QString& fieldName);

protected:
    QVariant valueFromText(const QString& text) const override;  // "dd/MM/yyyy" [hh:mm[:ss]]
    QString textFromValue(const QVariant& value) const override;
};
