// The effect dialog's live preview: for each of the 32 modes, the preview
// twins of its engine operations run on the preview region with the sliders'
// positions at paint time. The pipeline writes `result` inside the region,
// leaves `scratch` zero where it ends with a compose, and never writes
// `current`; the bytes do not depend on the thread count.
#pragma once

#include "document/EffectValues.h"
#include "engine/ImagePlanes.h"

// What the preview pane shows after the pipeline: the region of `result`, or
// (a slow mode with its preview switched off) the untouched region of `current`.
enum class PreviewShows { resultRegion, currentRegion };

// Runs mode's (1..32) preview pipeline on `region`. sliders: strengthValue, effectValue and precisionValue hold the
// positions of sliders 1000, 1001 and 1004 now, targetColour and lightColour
// the dialog's colours (mode 18 uses the target as its light colour, as the
// paint does). previewChecked is check box 1018: in modes 5, 9 and 10 an
// unchecked box runs nothing and leaves every plane as it was. Mode 27 reads
// the record's mean colour, which the document computed before the dialog.
// An unknown mode, or a region that does not lie inside the photo, does
// nothing.
PreviewShows runPreviewPipeline(ImagePlanes& image, int mode, const EffectValues& sliders, PreviewRect region,
                                bool previewChecked);
