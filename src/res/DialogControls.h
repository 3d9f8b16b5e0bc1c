// Dialog 312, the effect dialog: every control with its id, kind, caption and
// rectangle in dialog units, and the conversion of dialog units to pixels.
// Toolkit-free data; the Qt dialog builds its widgets from this table alone.
#pragma once

#include <array>
#include <string_view>

namespace EffectDialogId {
inline constexpr int Template = 312;
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int StrengthSlider = 1000;
inline constexpr int EffectSlider = 1001;
inline constexpr int StrengthEdit = 1002;
inline constexpr int EffectEdit = 1003;
inline constexpr int PrecisionSlider = 1004;
inline constexpr int PrecisionEdit = 1005;
inline constexpr int RedSlider = 1006;
inline constexpr int OverviewPane = 1007;
inline constexpr int PhotoPane = 1008;
inline constexpr int PreviewPane = 1009;
inline constexpr int StrengthLabel = 1010;
inline constexpr int EffectLabel = 1011;
inline constexpr int PrecisionLabel = 1012;
inline constexpr int TargetSwatch = 1013;
inline constexpr int GetColourButton = 1014;
inline constexpr int HelpButton = 1015;
inline constexpr int SampleSizeSlider = 1016;
inline constexpr int SamplingGroup = 1017;
inline constexpr int PreviewCheckBox = 1018;
inline constexpr int SampleSmallLabel = 1019;
inline constexpr int SampleLargeLabel = 1020;
inline constexpr int LightSwatch = 1021;
inline constexpr int GreenSlider = 1022;
inline constexpr int RedEdit = 1023;
inline constexpr int GreenEdit = 1024;
inline constexpr int RedLabel = 1025;
inline constexpr int GreenLabel = 1026;
inline constexpr int BlueSlider = 1027;
inline constexpr int BlueEdit = 1028;
inline constexpr int BlueLabel = 1029;
} // namespace EffectDialogId

enum class ControlKind {
    DefaultPushButton,
    PushButton,
    Slider,          // horizontal, no ticks
    Edit,            // bordered, auto-scroll; the dialog disables every one
    StaticText,
    BlackFrame,      // a pane or a swatch; takes no mouse input
    GroupBox,
    AutoCheckBox,
};

// A rectangle in dialog units (x, y of the top-left corner, width, height).
struct DialogUnitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct DialogControl {
    int id;
    ControlKind kind;
    std::string_view caption; // UTF-8; empty for none
    DialogUnitRect rect;
};

// Template size in dialog units and its font; the title "Dialog" is replaced
// at start-up by the mode's title.
inline constexpr DialogUnitRect kEffectDialogRect{0, 0, 682, 347};
inline constexpr std::string_view kEffectDialogTemplateTitle = "Dialog";
inline constexpr int kEffectDialogFontPoints = 8;

inline constexpr std::array<DialogControl, 32> kEffectDialogControls{{
    {EffectDialogId::Ok, ControlKind::DefaultPushButton, "OK", {317, 326, 50, 14}},
    {EffectDialogId::Cancel, ControlKind::PushButton, "キャンセル", {379, 326, 50, 14}},
    {EffectDialogId::StrengthSlider, ControlKind::Slider, "", {311, 247, 100, 15}},
    {EffectDialogId::StrengthEdit, ControlKind::Edit, "", {419, 247, 40, 14}},
    {EffectDialogId::StrengthLabel, ControlKind::StaticText, "強度", {289, 247, 17, 8}},
    {EffectDialogId::EffectSlider, ControlKind::Slider, "", {311, 272, 100, 15}},
    {EffectDialogId::EffectEdit, ControlKind::Edit, "", {419, 272, 40, 14}},
    {EffectDialogId::EffectLabel, ControlKind::StaticText, "効果", {289, 272, 17, 8}},
    {EffectDialogId::PrecisionSlider, ControlKind::Slider, "", {312, 296, 100, 15}},
    {EffectDialogId::PrecisionEdit, ControlKind::Edit, "", {420, 296, 40, 14}},
    {EffectDialogId::PrecisionLabel, ControlKind::StaticText, "肌色の精度", {266, 296, 40, 8}},
    {EffectDialogId::OverviewPane, ControlKind::BlackFrame, "", {7, 228, 140, 97}},
    {EffectDialogId::PhotoPane, ControlKind::BlackFrame, "", {7, 7, 240, 204}},
    {EffectDialogId::PreviewPane, ControlKind::BlackFrame, "", {251, 7, 240, 204}},
    {EffectDialogId::SamplingGroup, ControlKind::GroupBox, "肌色を指定", {164, 228, 92, 97}},
    {EffectDialogId::TargetSwatch, ControlKind::BlackFrame, "", {190, 244, 38, 19}},
    {EffectDialogId::GetColourButton, ControlKind::PushButton, "色を取得", {183, 303, 50, 14}},
    {EffectDialogId::SampleSizeSlider, ControlKind::Slider, "", {176, 281, 65, 15}},
    {EffectDialogId::SampleSmallLabel, ControlKind::StaticText, "範囲小", {169, 273, 25, 8}},
    {EffectDialogId::SampleLargeLabel, ControlKind::StaticText, "範囲大", {218, 274, 25, 8}},
    {EffectDialogId::HelpButton, ControlKind::PushButton, "ヘルプ", {442, 326, 50, 14}},
    {EffectDialogId::PreviewCheckBox, ControlKind::AutoCheckBox, "プレビューする", {442, 214, 58, 10}},
    {EffectDialogId::LightSwatch, ControlKind::BlackFrame, "", {497, 7, 178, 204}},
    {EffectDialogId::RedSlider, ControlKind::Slider, "", {511, 246, 100, 15}},
    {EffectDialogId::RedEdit, ControlKind::Edit, "", {619, 246, 40, 14}},
    {EffectDialogId::RedLabel, ControlKind::StaticText, "Red", {494, 246, 14, 8}},
    {EffectDialogId::GreenSlider, ControlKind::Slider, "", {511, 271, 100, 15}},
    {EffectDialogId::GreenEdit, ControlKind::Edit, "", {619, 271, 40, 14}},
    {EffectDialogId::GreenLabel, ControlKind::StaticText, "Green", {494, 271, 20, 8}},
    {EffectDialogId::BlueSlider, ControlKind::Slider, "", {511, 295, 100, 15}},
    {EffectDialogId::BlueEdit, ControlKind::Edit, "", {619, 295, 40, 14}},
    {EffectDialogId::BlueLabel, ControlKind::StaticText, "Blue", {494, 295, 14, 8}},
}};

// A rectangle in pixels: left, top inclusive, width and height.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Dialog units to pixels with the base units of an 8-point dialog font at 96
// dots per inch: 6 / 4 = 1.5 pixels per horizontal unit and 13 / 8 = 1.625
// per vertical unit. Each edge is converted on its own and rounded half up,
// so adjacent controls stay adjacent; the photo pane becomes 360 pixels wide.
constexpr int horizontalUnitsToPixels(int units) { return (units * 6 * 2 + 4) / 8; }
constexpr int verticalUnitsToPixels(int units) { return (units * 13 * 2 + 8) / 16; }

constexpr PixelRect dialogUnitsToPixels(const DialogUnitRect& rect)
{
    const int left = horizontalUnitsToPixels(rect.x);
    const int top = verticalUnitsToPixels(rect.y);
    return {left, top, horizontalUnitsToPixels(rect.x + rect.width) - left,
            verticalUnitsToPixels(rect.y + rect.height) - top};
}
