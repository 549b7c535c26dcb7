// Text keys of the archive model and the rebuilding of the five key trees from a list's rows.
// Keys begin with a depth in three places ("%3d*"), so that byte order sorts by depth first.
// Every key is cut to 259 characters (260-byte buffers).
#pragma once
#include <windows.h>
#include <cstddef>

struct liststruct;

// Number of separators in a path column text counted from its second character on.
int RowKeyDepth(const char* pathColumn, char separator);
// Row key "%3d*%s%s*%s*%s*%s*%s*%s*%s" from the eight column texts (depth of column 7, then
// columns 7 and 0 run together, then columns 1 to 6). Null texts count as "". Returns 1, 0 for
// a null or empty out buffer.
int RowKey(char* out, size_t outSize, const char* const columns[8], char separator);
// Member string "%s%s*%s*%s*%s*%s*%s*%s": columns 7 and 0 run together, then columns 1 to 6.
// Returns 1, 0 for a null or empty out buffer.
int MemberString(char* out, size_t outSize, const char* const columns[8]);
// Folder key "%3d*%s" of a 0-based level and a folder path without trailing separator.
// Returns 1, 0 for a null or empty out buffer.
int FolderKey(char* out, size_t outSize, int level, const char* folderPath);
// Path key "%3d*%s" of a member string or path value: the number is the count of non-empty
// separator-delimited components of the name (the text before the first '*') minus one.
// Returns that number; -1 (and out "") when there is no component or no usable buffer.
int PathKey(char* out, size_t outSize, const char* text, char separator);

// Reads the eight column texts of a row (each into 260 bytes). Returns 1, 0 when the row does
// not exist (columns then "").
int ReadListColumns(HWND listView, int row, char (*columns)[260]);
// The row key of a row of listView (format's separator from GCompressionMethod) into out.
// Returns 1, 0 when the row does not exist or out is unusable (out then "").
int GetValuesFromList(HWND listView, char* out, size_t outSize, int row);

// Destroys the five key trees that exist (pointers become null). Returns how many existed.
int DestroyKeyTrees(void);
// Destroys the five key trees and creates them empty. Returns 1, 0 without memory (then
// none exists).
int CreateKeyTrees(void);

// Milliseconds from the start of a view rebuild up to the end of each stage: 0 views cleared,
// 1 trees recreated, 2 rows read into the path and member sets, 3 folder keys, 4 ready keys,
// 5 combo filled, 6 folder tree filled. The rebuild below sets 1-4; the folder-tree code sets
// 0, 5 and 6 with MarkRebuildStage.
struct KeyTreeRebuildTimes {
    DWORD start;  // GetTickCount at the start; 0 = set by the first mark or the rebuild
    int ms[7];
};
void MarkRebuildStage(KeyTreeRebuildTimes* times, int stage);
// Prints "time measure %d %d %d %d %d %d %d" at log level 6.
void LogRebuildTimes(const KeyTreeRebuildTimes* times);

// The model part of the view rebuild: recreates the five key trees and fills the path set,
// the member set, the folder set and the ready set from the rows of list (read on the list's
// own thread in chunks; the trees are built on the calling thread). The combo set stays empty.
// The whole rebuild (SynchronizeTreeViewThread) is: clear the views, MarkRebuildStage 0; this
// function (stages 1-4); fill the combo from TVRBTreeFolder, stage 5; insert every
// TVRBTreeFolder key into the folder tree, stage 6; LogRebuildTimes. times may be null.
// Returns the number of rows read, -1 without memory (then no key tree exists).
int RebuildKeyTreesFromList(HWND list, KeyTreeRebuildTimes* times);

// The rows a rebuild works from: each row's path column and member string, gathered either
// from a list (ReadKeyRowsFromList) or by a listing while it builds its rows, and the four
// filled trees built from them, possibly on another thread before the views need them.
struct KeyRows;
KeyRows* CreateKeyRows(void);
// Frees the rows and any trees built and not installed; *rows becomes null.
void DestroyKeyRows(KeyRows** rows);
// Appends one row. Returns 1, 0 for null rows or once the trees are built.
int AddKeyRow(KeyRows* rows, const char* path, const char* member);
// Appends the row of a record as InsertListRow shows it (dateText is column 5).
int AddKeyRowFromRecord(KeyRows* rows, const liststruct* record, const char* dateText);
int KeyRowCount(const KeyRows* rows);
// Appends every row of list (read on the list's own thread in chunks). Returns the number read.
int ReadKeyRowsFromList(HWND list, KeyRows* rows);
// Builds the path, member, folder and ready sets of the rows into trees held by rows (the
// format's separator from GCompressionMethod). Returns 1, -1 without memory. Later rows are
// refused.
int BuildKeyRowTrees(KeyRows* rows);
// Runs BuildKeyRowTrees on a thread of its own; InstallKeyRowTrees and DestroyKeyRows wait for it.
// Returns 1 when started (no row can be added from then on), 0 when not (then build later).
int StartBuildingKeyRowTrees(KeyRows* rows);
// Replaces the five key trees by the trees built from rows (building them first when needed)
// and an empty combo set; times gets stages 1-4. Returns the number of rows, -1 without memory
// (then no key tree exists).
int InstallKeyRowTrees(KeyRows* rows, KeyTreeRebuildTimes* times);
