#pragma once

// TPanel: a container of controls with an optional centred caption. It takes part in the screen's
// focus as a whole: OnEnter when the focus moves into it from outside, OnExit when it leaves.
// TScrollBox: a container whose controls scroll when they do not fit.

#include "framework/ui/control.h"
#include "framework/ui/events.h"

#include <QFrame>
#include <QScrollArea>

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TControl<QFrame>, public TWinControlEvents {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut bevel);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
    TBevelCut m_bevelOuter = bvRaised;
};

class TScrollBox : public TControl<QScrollArea>, public TWinControlEvents, public zrm::ui::ClientAreaHolder {
    Q_OBJECT
public:
    explicit TScrollBox(QWidget* parent = nullptr);

    // The scrolled widget that holds the box's controls.
    QWidget* clientArea() const override { return widget(); }
    // With a border (bsSingle) or without (bsNone).
    void SetBorder(bool border) { setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame); }
};
