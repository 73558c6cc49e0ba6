// The main of every widget test: a QApplication on the offscreen platform (unless the environment
// names another), then GoogleTest. Every data grid's model that gets shown is watched by a fatal
// QAbstractItemModelTester for the rest of the test, whichever test shows it, and a modal dialog no
// test answers fails the test rather than hanging it.

#include "tests/support/guitest.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

namespace {

class GridModelChecker : public QObject {
protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Polish) {
            if (auto* view = qobject_cast<QAbstractItemView*>(object)) {
                QAbstractItemModel* model = view->model();
                if (model && model->inherits("TDBGridModel") &&
                    !model->findChild<QAbstractItemModelTester*>(QString(), Qt::FindDirectChildrenOnly)) {
                    new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal,
                                                 model);
                }
            }
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The same look everywhere, so grabbed pictures and sizes do not depend on the desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));
    GridModelChecker checker;
    app.installEventFilter(&checker);
    zrm::test::guardUnansweredDialogs(std::chrono::seconds(30));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
