#pragma once

// The budget-calendar screen opened as the host opens it: an MDI sub-window of an active main
// window, with the focus where showing the screen put it, so focus moves, clicks and keys reach it
// as they reach a user's screen.

#include "tests/modules/zrm71300/screenfixture.h"

#include <QMainWindow>

class TMenuItem;
class TSpeedButton;

namespace zrm71300test {

class HostScreenTest : public ScreenTest {
protected:
    void SetUp() override;

    // Starts the server with data, opens the screen in the main window's MDI area and waits until
    // its window is active with the focus on depAno.
    void openInHost(const CalendarData& data);

    // Clicks widget in its middle (a grid's viewport for a grid) and lets the focus events run.
    static void clickOn(QWidget* widget);
    // Brings the screen's window back to the focus after a modal box closed (offscreen platform).
    void reactivate();

    // Whether the command's toolbar button and menu item are both enabled; a test failure names the
    // pair when they disagree.
    bool commandOn(const char* button, const char* menuItem) const;

    QMainWindow m_mainWindow;
};

}  // namespace zrm71300test
