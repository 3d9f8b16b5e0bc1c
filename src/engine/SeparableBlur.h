// The pixel rule both integer blurs share: a symmetric window of integer
// weights along a row or a column, taps outside the image left out and the
// sum divided (truncated) by the weights actually used. Each pass covers any
// rectangle; the full passes hand it the whole image.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/ImagePlanes.h"

namespace engine {

// weights[i] is the weight of the taps at offsets -i and +i; weights[0] >= 1
// and the table does not increase outwards. Every sum fits a signed 32-bit
// accumulator for the weights the blurs build.
using BlurWeights = std::span<const std::int32_t>;

// The weight tables of the two blurs (defined beside each blur). Both stop at
// the image's longer side: no tap further out can lie inside the image.
std::vector<std::int32_t> gaussianWeights(double sigma, const ImagePlanes& image);
std::vector<std::int32_t> triangleWeights(int radius, int divisor, const ImagePlanes& image);

// Blurs `current` along rows into `scratch`, for the pixels of area only;
// taps reach `current` beyond the area.
void blurRowsIntoScratch(ImagePlanes& image, BlurWeights weights, PreviewRect area);

// Blurs `scratch` along columns into `result`, for the pixels of area only;
// taps read `scratch` beyond the area as it is.
void blurColumnsIntoResult(ImagePlanes& image, BlurWeights weights, PreviewRect area);

// What ends every column pass: the whole `result` plane, padding included,
// copied into `scratch`, then `result` filled with 0.
void moveResultToScratch(ImagePlanes& image);

// The column pass over the whole image followed by moveResultToScratch: the
// same bytes as the two steps. The blurred pixels go straight into
// `scratch`, whose row padding then takes `result`'s, and `result` is filled
// with 0.
void blurColumnsInPlace(ImagePlanes& image, BlurWeights weights);

} // namespace engine
