// The record's canvas on a QPainter. Only the part of a picture that falls
// inside the visible area is converted and painted; every painted pixel has
// the bytes it would have if the whole picture were painted, because each
// destination pixel is computed on its own from its source pixel.
#pragma once

#include <QRect>
#include <QRegion>

#include "image/Canvas.h"

class QPainter;

class QtCanvas : public ICanvas {
public:
    // `visibleArea` is in the painter's (canvas) coordinates.
    QtCanvas(QPainter& painter, const QRegion& visibleArea) : painter_(painter), visibleArea_(visibleArea) {}

    // Enlargement replicates pixels: destination column dx of a picture w
    // pixels wide stretched to sw shows source column dx * w / sw (integer
    // division), and the same for rows.
    void drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height, int x, int y,
                         int stretchWidth = 0, int stretchHeight = 0) override;

private:
    // The part `area` of the picture drawn over `picture` (both in canvas coordinates).
    void drawArea(std::span<const std::uint8_t> pixels, int width, int height, const QRect& picture, const QRect& area);

    QPainter& painter_;
    QRegion visibleArea_;
};
