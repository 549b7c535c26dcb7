#include "model/keys.h"

#include <commctrl.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "config/log.h"
#include "model/appstate.h"
#include "model/compare.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/strutil.h"

static const char* Text(const char* s)
{
    return s ? s : "";
}

int RowKeyDepth(const char* pathColumn, char separator)
{
    return CountChar(pathColumn, separator);
}

int RowKey(char* out, size_t outSize, const char* const columns[8], char separator)
{
    if (!out || outSize == 0) return 0;
    snprintf(out, outSize, "%3d*%s%s*%s*%s*%s*%s*%s*%s", RowKeyDepth(columns[7], separator), Text(columns[7]),
             Text(columns[0]), Text(columns[1]), Text(columns[2]), Text(columns[3]), Text(columns[4]),
             Text(columns[5]), Text(columns[6]));
    return 1;
}

int MemberString(char* out, size_t outSize, const char* const columns[8])
{
    if (!out || outSize == 0) return 0;
    snprintf(out, outSize, "%s%s*%s*%s*%s*%s*%s*%s", Text(columns[7]), Text(columns[0]), Text(columns[1]),
             Text(columns[2]), Text(columns[3]), Text(columns[4]), Text(columns[5]), Text(columns[6]));
    return 1;
}

int FolderKey(char* out, size_t outSize, int level, const char* folderPath)
{
    if (!out || outSize == 0) return 0;
    snprintf(out, outSize, "%3d*%s", level, Text(folderPath));
    return 1;
}

int PathKey(char* out, size_t outSize, const char* text, char separator)
{
    if (!out || outSize == 0) return -1;
    out[0] = '\0';
    if (!text) return -1;
    // Only the name counts: the column texts after the first '*' may hold the separator
    // themselves (a date such as 1/2/2024 in a tar archive's keys).
    int components = 0;
    int inComponent = 0;
    for (const char* p = text; *p && *p != '*'; p++) {
        if (*p == separator) inComponent = 0;
        else if (!inComponent) {
            inComponent = 1;
            components++;
        }
    }
    if (components == 0) return -1;
    snprintf(out, outSize, "%3d*%s", components - 1, text);
    return components - 1;
}

int ReadListColumns(HWND listView, int row, char (*columns)[260])
{
    for (int c = 0; c < 8; c++) columns[c][0] = '\0';
    if (!listView || row < 0 || row >= (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0)) return 0;
    for (int c = 0; c < 8; c++) {
        LVITEMA item;
        std::memset(&item, 0, sizeof item);
        item.iSubItem = c;
        item.pszText = columns[c];
        item.cchTextMax = 260;
        SendMessageA(listView, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        columns[c][259] = '\0';
    }
    return 1;
}

int GetValuesFromList(HWND listView, char* out, size_t outSize, int row)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    char columns[8][260];
    if (!ReadListColumns(listView, row, columns)) return 0;
    const char* texts[8];
    for (int c = 0; c < 8; c++) texts[c] = columns[c];
    return RowKey(out, outSize, texts, FormatSeparator("GetValuesFromList"));
}

// ---------------------------------------------------------------------------------------------
// The five key trees

static RBTree** const kKeyTrees[] = {&TVRBTreeFolder, &TVRBTreeMembers, &TVRBTreePaths, &TVRBTreeDataReady,
                                     &TVRBTreeCombo};

int DestroyKeyTrees(void)
{
    int existed = 0;
    for (RBTree** tree : kKeyTrees) {
        if (*tree) {
            existed++;
            RBTreeDestroy(tree);
        }
    }
    return existed;
}

int CreateKeyTrees(void)
{
    DestroyKeyTrees();
    for (RBTree** tree : kKeyTrees) {
        *tree = RBTreeCreateStrings();
        if (!*tree) {
            DestroyKeyTrees();
            return 0;
        }
    }
    return 1;
}

// Inserts a copy of key; 1 on success.
static int InsertCopy(RBTree* tree, const char* key)
{
    char* copy = DupBounded(260, key);
    if (!copy) return 0;
    if (!RBTreeInsert(tree, copy, nullptr)) {
        std::free(copy);
        return 0;
    }
    return 1;
}

static int InsertCopyUnlessPresent(RBTree* tree, const char* key)
{
    if (RBTreeSearch(tree, key)) return 1;
    return InsertCopy(tree, key);
}

// ---------------------------------------------------------------------------------------------
// Stage timings

void MarkRebuildStage(KeyTreeRebuildTimes* times, int stage)
{
    if (!times || stage < 0 || stage >= 7) return;
    DWORD now = GetTickCount();
    if (times->start == 0) times->start = now ? now : 1;
    times->ms[stage] = (int)(now - times->start);
}

void LogRebuildTimes(const KeyTreeRebuildTimes* times)
{
    if (!times) return;
    LogPrint(6, GApp.verbose, "time measure %d %d %d %d %d %d %d", times->ms[0], times->ms[1], times->ms[2],
             times->ms[3], times->ms[4], times->ms[5], times->ms[6]);
}

// ---------------------------------------------------------------------------------------------
// Rows gathered for a rebuild

struct KeyRows {
    std::string arena;         // for each row: path "\0" member string "\0"
    std::vector<size_t> rows;  // offset of each row's path in arena
    // The four filled trees once BuildKeyRowTrees has run (owned here until installed).
    RBTree* paths = nullptr;
    RBTree* members = nullptr;
    RBTree* folders = nullptr;
    RBTree* ready = nullptr;
    int built = 0;             // 1 built, -1 failed (no memory), 0 not yet
    KeyTreeRebuildTimes times = {};
    HANDLE builder = nullptr;  // thread running BuildKeyRowTrees, when started
};

static void WaitForBuilder(KeyRows* rows)
{
    if (!rows || !rows->builder) return;
    WaitForSingleObject(rows->builder, INFINITE);
    CloseHandle(rows->builder);
    rows->builder = nullptr;
}

static void DestroyBuiltTrees(KeyRows* rows)
{
    RBTree** trees[] = {&rows->paths, &rows->members, &rows->folders, &rows->ready};
    for (RBTree** tree : trees)
        if (*tree) RBTreeDestroy(tree);
    rows->built = 0;
}

KeyRows* CreateKeyRows(void)
{
    return new (std::nothrow) KeyRows();
}

void DestroyKeyRows(KeyRows** rows)
{
    if (!rows || !*rows) return;
    WaitForBuilder(*rows);
    DestroyBuiltTrees(*rows);
    delete *rows;
    *rows = nullptr;
}

int AddKeyRow(KeyRows* rows, const char* path, const char* member)
{
    if (!rows || rows->built || rows->builder) return 0;
    rows->rows.push_back(rows->arena.size());
    rows->arena.append(Text(path));
    rows->arena.push_back('\0');
    rows->arena.append(Text(member));
    rows->arena.push_back('\0');
    return 1;
}

int AddKeyRowFromRecord(KeyRows* rows, const liststruct* record, const char* dateText)
{
    if (!rows || !record) return 0;
    char compressed[32], uncompressed[32];
    snprintf(compressed, sizeof compressed, "%" PRId64, record->compressed);
    snprintf(uncompressed, sizeof uncompressed, "%" PRId64, record->uncompressed);
    const char* texts[8] = {record->filename, "", compressed, uncompressed, record->rate, dateText,
                            record->type, record->path};
    char member[260];
    MemberString(member, sizeof member, texts);
    return AddKeyRow(rows, record->path, member);
}

int KeyRowCount(const KeyRows* rows)
{
    return rows ? (int)rows->rows.size() : 0;
}

// ---------------------------------------------------------------------------------------------
// Reading the rows of a list: on the list's thread, a chunk of rows per message, so that the
// window stays responsive and a worker pays one round trip per chunk instead of eight per row.

static const int kRowsPerChunk = 4096;

struct RowSnapshot {
    HWND list;
    int first;
    int count;
    KeyRows* rows;
};

// A row's eight column texts. Rows built by InsertListRow carry the texts of columns 0, 2, 3, 4,
// 6 and 7 in their record as well (column 1 stays empty): only the date is read from the list,
// two messages per row instead of eight.
static void ReadRowTexts(HWND list, int row, char (*columns)[260])
{
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = row;
    const liststruct* record = SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) ? (const liststruct*)item.lParam
                                                                                 : nullptr;
    if (!record || !record->filename || !record->path || !record->rate || !record->type) {
        ReadListColumns(list, row, columns);
        return;
    }
    snprintf(columns[0], 260, "%s", record->filename);
    columns[1][0] = '\0';
    snprintf(columns[2], 260, "%" PRId64, record->compressed);
    snprintf(columns[3], 260, "%" PRId64, record->uncompressed);
    snprintf(columns[4], 260, "%s", record->rate);
    std::memset(&item, 0, sizeof item);
    item.iSubItem = 5;
    item.pszText = columns[5];
    item.cchTextMax = 260;
    columns[5][0] = '\0';
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    columns[5][259] = '\0';
    snprintf(columns[6], 260, "%s", record->type);
    snprintf(columns[7], 260, "%s", record->path);
}

static int ReadRowChunk(void* context)
{
    RowSnapshot* s = (RowSnapshot*)context;
    int total = (int)SendMessageA(s->list, LVM_GETITEMCOUNT, 0, 0);
    int read = 0;
    char columns[8][260];
    const char* texts[8];
    for (int c = 0; c < 8; c++) texts[c] = columns[c];
    char member[260];
    for (int row = s->first; row < total && read < s->count; row++, read++) {
        ReadRowTexts(s->list, row, columns);
        MemberString(member, sizeof member, texts);
        AddKeyRow(s->rows, columns[7], member);
    }
    return read;
}

int ReadKeyRowsFromList(HWND list, KeyRows* rows)
{
    if (!list || !rows) return 0;
    RowSnapshot snapshot;
    snapshot.list = list;
    snapshot.count = kRowsPerChunk;
    snapshot.rows = rows;
    int read = 0;
    for (snapshot.first = 0;; snapshot.first += kRowsPerChunk) {
        int got = RunOnListThread(list, ReadRowChunk, &snapshot);
        read += got;
        if (got < kRowsPerChunk) break;
    }
    return read;
}

// ---------------------------------------------------------------------------------------------
// Building the trees

int BuildKeyRowTrees(KeyRows* rows)
{
    if (!rows) return -1;
    if (rows->built) return rows->built;
    KeyTreeRebuildTimes* times = &rows->times;
    if (times->start == 0) {
        times->start = GetTickCount();
        if (times->start == 0) times->start = 1;
    }
    const char separator = FormatSeparator("SynchronizeTreeViewThread");
    rows->paths = RBTreeCreateStrings();
    rows->members = RBTreeCreateStrings();
    rows->folders = RBTreeCreateStrings();
    rows->ready = RBTreeCreateStrings();
    if (!rows->paths || !rows->members || !rows->folders || !rows->ready) {
        DestroyBuiltTrees(rows);
        rows->built = -1;
        return -1;
    }
    MarkRebuildStage(times, 1);

    for (size_t offset : rows->rows) {
        const char* path = rows->arena.c_str() + offset;
        const char* member = path + std::strlen(path) + 1;
        if (!RBTreeSearch(rows->paths, path)) {
            InsertCopy(rows->paths, path);
            InsertCopy(rows->members, path);
        }
        InsertCopy(rows->members, member);
    }
    MarkRebuildStage(times, 2);

    RBTreeNode* nil = rows->paths->nil;
    for (RBTreeNode* node = RBTreeFirst(rows->paths); node && node != nil; node = RBTreeSuccessor(rows->paths, node)) {
        const char* path = (const char*)node->key;
        char prefix[260] = "";
        size_t used = 0;
        int level = 0;
        for (const char* p = path; *p;) {
            const char* end = std::strchr(p, separator);
            size_t length = end ? (size_t)(end - p) : std::strlen(p);
            if (length > 0) {
                // Join the component to the prefix, cut at the buffer's end.
                if (used > 0 && used + 1 < sizeof prefix) prefix[used++] = separator;
                size_t room = sizeof prefix - 1 - used;
                size_t take = length < room ? length : room;
                std::memcpy(prefix + used, p, take);
                used += take;
                prefix[used] = '\0';
                char key[260];
                FolderKey(key, sizeof key, level, prefix);
                LogPrint(9, GApp.verbose,
                         level == 0 ? "SynchronizeTreeViewThread: inserting(1) into TVRBTreeFolder %s"
                                    : "SynchronizeTreeViewThread: inserting(2) into TVRBTreeFolder %s",
                         key);
                InsertCopyUnlessPresent(rows->folders, key);
                level++;
            }
            if (!end) break;
            p = end + 1;
        }
    }
    MarkRebuildStage(times, 3);

    nil = rows->members->nil;
    for (RBTreeNode* node = RBTreeFirst(rows->members); node && node != nil;
         node = RBTreeSuccessor(rows->members, node)) {
        char key[260];
        // The empty top-level path has no component and gets no key: a depth of -1 would sort
        // among the deepest keys.
        if (PathKey(key, sizeof key, (const char*)node->key, separator) < 0) continue;
        LogPrint(9, GApp.verbose,
                 GCompressionMethod == CM_TAR ? "SynchronizeTreeViewThread: inserting(1) into TVRBTreeDataReady %s"
                                              : "SynchronizeTreeViewThread: inserting(2) into TVRBTreeDataReady %s",
                 key);
        InsertCopy(rows->ready, key);
    }
    MarkRebuildStage(times, 4);
    rows->built = 1;
    return 1;
}

static DWORD WINAPI BuildKeyRowTreesThread(LPVOID param)
{
    BuildKeyRowTrees((KeyRows*)param);
    return 0;
}

int StartBuildingKeyRowTrees(KeyRows* rows)
{
    if (!rows || rows->built || rows->builder) return 0;
    rows->builder = CreateThread(nullptr, 0, BuildKeyRowTreesThread, rows, 0, nullptr);
    return rows->builder ? 1 : 0;
}

int InstallKeyRowTrees(KeyRows* rows, KeyTreeRebuildTimes* times)
{
    if (!rows) return -1;
    WaitForBuilder(rows);
    if (BuildKeyRowTrees(rows) < 0) {
        DestroyKeyTrees();
        return -1;
    }
    DestroyKeyTrees();
    TVRBTreeCombo = RBTreeCreateStrings();
    if (!TVRBTreeCombo) {
        DestroyBuiltTrees(rows);
        return -1;
    }
    TVRBTreePaths = rows->paths;
    TVRBTreeMembers = rows->members;
    TVRBTreeFolder = rows->folders;
    TVRBTreeDataReady = rows->ready;
    rows->paths = rows->members = rows->folders = rows->ready = nullptr;
    rows->built = 0;
    if (times) {
        // The stages ran earlier, maybe on another thread: report their lengths from this start.
        if (times->start == 0) MarkRebuildStage(times, 0);
        int base = times->ms[0];
        for (int stage = 1; stage <= 4; stage++)
            times->ms[stage] = base + (rows->times.ms[stage] - rows->times.ms[0]);
    }
    return (int)rows->rows.size();
}

int RebuildKeyTreesFromList(HWND list, KeyTreeRebuildTimes* times)
{
    KeyRows* rows = CreateKeyRows();
    if (!rows) {
        DestroyKeyTrees();
        return -1;
    }
    if (times && times->start) rows->times = *times;
    if (list) ReadKeyRowsFromList(list, rows);
    int result = InstallKeyRowTrees(rows, nullptr);
    if (times) {
        if (times->start == 0) times->start = rows->times.start;
        for (int stage = 1; stage <= 4; stage++) times->ms[stage] = rows->times.ms[stage];
    }
    DestroyKeyRows(&rows);
    return result;
}
