#pragma once

// TCustomPageControl98: the page control of the standard screens (form-description class
// "TPageControl98"). SetActivePage shows a page by code without firing OnChanging or OnChange; when
// the focus was on the page being hidden it moves to the first control of the new page that takes
// it, so it never stays on a control the user cannot see.

#include "framework/ui/pagecontrol.h"

class TCustomPageControl98 : public TPageControl {
    Q_OBJECT
public:
    using TPageControl::TPageControl;
};
