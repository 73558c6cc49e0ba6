// Pages: a disabled page refuses the user, OnChanging may refuse, only the user's switches fire
// OnChange. Menus: items inserted at a position, OnClick, check marks and disabled items.

#include "framework/data/exceptions.h"
#include "framework/ui/edit.h"
#include "framework/ui/form.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "tests/support/guitest.h"

#include <QMenu>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Pages : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(400, 300);
        pgcPadrao = new TPageControl(form.clientArea());
        pgcPadrao->setGeometry(0, 0, 400, 300);
        tshPadrao = new TTabSheet(pgcPadrao);
        tshPadrao->SetCaption(QStringLiteral("Fases"));
        tshPadrao->SetPageControl(pgcPadrao);
        tshPermCalc = new TTabSheet(pgcPadrao);
        tshPermCalc->SetCaption(QStringLiteral("Permissão para cálculo"));
        tshPermCalc->SetPageControl(pgcPadrao);
        edtOnSecondPage = new TEdit(tshPermCalc);
        pgcPadrao->OnChange = [this](QObject*) { changes.append(pgcPadrao->ActivePage()->Caption()); };
        ASSERT_TRUE(zrm::test::showActive(&form));
    }

    void clickTab(int index) {
        QTabBar* bar = pgcPadrao->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    TForm form;
    TPageControl* pgcPadrao = nullptr;
    TTabSheet* tshPadrao = nullptr;
    TTabSheet* tshPermCalc = nullptr;
    TEdit* edtOnSecondPage = nullptr;
    QStringList changes;
};

TEST_F(Pages, userSwitch_firesOnChange_codeSwitchDoesNot) {
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPadrao);
    clickTab(1);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPermCalc);
    EXPECT_EQ(changes, QStringList{QStringLiteral("Permissão para cálculo")});
    pgcPadrao->SetActivePage(tshPadrao);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPadrao);
    EXPECT_EQ(changes.size(), 1);
}

TEST_F(Pages, disabledPage_refusesTheUser_andItsControls) {
    tshPermCalc->SetEnabled(false);
    int changing = 0;
    pgcPadrao->OnChanging = [&](QObject*, bool&) { ++changing; };
    clickTab(1);
    pgcPadrao->setFocus();
    QTest::keyClick(pgcPadrao, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPadrao);
    EXPECT_FALSE(pgcPadrao->isTabEnabled(1));
    EXPECT_FALSE(edtOnSecondPage->isEnabled());
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(changing, 0);

    tshPermCalc->SetEnabled(true);
    clickTab(1);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPermCalc);
    EXPECT_TRUE(edtOnSecondPage->isEnabled());
}

TEST_F(Pages, disablingShowingPage_keepsItShowing_disabled) {
    pgcPadrao->SetActivePage(tshPermCalc);
    tshPermCalc->setEnabled(false);  // the widget's own setter counts as well
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPermCalc);
    EXPECT_FALSE(pgcPadrao->isTabEnabled(1));
    EXPECT_FALSE(edtOnSecondPage->isEnabled());
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(Pages, onChangingRefusing_keepsPage) {
    bool allow = false;
    pgcPadrao->OnChanging = [&](QObject* sender, bool& allowChange) {
        EXPECT_EQ(sender, pgcPadrao);
        EXPECT_EQ(pgcPadrao->ActivePage(), tshPadrao);  // asked before the switch
        allowChange = allow;
    };
    clickTab(1);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPadrao);
    pgcPadrao->OnChanging = [](QObject*, bool&) { Abort(); };
    clickTab(1);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPadrao);
    EXPECT_TRUE(changes.isEmpty());

    pgcPadrao->OnChanging = [&](QObject*, bool& allowChange) { allowChange = true; };
    pgcPadrao->setFocus();
    QTest::keyClick(pgcPadrao, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pgcPadrao->ActivePage(), tshPermCalc);
    EXPECT_EQ(changes.size(), 1);
}

TEST_F(Pages, hiddenTab_isSkipped) {
    tshPermCalc->SetTabVisible(false);
    EXPECT_FALSE(pgcPadrao->isTabVisible(1));
    EXPECT_EQ(tshPermCalc->PageIndex(), 1);
    EXPECT_EQ(pgcPadrao->Pages(1), tshPermCalc);
}

TEST(Menus, itemsInsertedAtPosition_clickRunsHandler_disabledRefuses) {
    TForm form;
    auto* mnuMenu = new TMainMenu(&form);
    form.SetMenu(mnuMenu);
    auto* mnuOperacao = new TMenuItem;
    mnuOperacao->SetCaption(QStringLiteral("&Operação"));
    mnuMenu->Add(mnuOperacao);
    QList<TMenuItem*> base;
    for (const char* caption : {"&Incluir", "&Alterar", "&Excluir"}) {
        auto* item = new TMenuItem;
        item->SetCaption(QString::fromUtf8(caption));
        mnuOperacao->Add(item);
        base.append(item);
    }
    auto* mnuFases = new TMenuItem;
    mnuFases->SetCaption(QStringLiteral("&Fases"));
    mnuOperacao->Add(mnuFases);
    mnuFases->SetMenuIndex(2);
    auto* mnuPermCalc = new TMenuItem;
    mnuPermCalc->SetCaption(QStringLiteral("&Permissão para calculo"));
    mnuOperacao->Insert(3, mnuPermCalc);

    QStringList captions;
    for (int i = 0; i < mnuOperacao->Count(); ++i)
        captions.append(mnuOperacao->Items(i)->Caption());
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("&Incluir"), QStringLiteral("&Alterar"), QStringLiteral("&Fases"),
                           QStringLiteral("&Permissão para calculo"), QStringLiteral("&Excluir")}));
    EXPECT_EQ(mnuPermCalc->MenuIndex(), 3);
    EXPECT_EQ(mnuOperacao->menu()->actions().at(2), mnuFases);

    int clicks = 0;
    mnuFases->OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, mnuFases);
        ++clicks;
    };
    mnuFases->SetChecked(true);
    mnuFases->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(mnuFases->Checked());
    EXPECT_TRUE(mnuFases->isChecked());  // choosing the item does not toggle its mark
    mnuFases->SetEnabled(false);
    mnuFases->Click();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
