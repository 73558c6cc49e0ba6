#pragma once

// Headless widget tests: answering modal dialogs from a test, finding components by name, and
// bringing a window back to the focus after a dialog (on the offscreen platform no window is active
// once a modal dialog closes).

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

namespace zrm::test {

// Answers the modal dialogs a test's action opens, in order, and records what they said.
//
//     DialogAnswerer answers;
//     answers.answerNext(QMessageBox::Yes);
//     QTest::mouseClick(button, Qt::LeftButton);   // opens a Yes/No box, answered Yes
//     EXPECT_EQ(answers.texts(), QStringList{"Confirma exclusão?"});
class DialogAnswerer : public QObject {
    Q_OBJECT
public:
    DialogAnswerer();
    ~DialogAnswerer() override;

    // The next modal dialog gets button clicked (a QMessageBox standard button).
    void answerNext(QMessageBox::StandardButton button);
    // The next modal dialog is handed to action, which must close it (reject(), done(), a click…).
    void answerNext(std::function<void(QWidget* dialog)> action);

    // The texts of the dialogs answered so far (a message box's text, else the window title).
    QStringList texts() const { return m_texts; }
    QStringList titles() const { return m_titles; }
    // Answers not used yet.
    int pending() const { return m_answers.size(); }

private:
    void poll();

    QTimer m_timer;
    QList<std::function<void(QWidget*)>> m_answers;
    QList<QPointer<QWidget>> m_answered;
    QStringList m_texts;
    QStringList m_titles;
};

// The object named name among every top-level widget and its descendants (widgets, actions,
// datasets, fields…); nullptr when there is none or it is not a T.
QObject* findComponent(const QString& name);
template <class T>
T* findComponent(const QString& name) {
    return qobject_cast<T*>(findComponent(name));
}

// Closes window (a screen, or the sub-window holding it) while the modal dialog that opensDialog
// shows is open, answering Yes when the screen asks before closing; then answers that first dialog
// with answer and waits until the window is gone. Returns false when no dialog came or the window
// outlived the wait.
bool closeWhileDialogOpen(QWidget* window, const std::function<void()>& opensDialog,
                          QMessageBox::StandardButton answer);

// A modal dialog still open timeout after it was shown, which no test answered, fails the running
// test with its text and is closed as Escape would close it: a test that forgot an answer fails
// instead of waiting forever. Every widget test's main installs it with a generous time; a test may
// shorten it and must put it back.
void guardUnansweredDialogs(std::chrono::milliseconds timeout);

// Runs the event loop until every event already posted (and every zero-time timer already started)
// has been handled: a bounded wait for a check that something did NOT happen.
void processPendingEvents();

// Shows window and waits until it is active; false when it did not become active.
bool showActive(QWidget* window);
// Activates widget's window again (after a modal dialog closed) and waits until it is active.
bool reactivate(QWidget* widget);

}  // namespace zrm::test
