// The calls of rm.dll, the recent-files manager: an ordered list of archive paths (most recent
// first, at most 200, letter case significant) with the time each was last opened and how often,
// kept in "recent.lst" in the user's data folder (see libs/common/storefile.h). Every change is
// written at once, through a new file that replaces the old one. Calls may come from any thread.
#pragma once
#include <windows.h>

// AddToRecent (path): puts path first, with the current time, counting one more opening. 1 when
// the list was saved, 0 when path is empty or the file cannot be written.
typedef int (*RmAddToRecentFn)(const char* path);
// PrintRecentListLarge5 (list view, five column headers): replaces the list view's columns by the
// five (archive name, its folder, last opened, times opened, archive size in bytes; the size is
// empty for a file that is gone) and its rows by the entries in order. Returns the number of rows;
// 0 when there is nothing to show.
typedef int (*RmPrintRecentListLarge5Fn)(HWND list, const char* archive, const char* folder, const char* opened,
                                         const char* times, const char* size);
// PrintRecentList (list view): rows of the full paths in order (one column "Archive" is added when
// the view has none). Returns the number of rows.
typedef int (*RmPrintRecentListFn)(HWND list);
// ExchangeRecentList (list view): the order of the list view's rows (first column: full paths)
// becomes the stored order; entries without a row are dropped. 1 when saved.
typedef int (*RmExchangeRecentListFn)(HWND list);
// ExchangeEntrySetToFirst/Previous/Next/Last (list view, row): moves the entry of that row to the
// top, up one, down one or to the bottom, saves, fills the list view again (as PrintRecentList,
// when it is not null) and selects the moved row. Returns the entry's new row, -1 for a bad row.
typedef int (*RmMoveEntryFn)(HWND list, int row);
// DeleteTreeEntry (list view, row): removes the entry of that row, saves and fills the list view
// again. 1 when removed.
typedef int (*RmDeleteTreeEntryFn)(HWND list, int row);
// DeleteRecentListNode (path): removes the entry of exactly that path. 1 when removed.
typedef int (*RmDeleteRecentListNodeFn)(const char* path);
// DeleteRecentFile (list view or null): forgets every entry, deletes the stored file and empties
// the list view. 1 when nothing is stored any more.
typedef int (*RmDeleteRecentFileFn)(HWND list);
// GetLastAccessTime (path, out): 1 with the time path was last opened (UTC), 0 when unknown.
typedef int (*RmGetLastAccessTimeFn)(const char* path, FILETIME* out);
