// The archive list views: LIST (every member of the open archive) and TreeList (the members of
// the folder selected in the folder tree). Both have the same eight columns and carry one
// liststruct per row (model/liststruct.h). This file creates them, sorts them with header
// arrows, shows totals in the status bar, collects rows for the engines, paints encryption
// marks, shows the wait cursor while busy and renames members in place.
//
// The main window hosts the views: it creates them with CreateArchiveListView, keeps the
// handles in GApp and hands every WM_NOTIFY that comes from a list to OnListViewNotify.
// Functions that change rows or the status bar may be called from worker threads: they reach
// the windows through messages only.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <cstddef>
#include <cstdint>

#include "model/appstate.h"

struct BSTree;
struct List;
struct liststruct;

// Column numbers.
enum {
    LIST_COLUMN_NAME = 0,
    LIST_COLUMN_ENCRYPTED = 1,
    LIST_COLUMN_COMPRESSED = 2,
    LIST_COLUMN_UNCOMPRESSED = 3,
    LIST_COLUMN_RATE = 4,
    LIST_COLUMN_DATE = 5,
    LIST_COLUMN_TYPE = 6,
    LIST_COLUMN_PATH = 7,
    LIST_COLUMN_COUNT = 8,
};

// ChangeFileName actions.
enum { LISTSTRUCT_FILENAME = 1, LISTSTRUCT_PATH = 2 };

// Sent to a view (list, tree, combo): look at the busy flag and set the cursor again.
enum { WM_REEVALUATE_CURSOR = 12345 };

// Header images of the sort marks.
enum { SORT_MARK_NONE = 0, SORT_MARK_ASCENDING = 1, SORT_MARK_DESCENDING = 2 };

// ---- creation ----

// Creates a report list view child of parent with id (2002 LIST, 2004 TreeList): edit labels,
// selection always shown, shared image lists, the eight columns, subclassed (cursor while
// busy, header drawing, mouse estimates; a hidden list stays hidden when its repainting is
// locked and unlocked), prepared for row batches from workers. The caller stores the handle in
// GApp. Returns the window, null on failure.
HWND CreateArchiveListView(HWND parent, int id);
// Inserts the eight columns (texts from the language library, widths and alignment as the
// views show them). Failures are shown once each in a topmost box. Returns 1, 0 on failure.
int SetupListColumns(HWND listView);
// Width in pixels of column for a view (the compressed column follows its header text's width
// on Windows 6 and later; the encryption column is wider with visual styles).
int ListColumnWidth(HWND listView, int column);
// Finds a column by its header text (columns may be reordered); -1 when none carries it.
int FindListColumnByHeader(HWND listView, const char* headerText);

// ---- sorting ----

// Sort state per list: column (-1 = none) and direction (1 ascending).
extern int sortColumnList, sortColumnTreeList;
extern int sortAscendingList, sortAscendingTreeList;

// Row order for column: negative when a sorts before b, 0 equal, positive after. The size
// columns order by value, the date column chronologically, the text columns ignoring ASCII
// case; the encryption column finds every row equal.
int CompareListRows(const liststruct* a, const liststruct* b, int column);
// Sorts view by column in the given direction and, when the view has a non-empty found list,
// re-initialises its search state (restart flag set); then the selection is brought into view.
// Returns 1, 0 for a bad view or column. Runs the sort on the view's thread.
int SortListViewWindow(HWND view, int column, int ascending);
// SortListViewWindow on the active view (GetViewList).
int SortListView(int column, int ascending);
// A click on column of view: toggles the direction of the sorted column, sorts another column
// ascending, moves the header mark (not for the encryption column) and remembers the column.
// Does nothing (0) when view is not the active view or has no rows. Returns 1 when sorted.
int HandleListColumnClick(HWND view, int column);
// Header image of column: SORT_MARK_NONE, _ASCENDING or _DESCENDING.
int GetHeaderSortMark(HWND view, int column);
// Sets the header image of column (SORT_MARK_...).
void SetHeaderSortMark(HWND view, int column, int mark);
// The arrow of a sorted header item in rect: four points, drawn as a highlight line from
// points[0] to [1] and shadow lines [1]-[2]-[3] (ascending: up; descending: down). The arrow
// moves one pixel right and down when pressed. Returns the arrow's left x.
int ComputeSortArrow(const RECT* rect, int ascending, int pressed, POINT points[4]);
// Clears both lists' header marks and forgets their sort state.
void ForgetSortState(void);
// Sorts the active view again by its remembered column and direction (nothing when none).
void ResortFocusView(void);

// ---- totals in the status bar ----

// Texts of the status bar for totals (selection 0: archive or folder totals; 1: selection):
// countText for part 0, sizeText for part 2, sizes in KB unless that is 0. Returns 1.
int FormatTotalsTexts(int selection, int64_t count, int64_t compressed, int64_t uncompressed, char* countText,
                      size_t countSize, char* sizeText, size_t sizeSize);
// Archive or folder totals into parts 0 and 2 of GApp.hwndStatus (nothing without one).
void ShowTotals(int64_t count, int64_t compressed, int64_t uncompressed);
// Selection totals into parts 0 and 2 of GApp.hwndStatus.
void ShowSelectionTotals(int64_t count, int64_t compressed, int64_t uncompressed);
// Count of the selected rows of view and the sums of their columns 2 and 3 (read as 64-bit
// numbers, so members of 2 GB and more count right).
ArchiveTotals GetSelectionTotals(HWND view);
// After a selection change in view: the selection totals, or with nothing selected the totals
// of the active view (treeListTotals for TreeList, else listTotals).
void UpdateStatusForSelection(HWND view);

// ---- rows for the engines ----

// The member's full name of a path and a name column text: the name alone for an empty path,
// run together when the path ends in "/" or "\\", else joined with "/". Returns 1, 0 when cut.
int JoinMemberName(const char* path, const char* name, char* out, size_t outSize);
// Appends the full name of each selected row to list (a ListCreateStrings list). Returns the
// number appended; 0 when the name column is missing or nothing is selected (logged).
int FillLISTWithSelectedFromList(HWND view, List* list);
// The same for every row; 0 for an empty view ("FillLISTWithWholeList: no items").
int FillLISTWithWholeList(HWND view, List* list);
// Inserts a ZipEntry (entry = full name, number = row) per selected row into set (a BSTree
// ZipEntry set). Returns the number inserted, 0 as above.
int FillZipTreeWithSelectedFromList(HWND view, BSTree* set);
// The same for every row.
int FillZipTreeWithWholeList(HWND view, BSTree* set);

// ---- notifications, mouse and cursor ----

// Handles a WM_NOTIFY of LIST or TreeList (column click, item change, label edit, delete
// item, delete all items, custom draw). Returns 1 when handled with *result as the window
// procedure's answer, 0 when the notification is not one of them (or not from a list).
int OnListViewNotify(const NMHDR* header, LRESULT* result);
// Rows estimated under the last click of view (Shift: the distance to the top row + 1).
int GetEstimatedItems(HWND view);
// 1 when the left button went down on view and has not yet come up (drag start).
int IsListDragStarted(HWND view);
// WM_SETREDRAW for a view subclassed here: passes it to classProc and keeps a hidden window
// hidden (unlocking repainting would show it). Returns the class procedure's answer.
LRESULT KeepHiddenAcrossRedraw(WNDPROC classProc, HWND window, WPARAM wParam, LPARAM lParam);
// While an operation runs (busy) the views show the wait cursor instead of their own: sets it and
// returns 1; returns 0 when nothing runs.
int ShowWaitCursorWhileBusy(void);
// Tells every view (lists, tree, combo) to set its cursor again (after busy changed).
void RefreshViewCursors(void);
// Takes GApp.busy (test-and-set) and shows the wait cursor on the views. 1 when taken.
int BeginViewBusy(void);
// Clears GApp.busy and shows the normal cursor again.
void EndViewBusy(void);

// Paints the encryption mark of row into column 1 of LIST after the row was painted (called
// from the custom draw handler with the row's drawing context). 1 when a mark was painted.
int PaintEncryptionMark(HWND list, HDC dc, int row);
// 1 when row of LIST holds an encrypted member of the last listing. The listing names rows
// by their listing order; sorting and deleting rows keep each mark with its member.
int IsRowEncrypted(HWND list, int row);

// ---- renaming in place ----

// The Rename command: allows one label edit and starts it on the selected (else focused) row
// of view. Returns 1 when the edit started.
int BeginRenameSelectedRow(HWND view);
// Renames the member of row in the open archive and, on success, in the views and the key
// trees: LISTSTRUCT_FILENAME gives it the name newText in its folder (oldText is its old
// name); LISTSTRUCT_PATH moves it to the folder newText (oldText is its old path). Refused
// for ISO and RAR archives. Returns 1 when the archive was changed, 0 otherwise (logged, and
// failures the user must know about are told through the prompts seam). Runs the rewrite on
// the calling thread; the caller holds GApp.busy, which this function leaves as it is.
int ChangeFileName(HWND view, int row, int action, const char* oldText, const char* newText);
// Thread: ChangeFileName for a label edit (param: a RenameRowJob, freed here); clears
// GApp.busy at the end.
struct RenameRowJob {
    HWND view;
    int row;
    char oldName[260];
    char newName[260];
};
DWORD WINAPI RenameListRowThread(LPVOID param);

// ---- deleting rows ----

// After members were deleted from the archive: removes the rows of view listed in rows (count
// indices) from view, the same members from the other list, and their keys from
// TVRBTreeDataReady ("SynchronizeListTreeListDeleteThread: not found in TVRBTreeDataReady %s"
// when a key is missing); folders left without content leave the tree and the combo. The
// removed TreeList rows' sizes leave treeListTotals (listTotals are the archive's, which the
// deleting rewrite keeps; the status bar is the caller's).
// Callable from a worker that holds GApp.busy. Returns the number of rows removed from view.
int SynchronizeListTreeListDelete(HWND view, const int* rows, int count);
// Thread form: param is a malloc'ed RowDeleteJob whose rows were malloc'ed too; both are freed
// here. The starter takes GApp.busy; the thread clears it.
struct RowDeleteJob {
    HWND view;
    int* rows;
    int count;
};
DWORD WINAPI SynchronizeListTreeListDeleteThread(LPVOID param);

// ---- what the views ask of the main window ----

// Callbacks the main window fills at start-up; every slot may be null (then the step is left
// out), so the views run in tests without a main window.
struct ViewHooks {
    // The main list lost its last row: disable the commands that need rows.
    void (*mainListEmptied)(void);
    // Enable and disable commands and toolbar buttons for the current state.
    void (*refreshCommandStates)(void);
    // Set the window title for an archive (null: no archive).
    void (*setArchiveTitle)(const char* archivePath);
    // Free the list of extracted temporary file names.
    void (*freeTempNames)(void);
    // Destroy the clipboard tree (cut and copied members).
    void (*destroyClipboardTree)(void);
    // A text viewer is open: search the Find dialog's request there; 1 when it took it.
    int (*findInTextViewer)(const FINDREPLACEA* request);
};
extern ViewHooks GViewHooks;

// Fills the slots of the ZIP engine's hooks that belong to the views: forgetting and
// re-applying the sort, totals in the status bar, resetting the path combo and rebuilding the
// folder view after a listing into TreeList (SynchronizeTreeView on the listing's thread, so
// the listing ends with the folder view complete).
void InstallViewHooksIntoZipEngine(void);
