// Destroying a standard grid screen in each state it can be in: nothing the screen registered runs
// once its destructor has begun, whatever its components still announce while Qt deletes them.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/label.h"
#include "framework/ui/speedbutton.h"
#include "library/frm/frmpadrgrid.h"
#include "library/zul/showavi.h"
#include "tests/support/guitest.h"

#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Calls of the screen's handlers made after its destructor had started.
int lateCalls = 0;

}  // namespace

struct TfrmTesteFimControls {
    TClientDataSet* cdsFim = nullptr;
};

// A record screen whose second data source is declared after its dataset, so Qt deletes the
// dataset first and the source hears of it while the screen is half gone. Its handlers reach its
// components, as real handlers do; on a half-deleted screen they would touch freed objects.
class TfrmTesteFim : public TfrmPadraoGrid, public TfrmTesteFimControls {
    Q_OBJECT
public:
    TfrmTesteFim() {
        registerHandler(QStringLiteral("FormCreate"), this, &TfrmTesteFim::FormCreate);
        registerHandler(QStringLiteral("dtsFimStateChange"), this, &TfrmTesteFim::dtsFimStateChange);
        registerHandler(QStringLiteral("dtsFimDataChange"), this, &TfrmTesteFim::dtsFimDataChange);
    }
    ~TfrmTesteFim() override { m_destroying = true; }

    void FormCreate(QObject* Sender) {
        TfrmPadraoGrid::FormCreate(Sender);
        cdsFim->CreateDataSet();
        for (const char* name : {"Ana", "Bruno"}) {
            cdsFim->Append();
            cdsFim->FieldByName(QStringLiteral("NOME"))->SetAsString(QString::fromLatin1(name));
            cdsFim->Post();
        }
        cdsFim->First();
    }
    void dtsFimStateChange(QObject*) { lookAround(); }
    void dtsFimDataChange(QObject*, TField*) { lookAround(); }

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override {
        TfrmPadraoGrid::resolveControls(controls);
        ZRM_RESOLVE(controls, cdsFim);
    }

private:
    void lookAround() {
        if (m_destroying)
            ++lateCalls;
        lblCodTela->SetCaption(cdsFim->objectName());
    }

    bool m_destroying = false;
};

namespace {

class FrmTeardownTest : public ::testing::Test {
protected:
    void SetUp() override {
        lateCalls = 0;
        screen = TForm::Create<TfrmTesteFim>();
        screen->Show();
        ASSERT_TRUE(zrm::test::reactivate(screen));
    }
    void TearDown() override {
        delete screen.data();
        EXPECT_EQ(lateCalls, 0);
    }

    void startEditing() {
        screen->cdsFim->Edit();
        screen->cdsFim->FieldByName(QStringLiteral("NOME"))->SetAsString(QStringLiteral("Carla"));
    }

    QPointer<TfrmTesteFim> screen;
};

TEST_F(FrmTeardownTest, destroyedWhileBrowsing) {
    ASSERT_EQ(screen->cdsFim->State(), TDataSetState::dsBrowse);
    delete screen.data();
    EXPECT_TRUE(screen.isNull());
}

TEST_F(FrmTeardownTest, destroyedWhileEditingWithTheEditorOpen) {
    startEditing();
    screen->dbgPadrao->setFocus();
    screen->dbgPadrao->SetEditorMode(true);
    ASSERT_TRUE(screen->dbgPadrao->EditorMode());
    delete screen.data();
    EXPECT_TRUE(screen.isNull());
}

TEST_F(FrmTeardownTest, destroyedWhileInsertingAfterAFailedCheck) {
    screen->cdsFim->Append();
    screen->cdsFim->BeforePost = [](TClientDataSet*) { throw EDatabaseError(QStringLiteral("recusado")); };
    EXPECT_THROW(screen->cdsFim->Post(), EDatabaseError);
    ASSERT_EQ(screen->cdsFim->State(), TDataSetState::dsInsert);
    delete screen.data();
    EXPECT_TRUE(screen.isNull());
}

TEST_F(FrmTeardownTest, destroyedWhileItsConfirmationIsOpen) {
    startEditing();
    // Cancel asks "Cancela operação?"; the screen is closed meanwhile and the answer is Yes.
    EXPECT_TRUE(zrm::test::closeWhileDialogOpen(
        screen, [this] { screen->sbtCancelar->Click(); }, QMessageBox::Yes));
    EXPECT_TRUE(screen.isNull());
}

TEST_F(FrmTeardownTest, destroyedWhileTheBusyWindowShows) {
    Showavi::ActiveShowAvi(screen, 1, QStringLiteral("Gravando"));
    startEditing();
    delete screen.data();
    EXPECT_TRUE(screen.isNull());
    Showavi::DeactiveShowAvi();
}

}  // namespace

#include "tst_frmteardown.moc"
