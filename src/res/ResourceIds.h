// The numeric ids of the program's resources: frame and view commands,
// menus, dialogs and strings. The document's commands, the effects and the
// fixed filters take their ids from the effect catalogue, which declares them.
// The settings and tests rely on these numbers, so the values never change.
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
