// Form descriptions: components, properties and events by handler name; inheritance with a
// descendant overriding a handler by name; errors that name what is wrong; language resources.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/edit.h"
#include "framework/ui/form.h"
#include "framework/ui/formcontrols.h"
#include "framework/ui/formdescription.h"
#include "framework/ui/formloader.h"
#include "framework/ui/formresources.h"
#include "framework/ui/label.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "tests/support/guitest.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char* const baseDescription = R"({
  "class": "TfrmBase",
  "properties": { "Caption": "Tela base", "ClientWidth": 300, "ClientHeight": 200 },
  "events": { "OnCreate": "FormCreate" },
  "components": [
    { "class": "TPanel", "name": "panTopo", "properties": { "Align": "alTop", "Height": 40 } },
    { "class": "TLabel", "name": "lblTitulo", "parent": "panTopo",
      "properties": { "Caption": "Base", "Left": 4, "Top": 4, "Font": { "Style": ["fsBold"] } } },
    { "class": "TSpeedButton", "name": "sbtVerificar", "parent": "panTopo",
      "properties": { "Left": 200, "Top": 4, "Hint": "Verificar" },
      "events": { "OnClick": "sbtVerificarClick" } },
    { "class": "TEdit", "name": "edtObs", "properties": { "Left": 100, "Top": 50, "TabOrder": 2 } },
    { "class": "TEdit", "name": "edtNome",
      "properties": { "Left": 4, "Top": 50, "MaxLength": 5, "TabOrder": 1 } },
    { "class": "TSpinEdit", "name": "depAno",
      "properties": { "Left": 4, "Top": 80, "MaxValue": 2900, "MinValue": 1900, "Value": 1900, "TabOrder": 0 } },
    { "class": "TDataSource", "name": "dtsPadrao", "properties": { "DataSet": "cdsPadrao" },
      "events": { "OnStateChange": "dtsPadraoStateChange" } },
    { "class": "TClientDataSet", "name": "cdsPadrao",
      "properties": { "IndexDefs": [ { "Name": "Ordena", "Fields": "DTINI;" } ], "IndexName": "Ordena" } },
    { "class": "TStringField", "name": "cdsPadraoCODIGO", "parent": "cdsPadrao",
      "properties": { "Size": 10, "DisplayLabel": "Código", "Tag": 1 } },
    { "class": "TDateTimeField", "name": "cdsPadraoDTINI", "parent": "cdsPadrao",
      "properties": { "DisplayLabel": "Data Inicio", "Visible": false },
      "events": { "OnSetText": "cdsPadraoDTINISetText" } }
  ]
})";

const char* const childDescription = R"({
  "class": "TfrmFilho",
  "inherits": "TfrmBase",
  "properties": { "Caption": "Tela filha" },
  "components": [
    { "class": "TPanel", "name": "panAno", "properties": { "Top": 120, "Height": 40, "Width": 300 },
      "events": { "OnEnter": "panAnoEnter" } },
    { "name": "depAno", "parent": "panAno", "properties": { "Left": 10, "Top": 5 } },
    { "name": "lblTitulo", "properties": { "Caption": "Filha" } }
  ]
})";

// The controls the base screen's code uses, resolved once the description is loaded.
struct TfrmBaseControls {
    TLabel* lblTitulo = nullptr;
    TSpinEdit* depAno = nullptr;
    TClientDataSet* cdsPadrao = nullptr;
    void resolve(zrm::ui::ControlResolver& controls) {
        ZRM_RESOLVE(controls, lblTitulo);
        ZRM_RESOLVE(controls, depAno);
        ZRM_RESOLVE(controls, cdsPadrao);
    }
};

class TfrmBase : public TForm, public TfrmBaseControls {
    Q_OBJECT
public:
    TfrmBase() {
        registerHandler(QStringLiteral("FormCreate"), this, &TfrmBase::FormCreate);
        registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmBase::sbtVerificarClick);
        registerHandler(QStringLiteral("dtsPadraoStateChange"), this, &TfrmBase::dtsPadraoStateChange);
        registerHandler(QStringLiteral("cdsPadraoDTINISetText"), this, &TfrmBase::cdsPadraoDTINISetText);
    }
    // The controls are there by the time OnCreate runs.
    void FormCreate(QObject*) { log.append(QStringLiteral("FormCreate ") + lblTitulo->Caption()); }
    void sbtVerificarClick(QObject*) { log.append(QStringLiteral("base sbtVerificarClick")); }
    void dtsPadraoStateChange(QObject*) { log.append(QStringLiteral("dtsPadraoStateChange")); }
    void cdsPadraoDTINISetText(TField*, const QString& text) {
        log.append(QStringLiteral("SetText ") + text);
    }

    QStringList log;

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override {
        TForm::resolveControls(controls);
        TfrmBaseControls::resolve(controls);
    }
};

struct TfrmFilhoControls {
    TPanel* panAno = nullptr;
    void resolve(zrm::ui::ControlResolver& controls) { ZRM_RESOLVE(controls, panAno); }
};

class TfrmFilho : public TfrmBase, public TfrmFilhoControls {
    Q_OBJECT
public:
    TfrmFilho() {
        registerHandler(QStringLiteral("sbtVerificarClick"), this, &TfrmFilho::sbtVerificarClick);
        registerHandler(QStringLiteral("panAnoEnter"),
                        TNotifyEvent([this](QObject*) { log.append(QStringLiteral("panAnoEnter")); }));
    }
    void sbtVerificarClick(QObject*) { log.append(QStringLiteral("filho sbtVerificarClick")); }

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override {
        TfrmBase::resolveControls(controls);
        TfrmFilhoControls::resolve(controls);
    }
};

// A screen whose code wants controls its description lacks (edtFalta) or has of another class
// (edtNome is an edit, not a label).
struct TfrmIncompletoControls {
    TEdit* edtObs = nullptr;
    TEdit* edtFalta = nullptr;
    TLabel* edtNome = nullptr;
    void resolve(zrm::ui::ControlResolver& controls) {
        ZRM_RESOLVE(controls, edtObs);
        ZRM_RESOLVE(controls, edtFalta);
        ZRM_RESOLVE(controls, edtNome);
    }
};

class TfrmIncompleto : public TForm, public TfrmIncompletoControls {
    Q_OBJECT
public:
    TfrmIncompleto() {
        registerHandler(QStringLiteral("FormCreate"), TNotifyEvent([](QObject*) { ADD_FAILURE(); }));
    }

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override {
        TfrmIncompletoControls::resolve(controls);
    }
};

// A screen whose description names handlers it does not have, or has with another type.
class TfrmErrado : public TForm {
    Q_OBJECT
};

class FormDescriptions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        write(QStringLiteral("TfrmBase"), baseDescription);
        write(QStringLiteral("TfrmFilho"), childDescription);
        zrm::ui::FormResources::addRoot(directory.path());
    }
    void TearDown() override { zrm::ui::FormResources::removeRoots(); }

    void write(const QString& className, const char* json) {
        QDir(directory.path()).mkpath(QStringLiteral("forms"));
        QFile file(directory.filePath(zrm::ui::FormDescription::resourcePath(className)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
    }

    // The FormLoadError message of creating a TfrmErrado from json; empty when it loads.
    QString errorOfLoading(const char* json) {
        write(QStringLiteral("TfrmErrado"), json);
        try {
            delete TForm::Create<TfrmErrado>();
        } catch (const zrm::ui::FormLoadError& error) {
            return error.Message();
        }
        return {};
    }

    QTemporaryDir directory;
};

TEST_F(FormDescriptions, baseScreen_isBuiltWithPropertiesAndEventsByName) {
    std::unique_ptr<TfrmBase> form(TForm::Create<TfrmBase>());
    EXPECT_EQ(form->objectName(), QStringLiteral("TfrmBase"));
    EXPECT_EQ(form->Caption(), QStringLiteral("Tela base"));
    EXPECT_EQ(form->log, QStringList{QStringLiteral("FormCreate Base")});
    EXPECT_EQ(form->lblTitulo, form->findChild<TLabel*>(QStringLiteral("lblTitulo")));
    EXPECT_EQ(form->cdsPadrao, form->findChild<TClientDataSet*>(QStringLiteral("cdsPadrao")));

    auto* label = form->findChild<TLabel*>(QStringLiteral("lblTitulo"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), QStringLiteral("Base"));
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->parentWidget()->objectName(), QStringLiteral("panTopo"));
    EXPECT_EQ(form->findChild<TEdit*>(QStringLiteral("edtNome"))->MaxLength(), 5);
    auto* depAno = form->findChild<TSpinEdit*>(QStringLiteral("depAno"));
    // Value is set after the limits whatever the order in the description.
    EXPECT_EQ(depAno->Value(), 1900);
    EXPECT_EQ(depAno->MinValue(), 1900);
    EXPECT_EQ(depAno->MaxValue(), 2900);
    // The focus moves in TabOrder (depAno, edtNome, edtObs), not in the order of the description.
    ASSERT_TRUE(zrm::test::showActive(form.get()));
    auto* edtNome = form->findChild<TEdit*>(QStringLiteral("edtNome"));
    edtNome->setFocus();
    QTest::keyClick(edtNome, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->findChild<TEdit*>(QStringLiteral("edtObs")));

    form->findChild<TSpeedButton*>(QStringLiteral("sbtVerificar"))->Click();
    EXPECT_EQ(form->log.last(), QStringLiteral("base sbtVerificarClick"));
}

TEST_F(FormDescriptions, nonVisualComponents_referToEachOtherByName) {
    std::unique_ptr<TfrmBase> form(TForm::Create<TfrmBase>());
    auto* dataSet = form->findChild<TClientDataSet*>(QStringLiteral("cdsPadrao"));
    auto* source = form->findChild<TDataSource*>(QStringLiteral("dtsPadrao"));
    ASSERT_NE(dataSet, nullptr);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->DataSet(), dataSet);  // declared before its dataset
    EXPECT_EQ(dataSet->FieldCount(), 2);
    EXPECT_EQ(dataSet->IndexName(), QStringLiteral("Ordena"));
    TField* code = dataSet->FieldByName(QStringLiteral("CODIGO"));
    EXPECT_EQ(code->objectName(), QStringLiteral("cdsPadraoCODIGO"));
    EXPECT_EQ(code->Size(), 10);
    EXPECT_EQ(code->DisplayLabel(), QStringLiteral("Código"));
    EXPECT_EQ(code->Tag(), 1);
    EXPECT_FALSE(dataSet->FieldByName(QStringLiteral("DTINI"))->Visible());

    dataSet->CreateDataSet();
    EXPECT_TRUE(form->log.contains(QStringLiteral("dtsPadraoStateChange")));
    dataSet->Append();
    dataSet->FieldByName(QStringLiteral("DTINI"))->SetText(QStringLiteral("01/02/2026"));
    EXPECT_EQ(form->log.last(), QStringLiteral("SetText 01/02/2026"));
}

TEST_F(FormDescriptions, descendant_addsOverridesMoves_andReplacesHandlerByName) {
    std::unique_ptr<TfrmFilho> form(TForm::Create<TfrmFilho>());
    EXPECT_EQ(form->objectName(), QStringLiteral("TfrmFilho"));
    EXPECT_EQ(form->Caption(), QStringLiteral("Tela filha"));
    EXPECT_EQ(form->lblTitulo->Caption(), QStringLiteral("Filha"));
    // The base's controls and the descendant's own, moved or added, all resolved.
    auto* depAno = form->findChild<TSpinEdit*>(QStringLiteral("depAno"));
    EXPECT_EQ(form->depAno, depAno);
    EXPECT_EQ(form->panAno, form->findChild<TPanel*>(QStringLiteral("panAno")));
    EXPECT_EQ(depAno->parentWidget(), form->panAno);
    EXPECT_EQ(depAno->pos(), QPoint(10, 5));
    EXPECT_EQ(depAno->MaxValue(), 2900);  // the base's properties stay

    form->findChild<TSpeedButton*>(QStringLiteral("sbtVerificar"))->Click();
    EXPECT_FALSE(form->log.contains(QStringLiteral("base sbtVerificarClick")));
    EXPECT_EQ(form->log.last(), QStringLiteral("filho sbtVerificarClick"));

    // The base's own description is untouched by its descendant.
    std::unique_ptr<TfrmBase> base(TForm::Create<TfrmBase>());
    EXPECT_EQ(base->findChild<TPanel*>(QStringLiteral("panAno")), nullptr);
    EXPECT_EQ(base->findChild<TLabel*>(QStringLiteral("lblTitulo"))->Caption(), QStringLiteral("Base"));
}

TEST_F(FormDescriptions, errors_nameWhatIsWrong_andNoScreenIsLeft) {
    const QString missingHandler = errorOfLoading(R"({"class": "TfrmErrado", "components": [
        {"class": "TSpeedButton", "name": "sbtGravar", "events": {"OnClick": "sbtGravarClick"}}]})");
    EXPECT_TRUE(missingHandler.contains(QStringLiteral("sbtGravarClick"))) << missingHandler.toStdString();
    EXPECT_TRUE(missingHandler.contains(QStringLiteral("OnClick de sbtGravar")))
        << missingHandler.toStdString();

    const QString unknownProperty = errorOfLoading(R"({"class": "TfrmErrado", "components": [
        {"class": "TEdit", "name": "edtX", "properties": {"MaxLenght": 3}}]})");
    EXPECT_TRUE(unknownProperty.contains(QStringLiteral("MaxLenght"))) << unknownProperty.toStdString();
    EXPECT_TRUE(unknownProperty.contains(QStringLiteral("edtX"))) << unknownProperty.toStdString();

    const QString wrongValue = errorOfLoading(R"({"class": "TfrmErrado", "components": [
        {"class": "TEdit", "name": "edtX", "properties": {"MaxLength": "5"}}]})");
    EXPECT_TRUE(wrongValue.contains(QStringLiteral("edtX.MaxLength"))) << wrongValue.toStdString();

    EXPECT_TRUE(errorOfLoading(R"({"class": "TfrmErrado", "components": [
        {"class": "TGrade", "name": "grdX"}]})")
                    .contains(QStringLiteral("TGrade")));
    EXPECT_TRUE(errorOfLoading(R"({"class": "TfrmErrado", "components": [
        {"class": "TEdit", "name": "edtX", "parent": "panNenhum"}]})")
                    .contains(QStringLiteral("panNenhum")));
    EXPECT_TRUE(errorOfLoading(R"({"class": "TfrmErrado", "inherits": "TfrmErrado"})")
                    .contains(QStringLiteral("herda")));
    EXPECT_TRUE(
        errorOfLoading(R"({"class": "TfrmErrado", "components": [)").contains(QStringLiteral("JSON")));

    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_NE(top->objectName(), QStringLiteral("TfrmErrado"));
}

TEST_F(FormDescriptions, controlsTheDescriptionLacks_failTheStartNamingEachOne) {
    write(QStringLiteral("TfrmIncompleto"), R"({"class": "TfrmIncompleto",
        "events": {"OnCreate": "FormCreate"},
        "components": [{"class": "TEdit", "name": "edtObs"}, {"class": "TEdit", "name": "edtNome"}]})");
    try {
        delete TForm::Create<TfrmIncompleto>();
        FAIL() << "a screen without its controls was made";
    } catch (const zrm::ui::FormLoadError& error) {
        const QString message = error.Message();
        EXPECT_TRUE(message.contains(QStringLiteral("TfrmIncompleto"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("edtFalta (TEdit)"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("edtNome (TLabel)"))) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("edtObs"))) << message.toStdString();
    }
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_NE(top->objectName(), QStringLiteral("TfrmIncompleto"));
}

TEST_F(FormDescriptions, handlerOfAnotherType_isRefusedByName) {
    class TfrmTipo : public TForm {
    public:
        TfrmTipo() {
            registerHandler(QStringLiteral("edtXExit"), TKeyPressEvent([](QObject*, QChar&) {}));
        }
    };
    write(QStringLiteral("TfrmTipo"), R"({"class": "TfrmTipo", "components": [
        {"class": "TEdit", "name": "edtX", "events": {"OnExit": "edtXExit"}}]})");
    TfrmTipo form;
    form.setObjectName(QStringLiteral("TfrmTipo"));
    try {
        zrm::ui::FormLoader(&form).load(zrm::ui::FormDescription::load(QStringLiteral("TfrmTipo")));
        FAIL() << "a handler of another type was bound";
    } catch (const zrm::ui::FormLoadError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("edtXExit"))) << error.Message().toStdString();
        EXPECT_TRUE(error.Message().contains(QStringLiteral("tipo"))) << error.Message().toStdString();
    }
}

TEST_F(FormDescriptions, languageResource_takesTheBuiltInDescriptionsPlace) {
    const QString rcc = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc");
    if (!QFile::exists(rcc))
        GTEST_SKIP() << "no resource compiler at " << rcc.toStdString();
    QTemporaryDir language;
    QDir(language.path()).mkpath(QStringLiteral("forms"));
    QFile english(language.filePath(QStringLiteral("forms/TfrmBase.form.json")));
    ASSERT_TRUE(english.open(QIODevice::WriteOnly));
    english.write(QByteArray(baseDescription).replace("Tela base", "Base screen"));
    english.close();
    QFile qrc(language.filePath(QStringLiteral("lang.qrc")));
    ASSERT_TRUE(qrc.open(QIODevice::WriteOnly));
    qrc.write("<RCC><qresource prefix=\"/\"><file>forms/TfrmBase.form.json</file></qresource></RCC>");
    qrc.close();
    const QString package = language.filePath(QStringLiteral("libPkg_Teste.so"));
    const QString rccFile = zrm::ui::FormResources::languageResourceFile(package, QStringLiteral("en"));
    EXPECT_EQ(rccFile, language.filePath(QStringLiteral("Pkg_Teste.en.rcc")));
    QProcess compiler;
    compiler.setWorkingDirectory(language.path());
    compiler.start(rcc,
                   {QStringLiteral("--binary"), QStringLiteral("lang.qrc"), QStringLiteral("-o"), rccFile});
    ASSERT_TRUE(compiler.waitForFinished());
    ASSERT_EQ(compiler.exitCode(), 0) << compiler.readAllStandardError().toStdString();

    EXPECT_FALSE(
        zrm::ui::FormResources::installLanguageResource(language.filePath(QStringLiteral("nada.rcc"))));
    ASSERT_TRUE(zrm::ui::FormResources::installLanguageResource(rccFile));
    std::unique_ptr<TfrmBase> english_(TForm::Create<TfrmBase>());
    EXPECT_EQ(english_->Caption(), QStringLiteral("Base screen"));
    // What the language resource lacks still comes from the built-in descriptions.
    std::unique_ptr<TfrmFilho> child(TForm::Create<TfrmFilho>());
    EXPECT_EQ(child->Caption(), QStringLiteral("Tela filha"));
    EXPECT_EQ(child->findChild<TSpinEdit*>(QStringLiteral("depAno"))->MaxValue(), 2900);

    zrm::ui::FormResources::removeRoots();
    zrm::ui::FormResources::addRoot(directory.path());
    std::unique_ptr<TfrmBase> portuguese(TForm::Create<TfrmBase>());
    EXPECT_EQ(portuguese->Caption(), QStringLiteral("Tela base"));
}

}  // namespace

#include "tst_formloader.moc"
