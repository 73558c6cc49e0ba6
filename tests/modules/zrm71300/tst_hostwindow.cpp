// The screen in the host's MDI area: its size as designed.

#include "tests/modules/zrm71300/hostfixture.h"

#include <QMdiSubWindow>

using namespace zrm71300test;

TEST_F(HostScreenTest, mdiSubWindow_givesTheScreenItsDesignedClientArea) {
    openInHost(CalendarData::standard());
    ASSERT_NE(frmCalendOrc->mdiSubWindow(), nullptr);
    EXPECT_EQ(frmCalendOrc->clientArea()->size(), QSize(547, 416));
    EXPECT_EQ(frmCalendOrc->ClientWidth(), 547);
    EXPECT_EQ(frmCalendOrc->ClientHeight(), 416);
    // The frame lies around the form, not inside it.
    EXPECT_GT(frmCalendOrc->mdiSubWindow()->height(), frmCalendOrc->height());
}
