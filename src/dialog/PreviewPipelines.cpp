// The effect dialog's preview: the catalogue's preview stages of a mode over
// the preview region, after the dialog's gating and paint rules.
#include "dialog/PreviewPipelines.h"

#include "dialog/ModeSetup.h"
#include "dialog/PaneGeometry.h"
#include "document/EffectPipelines.h"

PreviewShows runPreviewPipeline(ImagePlanes& image, int mode, const EffectValues& sliders, PreviewRect region,
                                bool previewChecked)
{
    const EffectCommand* entry = findEffectMode(mode);
    if (entry == nullptr || !rectangleInsidePhoto(region, image)) {
        return PreviewShows::resultRegion;
    }
    if (isPreviewGated(entry->setup) && !previewChecked) {
        return PreviewShows::currentRegion;
    }
    EffectValues values = sliders;
    values.lightColour = lightColourAtPaint(mode, sliders.targetColour, sliders.lightColour);
    runStagesOnRegion(image, entry->previewStages(), values, region);
    return PreviewShows::resultRegion;
}
