// The folder view: the folder tree (GApp.hwndTree) of the archive's folders under one root item,
// TreeList (GApp.hwndTreeList) with the files of the selected folder, and the path combo
// (GApp.hwndPathCombo) listing every folder path. All three come from the key trees of the
// archive model (model/keys.h): SynchronizeTreeView rebuilds them after a listing, a folder
// selection refills TreeList on a worker (DoTvnChanged), and moving, deleting and renaming
// folders change the archive and then the views.
//
// The main window creates the windows with CreateFolderTree and CreatePathCombo, keeps the
// handles in GApp, hands the tree's WM_NOTIFY to OnFolderTreeNotify and its timer 4321 to
// OnFolderChangeTimer. Work that touches windows runs on the window thread; workers reach it
// through messages.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstddef>

struct RBTree;
struct KeyRows;

// The frame's timer that retries a folder change parked while another one ran.
enum { TIMER_FOLDER_CHANGE = 4321, FOLDER_CHANGE_RETRY_MS = 200 };

// ---- creation ----

// Folder tree child of parent with id (2003): buttons, lines, lines at root, edit labels,
// selection always shown, tab stop; subclassed for dragging folders and the busy cursor (a
// hidden tree stays hidden when its repainting is locked and unlocked). Returns the window,
// null on failure.
HWND CreateFolderTree(HWND parent, int id);
// Path combo (ComboBoxEx32) child of parent with id (2005): drop-down list of folder paths
// with folder icons, height 200; subclassed (choosing a path selects its folder). Returns the
// window, null on failure.
HWND CreatePathCombo(HWND parent, int id);

// ---- keys and items ----

// The item's path: labels from the first level below the root down to item, each followed by
// the format's separator ("a\b\"); the root gives "". With asKey "%3d*%s" with the number of
// levels, or with parentLevel that number minus one (0 for fewer than two levels). Returns
// the number of levels, -1 for a bad item or buffer (out "").
int TreeViewGetPath(HTREEITEM item, char* out, size_t outSize, int asKey, int parentLevel);
// The folder-change key of item: "%3d*%s" with its levels and path (the root: "  0*").
int ChildrenKey(HTREEITEM item, char* out, size_t outSize);
// The item of a folder path ("a\b", separators of the format), descending from the root by
// label; the root for "". Null when no such item exists.
HTREEITEM FindTreeItemString(HWND tree, const char* path);
// Adds the folder of a FolderKey ("%3d*path") below root, walking its components by label and
// adding the missing one at the key's level. Returns the folder's item, null when nothing was
// added or found (negative level, bad key). Call on the tree's thread.
HTREEITEM InsertRBTreeFolderIntoTree(HTREEITEM root, const char* folderKey);
// The root item (the archive), null when the tree is empty.
HTREEITEM GetFolderTreeRoot(void);

// ---- the path combo ----

// Fills TVRBTreeCombo with the path of every key of folders and the combo with those paths
// in string order, each with the folder icon. Returns the number of paths, 0 without a tree.
int AddItemsToCombo(HWND combo, RBTree* folders);
// Empties the path combo (selection none).
void ResetPathCombo(void);
// The combo's paths in order (tests, diagnostics): copies path index into out; 0 when none.
int GetPathComboEntry(int index, char* out, size_t outSize);

// ---- rebuilding the views ----

// Rebuilds the key trees, the path combo and the folder tree from the rows of GApp.hwndList
// and selects the root (which refills TreeList). archivePath names the root item (null: the
// current archive). Takes GApp.busy (waiting for it on a worker, refusing on the window
// thread) and clears it. Returns the number of rows read, -1 when refused or out of memory.
int SynchronizeTreeView(const char* archivePath);
// The same from rows a listing gathered (see KeyRows); they serve only when their count is the
// list's row count, else the list is read. prepared may be null.
int SynchronizeTreeViewWithRows(const char* archivePath, KeyRows* prepared);
// Thread form: param is a malloc'ed archive path (freed here) or null.
DWORD WINAPI SynchronizeTreeViewThread(LPVOID param);
// Starts SynchronizeTreeViewThread. Returns 1 when the thread started.
int StartSynchronizeTreeView(const char* archivePath);

// ---- selecting a folder ----

// The tree's selection changed to item: empties TreeList and starts DoTvnChanged with the
// item's ChildrenKey, or parks the key (tvncached) and restarts timer 4321 while a change or
// another operation runs.
void HandleFolderSelection(HTREEITEM item);
// Timer 4321 of the frame: stops it and handles the folder selected now.
void OnFolderChangeTimer(void);
// Thread: refills TreeList with the members of the folder of key (a malloc'ed ChildrenKey,
// freed here). The starter holds GApp.busy and GApp.TVNSem; the thread clears both.
DWORD WINAPI DoTvnChanged(LPVOID key);
// Builds the TreeList row of one TVRBTreeDataReady key (sizes, date and texts from the key);
// counts it in GApp.treeListTotals. 1 when a row was inserted, 0 for a sub-folder key or a
// key that cannot be read.
int InsertIntoTreeList(const char* key);
// 1 while TreeList is being refilled.
int IsTreeListFilling(void);
// 1 while a folder change runs (GApp.TVNSem) or waits (tvncached non-empty).
int IsFolderChangePending(void);

// ---- folders that lost their content, moves, deletions and renames ----

// Walks item, its siblings and their descendants depth first and deletes every folder that
// no longer holds anything in TVRBTreeDataReady (and then its parent, when that became
// empty); removeFromCombo also removes their paths from the combo. The root stays. Returns
// the number of folders deleted. Call on the tree's thread.
int TreeDeleteEmpty(HWND tree, HTREEITEM item, int removeFromCombo);
// The new key of a member when the folder of folderKey is moved below the folder of
// targetKey (both as TreeViewGetPath gives them with asKey): the moved folder's parent path
// is replaced by the target's path and the depth computed anew. Returns 1, 0 when memberKey
// does not lie below the moved folder's parent (out "").
int ExchangeUpdateTreeViewDragOrDeleteString(const char* memberKey, const char* folderKey, const char* targetKey,
                                             char* out, size_t outSize);
// Moves (isDelete 0) the folder item below targetItem, or deletes it (isDelete 1), with every
// member below it, in the archive and then in the views, after the user confirmed the number
// of members. Refuses to move a folder into itself or below itself. Returns 1 when the work
// started (or ran, see SetFolderWorkSynchronous), 0 when nothing was done.
int UpdateTreeViewDragOrDelete(HTREEITEM folderItem, HTREEITEM targetItem, int isDelete);
// Renames the folder item to newLabel (one path component) in the archive and the views.
// Returns 1 when the work started (or ran), 0 when refused (empty label, separators, a
// sibling of that name, the root, not a zip archive, busy).
int RenameFolderItem(HTREEITEM item, const char* newLabel);
// The rename-folder prompt for the selected folder, then RenameFolderItem with the last
// component of the answer. 1 when a rename started.
int RenameSelectedFolderWithPrompt(void);
// The new name of a member when the folder oldPath is renamed or moved to newPath (paths
// without trailing separator): 1 with out filled when member lies in oldPath, else 0.
int RenamePath(const char* member, const char* oldPath, const char* newPath, char* out, size_t outSize);
// 1: folder moves, deletions and renames run on the calling thread and show no progress
// dialog (tests, the console companion); 0 (default): on a worker with the progress dialog.
void SetFolderWorkSynchronous(int on);
// Makes a folder path known to the views after a member moved into it: its keys in
// TVRBTreeFolder and TVRBTreeDataReady, its items in the tree and its entry in the combo.
void AddFolderPathToViews(const char* path);
// The archive folder path of a tree item ('\' separated, no trailing separator; "" for the
// root) into out. 1 done, 0 when the item has no path.
int GetFolderPathOfItem(HTREEITEM item, char* out, size_t outSize);

// ---- clearing ----

// Empties every view and forgets the open archive (nothing while busy): LIST, title, the
// temporary names, tree, TreeList, combo, the key trees, status texts, format, totals, search
// states, tempToDelete and the clipboard tree. Returns 1, 0 when refused.
int ClearViews(void);

// ---- notifications ----

// Handles a WM_NOTIFY of the folder tree (selection change, label edit, drag start). Returns 1
// when handled with *result as the window procedure's answer, else 0.
int OnFolderTreeNotify(const NMHDR* header, LRESULT* result);
