// What the ZIP engine asks of the rest of the program: the main window's post-open step, the
// folder tree, the status bar, the menus, the history and the viewers. The engine calls these
// callbacks when they are set and goes on without them when they are not, so it runs the same
// in the main window, in the console companion and in tests. The owners of those parts fill
// the slots at start-up.
#pragma once
#include <windows.h>
#include <cstdint>

struct ListingJob;
struct ExtractionContext;

struct ZipEngineHooks {
    // ---- listing ----
    // RememberSortedColumn is off: clear the list's sort mark and forget the remembered sort
    // column and direction of both lists.
    void (*forgetSortState)(void);
    // Status-area tooltip of the main window: message 33 for a protected archive, 32 if not.
    void (*setProtectionToolTip)(int isProtected);
    // Enable and disable the menu items after an operation.
    void (*updateMenuState)(void);
    // Attach the shell's system icon lists to LIST and the folder tree unless attached.
    void (*attachSystemImageLists)(void);
    // Archive totals in the status bar.
    void (*showTotals)(int64_t files, int64_t compressed, int64_t uncompressed);
    // RememberSortedColumn is on and a column is remembered for the focused view: sort again.
    void (*resortFocusView)(void);
    // A cancelled listing: empty the path combo.
    void (*resetPathCombo)(void);
    // The listing's view list is TreeList: rebuild the folder tree and select its root.
    void (*rebuildFolderTree)(ListingJob* job);
    // The archive was opened: put it in the recent-files menu.
    void (*addToRecent)(const char* archivePath);
    // The main window's post-open step (commands for the format, the archive watcher, ...).
    void (*afterOpen)(ListingJob* job);
    // The archive could not be opened (after the message): the window shows no archive.
    void (*openFailed)(ListingJob* job);

    // ---- extraction ----
    // 1 when extractions are recorded in the history (option on, library status good).
    int (*isHistoryRecording)(void);
    // Starts a history item for an extraction of archivePath into targetFolder.
    void (*startHistoryItem)(const char* targetFolder, const char* archivePath);
    // Adds one extracted member's name to the current history item; 0 when there is none.
    int (*addToHistoryItem)(const char* name);
    // Opens an extracted temporary file for viewing: with the registered application when
    // withApplication is set, else through the system's open-with choice.
    void (*openForView)(const char* path, int withApplication);
    // Records a temporary file that is deleted when the program ends.
    void (*recordTempFile)(const char* path);
};

// The process-wide slots, all null at start.
extern ZipEngineHooks GZipHooks;
