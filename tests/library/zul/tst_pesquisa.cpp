// The search window over a data source's rows and the search button built on it.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/searchdialog.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/pesquisa.h"
#include "tests/support/guitest.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using zrm::test::DialogAnswerer;

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet.setObjectName(QStringLiteral("cdsVersao"));
        version = dataSet.AddStringField(QStringLiteral("CDVERSAOORCA"), 5);
        dataSet.CreateDataSet();
        source.SetDataSet(&dataSet);
        window.resize(200, 100);
        ASSERT_TRUE(zrm::test::showActive(&window));
    }
    void fill(const QStringList& versions) {
        for (const QString& text : versions) {
            dataSet.Append();
            version->SetAsString(text);
            dataSet.Post();
        }
        dataSet.First();
    }
    // Answers the next search window by choosing the row whose version is text.
    static void pickRow(DialogAnswerer& answers, const QString& text, QString* prompt = nullptr) {
        answers.answerNext([text, prompt](QWidget* dialog) {
            auto* search = qobject_cast<SearchDialog*>(dialog);
            ASSERT_NE(search, nullptr);
            if (prompt)
                *prompt = search->filterEdit()->placeholderText();
            QTest::keyClicks(search->filterEdit(), text);
            ASSERT_EQ(search->visibleRowCount(), 1);
            QTest::keyClick(search->filterEdit(), Qt::Key_Return);
        });
    }

    QWidget window;
    TClientDataSet dataSet;
    TField* version = nullptr;
    TDataSource source;
};

TEST_F(SearchTest, pesquisar_pickedRowBecomesCurrent) {
    fill({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    int scrolls = 0;
    dataSet.AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    DialogAnswerer answers;
    QString prompt;
    pickRow(answers, QStringLiteral("3"), &prompt);
    EXPECT_TRUE(Pesquisa::Pesquisar(&source, QStringLiteral("Versão|Escolha a versão"), false, true));
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Versão")});
    EXPECT_EQ(prompt, QStringLiteral("Escolha a versão"));
    EXPECT_EQ(dataSet.RecNo(), 3);
    EXPECT_EQ(version->AsString(), QStringLiteral("3"));
    EXPECT_EQ(scrolls, 1);
}

TEST_F(SearchTest, pesquisar_opensOnTheCurrentRow) {
    fill({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    dataSet.SetRecNo(2);
    DialogAnswerer answers;
    answers.answerNext([](QWidget* dialog) {
        QTest::keyClick(qobject_cast<SearchDialog*>(dialog)->filterEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(Pesquisa::Pesquisar(&source, QStringLiteral("Versão"), false, true));
    EXPECT_EQ(dataSet.RecNo(), 2);

    dataSet.SetRecNo(2);
    answers.answerNext([](QWidget* dialog) {
        QTest::keyClick(qobject_cast<SearchDialog*>(dialog)->filterEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(Pesquisa::Pesquisar(&source, QStringLiteral("Versão"), false, false));
    EXPECT_EQ(dataSet.RecNo(), 1);
}

TEST_F(SearchTest, pesquisar_cancelledLeavesTheCursor) {
    fill({QStringLiteral("1"), QStringLiteral("2")});
    dataSet.SetRecNo(2);
    int scrolls = 0;
    dataSet.AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    DialogAnswerer answers;
    answers.answerNext([](QWidget* dialog) {
        QTest::keyClicks(qobject_cast<SearchDialog*>(dialog)->filterEdit(), QStringLiteral("1"));
        qobject_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_FALSE(Pesquisa::Pesquisar(&source, QStringLiteral("Versão"), false, true));
    EXPECT_EQ(answers.pending(), 0);
    EXPECT_EQ(dataSet.RecNo(), 2);
    EXPECT_EQ(scrolls, 0);
}

TEST_F(SearchTest, pesquisar_overNoRows) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    EXPECT_FALSE(Pesquisa::Pesquisar(&source, QStringLiteral("Versão"), false, true));
    EXPECT_EQ(answers.pending(), 1);

    EXPECT_THROW(Pesquisa::Pesquisar(&source, QStringLiteral("Versão"), true, true), EAbort);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Não há registros para pesquisar.")});

    TDataSource unbound;
    EXPECT_THROW(Pesquisa::Pesquisar(&unbound, QStringLiteral("Versão"), false, true), EDatabaseError);
}

class SearchButtonTest : public SearchTest {
protected:
    void SetUp() override {
        SearchTest::SetUp();
        button = new TBtnPesquisa(&window);
        edit = new TEdit(&window);
        button->SetAssociate(edit);
        button->SetDataSource(&source);
        button->SetTitle(QStringLiteral("Versão"));
        button->SetEmptyError(QStringLiteral("Não há versões cadastradas."));
        button->OnAfterPesq = [this](QObject* sender) {
            EXPECT_EQ(sender, button);
            picked.append(version->AsString());
        };
    }
    TBtnPesquisa* button = nullptr;
    TEdit* edit = nullptr;
    QStringList picked;
};

TEST_F(SearchButtonTest, pressed_withNoRowsReportsTheEmptyError) {
    bool before = false;
    button->OnBeforePesq = [&](QObject*, bool&) { before = true; };
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(before);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Não há versões cadastradas.")});
    EXPECT_TRUE(picked.isEmpty());
}

TEST_F(SearchButtonTest, pressed_offersTheRowsTheBeforeHandlerLoaded) {
    button->OnBeforePesq = [&](QObject* sender, bool& go) {
        EXPECT_EQ(sender, button);
        EXPECT_TRUE(go);
        fill({QStringLiteral("1"), QStringLiteral("2")});
    };
    DialogAnswerer answers;
    pickRow(answers, QStringLiteral("2"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Versão")});
    EXPECT_EQ(picked, QStringList{QStringLiteral("2")});
}

TEST_F(SearchButtonTest, cancelledSearchRunsNoAfterHandler) {
    fill({QStringLiteral("1")});
    DialogAnswerer answers;
    answers.answerNext([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    button->Pesquisar();
    EXPECT_EQ(answers.pending(), 0);
    EXPECT_TRUE(picked.isEmpty());
}

TEST_F(SearchButtonTest, beforeHandlerMayEndTheSearch) {
    fill({QStringLiteral("1")});
    button->OnBeforePesq = [](QObject*, bool& go) { go = false; };
    DialogAnswerer answers;  // closes a window that should not have opened
    answers.answerNext([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    button->Pesquisar();
    EXPECT_EQ(answers.pending(), 1);
    EXPECT_TRUE(picked.isEmpty());
}

}  // namespace
