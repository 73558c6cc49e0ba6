#pragma once

// TCustomPageControl98: the page control of the standard screens. Besides what every page control
// does, a page chosen by code takes the input focus along when the focus was on the page being
// hidden, so the focus never stays on a control the user can no longer see.

#include "framework/ui/pagecontrol.h"

class TCustomPageControl98 : public TPageControl {
    Q_OBJECT
public:
    explicit TCustomPageControl98(QWidget* parent = nullptr);

    // Makes page the visible page (neither OnChanging nor OnChange fires). When the focus was on a
    // control of the page that was showing, it moves to the first control of page that can take it
    // (the screen's focus tracker then fires Exit and Enter). Nothing happens when page is not one of
    // this control's pages. Never throws.
    void SetActivePage(TTabSheet* page);
};
