// Painting a bottom-up blue-green-red buffer onto a QPainter, limited to the
// visible area; each destination pixel is taken from one source pixel.
#include "app/QtCanvas.h"

#include <vector>

#include <QImage>
#include <QPainter>

#include "engine/PlaneOps.h"
#include "image/DisplayColour.h"

void QtCanvas::drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height, int x, int y,
                               int stretchWidth, int stretchHeight)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    const bool stretched = stretchWidth > 0 && stretchHeight > 0;
    const QRect picture(x, y, stretched ? stretchWidth : width, stretched ? stretchHeight : height);
    if (pixels.size() < rowStride(width) * static_cast<std::size_t>(height)) {
        return;
    }
    // A scroll uncovers an L-shaped strip: its rectangles are painted one by
    // one rather than the box around them.
    for (const QRect& visible : visibleArea_) {
        const QRect area = picture.intersected(visible);
        if (!area.isEmpty()) {
            drawArea(pixels, width, height, picture, area);
        }
    }
}

void QtCanvas::drawArea(std::span<const std::uint8_t> pixels, int width, int height, const QRect& picture,
                        const QRect& area)
{
    const std::size_t sourceStride = rowStride(width);
    const int destWidth = picture.width();
    const int destHeight = picture.height();
    // Source row of a destination offset inside the picture; the source
    // columns of the visible destination columns are tabled once per paint.
    const auto sourceRow = [&](int dy) { return static_cast<int>(static_cast<long long>(dy) * height / destHeight); };
    const int firstColumn = area.left() - picture.left();
    std::vector<int> sourceColumns(static_cast<std::size_t>(area.width()));
    for (int column = 0; column < area.width(); ++column) {
        const int dx = firstColumn + column;
        sourceColumns[static_cast<std::size_t>(column)] = static_cast<int>(static_cast<long long>(dx) * width / destWidth);
    }

    // Converted straight into the 32-bit format of raster backing stores, so
    // that painting it is a plain copy. Rows are independent: they are
    // filled in parallel, which keeps a full-screen repaint quick enough for
    // dragging the scroll bars over a large photo.
    QImage image(area.size(), QImage::Format_RGB32);
    const auto displayColour = display::transformFor(pictureProfile());
    const int rows = area.height();
    const int columns = area.width();
    parallelRows(0, rows - 1, [&](std::int32_t row) {
        // Plane rows are bottom-up: picture row 0 is the last stored row.
        const int pictureRow = sourceRow(area.top() - picture.top() + row);
        const std::uint8_t* source = pixels.data() + static_cast<std::size_t>(height - 1 - pictureRow) * sourceStride;
        auto* target = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int column = 0; column < columns; ++column) {
            const std::uint8_t* pixel = source + 3 * static_cast<std::size_t>(sourceColumns[static_cast<std::size_t>(column)]);
            target[column] = qRgb(pixel[2], pixel[1], pixel[0]);
        }
        if (displayColour) {
            displayColour->convertBgrx(reinterpret_cast<std::uint8_t*>(target), static_cast<std::size_t>(columns));
        }
    });
    painter_.drawImage(area.topLeft(), image);
}
