// The string table: the application name, the status-bar texts, the
// program's messages and, under each command's id, its status-bar prompt
// and tooltip separated by a newline. An effect command's prompt and tooltip
// are both its title in the catalogue. Lookups are constexpr; an unknown id
// gives an empty string.
#pragma once

#include <string_view>

#include "document/EffectCatalogue.h"
#include "res/ResourceIds.h"

namespace res {

struct StringResource {
    int id;
    std::string_view text;
};

inline constexpr StringResource kStringTable[] = {
    {IDS_APP_NAME, "PEKARUN4FREE"},
    {IDS_DOCUMENT_STRINGS, "Fotra\n\nFotra\n\n\nFotra.Document\nFotra.Document"},
    {IDS_TOOLBAR_STANDARD, "標準"},
    {IDS_TOOLBAR_CUSTOMIZE, "カスタマイズ..."},
    {IDS_EDIT_MENU, "編集"},
    {IDS_IDLE_MESSAGE, "レディ"},
    {IDS_INDICATOR_CAPS, "CAP"},
    {IDS_INDICATOR_NUM, "NUM"},
    {IDS_INDICATOR_SCRL, "SCRL"},
    {IDS_HELP_OPEN_FAILED,
     "説明用ファイルを開くことができません。ぺかるん４をインストールしたフォルダの中のhelp"
     "フォルダ内のhelp.htmを参照してください。"},
    {IDS_WEB_OPEN_FAILED, "表示できません。"},
    {IDS_SAVE_CHANGES_QUESTION, "写真に保存されていない変更があります。保存しますか？"},
    {IDS_RECENT_PHOTOS_MENU, "最近使った写真(&R)"},
    {IDS_RECENT_PHOTOS_EMPTY, "（なし）"},
    {IDS_RECENT_PHOTO_MISSING, "写真が見つかりません。最近使った写真の一覧から削除します。"},
    {IDS_RECENT_PHOTO_MISSING_MARK, "（見つかりません）"},
    {IDS_EMPTY_VIEW_HINT,
     "写真を開くには、「ファイル」→「写真を開く」を選ぶか（Ctrl+O）、\n"
     "写真のファイルをこのウィンドウにドラッグ＆ドロップしてください。"},

    // Command prompts and tooltips.
    {CommandId::OpenPhoto, "写真を開く\n写真を開く"},
    {CommandId::SavePhoto, "写真を保存\n写真を保存"},
    {ID_APP_EXIT, "アプリケーションを終了します\n終了"},
    {CommandId::Undo, "直前の効果を取り消します\n元に戻す"},
    {CommandId::Redo, "取り消した効果をもう一度かけます\nやり直す"},
    {ID_APP_ABOUT, "プログラムの情報、バージョン、著作権を表示します\nバージョン情報"},
    {ID_HELP_USAGE, "使い方の説明を表示します\n使い方"},
    {ID_WEB_PAID_DOWNLOAD, "有料版のダウンロードサイトを表示します\n有料版のダウンロード"},
    {ID_WEB_PAID_EXAMPLES, "有料版の編集例を表示します\n有料版の編集例"},
    {ID_WEB_SKIN_VIDEO, "有料版の美肌機能の解説動画を表示します\n美肌機能の解説動画"},
    {ID_VIEW_FIT_TO_WINDOW, "写真をウィンドウに合わせて表示します\n画面にフィット"},
    {ID_VIEW_ACTUAL_SIZE, "写真を等倍で表示します\n等倍で表示"},
    {ID_VIEW_CUSTOMIZE, "ツールバーをカスタマイズします\nカスタマイズ"},
    {CommandId::TriangleSharpenFilter, "写真全体を少しシャープにします\nシャープ"},
    {CommandId::OutlierFilter, "点状のノイズを取り除きます\nノイズ除去"},
    {CommandId::MedianSharpenFilter, "写真の輪郭を強調します\n輪郭強調"},
    {ID_VIEW_APPLOOK_OFF_2007_BLUE, "Office 2007 (ブルー スタイル) で表示します\nブルー スタイル"},
    {ID_VIEW_APPLOOK_OFF_2007_BLACK, "Office 2007 (ブラック スタイル) で表示します\nブラック スタイル"},
    {ID_VIEW_APPLOOK_OFF_2007_SILVER, "Office 2007 (シルバー スタイル) で表示します\nシルバー スタイル"},
    {ID_VIEW_APPLOOK_OFF_2007_AQUA, "Office 2007 (アクア スタイル) で表示します\nアクア スタイル"},
    {ID_VIEW_APPLOOK_WINDOWS_7, "Windows 7 スタイルで表示します\nWindows 7"},
};

// The whole entry of id, or an empty string.
constexpr std::string_view loadString(int id)
{
    for (const StringResource& entry : kStringTable) {
        if (entry.id == id)
            return entry.text;
    }
    return {};
}

// The status-bar prompt of a command: its entry up to the first newline, or
// an effect's title.
constexpr std::string_view commandPrompt(int id)
{
    if (const EffectCommand* effect = findEffectMode(effectModeForCommand(id)); effect != nullptr) {
        return effect->title;
    }
    const std::string_view text = loadString(id);
    return text.substr(0, text.find('\n'));
}

// The tooltip of a command: its entry after the first newline, or the
// prompt when the entry has no second part.
constexpr std::string_view commandTooltip(int id)
{
    const std::string_view text = loadString(id);
    const std::size_t newline = text.find('\n');
    return newline == std::string_view::npos ? commandPrompt(id) : text.substr(newline + 1);
}

} // namespace res
