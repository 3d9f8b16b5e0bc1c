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
    for (auto _ : state) {
        operation(image);
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(image.width) * image.height;
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * pixels));
    state.counters["MP/s"] = benchmark::Counter(state.iterations() * pixels / 1e6, benchmark::Counter::kIsRate);
}

} // namespace bench
