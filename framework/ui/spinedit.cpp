#include "framework/ui/spinedit.h"

#include "framework/ui/boundary.h"
#include "framework/ui/keydispatch.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

namespace {
constexpr int unlimitedLength = 32767;

bool isNumber(const QString& text, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}
}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent) : TControl<QAbstractSpinBox>(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (!m_settingText && OnChange)
            zrm::ui::guardUserAction(this, [this] { OnChange(this); });
    });
}

int TSpinEdit::MaxLength() const {
    return lineEdit()->maxLength() == unlimitedLength ? 0 : lineEdit()->maxLength();
}

void TSpinEdit::SetMaxLength(int length) {
    lineEdit()->setMaxLength(length <= 0 ? unlimitedLength : length);
}

int TSpinEdit::Value() const {
    int value = 0;
    return isNumber(Text(), &value) ? value : m_minValue;
}

void TSpinEdit::SetValue(int value) {
    SetText(QString::number(bounded(value)));
}

QString TSpinEdit::Text() const {
    return lineEdit()->text();
}

void TSpinEdit::SetText(const QString& text) {
    const QString before = Text();
    {
        QScopedValueRollback guard(m_settingText, true);
        lineEdit()->setText(text);
    }
    if (Text() != before && OnChange)
        OnChange(this);
}

void TSpinEdit::setTextByUser(const QString& text) {
    if (text != Text())
        lineEdit()->setText(text);  // textChanged runs OnChange through the boundary
}

int TSpinEdit::bounded(int value) const {
    return hasLimits() ? qBound(m_minValue, value, m_maxValue) : value;
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
    if (input.isEmpty())
        return QValidator::Acceptable;
    if (input == QLatin1String("-"))
        return (!hasLimits() || m_minValue < 0) ? QValidator::Intermediate : QValidator::Invalid;
    int value = 0;
    if (!isNumber(input, &value) || input.contains(u'+') || input.trimmed() != input)
        return QValidator::Invalid;
    if (!hasLimits())
        return QValidator::Acceptable;
    if (value > m_maxValue && value > 0)
        return QValidator::Invalid;
    if (value < m_minValue)
        return value < 0 ? QValidator::Invalid : QValidator::Intermediate;
    return QValidator::Acceptable;
}

void TSpinEdit::fixup(QString& input) const {
    int value = 0;
    if (isNumber(input, &value))
        input = QString::number(bounded(value));
}

void TSpinEdit::stepBy(int steps) {
    int value = 0;
    const int current = isNumber(Text(), &value) ? value : m_minValue;
    setTextByUser(QString::number(bounded(current + steps * m_increment)));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    if (isReadOnly())
        return StepNone;
    if (!hasLimits() || Text().isEmpty())
        return StepUpEnabled | StepDownEnabled;
    StepEnabled enabled = StepNone;
    if (Value() < m_maxValue)
        enabled |= StepUpEnabled;
    if (Value() > m_minValue)
        enabled |= StepDownEnabled;
    return enabled;
}

bool TSpinEdit::event(QEvent* event) {
    // Key presses are dispatched here rather than in keyPressEvent, so that KeyDown also sees Tab.
    if (event->type() != QEvent::KeyPress)
        return QAbstractSpinBox::event(event);
    zrm::ui::KeyDispatch dispatch(this, static_cast<QKeyEvent*>(event), OnKeyDown, OnKeyPress);
    if (dispatch.discarded())
        return true;
    const bool handled = QAbstractSpinBox::event(dispatch.event());
    event->setAccepted(dispatch.event()->isAccepted());
    return handled;
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
    QString text = Text();
    fixup(text);
    setTextByUser(text);
    QAbstractSpinBox::focusOutEvent(event);
}
