// Copies a bottom-up 24-bit buffer into a 32-bit surface, flipping it upright
// and replicating pixels when stretched (source column = destination column
// x width / stretchWidth, rows likewise), so enlargement repeats pixels.
#include "dialog/widgets/ImageCanvas.h"

#include <algorithm>
#include <cstddef>

#include "engine/PlaneOps.h"
#include "image/DisplayColour.h"

void ImageCanvas::drawBottomUpBgr(std::span<const std::uint8_t> pixels, int width, int height, int x,
                                  int y, int stretchWidth, int stretchHeight)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    const bool stretched = stretchWidth > 0 && stretchHeight > 0;
    const int drawWidth = stretched ? stretchWidth : width;
    const int drawHeight = stretched ? stretchHeight : height;
    const std::size_t stride = rowStride(width);
    if (pixels.size() < stride * static_cast<std::size_t>(height)) {
        return;
    }

    // Only the part of the picture that lands on the surface is visited.
    const int firstRow = std::max(0, -y);
    const int lastRow = std::min(drawHeight, surface_.height() - y);
    const int firstColumn = std::max(0, -x);
    const int lastColumn = std::min(drawWidth, surface_.width() - x);
    const auto displayColour = display::transformFor(pictureProfile());
    for (int row = firstRow; row < lastRow; ++row) {
        const long long sourceRowFromTop =
            stretched ? static_cast<long long>(row) * height / drawHeight : row;
        const std::size_t sourceRow = static_cast<std::size_t>(height - 1 - sourceRowFromTop);
        const std::uint8_t* source = pixels.data() + sourceRow * stride;
        auto* target = reinterpret_cast<QRgb*>(surface_.scanLine(y + row));
        for (int column = firstColumn; column < lastColumn; ++column) {
            const long long sourceColumn =
                stretched ? static_cast<long long>(column) * width / drawWidth : column;
            const std::uint8_t* pixel = source + 3 * sourceColumn;
            target[x + column] = qRgb(pixel[2], pixel[1], pixel[0]);
        }
        if (displayColour && lastColumn > firstColumn) {
            displayColour->convertBgrx(reinterpret_cast<std::uint8_t*>(target + x + firstColumn),
                                       static_cast<std::size_t>(lastColumn - firstColumn));
        }
    }
}
