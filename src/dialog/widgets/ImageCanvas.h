// ICanvas over a QImage: the image record paints its bottom-up blue-green-red
// buffers into a pane's surface through it. Pixels are copied exactly (no
// smoothing, no colour management) and clipped to the surface.
#pragma once

#include <QImage>

#include "image/Canvas.h"

class ImageCanvas final : public ICanvas {
public:
    // `surface` must be Format_RGB32 and outlive the canvas.
    explicit ImageCanvas(QImage& surface) : surface_(surface) {}

    void drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height, int x, int y,
                         int stretchWidth = 0, int stretchHeight = 0) override;

private:
    QImage& surface_;
};
