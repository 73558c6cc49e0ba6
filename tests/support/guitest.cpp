#include "tests/support/guitest.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEventLoop>
#include <QTest>

#include <gtest/gtest.h>

namespace zrm::test {

namespace {
constexpr int pollInterval = 10;  // ms
// Watches every modal dialog shown for as long as the test runs.
class UnansweredDialogGuard : public QObject {
public:
    std::chrono::milliseconds timeout{0};

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* dialog = event->type() == QEvent::Show ? qobject_cast<QDialog*>(object) : nullptr;
        if (dialog && dialog->isModal()) {
            // A dialog shown again gets a time of its own; the earlier showing's timer then finds
            // another serial and leaves it alone.
            const int serial = ++m_shown;
            dialog->setProperty(serialProperty, serial);
            QTimer::singleShot(timeout, dialog, [dialog, serial] {
                if (!dialog->isVisible() || dialog->property(serialProperty).toInt() != serial)
                    return;
                auto* box = qobject_cast<QMessageBox*>(dialog);
                ADD_FAILURE() << "A dialog no test answered: "
                              << (box ? box->text() : dialog->windowTitle()).toStdString();
                if (QAbstractButton* escape = box ? box->escapeButton() : nullptr)
                    escape->click();
                else
                    dialog->reject();
            });
        }
        return false;
    }

private:
    static constexpr char serialProperty[] = "zrmTestShowSerial";
    int m_shown = 0;
};

}  // namespace

void guardUnansweredDialogs(std::chrono::milliseconds timeout) {
    static UnansweredDialogGuard* guard = nullptr;
    if (!guard) {
        guard = new UnansweredDialogGuard;  // lives as long as the application
        qApp->installEventFilter(guard);
    }
    guard->timeout = timeout;
}

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
