#pragma once

// BusyWindow: the modeless wait window shown around long operations. It never takes the focus (the
// screen's active control and its Enter/Exit stay as they are), is shown and hidden by its caller,
// and paints itself at once, so it shows even while the caller blocks on a remote call.
//
// Animation kinds: 6 is a rotating spinner (fetching); 1, and any other kind, a bar moving to and
// fro (saving, working).

#include <QString>
#include <QWidget>

class BusyWindow : public QWidget {
    Q_OBJECT
public:
    // over: the window to centre on and stay above (nullptr: centred on the screen).
    explicit BusyWindow(QWidget* over = nullptr);

    // Shows the window with the animation of kind and text (empty text: the animation alone),
    // without activating it. Showing again changes kind and text.
    void showBusy(int kind, const QString& text = QString());
    void hideBusy();

    int kind() const { return m_kind; }
    QString text() const { return m_text; }

    static constexpr int spinnerKind = 6;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void paintSpinner(QPainter& painter, const QRect& area) const;
    void paintMovingBar(QPainter& painter, const QRect& area) const;

    QWidget* m_over;
    int m_kind = 1;
    QString m_text;
    int m_frame = 0;
    int m_timerId = 0;
};
