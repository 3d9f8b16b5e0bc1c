// Gaussian blur: builds the integer weight table for sigma and runs the
// shared separable passes over the whole image or the preview rectangle.
#include "engine/GaussianBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/SeparableBlur.h"
#include "engine/WholeImage.h"

namespace engine {

// w[i] = trunc(64 x exp(-(i x i) / (2 sigma x sigma))) for i = 0 to
// trunc(3 x sigma). The table stops at the image's longer side, since no tap
// further out lies inside the image; a sigma that is not positive gives the
// single centre weight (the blur then copies its input).
std::vector<std::int32_t> gaussianWeights(double sigma, const ImagePlanes& image)
{
    const double longestOffset = std::max({image.width, image.height, 1}) - 1;
    const std::int64_t radius = sigma > 0.0 ? static_cast<std::int64_t>(std::min(3.0 * sigma, longestOffset)) : 0;
    std::vector<std::int32_t> weights(static_cast<std::size_t>(radius) + 1);
    weights[0] = 64; // exp(-0) is exactly 1 for every positive sigma
    for (std::int64_t i = 1; i <= radius; ++i) {
        const double squared = static_cast<double>(i * i);
        weights[i] = static_cast<std::int32_t>(64.0 * std::exp(-(squared / ((sigma + sigma) * sigma))));
    }
    return weights;
}

} // namespace engine

using engine::blurColumnsInPlace;
using engine::blurAreaIntoScratch;
using engine::blurRowsIntoScratch;
using engine::gaussianWeights;
using engine::wholeImage;

void gaussianBlurRows(ImagePlanes& image, double sigma)
{
    const std::vector<std::int32_t> weights = gaussianWeights(sigma, image);
    blurRowsIntoScratch(image, weights, wholeImage(image));
}

void gaussianBlurColumns(ImagePlanes& image, double sigma)
{
    const std::vector<std::int32_t> weights = gaussianWeights(sigma, image);
    blurColumnsInPlace(image, weights);
}

void gaussianBlurPreview(ImagePlanes& image, PreviewRect rect, double sigma)
{
    if (sigma == 0.0) {
        return;
    }
    const std::vector<std::int32_t> weights = gaussianWeights(sigma, image);
    blurAreaIntoScratch(image, weights, rect);
}
