// The screen's Enter/Exit: container events, exits that stop, focus moves that do not count.

#include "framework/data/exceptions.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/edit.h"
#include "framework/ui/focustracker.h"
#include "framework/ui/form.h"
#include "framework/ui/panel.h"
#include "framework/ui/spinedit.h"
#include "tests/support/guitest.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// depAno and edtVersao inside panAno, edtOutside beside it; every Enter/Exit is logged.
class FocusScreen : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(400, 200);
        panAno = new TPanel(form.clientArea());
        panAno->setObjectName(QStringLiteral("panAno"));
        panAno->setGeometry(0, 0, 400, 40);
        depAno = new TSpinEdit(panAno);
        depAno->setObjectName(QStringLiteral("depAno"));
        depAno->setGeometry(5, 5, 60, 22);
        edtVersao = new TEdit(panAno);
        edtVersao->setObjectName(QStringLiteral("edtVersao"));
        edtVersao->setGeometry(100, 5, 60, 22);
        edtOutside = new TEdit(form.clientArea());
        edtOutside->setObjectName(QStringLiteral("edtOutside"));
        edtOutside->setGeometry(5, 60, 60, 22);
        for (QWidget* control : {static_cast<QWidget*>(panAno), static_cast<QWidget*>(depAno),
                                 static_cast<QWidget*>(edtVersao), static_cast<QWidget*>(edtOutside)}) {
            auto* events = dynamic_cast<TWinControlEvents*>(control);
            const QString name = control->objectName();
            events->OnEnter = [this, name](QObject*) { log.append(name + QStringLiteral("Enter")); };
            events->OnExit = [this, name](QObject*) { log.append(name + QStringLiteral("Exit")); };
        }
        ASSERT_TRUE(zrm::test::showActive(&form));
        edtOutside->setFocus();
        log.clear();
    }

    TForm form;
    TPanel* panAno = nullptr;
    TSpinEdit* depAno = nullptr;
    TEdit* edtVersao = nullptr;
    TEdit* edtOutside = nullptr;
    QStringList log;
};

TEST_F(FocusScreen, moveIntoPanel_firesPanelEnterBeforeControlEnter) {
    depAno->setFocus();
    EXPECT_EQ(log, (QStringList{QStringLiteral("edtOutsideExit"), QStringLiteral("panAnoEnter"),
                                QStringLiteral("depAnoEnter")}));
    EXPECT_EQ(form.ActiveControl(), depAno);
}

TEST(FocusTracker, previousControl_isNoneUntilTheFocusMovesInsideTheScreen) {
    TForm form;
    form.resize(200, 100);
    auto* first = new TEdit(form.clientArea());
    auto* second = new TEdit(form.clientArea());
    second->move(0, 40);
    QWidget* previousWhenEntered = first;
    second->OnEnter = [&](QObject*) { previousWhenEntered = form.focusTracker()->previousControl(); };
    first->setFocus();
    ASSERT_TRUE(zrm::test::showActive(&form));
    EXPECT_EQ(form.ActiveControl(), first);
    EXPECT_EQ(form.focusTracker()->previousControl(), nullptr);

    second->setFocus();
    EXPECT_EQ(previousWhenEntered, first);  // already known to the entered control's handler
    EXPECT_EQ(form.focusTracker()->previousControl(), first);
}

TEST_F(FocusScreen, moveInsidePanel_firesNoPanelEvents) {
    depAno->setFocus();
    log.clear();
    edtVersao->setFocus();
    EXPECT_EQ(log, (QStringList{QStringLiteral("depAnoExit"), QStringLiteral("edtVersaoEnter")}));
}

TEST_F(FocusScreen, moveOutOfPanel_firesControlExitThenPanelExit) {
    edtVersao->setFocus();
    log.clear();
    QTest::keyClick(edtVersao, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), edtOutside);
    EXPECT_EQ(log, (QStringList{QStringLiteral("edtVersaoExit"), QStringLiteral("panAnoExit"),
                                QStringLiteral("edtOutsideEnter")}));
}

TEST_F(FocusScreen, exitThatStops_returnsFocusToControlLeft_andFiresNoEnter) {
    depAno->setFocus();
    depAno->OnExit = [this](QObject*) {
        log.append(QStringLiteral("depAnoExit"));
        Abort();
    };
    log.clear();
    edtOutside->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), depAno);
    EXPECT_EQ(form.ActiveControl(), depAno);
    EXPECT_EQ(log, QStringList{QStringLiteral("depAnoExit")});

    // The next move runs the exit again, as the control was never left.
    depAno->OnExit = [this](QObject*) { log.append(QStringLiteral("depAnoExit")); };
    log.clear();
    edtOutside->setFocus();
    EXPECT_EQ(log, (QStringList{QStringLiteral("depAnoExit"), QStringLiteral("panAnoExit"),
                                QStringLiteral("edtOutsideEnter")}));
}

TEST_F(FocusScreen, exitThatStops_keepsFocusWhereHandlerPutIt) {
    depAno->setFocus();
    depAno->OnExit = [this](QObject*) {
        log.append(QStringLiteral("depAnoExit"));
        edtVersao->SetFocus();
        Abort();
    };
    log.clear();
    edtOutside->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), edtVersao);
    EXPECT_EQ(form.ActiveControl(), edtVersao);
    EXPECT_EQ(log, QStringList{QStringLiteral("depAnoExit")});
}

TEST_F(FocusScreen, panelExitThatStops_keepsFocusInPanel) {
    edtVersao->setFocus();
    panAno->OnExit = [this](QObject*) {
        log.append(QStringLiteral("panAnoExit"));
        throw Exception(QStringLiteral("Ano deve ser informado."));
    };
    log.clear();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    edtOutside->setFocus();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Ano deve ser informado.")});
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Erro")});
    EXPECT_EQ(log, (QStringList{QStringLiteral("edtVersaoExit"), QStringLiteral("panAnoExit")}));
    ASSERT_TRUE(zrm::test::reactivate(&form));
    EXPECT_EQ(QApplication::focusWidget(), edtVersao);
    EXPECT_EQ(form.ActiveControl(), edtVersao);
}

TEST_F(FocusScreen, dialogOpenedAndClosed_firesNothing) {
    depAno->setFocus();
    log.clear();
    zrm::test::DialogAnswerer answers;
    answers.answerNext(QMessageBox::Yes);
    EXPECT_EQ(MessageDlg(QStringLiteral("Confirma?"), mtConfirmation, {mbYes, mbNo}, 0), mrYes);
    ASSERT_TRUE(zrm::test::reactivate(&form));
    EXPECT_EQ(QApplication::focusWidget(), depAno);
    EXPECT_TRUE(log.isEmpty()) << log.join(u',').toStdString();
}

TEST_F(FocusScreen, enterThatMovesFocusOn_isFollowed) {
    edtVersao->OnEnter = [this](QObject*) {
        log.append(QStringLiteral("edtVersaoEnter"));
        edtOutside->SetFocus();
    };
    edtVersao->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), edtOutside);
    EXPECT_EQ(form.ActiveControl(), edtOutside);
    EXPECT_EQ(log, (QStringList{QStringLiteral("edtOutsideExit"), QStringLiteral("panAnoEnter"),
                                QStringLiteral("edtVersaoEnter"), QStringLiteral("edtVersaoExit"),
                                QStringLiteral("panAnoExit"), QStringLiteral("edtOutsideEnter")}));
}

TEST(FocusTracker, controlsOfAnotherScreen_doNotChangeThisScreensActiveControl) {
    TForm first;
    auto* a = new TEdit(first.clientArea());
    TForm second;
    first.resize(200, 100);
    second.resize(200, 100);
    auto* b = new TEdit(second.clientArea());
    int firstEvents = 0;
    a->OnExit = [&](QObject*) { ++firstEvents; };
    ASSERT_TRUE(zrm::test::showActive(&first));
    a->setFocus();
    ASSERT_TRUE(zrm::test::showActive(&second));
    b->setFocus();
    EXPECT_EQ(first.ActiveControl(), a);
    EXPECT_EQ(second.ActiveControl(), b);
    EXPECT_EQ(firstEvents, 0);
}

}  // namespace
