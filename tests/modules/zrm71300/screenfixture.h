#pragma once

// The budget-calendar screen made in the test's own process (its unit linked in), against a real
// application server, with helpers to read what its grids show.

#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/screen/frmcalendorc.h"
#include "tests/modules/zrm71300/calendarserver.h"

#include <QAbstractItemModel>
#include <QStringList>

#include <gtest/gtest.h>

class TDBGrid;

namespace zrm71300test {

class ScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void TearDown() override;

    // Starts the server with data and opens the screen through the entry call; the screen is
    // frmCalendOrc afterwards.
    void openWith(const CalendarData& data, Transport transport = Transport::Http);

    // The screen's component named name as a T (test failure when missing).
    template <class T>
    T* child(const char* name) const {
        T* found = frmCalendOrc ? frmCalendOrc->findChild<T*>(QLatin1String(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // The texts a grid shows in column (the title row excluded), top to bottom.
    static QStringList columnTexts(const TDBGrid* grid, int column);
    // The titles of a grid's columns.
    static QStringList titles(const TDBGrid* grid);

    CalendarServer m_server;
};

}  // namespace zrm71300test
