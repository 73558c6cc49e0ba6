#pragma once

// A window with a data grid over a three-row dataset (a ten-digit code with a number mask, a name,
// a date with a date mask), a plain edit to move the focus to, and helpers that act like a user:
// clicks on the viewport, keys to the widget holding the focus.

#include "framework/data/datasource.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbgridmodel.h"
#include "framework/ui/edit.h"
#include "tests/support/guitest.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class DbGridFixture : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("frmTeste"));
        window->resize(560, 320);
        dataSet = new TClientDataSet(window.get());
        dataSet->setObjectName(QStringLiteral("cdsFases"));
        code = dataSet->AddStringField(QStringLiteral("CDFASE"), 10);
        name = dataSet->AddStringField(QStringLiteral("NMFASE"), 30);
        start = dataSet->AddDateTimeField(QStringLiteral("DTINI"));
        code->SetEditMask(QStringLiteral("9999999999;0; "));
        start->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
        name->SetDisplayLabel(QStringLiteral("Nome"));
        dataSet->CreateDataSet();
        addRow(QStringLiteral("0000000001"), QStringLiteral("Abertura"), QStringLiteral("02/01/2026"));
        addRow(QStringLiteral("0000000002"), QStringLiteral("Planejamento"), QStringLiteral("01/02/2026"));
        addRow(QStringLiteral("0000000003"), QStringLiteral("Fechamento"), QStringLiteral("01/03/2026"));
        dataSet->MergeChangeLog();
        dataSet->First();

        source = new TDataSource(window.get());
        source->SetDataSet(dataSet);
        grid = new TDBGrid(window.get());
        grid->setObjectName(QStringLiteral("dbgFases"));
        other = new TEdit(window.get());
        other->setObjectName(QStringLiteral("edtOutro"));
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->SetDataSource(source);
        tester = std::make_unique<QAbstractItemModelTester>(
            grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        ASSERT_TRUE(zrm::test::showActive(window.get()));
        grid->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(gridHasFocus());
    }

    void TearDown() override {
        tester.reset();
        window.reset();
    }

    void addRow(const QString& codeText, const QString& nameText, const QString& date) {
        dataSet->Append();
        code->SetAsString(codeText);
        name->SetAsString(nameText);
        start->SetAsString(date);
        dataSet->Post();
    }

    QModelIndex cell(int row, int column) const { return grid->model()->index(row, column); }
    QString text(int row, int column) const { return cell(row, column).data().toString(); }
    QPoint cellCenter(int row, int column) const { return grid->visualRect(cell(row, column)).center(); }
    void clickCell(int row, int column) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCenter(row, column));
    }
    // Keys go where a user's keys go: to the widget holding the focus.
    QWidget* focused() const { return QApplication::focusWidget() ? QApplication::focusWidget() : grid; }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), key, modifiers);
    }
    void type(const QString& text) { QTest::keyClicks(focused(), text); }
    bool gridHasFocus() const {
        const QWidget* focus = QApplication::focusWidget();
        return focus && (focus == grid || grid->isAncestorOf(focus));
    }
    int currentRow() const { return grid->currentIndex().row(); }
    QString nameAt(int recNo) const {
        return dataSet->GetData().rows.at(recNo - 1).at(name->Index()).toString();
    }

    std::unique_ptr<QWidget> window;
    TClientDataSet* dataSet = nullptr;
    TStringField* code = nullptr;
    TStringField* name = nullptr;
    TDateTimeField* start = nullptr;
    TDataSource* source = nullptr;
    TDBGrid* grid = nullptr;
    TEdit* other = nullptr;  // a control of the screen to move the focus to
    std::unique_ptr<QAbstractItemModelTester> tester;
};
