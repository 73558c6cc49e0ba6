#pragma once

// TImage: shows a picture; a hidden one serves as a bitmap store for owner-drawn cells.

#include "framework/ui/control.h"

#include <QLabel>
#include <QPixmap>

class TImage : public TControl<QLabel> {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    QPixmap Picture() const { return m_picture; }
    void SetPicture(const QPixmap& picture);
    // The picture as a bitmap to draw with (the same pixels).
    QPixmap Bitmap() const { return m_picture; }
    bool Stretch() const { return hasScaledContents(); }
    void SetStretch(bool stretch) { setScaledContents(stretch); }

    // Loads a picture from a file or resource path (":/…"), or from "data:image/png;base64,…".
    // Returns a null pixmap when nothing readable is there.
    static QPixmap loadPicture(const QString& source);

private:
    QPixmap m_picture;
};
