// The per-mode set-up table of the effect dialog and the rules that turn the
// user's choices into the values read after OK.
#include "dialog/ModeSetup.h"

#include <array>

#include "document/CommandTable.h"

namespace {

constexpr std::string_view titleOf(int mode) { return kEffectCommands[mode - 1].title; }

constexpr SliderSetup kStrength100 = sliderRange(1, 100, 10);
constexpr SliderSetup kStrength10 = sliderRange(1, 10, 10);
constexpr SliderSetup kEffect10 = sliderRange(1, 100, 10);
constexpr SliderSetup kEffect100 = sliderRange(1, 100, 100);
constexpr SliderSetup kSampleSide = sliderRange(10, 100, 50);

constexpr std::string_view kEditColourCaption = "編集する色を指定";
constexpr std::string_view kColourPrecisionLabel = "色域の精度";

constexpr std::string_view kSlowPreviewHelp =
    "右上画像下の”プレビューする”にチェックを入れないと、右上のプレビュー画面は更新されません。\n"
    "プレビューに時間がかかりますから、不要の場合は”プレビューする”にチェックをしない方がよいでしょう。";
constexpr std::string_view kSkinHelp =
    "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで肌色を指定します。\n"
    "右下の”肌色の精度”スライダーを調整します。\n"
    "肌色の精度を高くすると、指定した肌色に近い部分のみが画像処理されます。\n"
    "肌色の精度を低くすると、指定した肌色と異なる部分も画像処理されます。\n"
    "右上画像下の”プレビューする”にチェックを入れないと、右上のプレビュー画面は更新されません。\n"
    "プレビューに時間がかかりますから、不要の場合は”プレビューする”にチェックをしない方がよいでしょう。";
constexpr std::string_view kColourRangeHelp =
    "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで処理する色を指定します。\n"
    "右下の”色域の精度”スライダーを調整します。\n"
    "色域の精度を高くすると、指定した色に近い部分のみが画像処理されます。\n"
    "色域の精度を低くすると、指定した肌色と異なる部分も画像処理されます。";

// The groups a mode shows, for base() below.
enum Shown : unsigned {
    Strength = 1U << 0,
    Effect = 1U << 1,
    Precision = 1U << 2,
    Sampling = 1U << 3,
    Help = 1U << 4,
    Light = 1U << 5,
};

constexpr ModeSetup base(int mode, unsigned shown)
{
    ModeSetup setup;
    setup.mode = mode;
    setup.title = titleOf(mode);
    setup.showsStrength = (shown & Strength) != 0;
    setup.showsEffect = (shown & Effect) != 0;
    setup.showsPrecision = (shown & Precision) != 0;
    setup.showsSampling = (shown & Sampling) != 0;
    setup.showsHelp = (shown & Help) != 0;
    setup.showsLight = (shown & Light) != 0;
    return setup;
}

// The strength and effect sliders at 1..100, position 10; the strength row
// is shown or, in modes 3, 6 and 22 to 25, hidden.
constexpr ModeSetup strengthAndEffect(int mode, unsigned shown = Strength | Effect)
{
    ModeSetup setup = base(mode, shown);
    setup.strength = kStrength100;
    setup.effect = kEffect10;
    return setup;
}

// The rank-filter modes 5 and 9: strength 1..10, preview switched off at first.
constexpr ModeSetup slowPreview(int mode)
{
    ModeSetup setup = base(mode, Strength | Effect | Help);
    setup.strength = kStrength10;
    setup.effect = kEffect10;
    setup.previewChecked = false;
    setup.previewEnabled = true;
    setup.helpText = kSlowPreviewHelp;
    return setup;
}

// The colour-range modes with the sampling group (10 to 14 and 30).
constexpr ModeSetup colourRange(int mode, unsigned shown, SliderSetup strength, SliderSetup effect,
                                SliderSetup precision)
{
    ModeSetup setup = base(mode, shown);
    setup.strength = strength;
    setup.effect = effect;
    setup.precision = precision;
    setup.sampleSide = kSampleSide;
    return setup;
}

constexpr ModeSetup withColourLabels(ModeSetup setup, std::string_view caption)
{
    setup.samplingCaption = caption;
    setup.precisionLabel = kColourPrecisionLabel;
    return setup;
}

// The colour-fill modes: Red/Green/Blue sliders at the light colour, which a
// preset may replace first (hidden sliders then keep it).
constexpr ModeSetup lightSliders(int mode, unsigned shown, SliderSetup effect, RgbColour light = {128, 128, 128})
{
    ModeSetup setup = base(mode, shown);
    setup.effect = effect;
    setup.hasLightSliders = true;
    setup.lightColour = light;
    return setup;
}

constexpr unsigned kColourRangeGroups = Strength | Effect | Precision | Sampling | Help;

constexpr std::array<ModeSetup, kEffectModeCount> kModeSetups{{
    strengthAndEffect(1),
    strengthAndEffect(2),
    strengthAndEffect(3, Effect),
    strengthAndEffect(4),
    slowPreview(5),
    strengthAndEffect(6, Effect),
    strengthAndEffect(7),
    strengthAndEffect(8),
    slowPreview(9),
    [] {
        ModeSetup setup = colourRange(10, kColourRangeGroups, kStrength10, kEffect100, sliderRange(1, 100, 10));
        setup.targetColour = {250, 214, 186};
        setup.previewChecked = false;
        setup.previewEnabled = true;
        setup.helpText = kSkinHelp;
        return setup;
    }(),
    withColourLabels(colourRange(11, kColourRangeGroups, kStrength10, kEffect100, sliderRange(1, 100, 10)),
                     kEditColourCaption),
    colourRange(12, kColourRangeGroups, sliderRange(0, 255, 10), sliderRange(0, 255, 10), sliderRange(0, 255, 10)),
    [] {
        ModeSetup setup = withColourLabels(colourRange(13, Effect | Precision | Sampling | Help, kStrength10,
                                                       sliderRange(-100, 100, 100), sliderRange(1, 100, 100)),
                                           kEditColourCaption);
        setup.helpText = kColourRangeHelp;
        return setup;
    }(),
    withColourLabels(colourRange(14, kColourRangeGroups, kStrength10, kEffect100, sliderRange(1, 100, 10)),
                     kEditColourCaption),
    lightSliders(15, Effect | Light, sliderRange(1, 100, 50)),
    lightSliders(16, Effect, kEffect10, {255, 87, 0}),
    lightSliders(17, Effect, kEffect10, {0, 169, 255}),
    [] {
        ModeSetup setup = lightSliders(18, Effect | Sampling | Help, kEffect10);
        setup.sampleSide = kSampleSide;
        setup.samplingCaption = "白くする指定";
        return setup;
    }(),
    lightSliders(19, Effect, kEffect10, {255, 255, 255}),
    lightSliders(20, Effect, kEffect10, {255, 255, 255}),
    lightSliders(21, Effect, kEffect10, {255, 255, 255}),
    strengthAndEffect(22, Effect),
    strengthAndEffect(23, Effect),
    strengthAndEffect(24, Effect),
    strengthAndEffect(25, Effect),
    lightSliders(26, Effect, kEffect10, {0, 0, 0}),
    // No preset: the fill colour is the photo's mean, not the light colour.
    lightSliders(27, Effect, kEffect10),
    strengthAndEffect(28),
    strengthAndEffect(29),
    [] {
        ModeSetup setup = withColourLabels(colourRange(30, Effect | Precision | Sampling | Help, kStrength10,
                                                       sliderRange(1, 100, 50), sliderRange(1, 100, 50)),
                                           "編集する色域を指定");
        setup.targetColour = {128, 128, 128};
        return setup;
    }(),
    strengthAndEffect(31),
    strengthAndEffect(32),
}};

bool isByteColour(RgbColour colour)
{
    const auto inByte = [](int v) { return v >= 0 && v <= 255; };
    return inByte(colour.red) && inByte(colour.green) && inByte(colour.blue);
}

std::string sliderProblem(const char* name, bool shown, const SliderSetup& slider, int value)
{
    if (!shown) {
        return std::string("this mode has no ") + name + " slider";
    }
    if (!slider.contains(value)) {
        return std::string(name) + " " + std::to_string(value) + " is outside its range " +
               std::to_string(slider.minimum) + ".." + std::to_string(slider.maximum);
    }
    return {};
}

} // namespace

std::span<const ModeSetup> modeSetups() { return kModeSetups; }

const ModeSetup* findModeSetup(int mode)
{
    return mode >= 1 && mode <= kEffectModeCount ? &kModeSetups[mode - 1] : nullptr;
}

EffectValues startValues(const ModeSetup& setup)
{
    // Unconfigured sliders keep position 0, loaded from the zero values.
    EffectValues values;
    values.strengthValue = setup.strength.position;
    values.effectValue = setup.effect.position;
    values.precisionValue = setup.precision.position;
    values.targetColour = setup.targetColour;
    values.lightColour = setup.lightColour;
    return values;
}

RgbColour lightColourAtPaint(int mode, RgbColour targetColour, RgbColour lightColour)
{
    return mode == 18 ? targetColour : lightColour;
}

void takeSampledColour(int mode, EffectValues& values, RgbColour sampled)
{
    values.targetColour = sampled;
    if (mode == 30) {
        values.lightColour = sampled;
    }
}

std::string checkChoices(const ModeSetup& setup, const DialogChoices& choices)
{
    std::string problem;
    if (choices.strength && problem.empty()) {
        problem = sliderProblem("strength", setup.showsStrength, setup.strength, *choices.strength);
    }
    if (choices.effect && problem.empty()) {
        problem = sliderProblem("effect", setup.showsEffect, setup.effect, *choices.effect);
    }
    if (choices.precision && problem.empty()) {
        problem = sliderProblem("precision", setup.showsPrecision, setup.precision, *choices.precision);
    }
    if (choices.sampledColour && problem.empty()) {
        if (!setup.showsSampling) {
            problem = "this mode samples no target colour";
        } else if (!isByteColour(*choices.sampledColour)) {
            problem = "target colour components must lie in 0..255";
        }
    }
    if (choices.lightSliders && problem.empty()) {
        if (!setup.showsLight) {
            problem = "this mode has no light colour sliders";
        } else if (!isByteColour(*choices.lightSliders)) {
            problem = "light colour components must lie in 0..255";
        }
    }
    return problem;
}

EffectValues valuesAfterOk(const ModeSetup& setup, const DialogChoices& choices)
{
    EffectValues values = startValues(setup);
    values.strengthValue = choices.strength.value_or(values.strengthValue);
    values.effectValue = choices.effect.value_or(values.effectValue);
    values.precisionValue = choices.precision.value_or(values.precisionValue);
    if (choices.lightSliders) {
        values.lightColour = *choices.lightSliders;
    }
    if (choices.sampledColour) {
        takeSampledColour(setup.mode, values, *choices.sampledColour);
    }
    // The dialog has painted at least once before OK.
    values.lightColour = lightColourAtPaint(setup.mode, values.targetColour, values.lightColour);
    return values;
}
