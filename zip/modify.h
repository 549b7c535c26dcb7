// Changing a ZIP archive in place: deleting, renaming and moving entries and replacing an
// entry's content. minizip cannot change an archive, so every change rewrites it: each entry is
// copied raw (still compressed and encrypted, with its dates, attributes, extra fields and
// comment) into "<archive>.tmp", entries to delete are left out and renamed ones get their new
// name. The new archive is then checked (its central directory opens and lists every entry that
// was written) and put in place of the old one in one step, so that at every moment the
// archive's name carries either the complete old or the complete new archive.
//
// The rewrite operations return 0 or one of the negative REWRITE_ codes. The threads below run
// them for the views; the views themselves are reached only through GModifyHooks and
// GZipHooks, so the engine works without windows (console companion, tests).
#pragma once
#include <windows.h>
#include <atomic>
#include <cstddef>
#include <cstdint>

struct BSTree;
struct RBTree;
struct List;

// Results of the rewrite operations.
enum {
    REWRITE_DONE = 0,             // replaced (in simulation: the walk finished)
    REWRITE_OPEN_FAILED = -1,     // the archive cannot be opened for reading (after 3000 ms)
    REWRITE_TEMP_FAILED = -2,     // the temporary archive cannot be created
    REWRITE_GLOBAL_INFO = -3,     // the archive's global information cannot be read
    REWRITE_COMMENT_MEMORY = -4,  // no memory for the archive comment
    REWRITE_COMMENT_SHORT = -5,   // the archive comment cannot be read completely
    REWRITE_NOT_REPLACED = -6,    // walk failed, nothing matched, or the new archive did not
                                  // check out: the old archive is unchanged, the temporary deleted
    REWRITE_REPLACE_FAILED = -7,  // the new archive could not take the old one's place: the old
                                  // archive is unchanged and the new one is kept as "<archive>.tmp"
    REWRITE_NAME_COLLISION = -8,  // a new name equals another entry's name: nothing changed
    REWRITE_READ_ONLY = -9,       // the archive file is read-only: refused, nothing touched
    REWRITE_AMBIGUOUS_NAME = -10, // a chosen name stands for several members that differ only in
                                  // characters the ANSI code page cannot show: nothing changed
};

// What one rewrite did; every operation takes an optional pointer to one (may be null).
struct RewriteOutcome {
    int64_t entries;        // entries met in the walk
    int64_t copied;         // entries written to the new archive
    int64_t deleted;        // entries left out because they matched (delete operations)
    int64_t renamed;        // entries that matched a rename (also "keep the name" matches)
    int walkFailed;         // the walk ended on a read or write failure (not on "nothing matched")
    int verifyFailed;       // the new archive was written but did not check out
    char collision[260];    // REWRITE_NAME_COLLISION: the name given twice ('/' separators)
    char tempPath[270];     // REWRITE_REPLACE_FAILED: where the changed archive was kept
};

// A rename request: the old member's path key ('\' separators, as the lists show it) and the
// new full name of the entry (either separator).
struct RenameRequest {
    char oldKey[260];
    char newName[260];
};

// ChangeFileFromZIP actions for a matched entry.
enum { CHANGE_ACTION_RENAME = 1, CHANGE_ACTION_KEEP = 2 };

// Set lookups compare names case-insensitively after turning '/' into the format's separator;
// oem = 1 converts each stored name from the OEM to the ANSI code page first, 0 takes it as
// stored. Set entries are member names ("docs\a.txt") or path keys ("  1*docs\a.txt"); a
// red-black record's newEntry may be a full name or a path key of the new name.

// Renames the entry of request->oldKey held in set (a BSTree ZipEntry set; matched records are
// removed from it, so its count tells how many were not found). action CHANGE_ACTION_RENAME
// gives a matched entry request->newName, CHANGE_ACTION_KEEP keeps its name.
int ChangeFileFromZIP(const char* archivePath, BSTree* set, int action, const RenameRequest* request, int oem,
                      RewriteOutcome* outcome = nullptr);
// Deletes the entries of set (a BSTree ZipEntry set; matched records are removed from it).
// simulation: walk, count and report only; the archive is left as it is and the result is 0.
int DeleteFileFromZIP(const char* archivePath, BSTree* set, int simulation, int oem,
                      RewriteOutcome* outcome = nullptr);
// Gives every entry of set (a red-black ZipEntry set, left unchanged) its record's newEntry.
// simulation: walks and reports only and returns REWRITE_NOT_REPLACED.
int ChangeFilesFromZIP(const char* archivePath, RBTree* set, int simulation, int oem,
                       RewriteOutcome* outcome = nullptr);
// Deletes every entry of set (a red-black ZipEntry set, left unchanged). simulation as above.
int DeleteFilesFromZIPRBTree(const char* archivePath, RBTree* set, int simulation, int oem,
                             RewriteOutcome* outcome = nullptr);

// Replaces the content of the entry stored as entryName ('/' separators, compared exactly) by
// size bytes of data, compressed at level (0 stores), not encrypted, dated now; the new entry is
// written last. The entry need not exist (then it is added). One rewrite: the old content is
// never gone before the new one is safely in place. Result as the operations above.
int ReplaceZipEntryContent(const char* archivePath, const char* entryName, const void* data, size_t size,
                           int level, RewriteOutcome* outcome = nullptr);

// The temporary archive's name: archivePath + ".tmp" (cut to fit). Returns 1, 0 when cut.
int BuildRewriteTempName(const char* archivePath, char* out, size_t outSize);
// The readable sentence for a rewrite result (log and console; no language text). Never null.
const char* RewriteResultText(int result);

// Runs a delete or rename the way the threads do: first with oem 1, again with oem 0 when the
// first pass found nothing or (BSTree forms) left keys unmatched. A pass that changed the
// archive is not undone by a second pass that finds nothing. Returns the combined result.
int DeleteFileFromZIPTwoPass(const char* archivePath, BSTree* set, int simulation, RewriteOutcome* outcome);
int ChangeFileFromZIPTwoPass(const char* archivePath, BSTree* set, const RenameRequest* request,
                             RewriteOutcome* outcome);
// The red-black forms in the order the clipboard deletion uses (oem 0, then oem 1).
int DeleteFilesFromZIPRBTreeTwoPass(const char* archivePath, RBTree* set, RewriteOutcome* outcome);
// The folder-tree order (oem 1, then oem 0) for renames and moves by set.
int ChangeFilesFromZIPTwoPass(const char* archivePath, RBTree* set, RewriteOutcome* outcome);

// ---- the threads and their starters ----

// Process-wide modification-running flag: 1 while a rewrite thread runs. The archive-change
// watcher ends its loop when it finds it set.
extern std::atomic<int> GModificationRunning;
int IsModificationRunning(void);

// What the modification threads ask of the views that other parts of the program own. Every
// slot may be null; the threads then skip that step.
struct ModifyHooks {
    // Wait cursor on every view while the threads change rows (1 on, 0 off).
    void (*setBusyCursor)(int on);
    // Repaint a view after its rows changed.
    void (*refreshView)(HWND view);
    // ChangeThreadFilename finished with result (the label edit keeps or restores the name).
    void (*renameDone)(const RenameRequest* request, int result);
    // The cut of CTRL-X: the list view it was made in (null: GetViewList()), its entries'
    // archive paths ('/' separators; appended to paths, a ListCreateStrings list; returns the
    // count), the cut rows (at most maxRows indices, -1 for none; returns the count), and
    // forgetting the cut afterwards.
    HWND (*cutSourceView)(void);
    int (*getCutPaths)(List* paths);
    int (*getCutRows)(int* rows, int maxRows);
    void (*forgetCut)(void);
    // The text viewer: its edit control and the name of the entry it shows.
    HWND (*viewerEdit)(void);
    int (*viewerEntryName)(char* out, size_t outSize);
};
extern ModifyHooks GModifyHooks;

// Results of DeleteFiles.
enum {
    DELETE_STARTED = 0,      // started (with wait: done)
    DELETE_BUSY = 1,         // another operation holds GApp.busy: nothing done
    DELETE_EMPTY_LIST = 2,
    DELETE_NOTHING_SELECTED = 3,
    DELETE_DECLINED = 4,
    DELETE_NOT_STARTED = 5,  // no memory or no thread: nothing done
};

// The delete context handed to DeleteThread. The thread frees it (with free()) unless event is
// set; then it signals the event and the waiting starter frees it.
struct DeleteContext {
    HWND view;
    HWND view2;
    int simulation;          // copy of the setting DeleteSimulation
    char archivePath[260];
    HANDLE event;            // manual-reset event of a waiting starter, or null
    int result;              // out: the rewrite's final result
};

// Deletes the selected rows' entries of view from archivePath: asks question (null: the
// standard one) in an OK/Cancel box unless noQuestion, then starts the progress dialog and
// DeleteThread. wait: returns only when the thread ended (handling messages sent to this
// thread meanwhile). Takes GApp.busy for the thread, which clears it. Returns a DELETE_ code;
// resultOut (may be null) receives the rewrite's result when waiting.
int DeleteFiles(HWND view, const char* archivePath, const char* question, int wait, int noQuestion,
                int* resultOut = nullptr);
// Thread: deletes the selected entries of context->view (param: a malloc'ed DeleteContext) and
// then their rows in both lists, their keys, emptied folders in tree and combo, and their
// sizes in the totals (SynchronizeListTreeListDelete); on failure everything stays. Clears
// GApp.busy at the end.
DWORD WINAPI DeleteThread(LPVOID param);
// Thread: renames one entry of the current archive (param: a RenameRequest owned by the
// starter until GModifyHooks.renameDone was called). A name that is already taken is refused
// with a message. The starter takes GApp.busy; the thread clears it. Returns the result.
DWORD WINAPI ChangeThreadFilename(LPVOID param);
// Deletes the entries cut with CTRL-X from the current archive after they were pasted
// elsewhere, then their rows, and forgets the cut. Runs on the calling thread.
void DeleteCTRLCutEntries(void);
// Thread: asks whether to replace the text viewer's entry by the changed text and, on OK,
// stores the text as the entry's new content in one rewrite; then the entry's row of LIST is
// replaced by a row of the new entry. A failure is told to the user and changes nothing.
// param is unused. Returns the rewrite result (1 when not asked or declined).
DWORD WINAPI HandleChangeFileContentThread(LPVOID param);

// Tells the user about a failed rewrite (error box through the prompts seam): for
// REWRITE_REPLACE_FAILED where the changed archive was kept, for REWRITE_NAME_COLLISION which
// name is taken. Other results are only logged. Returns 1 when a message was shown.
int ReportRewriteFailure(int result, const char* archivePath, const RewriteOutcome* outcome);
