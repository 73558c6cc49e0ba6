#include "host/packageloader.h"
#include "tests/host/hosttestsupport.h"
#include "tests/host/testpackage/packagelog.h"

#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>

#include <gtest/gtest.h>

#include <dlfcn.h>

using zrm::host::LoadedPackage;
using zrm::host::PackageLoader;

namespace {

const QString testPackage = QString::fromUtf8(ZRM_TEST_PACKAGE);
const QString brokenPackage = QString::fromUtf8(ZRM_BROKEN_PACKAGE);

// Whether the shared library at path is in the process's memory now (asks the dynamic loader itself,
// which knows nothing of QLibrary's own bookkeeping).
bool isInMemory(const QString& path) {
    void* handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) {
        dlclose(handle);
    }
    return handle != nullptr;
}

class PackageLoaderTest : public zrm::hosttest::HostTest {
protected:
    // Collects what unloadAll reports.
    QStringList unloadAll() {
        QStringList problems;
        m_loader.unloadAll([&](const QString& problem) { problems << problem; });
        return problems;
    }

    PackageLoader m_loader;
};

TEST_F(PackageLoaderTest, load_testPackage_readsItsTableAndInitializesItsUnits) {
    QString error;
    const LoadedPackage* package = m_loader.load(testPackage, &error);

    ASSERT_NE(package, nullptr) << error.toStdString();
    EXPECT_EQ(package->name, QStringLiteral("Pkg_ZrmTeste"));
    EXPECT_EQ(package->units, QStringList({QStringLiteral("Pkg_ZrmTeste"), QStringLiteral("Cli_ZrmTeste"),
                                           QStringLiteral("SysInit")}));
    ASSERT_EQ(package->screens.size(), 1);
    EXPECT_EQ(package->screens[0].code, QStringLiteral("ZRM00001"));
    EXPECT_EQ(package->screens[0].title, QStringLiteral("Cadastro de Ações de Teste"));
    EXPECT_EQ(package->screens[0].packageName, QStringLiteral("Pkg_ZrmTeste"));
    EXPECT_NE(package->screens[0].open, nullptr);
    EXPECT_EQ(m_loader.packages(), QList<const LoadedPackage*>{package});
    EXPECT_EQ(packageLog(),
              QStringList({QStringLiteral("Initialize"), QStringLiteral("Cli_ZrmTeste initialization")}));
    EXPECT_TRUE(unloadAll().isEmpty());
}

TEST_F(PackageLoaderTest, unloadAll_runsFinalizeAndRemovesTheLibraryFromMemory) {
    QString error;
    ASSERT_NE(m_loader.load(testPackage, &error), nullptr) << error.toStdString();
    ASSERT_TRUE(isInMemory(testPackage));

    EXPECT_TRUE(unloadAll().isEmpty());

    EXPECT_TRUE(m_loader.packages().isEmpty());
    EXPECT_FALSE(isInMemory(testPackage));
    EXPECT_EQ(
        packageLog(),
        QStringList({QStringLiteral("Initialize"), QStringLiteral("Cli_ZrmTeste initialization"),
                     QStringLiteral("Finalize screen=none"), QStringLiteral("Cli_ZrmTeste finalization")}));
}

TEST_F(PackageLoaderTest, load_packageLackingItsScreenEntry_isRefusedWithoutRunningIt) {
    QString error;
    EXPECT_EQ(m_loader.load(brokenPackage, &error), nullptr);

    EXPECT_TRUE(error.contains(QStringLiteral("falta a entrada IniProc"))) << error.toStdString();
    EXPECT_TRUE(error.contains(brokenPackage));
    EXPECT_TRUE(m_loader.packages().isEmpty());
    EXPECT_TRUE(packageLog().isEmpty()) << packageLog().join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(isInMemory(brokenPackage));
}

TEST_F(PackageLoaderTest, load_missingOrForeignFiles_areRefusedWithTheirCause) {
    QString error;
    const QString missing = path(QStringLiteral("libPkg_NaoExiste.so"));
    EXPECT_EQ(m_loader.load(missing, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("não foi encontrado"))) << error.toStdString();
    EXPECT_TRUE(error.contains(missing));

    const QString text = writeFile(QStringLiteral("libPkg_Texto.so"), "isto não é uma biblioteca\n");
    EXPECT_EQ(m_loader.load(text, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("não pôde ser carregado"))) << error.toStdString();

    // A library, but not a screen package: it has none of the package entries.
    const QString foreign =
        QLibraryInfo::path(QLibraryInfo::LibrariesPath) + QStringLiteral("/libQt6Core.so.6");
    ASSERT_TRUE(QFileInfo::exists(foreign)) << foreign.toStdString();
    EXPECT_EQ(m_loader.load(foreign, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("falta a entrada Initialize"))) << error.toStdString();

    EXPECT_TRUE(m_loader.packages().isEmpty());
}

TEST_F(PackageLoaderTest, load_samePackageTwice_refusesTheSecondAndKeepsTheFirst) {
    QString error;
    const LoadedPackage* first = m_loader.load(testPackage, &error);
    ASSERT_NE(first, nullptr) << error.toStdString();

    EXPECT_EQ(m_loader.load(testPackage, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("já está carregado"))) << error.toStdString();
    // A copy is another file, yet the same package by name.
    const QString copy = path(QStringLiteral("libPkg_ZrmTesteCopia.so"));
    ASSERT_TRUE(QFile::copy(testPackage, copy));
    EXPECT_EQ(m_loader.load(copy, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("já está carregado"))) << error.toStdString();
    EXPECT_FALSE(isInMemory(copy));

    EXPECT_EQ(m_loader.packages(), QList<const LoadedPackage*>{first});
    EXPECT_TRUE(isInMemory(testPackage));
    EXPECT_EQ(packageLog().count(QStringLiteral("Initialize")), 1);
    EXPECT_TRUE(unloadAll().isEmpty());
    EXPECT_FALSE(isInMemory(testPackage));
}

TEST_F(PackageLoaderTest, load_whenInitializeFails_refusesThePackageWithItsMessage) {
    setEnvironment(zrm::testpackage::failVariable, QStringLiteral("Initialize"));

    QString error;
    EXPECT_EQ(m_loader.load(testPackage, &error), nullptr);

    EXPECT_TRUE(error.contains(QStringLiteral("falha simulada na inicialização"))) << error.toStdString();
    EXPECT_TRUE(m_loader.packages().isEmpty());
    // Nothing to finalize: the package never started.
    EXPECT_TRUE(unloadAll().isEmpty());
    EXPECT_EQ(packageLog(), QStringList{QStringLiteral("Initialize")});
}

}  // namespace
