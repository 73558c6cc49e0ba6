#include "host/screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <utility>

namespace zrm::host {

namespace {

void printLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace

Screenshot::Screenshot(QWidget& window, QString file, QObject* parent)
    : QObject(parent), m_window(window), m_file(std::move(file)) {
    qApp->installEventFilter(this);
}

Screenshot::~Screenshot() {
    qApp->removeEventFilter(this);
}

void Screenshot::takeWhenSettled() {
    // Opening a screen queues its layout and activation; they run before this zero timer fires.
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::sendPostedEvents();
        if (QWidget* modal = QApplication::activeModalWidget())
            answerDialog(modal);
        if (!m_taken)
            write(compose(m_window, nullptr));
        Q_EMIT finished();
    });
}

QImage Screenshot::compose(QWidget& window, QWidget* dialog) {
    QPixmap picture = window.grab();
    if (dialog != nullptr) {
        const QPixmap box = dialog->grab();
        QPoint at = window.mapFromGlobal(dialog->mapToGlobal(QPoint(0, 0)));
        if (!picture.rect().contains(QRect(at, box.size())))
            at = QPoint((picture.width() - box.width()) / 2, (picture.height() - box.height()) / 2);
        QPainter painter(&picture);
        painter.drawPixmap(at, box);
    }
    return picture.toImage();
}

QString Screenshot::dialogText(QWidget& dialog) {
    QStringList lines;
    if (!dialog.windowTitle().isEmpty())
        lines << dialog.windowTitle();
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (label->text().isEmpty() || !label->isVisibleTo(&dialog))
            continue;
        lines << (label->textFormat() == Qt::PlainText
                      ? label->text()
                      : QTextDocumentFragment::fromHtml(label->text()).toPlainText());
    }
    return lines.join(QLatin1Char('\n'));
}

bool Screenshot::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->isModal() && widget != &m_window) {
            // Answered from the event loop the dialog runs, once it is up.
            QTimer::singleShot(0, this, [this, dialog = QPointer<QWidget>(widget)] { answerDialog(dialog); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void Screenshot::answerDialog(QWidget* dialog) {
    if (dialog == nullptr || !dialog->isVisible())
        return;
    m_failed = true;
    printLine(dialogText(*dialog));
    if (!m_taken)
        write(compose(m_window, dialog));
    // As Esc would: the screen goes on as if the person had dismissed the box.
    if (auto* modalDialog = qobject_cast<QDialog*>(dialog))
        modalDialog->reject();
    else
        dialog->close();
}

void Screenshot::write(const QImage& picture) {
    m_taken = true;
    if (!picture.save(m_file, "PNG")) {
        printLine(QStringLiteral("Não foi possível gravar a imagem em \"%1\".").arg(m_file));
        m_failed = true;
    }
}

}  // namespace zrm::host
