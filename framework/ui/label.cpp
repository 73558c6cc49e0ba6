#include "framework/ui/label.h"

TLabel::TLabel(QWidget* parent) : TControl<QLabel>(parent) {
    setTextFormat(Qt::PlainText);
}

void TLabel::SetCaption(const QString& caption) {
    setText(caption);
    adjustSize();  // a label is as wide as its caption
}
