// Bright and dark sharpen: per channel, the mean of the bytes of the nested
// clipped squares that are not brighter (bright) or not darker (dark) than
// the pixel's own byte, a byte counted once per square that holds it.
// Written into `scratch` only; split by rows only.
#include "engine/BrightDarkSharpen.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/WholeImage.h"

using engine::wholeImage;

namespace {

enum class Side { Bright, Dark };

// The squares of the family: half-sizes radius, radius - step, ... while at
// least 1. A radius below 1 leaves the pixel alone (one square of half-size 0)
// and a step below 1 is taken as 1, so that the family is always finite and
// never empty.
struct SquareFamily {
    std::int32_t radius;
    std::int32_t step;
    std::int32_t count;
};

SquareFamily squareFamily(int radius, int ringStep)
{
    if (radius < 1) {
        return SquareFamily{0, 1, 1};
    }
    const std::int32_t step = std::max(ringStep, 1);
    return SquareFamily{radius, step, (radius + step - 1) / step};
}

// The pixel rule for the three channels of one pixel.
template <Side side>
inline void sharpenPixel(const ImagePlanes& image, const SquareFamily& family, std::int32_t x, std::int32_t y,
                         std::uint8_t* out)
{
    const std::size_t stride = image.stride();
    const std::uint8_t* current = image.current.data();
    const std::uint8_t* own = current + y * stride + 3 * static_cast<std::size_t>(x);
    // Sums of bytes are integers, so integer sums equal the double sums.
    std::int32_t sums[3] = {0, 0, 0};
    std::int32_t counts[3] = {0, 0, 0};
    for (std::int32_t k = 0; k < family.count; ++k) {
        const std::int32_t half = family.radius - k * family.step;
        const std::int32_t firstRow = std::max(0, y - half);
        const std::int32_t lastRow = std::min(image.height - 1, y + half);
        const std::int32_t firstColumn = std::max(0, x - half);
        const std::int32_t lastColumn = std::min(image.width - 1, x + half);
        for (std::int32_t row = firstRow; row <= lastRow; ++row) {
            const std::uint8_t* pixel = current + row * stride + 3 * static_cast<std::size_t>(firstColumn);
            for (std::int32_t column = firstColumn; column <= lastColumn; ++column, pixel += 3) {
                for (int c = 0; c < 3; ++c) {
                    const bool taken = side == Side::Bright ? pixel[c] <= own[c] : pixel[c] >= own[c];
                    sums[c] += taken ? pixel[c] : 0;
                    counts[c] += taken ? 1 : 0;
                }
            }
        }
    }
    for (int c = 0; c < 3; ++c) {
        // A mean of bytes: truncation alone stores it.
        out[c] = static_cast<std::uint8_t>(static_cast<double>(sums[c]) / static_cast<double>(counts[c]));
    }
}

template <Side side>
void sharpenArea(ImagePlanes& image, PreviewRect area, int radius, int ringStep)
{
    const SquareFamily family = squareFamily(radius, ringStep);
    const std::size_t stride = image.stride();
    std::uint8_t* scratch = image.scratch.data();
    parallelRows(area.y0, area.y0 + area.h - 1, [&](std::int32_t row) {
        std::uint8_t* out = scratch + row * stride + 3 * static_cast<std::size_t>(area.x0);
        for (std::int32_t x = area.x0; x < area.x0 + area.w; ++x, out += 3) {
            sharpenPixel<side>(image, family, x, row, out);
        }
    });
}

} // namespace

void brightSharpen(ImagePlanes& image, int radius, int ringStep)
{
    sharpenArea<Side::Bright>(image, wholeImage(image), radius, ringStep);
}

void darkSharpen(ImagePlanes& image, int radius, int ringStep)
{
    sharpenArea<Side::Dark>(image, wholeImage(image), radius, ringStep);
}

void brightSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep)
{
    sharpenArea<Side::Bright>(image, rect, radius, ringStep);
}

void darkSharpenPreview(ImagePlanes& image, PreviewRect rect, int radius, int ringStep)
{
    sharpenArea<Side::Dark>(image, rect, radius, ringStep);
}
