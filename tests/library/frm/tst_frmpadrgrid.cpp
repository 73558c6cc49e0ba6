// The standard grid screen through a small descendant: its frame, its commands reaching the
// descendant's handlers by name, the default command rules and keys, the confirmations, the CSV
// export, printing and closing.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridmodel.h"
#include "framework/ui/dbnavigator.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/panel.h"
#include "framework/ui/searchdialog.h"
#include "framework/ui/speedbutton.h"
#include "library/frm/frmpadrgrid.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/messages.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"
#include "tests/support/guitest.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using zrm::test::DialogAnswerer;

struct TfrmTesteGridControls {
    TClientDataSet* cdsTeste = nullptr;
};

// A record screen on local rows that replaces the modify and verify commands and extends FormCreate.
class TfrmTesteGrid : public TfrmPadraoGrid, public TfrmTesteGridControls {
    Q_OBJECT
public:
    TfrmTesteGrid() {
        registerHandler(QStringLiteral("FormCreate"), this, &TfrmTesteGrid::FormCreate);
        registerHandler(QStringLiteral("sbtAlterarClick"), this, &TfrmTesteGrid::sbtAlterarClick);
        registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmTesteGrid::sbtVerificarClick);
        registerHandler(QStringLiteral("btnLocalAfterPesq"), this, &TfrmTesteGrid::btnLocalAfterPesq);
        registerHandler(QStringLiteral("netTesteBeforeConnect"), this, &TfrmTesteGrid::netTesteBeforeConnect);
    }

    void FormCreate(QObject* Sender) {
        TfrmPadraoGrid::FormCreate(Sender);
        baseFrameReady = pgcPadrao->ActivePage() == tshPadrao;
        cdsTeste->CreateDataSet();
        for (const auto& [code, name] :
             {std::pair{"0001", "Ana"}, {"0002", "Bruno; filho"}, {"0003", "Carla \"Cá\""}}) {
            cdsTeste->Append();
            cdsTeste->FieldByName(QStringLiteral("CODIGO"))->SetAsString(QString::fromUtf8(code));
            cdsTeste->FieldByName(QStringLiteral("NOME"))->SetAsString(QString::fromUtf8(name));
            cdsTeste->Post();
        }
        cdsTeste->MergeChangeLog();
        cdsTeste->First();
    }
    void sbtAlterarClick(QObject* Sender) {
        modifySenders.append(Sender);
        TfrmPadraoGrid::sbtAlterarClick(Sender);
    }
    void sbtVerificarClick(QObject* Sender) { verifySenders.append(Sender); }
    void btnLocalAfterPesq(QObject*) {
        picked.append(cdsTeste->FieldByName(QStringLiteral("CODIGO"))->AsString());
    }
    void netTesteBeforeConnect(QObject* Sender) {
        auto* connection = qobject_cast<TNetConnection*>(Sender);
        connection->SetHost(QStringLiteral("127.0.0.1"));
        connection->SetPort(closedPort);
        ++connects;
    }

    int closedPort = 1;
    int connects = 0;
    QStringList picked;
    bool baseFrameReady = false;
    QList<QObject*> modifySenders;
    QList<QObject*> verifySenders;

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override {
        TfrmPadraoGrid::resolveControls(controls);
        ZRM_RESOLVE(controls, cdsTeste);
    }
};

namespace {

class GridScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen = TForm::Create<TfrmTesteGrid>();
        screen->Show();
        ASSERT_TRUE(zrm::test::reactivate(screen));
    }
    void TearDown() override { delete screen.data(); }

    QString name() const { return screen->cdsTeste->FieldByName(QStringLiteral("NOME"))->AsString(); }

    QPointer<TfrmTesteGrid> screen;
};

TEST_F(GridScreenTest, descriptionBuildsTheFrameUnderTheDescendantsChanges) {
    EXPECT_EQ(screen->objectName(), QStringLiteral("TfrmTesteGrid"));
    EXPECT_EQ(screen->Caption(), QStringLiteral("Cadastro de Teste"));
    EXPECT_EQ(screen->lblCodTela->Caption(), QStringLiteral("ZRM00002"));
    EXPECT_TRUE(screen->baseFrameReady);
    EXPECT_EQ(screen->dtsPadrao->DataSet(), screen->cdsTeste);
    EXPECT_EQ(screen->dbgPadrao->DataSource(), screen->dtsPadrao);
    EXPECT_TRUE(screen->tshPadrao->isAncestorOf(screen->dbgPadrao));
    EXPECT_TRUE(screen->panNavigator->isAncestorOf(screen->dbnPadrao));
    EXPECT_TRUE(screen->panMenu->isAncestorOf(screen->sbtConfirmar));
    EXPECT_EQ(screen->Menu(), screen->mnuMenu);
    EXPECT_EQ(screen->dbgPadrao->gridModel()->rowCount(), 3);

    QStringList items;
    for (int i = 0; i < screen->mnuOperacao->Count(); ++i)
        items.append(screen->mnuOperacao->Items(i)->objectName());
    EXPECT_EQ(items, (QStringList{QStringLiteral("mnuIncluir"), QStringLiteral("mnuAlterar"),
                                  QStringLiteral("mnuExtra"), QStringLiteral("mnuExcluir"),
                                  QStringLiteral("mnuExportar"), QStringLiteral("mnuVerificar"),
                                  QStringLiteral("mnuConfirmar"), QStringLiteral("mnuCancelar"),
                                  QStringLiteral("mnuLocalizar"), QStringLiteral("mnuImprimir"),
                                  QStringLiteral("mnuConfImpressora"), QStringLiteral("mnuSair")}));

    EXPECT_EQ(screen->msgPadrao->Msg(QStringLiteral("Titulo")), QStringLiteral("Cadastro de teste"));
    EXPECT_EQ(screen->msgMensagensPadroes->Msg(QStringLiteral("Excl")), QStringLiteral("Confirma exclusão?"));
    EXPECT_EQ(screen->msgMensagensPadroes->Msg(QStringLiteral("Cancelar")),
              QStringLiteral("Cancela operação?"));
}

TEST_F(GridScreenTest, libraryComponentsComeFromTheDescription) {
    auto* button = screen->findChild<TBtnPesquisa*>(QStringLiteral("btnLocal"));
    EXPECT_EQ(button->DataSource(), screen->dtsPadrao);
    EXPECT_EQ(button->Title(), QStringLiteral("Registros"));
    EXPECT_EQ(button->EmptyError(), QStringLiteral("Não há registros cadastrados."));
    DialogAnswerer answers;
    answers.answerNext([](QWidget* dialog) {
        auto* search = qobject_cast<SearchDialog*>(dialog);
        ASSERT_NE(search, nullptr);
        QTest::keyClicks(search->filterEdit(), QStringLiteral("Carla"));
        QTest::keyClick(search->filterEdit(), Qt::Key_Return);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Registros")});
    EXPECT_EQ(screen->picked, QStringList{QStringLiteral("0003")});

    auto* connection = screen->findChild<TNetConnection*>(QStringLiteral("netTeste"));
    EXPECT_EQ(connection->ServerName(), QStringLiteral("ZRM00002.rdmTeste"));
    EXPECT_FALSE(connection->ThrowException());
    QTcpServer closed;  // a port nobody listens on once the server is gone
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    screen->closedPort = closed.serverPort();
    closed.close();
    connection->SetConnected(true);
    EXPECT_EQ(screen->connects, 1);
    EXPECT_EQ(connection->Port(), screen->closedPort);
    EXPECT_FALSE(connection->Connected());
}

TEST_F(GridScreenTest, commandsReachTheDescendantsHandlersByName) {
    QTest::mouseClick(screen->sbtAlterar, Qt::LeftButton);
    ASSERT_EQ(screen->modifySenders, QList<QObject*>{screen->sbtAlterar});
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsEdit);
    screen->cdsTeste->Cancel();

    screen->mnuAlterar->Click();
    EXPECT_EQ(screen->modifySenders.size(), 2);
    EXPECT_EQ(screen->modifySenders.last(), screen->mnuAlterar);
    screen->cdsTeste->Cancel();

    screen->sbtVerificar->Click();
    screen->findChild<TMenuItem*>(QStringLiteral("mnuExtra"))->Click();
    EXPECT_EQ(screen->verifySenders.size(), 2);
}

TEST_F(GridScreenTest, defaultRuleSwitchesCommandsWithTheState) {
    auto enabled = [this](TSpeedButton* button, TMenuItem* item) {
        EXPECT_EQ(button->isEnabled(), item->Enabled()) << button->objectName().toStdString();
        return button->isEnabled();
    };
    EXPECT_TRUE(enabled(screen->sbtIncluir, screen->mnuIncluir));
    EXPECT_TRUE(enabled(screen->sbtAlterar, screen->mnuAlterar));
    EXPECT_TRUE(enabled(screen->sbtExcluir, screen->mnuExcluir));
    EXPECT_TRUE(enabled(screen->sbtExportar, screen->mnuExportar));
    EXPECT_TRUE(enabled(screen->sbtVerificar, screen->mnuVerificar));
    EXPECT_FALSE(enabled(screen->sbtConfirmar, screen->mnuConfirmar));
    EXPECT_FALSE(enabled(screen->sbtCancelar, screen->mnuCancelar));
    EXPECT_TRUE(enabled(screen->sbtSair, screen->mnuSair));

    screen->sbtIncluir->Click();
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsInsert);
    EXPECT_TRUE(enabled(screen->sbtConfirmar, screen->mnuConfirmar));
    EXPECT_TRUE(enabled(screen->sbtCancelar, screen->mnuCancelar));
    EXPECT_FALSE(enabled(screen->sbtIncluir, screen->mnuIncluir));
    EXPECT_FALSE(enabled(screen->sbtAlterar, screen->mnuAlterar));
    EXPECT_FALSE(enabled(screen->sbtExcluir, screen->mnuExcluir));
    EXPECT_FALSE(enabled(screen->sbtVerificar, screen->mnuVerificar));

    screen->cdsTeste->FieldByName(QStringLiteral("CODIGO"))->SetAsString(QStringLiteral("0009"));
    screen->sbtConfirmar->Click();
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(screen->cdsTeste->RecordCount(), 4);

    screen->cdsTeste->EmptyDataSet();
    EXPECT_TRUE(enabled(screen->sbtIncluir, screen->mnuIncluir));
    EXPECT_FALSE(enabled(screen->sbtAlterar, screen->mnuAlterar));
    EXPECT_FALSE(enabled(screen->sbtExportar, screen->mnuExportar));
}

TEST_F(GridScreenTest, deleteAsksWithTheStandardText) {
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::No);
    screen->sbtExcluir->Click();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Confirma exclusão?")});
    EXPECT_EQ(screen->cdsTeste->RecordCount(), 3);

    answers.answerNext(QMessageBox::Yes);
    screen->mnuExcluir->Click();
    EXPECT_EQ(answers.texts().size(), 2);
    EXPECT_EQ(screen->cdsTeste->RecordCount(), 2);
    EXPECT_EQ(name(), QStringLiteral("Bruno; filho"));
}

TEST_F(GridScreenTest, cancelAsksAndNoKeepsWhatWasTyped) {
    screen->sbtAlterar->Click();
    screen->cdsTeste->FieldByName(QStringLiteral("NOME"))->SetAsString(QStringLiteral("Outro"));
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::No);
    screen->sbtCancelar->Click();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Cancela operação?")});
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsEdit);
    EXPECT_EQ(name(), QStringLiteral("Outro"));

    answers.answerNext(QMessageBox::Yes);
    screen->mnuCancelar->Click();
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(name(), QStringLiteral("Ana"));
}

TEST_F(GridScreenTest, gridKeysRunTheCommandsOnlyWhileTheyAreEnabled) {
    TDBGrid* grid = screen->dbgPadrao;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsInsert);
    screen->cdsTeste->Cancel();
    screen->cdsTeste->Last();

    // A descendant's rule may switch commands off; the keys follow.
    screen->sbtIncluir->SetEnabled(false);
    screen->sbtAlterar->SetEnabled(false);
    screen->sbtExcluir->SetEnabled(false);
    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClicks(grid, QStringLiteral("x"));
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsBrowse);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(screen->cdsTeste->RecordCount(), 3);
    DialogAnswerer answers;  // closes a confirmation that should not have opened
    answers.answerNext(QMessageBox::Yes);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(answers.pending(), 1);
    EXPECT_EQ(screen->cdsTeste->RecordCount(), 3);
    EXPECT_TRUE(screen->modifySenders.isEmpty());
}

TEST_F(GridScreenTest, exportWritesTheRowsTheGridShows) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registros.csv"));
    DialogAnswerer answers;
    answers.answerNext([&dir](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        // The folder, then the name typed into the name box as a user does: selectFile() leaves the
        // box alone while it has the focus, and the dialog would take the folder for the choice.
        files->setDirectory(dir.path());
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("registros.csv"));
        static_cast<QDialog*>(files)->accept();  // the file dialog keeps accept() protected
        if (files->isVisible()) {
            ADD_FAILURE() << "the dialog stayed open on " << files->selectedFiles().join(u',').toStdString();
            files->reject();
        }
    });
    screen->sbtExportar->Click();
    EXPECT_EQ(answers.titles(), QStringList{QStringLiteral("Exportar registros")});

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "Código;Nome\r\n"
                                         "0001;Ana\r\n"
                                         "0002;\"Bruno; filho\"\r\n"
                                         "0003;\"Carla \"\"Cá\"\"\"\r\n"));
}

TEST_F(GridScreenTest, exportToAnUnwritablePlaceFailsWithTheFileName) {
    const QString path = QStringLiteral("/nao/existe/registros.csv");
    try {
        screen->ExportarCsv(path);
        ADD_FAILURE() << "no failure";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Não foi possível gravar o arquivo ") + path))
            << error.Message().toStdString();
    }
}

TEST_F(GridScreenTest, printWritesTheRowsToThePrinter) {
    QTemporaryDir dir;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("registros.pdf")));
    screen->ImprimirGrade(&printer);
    QFile file(printer.outputFileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4) == "%PDF");
    EXPECT_GT(file.size(), 500);
}

TEST_F(GridScreenTest, closingDestroysTheScreenAndTellsThePackageOnce) {
    int closed = 0;
    screen->SetOnClosed([&] { ++closed; });

    screen->sbtAlterar->Click();
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::No);
    screen->sbtSair->Click();
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Cancela operação?")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(screen.isNull());
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(screen->cdsTeste->State(), TDataSetState::dsEdit);

    answers.answerNext(QMessageBox::Yes);
    screen->mnuSair->Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(screen.isNull());
    EXPECT_EQ(closed, 1);
}

}  // namespace

#include "tst_frmpadrgrid.moc"
