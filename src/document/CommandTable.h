// The document's command ids and the table of the 32 effect modes: command
// id, window title and whether the main menu offers it. The Qt program, the
// effect dialog and `fotra` all read modes and titles from here.
#pragma once

#include <array>
#include <string_view>

namespace CommandId {
inline constexpr int OpenPhoto = 32772;
inline constexpr int SavePhoto = 32797;
inline constexpr int Undo = 32803;
inline constexpr int Redo = 32805;
inline constexpr int CommitResult = 32795;
// The three fixed filters without a dialog.
inline constexpr int TriangleSharpenFilter = 32776; // triangle blur r 10, compose 1.25
inline constexpr int OutlierFilter = 32788;         // median r 10, replace outliers
inline constexpr int MedianSharpenFilter = 32790;   // median r 5, compose 1.5
} // namespace CommandId

inline constexpr int kEffectModeCount = 32;

struct EffectCommand {
    int mode;        // 1..32
    int commandId;
    std::string_view title; // the dialog's window title (UTF-8)
    bool inMainMenu;
};

inline constexpr std::array<EffectCommand, kEffectModeCount> kEffectCommands{{
    {1, 32811, "フラッシュ", true},
    {2, 32787, "ピント修正", true},
    {3, 32799, "ビビットカラー", false},
    {4, 32786, "ソフトフォーカス", false},
    {5, 32806, "HDR", false},
    {6, 32784, "濃く（コントラスト）", false},
    {7, 32809, "白黒", false},
    {8, 32785, "くっきり", true},
    {9, 32813, "なめらか", false},
    {10, 32814, "美肌", false},
    {11, 32815, "指定色をぼかす", false},
    {12, 32818, "指定色をくっきり", false},
    {13, 32822, "指定色を強く、弱く", false},
    {14, 32823, "指定色をくっきりフラッシュ", false},
    {15, 32824, "カラーライト", false},
    {16, 32825, "ウォーム", false},
    {17, 32826, "クール", false},
    {18, 32827, "白色補正", false},
    {19, 32828, "全体的に明るく", false},
    {20, 32829, "明るいところをより明るく", false},
    {21, 32830, "暗いところをより明るく", false},
    {22, 32832, "明るいところを濃く", false},
    {23, 32833, "暗いところを濃く", false},
    {24, 32834, "明るいところをビビットに", false},
    {25, 32835, "暗いところをビビットに", false},
    {26, 32836, "全体的に暗く", false},
    {27, 32837, "クリアカラー", false},
    {28, 32839, "明るくくっきり", false},
    {29, 32838, "暗くくっきり", false},
    {30, 32840, "特定色の強調", false},
    {31, 32841, "影を濃く", false},
    {32, 32842, "光を強く", false},
}};

// The entry of a mode, or null outside 1..32.
constexpr const EffectCommand* findEffectMode(int mode)
{
    return mode >= 1 && mode <= kEffectModeCount ? &kEffectCommands[mode - 1] : nullptr;
}

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

constexpr bool isFixedFilterCommand(int commandId)
{
    return commandId == CommandId::TriangleSharpenFilter || commandId == CommandId::OutlierFilter ||
           commandId == CommandId::MedianSharpenFilter;
}
