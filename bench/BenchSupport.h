// What the engine and effects benchmarks share: the 24-megapixel photo-like
// image they time on (made once per run) and the timing loop that reports
// megapixels per second.
#pragma once

#include <functional>

#include <benchmark/benchmark.h>

#include "engine/ImagePlanes.h"

namespace bench {

using Operation = std::function<void(ImagePlanes&)>;

// The 6000 x 4000 photo-like image, shared by every benchmark of the run.
ImagePlanes& photo();

// Runs the operation on a fresh copy of the image for every iteration (the
// copy is not timed) and reports the pixels processed per second as items
// and as "MP/s". The image is left as it was.
void timeOn(benchmark::State& state, ImagePlanes& image, const Operation& operation);

} // namespace bench
