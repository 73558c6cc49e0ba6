// A screen package with one small screen, "ZRM00001", for the host's tests. It opens its screen the
// way every screen package does: once, as a sub-window of the host's work area, and on later calls only
// brings it back to the front.

#include "library/package/packageinfo.h"
#include "tests/host/testpackage/packagelog.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

using zrm::testpackage::logCall;
using zrm::testpackage::shouldFail;

// The one screen; cleared by Qt when the screen is destroyed, so the next IniProc creates a new one.
QPointer<QWidget> screen;

// A failure whose message is empty: the host stops without a word.
class SilentStop : public std::exception {
public:
    const char* what() const noexcept override { return ""; }
};

// The work area of the application's main window: the first top-level QMainWindow whose central
// widget is a QMdiArea; nullptr when there is none.
QMdiArea* hostWorkArea() {
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (auto* mainWindow = qobject_cast<QMainWindow*>(window)) {
            if (auto* area = qobject_cast<QMdiArea*>(mainWindow->centralWidget())) {
                return area;
            }
        }
    }
    return nullptr;
}

QWidget* createScreen() {
    auto* created = new QWidget;
    created->setObjectName(QStringLiteral("TfrmTeste"));
    created->setWindowTitle(QStringLiteral("ZRM00001 - Cadastro de Ações de Teste"));
    created->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(created);
    layout->addWidget(new QLabel(QStringLiteral("Tela de teste do pacote Pkg_ZrmTeste."), created));
    if (QMdiArea* area = hostWorkArea()) {
        // The sub-window takes its size from the screen's size hint unless told otherwise.
        area->addSubWindow(created)->resize(480, 320);
    } else {
        created->resize(480, 320);
    }
    return created;
}

// The start-up error box of a screen that cannot reach its server; logs how it was answered.
void showStartupError() {
    const QMessageBox::StandardButton answer = QMessageBox::critical(
        screen, QStringLiteral("Erro"), QStringLiteral("O servidor de aplicação não responde."));
    logCall(QStringLiteral("Error box answered %1")
                .arg(answer == QMessageBox::Ok ? QStringLiteral("OK") : QStringLiteral("other")));
}

void cliInitialization() {
    logCall(QStringLiteral("Cli_ZrmTeste initialization"));
}

void cliFinalization() {
    logCall(QStringLiteral("Cli_ZrmTeste finalization"));
}

const ZrmUnitEntry units[] = {
    {"Pkg_ZrmTeste", ZRM_UNIT_PACKAGE, nullptr, nullptr},
    {"Cli_ZrmTeste", ZRM_UNIT_SCREENS, cliInitialization, cliFinalization},
    {"SysInit", ZRM_UNIT_IMPLICIT, nullptr, nullptr},
};

const ZrmScreenEntry screens[] = {
    {"ZRM00001", "Cadastro de Ações de Teste", ZRM_PACKAGE_SCREEN_ENTRY},
};

const ZrmPackageInfoTable packageInfo = {
    ZRM_PACKAGE_ABI_VERSION, "Pkg_ZrmTeste", 3, units, 1, screens,
};

}  // namespace

extern "C" {

const ZrmPackageInfoTable* GetPackageInfoTable(void) {
    return &packageInfo;
}

void Initialize(void) {
    logCall(QStringLiteral("Initialize"));
    if (shouldFail("Initialize")) {
        throw std::runtime_error("falha simulada na inicialização");
    }
    ZrmInitializeUnits(&packageInfo);
}

void Finalize(void) {
    // Whether the host destroyed the screen before unloading: it must have.
    logCall(screen ? QStringLiteral("Finalize screen=alive") : QStringLiteral("Finalize screen=none"));
    ZrmFinalizeUnits(&packageInfo);
}

void IniProc(void) {
    logCall(QStringLiteral("IniProc"));
    if (shouldFail("IniProc")) {
        throw std::runtime_error("falha simulada na abertura");
    }
    if (shouldFail("IniProcSilent")) {
        throw SilentStop();
    }
    if (!screen) {
        screen = createScreen();
    }
    auto* subWindow = qobject_cast<QMdiSubWindow*>(screen->parentWidget());
    QWidget* window = subWindow ? static_cast<QWidget*>(subWindow) : screen.data();
    window->showNormal();
    window->raise();
    if (subWindow) {
        subWindow->mdiArea()->setActiveSubWindow(subWindow);
    } else {
        window->activateWindow();
    }
    if (shouldFail("IniProcErrorBox")) {
        showStartupError();
    }
    if (shouldFail("IniProcErrorBoxLater")) {
        QTimer::singleShot(0, screen, &showStartupError);
    }
}

}  // extern "C"
