// The host opening a package's standard grid screen and writing its picture.

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(GridPackage, hostOpensTheGridScreenAndWritesItsPicture) {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("tela.png"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ZRM_HOST_SETTINGS"), dir.filePath(QStringLiteral("zrm-host.ini")));
    QProcess host;
    host.setProcessEnvironment(environment);
    host.start(QStringLiteral(ZRM_HOST_BINARY),
               {QStringLiteral("--package"), QStringLiteral(ZRM_GRID_PACKAGE), QStringLiteral("--open"),
                QStringLiteral("--screenshot"), picture});
    ASSERT_TRUE(host.waitForFinished(120'000)) << host.errorString().toStdString();
    const QString errors = QString::fromLocal8Bit(host.readAllStandardError());
    EXPECT_EQ(host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(host.exitCode(), 0) << errors.toStdString();

    const QImage image(picture);
    ASSERT_FALSE(image.isNull()) << errors.toStdString();
    EXPECT_GE(image.width(), 547);
    EXPECT_GE(image.height(), 376);
    // A screen with a toolbar, a grid and texts has many colours; an empty work area has a few.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 40);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
