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

// Both passes restricted to area, with the full passes' bytes there: the
// rows of `current` are blurred over the area's columns and over the rows
// the column windows reach beyond the area (the image's own edges clip), then
// blurred along the columns in place. Only the area of `scratch` changes:
// the rows borrowed around it are put back as they were, and `result` is not
// touched. The work grows with the area, not with the image.
void blurAreaIntoScratch(ImagePlanes& image, BlurWeights weights, PreviewRect area);

// The column pass over the whole image, as if it wrote `result`, copied the
// whole plane (padding included) into `scratch` and filled `result` with 0:
// the same bytes as those steps. The blurred pixels go straight into
// `scratch`, whose row padding then takes `result`'s, and `result` is filled
// with 0.
void blurColumnsInPlace(ImagePlanes& image, BlurWeights weights);

} // namespace engine
