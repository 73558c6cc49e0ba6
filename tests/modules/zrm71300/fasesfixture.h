#pragma once

// The phase catalogue screen ZRM71303 made in the test's own process (its unit linked in) against
// the real application server, shown and driven as a user drives it: keys to the widget holding the
// focus, clicks on cells, tabs and buttons, modal boxes answered from a timer.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/pagecontrol.h"
#include "modules/zrm71300/entry/cli_zrm71303.h"
#include "modules/zrm71300/phases/frmfasesorc.h"
#include "tests/modules/zrm71300/calendarserver.h"
#include "tests/support/guitest.h"

#include <QApplication>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace zrm71300test {

class FasesOrcTest : public ::testing::Test {
protected:
    // Columns of the catalogue grid and of the conclusions grid.
    enum CatalogueColumn { CodeColumn = 0, NameColumn = 1, CalculationColumn = 2, BlockedColumn = 3 };
    enum ConclusionColumn { ConcludedCode = 0, ConcludedName = 1, ConcludedBranch = 2, ConcludedOn = 3 };

    static void SetUpTestSuite();
    void TearDown() override;

    // Starts the server with data, opens the screen through its entry call, shows it and puts the
    // focus on the catalogue grid.
    void open(const CalendarData& data);

    TfrmFasesOrc* screen() const { return frmFasesOrc; }
    TDBGrid* grid() const { return frmFasesOrc->dbgPadrao; }
    TClientDataSet* catalogue() const { return frmFasesOrc->cdsFasesCad; }
    TDataSetState state() const { return catalogue()->State(); }
    TField* field(const char* name) const { return catalogue()->FieldByName(QLatin1String(name)); }

    // Keys go to the widget holding the focus (after a modal box closed, the screen is activated
    // again first).
    QWidget* focused();
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), key, modifiers);
    }
    void type(const QString& text) { QTest::keyClicks(focused(), text); }
    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickCell(TDBGrid* grid, int row, int column);
    // Clicks the tab of page in its page control.
    static void clickTab(TTabSheet* page);
    // Opens the conclusions page by its tab.
    void openConclusions() { clickTab(frmFasesOrc->tshConclusoes); }

    // The texts a grid shows in column, top to bottom; and one cell's text.
    static QStringList columnTexts(const TDBGrid* grid, int column);
    static QString cellText(const TDBGrid* grid, int row, int column);

    // How many calls of method the administration module answered so far.
    int sent(const char* method) const;
    // The same for the calendar module.
    int sentToCalendar(const char* method) const;

    CalendarServer m_server;
    zrm::test::DialogAnswerer answers;
};

}  // namespace zrm71300test
