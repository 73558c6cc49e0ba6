#include "tests/modules/zrm71300/versionsfixture.h"

#include "framework/ui/pagecontrol.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/zulclasses.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTest>

namespace zrm71300test {

void VersionsTest::SetUpTestSuite() {
    // What the package's start-up does before the host opens a screen.
    zrm::zul::ensureLibraryClassesRegistered();
    Cli_Zrm71300_Initialization();
}

void VersionsTest::SetUp() {
    qputenv("ZRM_OPERATOR", Operator);
    m_mainWindow.setCentralWidget(new QMdiArea);
    m_mainWindow.resize(1100, 700);
    ASSERT_TRUE(zrm::test::showActive(&m_mainWindow));
}

void VersionsTest::TearDown() {
    closeScreens();
    qunsetenv("ZRM_OPERATOR");
}

void VersionsTest::closeScreens() {
    for (QWidget* screen : {static_cast<QWidget*>(frmVersoes), static_cast<QWidget*>(frmCalendOrc)}) {
        if (auto* form = qobject_cast<TForm*>(screen)) {
            QWidget* window = form->mdiSubWindow();
            delete (window ? window : form);
        }
    }
}

void VersionsTest::open(const CalendarData& data) {
    closeScreens();
    m_answers = std::make_unique<zrm::test::DialogAnswerer>();
    m_server = std::make_unique<CalendarServer>();
    m_server->start(data);
    ASSERT_FALSE(HasFatalFailure());
    criaVersoes();
    ASSERT_NE(frmVersoes, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_mainWindow));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
    ASSERT_EQ(QApplication::focusWidget(), frmVersoes->depAno);
}

QStringList VersionsTest::rows() const {
    QStringList texts;
    const QAbstractItemModel* model = grid()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column : {NumberColumn, DescriptionColumn, CreatedByColumn, PhasesColumn, LatestColumn})
            cells << model->data(model->index(row, column)).toString();
        texts << cells.join(QStringLiteral(" | "));
    }
    return texts;
}

QStringList VersionsTest::titles() const {
    QStringList texts;
    const QAbstractItemModel* model = grid()->model();
    for (int column = 0; column < model->columnCount(); ++column)
        texts << model->headerData(column, Qt::Horizontal).toString();
    return texts;
}

QWidget* VersionsTest::focused() {
    if (!QApplication::focusWidget())
        zrm::test::reactivate(&m_mainWindow);
    return QApplication::focusWidget() ? QApplication::focusWidget() : grid();
}

void VersionsTest::key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(focused(), key, modifiers);
}

void VersionsTest::type(const QString& text) {
    QTest::keyClicks(focused(), text);
}

void VersionsTest::clickOn(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void VersionsTest::clickCell(int row, int column) {
    if (!QApplication::activeWindow())
        zrm::test::reactivate(&m_mainWindow);
    const QModelIndex index = grid()->model()->index(row, column);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(index).center());
}

void VersionsTest::chooseYear(int year) {
    typeInto(frmVersoes->depAno, year);
    key(Qt::Key_Return);
}

void VersionsTest::typeInto(TSpinEdit* box, int value) {
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
}

void VersionsTest::clickTab(int index) {
    QTabBar* tabs = frmVersoes->pgcPadrao->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

int VersionsTest::adminCalls(const char* method) {
    // One log line per request: "<time> POST /rpc/<server name> <method> <ms> <outcome> <status>".
    const QString call = QStringLiteral(" POST /rpc/ZRM71302.rdmCadCalendOrc %1 ").arg(QLatin1String(method));
    return int(m_server->process().serverLog().count(call));
}

}  // namespace zrm71300test
