#include "framework/ui/dbgrideditor.h"
#include "framework/ui/formresources.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {

// Characters with a meaning in QLineEdit's input mask; as literals they need a backslash.
bool isInputMaskMeta(QChar c) {
    return QStringLiteral("AaNnXx90Dd#HhBb><!;[]{}\\").contains(c);
}

// The input-mask character of an edit-mask character that stands for typed input, or a null QChar.
QChar inputCharacter(QChar c) {
    switch (c.unicode()) {
        case 'L':
            return u'A';  // letter, required
        case 'l':
            return u'a';  // letter, optional
        case 'A':
            return u'N';  // letter or digit, required
        case 'a':
            return u'n';
        case 'C':
            return u'X';  // any character, required
        case 'c':
            return u'x';
        case '0':
            return u'9';  // digit, required
        case '9':
            return u'0';  // digit, optional
        case '#':
            return u'#';  // digit or sign, optional
        default:
            return {};
    }
}

// The editor's line edit: whenever it takes the focus other than by a click, its whole text is
// selected, so what the user types next replaces the cell's text. That is how the cursor reaches a
// cell by Tab, and it holds as well when a rule puts the cursor there (a refusal that names the cell)
// or the focus comes back from a dialog: a masked text would otherwise keep its caret after the
// mask, where nothing typed fits. A click keeps the caret where it was clicked.
class CellLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);  // a masked edit reached by Tab moves its caret to the start
        if (event->reason() != Qt::MouseFocusReason)
            selectAll();
    }
};

}  // namespace

TEditMask TEditMask::fromEditMask(const QString& editMask) {
    TEditMask result;
    if (editMask.isEmpty())
        return result;

    // "mask;save;blank": the last two parts are optional.
    QString body = editMask;
    if (body.size() >= 2 && body.at(body.size() - 2) == u';') {
        result.blank = body.back();
        body.chop(2);
    }
    if (body.size() >= 2 && body.at(body.size() - 2) == u';' &&
        (body.back() == u'0' || body.back() == u'1')) {
        result.saveLiterals = body.back() == u'1';
        body.chop(2);
    }

    QString mask;
    auto addLiteral = [&](QChar c) {
        if (isInputMaskMeta(c))
            mask += u'\\';
        mask += c;
        result.literal.append(true);
    };
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == u'!')
            continue;  // how blanks are trimmed on the left; the line edit has no such notion
        if (c == u'<' && i + 1 < body.size() && body.at(i + 1) == u'>') {
            mask += u'!';
            ++i;
        } else if (c == u'>' || c == u'<') {
            mask += c;
        } else if (c == u'\\' && i + 1 < body.size()) {
            addLiteral(body.at(++i));
        } else if (c == u'_') {
            addLiteral(u' ');
        } else if (const QChar input = inputCharacter(c); !input.isNull()) {
            mask += input;
            result.literal.append(false);
        } else {
            addLiteral(c);
        }
    }
    result.inputMask = mask + u';' + result.blank;
    return result;
}

QString TEditMask::fieldText(const QString& displayText) const {
    if (displayText.size() != literal.size())
        return displayText;
    QString text;
    bool typed = false;
    for (qsizetype i = 0; i < displayText.size(); ++i) {
        const QChar c = displayText.at(i);
        if (literal.at(i)) {
            if (saveLiterals)
                text += c;
        } else if (c != blank) {
            text += c;
            typed = true;
        }
    }
    return typed ? text : QString();
}

TInplaceEdit::TInplaceEdit(QWidget* parent)
    : QWidget(parent), m_lineEdit(new CellLineEdit(this)), m_button(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_lineEdit->setFrame(false);
    m_lineEdit->setObjectName(QStringLiteral("InplaceEdit"));
    m_button->setObjectName(QStringLiteral("EditButton"));
    m_button->setText(QStringLiteral("\u2026"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(zrm::ui::FormResources::translate(QStringLiteral("Pesquisar")));
    m_button->hide();
    layout->addWidget(m_lineEdit, 1);
    layout->addWidget(m_button);
    setFocusProxy(m_lineEdit);
    setAutoFillBackground(true);

    connect(m_button, &QToolButton::clicked, this, &TInplaceEdit::editButtonClicked);
    connect(m_lineEdit, &QLineEdit::textEdited, this, [this] {
        m_modified = true;
        Q_EMIT textEdited(fieldText());
    });
}

void TInplaceEdit::setup(const QString& editMask, int maxLength, bool ellipsis) {
    m_button->setVisible(ellipsis);
    // Setting a mask clears the text: only when the field's presentation really changed.
    if (m_configured && editMask == m_editMask && maxLength == m_maxLength)
        return;
    m_configured = true;
    m_editMask = editMask;
    m_maxLength = maxLength;
    m_mask = TEditMask::fromEditMask(editMask);
    m_lineEdit->setInputMask(m_mask.inputMask);
    if (m_mask.inputMask.isEmpty())
        m_lineEdit->setMaxLength(maxLength > 0 ? maxLength : 32767);
}

void TInplaceEdit::setFieldText(const QString& text) {
    m_lineEdit->setText(text);
    m_lineEdit->selectAll();
    m_modified = false;
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
}

QString TInplaceEdit::fieldText() const {
    if (m_mask.inputMask.isEmpty())
        return m_lineEdit->text();
    return m_mask.fieldText(m_lineEdit->displayText());
}
