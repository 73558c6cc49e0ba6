// KeyDown / KeyPress of edits and spin edits: run before the control acts, discard, replace, stop;
// the spin edit's limits and its empty text.

#include "framework/data/exceptions.h"
#include "framework/ui/edit.h"
#include "framework/ui/form.h"
#include "framework/ui/keydispatch.h"
#include "framework/ui/spinedit.h"
#include "tests/support/guitest.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class KeyScreen : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(300, 100);
        edit = new TEdit(form.clientArea());
        edit->setGeometry(5, 5, 100, 22);
        spin = new TSpinEdit(form.clientArea());
        spin->setGeometry(5, 40, 80, 22);
        other = new TEdit(form.clientArea());
        other->setGeometry(150, 5, 100, 22);
        ASSERT_TRUE(zrm::test::showActive(&form));
        edit->setFocus();
    }

    TForm form;
    TEdit* edit = nullptr;
    TSpinEdit* spin = nullptr;
    TEdit* other = nullptr;
};

TEST_F(KeyScreen, keyPressSetToZero_discardsCharacter_andKeyDownRunsFirst) {
    QStringList order;
    edit->OnKeyDown = [&](QObject* sender, int& key, TShiftState) {
        EXPECT_EQ(sender, edit);
        order.append(QStringLiteral("down %1 text '%2'").arg(key).arg(edit->Text()));
    };
    edit->OnKeyPress = [&](QObject*, QChar& key) {
        order.append(QStringLiteral("press %1").arg(key));
        if (!key.isDigit())
            key = QChar();
    };
    QTest::keyClicks(edit, QStringLiteral("1a2"));
    EXPECT_EQ(edit->Text(), QStringLiteral("12"));
    EXPECT_EQ(order, (QStringList{QStringLiteral("down 49 text ''"), QStringLiteral("press 1"),
                                  QStringLiteral("down 65 text '1'"), QStringLiteral("press a"),
                                  QStringLiteral("down 50 text '1'"), QStringLiteral("press 2")}));
}

TEST_F(KeyScreen, keyPressReplaced_typesReplacement) {
    edit->OnKeyPress = [](QObject*, QChar& key) { key = key.toUpper(); };
    QTest::keyClicks(edit, QStringLiteral("ab"));
    EXPECT_EQ(edit->Text(), QStringLiteral("AB"));
}

TEST_F(KeyScreen, keyDownSetToZero_discardsKey_withoutKeyPress) {
    edit->SetText(QStringLiteral("abc"));
    int presses = 0;
    edit->OnKeyDown = [](QObject*, int& key, TShiftState) {
        if (key == VK::Back || key == VK::Delete)
            key = 0;
    };
    edit->OnKeyPress = [&](QObject*, QChar&) { ++presses; };
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->Text(), QStringLiteral("abc"));
    EXPECT_EQ(presses, 0);
}

TEST_F(KeyScreen, keyDownOfTab_setToZero_keepsFocus) {
    QList<int> keys;
    edit->OnKeyDown = [&](QObject*, int& key, TShiftState shift) {
        keys.append(key);
        EXPECT_EQ(shift, 0);
        key = 0;
    };
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(keys, QList<int>{VK::Tab});
    EXPECT_EQ(QApplication::focusWidget(), edit);

    edit->OnKeyDown = nullptr;
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), edit);
}

TEST_F(KeyScreen, keyDownReplaced_actsOnNewKey) {
    edit->OnKeyDown = [](QObject*, int& key, TShiftState) {
        if (key == VK::Return)
            key = VK::Tab;  // Enter moves on like Tab
    };
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_NE(QApplication::focusWidget(), edit);
}

TEST_F(KeyScreen, keyHandlerThatStops_discardsKey_andShowsNoBox) {
    edit->OnKeyPress = [](QObject*, QChar& key) {
        if (key == u'x')
            Abort();
    };
    QTest::keyClicks(edit, QStringLiteral("axb"));
    EXPECT_EQ(edit->Text(), QStringLiteral("ab"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(KeyScreen, shiftState_carriesModifiers) {
    TShiftState seen = 0;
    edit->OnKeyDown = [&](QObject*, int&, TShiftState shift) { seen = shift; };
    QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(seen, ssShift | ssCtrl);
}

TEST_F(KeyScreen, editChange_firesForTypingAndForCode) {
    QStringList changes;
    edit->OnChange = [&](QObject*) { changes.append(edit->Text()); };
    edit->SetMaxLength(5);
    QTest::keyClicks(edit, QStringLiteral("1234567"));
    EXPECT_EQ(edit->Text(), QStringLiteral("12345"));
    EXPECT_EQ(changes.size(), 5);
    edit->SetText(QStringLiteral("9"));
    EXPECT_EQ(changes.last(), QStringLiteral("9"));
    edit->SetText(QStringLiteral("9"));
    EXPECT_EQ(changes.size(), 6);  // unchanged text: no change event
}

TEST_F(KeyScreen, editChangeByCode_passesHandlerExceptionToCaller) {
    edit->OnChange = [](QObject*) { throw Exception(QStringLiteral("recusado")); };
    EXPECT_THROW(edit->SetText(QStringLiteral("x")), Exception);
}

TEST_F(KeyScreen, spinEdit_refusesNumbersAboveMaximum_andLongText) {
    spin->SetMinValue(1900);
    spin->SetMaxValue(2900);
    spin->SetMaxLength(4);
    spin->SetValue(1900);
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("2950"));
    EXPECT_EQ(spin->Text(), QStringLiteral("295"));
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("20265"));
    EXPECT_EQ(spin->Text(), QStringLiteral("2026"));
    EXPECT_EQ(spin->Value(), 2026);
    QTest::keyClicks(spin, QStringLiteral("x"));
    EXPECT_EQ(spin->Text(), QStringLiteral("2026"));
}

TEST_F(KeyScreen, spinEdit_raisesNumberBelowMinimumOnLeaving_butKeepsEmptyText) {
    spin->SetMinValue(1900);
    spin->SetMaxValue(2900);
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("18"));
    EXPECT_EQ(spin->Text(), QStringLiteral("18"));
    other->setFocus();
    EXPECT_EQ(spin->Text(), QStringLiteral("1900"));

    spin->setFocus();
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Backspace);
    other->setFocus();
    EXPECT_EQ(spin->Text(), QString());
    EXPECT_EQ(spin->Value(), 1900);
}

TEST_F(KeyScreen, spinEdit_arrowsStepWithinLimits_andKeyDownMayRefuseThem) {
    spin->SetMinValue(1900);
    spin->SetMaxValue(2900);
    spin->SetValue(2899);
    spin->setFocus();
    int changes = 0;
    spin->OnChange = [&](QObject*) { ++changes; };
    QTest::keyClick(spin, Qt::Key_Up);
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->Value(), 2900);
    EXPECT_EQ(changes, 1);
    spin->OnKeyDown = [](QObject*, int& key, TShiftState) {
        if (key == VK::Down)
            key = 0;
    };
    QTest::keyClick(spin, Qt::Key_Down);
    EXPECT_EQ(spin->Value(), 2900);
    spin->SetValue(3500);
    EXPECT_EQ(spin->Text(), QStringLiteral("2900"));
}

TEST_F(KeyScreen, spinEdit_keyPressFilter_discardsCharacters) {
    spin->OnKeyPress = [](QObject*, QChar& key) {
        if (key == u'7')
            key = QChar();
    };
    spin->setFocus();
    QTest::keyClicks(spin, QStringLiteral("1779"));
    EXPECT_EQ(spin->Text(), QStringLiteral("19"));
}

TEST(KeyCodes, qtKeysMapToVirtualKeysAndBack) {
    const std::pair<int, int> pairs[] = {{Qt::Key_Tab, VK::Tab},
                                         {Qt::Key_Return, VK::Return},
                                         {Qt::Key_Space, VK::Space},
                                         {Qt::Key_PageUp, VK::Prior},
                                         {Qt::Key_PageDown, VK::Next},
                                         {Qt::Key_Left, VK::Left},
                                         {Qt::Key_Up, VK::Up},
                                         {Qt::Key_Right, VK::Right},
                                         {Qt::Key_Down, VK::Down},
                                         {Qt::Key_Delete, VK::Delete},
                                         {Qt::Key_A, 'A'},
                                         {Qt::Key_5, '5'}};
    for (const auto& [qt, vk] : pairs) {
        EXPECT_EQ(zrm::ui::virtualKeyFromQt(qt), vk) << qt;
        EXPECT_EQ(zrm::ui::qtKeyFromVirtual(vk), qt) << vk;
    }
    EXPECT_EQ(zrm::ui::virtualKeyFromQt(Qt::Key_Enter), VK::Return);
}

}  // namespace
