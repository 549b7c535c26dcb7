// What the files of the archive creation share among themselves (not for other parts).
#pragma once
#include <windows.h>
#include <cstdint>

struct List;
struct ZipCreateOptions;

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
