// Listing an open ZIP archive into the main list: the worker thread ListZipFilesThread, the
// walk do_listing and the per-entry step do_listing_currentfile. Rows are built completely on
// the worker and reach the list's own thread in batches, inserted with repainting off.
#pragma once
#include <windows.h>
#include <cstdint>

#include <minizip/unzip.h>

struct List;
struct ListingBatch;

// The open archive's work record (GApp.currentJob), filled by the open operation and kept
// alive by it while the listing runs.
struct KeyRows;

struct ListingJob {
    char text[260];
    char archivePath[260];
    HWND viewList;         // LIST or TreeList
    HWND folderTree;
    HWND focusWindow;      // the view that had the focus
    int format;            // CM_ZIP
    List* folderList;      // folder paths collected by the row building; may be null
    int silent;            // no progress dialog (console companion, batch runs)
    int progressDelayMs;   // the late progress dialog appears after this long
    int cancelled;         // out: the user cancelled the last listing
    int64_t listed;        // out: file rows handed to the list by the last listing
    ListingBatch* batch;   // rows on their way to the list while do_listing runs
    int collectKeyRows;    // do_listing gathers keyRows (the folder view's rebuild then reads no list)
    KeyRows* keyRows;      // rows gathered and their key trees built; owned by the job's runner
};

// Fills a job for path (cut to 259 characters) with the given windows, format CM_ZIP and the
// 3000 ms progress delay; everything else zero.
void InitListingJob(ListingJob* job, const char* path, HWND viewList, HWND folderTree, HWND focusWindow);

// Worker thread: lists job->archivePath (param is the ListingJob, owned by the caller) into
// GApp.hwndList, shows the failure message when the archive cannot be opened, and clears
// GApp.busy and GApp.busyOpen at the end. Returns 0 when listed, 1 when the open failed.
DWORD WINAPI ListZipFilesThread(LPVOID param);

// The walk over every entry of an opened reader: totals into GApp.listTotals, rows into
// GApp.hwndList, the late progress dialog (with Cancel when interactive). Returns 0.
int do_listing(unzFile uf, ListingJob* job, int interactive);
// The main window's title: "Kelvora: <archive>", or "Kelvora" for none (no main window: nothing).
void SetArchiveMainTitle(const char* archive);

// One entry: a directory entry only adds its sizes; a file becomes a row of GApp.hwndList
// (through job->batch when do_listing runs, else inserted at once) and counts in *fileCount.
// Returns the reader result of the information call.
int do_listing_currentfile(unzFile uf, int64_t* compressed, int64_t* uncompressed, int64_t index,
                           int64_t* fileCount, ListingJob* job);

// The encrypted rows of the last listing (row indices of GApp.hwndList in listing order): the
// list paints its encryption mark from them. 1 when row holds an encrypted member.
int IsListedRowEncrypted(int row);
// Number of encrypted rows of the last listing.
int GetEncryptedRowCount(void);
// Forgets the table (a new archive, cleared views).
void ClearEncryptedRows(void);
