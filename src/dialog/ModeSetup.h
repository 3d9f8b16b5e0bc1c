// How the effect dialog sets itself up for each of the 32 modes: title, shown
// control groups, slider ranges and start positions, colour presets, labels,
// the preview check box and the help text, declared once in one table. Also
// the rules that turn the user's slider positions and sampled colours into
// the values the document reads after OK. Toolkit-free: plain data and pure
// functions, shared by the Qt dialog, `fotra` and the tests.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "document/EffectValues.h"

// One slider's set-up. A slider the mode does not configure keeps the
// default range 0..100 and position 0; OK still copies that position.
struct SliderSetup {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    bool configured = false;

    constexpr bool contains(int value) const { return value >= minimum && value <= maximum; }
};

constexpr SliderSetup sliderRange(int minimum, int maximum, int position)
{
    return {minimum, maximum, position, true};
}

// Captions the template gives the sampling group box and label 1012.
inline constexpr std::string_view kSkinGroupCaption = "肌色を指定";
inline constexpr std::string_view kSkinPrecisionLabel = "肌色の精度";

// The set-up of one mode. Every group not marked shown is hidden; the three
// panes, check box 1018, OK and Cancel are always shown. A hidden slider may
// still be configured: its position is what OK hands on.
struct ModeSetup {
    int mode = 0;                   // 1..32
    std::string_view title;         // window title (UTF-8)

    bool showsStrength = false;     // controls 1000, 1002, 1010
    bool showsEffect = false;       // 1001, 1003, 1011
    bool showsPrecision = false;    // 1004, 1005, 1012
    bool showsSampling = false;     // 1017, 1013, 1014, 1016, 1019, 1020
    bool showsHelp = false;         // 1015
    bool showsLight = false;        // Red/Green/Blue sliders, their edits and labels, swatch 1021

    SliderSetup strength;           // slider 1000 "強度"      -> strengthValue
    SliderSetup effect;             // slider 1001 "効果"      -> effectValue
    SliderSetup precision;          // slider 1004              -> precisionValue
    SliderSetup sampleSide;         // slider 1016: side of the sampling square (sampleRange 50 if unconfigured)
    bool hasLightSliders = false;   // sliders 1006, 1022, 1027 set to 0..255 at lightColour's components

    RgbColour targetColour{255, 255, 255};  // preset or initial `targetColour`
    RgbColour lightColour{128, 128, 128};   // preset or initial `lightColour`

    std::string_view samplingCaption = kSkinGroupCaption; // group box 1017
    std::string_view precisionLabel = kSkinPrecisionLabel; // label 1012

    bool previewChecked = true;     // check box 1018 at start-up
    bool previewEnabled = false;    // whether the user may toggle it
    std::string_view helpText;      // Help's message (\n = line break); empty: no message
};

// The 32 set-ups, mode 1 first.
std::span<const ModeSetup> modeSetups();

// The set-up of `mode`, or null outside 1..32.
const ModeSetup* findModeSetup(int mode);

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
