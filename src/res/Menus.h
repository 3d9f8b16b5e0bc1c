// The menu resources as data: the main menu 128 (with the popups that make
// every further command reachable), the style menu 200, the view's context
// menu 315 and the registered edit menu 119. The program builds its Qt menus
// from these tables, so texts, order and command ids live only here.
#pragma once

#include <span>
#include <string_view>

#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

namespace res {

enum class MenuItemKind { Command, Separator, Popup };

struct MenuItem {
    MenuItemKind kind;
    std::string_view text;
    int id;                          // command id; 0 for separators and popups
    std::span<const MenuItem> items; // the popup's items
};

constexpr MenuItem command(std::string_view text, int id)
{
    return {MenuItemKind::Command, text, id, {}};
}
// An effect's or a fixed filter's item: its title and id from the catalogue.
constexpr MenuItem effectCommand(int mode)
{
    return command(kEffectCommands[mode - 1].title, kEffectCommands[mode - 1].commandId);
}
constexpr MenuItem filterCommand(int commandId)
{
    return command(findFixedFilter(commandId)->title, commandId);
}
constexpr MenuItem separator()
{
    return {MenuItemKind::Separator, {}, 0, {}};
}
constexpr MenuItem popup(std::string_view text, std::span<const MenuItem> items)
{
    return {MenuItemKind::Popup, text, 0, items};
}

// Menu 128.
inline constexpr MenuItem kFileMenu[] = {
    command("写真を開く", CommandId::OpenPhoto),
    command("写真を保存", CommandId::SavePhoto),
    separator(),
    command("アプリケーションの終了(&X)", ID_APP_EXIT),
};
inline constexpr MenuItem kHistoryMenu[] = {
    command("元に戻す", CommandId::Undo),
    command("やり直す", CommandId::Redo),
};
inline constexpr MenuItem kEditMenu[] = {
    effectCommand(2),
    effectCommand(8),
    effectCommand(1),
    command("有料版のダウンロードサイトを表示（有料版を無料で試すことができます。）",
            ID_WEB_PAID_DOWNLOAD),
    command("有料版の編集例を表示（作者のサイトに接続します。）", ID_WEB_PAID_EXAMPLES),
    command("有料版の美肌機能の解説動画を表示（YouTube動画を表示します。）", ID_WEB_SKIN_VIDEO),
};

// The further effects, grouped by what they change.
inline constexpr MenuItem kToneEffects[] = {
    effectCommand(19),
    effectCommand(26),
    effectCommand(20),
    effectCommand(21),
    effectCommand(22),
    effectCommand(23),
    effectCommand(6),
    effectCommand(31),
    effectCommand(32),
    effectCommand(5),
};
inline constexpr MenuItem kDetailEffects[] = {
    effectCommand(28),
    effectCommand(29),
    effectCommand(4),
    effectCommand(9),
};
inline constexpr MenuItem kColourEffects[] = {
    effectCommand(3),
    effectCommand(24),
    effectCommand(25),
    effectCommand(27),
    effectCommand(15),
    effectCommand(16),
    effectCommand(17),
    effectCommand(18),
    effectCommand(7),
};
inline constexpr MenuItem kSkinAndColourEffects[] = {
    effectCommand(10),
    effectCommand(11),
    effectCommand(12),
    effectCommand(13),
    effectCommand(14),
    effectCommand(30),
};
inline constexpr MenuItem kFurtherEffectsMenu[] = {
    popup("明るさ・濃さ", kToneEffects),
    popup("くっきり・ぼかし", kDetailEffects),
    popup("色", kColourEffects),
    popup("美肌・指定色", kSkinAndColourEffects),
};
inline constexpr MenuItem kFilterMenu[] = {
    filterCommand(CommandId::TriangleSharpenFilter),
    filterCommand(CommandId::OutlierFilter),
    filterCommand(CommandId::MedianSharpenFilter),
};

// Menu 200.
inline constexpr MenuItem kStyleMenu[] = {
    command("Office 2007 (ブルー スタイル)(&B)", ID_VIEW_APPLOOK_OFF_2007_BLUE),
    command("Office 2007 (ブラック スタイル)(&L)", ID_VIEW_APPLOOK_OFF_2007_BLACK),
    command("Office 2007 (シルバー スタイル)(&S)", ID_VIEW_APPLOOK_OFF_2007_SILVER),
    command("Office 2007 (アクア スタイル)(&A)", ID_VIEW_APPLOOK_OFF_2007_AQUA),
    command("Windows 7(&D)", ID_VIEW_APPLOOK_WINDOWS_7),
};
inline constexpr MenuItem kStyleMenuResource[] = {
    popup("スタイル", kStyleMenu),
};

inline constexpr MenuItem kDisplayMenu[] = {
    command("画面にフィット", ID_VIEW_FIT_TO_WINDOW),
    command("等倍で表示", ID_VIEW_ACTUAL_SIZE),
    separator(),
    popup("スタイル(&S)", kStyleMenu),
};
inline constexpr MenuItem kHelpMenu[] = {
    command("バージョン情報", ID_APP_ABOUT),
    command("使い方", ID_HELP_USAGE),
};

inline constexpr MenuItem kMainMenu[] = {
    popup("ファイル(&F)", kFileMenu),
    popup("履歴", kHistoryMenu),
    popup("編集(&E)", kEditMenu),
    popup("その他の効果(&M)", kFurtherEffectsMenu),
    popup("フィルタ(&I)", kFilterMenu),
    popup("表示(&V)", kDisplayMenu),
    popup("ヘルプ(&H)", kHelpMenu),
};

// Menu 315: the view's right-click menu is its first popup.
inline constexpr MenuItem kViewContextItems[] = {
    command("画面にフィット", ID_VIEW_FIT_TO_WINDOW),
    command("等倍で表示", ID_VIEW_ACTUAL_SIZE),
    separator(),
    command("元に戻す", CommandId::Undo),
    command("やり直す", CommandId::Redo),
};
inline constexpr MenuItem kViewContextMenu[] = {
    popup("右ビュー", kViewContextItems),
};

// Menu 119: registered under string 306 and never shown.
inline constexpr MenuItem kEditContextItems[] = {
    command("切り取り(&T)\tCtrl+X", ID_EDIT_CUT),
    command("コピー(&C)\tCtrl+C", ID_EDIT_COPY),
    command("貼り付け(&P)\tCtrl+V", ID_EDIT_PASTE),
    command("等倍で表示", ID_VIEW_ACTUAL_SIZE),
    command("画面にフィット", ID_VIEW_FIT_TO_WINDOW),
};
inline constexpr MenuItem kEditContextMenu[] = {
    popup("編集", kEditContextItems),
};

} // namespace res
