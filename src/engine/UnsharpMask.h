// Adaptive unsharp mask, the consuming stage after a triangle blur: like
// composeWithScratch, but each channel's strength is scaled by
// (255 - deviation) / 255, the deviation taken over a clipped square window
// of `current`. The bytes do not depend on the thread count.
#pragma once

#include <cstdint>

#include "engine/ImagePlanes.h"

// Writes every pixel of `result` from `current` (windows of half-size radius,
// 1 to 11) and `scratch` with the given amount (0.05 to 5), then fills the
// whole `scratch` plane with 0. A negative radius counts as 0.
void unsharpMask(ImagePlanes& image, int radius, double amount);

// The same on the rectangle only; windows read `current` beyond it. `result`
// outside the rectangle is left alone; the whole `scratch` plane is still
// filled with 0.
void unsharpMaskPreview(ImagePlanes& image, PreviewRect rect, int radius, double amount);

// How many channel bytes, over all calls so far, needed the window's
// squared deviations summed in scan order because the exact statistics did
// not decide them (for the benchmarks).
std::uint64_t unsharpWrittenSums();
