#include "framework/ui/edit.h"

#include "framework/ui/boundary.h"
#include "framework/ui/keydispatch.h"

#include <QScopedValueRollback>

namespace {
// QLineEdit's own unlimited length.
constexpr int unlimitedLength = 32767;
}  // namespace

TEdit::TEdit(QWidget* parent) : TControl<QLineEdit>(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_settingText && OnChange)
            zrm::ui::guardUserAction(this, [this] { OnChange(this); });
    });
}

void TEdit::SetText(const QString& text) {
    const QString before = this->text();
    {
        QScopedValueRollback guard(m_settingText, true);
        setText(text);
    }
    if (this->text() != before && OnChange)
        OnChange(this);
}

int TEdit::MaxLength() const {
    return maxLength() == unlimitedLength ? 0 : maxLength();
}

void TEdit::SetMaxLength(int length) {
    setMaxLength(length <= 0 ? unlimitedLength : length);
}

bool TEdit::event(QEvent* event) {
    // Key presses are dispatched here rather than in keyPressEvent, so that KeyDown also sees Tab,
    // which QWidget::event turns into a focus move before keyPressEvent.
    if (event->type() != QEvent::KeyPress)
        return QLineEdit::event(event);
    zrm::ui::KeyDispatch dispatch(this, static_cast<QKeyEvent*>(event), OnKeyDown, OnKeyPress);
    if (dispatch.discarded())
        return true;
    const bool handled = QLineEdit::event(dispatch.event());
    event->setAccepted(dispatch.event()->isAccepted());
    return handled;
}
