// The numeric ids of the program's resources: commands, menus, dialogs and
// strings. Every menu item, toolbar button and command handler names its
// command by one of these numbers, and the settings and tests rely on them,
// so the values never change.
#pragma once

#include "document/EffectCatalogue.h"

namespace res {

// Menus and dialogs.
inline constexpr int IDR_MAINFRAME = 128;       // main menu, frame icon, document strings
inline constexpr int IDR_STYLE_MENU = 200;      // the five styles offered by name
inline constexpr int IDR_POPUP_EDIT = 119;      // registered edit context menu, never shown
inline constexpr int IDR_VIEW_CONTEXT = 315;    // the view's right-click menu
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_EFFECT_DIALOG = 312;

// Commands of the frame and the application.
inline constexpr int ID_VIEW_CUSTOMIZE = 126;
inline constexpr int ID_VIEW_APPLOOK_FIRST = 205;
inline constexpr int ID_VIEW_APPLOOK_WIN_2000 = 205;
inline constexpr int ID_VIEW_APPLOOK_OFF_XP = 206;
inline constexpr int ID_VIEW_APPLOOK_WIN_XP = 207;
inline constexpr int ID_VIEW_APPLOOK_OFF_2003 = 208;
inline constexpr int ID_VIEW_APPLOOK_VS_2005 = 209;
inline constexpr int ID_VIEW_APPLOOK_VS_2008 = 210;
inline constexpr int ID_VIEW_APPLOOK_OFF_2007_KEEP_FIRST = 211;
inline constexpr int ID_VIEW_APPLOOK_OFF_2007_KEEP_LAST = 214;
inline constexpr int ID_VIEW_APPLOOK_OFF_2007_BLUE = 215;
inline constexpr int ID_VIEW_APPLOOK_OFF_2007_BLACK = 216;
inline constexpr int ID_VIEW_APPLOOK_OFF_2007_SILVER = 217;
inline constexpr int ID_VIEW_APPLOOK_OFF_2007_AQUA = 218;
inline constexpr int ID_VIEW_APPLOOK_WINDOWS_7 = 219;
inline constexpr int ID_VIEW_APPLOOK_LAST = 219;
inline constexpr int ID_VIEW_APPLOOK_DEFAULT = ID_VIEW_APPLOOK_VS_2008;

inline constexpr int ID_HELP_USAGE = 32820;
inline constexpr int ID_WEB_PAID_DOWNLOAD = 32846;
inline constexpr int ID_WEB_PAID_EXAMPLES = 32847;
inline constexpr int ID_WEB_SKIN_VIDEO = 32849;

inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;

// Commands of the view.
inline constexpr int ID_VIEW_FIT_TO_WINDOW = 32792;
inline constexpr int ID_VIEW_ACTUAL_SIZE = 32794;

// Commands of the document, named here by the catalogue's ids.
inline constexpr int ID_PHOTO_OPEN = CommandId::OpenPhoto;
inline constexpr int ID_PHOTO_SAVE = CommandId::SavePhoto;
inline constexpr int ID_HISTORY_UNDO = CommandId::Undo;
inline constexpr int ID_HISTORY_REDO = CommandId::Redo;
inline constexpr int ID_COMMIT_RESULT = CommandId::CommitResult;
inline constexpr int ID_FILTER_SHARPEN = CommandId::TriangleSharpenFilter;
inline constexpr int ID_FILTER_DENOISE = CommandId::OutlierFilter;
inline constexpr int ID_FILTER_MEDIAN_SHARPEN = CommandId::MedianSharpenFilter;

// The effect commands by mode; the catalogue declares their ids.
inline constexpr int ID_EFFECT_FLASH = effectCommandId(1);
inline constexpr int ID_EFFECT_FOCUS = effectCommandId(2);
inline constexpr int ID_EFFECT_VIVID = effectCommandId(3);
inline constexpr int ID_EFFECT_SOFT_FOCUS = effectCommandId(4);
inline constexpr int ID_EFFECT_HDR = effectCommandId(5);
inline constexpr int ID_EFFECT_CONTRAST = effectCommandId(6);
inline constexpr int ID_EFFECT_MONOCHROME = effectCommandId(7);
inline constexpr int ID_EFFECT_CRISP = effectCommandId(8);
inline constexpr int ID_EFFECT_SMOOTH = effectCommandId(9);
inline constexpr int ID_EFFECT_SKIN = effectCommandId(10);
inline constexpr int ID_EFFECT_BLUR_COLOUR = effectCommandId(11);
inline constexpr int ID_EFFECT_CRISP_COLOUR = effectCommandId(12);
inline constexpr int ID_EFFECT_COLOUR_STRENGTH = effectCommandId(13);
inline constexpr int ID_EFFECT_COLOUR_FLASH = effectCommandId(14);
inline constexpr int ID_EFFECT_COLOUR_LIGHT = effectCommandId(15);
inline constexpr int ID_EFFECT_WARM = effectCommandId(16);
inline constexpr int ID_EFFECT_COOL = effectCommandId(17);
inline constexpr int ID_EFFECT_WHITE_BALANCE = effectCommandId(18);
inline constexpr int ID_EFFECT_BRIGHTEN = effectCommandId(19);
inline constexpr int ID_EFFECT_BRIGHTEN_LIGHTS = effectCommandId(20);
inline constexpr int ID_EFFECT_BRIGHTEN_SHADOWS = effectCommandId(21);
inline constexpr int ID_EFFECT_DEEPEN_LIGHTS = effectCommandId(22);
inline constexpr int ID_EFFECT_DEEPEN_SHADOWS = effectCommandId(23);
inline constexpr int ID_EFFECT_VIVID_LIGHTS = effectCommandId(24);
inline constexpr int ID_EFFECT_VIVID_SHADOWS = effectCommandId(25);
inline constexpr int ID_EFFECT_DARKEN = effectCommandId(26);
inline constexpr int ID_EFFECT_CLEAR_COLOUR = effectCommandId(27);
inline constexpr int ID_EFFECT_BRIGHT_CRISP = effectCommandId(28);
inline constexpr int ID_EFFECT_DARK_CRISP = effectCommandId(29);
inline constexpr int ID_EFFECT_EMPHASISE_COLOUR = effectCommandId(30);
inline constexpr int ID_EFFECT_DEEPEN_SHADE = effectCommandId(31);
inline constexpr int ID_EFFECT_STRONG_LIGHT = effectCommandId(32);

// Framework commands of the registered edit menu 119 (no handler).
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE = 57637;

// Up to ten user-defined toolbars.
inline constexpr int ID_USER_TOOLBAR_FIRST = 59432;
inline constexpr int ID_USER_TOOLBAR_LAST = 59441;

// Strings of the string table that are not command prompts.
inline constexpr int IDS_DOCUMENT_STRINGS = 128;
inline constexpr int IDS_TOOLBAR_STANDARD = 124;
inline constexpr int IDS_TOOLBAR_CUSTOMIZE = 125;
inline constexpr int IDS_EDIT_MENU = 306;
inline constexpr int IDS_HELP_OPEN_FAILED = 330;
inline constexpr int IDS_WEB_OPEN_FAILED = 331;
inline constexpr int IDS_SAVE_CHANGES_QUESTION = 332;
inline constexpr int IDS_RECENT_PHOTOS_MENU = 333;
inline constexpr int IDS_RECENT_PHOTOS_EMPTY = 334;
inline constexpr int IDS_RECENT_PHOTO_MISSING = 335;
inline constexpr int IDS_RECENT_PHOTO_MISSING_MARK = 336;
inline constexpr int IDS_EMPTY_VIEW_HINT = 337;
inline constexpr int IDS_IDLE_MESSAGE = 59136;   // "レディ"
inline constexpr int IDS_INDICATOR_CAPS = 59137;
inline constexpr int IDS_INDICATOR_NUM = 59138;
inline constexpr int IDS_INDICATOR_SCRL = 59139;
inline constexpr int IDS_APP_NAME = 57344;       // "PEKARUN4FREE"

} // namespace res
