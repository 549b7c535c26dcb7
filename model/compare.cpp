#include "model/compare.h"

#include <cstdio>
#include <cstring>

#include "config/log.h"
#include "model/appstate.h"
#include "model/strutil.h"
#include "model/zipentry.h"

// Names and keys live in 260-byte buffers: compares look at no more than that.
static const size_t kMaxName = 259;

char FormatSeparator(const char* caller)
{
    switch (GCompressionMethod) {
    case CM_TAR: return '/';
    case CM_ZIP:
    case CM_ISO:
    case CM_RAR: return '\\';
    default: break;
    }
    char line[300];
    if (caller) snprintf(line, sizeof line, "%s: no compression method specified - assuming zip!!", caller);
    else snprintf(line, sizeof line, "!!! no compression method specified - assuming zip!!");
    LogLine(line);
    return '\\';
}

static int Sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

static char FoldLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// Compares at most kMaxName characters of each; '/' may be read as '\\' and case folded.
static int CompareCut(const char* a, const char* b, int ignoreSeparator, int ignoreCase)
{
    for (size_t i = 0;; i++) {
        char x = i < kMaxName ? a[i] : '\0';
        char y = i < kMaxName ? b[i] : '\0';
        if (ignoreSeparator) {
            if (x == '/') x = '\\';
            if (y == '/') y = '\\';
        }
        if (ignoreCase) {
            x = FoldLower(x);
            y = FoldLower(y);
        }
        if (x != y) return (unsigned char)x < (unsigned char)y ? -1 : 1;
        if (!x) return 0;
    }
}

static const char* EntryOf(const void* zipEntry)
{
    const char* e = ((const ZipEntry*)zipEntry)->entry;
    return e ? e : "";
}

int ZipEntryPathCompare(const void* a, const void* b)
{
    int result = CompareIgnoreCaseAscii(EntryOf(a), EntryOf(b));
    LogPrint(9, GApp.verbose, "ZipEntryPathCompare %s <=> %s result: %d", EntryOf(a), EntryOf(b), result);
    return result;
}

int ZipEntryPathCompareCaseSense(const void* a, const void* b)
{
    int result = Sign(std::strcmp(EntryOf(a), EntryOf(b)));
    LogPrint(9, GApp.verbose, "ZipEntryPathCompareCaseSense %s <=> %s result: %d", EntryOf(a), EntryOf(b), result);
    return result;
}

int ZipEntryIndependentPathCompare(const void* a, const void* b)
{
    int result = CompareCut(EntryOf(a), EntryOf(b), 1, 1);
    LogPrint(9, GApp.verbose, "ZipEntryIndependentPathCompare %s <=> %s result: %d", EntryOf(a), EntryOf(b), result);
    return result;
}

int ZipEntryPathStringCompare(const void* path, const void* zipEntry)
{
    const char* s = (const char*)path;
    int result = CompareCut(s, EntryOf(zipEntry), 1, 1);
    LogPrint(9, GApp.verbose, "ZipEntryPathStringCompare %s <=> %s result: %d", s, EntryOf(zipEntry), result);
    return result;
}

int PathCompareIgnoreSeparator(const void* a, const void* b)
{
    return CompareCut((const char*)a, (const char*)b, 1, 0);
}

// First difference between the tail of absolutePath and relativePath (same length), 0 when
// they agree.
static int TailDifference(const char* tail, const char* relative)
{
    for (; *relative; tail++, relative++)
        if (*tail != *relative) return (unsigned char)*tail - (unsigned char)*relative;
    return 0;
}

int CompareAbsoluteRelativePath(const void* absolutePath, const void* relativePath)
{
    const char* abs = (const char*)absolutePath;
    const char* rel = (const char*)relativePath;
    if (!abs || !rel) return -1;
    size_t la = std::strlen(abs), lr = std::strlen(rel);
    if (lr > la) {
        LogPrint(-1, GApp.verbose,
                 "!!!! CARPISBPT: RelativePath is larger than AbsolutePath:\n%s <=> %s !!!!\nthats not allowed!!!!\n\n",
                 abs, rel);
        return -1;
    }
    int diff = TailDifference(abs + la - lr, rel);
    if (diff != 0) return diff;
    // A path is the same folder as itself; otherwise the tail must start a component.
    if (la == lr) return 0;
    return abs[la - lr - 1] == FormatSeparator(nullptr) ? 0 : -1;
}

int CompareAbsoluteRelativePathSeparatorBackslash(const void* absolutePath, const void* relativePath)
{
    if (!absolutePath || !relativePath) return -1;
    char abs[260], rel[260];
    CopyBounded(abs, sizeof abs, (const char*)absolutePath);
    CopyBounded(rel, sizeof rel, (const char*)relativePath);
    ReplaceChar(abs, '/', '\\');
    ReplaceChar(rel, '/', '\\');
    return CompareAbsoluteRelativePath(abs, rel);
}

int CompareAbsoluteRelativePathIgnoreSeparatorBackslash(const void* absolutePath, const void* relativePath)
{
    const char* abs = (const char*)absolutePath;
    const char* rel = (const char*)relativePath;
    if (!abs || !rel) return -1;
    size_t la = std::strlen(abs), lr = std::strlen(rel);
    if (lr > la) {
        LogPrint(-1, GApp.verbose,
                 "!!! CompareAbsoluteRelativePathIgnoreSeparatorBackslash: RelativePath is larger than AbsolutePath:\n"
                 "%s <=> %s !!!\nthats not allowed !?!\n\n",
                 abs, rel);
        return -1;
    }
    return TailDifference(abs + la - lr, rel);
}

int FoundListCompareEqual(const void* a, const void* b)
{
    int x = *(const int*)a, y = *(const int*)b;
    LogPrint(8, GApp.verbose, "FoundListCompareEqual %d %d", x, y);
    return x - y;
}

int FoundListCompareSmaller(const void* a, const void* b)
{
    int x = *(const int*)a, y = *(const int*)b;
    LogPrint(8, GApp.verbose, "FoundListCompareSmaller %d %d", x, y);
    return x < y ? 1 : 0;
}

int FoundListCompareGreater(const void* a, const void* b)
{
    int x = *(const int*)a, y = *(const int*)b;
    LogPrint(8, GApp.verbose, "FoundListCompareGreater %d %d", x, y);
    return x >= y ? 1 : 0;
}

int BackgroundJobCompare(const void* a, const void* b)
{
    if (a == b) return 0;
    // The sign only: the red-black tree reads exactly 1 as "after", so a raw difference of 2
    // would send a search the wrong way.
    int x = ((const BackgroundJob*)a)->number, y = ((const BackgroundJob*)b)->number;
    return x < y ? -1 : (x > y ? 1 : 0);
}
