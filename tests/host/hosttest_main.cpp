// The main of the host's tests: a QApplication with the host's own names, so that the settings and the
// packages under test see the process exactly as they see the host.

#include "library/config/hostsettings.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // Headless unless told otherwise: test discovery runs the executable without ctest's environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(zrm::config::HostSettings::organizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(zrm::config::HostSettings::applicationName));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
