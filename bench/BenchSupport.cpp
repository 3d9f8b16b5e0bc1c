#include "BenchSupport.h"

#include <cstdint>

#include "support/TestImages.h"

namespace bench {

ImagePlanes& photo()
{
    static ImagePlanes image = testsupport::photoLikeImage(6000, 4000, 1);
    return image;
}

void timeOn(benchmark::State& state, ImagePlanes& image, const Operation& operation)
{
    // Every iteration starts from the planes as they were before the first:
    // an operation rerun on its own output would find pieces already holding
    // the bytes it writes and skip them, which a real run cannot.
    const ImagePlanes fresh = image;
    for (auto _ : state) {
        state.PauseTiming();
        image = fresh;
        state.ResumeTiming();
        operation(image);
        benchmark::ClobberMemory();
    }
    image = fresh;
    const double pixels = static_cast<double>(image.width) * image.height;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * pixels));
    state.counters["MP/s"] = benchmark::Counter(state.iterations() * pixels / 1e6, benchmark::Counter::kIsRate);
}

} // namespace bench
