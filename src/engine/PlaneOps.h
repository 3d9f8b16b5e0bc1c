// What every engine operation shares: the row stride, the byte rule for
// storing a real into a channel, whole-plane copies and fills, and the
// parallel row loop. parallelRows uses a static OpenMP schedule; every output
// byte is written by one worker, so results never depend on the thread count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The rectangle of a preview twin: columns x0 to x0 + w - 1 and plane rows
// y0 to y0 + h - 1. The caller keeps it inside the image; no twin checks it.
struct PreviewRect {
    std::int32_t x0 = 0;
    std::int32_t y0 = 0;
    std::int32_t w = 0;
    std::int32_t h = 0;
};

// Bytes per plane row of `width` pixels: 3 x width rounded up to a multiple of 4.
constexpr std::size_t rowStride(std::int64_t width)
{
    return static_cast<std::size_t>(((width * 24 + 31) >> 3) & ~std::int64_t{3});
}

// The byte rule: 0 below 0, 255 above 255, otherwise truncated toward zero.
// Nothing in the engine rounds to nearest. NaN stores 0.
inline std::uint8_t storeByte(double value)
{
    if (!(value >= 0.0)) {
        return 0;
    }
    if (value > 255.0) {
        return 255;
    }
    return static_cast<std::uint8_t>(value);
}

// Whole-plane copy and fill: height x stride bytes, row padding included.
inline void copyPlane(std::vector<std::uint8_t>& destination, const std::vector<std::uint8_t>& source)
{
    std::copy(source.begin(), source.end(), destination.begin());
}

inline void fillPlane(std::vector<std::uint8_t>& plane, std::uint8_t value)
{
    std::fill(plane.begin(), plane.end(), value);
}

// True when rect covers the whole image of `width` x `height`.
template <typename Image>
bool isWholeImage(const PreviewRect& rect, const Image& image)
{
    return rect.x0 == 0 && rect.y0 == 0 && rect.w == image.width && rect.h == image.height;
}

// What a consuming stage leaves in `scratch` (all zero between operations),
// one row at a time while the row is still in cache: over the whole image
// the row with its padding, over a preview rectangle only the `count` bytes
// from `offset` it read, since the rest of the plane is zero already. So a
// preview's cost grows with its rectangle, not with the photo.
inline void clearScratchRow(std::uint8_t* scratch, std::size_t rowStart, std::size_t offset, std::size_t count,
                            std::size_t stride, bool wholeImage)
{
    if (wholeImage) {
        std::fill_n(scratch + rowStart, stride, std::uint8_t{0});
    } else {
        std::fill_n(scratch + offset, count, std::uint8_t{0});
    }
}

// Runs body(row) for every row from first to last inclusive, spread over the
// runtime's default number of workers in contiguous blocks (static schedule),
// and returns when every row is done. Does nothing when last < first.
template <typename Body>
void parallelRows(std::int32_t first, std::int32_t last, Body&& body)
{
    if (last < first) {
        return;
    }
#pragma omp parallel for schedule(static)
    for (std::int32_t row = first; row <= last; ++row) {
        body(row);
    }
}
