// The menu resources as data: the main menu 128 (with the popups that make
// every further command reachable), the style menu 200, the view's context
// menu 315 and the registered edit menu 119. The program builds its Qt menus
// from these tables, so texts, order and command ids live only here.
#pragma once

#include <span>
#include <string_view>

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
    command("写真を開く", ID_PHOTO_OPEN),
    command("写真を保存", ID_PHOTO_SAVE),
    separator(),
    command("アプリケーションの終了(&X)", ID_APP_EXIT),
};
inline constexpr MenuItem kHistoryMenu[] = {
    command("元に戻す", ID_HISTORY_UNDO),
    command("やり直す", ID_HISTORY_REDO),
};
inline constexpr MenuItem kEditMenu[] = {
    command("ピント修正", ID_EFFECT_FOCUS),
    command("くっきり", ID_EFFECT_CRISP),
    command("フラッシュ", ID_EFFECT_FLASH),
    command("有料版のダウンロードサイトを表示（有料版を無料で試すことができます。）",
            ID_WEB_PAID_DOWNLOAD),
    command("有料版の編集例を表示（作者のサイトに接続します。）", ID_WEB_PAID_EXAMPLES),
    command("有料版の美肌機能の解説動画を表示（YouTube動画を表示します。）", ID_WEB_SKIN_VIDEO),
};

// The further effects, grouped by what they change.
inline constexpr MenuItem kToneEffects[] = {
    command("全体的に明るく", ID_EFFECT_BRIGHTEN),
    command("全体的に暗く", ID_EFFECT_DARKEN),
    command("明るいところをより明るく", ID_EFFECT_BRIGHTEN_LIGHTS),
    command("暗いところをより明るく", ID_EFFECT_BRIGHTEN_SHADOWS),
    command("明るいところを濃く", ID_EFFECT_DEEPEN_LIGHTS),
    command("暗いところを濃く", ID_EFFECT_DEEPEN_SHADOWS),
    command("濃く（コントラスト）", ID_EFFECT_CONTRAST),
    command("影を濃く", ID_EFFECT_DEEPEN_SHADE),
    command("光を強く", ID_EFFECT_STRONG_LIGHT),
    command("HDR", ID_EFFECT_HDR),
};
inline constexpr MenuItem kDetailEffects[] = {
    command("明るくくっきり", ID_EFFECT_BRIGHT_CRISP),
    command("暗くくっきり", ID_EFFECT_DARK_CRISP),
    command("ソフトフォーカス", ID_EFFECT_SOFT_FOCUS),
    command("なめらか", ID_EFFECT_SMOOTH),
};
inline constexpr MenuItem kColourEffects[] = {
    command("ビビットカラー", ID_EFFECT_VIVID),
    command("明るいところをビビットに", ID_EFFECT_VIVID_LIGHTS),
    command("暗いところをビビットに", ID_EFFECT_VIVID_SHADOWS),
    command("クリアカラー", ID_EFFECT_CLEAR_COLOUR),
    command("カラーライト", ID_EFFECT_COLOUR_LIGHT),
    command("ウォーム", ID_EFFECT_WARM),
    command("クール", ID_EFFECT_COOL),
    command("白色補正", ID_EFFECT_WHITE_BALANCE),
    command("白黒", ID_EFFECT_MONOCHROME),
};
inline constexpr MenuItem kSkinAndColourEffects[] = {
    command("美肌", ID_EFFECT_SKIN),
    command("指定色をぼかす", ID_EFFECT_BLUR_COLOUR),
    command("指定色をくっきり", ID_EFFECT_CRISP_COLOUR),
    command("指定色を強く、弱く", ID_EFFECT_COLOUR_STRENGTH),
    command("指定色をくっきりフラッシュ", ID_EFFECT_COLOUR_FLASH),
    command("特定色の強調", ID_EFFECT_EMPHASISE_COLOUR),
};
inline constexpr MenuItem kFurtherEffectsMenu[] = {
    popup("明るさ・濃さ", kToneEffects),
    popup("くっきり・ぼかし", kDetailEffects),
    popup("色", kColourEffects),
    popup("美肌・指定色", kSkinAndColourEffects),
};
inline constexpr MenuItem kFilterMenu[] = {
    command("シャープ", ID_FILTER_SHARPEN),
    command("ノイズ除去", ID_FILTER_DENOISE),
    command("輪郭強調", ID_FILTER_MEDIAN_SHARPEN),
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
    command("元に戻す", ID_HISTORY_UNDO),
    command("やり直す", ID_HISTORY_REDO),
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
