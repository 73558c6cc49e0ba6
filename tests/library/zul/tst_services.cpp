// The busy indicator, the server address, the configured connection, the page control and the
// library's component classes.

#include "framework/ui/busywindow.h"
#include "framework/ui/componentregistry.h"
#include "framework/ui/edit.h"
#include "library/config/hostsettings.h"
#include "library/zul/morvane.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"
#include "library/zul/showavi.h"
#include "library/zul/zulclasses.h"
#include "tests/support/guitest.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Environment variables of the host's settings, set for one test and restored after it.
class HostEnvironment {
public:
    HostEnvironment() {
        for (const char* name :
             {zrm::config::HostSettings::hostVariable, zrm::config::HostSettings::portVariable,
              zrm::config::HostSettings::tokenVariable, zrm::config::HostSettings::operatorVariable,
              zrm::config::HostSettings::fileVariable}) {
            m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            qunsetenv(name);
        }
        // A settings file of the test's own, so no real one is read.
        qputenv(zrm::config::HostSettings::fileVariable,
                m_dir.filePath(QStringLiteral("zrm-host.ini")).toLocal8Bit());
    }
    ~HostEnvironment() {
        for (const auto& saved : m_saved) {
            if (saved.set)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }
    void writeFile(const QByteArray& contents) {
        QFile file(m_dir.filePath(QStringLiteral("zrm-host.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool set;
    };
    QTemporaryDir m_dir;
    QList<Saved> m_saved;
};

TEST(Morvane, serverAddressComesFromTheEnvironmentThenTheFileThenTheDefaults) {
    HostEnvironment environment;
    EXPECT_EQ(Morvane::WebURL(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Morvane::WebPort(), 7130);
    EXPECT_EQ(Morvane::WebToken(), QString());

    environment.writeFile("[appserver]\nhost=srv.local\nport=8100\ntoken=abc\n[session]\noperator=ana\n");
    EXPECT_EQ(Morvane::WebURL(), QStringLiteral("srv.local"));
    EXPECT_EQ(Morvane::WebPort(), 8100);
    EXPECT_EQ(Morvane::WebToken(), QStringLiteral("abc"));
    EXPECT_EQ(Morvane::Operador(), QStringLiteral("ana"));

    qputenv(zrm::config::HostSettings::hostVariable, "10.0.0.9");
    qputenv(zrm::config::HostSettings::portVariable, "9001");
    EXPECT_EQ(Morvane::WebURL(), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(Morvane::WebPort(), 9001);
}

TEST(Netconnection, createdConnectionCarriesTheHostsTokenAndOperator) {
    HostEnvironment environment;
    environment.writeFile("[appserver]\nhost=srv.local\nport=8100\ntoken=segredo\n[session]\noperator=ana\n");
    QObject owner;
    TNetConnection* connection = Netconnection::Create(&owner);
    EXPECT_EQ(connection->parent(), &owner);
    EXPECT_EQ(connection->Token(), QStringLiteral("segredo"));
    EXPECT_EQ(connection->Operator(), QStringLiteral("ana"));
    EXPECT_EQ(connection->Host(), QStringLiteral("srv.local"));
    EXPECT_EQ(connection->Port(), 8100);
    EXPECT_FALSE(connection->Connected());
}

TEST(Showavi, busyIndicatorShowsWithoutTakingTheFocusAndGoesAway) {
    QMainWindow window;
    auto* edit = new TEdit(&window);
    window.setCentralWidget(edit);
    ASSERT_TRUE(zrm::test::showActive(&window));
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());

    Showavi::ActiveShowAvi(nullptr, Showavi::KindFetching, QStringLiteral("Buscando dados no servidor."));
    auto* busy = window.findChild<BusyWindow*>();
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(Showavi::IsShowing());
    EXPECT_EQ(busy->kind(), 6);
    EXPECT_EQ(busy->text(), QStringLiteral("Buscando dados no servidor."));
    // Activation, when a window takes it, follows its exposure.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(busy));
    zrm::test::processPendingEvents();
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(QApplication::activeWindow(), &window);

    Showavi::ActiveShowAvi(&window, Showavi::KindSaving);
    EXPECT_EQ(window.findChildren<BusyWindow*>().size(), 1);
    EXPECT_EQ(window.findChild<BusyWindow*>()->kind(), 1);
    EXPECT_EQ(window.findChild<BusyWindow*>()->text(), QString());

    Showavi::DeactiveShowAvi();
    EXPECT_FALSE(Showavi::IsShowing());
    EXPECT_EQ(window.findChild<BusyWindow*>(), nullptr);
    Showavi::DeactiveShowAvi();  // nothing showing: nothing happens
    EXPECT_TRUE(edit->hasFocus());
}

TEST(TCustomPageControl98, setActivePageTakesTheFocusAlongFromTheHiddenPage) {
    QWidget window;
    auto* pages = new TCustomPageControl98(&window);
    auto* first = new TTabSheet;
    first->SetPageControl(pages);
    auto* second = new TTabSheet;
    second->SetPageControl(pages);
    auto* firstEdit = new TEdit(first);
    auto* secondEdit = new TEdit(second);
    auto* outside = new TEdit(&window);
    outside->move(0, 200);
    window.resize(300, 260);
    pages->resize(300, 180);
    int changes = 0;
    pages->OnChange = [&](QObject*) { ++changes; };
    ASSERT_TRUE(zrm::test::showActive(&window));

    firstEdit->setFocus();
    pages->SetActivePage(second);
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_TRUE(secondEdit->hasFocus());

    outside->setFocus();
    pages->SetActivePage(first);
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_TRUE(outside->hasFocus());

    TTabSheet foreign;
    pages->SetActivePage(&foreign);
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_EQ(changes, 0);
}

TEST(LibraryClasses, registeredForFormDescriptions) {
    zrm::zul::ensureLibraryClassesRegistered();
    const zrm::ui::ComponentRegistry& registry = zrm::ui::ComponentRegistry::standard();
    for (const char* name : {"TMessages", "TPageControl98", "TNetConnection", "TBtnPesquisa", "TDBGrid"})
        EXPECT_NE(registry.find(QString::fromLatin1(name)), nullptr) << name;
    const zrm::ui::ComponentClass* button = registry.find(QStringLiteral("TBtnPesquisa"));
    for (const char* property :
         {"Associate", "DataSource", "Title", "EmptyError", "Hint", "Glyph", "NumGlyphs"})
        EXPECT_NE(button->findProperty(QString::fromLatin1(property)), nullptr) << property;
    EXPECT_NE(button->findEvent(QStringLiteral("OnBeforePesq")), nullptr);
    EXPECT_NE(registry.find(QStringLiteral("TPageControl98"))->findEvent(QStringLiteral("OnChange")),
              nullptr);
    EXPECT_NE(registry.find(QStringLiteral("TNetConnection"))->findEvent(QStringLiteral("BeforeConnect")),
              nullptr);
}

}  // namespace
