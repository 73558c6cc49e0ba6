#pragma once

// The host's unattended run (--screenshot): a picture of the main window once the screens have
// opened, and no wait for a person. A modal dialog that opens meanwhile (a screen's start-up error
// box, say) is drawn into the picture over the window, its text goes to standard error, it is closed
// as Esc would close it, and the run counts as failed. Every later modal dialog is told and closed
// the same way, so the run always ends by itself.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace zrm::host {

class Screenshot : public QObject {
    Q_OBJECT

public:
    // Watches the application's modal dialogs from now on, for a picture of window. Make it before
    // the packages open their screens.
    Screenshot(QWidget& window, QString file, QObject* parent = nullptr);
    ~Screenshot() override;
    Screenshot(const Screenshot&) = delete;
    Screenshot& operator=(const Screenshot&) = delete;

    // To be called when the screens have opened: once the events their opening queued have run, takes
    // the picture (unless a dialog's picture was taken already), writes it and fires finished.
    void takeWhenSettled();

    // Whether a modal dialog opened or the picture could not be written. Each such problem was told
    // on standard error.
    bool failed() const { return m_failed; }

    // The window with dialog drawn over it where it shows (centred when it lies outside the window);
    // the window alone when dialog is null.
    static QImage compose(QWidget& window, QWidget* dialog);

    // The title and the texts a dialog shows, one per line, for standard error.
    static QString dialogText(QWidget& dialog);

Q_SIGNALS:
    // The picture was written, or could not be; the run may end.
    void finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answerDialog(QWidget* dialog);
    void write(const QImage& picture);

    QWidget& m_window;
    QString m_file;
    bool m_taken = false;
    bool m_failed = false;
};

}  // namespace zrm::host
