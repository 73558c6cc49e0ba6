#pragma once

// The screen "Versões do calendário" opened as the host opens it (an MDI sub-window of an active
// main window) against the real application server, and driven like a user drives it: keys to the
// widget holding the focus, clicks on the grid, the toolbar and the page tabs, modal boxes answered
// from a timer.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/spinedit.h"
#include "modules/zrm71300/entry/cli_zrm71302.h"
#include "modules/zrm71300/versions/frmversoes.h"
#include "tests/modules/zrm71300/calendarserver.h"
#include "tests/support/guitest.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

#include <gtest/gtest.h>

class QTabBar;

namespace zrm71300test {

// The grid's columns.
enum VersionColumn {
    NumberColumn,
    DescriptionColumn,
    CreatedOnColumn,
    CreatedByColumn,
    NameColumn,
    PhasesColumn,
    LatestColumn
};

class VersionsTest : public ::testing::Test {
protected:
    // Versions are created as this operator.
    static constexpr char Operator[] = "MARIA";

    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts a server of its own with data, opens the screen through its entry call and waits until
    // its window is active with the focus on the year box. A screen and server opened before are
    // closed first, and the dialogs' answers start afresh, so a table of cases opens one per case.
    void open(const CalendarData& data);
    // Closes the screens this test opened.
    static void closeScreens();
    zrm::test::DialogAnswerer& answers() { return *m_answers; }

    TDBGrid* grid() const { return frmVersoes->dbgPadrao; }
    TClientDataSet* versions() const { return frmVersoes->cdsVersoes; }

    // What the grid shows, a row a line: "number | description | created by | phases | latest".
    QStringList rows() const;
    // The grid's column titles.
    QStringList titles() const;

    // Keys go where a user's keys go: to the widget holding the focus (after a modal box closed, the
    // screen is activated again first).
    QWidget* focused();
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    static void clickOn(QWidget* widget);
    // A click on the grid's cell, the screen's window active again first (after a modal box).
    void clickCell(int row, int column);
    // A year typed over the year box's text, then Enter.
    void chooseYear(int year);
    // A number typed over the text of a spin box.
    void typeInto(TSpinEdit* box, int value);
    // The page tab at index clicked.
    void clickTab(int index);

    // How many calls of the administration module's method the server has answered so far.
    int adminCalls(const char* method);

    std::unique_ptr<CalendarServer> m_server;
    QMainWindow m_mainWindow;
    std::unique_ptr<zrm::test::DialogAnswerer> m_answers;
};

}  // namespace zrm71300test
