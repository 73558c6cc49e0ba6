// A small screen made only of a form description and handlers, opened as an MDI child of a main
// window on the offscreen platform and driven with keys and the mouse, as a user would.

#include "framework/data/exceptions.h"
#include "framework/ui/boundary.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/edit.h"
#include "framework/ui/form.h"
#include "framework/ui/formdescription.h"
#include "framework/ui/formresources.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "tests/support/guitest.h"

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using zrm::test::DialogAnswerer;
using zrm::test::findComponent;

const char* const exampleDescription = R"({
  "class": "TfrmExemplo",
  "properties": { "Caption": "Exemplo", "ClientWidth": 420, "ClientHeight": 260, "FormStyle": "fsMDIChild" },
  "events": { "OnShow": "FormShow" },
  "components": [
    { "class": "TMainMenu", "name": "mnuMenu" },
    { "class": "TMenuItem", "name": "mnuOperacao", "parent": "mnuMenu", "properties": { "Caption": "&Operação" } },
    { "class": "TMenuItem", "name": "mnuFases", "parent": "mnuOperacao",
      "properties": { "Caption": "&Fases" }, "events": { "OnClick": "mnuFasesClick" } },
    { "class": "TMenuItem", "name": "mnuPermCalc", "parent": "mnuOperacao",
      "properties": { "Caption": "&Permissão para calculo" }, "events": { "OnClick": "mnuPermCalcClick" } },
    { "class": "TPanel", "name": "panAno", "properties": { "Align": "alTop", "Height": 33, "TabOrder": 0 },
      "events": { "OnEnter": "panAnoEnter", "OnExit": "panAnoExit" } },
    { "class": "TLabel", "name": "lblAno", "parent": "panAno",
      "properties": { "Caption": "Ano", "Left": 6, "Top": 8, "Font": { "Style": ["fsBold"] } } },
    { "class": "TSpinEdit", "name": "depAno", "parent": "panAno",
      "properties": { "Left": 57, "Top": 5, "Width": 60, "Height": 22, "Color": "clInfoBk", "MaxLength": 4,
                      "MinValue": 1900, "MaxValue": 2900, "Value": 1900, "TabOrder": 0 },
      "events": { "OnExit": "depAnoExit" } },
    { "class": "TEdit", "name": "edtVersao", "parent": "panAno",
      "properties": { "Left": 172, "Top": 5, "Width": 57, "Height": 21, "MaxLength": 5, "TabOrder": 1 },
      "events": { "OnKeyPress": "edtVersaoKeyPress" } },
    { "class": "TSpeedButton", "name": "sbtVerificar", "parent": "panAno",
      "properties": { "Left": 240, "Top": 5, "Width": 80, "Height": 22, "Caption": "Verificar" },
      "events": { "OnClick": "sbtVerificarClick" } },
    { "class": "TPageControl", "name": "pgcPadrao",
      "properties": { "Align": "alClient", "TabOrder": 1 }, "events": { "OnChange": "pgcPadraoChange" } },
    { "class": "TTabSheet", "name": "tshPadrao", "parent": "pgcPadrao", "properties": { "Caption": "Fases" } },
    { "class": "TTabSheet", "name": "tshPermCalc", "parent": "pgcPadrao",
      "properties": { "Caption": "Permissão para cálculo" } },
    { "class": "TEdit", "name": "edtFase", "parent": "tshPadrao", "properties": { "Left": 8, "Top": 8 } },
    { "class": "TLabel", "name": "lblResultado", "parent": "tshPadrao", "properties": { "Left": 8, "Top": 40 } }
  ]
})";

class TfrmExemplo : public TForm {
    Q_OBJECT
public:
    TfrmExemplo() {
        registerHandler(QStringLiteral("FormShow"), this, &TfrmExemplo::FormShow);
        registerHandler(QStringLiteral("depAnoExit"), this, &TfrmExemplo::depAnoExit);
        registerHandler(QStringLiteral("edtVersaoKeyPress"), this, &TfrmExemplo::edtVersaoKeyPress);
        registerHandler(QStringLiteral("panAnoEnter"), this, &TfrmExemplo::panAnoEnter);
        registerHandler(QStringLiteral("panAnoExit"), this, &TfrmExemplo::panAnoExit);
        registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmExemplo::sbtVerificarClick);
        registerHandler(QStringLiteral("mnuFasesClick"), this, &TfrmExemplo::mnuFasesClick);
        registerHandler(QStringLiteral("mnuPermCalcClick"), this, &TfrmExemplo::mnuPermCalcClick);
        registerHandler(QStringLiteral("pgcPadraoChange"), this, &TfrmExemplo::pgcPadraoChange);
    }

    template <class T>
    T* get(const char* name) const {
        return findChild<T*>(QString::fromLatin1(name));
    }

    void FormShow(QObject*) {
        get<TSpinEdit>("depAno")->SetFocus();
        get<TTabSheet>("tshPermCalc")->SetEnabled(false);
    }
    void depAnoExit(QObject*) {
        auto* depAno = get<TSpinEdit>("depAno");
        if (depAno->Text().isEmpty()) {
            depAno->SetFocus();
            zrm::ui::showErrorBox(this, QStringLiteral("Ano deve ser informado."));
            Abort();
        }
    }
    void edtVersaoKeyPress(QObject*, QChar& key) {
        if (!key.isDigit() && key != u'\b')
            key = QChar();
    }
    void panAnoEnter(QObject*) { log.append(QStringLiteral("panAnoEnter")); }
    void panAnoExit(QObject*) {
        log.append(QStringLiteral("carregar %1/%2")
                       .arg(get<TSpinEdit>("depAno")->Text(), get<TEdit>("edtVersao")->Text()));
        get<TTabSheet>("tshPermCalc")->SetEnabled(true);
    }
    void sbtVerificarClick(QObject*) {
        if (MessageDlg(QStringLiteral("Confirma verificação?"), mtConfirmation, {mbYes, mbNo}, 0) != mrYes)
            Abort();
        get<TLabel>("lblResultado")
            ->SetCaption(QStringLiteral("Verificado %1/%2")
                             .arg(get<TSpinEdit>("depAno")->Text(), get<TEdit>("edtVersao")->Text()));
    }
    void mnuFasesClick(QObject*) {
        get<TPageControl>("pgcPadrao")->SetActivePage(get<TTabSheet>("tshPadrao"));
    }
    void mnuPermCalcClick(QObject*) {
        get<TPageControl>("pgcPadrao")->SetActivePage(get<TTabSheet>("tshPermCalc"));
    }
    void pgcPadraoChange(QObject*) { log.append(QStringLiteral("pgcPadraoChange")); }

    QStringList log;
};

class ExampleScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        QDir(directory.path()).mkpath(QStringLiteral("forms"));
        QFile file(directory.filePath(zrm::ui::FormDescription::resourcePath(QStringLiteral("TfrmExemplo"))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(exampleDescription);
        file.close();
        zrm::ui::FormResources::addRoot(directory.path());

        mainWindow.setCentralWidget(new QMdiArea);
        mainWindow.resize(800, 600);
        ASSERT_TRUE(zrm::test::showActive(&mainWindow));
        screen = TForm::Create<TfrmExemplo>();
        screen->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    }
    void TearDown() override { zrm::ui::FormResources::removeRoots(); }

    template <class T>
    T* component(const char* name) {
        T* found = findComponent<T>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static void clickOn(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }

    QTemporaryDir directory;
    QMainWindow mainWindow;
    QPointer<TfrmExemplo> screen;
};

TEST_F(ExampleScreen, opensAsMdiChild_withFocusWhereFormShowPutIt) {
    ASSERT_NE(screen->mdiSubWindow(), nullptr);
    EXPECT_EQ(screen->mdiSubWindow()->mdiArea(), mainWindow.centralWidget());
    EXPECT_EQ(screen->window(), &mainWindow);
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Exemplo"));
    EXPECT_EQ(QApplication::focusWidget(), component<TSpinEdit>("depAno"));
    EXPECT_EQ(screen->log, QStringList{QStringLiteral("panAnoEnter")});
    EXPECT_FALSE(component<TTabSheet>("tshPermCalc")->isEnabled());
    EXPECT_EQ(component<TPanel>("panAno")->width(), screen->clientArea()->width());  // aligned to the top
    EXPECT_EQ(screen->Menu(), component<TMainMenu>("mnuMenu"));
}

TEST_F(ExampleScreen, typingTabbingAndClicking_runTheHandlers) {
    auto* depAno = component<TSpinEdit>("depAno");
    auto* edtVersao = component<TEdit>("edtVersao");
    depAno->selectAll();
    QTest::keyClicks(depAno, QStringLiteral("2026"));
    QTest::keyClick(depAno, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), edtVersao);
    QTest::keyClicks(edtVersao, QStringLiteral("1a2"));
    EXPECT_EQ(edtVersao->Text(), QStringLiteral("12"));

    clickOn(component<TEdit>("edtFase"));
    EXPECT_EQ(QApplication::focusWidget(), component<TEdit>("edtFase"));
    EXPECT_EQ(screen->log.last(), QStringLiteral("carregar 2026/12"));
    EXPECT_TRUE(component<TTabSheet>("tshPermCalc")->isEnabled());

    DialogAnswerer answers;
    answers.answerNext(QMessageBox::No);
    clickOn(component<TSpeedButton>("sbtVerificar"));
    EXPECT_EQ(component<TLabel>("lblResultado")->Caption(), QString());
    answers.answerNext(QMessageBox::Yes);
    clickOn(component<TSpeedButton>("sbtVerificar"));
    EXPECT_EQ(component<TLabel>("lblResultado")->Caption(), QStringLiteral("Verificado 2026/12"));
    EXPECT_EQ(answers.texts(), QStringList(2, QStringLiteral("Confirma verificação?")));
    ASSERT_TRUE(zrm::test::reactivate(screen));
    // The button never takes the focus, and the dialogs fired no Enter or Exit.
    EXPECT_EQ(QApplication::focusWidget(), component<TEdit>("edtFase"));
    EXPECT_EQ(screen->log.size(), 2);
}

TEST_F(ExampleScreen, leavingEmptyYear_showsErrorAndKeepsFocusOnIt) {
    auto* depAno = component<TSpinEdit>("depAno");
    depAno->selectAll();
    QTest::keyClick(depAno, Qt::Key_Backspace);
    EXPECT_EQ(depAno->Text(), QString());
    DialogAnswerer answers;
    answers.answerNext(QMessageBox::Ok);
    clickOn(component<TEdit>("edtFase"));
    EXPECT_EQ(answers.texts(), QStringList{QStringLiteral("Ano deve ser informado.")});
    ASSERT_TRUE(zrm::test::reactivate(screen));
    EXPECT_EQ(QApplication::focusWidget(), depAno);
    EXPECT_EQ(screen->ActiveControl(), depAno);
    EXPECT_EQ(screen->log, QStringList{QStringLiteral("panAnoEnter")});  // the panel was not left
    EXPECT_FALSE(component<TTabSheet>("tshPermCalc")->isEnabled());
}

TEST_F(ExampleScreen, menuAndTabs_switchPages_onlyTheUsersSwitchFiresChange) {
    auto* pgcPadrao = component<TPageControl>("pgcPadrao");
    QTabBar* tabs = pgcPadrao->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(pgcPadrao->ActivePage(), component<TTabSheet>("tshPadrao"));  // still disabled

    component<TTabSheet>("tshPermCalc")->SetEnabled(true);
    component<TMenuItem>("mnuPermCalc")->Click();
    EXPECT_EQ(pgcPadrao->ActivePage(), component<TTabSheet>("tshPermCalc"));
    EXPECT_FALSE(screen->log.contains(QStringLiteral("pgcPadraoChange")));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(pgcPadrao->ActivePage(), component<TTabSheet>("tshPadrao"));
    EXPECT_EQ(screen->log.last(), QStringLiteral("pgcPadraoChange"));
}

TEST_F(ExampleScreen, closing_destroysTheScreenAndItsSubWindow) {
    QPointer<QMdiSubWindow> subWindow = screen->mdiSubWindow();
    screen->Close();
    EXPECT_TRUE(QTest::qWaitFor([this] { return screen.isNull(); }));
    EXPECT_TRUE(subWindow.isNull());
    EXPECT_EQ(findComponent(QStringLiteral("TfrmExemplo")), nullptr);
}

}  // namespace

#include "tst_examplescreen.moc"
