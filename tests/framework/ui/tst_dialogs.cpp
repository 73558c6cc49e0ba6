// MessageDlg, the user-action boundary's error box, the busy window and the search window.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/boundary.h"
#include "framework/ui/busywindow.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/edit.h"
#include "framework/ui/form.h"
#include "framework/ui/searchdialog.h"
#include "tests/support/guitest.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using zrm::test::DialogAnswerer;

TEST(MessageDlg, answeredYesOrNo_returnsThatAnswer_withPortugueseButtons) {
    DialogAnswerer answers;
    QStringList captions;
    answers.answerNext([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        captions = {box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text()};
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::Yes)->click();
    });
    answers.answerNext(QMessageBox::No);
    EXPECT_EQ(MessageDlg(QStringLiteral("Confirma exclusão?"), mtConfirmation, {mbYes, mbNo}, 0), mrYes);
    EXPECT_EQ(MessageDlg(QStringLiteral("Cancela operação?"), mtConfirmation, {mbYes, mbNo}, 0), mrNo);
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Sim"), QStringLiteral("Não")}));
    EXPECT_EQ(answers.texts(),
              (QStringList{QStringLiteral("Confirma exclusão?"), QStringLiteral("Cancela operação?")}));
    EXPECT_EQ(answers.titles().value(0), QStringLiteral("Confirmação"));
}

TEST(MessageDlg, escape_answersNo) {
    DialogAnswerer answers;
    answers.answerNext([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_EQ(MessageDlg(QStringLiteral("Confirma?"), mtConfirmation, {mbYes, mbNo}, 0), mrNo);
    EXPECT_EQ(answers.pending(), 0);
}

TEST(MessageDlg, noTestAnswering_failsTheTestAndClosesAsEscape) {
    zrm::test::guardUnansweredDialogs(std::chrono::milliseconds(50));
    int answer = -1;
    EXPECT_NONFATAL_FAILURE(
        answer = MessageDlg(QStringLiteral("Ninguém responde?"), mtConfirmation, {mbYes, mbNo}, 0),
        "A dialog no test answered: Ninguém responde?");
    zrm::test::guardUnansweredDialogs(std::chrono::seconds(30));
    EXPECT_EQ(answer, mrNo);
}

TEST(GuardUserAction, abort_isSilent) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);  // would record any box that opened
    bool ranToEnd = false;
    EXPECT_FALSE(zrm::ui::guardUserAction(nullptr, [&] {
        Abort();
        ranToEnd = true;
    }));
    zrm::test::processPendingEvents();  // a box shown late would open here
    EXPECT_FALSE(ranToEnd);
    EXPECT_TRUE(answers.texts().isEmpty());
    EXPECT_EQ(answers.pending(), 1);
}

TEST(GuardUserAction, failure_isShownOnceInErrorBox) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    answers.answerNext(QMessageBox::Ok);
    answers.answerNext(QMessageBox::Ok);
    EXPECT_TRUE(zrm::ui::guardUserAction(nullptr, [] {}));
    EXPECT_FALSE(zrm::ui::guardUserAction(
        nullptr, [] { throw EDatabaseError(QStringLiteral("Fase não cadastrada.")); }));
    EXPECT_FALSE(zrm::ui::guardUserAction(nullptr, [] { throw std::runtime_error("falha de rede"); }));
    EXPECT_EQ(answers.texts(),
              (QStringList{QStringLiteral("Fase não cadastrada."), QStringLiteral("falha de rede")}));
    EXPECT_EQ(answers.titles(), (QStringList{QStringLiteral("Erro"), QStringLiteral("Erro")}));
    EXPECT_EQ(answers.pending(), 1);
}

TEST(BusyWindow, neverTakesFocus_norFiresEnterOrExit) {
    TForm form;
    form.resize(300, 200);
    auto* first = new TEdit(form.clientArea());
    auto* second = new TEdit(form.clientArea());
    second->move(0, 40);
    ASSERT_TRUE(zrm::test::showActive(&form));
    first->setFocus();
    int focusEvents = 0;
    first->OnExit = [&](QObject*) { ++focusEvents; };
    second->OnEnter = [&](QObject*) { ++focusEvents; };

    BusyWindow busy(&form);
    busy.showBusy(6, QStringLiteral("Buscando dados no servidor."));
    // Activation, when a window takes it, follows its exposure.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&busy));
    zrm::test::processPendingEvents();
    EXPECT_TRUE(busy.isVisible());
    EXPECT_FALSE(busy.isActiveWindow());
    EXPECT_EQ(QApplication::activeWindow(), &form);
    EXPECT_EQ(QApplication::focusWidget(), first);
    EXPECT_EQ(form.ActiveControl(), first);
    busy.showBusy(1, QStringLiteral("Gravando registro."));
    busy.hideBusy();
    EXPECT_FALSE(busy.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), first);
    EXPECT_EQ(focusEvents, 0);
}

TEST(BusyWindow, spinnerAndMovingBar_lookDifferent) {
    BusyWindow busy;
    busy.showBusy(1);
    const QImage bar = busy.grab().toImage();
    busy.showBusy(6);
    const QImage spinner = busy.grab().toImage();
    busy.showBusy(1, QStringLiteral("Gravando registro."));
    const QImage barWithText = busy.grab().toImage();
    busy.hideBusy();
    EXPECT_NE(bar, spinner);
    EXPECT_NE(bar, barWithText);
    EXPECT_EQ(busy.kind(), 1);
    EXPECT_EQ(busy.text(), QStringLiteral("Gravando registro."));
}

// Versions: year, code, and a hidden operator.
class SearchRows : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet.setObjectName(QStringLiteral("cdsVersao"));
        dataSet.AddStringField(QStringLiteral("CDANOVERORCA"), 4)->SetDisplayLabel(QStringLiteral("Ano"));
        dataSet.AddStringField(QStringLiteral("CDVERSAOORCA"), 40)->SetDisplayLabel(QStringLiteral("Versão"));
        dataSet.AddStringField(QStringLiteral("NMOPERADOR"), 40)->SetVisible(false);
        dataSet.CreateDataSet();
        for (const auto& [year, version, operatorName] :
             {std::tuple{"2025", "1", "ana"}, std::tuple{"2026", "1", "bia"},
              std::tuple{"2026", "2", "caio"}}) {
            dataSet.Append();
            dataSet.FieldByName(QStringLiteral("CDANOVERORCA"))->SetAsString(QString::fromLatin1(year));
            dataSet.FieldByName(QStringLiteral("CDVERSAOORCA"))->SetAsString(QString::fromLatin1(version));
            dataSet.FieldByName(QStringLiteral("NMOPERADOR"))->SetAsString(QString::fromLatin1(operatorName));
            dataSet.Post();
        }
        dataSet.First();
        source.SetDataSet(&dataSet);
        dataSet.AfterScroll = [this](TClientDataSet*) { ++scrolls; };
    }

    TClientDataSet dataSet;
    TDataSource source;
    int scrolls = 0;
};

TEST_F(SearchRows, showsVisibleFieldsByLabel_filtersAsYouType_andEnterPicks) {
    SearchDialog dialog(&source, QStringLiteral("Versão"));
    QStringList titles;
    int rowsAfterFilter = -1;
    DialogAnswerer answers;
    answers.answerNext([&](QWidget* opened) {
        auto* search = qobject_cast<SearchDialog*>(opened);
        ASSERT_NE(search, nullptr);
        for (int column = 0; column < search->view()->model()->columnCount(); ++column)
            titles.append(search->view()->model()->headerData(column, Qt::Horizontal).toString());
        EXPECT_EQ(search->visibleRowCount(), 3);
        EXPECT_EQ(scrolls, 0);  // offering the rows does not move the dataset
        QTest::keyClicks(search->filterEdit(), QStringLiteral("2026"));
        rowsAfterFilter = search->visibleRowCount();
        QTest::keyClick(search->filterEdit(), Qt::Key_Down);
        QTest::keyClick(search->filterEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(dialog.execute());
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Versão")});
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Ano"), QStringLiteral("Versão")}));
    EXPECT_EQ(rowsAfterFilter, 2);
    EXPECT_EQ(dataSet.RecNo(), 3);
    EXPECT_EQ(dataSet.FieldByName(QStringLiteral("NMOPERADOR"))->AsString(), QStringLiteral("caio"));
}

TEST_F(SearchRows, doubleClickPicks) {
    SearchDialog dialog(&source, QStringLiteral("Versão"));
    DialogAnswerer answers;
    answers.answerNext([](QWidget* opened) {
        QTableView* view = qobject_cast<SearchDialog*>(opened)->view();
        const QRect cell = view->visualRect(view->model()->index(1, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    });
    EXPECT_TRUE(dialog.execute());
    EXPECT_EQ(dataSet.RecNo(), 2);
}

TEST_F(SearchRows, escapeCancels_andLeavesDatasetWhereItWas) {
    dataSet.Next();
    scrolls = 0;
    SearchDialog dialog(&source, QStringLiteral("Versão"));
    DialogAnswerer answers;
    answers.answerNext([](QWidget* opened) { QTest::keyClick(opened, Qt::Key_Escape); });
    EXPECT_FALSE(dialog.execute());
    EXPECT_EQ(dataSet.RecNo(), 2);
    EXPECT_EQ(scrolls, 0);
}

TEST_F(SearchRows, emptyDataset_offersNothing) {
    dataSet.EmptyDataSet();
    SearchDialog dialog(&source, QStringLiteral("Versão"));
    EXPECT_EQ(dialog.visibleRowCount(), 0);
    EXPECT_FALSE(dialog.execute());  // returns without opening
}

}  // namespace
