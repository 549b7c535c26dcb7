// Identifiers of the main window: child controls, menu and toolbar commands, timers, private
// messages and resources. One table for the frame, the command dispatch and the tests.
#pragma once
#include <windows.h>

// Child windows of the frame.
enum {
    IDC_FRAME_LINE = 2,       // etched frame line under the toolbars
    IDC_LIST = 2002,          // LIST: every member of the open archive
    IDC_FOLDER_TREE = 2003,   // folder tree of the folder view
    IDC_TREELIST = 2004,      // TreeList: the members of the selected folder
    IDC_PATH_COMBO = 2005,    // path combo of the folder view
    IDC_COMBO_LABEL = 2006,   // label in front of the path combo
    IDC_TOOLBAR = 2010,       // main toolbar (buttons 16001-16006)
    IDC_TOOLBAR2 = 2011,      // second toolbar (views, settings, help)
    IDC_STATUS = 17001,       // status bar
};

// Parts of the status bar.
enum {
    STATUS_PART_COUNT = 0,      // number of members (or of the selected ones)
    STATUS_PART_SEARCH = 1,     // the search's status text; its tip tells the view and the protection
    STATUS_PART_SIZES = 2,      // compressed and uncompressed sizes
    STATUS_PART_ADD_MODE = 3,   // what "add" picks: folders or files (click switches)
    STATUS_PART_NEW_FORMAT = 4, // format of new archives: ZIP or TAR (click switches)
    STATUS_PART_TOTAL = 5,
};

// Commands (WM_COMMAND identifiers of the frame).
enum {
    IDM_OPEN_MEMBER = 1,        // Enter: open the selected member
    IDM_NEW_ARCHIVE = 4001,
    IDM_OPEN = 4002,
    IDM_CLOSE = 4003,
    IDM_RELOAD = 4004,
    IDM_SELF_EXTRACTOR = 4005,
    IDM_SAVE_COPY = 4006,
    IDM_EXIT = 4007,
    IDM_RENAME = 4008,
    IDM_SET_PASSWORD = 4009,
    IDM_CUT = 4010,
    IDM_COPY = 4011,
    IDM_PASTE = 4012,
    IDM_FIND_NAME = 4013,
    IDM_FIND_CONTENT = 4014,
    IDM_ADD_FOLDER = 4015,
    IDM_EXTRACT = 4016,
    IDM_DELETE = 4017,
    IDM_SELECT_ALL = 4018,
    IDM_FLAT_VIEW = 4019,
    IDM_FOLDER_VIEW = 4020,
    IDM_SETTINGS = 4021,
    IDM_HELP = 4022,
    IDM_ABOUT = 4023,
    IDM_REPAIR = 4024,
    IDM_HISTORY = 4025,
    IDM_PRINT = 4026,
    IDM_EXTRACT_SEVERAL = 4027,
    IDM_RECENT_ARCHIVES = 4028,
    IDM_FIRST_MENU_COMMAND = 4001,
    IDM_LAST_MENU_COMMAND = 4028,

    IDM_RECENT_SEPARATOR = 6000, // separator in front of the recent archives
    IDM_RECENT_FIRST = 6001,     // 6001-6004: recent archive of slot 0-3
    IDM_RECENT_LAST = 6004,
    IDM_RECENT_END = 6100,       // separator behind them

    IDM_TB_NEW_ARCHIVE = 16001,  // toolbar forms of 4001, 4015, 4016, 4017, 4002, 4013
    IDM_TB_ADD_FOLDER = 16002,
    IDM_TB_EXTRACT = 16003,
    IDM_TB_DELETE = 16004,
    IDM_TB_OPEN = 16005,
    IDM_TB_FIND = 16006,

    IDM_SCROLL_TOP = 19000,      // scroll the active list without moving the selection
    IDM_SCROLL_PAGE_UP = 19001,
    IDM_SCROLL_PAGE_DOWN = 19002,
    IDM_SCROLL_BOTTOM = 19003,
    IDM_FOLDER_UP = 19004,       // Alt+Up and Backspace: up one folder in the folder view
};

// Menu captions: pop-up n has caption GetMenuText(5000 + n).
enum { IDM_POPUP_FILE = 5001, IDM_POPUP_EDIT = 5002, IDM_POPUP_VIEW = 5003, IDM_POPUP_TOOLS = 5004, IDM_POPUP_HELP = 5005 };

// Timers.
enum {
    TIMER_FOLDER_RETRY = 4321,      // frame: a parked folder change is retried
    TIMER_WATCH_AGAIN = 4322,       // frame: watch the archive again after a rewrite
    TIMER_BACKGROUND_JOBS = 12345,  // status bar: background job lines in its tool tip (100 ms)
};

// Private messages of the frame (posted by workers; handled on the window thread).
enum {
    WM_KV_AFTER_OPEN = WM_APP + 1,      // wParam: format; a listing has rows
    WM_KV_ARCHIVE_GONE = WM_APP + 2,    // the watcher found the open archive gone
    WM_KV_REFRESH_COMMANDS = WM_APP + 3,// enable and disable the commands again
    WM_KV_SET_PROTECTION_TIP = WM_APP + 4, // wParam: 1 protected, 0 not
    WM_KV_RUN = WM_APP + 5,             // lParam: a KvRunRequest to run on the window thread
};

// Resources.
enum {
    IDI_KELVORA = 301,          // class icon
    IDB_COMPANY_LOGO = 302,     // company logo bitmap
};

// The command-line help window.
enum {
    IDC_HELP_TEXT = 1001,       // rich edit holding the help text
    IDC_HELP_CLOSE = 12004,     // closes the window (default button)
    IDC_HELP_FONT = 12007,      // font chooser for the help text
};
