// Triangle blur: builds the integer weight table (radius + divisor - i) /
// divisor and runs the shared separable passes over the whole image or the
// preview rectangle.
#include "engine/TriangleBlur.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/SeparableBlur.h"
#include "engine/WholeImage.h"

namespace engine {

// w[i] = (radius + divisor - i) / divisor for i = 0 to radius, every weight at
// least 1. The table stops at the image's longer side, since no tap further
// out lies inside the image. A divisor below 1 is taken as 1 and a negative
// radius as 0, so that no argument can divide by zero or size the table
// negatively.
std::vector<std::int32_t> triangleWeights(int radius, int divisor, const ImagePlanes& image)
{
    const std::int64_t r = std::max(radius, 0);
    const std::int64_t d = std::max(divisor, 1);
    const std::int64_t longestOffset = std::max({image.width, image.height, 1}) - 1;
    const std::int64_t last = std::min(r, longestOffset);
    std::vector<std::int32_t> weights(static_cast<std::size_t>(last) + 1);
    for (std::int64_t i = 0; i <= last; ++i) {
        weights[i] = static_cast<std::int32_t>((r + d - i) / d);
    }
    return weights;
}

} // namespace engine

using engine::blurColumnsInPlace;
using engine::blurAreaIntoScratch;
using engine::blurRowsIntoScratch;
using engine::triangleWeights;
using engine::wholeImage;

void triangleBlurRows(ImagePlanes& image, int radius, int divisor)
{
    const std::vector<std::int32_t> weights = triangleWeights(radius, divisor, image);
    blurRowsIntoScratch(image, weights, wholeImage(image));
}

void triangleBlurColumns(ImagePlanes& image, int radius, int divisor)
{
    const std::vector<std::int32_t> weights = triangleWeights(radius, divisor, image);
    blurColumnsInPlace(image, weights);
}

void triangleBlurPreview(ImagePlanes& image, PreviewRect rect, int radius, int divisor)
{
    const std::vector<std::int32_t> weights = triangleWeights(radius, divisor, image);
    blurAreaIntoScratch(image, weights, rect);
}
