// What the files of the archive creation share among themselves (not for other parts).
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct List;
struct ZipCreateOptions;

// What the walk saw of a file or folder: the writer takes size and date from here instead of
// asking the file system again (one directory scan per name under Wine).
struct FoundEntry {
    int64_t size;
    FILETIME lastWrite;
};

// The worker's own state of one run.
struct ZipCreateRun {
    std::unordered_set<std::string> names;             // lower-cased member names in the archive
    std::unordered_map<std::string, FoundEntry> found;  // collected path -> listing data
    uint64_t nextIndex = 0;                             // central-directory index of the next member
    std::vector<uint64_t> drop;                         // members whose data could not be read whole
    std::vector<std::string> summary;                   // lines of the closing message box
};

// The folder walk with the run's extras: excludePath (may be null) is never collected (the
// archive being written), options (may be null) receives reports and hooks and its abort flag
// stops the walk. Returns as CollectDirectoryFiles.
int CollectPathsForRun(List* files, const char* startPath, int recurse, List* filter, HWND progressDialog,
                       int64_t* totalBytes, int addFolders, const char* excludePath, ZipCreateOptions* options);

// Counts one left-out input in options and tells the report callback (or keeps it for the
// summary box). Accepts null options.
void ReportSkippedInput(ZipCreateOptions* options, int reason, const char* path);

// 1 when the run should stop: the user cancelled (not for silent runs) or the abort flag is set.
int IsCreationCancelled(const ZipCreateOptions* options);

