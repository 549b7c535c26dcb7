#include "model/liststruct.h"

#include <shellapi.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/datecolumn.h"
#include "model/list.h"
#include "model/strutil.h"
#include "ui/prompts.h"

static std::atomic<long> gLiveRecords{0};

int ReleaseListStruct(liststruct* record)
{
    if (!record) return 0;
    std::free(record->filename);
    std::free(record->path);
    std::free(record->type);
    std::free(record->rate);
    std::free(record);
    gLiveRecords--;
    return 1;
}

long ListStructLiveCount(void)
{
    return gLiveRecords.load();
}

// ---------------------------------------------------------------------------------------------
// Rate and date texts

int FormatRateText(int64_t compressed, int64_t uncompressed, char* out, size_t outSize)
{
    int shown = 0;
    // compressed > uncompressed rates 0 whatever the rounding; checking it first also keeps
    // 100 * compressed from overflowing below.
    if (uncompressed > 0 && compressed >= 0 && compressed <= uncompressed) {
        int64_t p;
        if (compressed <= INT64_MAX / 100) p = (100 * compressed) / uncompressed;
        else p = (int64_t)(((unsigned __int128)compressed * 100u) / (unsigned __int128)uncompressed);
        int64_t r = 100 - p;
        shown = r >= 100 ? 99 : (int)r;
    }
    if (out && outSize > 0) {
        if (shown < 10) snprintf(out, outSize, " %1.1lu%c", (unsigned long)shown, '%');
        else snprintf(out, outSize, "%2.2lu%c", (unsigned long)shown, '%');
    }
    return shown;
}

int FormatDateColumnText(const SYSTEMTIME* time, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (!time) return 0;
    char date[64], clock[64], picture[128];
    // The folder view reads this text back (ParseDateColumnText): the short date with a full
    // year, so that no century is lost.
    LCID locale = GetDateColumnLocale();
    int okDate = GetDateColumnPicture(picture, sizeof picture)
                     ? GetDateFormatA(locale, 0, time, picture, date, sizeof date)
                     : GetDateFormatA(locale, DATE_SHORTDATE, time, nullptr, date, sizeof date);
    // Forcing 24 hours alone still appends "AM"/"PM" in 12-hour locales.
    const DWORD timeFlags = TIME_NOSECONDS | TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER;
    int okTime = GetTimeFormatA(locale, timeFlags, time, nullptr, clock, sizeof clock);
    if (okDate && okTime) {
        snprintf(out, outSize, "%s %s", date, clock);
        return 1;
    }
    // Damaged archives carry impossible dates; show the numbers rather than nothing.
    snprintf(out, outSize, "%02u.%02u.%04u %02u:%02u", (unsigned)time->wDay, (unsigned)time->wMonth,
             (unsigned)time->wYear, (unsigned)time->wHour, (unsigned)time->wMinute);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Shell type names and icons, asked once per extension

struct ShellAnswer {
    std::string typeName;  // as the shell gave it; may be empty
    int icon;
};

static std::mutex gShellMutex;
static std::unordered_map<std::string, ShellAnswer> gShellCache;
static std::atomic<long> gShellQueries{0};
static std::atomic<int> gShellCacheEnabled{1};
static ShellTypeQueryFn gShellQuery = QueryShellType;

// The extension of a name: the text after its last dot, "" when there is none.
static const char* ExtensionOf(const char* name)
{
    const char* ext = AfterLast(name, '.');
    return ext ? ext : "";
}

int QueryShellType(const char* fileName, char* typeName, size_t typeNameSize, int* icon)
{
    if (typeName && typeNameSize) typeName[0] = '\0';
    if (icon) *icon = 0;
    if (!fileName) return 0;
    SHFILEINFOA info;
    std::memset(&info, 0, sizeof info);
    DWORD_PTR ok = SHGetFileInfoA(fileName, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                  SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
    if (!ok) return 0;
    info.szTypeName[sizeof info.szTypeName - 1] = '\0';
    CopyBounded(typeName, typeNameSize, info.szTypeName);
    if (icon) *icon = info.iIcon;
    return 1;
}

// Called with gShellMutex held.
static ShellAnswer AskShell(const char* extension)
{
    // The answer depends on the extension alone (the file need not exist), so a short
    // stand-in name is asked: long member names never reach the shell.
    char probe[MAX_PATH];
    if (*extension) snprintf(probe, sizeof probe, "file.%s", extension);
    else snprintf(probe, sizeof probe, "file");
    char typeName[260];
    ShellAnswer answer;
    answer.icon = 0;
    gShellQueries++;
    if (gShellQuery(probe, typeName, sizeof typeName, &answer.icon)) answer.typeName = typeName;
    else answer.icon = 0;
    return answer;
}

ShellTypeQueryFn SetShellTypeQuery(ShellTypeQueryFn query)
{
    std::lock_guard<std::mutex> lock(gShellMutex);
    ShellTypeQueryFn previous = gShellQuery;
    gShellQuery = query ? query : QueryShellType;
    gShellCache.clear();
    return previous;
}

int LookupShellType(const char* displayName, char* type, size_t typeSize, int* icon)
{
    if (type && typeSize) type[0] = '\0';
    if (icon) *icon = 0;
    if (!displayName || !type || typeSize == 0) return 0;
    const char* extension = ExtensionOf(displayName);
    char key[260];
    CopyBounded(key, sizeof key, extension);
    LowerAscii(key);
    ShellAnswer answer;
    if (gShellCacheEnabled.load()) {
        std::lock_guard<std::mutex> lock(gShellMutex);
        auto it = gShellCache.find(key);
        if (it == gShellCache.end()) it = gShellCache.emplace(key, AskShell(key)).first;
        answer = it->second;
    } else {
        std::lock_guard<std::mutex> lock(gShellMutex);
        answer = AskShell(key);
    }
    if (icon) *icon = answer.icon;
    if (!answer.typeName.empty()) {
        CopyBounded(type, typeSize, answer.typeName.c_str());
    } else if (*extension) {
        char upper[260];
        CopyBounded(upper, sizeof upper, extension);
        UpperAscii(upper);
        snprintf(type, typeSize, "%s-%s", upper, GetGenericText(36));
    } else {
        CopyBounded(type, typeSize, GetGenericText(36));
    }
    return 1;
}

int ClearShellTypeCache(void)
{
    std::lock_guard<std::mutex> lock(gShellMutex);
    int n = (int)gShellCache.size();
    gShellCache.clear();
    return n;
}

long ShellTypeQueryCount(void)
{
    return gShellQueries.load();
}

void SetShellTypeCacheEnabled(int enabled)
{
    gShellCacheEnabled.store(enabled ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// Building rows

// Length of the head of fullName left when displayName is cut off its end: the two are
// compared backwards while they agree.
static size_t PathLength(const char* fullName, const char* displayName)
{
    size_t lf = std::strlen(fullName), ld = std::strlen(displayName);
    if (ld >= lf) return 0;
    while (ld > 0 && fullName[lf - 1] == displayName[ld - 1]) {
        lf--;
        ld--;
    }
    return lf;
}

static void RememberFolder(List* folders, const char* path)
{
    if (!folders || ListFind(folders, path)) return;
    if (!ListInsertSortedCopy(folders, path)) LogPrint(-1, GApp.verbose, "cannot insert %s\n", path);
}

int BuildListRow(ListRow* row, const ListRowTime* time, const char* displayName, const char* fullName,
                 List* folders, int64_t compressed, int64_t uncompressed)
{
    if (!row) return 0;
    std::memset(row, 0, sizeof *row);
    if (!displayName || !fullName) return 0;

    char path[260];
    size_t pathLength = PathLength(fullName, displayName);
    if (pathLength >= sizeof path) pathLength = sizeof path - 1;
    std::memcpy(path, fullName, pathLength);
    path[pathLength] = '\0';
    RememberFolder(folders, path);

    char type[260];
    LookupShellType(displayName, type, sizeof type, &row->icon);

    liststruct* record = (liststruct*)AllocZeroed(sizeof(liststruct));
    if (!record) return 0;
    gLiveRecords++;
    record->compressed = compressed;
    record->uncompressed = uncompressed;
    record->path = DupBounded(260, path);
    record->filename = DupBounded(260, displayName);
    record->type = DupBounded(260, type);
    record->rate = (char*)AllocZeroed(4);
    if (!record->path || !record->filename || !record->type || !record->rate) {
        ReleaseListStruct(record);
        return 0;
    }
    FormatRateText(compressed, uncompressed, record->rate, 4);
    if (time) {
        record->modified.wYear = (WORD)time->year;
        record->modified.wMonth = (WORD)(time->month + 1);
        record->modified.wDay = (WORD)time->day;
        record->modified.wHour = (WORD)time->hour;
        record->modified.wMinute = (WORD)time->minute;
    }
    FormatDateColumnText(&record->modified, row->dateText, sizeof row->dateText);
    row->record = record;
    return 1;
}

void DiscardListRow(ListRow* row)
{
    if (!row || !row->record) return;
    ReleaseListStruct(row->record);
    row->record = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Found lists

List** FoundListOfView(HWND list)
{
    if (!list) return nullptr;
    if (list == GApp.hwndList) return &GApp.foundList;
    if (list == GApp.hwndTreeList) return &GApp.treeListFoundList;
    return nullptr;
}

int ShiftFoundListOnInsert(List* found, int index)
{
    if (!found) return 0;
    int changed = 0;
    for (ListNode* node = found->head; node; node = node->next) {
        int* value = (int*)node->data;
        if (value && *value >= index) {
            (*value)++;
            changed++;
        }
    }
    return changed;
}

int ShiftFoundListOnDelete(List* found, int index)
{
    if (!found) return 0;
    int removed = 0;
    ListNode* node = found->head;
    while (node) {
        ListNode* next = node->next;
        int* value = (int*)node->data;
        if (value && *value == index) {
            removed = ListRemoveNode(found, node) ? 1 : removed;
        } else if (value && *value > index) {
            (*value)--;
        }
        node = next;
    }
    return removed;
}

// ---------------------------------------------------------------------------------------------
// Handing work to the list's thread

static const char kCourierProperty[] = "Kelvora.ListCourier";
static const char kRedrawProperty[] = "Kelvora.RedrawLock";
static const char kCourierClass[] = "KelvoraListCourier";
static const UINT kRunMessage = WM_APP + 1;

// Work reaches the list's thread through a hidden message-only window of that thread, not
// through a subclass of the list: a subclass would put a property lookup (a trip through the
// window system under Wine) in front of every list message.
struct ListThreadWork {
    int (*work)(void*);
    void* context;
};

static LRESULT CALLBACK CourierProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kRunMessage && lParam) {
        ListThreadWork* w = (ListThreadWork*)lParam;
        return (LRESULT)w->work(w->context);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The calling thread's courier window, created on first use; it ends with the thread.
static HWND CourierOfThisThread(void)
{
    static thread_local HWND courier = nullptr;
    if (courier && IsWindow(courier)) return courier;
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSA wc;
        std::memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = CourierProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kCourierClass;
        RegisterClassA(&wc);
    });
    courier = CreateWindowA(kCourierClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    return courier;
}

int PrepareListForRowBatches(HWND list)
{
    if (!list || !IsWindow(list)) return 0;
    if (GetWindowThreadProcessId(list, nullptr) != GetCurrentThreadId()) return 0;
    HWND courier = CourierOfThisThread();
    if (!courier) return 0;
    return SetPropA(list, kCourierProperty, (HANDLE)courier) ? 1 : 0;
}

int RunOnListThread(HWND list, int (*work)(void* context), void* context)
{
    if (!work) return 0;
    if (!list || GetWindowThreadProcessId(list, nullptr) == GetCurrentThreadId()) return work(context);
    HWND courier = (HWND)GetPropA(list, kCourierProperty);
    DWORD listThread = GetWindowThreadProcessId(list, nullptr);
    if (!courier || !IsWindow(courier) || GetWindowThreadProcessId(courier, nullptr) != listThread)
        return work(context);
    ListThreadWork w = {work, context};
    return (int)SendMessageA(courier, kRunMessage, 0, (LPARAM)&w);
}

void LockListRedraw(HWND list)
{
    if (!list) return;
    intptr_t depth = (intptr_t)GetPropA(list, kRedrawProperty);
    if (depth == 0) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SetPropA(list, kRedrawProperty, (HANDLE)(depth + 1));
}

void UnlockListRedraw(HWND list)
{
    if (!list) return;
    intptr_t depth = (intptr_t)GetPropA(list, kRedrawProperty);
    if (depth <= 0) return;
    if (depth == 1) {
        RemovePropA(list, kRedrawProperty);
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    } else {
        SetPropA(list, kRedrawProperty, (HANDLE)(depth - 1));
    }
}

// ---------------------------------------------------------------------------------------------
// Inserting and deleting rows

static void ShowInsertFailure(int index, DWORD error)
{
    char text[128];
    snprintf(text, sizeof text, "cannot insert item %d #error %d", index, (int)error);
    HWND owner = GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
    PromptMessageBox(owner, text, "", MB_OK | MB_TOPMOST);
}

static void SetColumnText(HWND list, int index, int column, const char* text)
{
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.iSubItem = column;
    item.pszText = (char*)text;
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)index, (LPARAM)&item);
}

// Inserts one complete row at the end; the record passes to the list on success. Returns the
// new row's index, -1 on failure.
static int InsertOneRow(HWND list, ListRow* row, int index)
{
    liststruct* record = row->record;
    row->record = nullptr;
    if (!record) return -1;
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = record->filename;
    item.iImage = row->icon;
    item.lParam = (LPARAM)record;
    int got = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (got < 0) {
        DWORD error = GetLastError();
        ReleaseListStruct(record);
        ShowInsertFailure(index, error);
        return -1;
    }
    List** found = FoundListOfView(list);
    if (found && *found) ShiftFoundListOnInsert(*found, got);

    char compressed[32], uncompressed[32];
    snprintf(compressed, sizeof compressed, "%" PRId64, record->compressed);
    snprintf(uncompressed, sizeof uncompressed, "%" PRId64, record->uncompressed);
    // Column 1 stays empty: the encryption mark is painted there.
    SetColumnText(list, got, 2, compressed);
    SetColumnText(list, got, 3, uncompressed);
    SetColumnText(list, got, 4, record->rate);
    SetColumnText(list, got, 5, row->dateText);
    SetColumnText(list, got, 6, record->type);
    SetColumnText(list, got, 7, record->path);
    return got;
}

struct BatchWork {
    HWND list;
    ListRow* rows;
    int count;
    int lastIndex;  // index of the last row inserted, -1 for none
};

static int InsertBatchOnListThread(void* context)
{
    BatchWork* b = (BatchWork*)context;
    // Switching repainting off and on costs more than one row (the list recomputes its
    // scroll bars and repaints): a single row goes in as it is; listings that add rows one by
    // one lock the list around the whole listing.
    int lock = b->count > 1;
    // Rows go at the end: the count is asked once per batch, not once per row.
    int next = (int)SendMessageA(b->list, LVM_GETITEMCOUNT, 0, 0);
    if (lock) {
        LockListRedraw(b->list);
        SendMessageA(b->list, LVM_SETITEMCOUNT, (WPARAM)(next + b->count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    int inserted = 0;
    for (int i = 0; i < b->count; i++) {
        int index = InsertOneRow(b->list, &b->rows[i], next);
        if (index < 0) continue;
        inserted++;
        b->lastIndex = index;
        next = index + 1;
    }
    if (lock) UnlockListRedraw(b->list);
    return inserted;
}

int InsertListRowsBatch(HWND list, ListRow* rows, int count)
{
    if (!rows || count <= 0) return 0;
    if (!list || !IsWindow(list)) {
        // A vanished list cannot take the records: release them rather than lose them.
        for (int i = 0; i < count; i++) DiscardListRow(&rows[i]);
        return 0;
    }
    BatchWork b = {list, rows, count, -1};
    return RunOnListThread(list, InsertBatchOnListThread, &b);
}

// InsertListRowsBatch for one row, answering the row's index.
static int InsertSingleRow(HWND list, ListRow* row)
{
    if (!list || !IsWindow(list)) {
        DiscardListRow(row);
        return -1;
    }
    BatchWork b = {list, row, 1, -1};
    return RunOnListThread(list, InsertBatchOnListThread, &b) == 1 ? b.lastIndex : -1;
}

int InsertListRow(HWND list, const ListRowTime* time, const char* displayName, const char* fullName,
                  List* folders, int64_t compressed, int64_t uncompressed)
{
    ListRow row;
    if (!BuildListRow(&row, time, displayName, fullName, folders, compressed, uncompressed)) return -1;
    return InsertSingleRow(list, &row);
}

int DeleteListRow(HWND list, int row)
{
    if (!list || row < 0) return 0;
    if (!SendMessageA(list, LVM_DELETEITEM, (WPARAM)row, 0)) return 0;
    List** found = FoundListOfView(list);
    if (found && *found) ShiftFoundListOnDelete(*found, row);
    return 1;
}

// The list being emptied by ClearList on this thread, and whether its parent took over the
// release of the records (AcknowledgeBulkClear).
static thread_local HWND gBulkClearList = nullptr;
static thread_local int gBulkClearTaken = 0;

int AcknowledgeBulkClear(HWND list)
{
    if (!list || list != gBulkClearList) return 0;
    gBulkClearTaken = 1;
    return 1;
}

static int ClearListOnListThread(void* context)
{
    HWND list = (HWND)context;
    // One delete notification per row costs a trip through the parent's window procedure for
    // each row: the records are collected first, and when the parent answers the delete-all
    // notification with AcknowledgeBulkClear the list deletes without them and the records are
    // released here. A parent that does not answer gets the notifications as before.
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    std::vector<liststruct*> records;
    records.reserve(rows > 0 ? (size_t)rows : 0);
    for (int row = 0; row < rows; row++) {
        LVITEMA item;
        std::memset(&item, 0, sizeof item);
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) && item.lParam) records.push_back((liststruct*)item.lParam);
    }
    HWND previousList = gBulkClearList;
    int previousTaken = gBulkClearTaken;
    gBulkClearList = list;
    gBulkClearTaken = 0;
    int ok = SendMessageA(list, LVM_DELETEALLITEMS, 0, 0) ? 1 : 0;
    int taken = gBulkClearTaken;
    gBulkClearList = previousList;
    gBulkClearTaken = previousTaken;
    if (taken)
        for (liststruct* record : records) ReleaseListStruct(record);
    return ok;
}

int ClearList(HWND list)
{
    if (!list) return 0;
    int ok = RunOnListThread(list, ClearListOnListThread, (void*)list);
    List** found = FoundListOfView(list);
    if (found && *found) ListDestroy(found);
    return ok;
}

int HandleListDeleteItem(const NMLISTVIEW* notification)
{
    if (!notification || !ReleaseListStruct((liststruct*)notification->lParam)) {
        LogPrint(3, GApp.verbose, "LVN_DELETEITEM: delete unsuccessful");
        return 0;
    }
    return 1;
}
