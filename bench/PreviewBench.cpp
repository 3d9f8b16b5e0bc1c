// What the user feels while dragging a slider: each mode's preview pipeline
// on a 360 x 331 region in the middle of a 24-megapixel photo-like image,
// with the mode's sliders at their slowest (strength and effect at their
// maxima, precision at its minimum: the widest colour range) and the preview
// switch on, on the AVX2 kernels (as on a processor without AVX-512). Each
// repaint starts from fresh `result` and `scratch` planes.
#include <string>

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

const int kRegistered = [] {
    for (const ModeSetup& setup : modeSetups()) {
        benchmark::RegisterBenchmark(("Preview/mode:" + std::to_string(setup.mode)).c_str(),
                                     [&setup](benchmark::State& state) {
                                         ImagePlanes& image = photo();
                                         const PreviewRect region{(image.width - 360) / 2, (image.height - 331) / 2,
                                                                  360, 331};
                                         const EffectValues values = slowestValues(setup);
                                         // The kernels of a processor without AVX-512.
                                         engine::setKernelTarget(engine::KernelTarget::Avx2);
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
                                     })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

} // namespace
