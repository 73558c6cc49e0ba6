#pragma once

// The drawing surface a grid hands to its OnDrawColumnCell handler: a brush holding the colour the
// grid chose for the cell, rectangle fills, and bitmaps copied with a transparent key colour.

#include <QColor>
#include <QPixmap>
#include <QRect>

class QPainter;

class TBrush {
public:
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color) { m_color = color; }

private:
    QColor m_color = Qt::white;
};

class TCanvas {
public:
    // Draws through painter, which must outlive the canvas.
    explicit TCanvas(QPainter* painter);

    TBrush& Brush() { return m_brush; }
    const TBrush& Brush() const { return m_brush; }

    // Fills rect with the brush colour.
    void FillRect(const QRect& rect);
    // Draws bitmap with its top-left corner at (x, y).
    void Draw(int x, int y, const QPixmap& bitmap);
    // Draws bitmap at (x, y), leaving the pixels of transparentColor undrawn.
    void Draw(int x, int y, const QPixmap& bitmap, const QColor& transparentColor);
    // Copies the source rectangle of bitmap unscaled to the top-left of dest, clipped to dest and to
    // the bitmap; the pixels of transparentColor take the brush colour.
    void BrushCopy(const QRect& dest, const QPixmap& bitmap, const QRect& source,
                   const QColor& transparentColor);

    QPainter* painter() const { return m_painter; }

private:
    QPainter* m_painter;
    TBrush m_brush;
};
