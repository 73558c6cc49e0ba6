// zrm-host: the MDI shell that loads screen packages and opens their screens.
//
//   zrm-host [--package PATH]... [--open | --screen CODE...] [--screenshot FILE]
//
// Packages named on the command line replace those of the settings file. --open opens every screen of
// the packages, --screen CODE only the screens named; several screens are tiled across the work area. At exit
// the screens are destroyed first, then every package's unload entry runs. With --screenshot the run waits
// for no one: the picture is taken once the screens have opened, a modal dialog that opens is drawn into it,
// told on standard error and dismissed, and the exit status is 1 when a package or a screen failed or a
// dialog opened (the picture is written all the same), else 0.

#include "framework/packet/localzone.h"
#include "host/mainwindow.h"
#include "host/packageloader.h"
#include "host/screenshot.h"
#include "library/config/hostsettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

void printLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char* argv[]) {
    zrm::pinLocalTimeZone();  // before any thread, for the packages' date handling as well
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(zrm::config::HostSettings::organizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(zrm::config::HostSettings::applicationName));

    // Read first: the help of the command line is in the language the settings choose.
    const zrm::config::HostSettings settings = zrm::config::HostSettings::load();
    const zrm::host::HostTexts texts = zrm::host::HostTexts::forLanguage(settings.language());

    QCommandLineParser parser;
    parser.setApplicationDescription(texts.commandLine);
    parser.addHelpOption();
    const QCommandLineOption packageOption(QStringLiteral("package"), texts.packageOption,
                                           QStringLiteral("PATH"));
    const QCommandLineOption openOption(QStringLiteral("open"), texts.openOption);
    const QCommandLineOption screenOption(QStringLiteral("screen"), texts.screenOption,
                                          QStringLiteral("CODE"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"), texts.screenshotOption,
                                              QStringLiteral("FILE"));
    parser.addOptions({packageOption, openOption, screenOption, screenshotOption});
    parser.process(app);

    const QString screenshotFile = parser.value(screenshotOption);

    zrm::host::MainWindow window(settings);
    window.setProblemsToStandardError(!screenshotFile.isEmpty() ||
                                      QGuiApplication::platformName() == QStringLiteral("offscreen"));
    bool problemSeen = false;
    QObject::connect(&window, &zrm::host::MainWindow::problemReported, &app, [&] { problemSeen = true; });
    for (const QString& warning : settings.warnings()) {
        printLine(warning);
    }

    // Watching for dialogs starts before any package code runs.
    std::unique_ptr<zrm::host::Screenshot> screenshot;
    if (!screenshotFile.isEmpty()) {
        screenshot = std::make_unique<zrm::host::Screenshot>(window, screenshotFile);
        QObject::connect(screenshot.get(), &zrm::host::Screenshot::finished, &app, &QCoreApplication::quit);
    }

    zrm::host::PackageLoader loader(texts);
    const QStringList packages =
        parser.isSet(packageOption) ? parser.values(packageOption) : settings.packages();
    // The window exists, and is shown, before any package runs: screens look for it to open in.
    window.show();
    for (const QString& path : packages) {
        QString error;
        if (const zrm::host::LoadedPackage* package = loader.load(path, &error)) {
            window.addScreens(*package);
        } else {
            window.reportProblem(error);
        }
    }
    if (parser.isSet(openOption)) {
        window.openScreens();
    } else if (parser.isSet(screenOption)) {
        window.openScreens(parser.values(screenOption));
    }

    // Screens load their data while they open, so they have finished once openScreens returns.
    if (screenshot) {
        screenshot->takeWhenSettled();
    }

    const int result = QApplication::exec();
    window.destroyScreens();
    loader.unloadAll([&](const QString& problem) { window.reportProblem(problem); });
    if (result != 0 || !screenshot) {
        return result;
    }
    return problemSeen || screenshot->failed() ? 1 : 0;
}
