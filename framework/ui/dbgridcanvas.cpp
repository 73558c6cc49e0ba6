#include "framework/ui/dbgridcanvas.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>

TCanvas::TCanvas(QPainter* painter) : m_painter(painter) {}

void TCanvas::FillRect(const QRect& rect) {
    m_painter->fillRect(rect, m_brush.Color());
}

void TCanvas::Draw(int x, int y, const QPixmap& bitmap) {
    m_painter->drawPixmap(x, y, bitmap);
}

void TCanvas::Draw(int x, int y, const QPixmap& bitmap, const QColor& transparentColor) {
    QPixmap keyed = bitmap;
    keyed.setMask(bitmap.createMaskFromColor(transparentColor, Qt::MaskInColor));
    m_painter->drawPixmap(x, y, keyed);
}

void TCanvas::BrushCopy(const QRect& dest, const QPixmap& bitmap, const QRect& source,
                        const QColor& transparentColor) {
    const QRect available = source.intersected(bitmap.rect());
    if (available.isEmpty() || dest.isEmpty())
        return;
    QImage image = bitmap.toImage().copy(available).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparentColor.rgb();
    const QRgb brush = m_brush.Color().rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xff000000U) == key)
                line[x] = brush;
        }
    }
    const QPoint offset = available.topLeft() - source.topLeft();
    m_painter->save();
    m_painter->setClipRect(dest, Qt::IntersectClip);
    m_painter->drawImage(dest.topLeft() + offset, image);
    m_painter->restore();
}
