// The per-mode set-up table against the dialog's published set-up, row by
// row, and the rules that turn slider positions and sampled colours into the
// values the document reads after OK.
#include "dialog/ModeSetup.h"

#include <string>

#include <gtest/gtest.h>

#include "document/EffectCatalogue.h"

namespace {

struct Range {
    int minimum;
    int maximum;
    int position;
};
constexpr Range kNone{0, 100, 0}; // not configured: default range, position 0

// One row of the published table. groups: S strength, E effect, P precision,
// Q sampling, H help, L light.
struct ExpectedRow {
    int mode;
    const char* title;
    const char* groups;
    Range strength;
    Range effect;
    Range precision;
    Range sampleSide;
    bool lightSliders;
    RgbColour target;
    RgbColour light;
    const char* caption;
    const char* precisionLabel;
    bool checked;
    bool enabled;
};

constexpr Range S100{1, 100, 10};
constexpr Range S10{1, 10, 10};
constexpr Range E10{1, 100, 10};
constexpr Range E100{1, 100, 100};
constexpr Range Q{10, 100, 50};
constexpr RgbColour W{255, 255, 255};
constexpr RgbColour G{128, 128, 128};
const char* const Skin = "肌色を指定";
const char* const SkinP = "肌色の精度";
const char* const Edit = "編集する色を指定";
const char* const Range_ = "色域の精度";

const ExpectedRow kRows[] = {
    {1, "フラッシュ", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {2, "ピント修正", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {3, "ビビットカラー", "E", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {4, "ソフトフォーカス", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {5, "HDR", "SEH", S10, E10, kNone, kNone, false, W, G, Skin, SkinP, false, true},
    {6, "濃く（コントラスト）", "E", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {7, "白黒", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {8, "くっきり", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {9, "なめらか", "SEH", S10, E10, kNone, kNone, false, W, G, Skin, SkinP, false, true},
    {10, "美肌", "SEPQH", S10, E100, {1, 100, 10}, Q, false, {250, 214, 186}, G, Skin, SkinP, false, true},
    {11, "指定色をぼかす", "SEPQH", S10, E100, {1, 100, 10}, Q, false, W, G, Edit, Range_, true, false},
    {12, "指定色をくっきり", "SEPQH", {0, 255, 10}, {0, 255, 10}, {0, 255, 10}, Q, false, W, G, Skin, SkinP, true,
     false},
    {13, "指定色を強く、弱く", "EPQH", S10, {-100, 100, 100}, {1, 100, 100}, Q, false, W, G, Edit, Range_, true,
     false},
    {14, "指定色をくっきりフラッシュ", "SEPQH", S10, E100, {1, 100, 10}, Q, false, W, G, Edit, Range_, true, false},
    {15, "カラーライト", "EL", kNone, {1, 100, 50}, kNone, kNone, true, W, G, Skin, SkinP, true, false},
    {16, "ウォーム", "E", kNone, E10, kNone, kNone, true, W, {255, 87, 0}, Skin, SkinP, true, false},
    {17, "クール", "E", kNone, E10, kNone, kNone, true, W, {0, 169, 255}, Skin, SkinP, true, false},
    {18, "白色補正", "EQH", kNone, E10, kNone, Q, true, W, G, "白くする指定", SkinP, true, false},
    {19, "全体的に明るく", "E", kNone, E10, kNone, kNone, true, W, W, Skin, SkinP, true, false},
    {20, "明るいところをより明るく", "E", kNone, E10, kNone, kNone, true, W, W, Skin, SkinP, true, false},
    {21, "暗いところをより明るく", "E", kNone, E10, kNone, kNone, true, W, W, Skin, SkinP, true, false},
    {22, "明るいところを濃く", "E", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {23, "暗いところを濃く", "E", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {24, "明るいところをビビットに", "E", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {25, "暗いところをビビットに", "E", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {26, "全体的に暗く", "E", kNone, E10, kNone, kNone, true, W, {0, 0, 0}, Skin, SkinP, true, false},
    {27, "クリアカラー", "E", kNone, E10, kNone, kNone, true, W, G, Skin, SkinP, true, false},
    {28, "明るくくっきり", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {29, "暗くくっきり", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {30, "特定色の強調", "EPQH", S10, {1, 100, 50}, {1, 100, 50}, Q, false, G, G, "編集する色域を指定", Range_, true,
     false},
    {31, "影を濃く", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
    {32, "光を強く", "SE", S100, E10, kNone, kNone, false, W, G, Skin, SkinP, true, false},
};

// Choices built step by step: Choices().withStrength(1).withEffect(55).
struct Choices : DialogChoices {
    Choices& withStrength(int v) { strength = v; return *this; }
    Choices& withEffect(int v) { effect = v; return *this; }
    Choices& withPrecision(int v) { precision = v; return *this; }
    Choices& withSampled(RgbColour c) { sampledColour = c; return *this; }
    Choices& withLight(RgbColour c) { lightSliders = c; return *this; }
};

std::string shownGroups(const ModeSetup& setup)
{
    std::string groups;
    groups += setup.showsStrength ? "S" : "";
    groups += setup.showsEffect ? "E" : "";
    groups += setup.showsPrecision ? "P" : "";
    groups += setup.showsSampling ? "Q" : "";
    groups += setup.showsHelp ? "H" : "";
    groups += setup.showsLight ? "L" : "";
    return groups;
}

void expectSlider(const SliderSetup& actual, const Range& expected, bool configured, const char* name)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(actual.configured, configured);
    EXPECT_EQ(actual.minimum, expected.minimum);
    EXPECT_EQ(actual.maximum, expected.maximum);
    EXPECT_EQ(actual.position, expected.position);
}

const ModeSetup& setupOf(int mode)
{
    const ModeSetup* setup = findModeSetup(mode);
    EXPECT_NE(setup, nullptr);
    return *setup;
}

TEST(ModeSetupTable, EveryModeMatchesThePublishedRow)
{
    ASSERT_EQ(kEffectCommands.size(), 32U);
    for (const ExpectedRow& row : kRows) {
        SCOPED_TRACE("mode " + std::to_string(row.mode));
        const ModeSetup& setup = setupOf(row.mode);
        EXPECT_EQ(setup.mode, row.mode);
        EXPECT_EQ(setup.title, row.title);
        EXPECT_EQ(setup.title, findEffectMode(row.mode)->title);
        EXPECT_EQ(shownGroups(setup), row.groups);
        expectSlider(setup.strength, row.strength, row.strength.position != 0, "strength");
        expectSlider(setup.effect, row.effect, true, "effect");
        expectSlider(setup.precision, row.precision, row.precision.position != 0, "precision");
        expectSlider(setup.sampleSide, row.sampleSide, row.sampleSide.position != 0, "sample side");
        EXPECT_EQ(setup.hasLightSliders, row.lightSliders);
        EXPECT_EQ(setup.targetColour, row.target);
        EXPECT_EQ(setup.lightColour, row.light);
        EXPECT_EQ(setup.samplingCaption, row.caption);
        EXPECT_EQ(setup.precisionLabel, row.precisionLabel);
        EXPECT_EQ(setup.previewChecked, row.checked);
        EXPECT_EQ(setup.previewEnabled, row.enabled);
        EXPECT_EQ(isPreviewGated(setup), row.mode == 5 || row.mode == 9 || row.mode == 10);
    }
}

TEST(ModeSetupTable, UnknownModesHaveNoSetup)
{
    EXPECT_EQ(findModeSetup(0), nullptr);
    EXPECT_EQ(findModeSetup(33), nullptr);
    EXPECT_EQ(findModeSetup(-1), nullptr);
}

TEST(ModeSetupTable, HelpTextsOfModes5_9_10_13AndSilenceElsewhere)
{
    const std::string slow =
        "右上画像下の”プレビューする”にチェックを入れないと、右上のプレビュー画面は更新されません。\n"
        "プレビューに時間がかかりますから、不要の場合は”プレビューする”にチェックをしない方がよいでしょう。";
    const std::string skin =
        "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで肌色を指定します。\n"
        "右下の”肌色の精度”スライダーを調整します。\n"
        "肌色の精度を高くすると、指定した肌色に近い部分のみが画像処理されます。\n"
        "肌色の精度を低くすると、指定した肌色と異なる部分も画像処理されます。\n" +
        slow;
    const std::string colourRange =
        "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで処理する色を指定します。\n"
        "右下の”色域の精度”スライダーを調整します。\n"
        "色域の精度を高くすると、指定した色に近い部分のみが画像処理されます。\n"
        "色域の精度を低くすると、指定した肌色と異なる部分も画像処理されます。";
    EXPECT_EQ(setupOf(5).helpText, slow);
    EXPECT_EQ(setupOf(9).helpText, slow);
    EXPECT_EQ(setupOf(10).helpText, skin);
    EXPECT_EQ(setupOf(13).helpText, colourRange);
    for (const int mode : {11, 12, 14, 18, 30}) {
        EXPECT_TRUE(setupOf(mode).showsHelp) << mode;
        EXPECT_TRUE(setupOf(mode).helpText.empty()) << mode;
    }
    for (const EffectCommand& entry : kEffectCommands) {
        const ModeSetup& setup = entry.setup;
        // A message implies a visible button.
        EXPECT_TRUE(setup.helpText.empty() || setup.showsHelp) << setup.mode;
    }
}

TEST(ModeSetupTable, PaintStepsBeforeThePipeline)
{
    for (const EffectCommand& entry : kEffectCommands) {
        const ModeSetup& setup = entry.setup;
        const int m = setup.mode;
        const bool samples = (m >= 10 && m <= 14) || m == 18 || m == 30;
        const bool lightSwatch = (m >= 15 && m <= 21) || m == 26 || m == 27;
        EXPECT_EQ(paintsTargetSwatch(setup), samples) << m;
        EXPECT_EQ(paintsLightSwatch(setup), lightSwatch) << m;
    }
}

TEST(ValuesAfterOk, HiddenSlidersHandOnTheirStartPositions)
{
    for (const int mode : {3, 6, 22, 23, 24, 25, 13, 30}) {
        EXPECT_EQ(valuesAfterOk(setupOf(mode), {}).strengthValue, 10) << mode;
    }
    // Slider 1004 not configured: precision 0. Sliders 1000 of the fill
    // modes not configured: strength 0.
    for (const EffectCommand& entry : kEffectCommands) {
        const ModeSetup& setup = entry.setup;
        const EffectValues values = valuesAfterOk(setup, {});
        if (!setup.precision.configured) {
            EXPECT_EQ(values.precisionValue, 0) << setup.mode;
        }
        if (!setup.strength.configured) {
            EXPECT_EQ(values.strengthValue, 0) << setup.mode;
        }
    }
    const EffectValues mode13 = valuesAfterOk(setupOf(13), Choices().withEffect(-100));
    EXPECT_EQ(mode13.effectValue, -100);
    EXPECT_EQ(mode13.precisionValue, 100);
    const EffectValues mode12 = valuesAfterOk(setupOf(12), {});
    EXPECT_EQ(mode12.strengthValue, 10);
    EXPECT_EQ(mode12.effectValue, 10);
    EXPECT_EQ(mode12.precisionValue, 10);
}

TEST(ValuesAfterOk, ChosenPositionsReplaceTheStartPositions)
{
    const EffectValues values = valuesAfterOk(setupOf(10), Choices().withStrength(1).withEffect(55).withPrecision(100));
    EXPECT_EQ(values.strengthValue, 1);
    EXPECT_EQ(values.effectValue, 55);
    EXPECT_EQ(values.precisionValue, 100);
    EXPECT_EQ(values.targetColour, (RgbColour{250, 214, 186}));
    EXPECT_EQ(values.lightColour, (RgbColour{128, 128, 128}));
}

TEST(ValuesAfterOk, LightColourRulesOfModes15_18_30)
{
    // Mode 15: the Red/Green/Blue sliders, which start at 128.
    EXPECT_EQ(valuesAfterOk(setupOf(15), {}).lightColour, (RgbColour{128, 128, 128}));
    EXPECT_EQ(valuesAfterOk(setupOf(15), Choices().withLight(RgbColour{1, 2, 3})).lightColour, (RgbColour{1, 2, 3}));
    // Mode 18: the light colour follows the target at every paint, the
    // unsampled target (white) included.
    EXPECT_EQ(valuesAfterOk(setupOf(18), {}).lightColour, (RgbColour{255, 255, 255}));
    const EffectValues sampled18 = valuesAfterOk(setupOf(18), Choices().withSampled(RgbColour{10, 20, 30}));
    EXPECT_EQ(sampled18.targetColour, (RgbColour{10, 20, 30}));
    EXPECT_EQ(sampled18.lightColour, (RgbColour{10, 20, 30}));
    // Mode 30: both colours start at 128 and get-colour sets both.
    EXPECT_EQ(valuesAfterOk(setupOf(30), {}).lightColour, (RgbColour{128, 128, 128}));
    const EffectValues sampled30 = valuesAfterOk(setupOf(30), Choices().withSampled(RgbColour{40, 50, 60}));
    EXPECT_EQ(sampled30.targetColour, (RgbColour{40, 50, 60}));
    EXPECT_EQ(sampled30.lightColour, (RgbColour{40, 50, 60}));
    // Other sampling modes leave the light colour alone.
    for (const int mode : {10, 11, 12, 13, 14}) {
        const EffectValues values = valuesAfterOk(setupOf(mode), Choices().withSampled(RgbColour{1, 1, 1}));
        EXPECT_EQ(values.targetColour, (RgbColour{1, 1, 1})) << mode;
        EXPECT_EQ(values.lightColour, (RgbColour{128, 128, 128})) << mode;
    }
    // Hidden light sliders keep the presets.
    EXPECT_EQ(valuesAfterOk(setupOf(16), {}).lightColour, (RgbColour{255, 87, 0}));
    EXPECT_EQ(valuesAfterOk(setupOf(26), {}).lightColour, (RgbColour{0, 0, 0}));
    EXPECT_EQ(valuesAfterOk(setupOf(27), {}).lightColour, (RgbColour{128, 128, 128}));
}

TEST(ValuesAfterOk, PaintAndGetColourSteps)
{
    EXPECT_EQ(lightColourAtPaint(18, {1, 2, 3}, {9, 9, 9}), (RgbColour{1, 2, 3}));
    for (const int mode : {15, 17, 30}) {
        EXPECT_EQ(lightColourAtPaint(mode, {1, 2, 3}, {9, 9, 9}), (RgbColour{9, 9, 9})) << mode;
    }
    EffectValues values = startValues(setupOf(30));
    takeSampledColour(30, values, {7, 8, 9});
    EXPECT_EQ(values.lightColour, (RgbColour{7, 8, 9}));
    values = startValues(setupOf(18));
    takeSampledColour(18, values, {7, 8, 9});
    EXPECT_EQ(values.targetColour, (RgbColour{7, 8, 9}));
    EXPECT_EQ(values.lightColour, (RgbColour{128, 128, 128})); // until the next paint
}

TEST(CheckChoices, AcceptsEveryShownControlAtItsRangeEnds)
{
    for (const EffectCommand& entry : kEffectCommands) {
        const ModeSetup& setup = entry.setup;
        for (const bool high : {false, true}) {
            DialogChoices choices;
            if (setup.showsStrength) {
                choices.strength = high ? setup.strength.maximum : setup.strength.minimum;
            }
            choices.effect = high ? setup.effect.maximum : setup.effect.minimum;
            if (setup.showsPrecision) {
                choices.precision = high ? setup.precision.maximum : setup.precision.minimum;
            }
            const int c = high ? 255 : 0;
            if (setup.showsSampling) {
                choices.sampledColour = RgbColour{c, c, c};
            }
            if (setup.showsLight) {
                choices.lightSliders = RgbColour{c, c, c};
            }
            EXPECT_EQ(checkChoices(setup, choices), "") << setup.mode;
        }
    }
}

TEST(CheckChoices, NamesTheFirstProblem)
{
    EXPECT_EQ(checkChoices(setupOf(1), Choices().withStrength(0)), "strength 0 is outside its range 1..100");
    EXPECT_EQ(checkChoices(setupOf(5), Choices().withStrength(11)), "strength 11 is outside its range 1..10");
    EXPECT_EQ(checkChoices(setupOf(13), Choices().withEffect(-101)), "effect -101 is outside its range -100..100");
    EXPECT_EQ(checkChoices(setupOf(12), Choices().withPrecision(256)), "precision 256 is outside its range 0..255");
    EXPECT_EQ(checkChoices(setupOf(3), Choices().withStrength(10)), "this mode has no strength slider");
    EXPECT_EQ(checkChoices(setupOf(1), Choices().withPrecision(10)), "this mode has no precision slider");
    EXPECT_EQ(checkChoices(setupOf(1), Choices().withSampled(RgbColour{})), "this mode samples no target colour");
    EXPECT_EQ(checkChoices(setupOf(16), Choices().withLight(RgbColour{})), "this mode has no light colour sliders");
    EXPECT_EQ(checkChoices(setupOf(10), Choices().withSampled(RgbColour{0, 256, 0})),
              "target colour components must lie in 0..255");
    EXPECT_EQ(checkChoices(setupOf(15), Choices().withLight(RgbColour{-1, 0, 0})),
              "light colour components must lie in 0..255");
}

} // namespace
