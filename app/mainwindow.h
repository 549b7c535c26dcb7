// The main window: the frame of class "Kelvora" with its children (the two list views, the
// folder tree, the path combo with its labels, two toolbars, the status bar and its tool
// tips), the menus built from the language library, the busy protocol, the open operation,
// dropped files, the switch between the flat and the folder view, the timers, the recent
// archives of the File menu and the watcher that notices when the open archive disappears.
// Commands themselves are dispatched by app/commands.
#pragma once
#include <windows.h>
#include <shellapi.h>

// ---- the frame ----

// Registers the window class "Kelvora" (icon 301, arrow cursor). Returns 1, 0 on failure
// (also when it is registered already by another module instance).
int RegisterMainWindowClass(HINSTANCE instance);
// Creates the frame and every child, stores the handles in GApp, installs the hooks other
// parts call (engine, views), shows the frame with showCommand (SW_HIDE keeps it hidden).
// Returns the frame, null on failure.
HWND CreateMainWindow(HINSTANCE instance, int showCommand);
// The frame's procedure (dispatch only; the work is in small handlers).
LRESULT CALLBACK MainWindowProc(HWND frame, UINT msg, WPARAM wParam, LPARAM lParam);
// Title "Kelvora: <archive>", or "Kelvora" alone for a null or empty name. 1, 0 on failure
// (logged "SetMyWindowText failure %d").
int SetMyWindowText(const char* archiveName);

// Where the children go in a client area of width x height below the toolbars (toolbarHeight)
// and above the status bar (statusHeight).
struct MainLayout {
    RECT frameLine;
    RECT list;          // LIST (flat view)
    RECT tree;          // folder tree
    RECT comboLabel;    // 100 x 20
    RECT pathCombo;
    RECT secondLabel;   // 150 x 20
    RECT treeList;
};
// Pure arithmetic of the layout: the tree takes a third of the width (at least 150 pixels,
// at most half), the combo row sits above TreeList. Returns 1, 0 for a client too small.
int ComputeMainLayout(int width, int height, int toolbarHeight, int statusHeight, MainLayout* out);
// Places every child for the frame's current client size.
void LayoutMainWindow(HWND frame);

// ---- views ----

// Shows the folder view (folderView 1: tree, combo, labels and TreeList) or the flat view
// (LIST), makes its list the active view, updates the status tip and the View menu's check
// marks and repaints. Returns 1, 0 on failure (logged "SwitchView: err %d %d").
int SwitchView(int folderView);
// 1 while the folder view is shown.
int IsFolderViewShown(void);

// ---- busy protocol ----

// Takes GApp.busy (atomic test-and-set) and makes every view, the frame and the status bar
// show the wait cursor at once. Returns 1 when taken, 0 when it was held already.
int BeginBusy(void);
// Clears GApp.busy and lets the cursors show the arrow again.
void EndBusy(void);

// ---- opening ----

// The open operation: checks that path (null: ask with the open dialog) can be read, refuses
// while busy or an open still lists ("already busy", "already busy open"), detects the
// format and starts that format's listing thread. Returns 1 when a listing started (or the
// dialog was cancelled), 0 when refused or not supported.
int OpenCompressedFile(const char* path, HWND owner);
// The listing starter of a format, null when this build has no engine for it.
typedef LPTHREAD_START_ROUTINE ListingStarter;
ListingStarter GetListingThreadForFormat(int format);

// ---- dropped files ----

// Dropped paths: with no archive shown a single archive is opened and a single other file
// starts a new archive; with an archive shown every path is added to it (ZIP; into the folder
// of the path combo when the folder view is active). Returns 1 when something started.
int HandleDroppedPaths(const char* const* paths, int count);
// WM_DROPFILES: reads the drop's paths and hands them to HandleDroppedPaths; releases the
// drop handle when finish is set. Returns HandleDroppedPaths' result.
int HandleDropFilesList(HDROP drop, int finish);

// ---- menus and command states ----

// Builds the menu bar: five pop-ups with the language library's captions, the recent
// archives in the File menu. The caller owns the menu (the frame destroys it with itself).
HMENU BuildMainMenu(void);
// The keyboard shortcut a menu shows beside the command's caption ("Ctrl+O"), or null.
const char* MenuShortcutText(int id);
// 1 when the command has a handler in this build (commands whose features come later stay
// disabled whatever the state).
int IsCommandAvailable(int id);
// Enables and disables every command and toolbar button for the current state: the format of
// the open archive, whether LIST has rows, the active view.
void RefreshCommandStates(void);
// 1 when the command's menu item is enabled (tests, diagnostics).
int IsCommandEnabled(int id);

// ---- recent archives ----

// Puts path first among the four recent slots (moving it up when present, dropping the
// oldest otherwise), rewrites the File menu's recent items and saves "file_list". Nothing
// with DoNotSaveRecent set. Returns 1 when the slots changed.
int AddToRecentSlots(const char* path);
// Rewrites the recent items 6001-6004 of the File menu from the slots.
void RefreshRecentMenuItems(void);

// ---- status bar ----

// Sets the tool tip of the view part: the view's status tip and, while an archive is open,
// whether it is protected (message 33) or not (32).
void SetProtectionToolTip(int isProtected);
// Text of the status bar's tool tip over part (tests, diagnostics); "" when none.
int GetStatusToolTipText(int part, char* out, size_t outSize);
// Timer 12345 of the status bar: one line per background job in the tool tip; text 41 once
// when the last job has ended. Starts the timer when jobs run and none is set.
void UpdateBackgroundJobTip(void);

// ---- archive-change watcher ----

// Starts a watcher for GApp.currentArchive (stopping the one recorded first). When the file
// is renamed, moved or deleted, the main list is disabled and message 34 is shown. Returns 1
// when a watcher runs.
int StartArchiveWatcher(void);
// Tells the recorded watcher to stop and forgets it.
void StopArchiveWatcher(void);
// 1 while a watcher is recorded.
int IsArchiveWatcherRunning(void);

// ---- seams for tests ----

// Opens a file with its associated program (withApplication 1) or the system's open-with
// choice (0). Returns 1 when the shell took it. Replaceable so that tests launch nothing.
typedef int (*ShellOpenFn)(HWND owner, const char* path, int withApplication);
extern ShellOpenFn GShellOpen;
int ShellOpenWithSystem(HWND owner, const char* path, int withApplication);
