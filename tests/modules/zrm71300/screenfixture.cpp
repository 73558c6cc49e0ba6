#include "tests/modules/zrm71300/screenfixture.h"

#include "framework/ui/dbgrid.h"
#include "library/zul/zulclasses.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"

#include <QMdiSubWindow>

namespace zrm71300test {

void ScreenTest::SetUpTestSuite() {
    // What the package's start-up does before the host opens a screen.
    zrm::zul::ensureLibraryClassesRegistered();
    Cli_Zrm71300_Initialization();
}

void ScreenTest::TearDown() {
    if (frmCalendOrc) {
        QWidget* window = frmCalendOrc->mdiSubWindow();
        delete (window ? window : frmCalendOrc);
    }
}

void ScreenTest::openWith(const CalendarData& data, Transport transport) {
    m_server.start(data, transport);
    criaCalendOrc();
    ASSERT_NE(frmCalendOrc, nullptr);
}

QStringList ScreenTest::columnTexts(const TDBGrid* grid, int column) {
    QStringList texts;
    const QAbstractItemModel* model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->data(model->index(row, column)).toString());
    return texts;
}

QStringList ScreenTest::titles(const TDBGrid* grid) {
    QStringList texts;
    const QAbstractItemModel* model = grid->model();
    for (int column = 0; column < model->columnCount(); ++column)
        texts.append(model->headerData(column, Qt::Horizontal).toString());
    return texts;
}

}  // namespace zrm71300test
