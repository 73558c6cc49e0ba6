#include "tests/modules/zrm71300/hostfixture.h"

#include "framework/ui/mainmenu.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"
#include "tests/support/guitest.h"

#include <QApplication>
#include <QMdiArea>
#include <QTest>

namespace zrm71300test {

void HostScreenTest::SetUp() {
    m_mainWindow.setCentralWidget(new QMdiArea);
    m_mainWindow.resize(1000, 700);
    ASSERT_TRUE(zrm::test::showActive(&m_mainWindow));
}

void HostScreenTest::openInHost(const CalendarData& data) {
    openWith(data);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_mainWindow));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
    ASSERT_EQ(QApplication::focusWidget(), child<TSpinEdit>("depAno"));
}

void HostScreenTest::clickOn(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void HostScreenTest::reactivate() {
    ASSERT_TRUE(zrm::test::reactivate(&m_mainWindow));
}

bool HostScreenTest::commandOn(const char* button, const char* menuItem) const {
    const bool buttonOn = child<TSpeedButton>(button)->isEnabled();
    const bool itemOn = child<TMenuItem>(menuItem)->Enabled();
    EXPECT_EQ(buttonOn, itemOn) << button << " and " << menuItem << " disagree";
    return buttonOn && itemOn;
}

}  // namespace zrm71300test
