// The document's command ids and the table of the 32 effect modes: command
// id, short English name, window title and whether the main menu offers it;
// and the names of the three fixed filters. The Qt program, the
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
    std::string_view name;  // a short English name to type (fotra)
    std::string_view title; // the dialog's window title (UTF-8)
    bool inMainMenu;
};

inline constexpr std::array<EffectCommand, kEffectModeCount> kEffectCommands{{
    {1, 32811, "flash", "フラッシュ", true},
    {2, 32787, "focus", "ピント修正", true},
    {3, 32799, "vivid", "ビビットカラー", false},
    {4, 32786, "soft-focus", "ソフトフォーカス", false},
    {5, 32806, "hdr", "HDR", false},
    {6, 32784, "contrast", "濃く（コントラスト）", false},
    {7, 32809, "mono", "白黒", false},
    {8, 32785, "crisp", "くっきり", true},
    {9, 32813, "smooth", "なめらか", false},
    {10, 32814, "smooth-skin", "美肌", false},
    {11, 32815, "blur-colour", "指定色をぼかす", false},
    {12, 32818, "crisp-colour", "指定色をくっきり", false},
    {13, 32822, "colour-strength", "指定色を強く、弱く", false},
    {14, 32823, "flash-colour", "指定色をくっきりフラッシュ", false},
    {15, 32824, "colour-light", "カラーライト", false},
    {16, 32825, "warm", "ウォーム", false},
    {17, 32826, "cool", "クール", false},
    {18, 32827, "white-balance", "白色補正", false},
    {19, 32828, "brighten", "全体的に明るく", false},
    {20, 32829, "brighten-highlights", "明るいところをより明るく", false},
    {21, 32830, "brighten-shadows", "暗いところをより明るく", false},
    {22, 32832, "deepen-highlights", "明るいところを濃く", false},
    {23, 32833, "deepen-shadows", "暗いところを濃く", false},
    {24, 32834, "vivid-highlights", "明るいところをビビットに", false},
    {25, 32835, "vivid-shadows", "暗いところをビビットに", false},
    {26, 32836, "darken", "全体的に暗く", false},
    {27, 32837, "clear-colour", "クリアカラー", false},
    {28, 32839, "crisp-highlights", "明るくくっきり", false},
    {29, 32838, "crisp-shadows", "暗くくっきり", false},
    {30, 32840, "accent-colour", "特定色の強調", false},
    {31, 32841, "strong-shadows", "影を濃く", false},
    {32, 32842, "strong-light", "光を強く", false},
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

struct FixedFilterCommand {
    int commandId;
    std::string_view name; // a short English name to type (fotra)
};

inline constexpr std::array<FixedFilterCommand, 3> kFixedFilterCommands{{
    {CommandId::TriangleSharpenFilter, "sharpen"},
    {CommandId::OutlierFilter, "denoise"},
    {CommandId::MedianSharpenFilter, "edges"},
}};

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

constexpr bool isFixedFilterCommand(int commandId)
{
    return commandId == CommandId::TriangleSharpenFilter || commandId == CommandId::OutlierFilter ||
           commandId == CommandId::MedianSharpenFilter;
}
