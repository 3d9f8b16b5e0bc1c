// The effect dialog's rules over the catalogue's per-mode set-ups: which
// modes gate their preview, where the paint fills the swatches, and how the
// user's slider positions and sampled colours become the values the
// document reads after OK. Toolkit-free pure functions, shared by the Qt
// dialog, `fotra` and the tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "document/EffectCatalogue.h"
#include "document/EffectValues.h"

// Modes 5, 9 and 10 compute their preview only while check box 1018 is
// checked (their rank filter is slow); every other mode always previews.
constexpr bool isPreviewGated(const ModeSetup& setup) { return setup.previewEnabled; }

// Where the paint draws the sampling square and fills the target swatch.
constexpr bool paintsTargetSwatch(const ModeSetup& setup) { return setup.showsSampling; }
// Where the paint fills the light swatch (shown only in mode 15).
constexpr bool paintsLightSwatch(const ModeSetup& setup) { return setup.hasLightSliders; }

// The values the dialog holds once it has started: slider positions (hidden
// ones included) and the colours after the mode's presets.
EffectValues startValues(const ModeSetup& setup);

// The dialog's colour rule at every paint: in mode 18 the light colour is a
// copy of the target colour; elsewhere it stays as it is.
RgbColour lightColourAtPaint(int mode, RgbColour targetColour, RgbColour lightColour);

// Get-colour: the sampled colour becomes the target colour, and in mode 30
// also the light colour.
void takeSampledColour(int mode, EffectValues& values, RgbColour sampled);

// What the user changed before OK; unset fields keep the start values. A
// sampled colour stands for a get-colour, a light colour for the positions of
// the Red/Green/Blue sliders.
struct DialogChoices {
    std::optional<int> strength;
    std::optional<int> effect;
    std::optional<int> precision;
    std::optional<RgbColour> sampledColour;
    std::optional<RgbColour> lightSliders;
};

// Empty when the mode's dialog lets the user make every given choice (the
// control is shown and the value lies in its range, colour components in
// 0..255); otherwise a one-line description of the first problem.
std::string checkChoices(const ModeSetup& setup, const DialogChoices& choices);

// The values the document reads after OK when the user made these choices
// (which checkChoices accepts): hidden sliders at their start positions,
// the light colour following the target in modes 18 and 30.
EffectValues valuesAfterOk(const ModeSetup& setup, const DialogChoices& choices);
