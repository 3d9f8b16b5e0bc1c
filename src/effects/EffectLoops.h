// Row loops shared by the tone and colour effects: per-pixel and per-byte
// loops over a rectangle (the full forms pass the whole image) on top of
// parallelRows.
// Every pixel is written by one worker, so the bytes never depend on the
// thread count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/ImagePlanes.h"
#include "engine/PlaneOps.h"
#include "engine/WholeImage.h"

namespace effects {

using engine::wholeImage;

// Runs pixel(offset) for every pixel of rect, offset being the byte index of
// its blue channel in any plane; rows in parallel, columns ascending.
template <typename Pixel>
void forEachPixel(const ImagePlanes& image, const PreviewRect& rect, Pixel&& pixel)
{
    const std::size_t stride = image.stride();
    parallelRows(rect.y0, rect.y0 + rect.h - 1, [&](std::int32_t row) {
        std::size_t offset = static_cast<std::size_t>(row) * stride + 3 * static_cast<std::size_t>(rect.x0);
        for (std::int32_t x = 0; x < rect.w; ++x, offset += 3) {
            pixel(offset);
        }
    });
}

// Runs bytes(offset, count) for every row of rect: the `count` = 3 x rect.w
// pixel bytes of the rectangle start at byte index `offset` in any plane.
// For rules that treat every channel byte alike.
template <typename Bytes>
void forEachRowSpan(const ImagePlanes& image, const PreviewRect& rect, Bytes&& bytes)
{
    const std::size_t stride = image.stride();
    const std::size_t count = 3 * static_cast<std::size_t>(rect.w > 0 ? rect.w : 0);
    parallelRows(rect.y0, rect.y0 + rect.h - 1, [&](std::int32_t row) {
        bytes(static_cast<std::size_t>(row) * stride + 3 * static_cast<std::size_t>(rect.x0), count);
    });
}

} // namespace effects
