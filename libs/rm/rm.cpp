// rm.dll: the recent-files manager. The list lives in memory only for the length of one call:
// each call reads the file, changes it and writes it back, so that several programs (and the
// configuration page) always see the same list.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "libs/common/storefile.h"
#include "libs/rm/rmapi.h"

#define RM_API extern "C" __declspec(dllexport)

namespace {

const size_t kMaxEntries = 200;

struct RecentEntry {
    std::string path;
    unsigned long long opened;  // FILETIME as one number, UTC
    unsigned long count;
};

std::mutex gLock;

std::string StorePath(void) { return KvDataFile("recent.lst"); }

// "opened<TAB>count<TAB>path" per line; lines that do not parse are skipped.
std::vector<RecentEntry> LoadEntries(void)
{
    std::vector<RecentEntry> entries;
    std::string bytes;
    std::string path = StorePath();
    if (path.empty() || !KvReadFile(path, &bytes, nullptr)) return entries;
    size_t start = 0;
    while (start < bytes.size() && entries.size() < kMaxEntries) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos || tab2 + 1 >= line.size()) continue;
        RecentEntry entry;
        entry.opened = strtoull(line.substr(0, tab1).c_str(), nullptr, 10);
        entry.count = strtoul(line.substr(tab1 + 1, tab2 - tab1 - 1).c_str(), nullptr, 10);
        entry.path = line.substr(tab2 + 1);
        entries.push_back(entry);
    }
    return entries;
}

int SaveEntries(const std::vector<RecentEntry>& entries)
{
    std::string path = StorePath();
    if (path.empty()) return 0;
    std::string bytes;
    char head[64];
    for (const RecentEntry& entry : entries) {
        snprintf(head, sizeof head, "%llu\t%lu\t", entry.opened, entry.count);
        bytes += head;
        bytes += entry.path;
        bytes += "\r\n";
    }
    return KvWriteFileReplacing(path, bytes);
}

unsigned long long Now(void)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void FormatOpened(unsigned long long opened, char* out, size_t size)
{
    FILETIME utc, local;
    utc.dwLowDateTime = static_cast<DWORD>(opened);
    utc.dwHighDateTime = static_cast<DWORD>(opened >> 32);
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) {
        snprintf(out, size, "?");
        return;
    }
    snprintf(out, size, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

void ClearColumns(HWND list)
{
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
    }
}

void AddColumn(HWND list, int index, const char* text, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(text ? text : "");
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, (LPARAM)&column);
}

void SetCell(HWND list, int row, int columnIndex, const char* text)
{
    LVITEMA item{};
    item.iSubItem = columnIndex;
    item.pszText = const_cast<char*>(text);
    if (columnIndex == 0) {
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.lParam = row;
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    } else {
        SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&item);
    }
}

int FillPaths(HWND list, const std::vector<RecentEntry>& entries)
{
    if (!list) return 0;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    HWND header = (HWND)SendMessageA(list, LVM_GETHEADER, 0, 0);
    if (!header || SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) <= 0) AddColumn(list, 0, "Archive", 400);
    int row = 0;
    for (const RecentEntry& entry : entries) SetCell(list, row++, 0, entry.path.c_str());
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return row;
}

void SelectRow(HWND list, int row)
{
    if (!list) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
    SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
}

// Moves entry row to position target (both valid), saves and refills the list view.
int MoveEntry(HWND list, int row, int target)
{
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<RecentEntry> entries = LoadEntries();
    int count = static_cast<int>(entries.size());
    if (row < 0 || row >= count) return -1;
    if (target < 0) target = 0;
    if (target >= count) target = count - 1;
    RecentEntry moved = entries[row];
    entries.erase(entries.begin() + row);
    entries.insert(entries.begin() + target, moved);
    if (!SaveEntries(entries)) return -1;
    FillPaths(list, entries);
    SelectRow(list, target);
    return target;
}

std::string ItemText(HWND list, int row)
{
    char buffer[1024] = "";
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
    return buffer;
}

}  // namespace

RM_API int AddToRecent(const char* path)
{
    if (!path || !*path) return 0;
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<RecentEntry> entries = LoadEntries();
    RecentEntry entry{path, Now(), 1};
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].path == path) {
            entry.count = entries[i].count + 1;
            entries.erase(entries.begin() + i);
            break;
        }
    }
    entries.insert(entries.begin(), entry);
    if (entries.size() > kMaxEntries) entries.resize(kMaxEntries);
    return SaveEntries(entries);
}

RM_API int PrintRecentListLarge5(HWND list, const char* archive, const char* folder, const char* opened,
                                 const char* times, const char* size)
{
    if (!list) return 0;
    std::vector<RecentEntry> entries;
    {
        std::lock_guard<std::mutex> hold(gLock);
        entries = LoadEntries();
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    ClearColumns(list);
    AddColumn(list, 0, archive, 160);
    AddColumn(list, 1, folder, 220);
    AddColumn(list, 2, opened, 130);
    AddColumn(list, 3, times, 80);
    AddColumn(list, 4, size, 90);
    int row = 0;
    for (const RecentEntry& entry : entries) {
        size_t cut = entry.path.find_last_of("\\/");
        std::string name = cut == std::string::npos ? entry.path : entry.path.substr(cut + 1);
        std::string parent = cut == std::string::npos ? std::string() : entry.path.substr(0, cut);
        char when[64], count[32], bytes[32] = "";
        FormatOpened(entry.opened, when, sizeof when);
        snprintf(count, sizeof count, "%lu", entry.count);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(entry.path.c_str(), GetFileExInfoStandard, &data) &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            snprintf(bytes, sizeof bytes, "%llu",
                     (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        SetCell(list, row, 0, name.c_str());
        SetCell(list, row, 1, parent.c_str());
        SetCell(list, row, 2, when);
        SetCell(list, row, 3, count);
        SetCell(list, row, 4, bytes);
        ++row;
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return row;
}

RM_API int PrintRecentList(HWND list)
{
    std::lock_guard<std::mutex> hold(gLock);
    return FillPaths(list, LoadEntries());
}

RM_API int ExchangeRecentList(HWND list)
{
    if (!list) return 0;
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<RecentEntry> entries = LoadEntries();
    std::vector<RecentEntry> ordered;
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < rows; ++row) {
        std::string path = ItemText(list, row);
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].path == path) {
                ordered.push_back(entries[i]);
                entries.erase(entries.begin() + i);
                break;
            }
        }
    }
    return SaveEntries(ordered);
}

RM_API int ExchangeEntrySetToFirst(HWND list, int row) { return MoveEntry(list, row, 0); }
RM_API int ExchangeEntrySetToPrevious(HWND list, int row) { return MoveEntry(list, row, row - 1); }
RM_API int ExchangeEntrySetToNext(HWND list, int row) { return MoveEntry(list, row, row + 1); }
RM_API int ExchangeEntrySetToLast(HWND list, int row) { return MoveEntry(list, row, 0x7fffffff); }

RM_API int DeleteTreeEntry(HWND list, int row)
{
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<RecentEntry> entries = LoadEntries();
    if (row < 0 || row >= (int)entries.size()) return 0;
    entries.erase(entries.begin() + row);
    if (!SaveEntries(entries)) return 0;
    FillPaths(list, entries);
    return 1;
}

RM_API int DeleteRecentListNode(const char* path)
{
    if (!path) return 0;
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<RecentEntry> entries = LoadEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].path == path) {
            entries.erase(entries.begin() + i);
            return SaveEntries(entries);
        }
    }
    return 0;
}

RM_API int DeleteRecentFile(HWND list)
{
    std::lock_guard<std::mutex> hold(gLock);
    if (list) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    std::string path = StorePath();
    if (path.empty()) return 0;
    return DeleteFileA(path.c_str()) || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

RM_API int GetLastAccessTime(const char* path, FILETIME* out)
{
    if (!path || !out) return 0;
    std::lock_guard<std::mutex> hold(gLock);
    for (const RecentEntry& entry : LoadEntries()) {
        if (entry.path == path) {
            out->dwLowDateTime = static_cast<DWORD>(entry.opened);
            out->dwHighDateTime = static_cast<DWORD>(entry.opened >> 32);
            return 1;
        }
    }
    return 0;
}
