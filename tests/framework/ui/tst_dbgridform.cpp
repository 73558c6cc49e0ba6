// The data-aware controls built from a form description: properties, columns as child components,
// and events bound to the screen's handlers by name.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbnavigator.h"
#include "framework/ui/dbtext.h"
#include "framework/ui/form.h"
#include "framework/ui/formdescription.h"
#include "framework/ui/formloader.h"

#include <QHeaderView>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const char* const description = R"({
  "class": "TfrmGrade",
  "components": [
    { "class": "TClientDataSet", "name": "cdsFases" },
    { "class": "TStringField", "name": "cdsFasesCDFASE", "parent": "cdsFases", "properties": { "Size": 10 } },
    { "class": "TStringField", "name": "cdsFasesNMFASE", "parent": "cdsFases", "properties": { "Size": 30 } },
    { "class": "TDataSource", "name": "dtsFases", "properties": { "DataSet": "cdsFases" } },
    { "class": "TDBGrid", "name": "dbgFases",
      "properties": { "DataSource": "dtsFases", "BorderStyle": "bsNone", "ReadOnly": true,
                      "Options": ["dgTitles", "dgColLines", "dgTabs", "dgCancelOnExit"],
                      "TitleFont": { "Name": "DejaVu Sans", "Height": -11 } },
      "events": { "OnTitleClick": "dbgFasesTitleClick", "OnKeyDown": "dbgFasesKeyDown",
                  "OnEnter": "dbgFasesEnter", "OnDrawColumnCell": "dbgFasesDrawColumnCell" } },
    { "class": "TColumn", "name": "dbgFasesCodigo", "parent": "dbgFases",
      "properties": { "FieldName": "CDFASE", "ButtonStyle": "cbsEllipsis", "Title": { "Caption": "Código" } } },
    { "class": "TColumn", "name": "dbgFasesNome", "parent": "dbgFases",
      "properties": { "FieldName": "NMFASE", "Width": 211, "ReadOnly": true } },
    { "class": "TDBNavigator", "name": "dbnFases",
      "properties": { "DataSource": "dtsFases", "VisibleButtons": ["nbFirst", "nbNext"] },
      "events": { "OnClick": "dbnFasesClick" } },
    { "class": "TDBText", "name": "dbtNome", "properties": { "DataSource": "dtsFases", "DataField": "NMFASE" } }
  ]
})";

TEST(DbGridForm, description_buildsGridColumnsNavigatorAndLabel) {
    TForm form;
    QStringList calls;
    form.registerHandler(QStringLiteral("dbgFasesTitleClick"),
                         TDBGridClickEvent([&](TColumn* column) { calls.append(column->FieldName()); }));
    form.registerHandler(QStringLiteral("dbgFasesKeyDown"), TKeyEvent([&](QObject*, int&, TShiftState) {
                             calls.append(QStringLiteral("key"));
                         }));
    form.registerHandler(QStringLiteral("dbgFasesEnter"),
                         TNotifyEvent([&](QObject*) { calls.append(QStringLiteral("enter")); }));
    form.registerHandler(QStringLiteral("dbgFasesDrawColumnCell"),
                         TDrawColumnCellEvent([](QObject*, const QRect&, int, TColumn*, TGridDrawState) {}));
    form.registerHandler(QStringLiteral("dbnFasesClick"), TNavClickEvent([](QObject*, TNavigateBtn) {}));
    zrm::ui::FormLoader(&form).load(zrm::ui::FormDescription::parse(description, QStringLiteral("teste")));

    auto* grid = form.findChild<TDBGrid*>(QStringLiteral("dbgFases"));
    ASSERT_NE(grid, nullptr);
    auto* dataSet = form.findChild<TClientDataSet*>(QStringLiteral("cdsFases"));
    EXPECT_EQ(grid->DataSource(), form.findChild<TDataSource*>(QStringLiteral("dtsFases")));
    EXPECT_EQ(grid->Options(), dgTitles | dgColLines | dgTabs | dgCancelOnExit);
    EXPECT_TRUE(grid->ReadOnly());
    EXPECT_EQ(grid->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(grid->horizontalHeader()->font().pixelSize(), 11);
    EXPECT_TRUE(grid->verticalHeader()->isHidden());  // no dgIndicator

    ASSERT_EQ(grid->Columns()->Count(), 2);
    TColumn* codeColumn = grid->Columns()->Items(0);
    TColumn* nameColumn = grid->Columns()->Items(1);
    EXPECT_EQ(codeColumn->objectName(), QStringLiteral("dbgFasesCodigo"));
    EXPECT_EQ(codeColumn->Field(), dataSet->FieldByName(QStringLiteral("CDFASE")));
    EXPECT_EQ(codeColumn->ButtonStyle(), TColumnButtonStyle::cbsEllipsis);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Código"));
    EXPECT_EQ(nameColumn->Width(), 211);
    EXPECT_TRUE(nameColumn->ReadOnly());
    EXPECT_EQ(grid->columnWidth(1), 211);

    ASSERT_TRUE(grid->OnTitleClick);
    grid->OnTitleClick(nameColumn);
    int key = VK::Down;
    grid->OnKeyDown(grid, key, 0);
    grid->OnEnter(grid);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("NMFASE"), QStringLiteral("key"), QStringLiteral("enter")}));
    EXPECT_TRUE(grid->OnDrawColumnCell);

    auto* navigator = form.findChild<TDBNavigator*>(QStringLiteral("dbnFases"));
    ASSERT_NE(navigator, nullptr);
    EXPECT_EQ(navigator->VisibleButtons(), (1 << nbFirst) | (1 << nbNext));
    EXPECT_TRUE(navigator->OnClick);
    auto* label = form.findChild<TDBText*>(QStringLiteral("dbtNome"));
    ASSERT_NE(label, nullptr);
    dataSet->CreateDataSet();
    dataSet->Append();
    dataSet->FieldByName(QStringLiteral("NMFASE"))->SetAsString(QStringLiteral("Abertura"));
    dataSet->Post();
    EXPECT_EQ(label->Caption(), QStringLiteral("Abertura"));
    EXPECT_EQ(grid->model()->rowCount(), 1);
}

TEST(DbGridForm, columnOutsideAGrid_isRefusedWithItsName) {
    TForm form;
    const char* const wrong = R"({ "class": "TfrmErrado", "components": [
        { "class": "TDBNavigator", "name": "dbnFases" },
        { "class": "TColumn", "name": "colSolta", "parent": "dbnFases" } ] })";
    try {
        zrm::ui::FormLoader(&form).load(zrm::ui::FormDescription::parse(wrong, QStringLiteral("teste")));
        FAIL() << "a column outside a grid was accepted";
    } catch (const zrm::ui::FormLoadError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("colSolta"))) << error.Message().toStdString();
    }
}

}  // namespace
