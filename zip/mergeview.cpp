// Merging the members just added to the open archive into the views (add_listing_to_list and
// do_listing_currentfile_in_list, see create.h).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/keys.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/strutil.h"
#include "ui/prompts.h"
#include "zip/create.h"
#include "zip/enginehooks.h"
#include "zip/ziphelper.h"

namespace {

const char kSource[] = "Kelvora";

char FormatSeparator(const char* who)
{
    switch (GCompressionMethod) {
    case CM_TAR: return '/';
    case CM_ZIP:
    case CM_ISO:
    case CM_RAR: return '\\';
    default:
        printf("%s: no compression method specified - assuming zip!!\n", who);
        return '\\';
    }
}

int LastRow(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) - 1;
}

void AddRowKeyToReadySet(const char* key)
{
    if (!TVRBTreeDataReady || !*key) return;
    char* copy = _strdup(key);
    if (!copy) return;
    LogPrint(8, GApp.verbose, "do_listing_currentfile_in_list inserting into TVRBTreeDataReady %s", key);
    if (!RBTreeInsert(TVRBTreeDataReady, copy, nullptr)) free(copy);
}

// The key prefix of the folder selected in the folder tree: "%3d*" and the folder's path with
// its trailing separator; for the root "  0*". 0 without a tree or a selection.
int SelectedFolderKeyPrefix(char separator, char* out, size_t outSize)
{
    HWND tree = GApp.hwndTree;
    if (!tree) return 0;
    HTREEITEM selected = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    HTREEITEM root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (!selected || !root) return 0;
    std::string path;
    int levels = 0;
    for (HTREEITEM item = selected; item && item != root;
         item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)item)) {
        char text[260] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
        path = std::string(text) + separator + path;
        ++levels;
    }
    // The trailing separator keeps folder "a\b" from claiming the members of "a\bc".
    snprintf(out, outSize, "%3d%s%s", levels, "*", path.c_str());
    return 1;
}

}  // namespace

int do_listing_currentfile_in_list(unzFile reader, int64_t* compressed, int64_t* uncompressed, int64_t* count,
                                   HWND targetView, List* addedNames, List* folders, const char* prefixPath)
{
    unz_file_info64 info;
    char name[257];
    int rc = ZipGetCurrentEntryInfo(reader, &info, name, sizeof name);
    if (rc != UNZ_R_OK) return rc;
    const char* base = ZipBaseName(name);
    int64_t entryCompressed = (int64_t)info.compressed_size, entryUncompressed = (int64_t)info.uncompressed_size;
    if (!*base) {
        *compressed += entryCompressed;
        *uncompressed += entryUncompressed;
        return rc;
    }
    char separator = FormatSeparator("do_listing_currentfile_in_list");
    ListNode* node = addedNames ? ListFind(addedNames, name) : nullptr;
    if (node && prefixPath && *prefixPath && targetView && targetView == GApp.hwndTreeList) {
        LogPrint(6, GApp.verbose, "do_listing_current_file_in_list: node found %s", name);
        if (GApp.verbose > 6) ListPrintAll(addedNames);
    }
    if (!node || !targetView) {
        if (!GApp.hwndList) printf("Should not happen - list is null yet!!! %s %d\n", kSource, __LINE__);
        *count += 1;
        *compressed += entryCompressed;
        *uncompressed += entryUncompressed;
        return rc;
    }

    char full[260];
    char display[260];
    CopyBounded(full, sizeof full, name);
    CopyBounded(display, sizeof display, base);
    if (GCompressionMethod != CM_TAR) {
        ReplaceChar(full, '/', '\\');
        ReplaceChar(display, '/', '\\');
    }
    ListRowTime when = {(int)info.tmu_date.tm_sec, (int)info.tmu_date.tm_min,  (int)info.tmu_date.tm_hour,
                        (int)info.tmu_date.tm_mday, (int)info.tmu_date.tm_mon, (int)info.tmu_date.tm_year};
    char key[260] = "";
    if (targetView == GApp.hwndTreeList) {
        // The folder view shows the added path below the receiving folder; the flat list keeps
        // its name and path columns, from which the folder tree is rebuilt.
        char treeDisplay[260];
        CopyBounded(treeDisplay, sizeof treeDisplay, display);
        if (prefixPath && *prefixPath) {
            char prefix[260];
            CopyBounded(prefix, sizeof prefix, prefixPath);
            ReplaceChar(prefix, GCompressionMethod == CM_TAR ? '\\' : '/', separator);
            size_t n = strlen(prefix);
            while (n > 0 && prefix[n - 1] == separator) prefix[--n] = '\0';
            const char* rest = StripPrefix(full, prefix, separator);
            if (rest) {
                if (*rest == separator) ++rest;
                if (*rest) CopyBounded(treeDisplay, sizeof treeDisplay, rest);
            }
        }
        InsertListRow(targetView, &when, treeDisplay, full, nullptr, entryCompressed, entryUncompressed);
        if (GApp.hwndList) {
            InsertListRow(GApp.hwndList, &when, display, full, folders, entryCompressed, entryUncompressed);
            int row = LastRow(GApp.hwndList);
            GetValuesFromList(GApp.hwndList, key, sizeof key, row);
            char columns[8][260];
            ReadListColumns(GApp.hwndList, row, columns);
            AddRowKeyToReadySet(key);
            GApp.treeListTotals.rows += 1;
            GApp.treeListTotals.compressed += atoi(columns[2]);
            GApp.treeListTotals.uncompressed += atoi(columns[3]);
        }
    } else {
        InsertListRow(targetView, &when, display, full, folders, entryCompressed, entryUncompressed);
        GetValuesFromList(targetView, key, sizeof key, LastRow(targetView));
        if (TVRBTreeDataReady && TVRBTreeDataReady->count > 0) {
            AddRowKeyToReadySet(key);
            char folderKey[300];
            if (SelectedFolderKeyPrefix(separator, folderKey, sizeof folderKey)) {
                HTREEITEM selected = (HTREEITEM)SendMessageA(GApp.hwndTree, TVM_GETNEXTITEM, TVGN_CARET, 0);
                HTREEITEM root = (HTREEITEM)SendMessageA(GApp.hwndTree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
                int show = selected == root ? StartsWith(key, "  0*", 0) : StartsWith(key, folderKey, 0);
                if (show && GZipCreateHooks.insertIntoTreeList) GZipCreateHooks.insertIntoTreeList(key);
            }
        }
    }
    ListFindAndRemove(addedNames, name);
    *count += 1;
    *compressed += entryCompressed;
    *uncompressed += entryUncompressed;
    return rc;
}

int add_listing_to_list(unzFile reader, const char* archivePath, HWND targetView, List* addedNames, List* folders,
                        const char* prefixPath)
{
    LogPrint(5, GApp.verbose, "add_listing_to_list: prefix %s", prefixPath ? prefixPath : "");
    if (!reader) {
        char text[400];
        snprintf(text, sizeof text, "add_listing_to_list: error: (3) %s cannot be opened", archivePath ? archivePath : "");
        PromptMessageBox(GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow(), text, GetMessageText(94),
                         MB_OK | MB_ICONSTOP | MB_TOPMOST);
        return -1;
    }
    unz_global_info64 gi = {};
    int rc = unzGetGlobalInfo64(reader, &gi);
    if (rc != UNZ_OK)
        LogPrint(1, GApp.verbose, "add_listing_to_list: error %d with zipfile in unzGetGlobalInfo", UnzResultFromLibrary(rc));
    GApp.listTotals = ArchiveTotals{0, 0, 0};
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    int64_t count = 0, compressed = 0, uncompressed = 0;
    if (gi.number_entry > 0 && unzGoToFirstFile(reader) == UNZ_OK) {
        for (uint64_t i = 0; i < gi.number_entry; ++i) {
            do_listing_currentfile_in_list(reader, &compressed, &uncompressed, &count, targetView, addedNames, folders,
                                           prefixPath);
            if (i + 1 < gi.number_entry) {
                rc = unzGoToNextFile(reader);
                if (rc != UNZ_OK) {
                    LogPrint(1, GApp.verbose, "add_listing_to_list: error %d with zipfile in unzGoToNextFile",
                             UnzResultFromLibrary(rc));
                    break;
                }
            }
        }
    }
    GApp.listTotals.rows = count;
    GApp.listTotals.compressed = compressed;
    GApp.listTotals.uncompressed = uncompressed;
    SetCursor(previous);
    if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
    if (GZipHooks.showTotals) {
        const ArchiveTotals& t = targetView && targetView == GApp.hwndTreeList ? GApp.treeListTotals : GApp.listTotals;
        GZipHooks.showTotals(t.rows, t.compressed, t.uncompressed);
    }
    return 0;
}
