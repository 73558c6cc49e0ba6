#include "library/zul/pagecontrol98.h"

#include <QApplication>

TCustomPageControl98::TCustomPageControl98(QWidget* parent) : TPageControl(parent) {}

void TCustomPageControl98::SetActivePage(TTabSheet* page) {
    if (!page || indexOf(page) < 0)
        return;
    TTabSheet* previous = ActivePage();
    QWidget* focus = QApplication::focusWidget();
    const bool focusOnPrevious = previous && previous != page && focus && previous->isAncestorOf(focus);
    TPageControl::SetActivePage(page);
    if (!focusOnPrevious)
        return;
    // The first control of the page in the focus chain that accepts the focus by Tab.
    for (QWidget* next = page->nextInFocusChain(); next && next != page; next = next->nextInFocusChain()) {
        if (page->isAncestorOf(next) && next->isEnabled() && next->isVisibleTo(page) &&
            (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
