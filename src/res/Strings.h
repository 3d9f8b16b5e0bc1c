// The string table: the application name, the status-bar texts, the
// program's messages and, under each command's id, its status-bar prompt
// and tooltip separated by a newline. Lookups are constexpr; an unknown id
// gives an empty string.
#pragma once

#include <string_view>

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
    {ID_PHOTO_OPEN, "写真を開く\n写真を開く"},
    {ID_PHOTO_SAVE, "写真を保存\n写真を保存"},
    {ID_APP_EXIT, "アプリケーションを終了します\n終了"},
    {ID_HISTORY_UNDO, "直前の効果を取り消します\n元に戻す"},
    {ID_HISTORY_REDO, "取り消した効果をもう一度かけます\nやり直す"},
    {ID_APP_ABOUT, "プログラムの情報、バージョン、著作権を表示します\nバージョン情報"},
    {ID_HELP_USAGE, "使い方の説明を表示します\n使い方"},
    {ID_WEB_PAID_DOWNLOAD, "有料版のダウンロードサイトを表示します\n有料版のダウンロード"},
    {ID_WEB_PAID_EXAMPLES, "有料版の編集例を表示します\n有料版の編集例"},
    {ID_WEB_SKIN_VIDEO, "有料版の美肌機能の解説動画を表示します\n美肌機能の解説動画"},
    {ID_VIEW_FIT_TO_WINDOW, "写真をウィンドウに合わせて表示します\n画面にフィット"},
    {ID_VIEW_ACTUAL_SIZE, "写真を等倍で表示します\n等倍で表示"},
    {ID_VIEW_CUSTOMIZE, "ツールバーをカスタマイズします\nカスタマイズ"},
    {ID_FILTER_SHARPEN, "写真全体を少しシャープにします\nシャープ"},
    {ID_FILTER_DENOISE, "点状のノイズを取り除きます\nノイズ除去"},
    {ID_FILTER_MEDIAN_SHARPEN, "写真の輪郭を強調します\n輪郭強調"},
    {ID_VIEW_APPLOOK_OFF_2007_BLUE, "Office 2007 (ブルー スタイル) で表示します\nブルー スタイル"},
    {ID_VIEW_APPLOOK_OFF_2007_BLACK, "Office 2007 (ブラック スタイル) で表示します\nブラック スタイル"},
    {ID_VIEW_APPLOOK_OFF_2007_SILVER, "Office 2007 (シルバー スタイル) で表示します\nシルバー スタイル"},
    {ID_VIEW_APPLOOK_OFF_2007_AQUA, "Office 2007 (アクア スタイル) で表示します\nアクア スタイル"},
    {ID_VIEW_APPLOOK_WINDOWS_7, "Windows 7 スタイルで表示します\nWindows 7"},
    {ID_EFFECT_FLASH, "フラッシュ\nフラッシュ"},
    {ID_EFFECT_FOCUS, "ピント修正\nピント修正"},
    {ID_EFFECT_VIVID, "ビビットカラー\nビビットカラー"},
    {ID_EFFECT_SOFT_FOCUS, "ソフトフォーカス\nソフトフォーカス"},
    {ID_EFFECT_HDR, "HDR\nHDR"},
    {ID_EFFECT_CONTRAST, "濃く（コントラスト）\n濃く（コントラスト）"},
    {ID_EFFECT_MONOCHROME, "白黒\n白黒"},
    {ID_EFFECT_CRISP, "くっきり\nくっきり"},
    {ID_EFFECT_SMOOTH, "なめらか\nなめらか"},
    {ID_EFFECT_SKIN, "美肌\n美肌"},
    {ID_EFFECT_BLUR_COLOUR, "指定色をぼかす\n指定色をぼかす"},
    {ID_EFFECT_CRISP_COLOUR, "指定色をくっきり\n指定色をくっきり"},
    {ID_EFFECT_COLOUR_STRENGTH, "指定色を強く、弱く\n指定色を強く、弱く"},
    {ID_EFFECT_COLOUR_FLASH, "指定色をくっきりフラッシュ\n指定色をくっきりフラッシュ"},
    {ID_EFFECT_COLOUR_LIGHT, "カラーライト\nカラーライト"},
    {ID_EFFECT_WARM, "ウォーム\nウォーム"},
    {ID_EFFECT_COOL, "クール\nクール"},
    {ID_EFFECT_WHITE_BALANCE, "白色補正\n白色補正"},
    {ID_EFFECT_BRIGHTEN, "全体的に明るく\n全体的に明るく"},
    {ID_EFFECT_BRIGHTEN_LIGHTS, "明るいところをより明るく\n明るいところをより明るく"},
    {ID_EFFECT_BRIGHTEN_SHADOWS, "暗いところをより明るく\n暗いところをより明るく"},
    {ID_EFFECT_DEEPEN_LIGHTS, "明るいところを濃く\n明るいところを濃く"},
    {ID_EFFECT_DEEPEN_SHADOWS, "暗いところを濃く\n暗いところを濃く"},
    {ID_EFFECT_VIVID_LIGHTS, "明るいところをビビットに\n明るいところをビビットに"},
    {ID_EFFECT_VIVID_SHADOWS, "暗いところをビビットに\n暗いところをビビットに"},
    {ID_EFFECT_DARKEN, "全体的に暗く\n全体的に暗く"},
    {ID_EFFECT_CLEAR_COLOUR, "クリアカラー\nクリアカラー"},
    {ID_EFFECT_BRIGHT_CRISP, "明るくくっきり\n明るくくっきり"},
    {ID_EFFECT_DARK_CRISP, "暗くくっきり\n暗くくっきり"},
    {ID_EFFECT_EMPHASISE_COLOUR, "特定色の強調\n特定色の強調"},
    {ID_EFFECT_DEEPEN_SHADE, "影を濃く\n影を濃く"},
    {ID_EFFECT_STRONG_LIGHT, "光を強く\n光を強く"},
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

// The status-bar prompt of a command: its entry up to the first newline.
constexpr std::string_view commandPrompt(int id)
{
    const std::string_view text = loadString(id);
    return text.substr(0, text.find('\n'));
}

// The tooltip of a command: its entry after the first newline, or the
// prompt when the entry has no second part.
constexpr std::string_view commandTooltip(int id)
{
    const std::string_view text = loadString(id);
    const std::size_t newline = text.find('\n');
    return newline == std::string_view::npos ? text : text.substr(newline + 1);
}

} // namespace res
