#include "tests/support/guitest.h"

#include <QAbstractButton>
#include <QDialog>
#include <QTest>

namespace zrm::test {

namespace {
constexpr int pollInterval = 10;  // ms
}  // namespace

DialogAnswerer::DialogAnswerer() {
    m_timer.setInterval(pollInterval);
    connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::poll);
}

DialogAnswerer::~DialogAnswerer() = default;

void DialogAnswerer::answerNext(QMessageBox::StandardButton button) {
    answerNext([button](QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            if (QAbstractButton* target = box->button(button)) {
                target->click();
                return;
            }
        }
        // Not a box with that button: close it the way the button would.
        if (auto* plain = qobject_cast<QDialog*>(dialog))
            plain->done(button == QMessageBox::Cancel || button == QMessageBox::No ? QDialog::Rejected
                                                                                   : QDialog::Accepted);
    });
}

void DialogAnswerer::answerNext(std::function<void(QWidget*)> action) {
    m_answers.append(std::move(action));
    m_timer.start();
}

void DialogAnswerer::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || m_answered.contains(modal) || m_answers.isEmpty())
        return;
    m_answered.append(modal);
    auto* box = qobject_cast<QMessageBox*>(modal);
    m_texts.append(box ? box->text() : modal->windowTitle());
    m_titles.append(modal->windowTitle());
    const auto answer = m_answers.takeFirst();
    if (m_answers.isEmpty())
        m_timer.stop();
    answer(modal);
}

QObject* findComponent(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name)
            return top;
        if (QObject* found = top->findChild<QObject*>(name))
            return found;
    }
    return nullptr;
}

bool showActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

bool reactivate(QWidget* widget) {
    QWidget* window = widget->window();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

}  // namespace zrm::test
