#pragma once

// What every control has beside its Qt widget: the free integer Tag, the alignment inside its
// parent (top, bottom, left, right, client), and the screen-facing names of the common widget
// properties. Tag and alignment live in dynamic properties of the widget, so the free functions work
// on any widget (the data-aware controls need nothing of their own) and TControl<Base> only gives
// them the screen's vocabulary.

#include <QWidget>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

namespace zrm::ui {

// A container whose children live in a widget of its own (a form below its menu, a scroll box's
// scrolled widget).
class ClientAreaHolder {
public:
    virtual ~ClientAreaHolder() = default;
    virtual QWidget* clientArea() const = 0;
};

int tagOf(const QObject* object);
void setTagOf(QObject* object, int tag);

TAlign alignOf(const QWidget* widget);
// Sets the alignment and lays the widget's siblings out again: aligned children fill the parent's
// edges in the order top, bottom, left, right, then client takes what is left; alNone keeps the
// widget's own geometry.
void setAlignOf(QWidget* widget, TAlign align);

}  // namespace zrm::ui

template <class Base>
class TControl : public Base {
public:
    using Base::Base;

    int Tag() const { return zrm::ui::tagOf(this); }
    void SetTag(int tag) { zrm::ui::setTagOf(this, tag); }
    TAlign Align() const { return zrm::ui::alignOf(this); }
    void SetAlign(TAlign align) { zrm::ui::setAlignOf(this, align); }

    bool Enabled() const { return this->isEnabled(); }
    void SetEnabled(bool enabled) { this->setEnabled(enabled); }
    // The control's own visibility, whether or not its parent is showing.
    bool Visible() const { return !this->isHidden(); }
    void SetVisible(bool visible) { this->setVisible(visible); }
    QString Hint() const { return this->toolTip(); }
    void SetHint(const QString& hint) { this->setToolTip(hint); }

    // Moves the input focus to the control (the screen's focus tracker then fires Exit and Enter).
    void SetFocus() { this->setFocus(Qt::OtherFocusReason); }
    bool Focused() const { return this->hasFocus(); }
};
