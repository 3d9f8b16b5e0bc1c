// The catalogue of the 32 effect modes and the three fixed filters, each
// declared once: command id, short English name, title, a mode's one-line
// description, the effect dialog's set-up and the pipeline as a list of
// stages. The accepted run executes the stages over the whole photo and the
// dialog's preview executes the same stages over its region; mode 12 declares
// its own preview stage and mode 27 the step it runs before its dialog opens.
// The document, the dialog, the menus, the help page's list of effects and
// `fotra` all read the modes from here; the document's command ids are
// declared here too.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "document/EffectValues.h"

namespace CommandId {
inline constexpr int OpenPhoto = 32772;
inline constexpr int SavePhoto = 32797;
inline constexpr int Undo = 32803;
inline constexpr int Redo = 32805;
inline constexpr int CommitResult = 32795;
// The three fixed filters without a dialog.
inline constexpr int TriangleSharpenFilter = 32776;
inline constexpr int OutlierFilter = 32788;
inline constexpr int MedianSharpenFilter = 32790;
} // namespace CommandId

inline constexpr int kEffectModeCount = 32;

// ---------------------------------------------------------------------------
// The effect dialog's set-up of one mode.

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

// Every group not marked shown is hidden; the three panes, check box 1018,
// OK and Cancel are always shown. A hidden slider may still be configured:
// its position is what OK hands on.
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

// ---------------------------------------------------------------------------
// Pipelines as lists of stages.

// The operation of one stage. Every operation but the fixed filters' medians
// has a preview twin over a region; the colour match mask exists only as a
// preview.
enum class StageOp {
    gaussianBlur,       // sigma S
    triangleBlur,       // radius and divisor
    rankFilter,         // radius S
    greyToScratch,
    invertToScratch,
    fillLightComplement, // 255 - light colour
    fillMeanColour,      // the photo's mean colour, truncated to bytes
    compose,
    brightCompose,
    darkCompose,
    colourRange,         // precision P, target colour
    scratchColourRange,  // precision P / 10, target colour
    unsharpMask,         // radius and amount
    greyResult,
    lightenScratch,
    darkenScratch,
    brightSharpen,       // radius and ring step
    darkSharpen,
    colourMatchMask,     // tolerances S, E, P around the target colour
    weightedMedian,      // radius and step
    replaceOutliers,
};

// The real strength of a compose: (+-E) / 100 x factor, the integer negated
// first and converted, or a fixed value.
struct StageAmount {
    double factor = 1.0;
    bool negated = false;
    bool fixed = false;
};

constexpr StageAmount effectTimes(double factor = 1.0) { return {factor, false, false}; }
constexpr StageAmount minusEffectTimes(double factor = 1.0) { return {factor, true, false}; }
constexpr StageAmount fixedAmount(double value) { return {value, false, true}; }

struct Stage {
    StageOp op = StageOp::compose;
    StageAmount amount;
    int radius = 0;  // 0: r = S div 10 + 1
    int divisor = 0; // divisor, ring step or median step; 0: the radius
};

constexpr Stage stage(StageOp op, StageAmount amount = {}) { return {op, amount, 0, 0}; }
constexpr Stage stage(StageOp op, int radius, int divisor) { return {op, {}, radius, divisor}; }

// Up to three stages, run in order.
struct Pipeline {
    std::array<Stage, 3> stages{};
    std::size_t count = 0;

    constexpr Pipeline() = default;
    template <typename... Stages>
    constexpr Pipeline(Stages... listed) : stages{listed...}, count(sizeof...(listed))
    {
    }
    constexpr std::span<const Stage> list() const { return {stages.data(), count}; }
};

// ---------------------------------------------------------------------------
// The entries.

struct EffectCommand {
    int mode;               // 1..32
    int commandId;
    std::string_view name;  // a short English name to type (fotra)
    std::string_view title; // the dialog's window title and menu text (UTF-8)
    std::string_view description; // what it does, in one sentence (the help page's list)
    bool inMainMenu;        // offered in the edit menu rather than under the further effects
    ModeSetup setup;
    Pipeline run;           // the accepted run, over the whole photo
    Pipeline preview{};     // empty: the preview runs `run` over its region
    bool meanBeforeDialog = false; // the photo's mean colour is computed before the dialog opens

    constexpr std::span<const Stage> previewStages() const
    {
        return preview.count != 0 ? preview.list() : run.list();
    }
};

struct FixedFilterCommand {
    int commandId;
    std::string_view name;  // a short English name to type (fotra)
    std::string_view title; // the menu text
    Pipeline run;
};

namespace catalogue {

inline constexpr SliderSetup kStrength100 = sliderRange(1, 100, 10);
inline constexpr SliderSetup kStrength10 = sliderRange(1, 10, 10);
inline constexpr SliderSetup kEffect10 = sliderRange(1, 100, 10);
inline constexpr SliderSetup kEffect100 = sliderRange(1, 100, 100);
inline constexpr SliderSetup kSampleSide = sliderRange(10, 100, 50);

inline constexpr std::string_view kEditColourCaption = "編集する色を指定";
inline constexpr std::string_view kColourPrecisionLabel = "色域の精度";

inline constexpr std::string_view kSlowPreviewHelp =
    "右上画像下の”プレビューする”にチェックを入れないと、右上のプレビュー画面は更新されません。\n"
    "プレビューに時間がかかりますから、不要の場合は”プレビューする”にチェックをしない方がよいでしょう。";
inline constexpr std::string_view kSkinHelp =
    "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで肌色を指定します。\n"
    "右下の”肌色の精度”スライダーを調整します。\n"
    "肌色の精度を高くすると、指定した肌色に近い部分のみが画像処理されます。\n"
    "肌色の精度を低くすると、指定した肌色と異なる部分も画像処理されます。\n"
    "右上画像下の”プレビューする”にチェックを入れないと、右上のプレビュー画面は更新されません。\n"
    "プレビューに時間がかかりますから、不要の場合は”プレビューする”にチェックをしない方がよいでしょう。";
inline constexpr std::string_view kColourRangeHelp =
    "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで処理する色を指定します。\n"
    "右下の”色域の精度”スライダーを調整します。\n"
    "色域の精度を高くすると、指定した色に近い部分のみが画像処理されます。\n"
    "色域の精度を低くすると、指定した肌色と異なる部分も画像処理されます。";

// The groups a mode shows.
enum Shown : unsigned {
    Strength = 1U << 0,
    Effect = 1U << 1,
    Precision = 1U << 2,
    Sampling = 1U << 3,
    Help = 1U << 4,
    Light = 1U << 5,
};
inline constexpr unsigned kColourRangeGroups = Strength | Effect | Precision | Sampling | Help;

constexpr ModeSetup shown(unsigned groups)
{
    ModeSetup setup;
    setup.showsStrength = (groups & Strength) != 0;
    setup.showsEffect = (groups & Effect) != 0;
    setup.showsPrecision = (groups & Precision) != 0;
    setup.showsSampling = (groups & Sampling) != 0;
    setup.showsHelp = (groups & Help) != 0;
    setup.showsLight = (groups & Light) != 0;
    return setup;
}

// The strength and effect sliders at 1..100, position 10; the strength row
// is shown or, in modes 3, 6 and 22 to 25, hidden.
constexpr ModeSetup strengthAndEffect(unsigned groups = Strength | Effect)
{
    ModeSetup setup = shown(groups);
    setup.strength = kStrength100;
    setup.effect = kEffect10;
    return setup;
}

// The rank-filter modes 5 and 9: strength 1..10, preview switched off at first.
constexpr ModeSetup slowPreview()
{
    ModeSetup setup = shown(Strength | Effect | Help);
    setup.strength = kStrength10;
    setup.effect = kEffect10;
    setup.previewChecked = false;
    setup.previewEnabled = true;
    setup.helpText = kSlowPreviewHelp;
    return setup;
}

// The colour-range modes with the sampling group (10 to 14 and 30).
constexpr ModeSetup colourRangeSetup(unsigned groups, SliderSetup strength, SliderSetup effect, SliderSetup precision)
{
    ModeSetup setup = shown(groups);
    setup.strength = strength;
    setup.effect = effect;
    setup.precision = precision;
    setup.sampleSide = kSampleSide;
    return setup;
}

constexpr ModeSetup colourRangeLabelled(unsigned groups, SliderSetup effect, SliderSetup precision,
                                        std::string_view caption)
{
    ModeSetup setup = colourRangeSetup(groups, kStrength10, effect, precision);
    setup.samplingCaption = caption;
    setup.precisionLabel = kColourPrecisionLabel;
    return setup;
}

// The colour-fill modes: Red/Green/Blue sliders at the light colour, which a
// preset may replace first (hidden sliders then keep it).
constexpr ModeSetup lightSliders(unsigned groups, SliderSetup effect, RgbColour light = {128, 128, 128})
{
    ModeSetup setup = shown(groups);
    setup.effect = effect;
    setup.hasLightSliders = true;
    setup.lightColour = light;
    return setup;
}

constexpr ModeSetup skinSetup()
{
    ModeSetup setup = colourRangeSetup(kColourRangeGroups, kStrength10, kEffect100, sliderRange(1, 100, 10));
    setup.targetColour = {250, 214, 186};
    setup.previewChecked = false;
    setup.previewEnabled = true;
    setup.helpText = kSkinHelp;
    return setup;
}

constexpr ModeSetup colourStrengthSetup()
{
    ModeSetup setup = colourRangeLabelled(Effect | Precision | Sampling | Help, sliderRange(-100, 100, 100),
                                          sliderRange(1, 100, 100), kEditColourCaption);
    setup.helpText = kColourRangeHelp;
    return setup;
}

constexpr ModeSetup whiteBalanceSetup()
{
    ModeSetup setup = lightSliders(Effect | Sampling | Help, kEffect10);
    setup.sampleSide = kSampleSide;
    setup.samplingCaption = "白くする指定";
    return setup;
}

constexpr ModeSetup accentColourSetup()
{
    ModeSetup setup = colourRangeLabelled(Effect | Precision | Sampling | Help, sliderRange(1, 100, 50),
                                          sliderRange(1, 100, 50), "編集する色域を指定");
    setup.targetColour = {128, 128, 128};
    return setup;
}

constexpr EffectCommand effect(int mode, int commandId, std::string_view name, std::string_view title,
                               std::string_view description, ModeSetup setup, Pipeline run, bool inMainMenu = false)
{
    setup.mode = mode;
    setup.title = title;
    return {mode, commandId, name, title, description, inMainMenu, setup, run};
}

constexpr EffectCommand withPreview(EffectCommand entry, Pipeline preview)
{
    entry.preview = preview;
    return entry;
}

constexpr EffectCommand withMeanBeforeDialog(EffectCommand entry)
{
    entry.meanBeforeDialog = true;
    return entry;
}

using enum StageOp;
inline constexpr Stage kGaussian = stage(gaussianBlur);
inline constexpr Stage kTriangle = stage(triangleBlur);    // r, divisor r
inline constexpr Stage kRank = stage(rankFilter);
inline constexpr Stage kGrey = stage(greyToScratch);
inline constexpr Stage kInvert = stage(invertToScratch);
inline constexpr Stage kFillLight = stage(fillLightComplement);

} // namespace catalogue

// The 32 modes, mode 1 first.
inline constexpr std::array<EffectCommand, kEffectModeCount> kEffectCommands = [] {
    using namespace catalogue;
    const ModeSetup standard = strengthAndEffect();
    const ModeSetup effectOnly = strengthAndEffect(Effect);
    return std::array<EffectCommand, kEffectModeCount>{{
        effect(1, 32811, "flash", "フラッシュ", "ぼかした写真との差を強めて、明暗とメリハリをつけます。",
               standard, {kGaussian, stage(compose, effectTimes(3.0))}, true),
        effect(2, 32787, "focus", "ピント修正", "ぼけを打ち消すように輪郭を強めます。",
               standard, {kTriangle, stage(compose, effectTimes(3.0))}, true),
        effect(3, 32799, "vivid", "ビビットカラー", "色を鮮やかにします。",
               effectOnly, {kGrey, stage(compose, effectTimes(3.0))}),
        effect(4, 32786, "soft-focus", "ソフトフォーカス", "ふんわりとした柔らかい写真にします。",
               standard, {kGaussian, stage(compose, minusEffectTimes(0.9))}),
        effect(5, 32806, "hdr", "HDR", "明るい部分と暗い部分の両方を見やすくします。",
               slowPreview(), {kRank, stage(compose, effectTimes(5.0))}),
        effect(6, 32784, "contrast", "濃く（コントラスト）", "コントラストを強めます。",
               effectOnly, {kInvert, stage(compose, effectTimes())}),
        effect(7, 32809, "mono", "白黒", "白黒写真にします。",
               standard, {kGaussian, stage(compose, effectTimes(3.0)), stage(greyResult)}),
        effect(8, 32785, "crisp", "くっきり", "細かな輪郭を強め、くっきりさせます。",
               standard, {stage(triangleBlur, 0, 1), stage(unsharpMask, effectTimes(5.0))}, true),
        effect(9, 32813, "smooth", "なめらか", "細かなざらつきをなめらかにします。",
               slowPreview(), {kRank, stage(compose, minusEffectTimes())}),
        effect(10, 32814, "smooth-skin", "美肌", "肌をなめらかに整えます。",
               skinSetup(), {kRank, stage(colourRange, minusEffectTimes())}),
        effect(11, 32815, "blur-colour", "指定色をぼかす", "指定した色の部分だけをぼかします。",
               colourRangeLabelled(kColourRangeGroups, kEffect100, sliderRange(1, 100, 10), kEditColourCaption),
               {kGaussian, stage(colourRange, minusEffectTimes(0.9))}),
        // The preview marks the colours inside the tolerance box around the
        // target (sliders 1000, 1001 and 1004) instead of showing the effect.
        withPreview(effect(12, 32818, "crisp-colour", "指定色をくっきり", "指定した色の部分だけをくっきりさせます。",
                           colourRangeSetup(kColourRangeGroups, sliderRange(0, 255, 10),
                                            sliderRange(0, 255, 10), sliderRange(0, 255, 10)),
                           {kTriangle, stage(scratchColourRange, effectTimes(3.0))}),
                    {stage(colourMatchMask)}),
        effect(13, 32822, "colour-strength", "指定色を強く、弱く", "指定した色を強めたり弱めたりします。",
               colourStrengthSetup(), {kGrey, stage(colourRange, effectTimes())}),
        effect(14, 32823, "flash-colour", "指定色をくっきりフラッシュ",
               "指定した色の部分にフラッシュの効果をかけます。",
               colourRangeLabelled(kColourRangeGroups, kEffect100, sliderRange(1, 100, 10), kEditColourCaption),
               {kGaussian, stage(colourRange, effectTimes(3.0))}),
        effect(15, 32824, "colour-light", "カラーライト", "選んだ色の光を当てたようにします。",
               lightSliders(Effect | Light, sliderRange(1, 100, 50)), {kFillLight, stage(compose, effectTimes())}),
        effect(16, 32825, "warm", "ウォーム", "暖かみのある色合いにします。",
               lightSliders(Effect, kEffect10, {255, 87, 0}), {kFillLight, stage(compose, effectTimes())}),
        effect(17, 32826, "cool", "クール", "涼しげな色合いにします。",
               lightSliders(Effect, kEffect10, {0, 169, 255}), {kFillLight, stage(compose, effectTimes())}),
        effect(18, 32827, "white-balance", "白色補正", "写真の中の白いはずの色を指定して、色かぶりを直します。",
               whiteBalanceSetup(), {kFillLight, stage(brightCompose, effectTimes())}),
        effect(19, 32828, "brighten", "全体的に明るく", "写真全体を明るくします。",
               lightSliders(Effect, kEffect10, {255, 255, 255}), {kFillLight, stage(compose, effectTimes())}),
        effect(20, 32829, "brighten-highlights", "明るいところをより明るく", "明るい部分だけをさらに明るくします。",
               lightSliders(Effect, kEffect10, {255, 255, 255}), {kFillLight, stage(brightCompose, effectTimes())}),
        effect(21, 32830, "brighten-shadows", "暗いところをより明るく", "暗い部分を明るくし、影の中を見やすくします。",
               lightSliders(Effect, kEffect10, {255, 255, 255}), {kFillLight, stage(darkCompose, effectTimes())}),
        effect(22, 32832, "deepen-highlights", "明るいところを濃く", "明るい部分の色を濃くします。",
               effectOnly, {kInvert, stage(brightCompose, effectTimes())}),
        effect(23, 32833, "deepen-shadows", "暗いところを濃く", "暗い部分を引き締めます。",
               effectOnly, {kInvert, stage(darkCompose, effectTimes())}),
        effect(24, 32834, "vivid-highlights", "明るいところをビビットに", "明るい部分の色を鮮やかにします。",
               effectOnly, {kGrey, stage(brightCompose, effectTimes(3.0))}),
        effect(25, 32835, "vivid-shadows", "暗いところをビビットに", "暗い部分の色を鮮やかにします。",
               effectOnly, {kGrey, stage(darkCompose, effectTimes(3.0))}),
        effect(26, 32836, "darken", "全体的に暗く", "写真全体を暗くします。",
               lightSliders(Effect, kEffect10, {0, 0, 0}), {kFillLight, stage(compose, effectTimes())}),
        // No preset: the fill colour is the photo's mean, not the light colour.
        withMeanBeforeDialog(effect(27, 32837, "clear-colour", "クリアカラー",
                                    "写真全体の色かぶりを抑え、すっきりした色にします。",
                                    lightSliders(Effect, kEffect10),
                                    {stage(fillMeanColour), stage(compose, effectTimes())})),
        effect(28, 32839, "crisp-highlights", "明るくくっきり", "明るい方向の輪郭を強めます。",
               standard, {stage(brightSharpen), stage(compose, effectTimes(3.0))}),
        effect(29, 32838, "crisp-shadows", "暗くくっきり", "暗い方向の輪郭を強めます。",
               standard, {stage(darkSharpen), stage(compose, effectTimes(3.0))}),
        effect(30, 32840, "accent-colour", "特定色の強調", "指定した色を強調します。",
               accentColourSetup(), {kFillLight, stage(colourRange, effectTimes())}),
        effect(31, 32841, "strong-shadows", "影を濃く", "影の部分を濃くします。",
               standard, {kGaussian, stage(lightenScratch), stage(compose, effectTimes(5.0))}),
        effect(32, 32842, "strong-light", "光を強く", "光の当たった部分を強調します。",
               standard, {kGaussian, stage(darkenScratch), stage(compose, effectTimes(5.0))}),
    }};
}();

inline constexpr std::array<FixedFilterCommand, 3> kFixedFilterCommands{{
    {CommandId::TriangleSharpenFilter, "sharpen", "シャープ",
     {stage(StageOp::triangleBlur, 10, 10), stage(StageOp::compose, fixedAmount(1.25))}},
    {CommandId::OutlierFilter, "denoise", "ノイズ除去",
     {stage(StageOp::weightedMedian, 10, 10), stage(StageOp::replaceOutliers)}},
    {CommandId::MedianSharpenFilter, "edges", "輪郭強調",
     {stage(StageOp::weightedMedian, 5, 5), stage(StageOp::compose, fixedAmount(1.5))}},
}};

// The entry of a mode, or null outside 1..32.
constexpr const EffectCommand* findEffectMode(int mode)
{
    return mode >= 1 && mode <= kEffectModeCount ? &kEffectCommands[mode - 1] : nullptr;
}

// The set-up of `mode`, or null outside 1..32.
constexpr const ModeSetup* findModeSetup(int mode)
{
    const EffectCommand* entry = findEffectMode(mode);
    return entry != nullptr ? &entry->setup : nullptr;
}

// The command id of `mode` (1..32).
constexpr int effectCommandId(int mode) { return kEffectCommands[mode - 1].commandId; }

// The mode of an effect command id, or 0 when the id is no effect command.
constexpr int effectModeForCommand(int commandId)
{
    for (const EffectCommand& entry : kEffectCommands) {
        if (entry.commandId == commandId) {
            return entry.mode;
        }
    }
    return 0;
}

// The mode whose short name is exactly `name`, or 0.
constexpr int effectModeForName(std::string_view name)
{
    for (const EffectCommand& entry : kEffectCommands) {
        if (entry.name == name) {
            return entry.mode;
        }
    }
    return 0;
}

// The mode whose title is exactly `title`, or 0.
constexpr int effectModeForTitle(std::string_view title)
{
    for (const EffectCommand& entry : kEffectCommands) {
        if (entry.title == title) {
            return entry.mode;
        }
    }
    return 0;
}

// The fixed filter of `commandId`, or null.
constexpr const FixedFilterCommand* findFixedFilter(int commandId)
{
    for (const FixedFilterCommand& entry : kFixedFilterCommands) {
        if (entry.commandId == commandId) {
            return &entry;
        }
    }
    return nullptr;
}

// The command id of the fixed filter named `name`, or 0.
constexpr int fixedFilterForName(std::string_view name)
{
    for (const FixedFilterCommand& entry : kFixedFilterCommands) {
        if (entry.name == name) {
            return entry.commandId;
        }
    }
    return 0;
}

constexpr bool isFixedFilterCommand(int commandId) { return findFixedFilter(commandId) != nullptr; }
