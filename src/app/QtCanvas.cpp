// Painting a bottom-up blue-green-red buffer onto a QPainter, limited to the
// visible area; each destination pixel is taken from one source pixel.
#include "app/QtCanvas.h"

#include <cstring>

#include <QImage>
#include <QPainter>

#include "engine/PlaneOps.h"

void QtCanvas::drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height, int x, int y,
                               int stretchWidth, int stretchHeight)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    const bool stretched = stretchWidth > 0 && stretchHeight > 0;
    const int destWidth = stretched ? stretchWidth : width;
    const int destHeight = stretched ? stretchHeight : height;
    const QRect area = QRect(x, y, destWidth, destHeight).intersected(visibleArea_);
    if (area.isEmpty()) {
        return;
    }
    const std::size_t sourceStride = rowStride(width);
    if (pixels.size() < sourceStride * static_cast<std::size_t>(height)) {
        return;
    }

    // Source column and row of a destination offset inside the picture.
    const auto sourceColumn = [&](int dx) {
        return stretched ? static_cast<int>(static_cast<long long>(dx) * width / destWidth) : dx;
    };
    const auto sourceRow = [&](int dy) {
        return stretched ? static_cast<int>(static_cast<long long>(dy) * height / destHeight) : dy;
    };

    QImage image(area.size(), QImage::Format_BGR888);
    const int firstColumn = area.left() - x;
    for (int row = 0; row < area.height(); ++row) {
        // Plane rows are bottom-up: picture row 0 is the last stored row.
        const int pictureRow = sourceRow(area.top() - y + row);
        const std::uint8_t* source = pixels.data() + static_cast<std::size_t>(height - 1 - pictureRow) * sourceStride;
        std::uint8_t* target = image.scanLine(row);
        if (!stretched) {
            std::memcpy(target, source + 3 * static_cast<std::size_t>(firstColumn),
                        3 * static_cast<std::size_t>(area.width()));
            continue;
        }
        for (int column = 0; column < area.width(); ++column) {
            const std::uint8_t* pixel = source + 3 * static_cast<std::size_t>(sourceColumn(firstColumn + column));
            // Format_BGR888 stores blue, green, red like the plane.
            target[3 * column] = pixel[0];
            target[3 * column + 1] = pixel[1];
            target[3 * column + 2] = pixel[2];
        }
    }
    painter_.drawImage(area.topLeft(), image);
}
