// Search in the open ZIP archive through the system's modeless Find dialog: by member name (the
// rows of the active list, in the window thread) or by content (the uncompressed bytes of each
// member, on a search thread). Matches are selected in the active list one at a time; rows
// found by content are remembered in the list's found list, so stepping over them again needs
// no decompression.
//
// The main window registers nothing itself: it passes messages of GetFindMessageId() to
// HandleFindMessage and offers every message of its loop to GetFindDialogWindow() first.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <cstddef>

struct List;

// Search state of one list (SearchValues for LIST, TreeListSearchValues for TreeList).
struct SearchState {
    int lastFound;        // row of the current match, -1 for none
    List** foundList;     // the list's found list (GApp.foundList / GApp.treeListFoundList)
    int foundCount;       // matches found in this search (found list insertions)
    int foundMax;         // content searches run (members decompressed) in this search
    char searchText[260];
    int restart;          // the list was sorted or changed: remembered rows are stale
};
extern SearchState SearchValues;
extern SearchState TreeListSearchValues;

// 1: name search, 0: content search. matchCase and wholeWord are the Find dialog's options as
// the last request gave them.
extern int nameSearch;
extern int matchCase;
extern int wholeWord;

// Command ids of the two forms and the toolbar button of the first.
enum { CMD_FIND_BY_NAME = 4013, CMD_FIND_BY_CONTENT = 4014, TOOLBAR_FIND = 16006 };

// The search state of a view (hwndList or hwndTreeList), null for other windows.
SearchState* SearchStateOfView(HWND view);
// Re-initialise a list's search: deselects the row of lastFound when deselect is set, empties
// the found list, zeroes the counters, takes text (null: empty) as the search text and clears
// the search status text.
void InitializeSearchValues(const char* text, int deselect);
void InitializeTreeListSearchValues(const char* text, int deselect);
// Sorting view made its remembered rows stale: empties a non-empty found list and sets the
// restart flag (the next request searches from the top).
void MarkSearchRestart(HWND view);

// Commands 4013 (byName 1) and 4014 (byName 0): sets the menu check marks and opens the
// modeless Find dialog owned by the main window with initialText (may be null). Refused
// (returns 0) while busy, for an empty active list (message 48), and for TAR, ISO and RAR
// archives (messages 67, 68, 81; both check marks removed). Returns 1 when the dialog is open.
int FindReplace(const char* initialText, int byName);
// The open Find dialog, null when none.
HWND GetFindDialogWindow(void);
// The registered "commdlg_FindReplace" message.
UINT GetFindMessageId(void);
// Handles a Find dialog message (lParam of the registered message). Name searches run at once;
// a content search starts a thread and returns. Returns 0.
LRESULT HandleFindMessage(const FINDREPLACEA* request);

// Where text occurs in buffer[0..length): byte offset of the first hit, -1 when none. Case
// folds ASCII letters unless matchCaseFlag. With wholeWordFlag a hit counts only when the
// byte after it is one of " .,;:!\r\n\t" or the end of the buffer (the byte before it is not
// looked at); the search then goes on from the hit's last byte. NUL bytes are ordinary bytes.
long long FindTextInBuffer(const char* buffer, size_t length, const char* text, int matchCaseFlag,
                           int wholeWordFlag);

// Streaming form of FindTextInBuffer for data that arrives in pieces: feed every piece, then
// finish. Holds the few bytes a hit may span between pieces.
struct TextScanner {
    const char* text;
    size_t textLength;
    int matchCase;
    int wholeWord;
    int found;
    char carry[260];       // last bytes of the data so far that may start a hit
    size_t carryLength;
    long long carryStart;  // offset of carry[0] in the whole data
    long long nextStart;   // offset from which a hit may still start
};
// Prepares scanner for text (not copied; must outlive the scan). Returns 0 for empty text or
// text of 260 characters and more.
int BeginTextScan(TextScanner* scanner, const char* text, int matchCaseFlag, int wholeWordFlag);
// Feeds length bytes; returns 1 once a hit was found (further pieces are ignored).
int FeedTextScan(TextScanner* scanner, const char* data, size_t length);
// The data ended; returns 1 when there was a hit.
int FinishTextScan(TextScanner* scanner);

// The name search step in view: the next row after lastFound whose name begins with text
// (ASCII case ignored). Selects and focuses it, scrolls it into view and makes it lastFound.
// Returns the row, -1 when none (the not-found box has been shown).
int SearchNameStep(HWND view, const char* text);
// The content search over view's rows after startRow: the first row whose member's content
// holds text (with the option flags). Takes and clears GApp.busy. Returns the row, -1 for no
// match, an empty view, a busy program or an archive that cannot be read (logged).
int HandleSearchViewRows(HWND view, int startRow, const char* text, int matchCaseFlag, int wholeWordFlag);
// The two named forms for LIST and TreeList, searching from their lastFound.
int HandleSearchView(const char* text, int matchCaseFlag, int wholeWordFlag);
int HandleSearchViewTreeList(const char* text, int matchCaseFlag, int wholeWordFlag);
// One content-search step in view: the next remembered row when the current match lies before
// the last remembered one, else a content search from the current match. Selects the match,
// remembers it and returns it; -1 (not-found box shown) when there is none.
int HandleListSearchStep(HWND view, const char* text, int matchCaseFlag, int wholeWordFlag);

// What a content-search thread is given (malloc'ed by the starter, freed by the thread).
struct SearchJob {
    HWND view;
    char text[260];
    int matchCase;
    int wholeWord;
};
// Thread: HandleListSearchStep for the job.
DWORD WINAPI ContentSearchThread(LPVOID param);
// 1 while a content-search thread runs.
int IsContentSearchRunning(void);

// The not-found box: "\"%s\" %s" with text and generic text 45, owned by view; the focus
// goes back to view.
void ShowSearchNotFound(HWND view, const char* text);
