// The stub's extraction of every entry of an open archive into the current directory.
#pragma once
#include <minizip/unzip.h>

struct StubExtractOutcome {
    long long written;   // files written
    long long skipped;   // existing files kept by the answer "No"
    long long refused;   // entries whose names lead out of the folder (nothing written)
};

// 1 when the name, taken relative to the target folder, stays inside it: not empty, not
// absolute, no drive letter or other colon, no ".." climbing above the folder.
int IsNameInsideFolder(const char* name);
// Creates every folder of path ('/' or '\' separated; one trailing '/' dropped). 1 on
// success (folders that exist already are fine), 0 after the failure was shown.
int CreateFolderPath(const char* path);
// Extracts every entry in archive order with the progress dialog and the overwrite question.
// 1 when the run went through (refused names and "No" answers included, counted in outcome),
// 0 after an error was shown.
int ExtractAllEntries(unzFile zip, StubExtractOutcome* outcome);
