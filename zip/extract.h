// Extraction of ZIP entries to disk: the whole archive (ExtractArchive), the selection of a list
// view or a folder of the tree (ExtractZipFilesFromList, ExtractTreeItemThread), every archive of
// a batch (ExtractMultipleFiles), single entries for viewers and drag and drop (ExtractToTemp,
// CreateFileContents, ViewZipFile). Every road ends in UnZipWorkThread and do_write_currentfile.
//
// Names that would leave the target folder (absolute, drive letter, ".." above the target) are
// never written: such an entry is refused, the rest is extracted and the run reports itself
// as not fully successful. So are entries whose data is damaged: their partial file stays,
// without the entry's time.
#pragma once
#include <windows.h>
#include <cstdint>

#include <minizip/unzip.h>

struct BSTree;
struct liststruct;

// Results of the extraction starters.
enum {
    EXTRACT_DONE = 0,
    EXTRACT_INCOMPLETE = 1,   // finished, but some entries failed or were refused
    EXTRACT_CANCELLED = 100,
    EXTRACT_FAILED = -1,      // nothing extracted: archive not opened, empty selection, no memory
    EXTRACT_BUSY = -2,        // refused: another operation holds GApp.busy; nothing done
};
// do_write_currentfile's result for an entry whose name leaves the target folder.
enum { WRITE_REFUSED = 101 };

struct ExtractionContext;
// Tells the user about one entry that was refused or failed (message is one line).
typedef void (*ExtractionReportFn)(ExtractionContext* context, const char* message);

// One extraction. The starter owns it; zero it (InitExtractionContext) before filling it.
struct ExtractionContext {
    char targetFolder[260];     // entries are written below it; the current directory meanwhile
    int overwriteMode;          // 1 ask, 2 replace all (after "all"), 0 replace without asking,
                                // 3 keep every existing file (after "skip all")
    int withoutPath;            // 1: base names only
    int entryProgress;          // 1: the bar counts entries even for fewer than 100
    HWND sourceView;            // LIST or TreeList whose selection is extracted; null for all
    HWND folderTree;
    HWND focusWindow;
    int* cancelOut;             // set to 1 when a batch ended cancelled; may be null
    int silent;                 // 1: no progress dialog, names go to the log
    char archivePath[260];
    char password[260];         // copy of the password for protected archives
    unzFile reader;             // opened by the starter
    BSTree* selection;          // ZipEntry set of the members to extract, or null
    int extractAll;             // 1: every entry, no lookup
    int64_t entryCount;         // entries to extract
    int batchMode;              // 1 in batch extraction
    HANDLE doneEvent;           // signalled by the batch thread
    // Run state.
    int perByte;                // the bar shows per cent of bytes
    int64_t grandTotal;         // uncompressed bytes to extract
    int64_t runningTotal;       // bytes written so far
    int lastPercent;            // per cent last shown in per-byte mode
    DWORD startTick;
    // Outcome, counted per entry.
    int64_t written;            // files written completely, with their time
    int64_t folders;            // directory entries created
    int64_t skipped;            // existing files kept (overwrite answer "skip")
    int64_t failed;             // entries that could not be opened, created or read whole
    int64_t refused;            // entries whose names leave the target folder
    int stoppedByUser;          // the user cancelled (progress dialog, overwrite question)
    // Where refusals and failures are told, one line each; null: the log, and one summary
    // message box at the end unless silent.
    ExtractionReportFn report;
    void* reportData;
    // The true (wide) name of the entry being written, when it is known; null: the ANSI name.
    const wchar_t* trueName;
};

// Zeroes a context and sets overwrite mode 1.
void InitExtractionContext(ExtractionContext* context);

// The process-wide contexts of ExtractArchive and ExtractMultipleFiles.
extern ExtractionContext GExtractContext;
extern ExtractionContext GBatchContext;

// Bytes written and to write by the running extraction and its start time, for the main
// window's once-a-second throughput display. 0 when no extraction runs.
int GetExtractionThroughput(int64_t* done, int64_t* total, DWORD* startTick);

// The extract command for the whole open archive: asks for the folder and, for a protected
// archive, the password; then extracts (on a new thread when onNewThread is set). Refused
// (logged "already busy") while GApp.busy is set; otherwise takes it before the first
// question and gives it back when a question is cancelled, the thread cannot start or the
// extraction ends.
void ExtractArchive(const char* archivePath, int silent, int onNewThread);

// Extracts the selection of sourceView (or every entry with extractAll) of archivePath below
// context->targetFolder. context supplies the target, the report callback and cancelOut, and
// receives the outcome counts. Returns EXTRACT_DONE, EXTRACT_INCOMPLETE, EXTRACT_CANCELLED or
// EXTRACT_FAILED.
int ExtractZipFilesFromList(HWND sourceView, const char* archivePath, int withoutPath, int overwriteMode,
                            const char* password, ExtractionContext* context, int extractAll, int silent,
                            int entryProgress);
// ZIP's extraction of context->selection (a ZipEntry set the caller owns) from
// context->archivePath below context->targetFolder, with the context's options. Results as
// ExtractZipFilesFromList; EXTRACT_FAILED for an empty or missing set.
int ExtractZipSelectionSet(ExtractionContext* context);
// The same for one archive of a batch: every entry, batch mode.
int ExtractZipFilesFromListMF(HWND sourceView, const char* archivePath, int withoutPath, int overwriteMode,
                              const char* password, ExtractionContext* context, int extractAll, int silent);

// The loop over the archive of an opened context: hands each chosen entry to
// do_write_currentfile. Returns 0, or 100 when the user cancelled.
int UnZipWorkThread(ExtractionContext* context);

// Writes the reader's current entry (info, its name in the archive and base name) below the
// context's target. Returns an UnzResult (0 written, skipped or created), 100 when the user
// cancelled at the overwrite question, WRITE_REFUSED for a name that leaves the target.
// Counts the outcome in the context.
int do_write_currentfile(ExtractionContext* context, const unz_file_info64* info, const char* name,
                         const char* baseName);

// Reads every file member of archivePath as extraction would, writing nothing, and checks its
// data (length and CRC); each failing member is reported through context->report (and logged)
// and counted in context->failed. Returns EXTRACT_DONE, EXTRACT_INCOMPLETE, EXTRACT_CANCELLED
// (password prompt cancelled) or EXTRACT_FAILED (archive not opened).
int TestZipArchive(const char* archivePath, ExtractionContext* context);

// One archive of a batch into targetFolder. Returns 0 (or EXTRACT_INCOMPLETE), or 100 when
// cancelled. Takes GApp.busy for the run; while another operation holds it nothing is done
// and EXTRACT_BUSY is returned.
int ExtractMultipleFiles(const char* archivePath, const char* targetFolder, int silent, int index, int count,
                         int entryProgress);

// Options of the batch command (from its dialog).
struct BatchExtractJob {
    char searchFolder[260];     // walked for .zip, .jar and .war files
    char targetBase[260];
    int folderPerArchive;       // target = base + "\" + archive name without extension
    int deleteAfter;            // delete each archive after its extraction
    int chooseFromList;         // let the user choose among the archives found
    int silent;
    int entryProgress;
    int result;                 // out: 0 done, 100 stopped, 1 some archive not fully extracted,
                                // EXTRACT_BUSY another operation held GApp.busy
    int archivesDone;           // out
    int holdsBusy;              // the starter took GApp.busy for this job (the thread gives it back)
};
// Worker thread of the batch command: param is a BatchExtractJob owned by the caller. Holds
// GApp.busy from the first archive to the last (taking it unless holdsBusy says the starter
// did) and gives it back at the end.
DWORD WINAPI ExtractBatchThread(LPVOID param);
// The batch command: takes GApp.busy (0 when another operation holds it), asks for the search
// folder (generic text 60) and the target base folder (generic text 61), then runs
// ExtractBatchThread with the options given. 1 started; 0 cancelled or refused (busy free again).
int StartBatchExtraction(const BatchExtractJob* options);
// The target folder of one archive of a batch (base, or base + "\" + name cut at its first '.'
// after the first character).
void BatchTargetFolder(const char* base, const char* archivePath, int folderPerArchive, char* out, size_t outSize);

// The folder selected in the tree and where to put it.
struct TreeItemExtraction {
    char folderPath[260];       // folder inside the archive, '\' separated, no trailing separator
    char targetFolder[260];
    char archivePath[260];
    int silent;
    int result;                 // out: as ExtractZipFilesFromList
    ExtractionContext* context; // optional: report callback and outcome; may be null
};
// Worker thread: extracts every member under the folder (param: TreeItemExtraction).
DWORD WINAPI ExtractTreeItemThread(LPVOID param);

// One member (its list record: folder path and name) of the open archive into the temporary
// folder, through the open archive's record of operations; the file's path goes to out.
// 1 written, 0 not.
int ExtractToTemp(const liststruct* entry, char* out, size_t outSize);
// The same for a member of the open ZIP archive (ZIP's extractToTemp).
int ZipExtractToTemp(const liststruct* entry, char* out, size_t outSize);
// One member into a fixed global memory block of its size (caller frees it with GlobalFree);
// null on failure.
HGLOBAL CreateFileContents(const liststruct* entry);

// The view command for ZIP: writes each selected member of view to the temporary folder and
// hands it to the viewer (GZipHooks.openForView). withApplication: use the registered program.
void ViewZipFile(HWND view, int withApplication);
// One member for viewing: written under its base name into the temporary folder, recorded as
// a temporary file and opened. Returns an UnzResult (6 without memory).
int do_view_currentfile(unzFile uf, int withApplication, const char* baseName, const unz_file_info64* info);

// Creates folder and every missing parent. 1 when it exists afterwards.
int CreateFolderWithParents(const char* folder);
