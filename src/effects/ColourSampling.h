// The average colour of a rectangle of `current`, for the effect dialog's
// colour sampling. Exact integer sums, so the same for any thread count.
#pragma once

#include <cstdint>

#include "engine/ImagePlanes.h"

// Averages the pixels of columns x0 to x0 + w - 1 and plane rows y0 to
// y0 + h - 1 of `current` that lie inside the image (the rest are skipped);
// each component is the mean truncated toward zero. Returns
// blue x 65536 + green x 256 + red. A rectangle that misses the image
// entirely gives 0 (black).
std::uint32_t sampleAverageColour(const ImagePlanes& image, int x0, int y0, int w, int h);
