// The average colour of a rectangle of `current`. The rectangle is clipped to
// the image first (equivalent to skipping outside pixels); each worker sums
// its rows in integers and the partial sums are added after the loop, which
// is exact in any order.
#include "effects/ColourSampling.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// The mean truncated toward zero; a mean of bytes cannot exceed 255.
std::uint32_t meanComponent(std::uint64_t sum, std::uint64_t count)
{
    const double mean = static_cast<double>(sum) / static_cast<double>(count);
    return mean > 255.0 ? 255u : static_cast<std::uint32_t>(mean);
}

} // namespace

std::uint32_t sampleAverageColour(const ImagePlanes& image, int x0, int y0, int w, int h)
{
    // 64-bit bounds so that x0 + w cannot overflow.
    const std::int64_t firstColumn = std::max<std::int64_t>(x0, 0);
    const std::int64_t endColumn = std::min<std::int64_t>(std::int64_t{x0} + w, image.width);
    const std::int64_t firstRow = std::max<std::int64_t>(y0, 0);
    const std::int64_t endRow = std::min<std::int64_t>(std::int64_t{y0} + h, image.height);
    if (endColumn <= firstColumn || endRow <= firstRow) {
        return 0;
    }
    const std::uint8_t* current = image.current.data();
    const std::size_t stride = image.stride();
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
#pragma omp parallel for schedule(static) reduction(+ : red, green, blue)
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        const std::uint8_t* pixel = current + static_cast<std::size_t>(row) * stride + 3 * static_cast<std::size_t>(firstColumn);
        for (std::int64_t x = firstColumn; x < endColumn; ++x, pixel += 3) {
            blue += pixel[0];
            green += pixel[1];
            red += pixel[2];
        }
    }
    const std::uint64_t count = static_cast<std::uint64_t>(endRow - firstRow) * static_cast<std::uint64_t>(endColumn - firstColumn);
    return meanComponent(blue, count) * 65536u + meanComponent(green, count) * 256u + meanComponent(red, count);
}
