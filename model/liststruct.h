// The record of one archive member (liststruct), owned by its list-view row, and the building,
// inserting and dropping of rows. Rows are built completely first (texts, record, icon index)
// and then inserted in batches on the list's own thread with repainting off, because every
// list message sent from another thread is a round trip through the window system.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstddef>
#include <cstdint>

struct List;

struct liststruct {
    int64_t uncompressed;  // uncompressed size in bytes
    int64_t compressed;    // stored size in bytes
    char* path;            // directory part with trailing separator; "" at the top level
    char* filename;        // last component of the member's name
    SYSTEMTIME modified;   // year, month, day, hour, minute; the other fields 0
    char* rate;            // compression rate text, 4 bytes
    char* type;            // shell type name
};

// Frees the strings and the record. Returns 0 for a null record, else 1. Null fields are fine.
int ReleaseListStruct(liststruct* record);
// Number of records built and not yet released (diagnostics and tests).
long ListStructLiveCount(void);

// The member's time as the archive engines report it; month counts from 0.
struct ListRowTime {
    int second, minute, hour, day, month, year;
};

// One row ready for insertion. The row owns record until InsertListRowsBatch takes it.
struct ListRow {
    liststruct* record;
    int icon;            // small system-icon index
    char dateText[64];   // column 5
};

// Writes the rate text (" 5%", "42%", at most three characters) into out; returns the value
// shown (0-99). A size that cannot be rated (uncompressed <= 0, compressed negative or larger
// than uncompressed) shows 0.
int FormatRateText(int64_t compressed, int64_t uncompressed, char* out, size_t outSize);
// Writes the date column text: short date of the date-column locale (GetDateColumnLocale, the
// system locale by default) with a four-digit year, a blank, 24-hour time without seconds.
// Returns 1; 0 when the date is not valid (then the text is "DD.MM.YYYY HH:MM" from the plain
// numbers).
int FormatDateColumnText(const SYSTEMTIME* time, char* out, size_t outSize);

// The type text and small system-icon index of a file named displayName, from the shell asked
// once per extension (thread-safe cache). When the shell names no type: "EXT-" and generic
// text 36 for a name with extension, generic text 36 alone without. Returns 1, 0 for bad
// arguments (then type is "" and icon 0).
int LookupShellType(const char* displayName, char* type, size_t typeSize, int* icon);
// Asks for the type text and small system-icon index of a file name; 1 when answered.
typedef int (*ShellTypeQueryFn)(const char* fileName, char* typeName, size_t typeNameSize, int* icon);
// The real query: SHGetFileInfoA by attributes (normal file), type name and small icon index.
int QueryShellType(const char* fileName, char* typeName, size_t typeNameSize, int* icon);
// Replaces the query the cache asks (tests); null puts QueryShellType back. Empties the cache
// and returns the previous query.
ShellTypeQueryFn SetShellTypeQuery(ShellTypeQueryFn query);
// Empties the cache (language change, tests). Returns the number of entries dropped.
int ClearShellTypeCache(void);
// Number of shell queries made so far (diagnostics, tests and the benchmark).
long ShellTypeQueryCount(void);
// Switches the cache off (0) or on (1); off asks the shell for every row. For measurements.
void SetShellTypeCacheEnabled(int enabled);

// Builds a complete row: the record (path = fullName with displayName cut off its end, at
// most 259 characters each), icon, type, rate and date text. When folders is given and does
// not hold the path yet, a copy of the path is inserted in sorted order. Callable on any
// thread. Returns 1, or 0 without memory or for null names (row left empty).
int BuildListRow(ListRow* row, const ListRowTime* time, const char* displayName, const char* fullName,
                 List* folders, int64_t compressed, int64_t uncompressed);
// Releases a row's record that was never inserted; accepts rows already handed over.
void DiscardListRow(ListRow* row);

// Appends rows at the end of list on the list's own thread, with repainting off around a batch
// of several rows (one message when called from another thread and the list was prepared with
// PrepareListForRowBatches). Each inserted row's record passes to the list; a row that cannot
// be inserted shows "cannot insert item %d #error %d" and its record is released. Every
// row's record field is cleared. Returns the number of rows inserted.
int InsertListRowsBatch(HWND list, ListRow* rows, int count);
// BuildListRow and InsertListRowsBatch for one row. Returns the new row's index, or -1.
// Callers adding many rows this way lock the list (LockListRedraw) around all of them.
int InsertListRow(HWND list, const ListRowTime* time, const char* displayName, const char* fullName,
                  List* folders, int64_t compressed, int64_t uncompressed);
// Deletes one row (its record is released by the delete notification, see
// HandleListDeleteItem) and keeps the view's found list in step. Returns 1, 0 on failure.
int DeleteListRow(HWND list, int row);
// Deletes every row (on the list's own thread) and frees the view's found list. Returns 1, 0 on
// failure.
int ClearList(HWND list);
// For the list's parent on LVN_DELETEALLITEMS: 1 when ClearList is emptying list and will
// release the records itself (answer TRUE: no LVN_DELETEITEM per row follows), else 0 (answer
// FALSE and release each row's record on LVN_DELETEITEM).
int AcknowledgeBulkClear(HWND list);

// For the list's parent on LVN_DELETEITEM: releases the row's record. Returns 1, 0 (logged)
// when the row had none.
int HandleListDeleteItem(const NMLISTVIEW* notification);

// Call once on the list's thread after creating it: lets other threads hand over whole batches
// (and other work, RunOnListThread) with one message. Returns 1, 0 on failure.
int PrepareListForRowBatches(HWND list);
// Runs work(context) on the thread that owns list and returns its result. Without
// PrepareListForRowBatches the work runs on the calling thread.
int RunOnListThread(HWND list, int (*work)(void* context), void* context);
// Nested repaint lock of a list (WM_SETREDRAW): only the outermost lock and unlock reach the
// list; the last unlock repaints it. A listing may lock around all its batches.
void LockListRedraw(HWND list);
void UnlockListRedraw(HWND list);

// The found list of a view: &GApp.foundList for hwndList, &GApp.treeListFoundList for
// hwndTreeList, null for other windows.
List** FoundListOfView(HWND list);
// A row was inserted at index: every stored index >= index grows by one. Returns the number
// changed.
int ShiftFoundListOnInsert(List* found, int index);
// The row at index was deleted: its entry goes, every greater index shrinks by one, each entry
// examined once. Returns 1 when the index was in the list, else 0.
int ShiftFoundListOnDelete(List* found, int index);
