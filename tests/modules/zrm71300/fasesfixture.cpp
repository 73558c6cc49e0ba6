#include "tests/modules/zrm71300/fasesfixture.h"

#include "library/zul/zulclasses.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"

#include <QMdiSubWindow>

namespace zrm71300test {

void FasesOrcTest::SetUpTestSuite() {
    // What the package's start-up does before the host opens a screen.
    zrm::zul::ensureLibraryClassesRegistered();
    Cli_Zrm71300_Initialization();
}

void FasesOrcTest::TearDown() {
    Cli_Zrm71303_Finalization();
    EXPECT_EQ(frmFasesOrc, nullptr);
}

void FasesOrcTest::open(const CalendarData& data) {
    m_server.start(data);
    ASSERT_FALSE(HasFatalFailure());
    criaFasesOrc();
    ASSERT_NE(frmFasesOrc, nullptr);
    ASSERT_TRUE(zrm::test::showActive(frmFasesOrc->window()));
    grid()->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == grid(); }));
}

QWidget* FasesOrcTest::focused() {
    if (!QApplication::focusWidget())
        zrm::test::reactivate(frmFasesOrc);
    return QApplication::focusWidget() ? QApplication::focusWidget() : grid();
}

void FasesOrcTest::clickCell(TDBGrid* target, int row, int column) {
    const QModelIndex index = target->model()->index(row, column);
    QTest::mouseClick(target->viewport(), Qt::LeftButton, Qt::NoModifier, target->visualRect(index).center());
}

void FasesOrcTest::clickTab(TTabSheet* page) {
    QTabBar* tabs = page->PageControl()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(page->PageIndex()).center());
}

QStringList FasesOrcTest::columnTexts(const TDBGrid* target, int column) {
    QStringList texts;
    const QAbstractItemModel* model = target->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->data(model->index(row, column)).toString());
    return texts;
}

QString FasesOrcTest::cellText(const TDBGrid* target, int row, int column) {
    return target->model()->index(row, column).data().toString();
}

int FasesOrcTest::sent(const char* method) const {
    return int(
        m_server.requestedMethodsOf(QStringLiteral("ZRM71302.rdmCadCalendOrc")).count(QLatin1String(method)));
}

int FasesOrcTest::sentToCalendar(const char* method) const {
    return m_server.requestCount(QLatin1String(method));
}

}  // namespace zrm71300test
