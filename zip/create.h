// Creating ZIP archives and adding files to an open one. One worker, ZipWorkDirectoryThread,
// opens the target with the zip writer, collects the input files (walking folders breadth first)
// and hands the list to ZipFileList_64 (progress dialog, zip64) or ZipFileListSilent (background
// runs). Afterwards a new archive is listed and added members are merged into the views.
//
// Safety beyond the plain run: an existing archive is only appended to after it was read as ZIP
// end to end (anything else is refused and left untouched); a write failure gives the appended
// archive back as it was (a new one is deleted); a member whose data could not be read whole is
// dropped instead of being kept half; a name that is already in the archive is not added twice;
// the target archive never collects itself; archives of 65535 members and more get their zip64
// end records.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <minizip/unzip.h>
#include <minizip/zip.h>

struct List;
struct ZipCreateOptions;

// Results of ZipWorkDirectoryThread (also in options->result).
enum {
    ZIPCREATE_DONE = 0,
    ZIPCREATE_INCOMPLETE = 1,    // written, but some inputs were skipped or dropped
    ZIPCREATE_NOT_OPENED = 2,    // target not opened, or not a readable ZIP archive to add to
    ZIPCREATE_WRITE_FAILED = 3,  // writing failed: a new archive is deleted, an old one restored
    ZIPCREATE_CANCELLED = 100,
};
// ZipFileList_64 / ZipFileListSilent: no copy buffer.
enum { ZIPCREATE_NO_MEMORY = -104 };

// Why an input was left out, for the report callback.
enum {
    ZIPSKIP_UNREADABLE = 1,  // cannot be opened (vanished, locked, no access)
    ZIPSKIP_READ_ERROR = 2,  // its data could not be read whole; the member was dropped
    ZIPSKIP_DUPLICATE = 3,   // a member of that name is in the archive already
    ZIPSKIP_NOT_FOUND = 4,   // a given input path does not exist
    ZIPSKIP_TOO_LONG = 5,    // a path below a folder does not fit in 259 characters
};

// Tells about one input that was left out; path is the file's path (or the member name for
// ZIPSKIP_DUPLICATE). Called on the worker thread.
typedef void (*ZipCreateReportFn)(ZipCreateOptions* options, int reason, const char* path);
// Test and tool hook: called on the worker after each collected path (phase 0), after the
// collection (phase 1, path null), after each member written (phase 2) and before the data of a
// file is copied (phase 3).
typedef void (*ZipCreateItemHook)(ZipCreateOptions* options, int phase, const char* path);

// The options of one run. The starter fills it (InitZipCreateOptions from the settings); the
// worker owns it while it runs and releases it at its end when releaseAtEnd is set (a silent
// run's record belongs to the background job tree instead).
struct ZipCreateOptions {
    char prefixPath[260];      // folder inside the archive that receives everything ("" none)
    char targetArchive[260];   // archive to write
    char baseFolder[260];      // folder whose contents are compressed; names relative to it
    char sourceBase[260];      // made the current directory while the run starts ("" leaves it)
    char savedDirectory[260];  // current directory restored at the end ("" leaves it)
    char statusText[260];      // silent runs: "ZipFileListSilent", then the per cent done
    char password[260];        // copy of the password taken at the start
    int encrypt;               // PasswordEncrypted: encrypt with password when it is not empty
    int temporaryArchive;      // CreateSelfExecutable: target is %TEMP%\zip_temp.zip
    int filterFlag;            // FileFilter
    int topFolderOnly;         // PlainDirectory: no subfolders
    int append;                // 1 add to the existing archive, 0 create
    int relativeNames;         // names relative to the base folder
    int prefixMode;            // names are the part after the last '\' of each path
    int selectedFiles;         // paths come from the multiple selection of a file dialog
    int droppedFiles;          // paths come from a drop or a paste
    char** paths;              // selected or dropped paths (owned, malloc'ed strings)
    int pathCount;
    int silent;                // background run: no progress dialog, ZipFileListSilent
    std::atomic<int> abort;    // set from outside to stop a silent run
    int baseNamesOnly;         // every file under its base name
    int verboseNames;          // log every added name
    List* filter;              // owned suffix list (case-sensitive), or null for every file
    HWND viewList;             // LIST or TreeList for showing the result; null: not shown
    HWND folderTree;
    HWND focusWindow;
    int level;                 // 0 stored, 1-9 deflated
    int skipCrc;               // SkipCRCCheck: no CRC pre-pass (still done when encrypting)
    int noProgressDialog;      // console and tests: the ZipFileList_64 run without a dialog
    int releaseAtEnd;          // the worker releases the record when it ends
    int holdsBusy;             // the starter took GApp.busy; the worker clears it at its end
    ZipCreateReportFn report;  // null: skipped inputs are logged and, unless silent or without
    void* reportData;          //   progress dialog, listed in one message box at the end
    ZipCreateItemHook itemHook;
    void* hookData;

    // Run state and outcome (filled by the worker).
    List* addedNames;          // member names written by this run ('/' separated), owned
    int64_t filesAdded;
    int64_t foldersAdded;
    int64_t skipped;           // inputs left out (every report counts one)
    int64_t bytesRead;
    int cancelled;
    int writeFailed;
    int result;                // ZIPCREATE_*
    struct ZipCreateRun* run;  // the worker's own state (names in the archive, members to drop)
};

// A new record with every field zeroed and level 6; null without memory. Release it with
// ReleaseZipCreateOptions (the worker does so itself when releaseAtEnd is set).
ZipCreateOptions* NewZipCreateOptions(void);
// Frees the paths, the filter, the added names and the record. Accepts null.
void ReleaseZipCreateOptions(ZipCreateOptions* options);
// Copies the settings into the record: PasswordEncrypted (and the global password),
// CreateSelfExecutable, FileFilter, PlainDirectory, SkipCRCCheck and the compression level.
void ApplyCreationSettings(ZipCreateOptions* options);
// Hands the paths over as the dropped-files input: copies count strings (each cut to 259
// characters). Returns 1, 0 without memory.
int SetZipCreatePaths(ZipCreateOptions* options, const char* const* paths, int count);
// Replaces the filter by the non-empty parts of text between ';'. Returns the number of suffixes.
int SetZipCreateFilterFromText(ZipCreateOptions* options, const char* text);

// The worker: param is a ZipCreateOptions. Opens the target, collects, writes, closes, and shows
// the result in the views. Returns a ZIPCREATE_ result (also stored in options->result unless the
// record was released).
DWORD WINAPI ZipWorkDirectoryThread(LPVOID param);
// Starts a run: clears the cancel flag; with a progress dialog (not silent) or as a background
// job recorded in the job tree (silent). The worker releases options at its end. Returns 0, or
// -1 when the thread could not be started (options released then).
int StartZipWorkDirectoryThread(ZipCreateOptions* options);

// Walks startPath into files (ListCreateStrings elements): a file is added itself; a folder
// breadth first, files as "folder/name", subfolders as "folder/name/" when addFolders is set
// (only when recursing). filter (may be null) keeps files whose names end with a suffix.
// progressDialog non-null: the heading shows message 17 and the count every tenth item.
// Adds the file sizes to *totalBytes. Returns the number of paths added, 0 when startPath does
// not exist, -1 when the user cancelled.
int CollectDirectoryFiles(List* files, const char* startPath, int recurse, List* filter, HWND progressDialog,
                          int64_t* totalBytes, int addFolders);

// The writer with progress dialog: one member per path of files (a path ending in '/' or '\'
// is a directory entry). Files of 4 GiB and more get zip64 fields. Returns 0, 1 for a list
// without data, ZIPCREATE_NO_MEMORY without a copy buffer.
int ZipFileList_64(List* files, ZipCreateOptions* options, zipFile writer, int64_t progressStep, int64_t totalBytes);
// The same for background runs: no dialog, stops on options->abort, per cent into statusText.
int ZipFileListSilent(List* files, ZipCreateOptions* options, zipFile writer, int64_t totalBytes);

// The name a path gets in the archive under the options' naming rules (prefix included,
// '/' separators, never absolute). Returns 1, 0 when nothing usable remains.
int ZipMemberNameForPath(const ZipCreateOptions* options, const char* path, char* out, size_t outSize);

// Merges the members that were just added (names in addedNames, '/' separated) into the views
// after an append: walks every entry of reader (opened on archivePath), adding rows for the
// added ones to targetView (hwndList or hwndTreeList). Returns 0, -1 without a reader.
int add_listing_to_list(unzFile reader, const char* archivePath, HWND targetView, List* addedNames, List* folders,
                        const char* prefixPath);
// One entry of that walk: a directory entry adds only its sizes; a file found in addedNames
// becomes a row (and leaves the list); every file counts in *count. Returns the reader result of
// the entry-information call.
int do_listing_currentfile_in_list(unzFile reader, int64_t* compressed, int64_t* uncompressed, int64_t* count,
                                   HWND targetView, List* addedNames, List* folders, const char* prefixPath);

// ---- starting runs from the window (all refuse with 0 while GApp.busy is set) ----

// New archive from a folder: folder given, or asked with the folder dialog when folder is null
// and the add-directories choice is folders; otherwise the files are picked with the open-file
// dialog (multiple selection). Then password, filter and target prompts, and the run.
// 1 started, 0 refused or cancelled.
int StartNewArchive(const char* folder);
// Adds paths (dropped, pasted, or a folder the user chose) to the open archive
// (GApp.currentArchive), under prefixPath (may be null). 1 started, 0 refused.
int StartAppendToOpenArchive(const char* const* paths, int count, const char* prefixPath);
// Asks for files with the open-file dialog (multiple selection, title message 1) and splits the
// answer into full paths. Returns the number of paths (0 cancelled); folder gets their folder.
// 1 when the create command can make TAR archives (the status bar's switch offers TAR only then).
int NewArchivesCanBeTar(void);
// Asks for files to add (see below).
int AskForFilesToAdd(HWND owner, std::vector<std::string>* paths, std::string* folder);
// The command-line archive job: a new archive (or, with append, an archive the user picks)
// from the named files, with progress dialog unless silent. 1 started, 0 refused or cancelled.
int CreateArchiveFromFiles(const char* const* files, int count, int silent, int append);

// ---- what the creation asks of other parts of the program (null: not done) ----
struct ZipCreateHooks {
    // Adds the row of a TVRBTreeDataReady key to TreeList (the folder view's own insertion).
    void (*insertIntoTreeList)(const char* key);
    // A run with CreateSelfExecutable wrote %TEMP%\zip_temp.zip: the self-extractor builder
    // goes on with it (and closes the progress dialog). Unset: the dialog is closed here.
    void (*temporaryArchiveWritten)(const ZipCreateOptions* options);
    // Empties the views before a new archive is written (ClearViews of the folder view).
    void (*clearViews)(void);
};
extern ZipCreateHooks GZipCreateHooks;

// Test seams. Writes of the zip writer fail once this many bytes went to one archive file (a
// full disk); reads of an input file fail once this many bytes were read from it (a bad
// sector). A negative limit switches either off (the default).
void SetZipWriteLimitForTests(int64_t bytes);
void SetZipReadLimitForTests(int64_t bytes);
