// The folder walk of the archive creation (CollectDirectoryFiles).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/list.h"
#include "model/strutil.h"
#include "ui/progress.h"
#include "zip/create.h"
#include "zip/createinternal.h"

namespace {

int MatchesFilter(List* filter, const char* name)
{
    if (!filter || filter->count == 0) return 1;
    for (ListNode* n = filter->head; n; n = n->next)
        if (n->data && EndsWith(name, (const char*)n->data)) return 1;
    return 0;
}

int AddPath(List* files, const char* path)
{
    char* copy = _strdup(path);
    if (!copy) return 0;
    if (!ListAppend(files, copy)) {
        free(copy);
        return 0;
    }
    return 1;
}

// The full path in a form that compares: system normalisation, '\' separators.
std::string FullPathOf(const char* path)
{
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return std::string(path);
    std::string s(full);
    for (char& ch : s)
        if (ch == '/') ch = '\\';
    return s;
}

struct Walk {
    List* files;
    List* filter;
    HWND progress;
    int64_t* total;
    const char* exclude;         // full path of the archive being written, or null
    const char* excludeName;     // its base name
    ZipCreateOptions* options;
    int collected;
};

int IsExcluded(const Walk* w, const char* path, const char* name)
{
    if (!w->exclude || CompareIgnoreCaseAscii(name, w->excludeName) != 0) return 0;
    return CompareIgnoreCaseAscii(FullPathOf(path).c_str(), w->exclude) == 0;
}

void CountCollected(Walk* w)
{
    ++w->collected;
    if (w->progress && w->collected % 10 == 0) {
        SetProgressHeading(GetMessageText(17));
        char count[32];
        snprintf(count, sizeof count, "%d", w->collected);
        SetProgressFileText(count);
    }
}

}  // namespace

int CollectPathsForRun(List* files, const char* startPath, int recurse, List* filter, HWND progressDialog,
                       int64_t* totalBytes, int addFolders, const char* excludePath, ZipCreateOptions* options)
{
    if (!files || !startPath || !*startPath) return 0;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(startPath, GetFileExInfoStandard, &attributes)) return 0;

    std::string exclude = excludePath && *excludePath ? FullPathOf(excludePath) : std::string();
    const char* excludeName = exclude.empty() ? nullptr : AfterLast(exclude.c_str(), '\\');
    Walk w = {files, filter, progressDialog, totalBytes, exclude.empty() ? nullptr : exclude.c_str(),
              excludeName ? excludeName : exclude.c_str(), options, 0};

    if (!(attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const char* name = AfterLast(startPath, '\\');
        if (IsExcluded(&w, startPath, name ? name : startPath)) return 0;
        if (!AddPath(files, startPath)) return 0;
        if (options && options->run)
            options->run->found[startPath] = FoundEntry{((int64_t)attributes.nFileSizeHigh << 32) | attributes.nFileSizeLow,
                                                        attributes.ftLastWriteTime};
        if (totalBytes) *totalBytes += ((int64_t)attributes.nFileSizeHigh << 32) | attributes.nFileSizeLow;
        return 1;
    }

    std::deque<std::string> folders;
    folders.push_back(startPath);
    while (!folders.empty()) {
        if (IsCreationCancelled(options)) return -1;
        std::string folder = folders.front();
        folders.pop_front();
        char pattern[MAX_PATH];
        if (snprintf(pattern, sizeof pattern, "%s/*", folder.c_str()) >= (int)sizeof pattern) {
            ReportSkippedInput(options, ZIPSKIP_TOO_LONG, folder.c_str());
            continue;
        }
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(pattern, &found);
        if (find == INVALID_HANDLE_VALUE) {
            LogPrint(-1, GApp.verbose, "FindFirstFile error \"%s\" %d\n", pattern, (int)GetLastError());
            continue;
        }
        do {
            const char* name = found.cFileName;
            if (!strcmp(name, ".") || !strcmp(name, "..")) continue;
            int isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder && !recurse) continue;
            char path[MAX_PATH];
            int n = snprintf(path, sizeof path, isFolder ? "%s/%s/" : "%s/%s", folder.c_str(), name);
            // A cut path would name another file, or none: leave it out and say so.
            if (n < 0 || n >= (int)sizeof path) {
                char whole[1024];
                snprintf(whole, sizeof whole, "%s/%s", folder.c_str(), name);
                ReportSkippedInput(options, ZIPSKIP_TOO_LONG, whole);
                continue;
            }
            if (isFolder) {
                path[n - 1] = '\0';
                // Linked folders (junctions, symbolic links) can lead back up the tree: their
                // own entry is kept, their contents are not walked.
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) folders.push_back(path);
                path[n - 1] = '/';
                if (!addFolders) continue;
            } else {
                if (!MatchesFilter(filter, name)) continue;
                if (IsExcluded(&w, path, name)) continue;
                if (totalBytes) *totalBytes += ((int64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow;
            }
            if (!AddPath(files, path)) continue;
            if (options && options->run) {
                int64_t size = ((int64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow;
                options->run->found[path] = FoundEntry{isFolder ? 0 : size, found.ftLastWriteTime};
            }
            CountCollected(&w);
            if (options && options->itemHook) options->itemHook(options, 0, path);
            if (IsCreationCancelled(options)) {
                FindClose(find);
                return -1;
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return w.collected;
}

int CollectDirectoryFiles(List* files, const char* startPath, int recurse, List* filter, HWND progressDialog,
                          int64_t* totalBytes, int addFolders)
{
    return CollectPathsForRun(files, startPath, recurse, filter, progressDialog, totalBytes, addFolders, nullptr,
                              nullptr);
}
