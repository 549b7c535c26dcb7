// Process-wide state of the open archive and the main window: the one record GApp.
// Flags shared between the window thread and workers are atomics with the plain-integer
// meaning (0 off, non-zero on).
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

struct RBTree;
struct List;

// Format of the open archive (GCompressionMethod). wingdi.h uses CM_NONE for colour
// management, which the program never needs.
#undef CM_NONE
enum {
    CM_NONE = -1,
    CM_ZIP = 1,
    CM_TAR = 2,
    CM_ISO = 3,
    CM_RAR = 4,
};

struct ArchiveTotals {
    int64_t rows;
    int64_t compressed;
    int64_t uncompressed;
};

struct ListingJob;  // the open archive's work record, laid out by the listing engine

struct AppState {
    int verbose;                    // log level 0-10
    HWND hwndMain;
    HWND hwndList;                  // main archive list (LIST)
    HWND hwndTree;                  // folder tree
    HWND hwndTreeList;              // list beside the folder tree (TreeList)
    HWND hwndPathCombo;
    HWND hwndFocusView;             // view that was last active
    HWND hwndStatus;
    HWND hwndToolbar;
    HWND hwndToolbar2;
    HINSTANCE hInstance;
    std::atomic<int> busy;          // a work thread changes the archive or the views
    std::atomic<int> busyOpen;      // an open is still listing
    char currentArchive[260];
    ListingJob* currentJob;
    char tempToDelete[260];
    ArchiveTotals listTotals;
    ArchiveTotals treeListTotals;
    List* foundList;                // row indices found by the search in hwndList
    List* treeListFoundList;        // the same for hwndTreeList
    std::atomic<int> TVNSem;        // a folder-change thread runs
    char tvncached[4096];           // folder change waiting for TVNSem
    std::atomic<int> RARSem;        // RAR engine: one call at a time
};

extern AppState GApp;

// Format of the open archive; written only through SetCompressionMethod.
extern int GCompressionMethod;
void SetCompressionMethod(int method);

// The key trees of the open archive (string key trees, exact case-sensitive compare).
extern RBTree* TVRBTreeFolder;     // every FolderKey
extern RBTree* TVRBTreeMembers;    // every distinct path and every member string
extern RBTree* TVRBTreePaths;      // every distinct path
extern RBTree* TVRBTreeDataReady;  // PathKey of every member-set entry, RowKey of listed rows
extern RBTree* TVRBTreeCombo;      // entries offered in the path combo

// The list view GetViewList returns: hwndTreeList when the folder tree was last active,
// else hwndList.
HWND GetViewList(void);

// Takes a busy flag: returns 1 when it was free and is now set, 0 when it was already set.
inline int TryEnterBusy(std::atomic<int>& flag) { int expected = 0; return flag.compare_exchange_strong(expected, 1) ? 1 : 0; }
inline void LeaveBusy(std::atomic<int>& flag) { flag.store(0); }
