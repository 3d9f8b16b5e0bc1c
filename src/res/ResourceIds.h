// The numeric ids of the program's resources: commands, menus, dialogs and
// strings. Every menu item, toolbar button and command handler names its
// command by one of these numbers, and the settings and tests rely on them,
// so the values never change.
#pragma once

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

// Commands of the document.
inline constexpr int ID_PHOTO_OPEN = 32772;
inline constexpr int ID_PHOTO_SAVE = 32797;
inline constexpr int ID_HISTORY_UNDO = 32803;
inline constexpr int ID_HISTORY_REDO = 32805;
inline constexpr int ID_COMMIT_RESULT = 32795;
inline constexpr int ID_FILTER_SHARPEN = 32776;
inline constexpr int ID_FILTER_DENOISE = 32788;
inline constexpr int ID_FILTER_MEDIAN_SHARPEN = 32790;

// The effect commands (mode in the comment); the effect table of the
// document maps them to modes and titles.
inline constexpr int ID_EFFECT_FLASH = 32811;            // 1
inline constexpr int ID_EFFECT_FOCUS = 32787;            // 2
inline constexpr int ID_EFFECT_VIVID = 32799;            // 3
inline constexpr int ID_EFFECT_SOFT_FOCUS = 32786;       // 4
inline constexpr int ID_EFFECT_HDR = 32806;              // 5
inline constexpr int ID_EFFECT_CONTRAST = 32784;         // 6
inline constexpr int ID_EFFECT_MONOCHROME = 32809;       // 7
inline constexpr int ID_EFFECT_CRISP = 32785;            // 8
inline constexpr int ID_EFFECT_SMOOTH = 32813;           // 9
inline constexpr int ID_EFFECT_SKIN = 32814;             // 10
inline constexpr int ID_EFFECT_BLUR_COLOUR = 32815;      // 11
inline constexpr int ID_EFFECT_CRISP_COLOUR = 32818;     // 12
inline constexpr int ID_EFFECT_COLOUR_STRENGTH = 32822;  // 13
inline constexpr int ID_EFFECT_COLOUR_FLASH = 32823;     // 14
inline constexpr int ID_EFFECT_COLOUR_LIGHT = 32824;     // 15
inline constexpr int ID_EFFECT_WARM = 32825;             // 16
inline constexpr int ID_EFFECT_COOL = 32826;             // 17
inline constexpr int ID_EFFECT_WHITE_BALANCE = 32827;    // 18
inline constexpr int ID_EFFECT_BRIGHTEN = 32828;         // 19
inline constexpr int ID_EFFECT_BRIGHTEN_LIGHTS = 32829;  // 20
inline constexpr int ID_EFFECT_BRIGHTEN_SHADOWS = 32830; // 21
inline constexpr int ID_EFFECT_DEEPEN_LIGHTS = 32832;    // 22
inline constexpr int ID_EFFECT_DEEPEN_SHADOWS = 32833;   // 23
inline constexpr int ID_EFFECT_VIVID_LIGHTS = 32834;     // 24
inline constexpr int ID_EFFECT_VIVID_SHADOWS = 32835;    // 25
inline constexpr int ID_EFFECT_DARKEN = 32836;           // 26
inline constexpr int ID_EFFECT_CLEAR_COLOUR = 32837;     // 27
inline constexpr int ID_EFFECT_BRIGHT_CRISP = 32839;     // 28
inline constexpr int ID_EFFECT_DARK_CRISP = 32838;       // 29
inline constexpr int ID_EFFECT_EMPHASISE_COLOUR = 32840; // 30
inline constexpr int ID_EFFECT_DEEPEN_SHADE = 32841;     // 31
inline constexpr int ID_EFFECT_STRONG_LIGHT = 32842;     // 32

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
