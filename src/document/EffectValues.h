// The values an accepted effect dialog hands to the document: the slider
// positions and the two colours. The full-image pipelines, the preview
// pipelines and `fotra apply` all take them in this one form.
#pragma once

struct RgbColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

struct EffectValues {
    int strengthValue = 0;
    int effectValue = 0;
    int precisionValue = 0;
    RgbColour targetColour{255, 255, 255};
    RgbColour lightColour{128, 128, 128};
};
