// What the user feels while dragging a slider: each mode's preview pipeline
// on a 360 x 331 region in the middle of a 24-megapixel photo-like image,
// with the mode's sliders at their slowest (strength and effect at their
// maxima, precision at its minimum: the widest colour range) and the preview
// switch on, on the AVX2 kernels (as on a processor without AVX-512) and on
// the baseline kernels. Each repaint starts from fresh `result` and
// `scratch` planes. Run it with --benchmark_repetitions=5 for the best of
// five and OMP_WAIT_POLICY=passive so that waiting threads burn no CPU time.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "dialog/ModeSetup.h"
#include "dialog/PreviewPipelines.h"
#include "document/EffectPipelines.h"
#include "engine/KernelTargets.h"
#include "support/TestImages.h"

namespace {

ImagePlanes& photo()
{
    static ImagePlanes image = [] {
        ImagePlanes planes = testsupport::photoLikeImage(6000, 4000, 1);
        // Mode 27 previews with the mean colour its pre-dialog step leaves.
        runPreDialogStep(planes, 27);
        return planes;
    }();
    return image;
}

EffectValues slowestValues(const ModeSetup& setup)
{
    EffectValues values = startValues(setup);
    values.strengthValue = setup.strength.maximum;
    values.effectValue = setup.effect.maximum;
    values.precisionValue = setup.precision.minimum;
    return values;
}

// One repaint of `setup`'s mode on `target`'s kernels, timed from fresh planes.
void timeRepaint(benchmark::State& state, const ModeSetup& setup, engine::KernelTarget target)
{
    ImagePlanes& image = photo();
    const PreviewRect region{(image.width - 360) / 2, (image.height - 331) / 2, 360, 331};
    const EffectValues values = slowestValues(setup);
    engine::setKernelTarget(target);
    for (auto _ : state) {
        // Fresh planes: the idle convention the dialog opens with.
        state.PauseTiming();
        fillPlane(image.result, 255);
        fillPlane(image.scratch, 0);
        state.ResumeTiming();
        runPreviewPipeline(image, setup.mode, values, region, true);
        benchmark::ClobberMemory();
    }
    engine::resetKernelTarget();
}

const int kRegistered = [] {
    // The kernels of a processor without AVX-512, and the plain ones.
    for (const engine::KernelTarget target : {engine::KernelTarget::Avx2, engine::KernelTarget::Baseline}) {
        for (const EffectCommand& entry : kEffectCommands) {
            const ModeSetup& setup = entry.setup;
            const std::string name = "Preview/" + std::string(engine::kernelTargetName(target)) +
                                     "/mode:" + std::to_string(setup.mode);
            // On a shared machine the best of the repetitions is the figure;
            // the CPU column counts both threads, which load hardly changes.
            benchmark::RegisterBenchmark(name.c_str(), timeRepaint, std::cref(setup), target)
                ->MeasureProcessCPUTime()
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond)
                ->ComputeStatistics("best", [](const std::vector<double>& times) {
                    return *std::min_element(times.begin(), times.end());
                });
        }
    }
    return 0;
}();

} // namespace
