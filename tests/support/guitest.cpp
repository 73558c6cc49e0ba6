#include "tests/support/guitest.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEventLoop>
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
    if (m_answers.isEmpty())
        return;
    // The active modal widget can be a hidden one a finished test left behind, waiting for its
    // deferred deletion; the dialog to answer is then another visible modal window.
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
        modal = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->isModal() && !m_answered.contains(top))
                modal = top;
        }
    }
    if (!modal || m_answered.contains(modal))
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

bool closeWhileDialogOpen(QWidget* window, const std::function<void()>& opensDialog,
                          QMessageBox::StandardButton answer) {
    const QPointer<QWidget> alive(window);
    bool dialogShown = false;
    DialogAnswerer answers;
    answers.answerNext([&](QWidget* shown) {
        dialogShown = true;
        // Outside the answerer's own call, so that it can answer what closing asks.
        QTimer::singleShot(0, window, [window, dialog = QPointer<QWidget>(shown), answer] {
            window->close();
            if (auto* box = qobject_cast<QMessageBox*>(dialog.data()); box && box->button(answer))
                box->button(answer)->click();
            else if (auto* plain = qobject_cast<QDialog*>(dialog.data()))
                plain->reject();
        });
    });
    answers.answerNext(QMessageBox::Yes);  // the screen's own question on closing, when it asks
    opensDialog();
    return dialogShown && QTest::qWaitFor([&] { return alive.isNull(); });
}

void processPendingEvents() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
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
