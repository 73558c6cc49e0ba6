// Consiste: codes, empty texts, dates and their mask, the text a grid shows, column indexes, the
// error box that stops an operation and the check of remote results.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgrideditor.h"
#include "library/zul/consiste.h"
#include "tests/support/guitest.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using zrm::test::DialogAnswerer;

TEST(Ajusta, padsShortCodesWithZerosAndLeavesLongOnes) {
    EXPECT_EQ(Consiste::Ajusta(QStringLiteral("123"), 10), QStringLiteral("0000000123"));
    EXPECT_EQ(Consiste::Ajusta(QStringLiteral(" 45 "), 10), QStringLiteral("0000000045"));
    EXPECT_EQ(Consiste::Ajusta(QStringLiteral("0000000004"), 10), QStringLiteral("0000000004"));
    EXPECT_EQ(Consiste::Ajusta(QStringLiteral("12345678901"), 10), QStringLiteral("12345678901"));
    EXPECT_EQ(Consiste::Ajusta(QString(), 10), QString());
    EXPECT_EQ(Consiste::Ajusta(QStringLiteral("   "), 10), QString());
}

TEST(EmptyString, isTrueOnlyForTextWithoutValue) {
    EXPECT_TRUE(Consiste::EmptyString(QString()));
    EXPECT_TRUE(Consiste::EmptyString(QStringLiteral("  \t")));
    EXPECT_FALSE(Consiste::EmptyString(QStringLiteral(" 0 ")));
}

class DateFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet.setObjectName(QStringLiteral("cdsTeste"));
        date = dataSet.AddDateTimeField(QStringLiteral("DTINI"));
        date->SetEditMask(Consiste::DateMask());
        dataSet.CreateDataSet();
        dataSet.Append();
    }
    TClientDataSet dataSet;
    TField* date = nullptr;
};

TEST_F(DateFieldTest, dateMaskIsTheShortBrazilianDate) {
    EXPECT_EQ(Consiste::DateMask(), QStringLiteral("!99/99/9999;1;_"));
}

TEST_F(DateFieldTest, dateSetText_readsDayMonthYear) {
    Consiste::DateSetText(date, QStringLiteral("10/03/2026"));
    EXPECT_EQ(date->AsDateTime(), QDateTime(QDate(2026, 3, 10), QTime(0, 0)));
    EXPECT_EQ(date->Text(), QStringLiteral("10/03/2026"));
}

TEST_F(DateFieldTest, dateSetText_withoutDigitsClearsTheField) {
    Consiste::DateSetText(date, QStringLiteral("10/03/2026"));
    Consiste::DateSetText(date, QStringLiteral("  /  /    "));
    EXPECT_TRUE(date->IsNull());
    Consiste::DateSetText(date, QStringLiteral("01/01/2020"));
    Consiste::DateSetText(date, QString());
    EXPECT_TRUE(date->IsNull());
}

TEST(Consiste, strToDate_needsAWholeDate_andNamesTheTextItRefuses) {
    EXPECT_EQ(Consiste::StrToDate(QStringLiteral(" 29/02/2028 ")), QDate(2028, 2, 29).startOfDay());
    for (const QString& text : {QStringLiteral("31/02/2026"), QStringLiteral("99/99/9999"),
                                QStringLiteral("12/0_/____"), QStringLiteral("__/__/____"), QString()}) {
        try {
            Consiste::StrToDate(text);
            ADD_FAILURE() << "accepted " << text.toStdString();
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), QStringLiteral("'%1' não é uma data válida.").arg(text));
        }
    }
}

TEST_F(DateFieldTest, dateSetText_refusesInvalidDatesAndKeepsTheValue) {
    Consiste::DateSetText(date, QStringLiteral("10/03/2026"));
    for (const QString& text :
         {QStringLiteral("31/02/2026"), QStringLiteral("12/03/"), QStringLiteral("2026-03-10")}) {
        try {
            Consiste::DateSetText(date, text);
            ADD_FAILURE() << "accepted " << text.toStdString();
        } catch (const EConvertError& error) {
            EXPECT_TRUE(error.Message().contains(text)) << error.Message().toStdString();
        }
        EXPECT_EQ(date->AsDateTime().date(), QDate(2026, 3, 10));
    }
}

TEST(MensErro, showsTheTextAndStopsThePostThatCalledIt) {
    TClientDataSet dataSet;
    TField* code = dataSet.AddStringField(QStringLiteral("CODIGO"), 10);
    dataSet.CreateDataSet();
    int afterPost = 0;
    dataSet.BeforePost = [](TClientDataSet*) {
        Consiste::MensErro(QStringLiteral("Código da fase deve ser informado."), true);
        ADD_FAILURE() << "code after MensErro ran";
    };
    dataSet.AfterPost = [&](TClientDataSet*) { ++afterPost; };
    dataSet.Insert();
    code->SetAsString(QStringLiteral("12"));

    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(dataSet.Post(), EAbort);
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Código da fase deve ser informado.")});
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Erro")});
    EXPECT_EQ(dataSet.State(), TDataSetState::dsInsert);
    EXPECT_EQ(code->AsString(), QStringLiteral("12"));
    EXPECT_EQ(afterPost, 0);
    EXPECT_EQ(dataSet.RecordCount(), 1);  // the row being inserted, not a posted one
    EXPECT_EQ(dataSet.GetChangeCount(), 0);
}

TEST(MensErro, withoutStopReturnsAfterTheBox) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    EXPECT_NO_THROW(Consiste::MensErro(QStringLiteral("Aviso."), false));
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Aviso.")});
}

zrm::DataPacket codePacket(const QString& code) {
    zrm::DataPacket packet;
    packet.fields = {{QStringLiteral("CDFASEORCOPERAC"), zrm::FieldType::String, 10}};
    packet.rows = {{code}};
    return packet;
}

TEST(CheckResultServ, returnsTheOnePacketOfASuccess) {
    const TRemoteData data =
        Consiste::CheckResultServ(TRemoteResult::success({codePacket(QStringLiteral("0000000004"))}, false));
    EXPECT_FALSE(data.IsArray());
    const zrm::DataPacket& packet = data;
    ASSERT_EQ(packet.rows.size(), 1);
    EXPECT_EQ(packet.rows[0][0].toString(), QStringLiteral("0000000004"));
    EXPECT_THROW(data[1], Exception);
}

TEST(CheckResultServ, returnsEveryPacketOfAnArrayAnswer) {
    const TRemoteData data = Consiste::CheckResultServ(
        TRemoteResult::success({codePacket(QStringLiteral("A")), codePacket(QStringLiteral("B"))}, true),
        true, 0);
    ASSERT_TRUE(data.IsArray());
    ASSERT_EQ(data.Count(), 2);
    EXPECT_EQ(data[1].rows[0][0].toString(), QStringLiteral("B"));
    // Loading an array into one dataset is a fault of the caller, not a silent first packet.
    EXPECT_THROW(data.Packet(), Exception);

    TClientDataSet dataSet;
    dataSet.SetData(data[0]);
    EXPECT_EQ(dataSet.FieldByName(QStringLiteral("CDFASEORCOPERAC"))->AsString(), QStringLiteral("A"));
}

// Runs CheckResultServ on result, answering its box; returns the box's text ("" when none showed).
QString reportedFailure(const TRemoteResult& result) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(Consiste::CheckResultServ(result, true, 0), EAbort);
    EXPECT_EQ(answers.pending(), 0);
    return answers.texts().value(0);
}

TEST(CheckResultServ, definitiveFailureShowsTheServersOwnMessage) {
    EXPECT_EQ(reportedFailure(TRemoteResult::serverFailure(
                  RemoteError::RuleRefused, QStringLiteral("Não se pode alterar uma fase ja concluida."))),
              QStringLiteral("Não se pode alterar uma fase ja concluida."));
    EXPECT_EQ(reportedFailure(TRemoteResult::serverFailure(
                  RemoteError::Conflict, QStringLiteral("O registro foi alterado por outro usuário."))),
              QStringLiteral("O registro foi alterado por outro usuário."));
    EXPECT_EQ(reportedFailure(TRemoteResult::serverFailure(RemoteError::MethodNotFound, QString())),
              QStringLiteral("O servidor de aplicação recusou a operação (código -32601)."));
}

TEST(CheckResultServ, transientFailureAsksToTryAgain) {
    const QString text = reportedFailure(
        TRemoteResult::transportFailure(QStringLiteral("Não foi possível conectar a 127.0.0.1:7130.")));
    EXPECT_TRUE(text.startsWith(QStringLiteral("O servidor de aplicação não respondeu. Tente novamente.")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("127.0.0.1:7130")));
    EXPECT_TRUE(
        reportedFailure(TRemoteResult::serverFailure(RemoteError::Unavailable,
                                                     QStringLiteral("O banco de dados não está disponível.")))
            .startsWith(QStringLiteral("O servidor de aplicação não respondeu.")));
}

TEST(CheckResultServ, unreadableAnswerIsAFailureToo) {
    EXPECT_TRUE(reportedFailure(TRemoteResult::successNotPackets(QStringLiteral("era esperado um pacote")))
                    .startsWith(QStringLiteral("A resposta do servidor de aplicação não pôde ser lida")));
    EXPECT_TRUE(reportedFailure(TRemoteResult::success({}, false))
                    .startsWith(QStringLiteral("A resposta do servidor de aplicação não pôde ser lida")));
}

TEST(CheckResultServ, requiredNumberOfPacketsIsChecked) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    EXPECT_THROW(
        Consiste::CheckResultServ(TRemoteResult::success({codePacket(QStringLiteral("A"))}, true), true, 2),
        EAbort);
    EXPECT_EQ(answers.texts().size(), 1);
}

TEST(CheckResultServ, withoutMessageThrowsTheFailureForTheCaller) {
    DialogAnswerer answers;  // closes a box that should not have opened
    answers.answerNext(QMessageBox::Ok);
    try {
        Consiste::CheckResultServ(
            TRemoteResult::serverFailure(RemoteError::RuleRefused, QStringLiteral("Recusado.")), false, 0);
        ADD_FAILURE() << "no exception";
    } catch (const EAbort&) {
        ADD_FAILURE() << "silent stop instead of the message";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Recusado."));
    }
    EXPECT_EQ(answers.pending(), 1);
}

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet.setObjectName(QStringLiteral("cdsGrade"));
        code = dataSet.AddStringField(QStringLiteral("CODIGO"), 10);
        start = dataSet.AddDateTimeField(QStringLiteral("DTINI"));
        start->SetEditMask(Consiste::DateMask());
        dataSet.CreateDataSet();
        dataSet.Append();
        code->SetAsString(QStringLiteral("7"));
        start->SetAsDateTime(QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
        dataSet.Post();
        source.SetDataSet(&dataSet);
        grid.SetDataSource(&source);
        grid.SetOptions(grid.Options() | dgEditing);
        grid.resize(400, 200);
        ASSERT_TRUE(zrm::test::showActive(&grid));
        grid.setFocus();
    }

    TClientDataSet dataSet;
    TField* code = nullptr;
    TField* start = nullptr;
    TDataSource source;
    TDBGrid grid;
};

TEST_F(GridTest, gridText_isTheFieldsTextWhenNothingIsTyped) {
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("CODIGO"), false), QStringLiteral("7"));
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("dtini"), false), QStringLiteral("05/01/2026"));
    EXPECT_THROW(Consiste::GridText(&grid, QStringLiteral("NADA"), false), EDatabaseError);
}

TEST_F(GridTest, gridText_includesWhatIsBeingTypedAndThenTheStoredValue) {
    grid.SetSelectedIndex(Consiste::IndiceCol(&grid, QStringLiteral("CODIGO")));
    QTest::keyClicks(&grid, QStringLiteral("42"));
    ASSERT_TRUE(grid.EditorMode());
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("CODIGO"), false), QStringLiteral("42"));
    EXPECT_EQ(code->AsString(), QStringLiteral("7"));  // not in the field yet
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("DTINI"), false), QStringLiteral("05/01/2026"));

    dataSet.Post();
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("CODIGO"), false), QStringLiteral("42"));
    EXPECT_EQ(code->AsString(), QStringLiteral("42"));
}

TEST_F(GridTest, gridText_ofAMaskedEditorWithoutDigitsIsEmpty) {
    dataSet.Append();
    grid.SetSelectedIndex(Consiste::IndiceCol(&grid, QStringLiteral("DTINI")));
    grid.SetEditorMode(true);
    ASSERT_NE(grid.InplaceEditor(), nullptr);
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("DTINI"), false), QString());

    // Typed and erased again: only the mask's literals and blanks are left.
    QLineEdit* editor = grid.InplaceEditor()->lineEdit();
    QTest::keyClicks(editor, QStringLiteral("1"));
    EXPECT_NE(Consiste::GridText(&grid, QStringLiteral("DTINI"), false), QString());
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(Consiste::GridText(&grid, QStringLiteral("DTINI"), false), QString());
}

TEST_F(GridTest, indiceCol_findsTheColumnOfAField) {
    EXPECT_EQ(Consiste::IndiceCol(&grid, QStringLiteral("CODIGO")), 0);
    EXPECT_EQ(Consiste::IndiceCol(&grid, QStringLiteral("dtini")), 1);
    EXPECT_EQ(Consiste::IndiceCol(&grid, QStringLiteral("NADA")), -1);

    TDBGrid declared;
    declared.SetDataSource(&source);
    TColumn* only = declared.Columns()->Add();
    only->SetFieldName(QStringLiteral("DTINI"));
    EXPECT_EQ(Consiste::IndiceCol(&declared, QStringLiteral("DTINI")), 0);
    EXPECT_EQ(Consiste::IndiceCol(&declared, QStringLiteral("CODIGO")), -1);
}

}  // namespace
