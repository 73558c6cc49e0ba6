// The navigator's buttons follow the dataset's state and act on it; the data label follows the
// current row.

#include "framework/data/datasource.h"
#include "framework/data/exceptions.h"
#include "framework/ui/dbnavigator.h"
#include "framework/ui/dbtext.h"
#include "tests/support/guitest.h"

#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using zrm::test::DialogAnswerer;

namespace {

class DbNavigator : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        dataSet = new TClientDataSet(window.get());
        dataSet->setObjectName(QStringLiteral("cdsFases"));
        name = dataSet->AddStringField(QStringLiteral("NMFASE"), 30);
        dataSet->CreateDataSet();
        for (const char* text : {"Abertura", "Planejamento", "Fechamento"}) {
            dataSet->Append();
            name->SetAsString(QString::fromLatin1(text));
            dataSet->Post();
        }
        dataSet->First();
        source = new TDataSource(window.get());
        source->SetDataSet(dataSet);
        navigator = new TDBNavigator(window.get());
        label = new TDBText(window.get());
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(navigator);
        layout->addWidget(label);
        navigator->SetDataSource(source);
        label->SetDataSource(source);
        label->SetDataField(QStringLiteral("NMFASE"));
        ASSERT_TRUE(zrm::test::showActive(window.get()));
    }

    bool enabled(TNavigateBtn button) const { return navigator->button(button)->isEnabled(); }
    void press(TNavigateBtn button) { QTest::mouseClick(navigator->button(button), Qt::LeftButton); }

    std::unique_ptr<QWidget> window;
    TClientDataSet* dataSet = nullptr;
    TStringField* name = nullptr;
    TDataSource* source = nullptr;
    TDBNavigator* navigator = nullptr;
    TDBText* label = nullptr;
};

TEST_F(DbNavigator, buttons_carryTheirPortugueseHints) {
    const QStringList hints{QStringLiteral("Primeiro"), QStringLiteral("Anterior"),
                            QStringLiteral("Próximo"),  QStringLiteral("Último"),
                            QStringLiteral("Inserir"),  QStringLiteral("Excluir"),
                            QStringLiteral("Editar"),   QStringLiteral("Gravar"),
                            QStringLiteral("Cancelar"), QStringLiteral("Atualizar")};
    for (int b = nbFirst; b <= nbRefresh; ++b)
        EXPECT_EQ(navigator->button(TNavigateBtn(b))->toolTip(), hints.at(b));
    EXPECT_EQ(navigator->findChild<QToolButton*>(QStringLiteral("nbPost")), navigator->button(nbPost));

    navigator->SetVisibleButtons((1 << nbFirst) | (1 << nbLast));
    EXPECT_TRUE(navigator->button(nbFirst)->isVisible());
    EXPECT_FALSE(navigator->button(nbInsert)->isVisible());
}

TEST_F(DbNavigator, buttons_followPositionAndState) {
    EXPECT_FALSE(enabled(nbFirst));
    EXPECT_FALSE(enabled(nbPrior));
    EXPECT_TRUE(enabled(nbNext));
    EXPECT_TRUE(enabled(nbEdit));
    EXPECT_FALSE(enabled(nbPost));
    EXPECT_EQ(label->Caption(), QStringLiteral("Abertura"));

    press(nbLast);
    EXPECT_EQ(dataSet->RecNo(), 3);
    EXPECT_TRUE(enabled(nbPrior));
    EXPECT_FALSE(enabled(nbNext));
    EXPECT_EQ(label->Caption(), QStringLiteral("Fechamento"));

    press(nbEdit);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_TRUE(enabled(nbPost));
    EXPECT_TRUE(enabled(nbCancel));
    EXPECT_FALSE(enabled(nbEdit));
    name->SetAsString(QStringLiteral("Encerramento"));
    EXPECT_EQ(label->Caption(), QStringLiteral("Encerramento"));
    press(nbPost);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(name->AsString(), QStringLiteral("Encerramento"));

    press(nbPrior);
    EXPECT_EQ(dataSet->RecNo(), 2);
    press(nbFirst);
    EXPECT_EQ(dataSet->RecNo(), 1);

    dataSet->Close();
    for (int b = nbFirst; b <= nbRefresh; ++b)
        EXPECT_FALSE(enabled(TNavigateBtn(b))) << b;
    EXPECT_EQ(label->Caption(), QString());
}

TEST_F(DbNavigator, delete_asksAndBeforeActionMayStopAButton) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::No);
    press(nbDelete);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Excluir registro?")});
    EXPECT_EQ(dataSet->RecordCount(), 3);
    answers.answerNext(QMessageBox::Yes);
    press(nbDelete);
    EXPECT_EQ(dataSet->RecordCount(), 2);

    QList<TNavigateBtn> clicked;
    navigator->BeforeAction = [](QObject*, TNavigateBtn button) {
        if (button == nbInsert)
            Abort();
    };
    navigator->OnClick = [&](QObject*, TNavigateBtn button) { clicked.append(button); };
    press(nbInsert);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsBrowse);
    press(nbNext);
    EXPECT_EQ(clicked, QList<TNavigateBtn>{nbNext});

    // A refused post stops there: the row stays in edit state and OnClick does not run.
    dataSet->BeforePost = [](TClientDataSet*) { Abort(); };
    press(nbEdit);
    press(nbPost);
    EXPECT_EQ(dataSet->State(), TDataSetState::dsEdit);
    EXPECT_EQ(clicked, (QList<TNavigateBtn>{nbNext, nbEdit}));
}

}  // namespace
