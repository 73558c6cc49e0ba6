// Destroying the budget-calendar screen in each state it can be in. Its data sources for the
// permission list, the version search and the phase catalogue are declared after their datasets, so
// Qt deletes those datasets first; none of the screen's handlers may run by then (a handler looking a
// component up on a half-deleted screen throws inside a destructor). Run under the sanitizers, a
// handler reaching freed memory fails here too.

#include "framework/data/clientdataset.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/speedbutton.h"
#include "library/zul/showavi.h"
#include "tests/modules/zrm71300/screenfixture.h"
#include "tests/support/guitest.h"

#include <QMdiSubWindow>
#include <QPointer>

using namespace zrm71300test;

namespace {

class TeardownTest : public ScreenTest {
protected:
    void SetUp() override {
        openWith(CalendarData::standard());
        screen = frmCalendOrc;
    }

    // Deletes the screen as the package's finalization does, and checks it is gone and forgotten.
    void destroy() {
        QWidget* window = frmCalendOrc->mdiSubWindow();
        delete (window ? window : static_cast<QWidget*>(frmCalendOrc));
        EXPECT_TRUE(screen.isNull());
        EXPECT_EQ(frmCalendOrc, nullptr);
    }

    void startEditing() {
        TClientDataSet* calendar = child<TClientDataSet>("cdsCalendOrcOp");
        calendar->Edit();
        ASSERT_EQ(calendar->State(), TDataSetState::dsEdit);
    }

    QPointer<TfrmCalendOrc> screen;
};

TEST_F(TeardownTest, destroyedWhileBrowsingEveryList) {
    ASSERT_EQ(child<TClientDataSet>("cdsCalendOrcOp")->State(), TDataSetState::dsBrowse);
    ASSERT_EQ(child<TClientDataSet>("cdsPermCalc")->RecordCount(), 12);
    destroy();
}

TEST_F(TeardownTest, destroyedWhileEditingAPhaseInTheGrid) {
    startEditing();
    auto* grid = child<TDBGrid>("dbgPadrao");
    grid->setFocus();
    grid->SetEditorMode(true);
    destroy();
}

TEST_F(TeardownTest, destroyedWhileItsConfirmationIsOpen) {
    startEditing();
    QWidget* window = frmCalendOrc->mdiSubWindow();
    EXPECT_TRUE(zrm::test::closeWhileDialogOpen(
        window ? window : frmCalendOrc, [this] { screen->sbtCancelar->Click(); }, QMessageBox::No));
    EXPECT_TRUE(screen.isNull());
    EXPECT_EQ(frmCalendOrc, nullptr);
}

TEST_F(TeardownTest, destroyedWhileTheBusyWindowShows) {
    Showavi::ActiveShowAvi(frmCalendOrc, Showavi::KindFetching, QStringLiteral("Buscando"));
    ASSERT_TRUE(Showavi::IsShowing());
    destroy();
    Showavi::DeactiveShowAvi();
    EXPECT_FALSE(Showavi::IsShowing());
}

}  // namespace
