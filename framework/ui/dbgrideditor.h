#pragma once

// The in-place editor of a data grid's cell: a line edit honouring the field's edit mask and size,
// with an ellipsis button where the column asks for one. Whenever the line edit takes the focus other
// than by a click, its whole text is selected, so typing replaces the cell's text.

#include <QList>
#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

// A field's edit mask ("!99/99/9999;1;_": the mask, whether literals are kept in the text, and the
// blank character) in the terms of QLineEdit's input mask.
struct TEditMask {
    QString inputMask;  // empty when the field has no mask
    bool saveLiterals = true;
    QChar blank = u'_';
    QList<bool> literal;  // per displayed character: true for a fixed character of the mask

    static TEditMask fromEditMask(const QString& editMask);
    // The field text for what the editor displays: literals kept or dropped as the mask says, blanks
    // dropped, and empty text when nothing was typed at all.
    QString fieldText(const QString& displayText) const;
};

class TInplaceEdit : public QWidget {
    Q_OBJECT
public:
    explicit TInplaceEdit(QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return m_lineEdit; }
    QToolButton* editButton() const { return m_button; }

    // Applies a field's edit mask and size (used when there is no mask) and the column's button.
    void setup(const QString& editMask, int maxLength, bool ellipsis);
    // Shows a field's text, all selected so typing replaces it; the editor counts as unmodified.
    void setFieldText(const QString& text);
    // The text to store in the field (see TEditMask::fieldText).
    QString fieldText() const;
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

Q_SIGNALS:
    void editButtonClicked();
    void textEdited(const QString& fieldText);

protected:
    // Keys the line edit leaves alone end here: the grid has already seen them.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_lineEdit;
    QToolButton* m_button;
    bool m_configured = false;
    QString m_editMask;
    int m_maxLength = 0;
    TEditMask m_mask;
    bool m_modified = false;
};
