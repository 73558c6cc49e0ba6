#pragma once

// TLabel: a static caption.

#include "framework/ui/control.h"

#include <QLabel>

class TLabel : public TControl<QLabel> {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
};
