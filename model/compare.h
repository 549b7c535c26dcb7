// The compare functions of the archive model, shaped as container callbacks (const void*).
// Unless said otherwise: 0 equal, 1 (or a positive value) the first sorts after the second,
// negative when it sorts before. String compares return -1, 0 or 1.
#pragma once
#include <windows.h>

// The separator of keys for the open archive's format: '/' for CM_TAR, '\\' for the others.
// An unknown format prints "<caller>: no compression method specified - assuming zip!!" (or
// "!!! no compression method specified - assuming zip!!" when caller is null) and gives '\\'.
char FormatSeparator(const char* caller);

// Two ZipEntry*: case-insensitive ASCII compare of entry. Logs at level 9.
int ZipEntryPathCompare(const void* a, const void* b);
// Two ZipEntry*: case-sensitive compare of entry. Logs at level 9.
int ZipEntryPathCompareCaseSense(const void* a, const void* b);
// Two ZipEntry*: '/' read as '\\', case-insensitive; entries cut to 259 characters first.
int ZipEntryIndependentPathCompare(const void* a, const void* b);
// A plain string (const char*) against a ZipEntry*: as ZipEntryIndependentPathCompare.
int ZipEntryPathStringCompare(const void* path, const void* zipEntry);
// Two strings: '/' read as '\\', case-sensitive; operands cut to 259 characters.
int PathCompareIgnoreSeparator(const void* a, const void* b);
// Absolute path against relative path (strings): 0 when the absolute path ends with the
// format's separator and exactly the relative path, or equals it; -1 when the character before
// that tail is not the separator, an operand is null or the relative path is longer (logged);
// otherwise the difference of the first differing characters.
int CompareAbsoluteRelativePath(const void* absolutePath, const void* relativePath);
// Both cut to 259 characters with every '/' turned into '\\', then CompareAbsoluteRelativePath.
int CompareAbsoluteRelativePathSeparatorBackslash(const void* absolutePath, const void* relativePath);
// 0 when the absolute path ends with exactly the relative path (no separator needed before
// it); -1 for a null operand or a longer relative path (logged); otherwise the difference of
// the first differing characters.
int CompareAbsoluteRelativePathIgnoreSeparatorBackslash(const void* absolutePath, const void* relativePath);
// Row indices (const int*): the difference a - b. Logs at level 8.
int FoundListCompareEqual(const void* a, const void* b);
// Row indices (const int*): 1 when a < b, else 0.
int FoundListCompareSmaller(const void* a, const void* b);
// Row indices (const int*): 1 when a >= b, else 0.
int FoundListCompareGreater(const void* a, const void* b);

// Element of the background job tree: a job that runs without progress dialog.
struct BackgroundJob {
    HANDLE thread;  // the job's thread
    void* job;      // the job's record
    int number;     // smallest free non-negative number
};
// Two BackgroundJob*: 0 for the same record, else the sign (-1, 0, 1) of the difference of
// their numbers.
int BackgroundJobCompare(const void* a, const void* b);
