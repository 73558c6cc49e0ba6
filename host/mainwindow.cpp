#include "host/mainwindow.h"

#include "library/config/hostsettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include <algorithm>
#include <cstdio>

namespace zrm::host {

MainWindow::MainWindow(const config::HostSettings& settings, QWidget* parent)
    : QMainWindow(parent)
    , m_texts(HostTexts::forLanguage(settings.language()))
    , m_mdiArea(new QMdiArea(this)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(m_texts.windowTitle);
    m_mdiArea->setObjectName(QStringLiteral("mdiPrincipal"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    createMenus();

    auto* server = new QLabel(m_texts.status.arg(settings.appServerHost())
                                  .arg(settings.appServerPort())
                                  .arg(settings.operatorCode()),
                              this);
    server->setObjectName(QStringLiteral("lblServidor"));
    statusBar()->addPermanentWidget(server);
    resize(1200, 800);
}

void MainWindow::createMenus() {
    QMenu* fileMenu = menuBar()->addMenu(m_texts.fileMenu);
    fileMenu->setObjectName(QStringLiteral("mnuArquivo"));
    QAction* quit = fileMenu->addAction(m_texts.quit, this, &QWidget::close);
    quit->setObjectName(QStringLiteral("mnuSair"));
    quit->setShortcut(QKeySequence::Quit);

    m_screensMenu = menuBar()->addMenu(m_texts.screensMenu);
    m_screensMenu->setObjectName(QStringLiteral("mnuTelas"));
    m_noScreensAction = m_screensMenu->addAction(m_texts.noScreens);
    m_noScreensAction->setEnabled(false);

    QMenu* windowMenu = menuBar()->addMenu(m_texts.windowMenu);
    windowMenu->setObjectName(QStringLiteral("mnuJanela"));
    windowMenu->addAction(m_texts.cascade, m_mdiArea, &QMdiArea::cascadeSubWindows)
        ->setObjectName(QStringLiteral("mnuCascata"));
    windowMenu->addAction(m_texts.tile, m_mdiArea, &QMdiArea::tileSubWindows)
        ->setObjectName(QStringLiteral("mnuLadoALado"));
    windowMenu->addAction(m_texts.closeAll, m_mdiArea, &QMdiArea::closeAllSubWindows)
        ->setObjectName(QStringLiteral("mnuFecharTodas"));
}

void MainWindow::addScreens(const LoadedPackage& package) {
    for (const PackageScreen& screen : package.screens) {
        m_noScreensAction->setVisible(false);
        QAction* action = m_screensMenu->addAction(QStringLiteral("%1 - %2").arg(screen.code, screen.title));
        action->setObjectName(screen.code);
        connect(action, &QAction::triggered, this, [this, screen] { openScreen(screen); });
        m_screens << screen;
    }
}

bool MainWindow::openScreen(const PackageScreen& screen) {
    const EntryOutcome outcome = runPackageEntry(screen.open, m_texts.packageUnknownFailure);
    if (!outcome.succeeded && !outcome.message.isEmpty()) {
        reportProblem(m_texts.openFailed.arg(screen.code, screen.title, outcome.message));
    }
    return outcome.succeeded;
}

void MainWindow::openScreens(const QStringList& codes) {
    for (const QString& code : codes) {
        if (std::none_of(m_screens.cbegin(), m_screens.cend(),
                         [&](const PackageScreen& screen) { return screen.code == code; })) {
            reportProblem(m_texts.unknownScreen.arg(code));
        }
    }
    for (const PackageScreen& screen : std::as_const(m_screens)) {
        if (codes.isEmpty() || codes.contains(screen.code)) {
            openScreen(screen);
        }
    }
    if (m_mdiArea->subWindowList().size() > 1) {
        m_mdiArea->tileSubWindows();
    }
}

void MainWindow::destroyScreens() {
    const QList<QMdiSubWindow*> screens = m_mdiArea->subWindowList();
    for (QMdiSubWindow* screen : screens) {
        delete screen;
    }
    // A screen closed earlier may still wait for its deferred deletion; its code must not outlive it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void MainWindow::reportProblem(const QString& text) {
    if (m_problemsToStandardError) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    } else {
        QMessageBox::critical(this, m_texts.windowTitle, text);
    }
    Q_EMIT problemReported(text);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_mdiArea->closeAllSubWindows();
    const QList<QMdiSubWindow*> screens = m_mdiArea->subWindowList();
    if (std::any_of(screens.cbegin(), screens.cend(),
                    [](const QMdiSubWindow* s) { return !s->isHidden(); })) {
        // A screen refused to close (work not saved, say): everything stays as it is.
        event->ignore();
        return;
    }
    event->accept();
    // Windows a package opened outside the work area must not keep the application running.
    QCoreApplication::quit();
}

}  // namespace zrm::host
