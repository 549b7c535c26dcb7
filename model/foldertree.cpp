#include "model/foldertree.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "formats/formatops.h"
#include "model/appstate.h"
#include "model/compare.h"
#include "model/datecolumn.h"
#include "model/keys.h"
#include "model/list.h"
#include "model/listview.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/search.h"
#include "model/strutil.h"
#include "model/zipentry.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/listing.h"
#include "zip/modify.h"

namespace {

std::atomic<int> gTreeListFilling{0};
std::atomic<int> gFolderWorkSynchronous{0};
int gComboFolderIcon = 0;
HIMAGELIST gSystemSmallIcons = nullptr;

// Rows travel to TreeList in batches of this many: one message per batch.
const int kTreeListBatch = 2048;

// ---------------------------------------------------------------------------------------------
// Small helpers

HWND TimerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GApp.hwndTree;
}

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

// Runs work on the thread of window (the window thread); directly when there is no window.
int OnWindowThread(HWND window, int (*work)(void*), void* context)
{
    return RunOnListThread(window, work, context);
}

int LevelOfKey(const char* key)
{
    return key ? std::atoi(key) : -1;
}

// The text after the first '*' of a key ("" when there is none).
const char* AfterStar(const char* key)
{
    const char* star = key ? std::strchr(key, '*') : nullptr;
    return star ? star + 1 : "";
}

// The member name of a key: the text between the first and the second '*'.
std::string NameOfKey(const char* key)
{
    const char* name = AfterStar(key);
    const char* end = std::strchr(name, '*');
    return end ? std::string(name, end) : std::string(name);
}

// First node whose key starts with prefix, in key order; null when none. Reads the tree only:
// keys that start with a prefix are the contiguous run of keys from the prefix on.
RBTreeNode* FirstNodeWithPrefix(RBTree* tree, const char* prefix)
{
    if (!tree || !prefix) return nullptr;
    RBTreeNode* nil = tree->nil;
    RBTreeNode* best = nullptr;
    for (RBTreeNode* x = tree->root->left; x != nil;) {
        if (std::strcmp((const char*)x->key, prefix) >= 0) {
            best = x;
            x = x->left;
        } else {
            x = x->right;
        }
    }
    return best && StartsWith((const char*)best->key, prefix, 0) ? best : nullptr;
}

RBTreeNode* LastNode(RBTree* tree)
{
    if (!tree || tree->root->left == tree->nil) return nullptr;
    RBTreeNode* x = tree->root->left;
    while (x->right != tree->nil) x = x->right;
    return x;
}

int InsertKeyCopy(RBTree* tree, const char* key)
{
    if (!tree || !key) return 0;
    char* copy = DupBounded(260, key);
    if (!copy) return 0;
    if (!RBTreeInsert(tree, copy, nullptr)) {
        std::free(copy);
        return 0;
    }
    return 1;
}

int DeleteKey(RBTree* tree, const char* key)
{
    RBTreeNode* node = tree ? RBTreeSearch(tree, key) : nullptr;
    if (!node) return 0;
    RBTreeDelete(tree, node);
    return 1;
}

std::string ItemLabel(HWND tree, HTREEITEM item)
{
    char text[260] = "";
    TVITEMA tv;
    std::memset(&tv, 0, sizeof tv);
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    text[sizeof text - 1] = '\0';
    return text;
}

HTREEITEM ChildWithLabel(HWND tree, HTREEITEM parent, const char* label)
{
    for (HTREEITEM child = TreeView_GetChild(tree, parent); child; child = TreeView_GetNextSibling(tree, child))
        if (ItemLabel(tree, child) == label) return child;
    return nullptr;
}

// The shell's small folder icons, asked once (a shell query costs about half a millisecond).
int FolderIconIndex(int open)
{
    static std::atomic<int> cached[2] = {{-1}, {-1}};
    int known = cached[open ? 1 : 0].load();
    if (known >= 0) return known;
    SHFILEINFOA info;
    std::memset(&info, 0, sizeof info);
    UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0);
    DWORD_PTR list = SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags);
    if (list && !gSystemSmallIcons) gSystemSmallIcons = (HIMAGELIST)list;
    if (list) cached[open ? 1 : 0].store(info.iIcon);
    return list ? info.iIcon : 0;
}

HTREEITEM AddTreeItem(HWND tree, HTREEITEM parent, const char* label, int image, int selectedImage)
{
    TVINSERTSTRUCTA insert;
    std::memset(&insert, 0, sizeof insert);
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = (char*)label;
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
}

// Items of folders already in the tree by path (a rebuild adds thousands of folders; looking
// each parent up by label among its siblings would cost quadratic time).
struct FolderItemCache {
    std::unordered_map<std::string, HTREEITEM> items;
};

HTREEITEM InsertFolderKey(HTREEITEM root, const char* folderKey, FolderItemCache* cache)
{
    HWND tree = GApp.hwndTree;
    int level = LevelOfKey(folderKey);
    LogPrint(6, GApp.verbose, "InsertRBTreeFolderIntoTree %d %s", level, folderKey ? folderKey : "");
    if (!tree || !root || !folderKey || level < 0 || !std::strchr(folderKey, '*')) return nullptr;
    const char separator = FormatSeparator("InsertRBTreeFolderIntoTree");
    std::string path = AfterStar(folderKey);
    HTREEITEM current = root;
    std::string prefix;
    int index = 0;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(separator, start);
        if (end == std::string::npos) end = path.size();
        std::string component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty()) {
            if (end == path.size()) break;
            continue;
        }
        if (!prefix.empty()) prefix.push_back(separator);
        prefix += component;
        HTREEITEM found = nullptr;
        if (cache) {
            auto it = cache->items.find(prefix);
            if (it != cache->items.end()) found = it->second;
        }
        if (!found && (!cache || index < level)) found = ChildWithLabel(tree, current, component.c_str());
        if (!found) {
            if (index != level) return nullptr;
            LogPrint(6, GApp.verbose, "InsertRBTreeFolderIntoTree: AddItemToTree %s %d %d %d", component.c_str(), level,
                     index, (int)path.size());
            found = AddTreeItem(tree, current, component.c_str(), FolderIconIndex(0), FolderIconIndex(1));
            if (!found) return nullptr;
        }
        if (cache) cache->items[prefix] = found;
        current = found;
        if (index == level) return current;
        index++;
        if (end == path.size()) break;
    }
    return index > level ? current : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Window-thread work of the rebuild

int ClearFolderViewsOnWindowThread(void*)
{
    if (GApp.hwndTree) TreeView_DeleteAllItems(GApp.hwndTree);
    if (GApp.hwndTreeList) ClearList(GApp.hwndTreeList);
    ResetPathCombo();
    return 1;
}

struct FillWork {
    const char* archiveName;
    KeyTreeRebuildTimes* times;
};

int FillComboAndTreeOnWindowThread(void* context)
{
    FillWork* work = (FillWork*)context;
    if (GApp.hwndPathCombo) AddItemsToCombo(GApp.hwndPathCombo, TVRBTreeFolder);
    MarkRebuildStage(work->times, 5);
    HWND tree = GApp.hwndTree;
    if (tree && TVRBTreeFolder) {
        SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
        char type[260];
        int archiveIcon = 0;
        LookupShellType(work->archiveName, type, sizeof type, &archiveIcon);
        HTREEITEM root = AddTreeItem(tree, TVI_ROOT, work->archiveName, archiveIcon, archiveIcon);
        FolderItemCache cache;
        RBTreeNode* nil = TVRBTreeFolder->nil;
        for (RBTreeNode* node = RBTreeFirst(TVRBTreeFolder); root && node && node != nil;
             node = RBTreeSuccessor(TVRBTreeFolder, node))
            InsertFolderKey(root, (const char*)node->key, &cache);
        if (root) TreeView_Expand(tree, root, TVE_EXPAND);
        SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
    MarkRebuildStage(work->times, 6);
    return 1;
}

int SelectRootOnWindowThread(void*)
{
    HWND tree = GApp.hwndTree;
    HTREEITEM root = tree ? TreeView_GetRoot(tree) : nullptr;
    if (!root) return 0;
    if (TreeView_GetSelection(tree) == root) {
        // Selecting the selected item again sends no notification.
        HandleFolderSelection(root);
        return 1;
    }
    return TreeView_SelectItem(tree, root) ? 1 : 0;
}

// Takes GApp.busy: at once on the window thread, else waiting up to 30 s for it.
int TakeBusyForRebuild(void)
{
    HWND window = GApp.hwndTree ? GApp.hwndTree : GApp.hwndList;
    bool onWindowThread = !window || GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    for (int waited = 0;; waited += 10) {
        if (BeginViewBusy()) return 1;
        if (onWindowThread || waited >= 30000) return 0;
        Sleep(10);
    }
}

// ---------------------------------------------------------------------------------------------
// TreeList rows from keys

// The fields of a key, split at '*' with empty fields skipped: depth, full name, compressed,
// uncompressed, rate, date, type.
bool SplitKey(const char* key, std::vector<std::string>* fields)
{
    fields->clear();
    std::string current;
    for (const char* p = key;; p++) {
        if (*p == '*' || *p == '\0') {
            if (!current.empty()) fields->push_back(current);
            current.clear();
            if (!*p) break;
        } else {
            current.push_back(*p);
        }
    }
    return fields->size() >= 2;
}

struct TreeListRowResult {
    int isRow;        // 1 when a row was built
    int64_t compressed;
    int64_t uncompressed;
};

// Builds the TreeList row of a ready key. A sub-folder key builds none.
TreeListRowResult BuildTreeListRow(const char* key, ListRow* row)
{
    TreeListRowResult result = {0, 0, 0};
    std::vector<std::string> fields;
    if (!key || !SplitKey(key, &fields)) return result;
    const std::string& full = fields[1];
    const char separator = FormatSeparator("InsertIntoTreeList");
    size_t last = full.rfind(separator);
    std::string display = last == std::string::npos ? full : full.substr(last + 1);
    // Sizes as 64-bit numbers: members of 2 GB and more keep their size.
    result.compressed = fields.size() > 2 ? std::strtoll(fields[2].c_str(), nullptr, 10) : 0;
    result.uncompressed = fields.size() > 3 ? std::strtoll(fields[3].c_str(), nullptr, 10) : 0;
    if (display.empty()) return result;
    SYSTEMTIME when;
    if (fields.size() > 5 && !ParseDateColumnText(fields[5].c_str(), &when))
        LogPrint(3, GApp.verbose, "InsertIntoTreeList: cannot read the date %s", fields[5].c_str());
    else if (fields.size() <= 5)
        std::memset(&when, 0, sizeof when);
    ListRowTime time = {0, (int)when.wMinute, (int)when.wHour, (int)when.wDay, (int)when.wMonth - 1, (int)when.wYear};
    if (!BuildListRow(row, &time, display.c_str(), full.c_str(), nullptr, result.compressed, result.uncompressed))
        return result;
    result.isRow = 1;
    return result;
}

// The first row gets the keyboard focus only: a row the user did not choose is never selected,
// so that Extract and Delete act on nothing but the user's own selection.
int FocusFirstRowOnListThread(void* context)
{
    HWND view = (HWND)context;
    if (SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) <= 0) return 0;
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(view, LVM_SETITEMSTATE, 0, (LPARAM)&item);
    SendMessageA(view, LVM_ENSUREVISIBLE, 0, FALSE);
    return 1;
}

void EndFolderChange(char* key)
{
    EndViewBusy();
    std::free(key);
    LogPrint(-1, GApp.verbose, "setting TVNSem to false");
    LeaveBusy(GApp.TVNSem);
}

// ---------------------------------------------------------------------------------------------
// The combo

// Empties the text shown in the path combo's edit field: taking the selection away does not
// always clear it, and the text names the folder files are added to.
void ClearPathComboText(HWND combo)
{
    HWND edit = (HWND)SendMessageA(combo, CBEM_GETEDITCONTROL, 0, 0);
    if (edit) SetWindowTextA(edit, "");
    SetWindowTextA(combo, "");
}

int ResetComboOnWindowThread(void*)
{
    HWND combo = GApp.hwndPathCombo;
    if (!combo) return 0;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    // CB_SETCURSEL answers CB_ERR for "no selection" by design; only an item left selected
    // is a failure.
    SendMessageA(combo, CB_SETCURSEL, (WPARAM)-1, 0);
    if (SendMessageA(combo, CB_GETCURSEL, 0, 0) != CB_ERR)
        LogPrint(-1, GApp.verbose, "error setting combo value %s %d\n", "Kelvora", __LINE__);
    ClearPathComboText(combo);
    return 1;
}

int RemoveComboPath(HWND combo, const char* path)
{
    if (!combo || !path) return 0;
    int index = (int)SendMessageA(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)path);
    if (index == CB_ERR) {
        LogPrint(2, GApp.verbose, "Cannot delete from Combobox %s", path);
        return 0;
    }
    LogPrint(5, GApp.verbose, "delete from Combobox %s", path);
    SendMessageA(combo, CBEM_DELETEITEM, (WPARAM)index, 0);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Emptied folders

// Deletes item when it holds nothing any more, then looks at its parent the same way.
int DeleteFolderIfEmpty(HWND tree, HTREEITEM item, int removeFromCombo)
{
    HTREEITEM root = TreeView_GetRoot(tree);
    if (!item || item == root) return 0;
    char key[4096];
    ChildrenKey(item, key, sizeof key);
    LogPrint(7, GApp.verbose, "TreeDeleteEmpty acting on path: %s %d", key, LevelOfKey(key));
    if (RBTreeNode* node = FirstNodeWithPrefix(TVRBTreeDataReady, key)) {
        LogPrint(8, GApp.verbose, "TreeDeleteEmpty: found node: %s", (const char*)node->key);
        LogPrint(6, GApp.verbose, "TreeDeleteEmpty: has entries: %s %d", key, LevelOfKey(key));
        return 0;
    }
    LogPrint(6, GApp.verbose, "!!TreeDeleteEmpty: should delete: %s %d\n", key, LevelOfKey(key));
    char own[4096];
    TreeViewGetPath(item, own, sizeof own, 1, 1);
    if (!DeleteKey(TVRBTreeDataReady, own))
        LogPrint(1, GApp.verbose, "TreeDeleteEmpty node not found TVRBTreeDataReady cannot delete!");
    char path[4096];
    int levels = TreeViewGetPath(item, path, sizeof path, 0, 0);
    size_t length = std::strlen(path);
    if (length > 0) path[length - 1] = '\0';
    char folderKey[4200];
    FolderKey(folderKey, sizeof folderKey, levels - 1, path);
    DeleteKey(TVRBTreeFolder, folderKey);
    DeleteKey(TVRBTreeCombo, path);
    if (removeFromCombo) RemoveComboPath(GApp.hwndPathCombo, path);
    HTREEITEM parent = TreeView_GetParent(tree, item);
    TreeView_DeleteItem(tree, item);
    return 1 + DeleteFolderIfEmpty(tree, parent, removeFromCombo);
}

// ---------------------------------------------------------------------------------------------
// Moving, deleting and renaming folders

enum FolderWorkKind { FOLDER_MOVE, FOLDER_DELETE, FOLDER_RENAME };

struct FolderWork {
    int kind;
    char archive[260];
    char oldPath[260];        // folder path without trailing separator
    char newPath[260];        // its new path (move and rename)
    int wasSelected;
    std::vector<std::pair<std::string, std::string>> keys;  // ready key -> new ready key
    // The folder and its sub-folders as directory-entry names (trailing separator) -> their
    // new names (empty for a delete): the archive's own entries of these folders go with them.
    std::vector<std::pair<std::string, std::string>> folders;
    int result;
};

const char* WorkName(const FolderWork* work)
{
    return work->kind == FOLDER_RENAME ? "UpdateTreeViewEditThread" : "UpdateTreeViewDragOrDeleteThread";
}

// Every ready key below the folder path, from the folder's own level down.
void CollectFolderKeys(const char* folderPath, int ownLevel, std::vector<std::string>* keys)
{
    RBTreeNode* last = LastNode(TVRBTreeDataReady);
    if (!last) {
        LogPrint(1, GApp.verbose, "UpdateTreeViewDragOrDelete error: cannot get deep of tree!");
        return;
    }
    int maxDepth = LevelOfKey((const char*)last->key);
    char separator = FormatSeparator("UpdateTreeViewDragOrDelete");
    for (int depth = ownLevel; depth <= maxDepth; depth++) {
        char prefix[600];
        snprintf(prefix, sizeof prefix, "%3d*%s%c", depth, folderPath, separator);
        if (keys->empty()) LogPrint(6, GApp.verbose, "UpdateTreeViewDragOrDelete: nothing found yet will try it with: %s", prefix);
        for (RBTreeNode* node = FirstNodeWithPrefix(TVRBTreeDataReady, prefix);
             node && node != TVRBTreeDataReady->nil && StartsWith((const char*)node->key, prefix, 0);
             node = RBTreeSuccessor(TVRBTreeDataReady, node))
            keys->push_back((const char*)node->key);
    }
    if (keys->empty()) LogPrint(6, GApp.verbose, "UpdateTreeViewDragOrDelete: nothing found - giving up\n--%s--", folderPath);
}

// New path of a row's member (its path column) after the folder work; "" when it is not below
// the folder.
bool RelocatedPath(const FolderWork* work, const char* rowPath, std::string* newRowPath)
{
    char separator = FormatSeparator(nullptr);
    std::string old = std::string(work->oldPath) + separator;
    if (!StartsWith(rowPath, old.c_str(), 0)) return false;
    *newRowPath = std::string(work->newPath) + separator + (rowPath + old.size());
    return true;
}

struct RowsWork {
    FolderWork* work;
    HWND view;
    ArchiveTotals removed;
};

int RelocateRowsOnListThread(void* context)
{
    RowsWork* rows = (RowsWork*)context;
    HWND view = rows->view;
    int count = (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
    LockListRedraw(view);
    for (int row = count - 1; row >= 0; row--) {
        LVITEMA item;
        std::memset(&item, 0, sizeof item);
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!SendMessageA(view, LVM_GETITEMA, 0, (LPARAM)&item) || !item.lParam) continue;
        liststruct* record = (liststruct*)item.lParam;
        std::string newPath;
        if (!RelocatedPath(rows->work, record->path ? record->path : "", &newPath)) continue;
        if (rows->work->kind == FOLDER_DELETE) {
            rows->removed.rows++;
            rows->removed.compressed += record->compressed;
            rows->removed.uncompressed += record->uncompressed;
            DeleteListRow(view, row);
            continue;
        }
        char* copy = DupBounded(260, newPath.c_str());
        if (copy) {
            std::free(record->path);
            record->path = copy;
        }
        LVITEMA text;
        std::memset(&text, 0, sizeof text);
        text.iSubItem = LIST_COLUMN_PATH;
        text.pszText = (char*)newPath.c_str();
        SendMessageA(view, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&text);
    }
    UnlockListRedraw(view);
    return 1;
}

// The views after the archive changed: ready keys, rows of both lists, folder keys, tree items
// and combo. Runs on the window thread.
int UpdateViewsAfterFolderWork(void* context)
{
    FolderWork* work = (FolderWork*)context;
    HWND tree = GApp.hwndTree;
    char separator = FormatSeparator(WorkName(work));

    for (const auto& key : work->keys) {
        DeleteKey(TVRBTreeDataReady, key.first.c_str());
        if (work->kind != FOLDER_DELETE && !key.second.empty()) InsertKeyCopy(TVRBTreeDataReady, key.second.c_str());
    }

    RowsWork listRows = {work, GApp.hwndList, {0, 0, 0}};
    if (GApp.hwndList) RelocateRowsOnListThread(&listRows);
    RowsWork treeRows = {work, GApp.hwndTreeList, {0, 0, 0}};
    if (GApp.hwndTreeList) {
        RelocateRowsOnListThread(&treeRows);
        GApp.treeListTotals.rows -= treeRows.removed.rows;
        GApp.treeListTotals.compressed -= treeRows.removed.compressed;
        GApp.treeListTotals.uncompressed -= treeRows.removed.uncompressed;
    }

    // Folder keys of the old folder and below go; the new folders come in.
    std::string oldPrefix = std::string(work->oldPath) + separator;
    std::vector<std::string> gone;
    if (TVRBTreeFolder) {
        for (RBTreeNode* node = RBTreeFirst(TVRBTreeFolder); node && node != TVRBTreeFolder->nil;
             node = RBTreeSuccessor(TVRBTreeFolder, node)) {
            const char* path = AfterStar((const char*)node->key);
            if (std::strcmp(path, work->oldPath) == 0 || StartsWith(path, oldPrefix.c_str(), 0))
                gone.push_back((const char*)node->key);
        }
        for (const std::string& key : gone) {
            LogPrint(5, GApp.verbose, "delete from Combobox %s", AfterStar(key.c_str()));
            DeleteKey(TVRBTreeFolder, key.c_str());
        }
    }

    HTREEITEM folderItem = FindTreeItemString(tree, work->oldPath);
    HTREEITEM oldParent = folderItem ? TreeView_GetParent(tree, folderItem) : nullptr;
    if (folderItem) TreeView_DeleteItem(tree, folderItem);

    if (work->kind != FOLDER_DELETE) {
        std::vector<std::string> folders;
        folders.push_back(work->newPath);
        for (const auto& key : work->keys) {
            std::string name = NameOfKey(key.second.c_str());
            if (!name.empty() && name.back() == separator) folders.push_back(name.substr(0, name.size() - 1));
        }
        std::sort(folders.begin(), folders.end());
        folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
        for (const std::string& folder : folders) AddFolderPathToViews(folder.c_str());
    }
    if (GApp.hwndPathCombo) AddItemsToCombo(GApp.hwndPathCombo, TVRBTreeFolder);
    for (const std::string& key : gone) LogPrint(5, GApp.verbose, "change item Combobox %s", AfterStar(key.c_str()));

    HTREEITEM root = tree ? TreeView_GetRoot(tree) : nullptr;
    if (oldParent && oldParent != root) DeleteFolderIfEmpty(tree, oldParent, 1);
    if (root) TreeDeleteEmpty(tree, TreeView_GetChild(tree, root), 1);

    if (work->wasSelected && work->kind != FOLDER_DELETE) {
        HTREEITEM moved = FindTreeItemString(tree, work->newPath);
        if (moved) TreeView_SelectItem(tree, moved);
    }
    const ArchiveTotals& totals = GetViewList() == GApp.hwndTreeList && GApp.hwndTreeList ? GApp.treeListTotals
                                                                                          : GApp.listTotals;
    ShowTotals(totals.rows, totals.compressed, totals.uncompressed);
    return 1;
}

// The archive change of a folder work and then the views; the caller holds GApp.busy.
int RunFolderWork(FolderWork* work, int withProgress)
{
    RBTree* set = CreateZipEntryRBSet();
    if (!set) return 0;
    int number = 1;
    for (const auto& key : work->keys) {
        std::string oldName = NameOfKey(key.first.c_str());
        std::string newName = key.second.empty() ? std::string() : NameOfKey(key.second.c_str());
        ZipEntry* entry = CreateZipEntry(oldName.c_str(), newName.empty() ? nullptr : newName.c_str(), number++);
        if (!entry || !RBTreeInsert(set, entry, nullptr)) ReleaseZipEntry(entry);
    }
    for (const auto& folder : work->folders) {
        ZipEntry* entry = CreateZipEntry(folder.first.c_str(), folder.second.empty() ? nullptr : folder.second.c_str(),
                                         number++);
        if (!entry || !RBTreeInsert(set, entry, nullptr)) ReleaseZipEntry(entry);
    }
    if (withProgress) {
        SetCanceledByUser(0);
        StartProgressDialogThread(0, nullptr);
        SetProgressMinimum(0);
        SetProgressMaximum(set->count);
    }
    RewriteOutcome outcome;
    std::memset(&outcome, 0, sizeof outcome);
    GModificationRunning.store(1);
    int result;
    if (work->kind == FOLDER_DELETE) {
        int first = DeleteFilesFromZIPRBTree(work->archive, set, 0, 1, &outcome);
        RewriteOutcome second;
        std::memset(&second, 0, sizeof second);
        int again = DeleteFilesFromZIPRBTree(work->archive, set, 0, 0, &second);
        result = (first == REWRITE_DONE || again == REWRITE_DONE) ? REWRITE_DONE : first;
        if (result != REWRITE_DONE)
            LogPrint(0, GApp.verbose, "UpdateTreeViewDragOrDeleteThread DeleteFilesFromZIPRBTree reported an error: %d",
                     result);
    } else {
        result = ChangeFilesFromZIPTwoPass(work->archive, set, &outcome);
        if (result != REWRITE_DONE)
            LogPrint(0, GApp.verbose, "%s ChangeFilesFromZip reported an error: %d", WorkName(work), result);
    }
    GModificationRunning.store(0);
    RBTreeDestroy(&set);
    if (withProgress) DestroyProgressDialog();
    work->result = result;
    if (result != REWRITE_DONE) {
        ReportRewriteFailure(result, work->archive, &outcome);
        return 0;
    }
    OnWindowThread(GApp.hwndTree ? GApp.hwndTree : GApp.hwndList, UpdateViewsAfterFolderWork, work);
    return 1;
}

DWORD WINAPI FolderWorkThread(LPVOID param)
{
    FolderWork* work = (FolderWork*)param;
    LogPrint(5, GApp.verbose, "%s started", WorkName(work));
    RunFolderWork(work, 1);
    delete work;
    EndViewBusy();
    return 0;
}

DWORD WINAPI UpdateTreeViewDragOrDeleteThread(LPVOID param)
{
    return FolderWorkThread(param);
}

DWORD WINAPI UpdateTreeViewEditThread(LPVOID param)
{
    return FolderWorkThread(param);
}

// Runs or starts a prepared folder work; the caller holds GApp.busy, which passes to the work.
int StartFolderWork(FolderWork* work)
{
    // The folder entries are collected here, on the window thread that owns the folder keys.
    char separator = FormatSeparator(nullptr);
    std::string oldPrefix = std::string(work->oldPath) + separator;
    if (TVRBTreeFolder && work->oldPath[0]) {
        for (RBTreeNode* node = RBTreeFirst(TVRBTreeFolder); node && node != TVRBTreeFolder->nil;
             node = RBTreeSuccessor(TVRBTreeFolder, node)) {
            const char* path = AfterStar((const char*)node->key);
            if (std::strcmp(path, work->oldPath) != 0 && !StartsWith(path, oldPrefix.c_str(), 0)) continue;
            std::string rest = path + std::strlen(work->oldPath);
            std::string renamed = work->kind == FOLDER_DELETE ? std::string() : work->newPath + rest + separator;
            work->folders.emplace_back(std::string(path) + separator, renamed);
        }
    }
    if (gFolderWorkSynchronous.load()) {
        int ok = RunFolderWork(work, 0);
        delete work;
        EndViewBusy();
        return ok;
    }
    LPTHREAD_START_ROUTINE routine = work->kind == FOLDER_RENAME ? UpdateTreeViewEditThread
                                                                  : UpdateTreeViewDragOrDeleteThread;
    HANDLE thread = CreateThread(nullptr, 0, routine, work, 0, nullptr);
    if (!thread) {
        delete work;
        EndViewBusy();
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

// The folder path of item without trailing separator ("" for the root).
std::string FolderPathOf(HTREEITEM item)
{
    char path[4096];
    if (TreeViewGetPath(item, path, sizeof path, 0, 0) < 0) return std::string();
    std::string result = path;
    if (!result.empty()) result.pop_back();
    return result;
}

// ---------------------------------------------------------------------------------------------
// Dragging folders inside the tree

HTREEITEM gDraggedItem = nullptr;

void EndFolderDrag(HWND tree, int drop, LPARAM position)
{
    HTREEITEM dragged = gDraggedItem;
    gDraggedItem = nullptr;
    TreeView_SelectDropTarget(tree, nullptr);
    if (GetCapture() == tree) ReleaseCapture();
    if (!drop || !dragged) return;
    TVHITTESTINFO hit;
    std::memset(&hit, 0, sizeof hit);
    hit.pt.x = (short)LOWORD(position);
    hit.pt.y = (short)HIWORD(position);
    HTREEITEM target = TreeView_HitTest(tree, &hit);
    if (target && target != dragged) UpdateTreeViewDragOrDelete(dragged, target, 0);
}

// The classes' own procedures; the windows are subclassed by replacing their procedure (see
// ListViewProc: SetWindowSubclass costs a window-server trip per message under Wine).
WNDPROC gTreeClassProc = nullptr;
WNDPROC gComboClassProc = nullptr;

LRESULT CALLBACK FolderTreeProc(HWND tree, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETREDRAW:
        return KeepHiddenAcrossRedraw(gTreeClassProc, tree, wParam, lParam);
    case WM_SETCURSOR:
        if (ShowWaitCursorWhileBusy()) return TRUE;
        break;
    case WM_MOUSEMOVE:
        if (gDraggedItem) {
            TVHITTESTINFO hit;
            std::memset(&hit, 0, sizeof hit);
            hit.pt.x = (short)LOWORD(lParam);
            hit.pt.y = (short)HIWORD(lParam);
            TreeView_SelectDropTarget(tree, TreeView_HitTest(tree, &hit));
            return 0;
        }
        if (ShowWaitCursorWhileBusy()) return 0;
        break;
    case WM_LBUTTONUP:
        if (gDraggedItem) {
            EndFolderDrag(tree, 1, lParam);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (gDraggedItem && wParam == VK_ESCAPE) {
            EndFolderDrag(tree, 0, 0);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (gDraggedItem && (HWND)lParam != tree) EndFolderDrag(tree, 0, 0);
        break;
    case WM_TIMER:
        if (wParam == TIMER_FOLDER_CHANGE) {
            OnFolderChangeTimer();
            return 0;
        }
        break;
    case WM_REEVALUATE_CURSOR: {
        POINT p;
        if (GetCursorPos(&p) && WindowFromPoint(p) == tree)
            SetCursor(LoadCursor(nullptr, GApp.busy.load() ? IDC_WAIT : IDC_ARROW));
        return 0;
    }
    }
    return CallWindowProcA(gTreeClassProc, tree, msg, wParam, lParam);
}

// The path combo: a confirmed choice selects the folder.
void OnPathComboChoice(HWND combo)
{
    int index = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return;
    char text[260] = "";
    COMBOBOXEXITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!SendMessageA(combo, CBEM_GETITEMA, 0, (LPARAM)&item)) {
        LogPrint(1, GApp.verbose, "cannot get string from combo box");
        return;
    }
    HTREEITEM folder = FindTreeItemString(GApp.hwndTree, text);
    if (folder) TreeView_SelectItem(GApp.hwndTree, folder);
}

LRESULT CALLBACK PathComboProc(HWND combo, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETREDRAW:
        return KeepHiddenAcrossRedraw(gComboClassProc, combo, wParam, lParam);
    case WM_COMMAND:
        if (HIWORD(wParam) == CBN_SELENDOK) {
            LRESULT r = CallWindowProcA(gComboClassProc, combo, msg, wParam, lParam);
            OnPathComboChoice(combo);
            return r;
        }
        break;
    case WM_SETCURSOR:
        if (ShowWaitCursorWhileBusy()) return TRUE;
        break;
    case WM_LBUTTONUP:
        gDraggedItem = nullptr;
        break;
    case WM_REEVALUATE_CURSOR: {
        POINT p;
        if (GetCursorPos(&p)) {
            HWND under = WindowFromPoint(p);
            if (under == combo || IsChild(combo, under))
                SetCursor(LoadCursor(nullptr, GApp.busy.load() ? IDC_WAIT : IDC_ARROW));
        }
        return 0;
    }
    }
    return CallWindowProcA(gComboClassProc, combo, msg, wParam, lParam);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation

HWND CreateFolderTree(HWND parent, int id)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                  TVS_EDITLABELS | TVS_SHOWSELALWAYS;
    HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", style, 0, 0, 100, 100, parent,
                                (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    if (!tree) return nullptr;
    FolderIconIndex(0);
    if (gSystemSmallIcons) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)gSystemSmallIcons);
    WNDPROC previous = (WNDPROC)SetWindowLongPtrA(tree, GWLP_WNDPROC, (LONG_PTR)FolderTreeProc);
    if (!gTreeClassProc) gTreeClassProc = previous;
    if (!PrepareListForRowBatches(tree)) {
        DestroyWindow(tree);
        return nullptr;
    }
    return tree;
}

HWND CreatePathCombo(HWND parent, int id)
{
    HWND combo = CreateWindowExA(0, WC_COMBOBOXEXA, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN,
                                 0, 0, 300, 200, parent, (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    if (!combo) return nullptr;
    gComboFolderIcon = FolderIconIndex(0);
    if (gSystemSmallIcons) SendMessageA(combo, CBEM_SETIMAGELIST, 0, (LPARAM)gSystemSmallIcons);
    WNDPROC previous = (WNDPROC)SetWindowLongPtrA(combo, GWLP_WNDPROC, (LONG_PTR)PathComboProc);
    if (!gComboClassProc) gComboClassProc = previous;
    if (!PrepareListForRowBatches(combo)) {
        DestroyWindow(combo);
        return nullptr;
    }
    return combo;
}

// ---------------------------------------------------------------------------------------------
// Keys and items

int TreeViewGetPath(HTREEITEM item, char* out, size_t outSize, int asKey, int parentLevel)
{
    if (!out || outSize == 0) return -1;
    out[0] = '\0';
    HWND tree = GApp.hwndTree;
    if (!tree || !item) return -1;
    const char separator = FormatSeparator("TreeViewGetPath");
    std::vector<std::string> labels;
    for (HTREEITEM current = item; current;) {
        HTREEITEM parent = TreeView_GetParent(tree, current);
        if (!parent) break;  // the root item has no path
        labels.push_back(ItemLabel(tree, current));
        current = parent;
    }
    std::string path;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        path += *it;
        path.push_back(separator);
    }
    int levels = (int)labels.size();
    if (asKey) {
        int number = parentLevel ? (levels < 2 ? 0 : levels - 1) : levels;
        snprintf(out, outSize, "%3d*%s", number, path.c_str());
    } else {
        CopyBounded(out, outSize, path.c_str());
    }
    LogPrint(8, GApp.verbose, "TreeViewGetPath returning path: %s", out);
    return levels;
}

int ChildrenKey(HTREEITEM item, char* out, size_t outSize)
{
    int levels = TreeViewGetPath(item, out, outSize, 1, 0);
    LogPrint(5, GApp.verbose, "TVN_SELCHANGED: string %s \n", out ? out : "");
    return levels;
}

HTREEITEM GetFolderTreeRoot(void)
{
    return GApp.hwndTree ? TreeView_GetRoot(GApp.hwndTree) : nullptr;
}

HTREEITEM FindTreeItemString(HWND tree, const char* path)
{
    if (!tree || !path) return nullptr;
    HTREEITEM current = TreeView_GetRoot(tree);
    const char separator = FormatSeparator("FindTreeItemString");
    std::string all = path;
    size_t start = 0;
    while (current && start < all.size()) {
        size_t end = all.find(separator, start);
        if (end == std::string::npos) end = all.size();
        std::string component = all.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;
        LogPrint(8, GApp.verbose, "FindTreeItemString str %s", component.c_str());
        current = ChildWithLabel(tree, current, component.c_str());
    }
    return current;
}

HTREEITEM InsertRBTreeFolderIntoTree(HTREEITEM root, const char* folderKey)
{
    return InsertFolderKey(root, folderKey, nullptr);
}

// ---------------------------------------------------------------------------------------------
// The combo

int AddItemsToCombo(HWND combo, RBTree* folders)
{
    if (!combo) return 0;
    if (!TVRBTreeCombo || !folders) {
        LogPrint(2, GApp.verbose, "AddItemsToCombo: no valid tree to insert found");
        return 0;
    }
    // The combo set is rebuilt from the folder keys each time.
    while (RBTreeNode* node = RBTreeFirst(TVRBTreeCombo)) {
        if (node == TVRBTreeCombo->nil) break;
        RBTreeDelete(TVRBTreeCombo, node);
    }
    for (RBTreeNode* node = RBTreeFirst(folders); node && node != folders->nil; node = RBTreeSuccessor(folders, node))
        InsertKeyCopy(TVRBTreeCombo, AfterStar((const char*)node->key));
    // The items live in the inner combo box: its repainting is what costs while thousands come.
    HWND inner = (HWND)SendMessageA(combo, CBEM_GETCOMBOCONTROL, 0, 0);
    SendMessageA(combo, WM_SETREDRAW, FALSE, 0);
    if (inner) SendMessageA(inner, WM_SETREDRAW, FALSE, 0);
    if (inner) SendMessageA(inner, CB_INITSTORAGE, (WPARAM)TVRBTreeCombo->count, (LPARAM)TVRBTreeCombo->count * 64);
    for (int index = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0) - 1; index >= 0; index--) {
        LogPrint(8, GApp.verbose, "delete from Combobox %d", index);
        SendMessageA(combo, CBEM_DELETEITEM, (WPARAM)index, 0);
    }
    int inserted = 0;
    for (RBTreeNode* node = RBTreeFirst(TVRBTreeCombo); node && node != TVRBTreeCombo->nil;
         node = RBTreeSuccessor(TVRBTreeCombo, node)) {
        COMBOBOXEXITEMA item;
        std::memset(&item, 0, sizeof item);
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = -1;
        item.pszText = (char*)node->key;
        item.iImage = gComboFolderIcon;
        item.iSelectedImage = gComboFolderIcon;
        if (SendMessageA(combo, CBEM_INSERTITEMA, 0, (LPARAM)&item) < 0)
            LogPrint(3, GApp.verbose, "AddItemsToCombo: cannot insert into combobox error %d", (int)GetLastError());
        else
            inserted++;
    }
    if (gSystemSmallIcons) SendMessageA(combo, CBEM_SETIMAGELIST, 0, (LPARAM)gSystemSmallIcons);
    if (inner) SendMessageA(inner, WM_SETREDRAW, TRUE, 0);
    SendMessageA(combo, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(combo, nullptr, TRUE);
    return inserted;
}

void ResetPathCombo(void)
{
    if (GApp.hwndPathCombo) OnWindowThread(GApp.hwndPathCombo, ResetComboOnWindowThread, nullptr);
}

namespace {
struct ComboEntryWork {
    int index;
    char* out;
    size_t outSize;
};

int ReadComboEntry(void* context)
{
    ComboEntryWork* work = (ComboEntryWork*)context;
    COMBOBOXEXITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = CBEIF_TEXT;
    item.iItem = work->index;
    item.pszText = work->out;
    item.cchTextMax = (int)work->outSize;
    if (!SendMessageA(GApp.hwndPathCombo, CBEM_GETITEMA, 0, (LPARAM)&item)) return 0;
    work->out[work->outSize - 1] = '\0';
    return 1;
}
}  // namespace

int GetPathComboEntry(int index, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (!GApp.hwndPathCombo || index < 0 || index >= (int)SendMessageA(GApp.hwndPathCombo, CB_GETCOUNT, 0, 0))
        return 0;
    ComboEntryWork work = {index, out, outSize};
    return OnWindowThread(GApp.hwndPathCombo, ReadComboEntry, &work);
}

// ---------------------------------------------------------------------------------------------
// Rebuilding

int SynchronizeTreeView(const char* archivePath)
{
    return SynchronizeTreeViewWithRows(archivePath, nullptr);
}

int SynchronizeTreeViewWithRows(const char* archivePath, KeyRows* prepared)
{
    if (!TakeBusyForRebuild()) {
        LogPrint(1, GApp.verbose, "SynchronizeTreeViewThread: already busy");
        return -1;
    }
    KeyTreeRebuildTimes times = {};
    HWND window = GApp.hwndTree ? GApp.hwndTree : GApp.hwndList;
    OnWindowThread(window, ClearFolderViewsOnWindowThread, nullptr);
    MarkRebuildStage(&times, 0);
    // Rows gathered by the listing serve only when they are the list's rows.
    int listed = GApp.hwndList ? (int)SendMessageA(GApp.hwndList, LVM_GETITEMCOUNT, 0, 0) : 0;
    int rows = prepared && KeyRowCount(prepared) == listed ? InstallKeyRowTrees(prepared, &times)
                                                           : RebuildKeyTreesFromList(GApp.hwndList, &times);
    if (rows >= 0) {
        const char* archive = archivePath && *archivePath ? archivePath : GApp.currentArchive;
        const char* name = AfterLast(archive, '\\');
        name = name && *name ? name : (archive && *archive ? archive : "Kelvora");
        FillWork fill = {name, &times};
        OnWindowThread(window, FillComboAndTreeOnWindowThread, &fill);
        LogRebuildTimes(&times);
    }
    EndViewBusy();
    if (rows >= 0 && GApp.hwndTree) OnWindowThread(GApp.hwndTree, SelectRootOnWindowThread, nullptr);
    return rows;
}

DWORD WINAPI SynchronizeTreeViewThread(LPVOID param)
{
    char* archive = (char*)param;
    SynchronizeTreeView(archive);
    std::free(archive);
    return 0;
}

int StartSynchronizeTreeView(const char* archivePath)
{
    char* copy = archivePath ? DupBounded(260, archivePath) : nullptr;
    HANDLE thread = CreateThread(nullptr, 0, SynchronizeTreeViewThread, copy, 0, nullptr);
    if (!thread) {
        std::free(copy);
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Selecting a folder

int IsTreeListFilling(void)
{
    return gTreeListFilling.load();
}

int IsFolderChangePending(void)
{
    return GApp.TVNSem.load() || GApp.tvncached[0] ? 1 : 0;
}

static void ShowFolderInPathCombo(HTREEITEM item);

void HandleFolderSelection(HTREEITEM item)
{
    if (!item || !GApp.hwndTree) return;
    char key[4096];
    if (ChildrenKey(item, key, sizeof key) < 0) return;
    ShowFolderInPathCombo(item);
    bool started = false;
    if (TryEnterBusy(GApp.TVNSem)) {
        if (BeginViewBusy()) started = true;
        else LeaveBusy(GApp.TVNSem);
    }
    if (!started) {
        // A change (or another operation) runs: retry with the folder selected then.
        CopyBounded(GApp.tvncached, sizeof GApp.tvncached, key);
        HWND timer = TimerWindow();
        if (timer) SetTimer(timer, TIMER_FOLDER_CHANGE, FOLDER_CHANGE_RETRY_MS, nullptr);
        LogPrint(-1, GApp.verbose, "setting tvncached %s\n", key);
        return;
    }
    GApp.tvncached[0] = '\0';
    // TreeList is emptied only once the change runs: a parked change leaves it alone for the
    // operation that holds busy (an extraction may be reading its rows).
    gTreeListFilling.store(1);
    if (GApp.hwndTreeList) ClearList(GApp.hwndTreeList);
    LogPrint(-1, GApp.verbose, "setting TVNSem to true");
    char* copy = DupBounded(sizeof key, key);
    HANDLE thread = copy ? CreateThread(nullptr, 0, DoTvnChanged, copy, 0, nullptr) : nullptr;
    if (!thread) {
        std::free(copy);
        gTreeListFilling.store(0);
        EndViewBusy();
        LeaveBusy(GApp.TVNSem);
        return;
    }
    CloseHandle(thread);
}

// The path combo follows the folder selected in the tree: its entry for the folder is selected
// (none for the root item), so that its text always names the folder shown.
static void ShowFolderInPathCombo(HTREEITEM item)
{
    HWND combo = GApp.hwndPathCombo;
    if (!combo || !GApp.hwndTree) return;
    char path[4096] = "";
    TreeViewGetPath(item, path, sizeof path, 0, 0);
    size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] == FormatSeparator("ShowFolderInPathCombo")) path[--length] = '\0';
    int found = -1;
    if (length > 0) {
        int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (int index = 0; index < count && found < 0; index++) {
            char text[260];
            if (GetPathComboEntry(index, text, sizeof text) && std::strcmp(text, path) == 0) found = index;
        }
    }
    if ((int)SendMessageA(combo, CB_GETCURSEL, 0, 0) != found) SendMessageA(combo, CB_SETCURSEL, (WPARAM)found, 0);
    if (found < 0) ClearPathComboText(combo);
}

void OnFolderChangeTimer(void)
{
    HWND timer = TimerWindow();
    if (timer) KillTimer(timer, TIMER_FOLDER_CHANGE);
    if (!GApp.hwndTree) return;
    HandleFolderSelection(TreeView_GetSelection(GApp.hwndTree));
}

int InsertIntoTreeList(const char* key)
{
    ListRow row;
    std::memset(&row, 0, sizeof row);
    TreeListRowResult built = BuildTreeListRow(key, &row);
    GApp.treeListTotals.compressed += built.compressed;
    GApp.treeListTotals.uncompressed += built.uncompressed;
    if (!built.isRow) return 0;
    GApp.treeListTotals.rows++;
    return InsertListRowsBatch(GApp.hwndTreeList, &row, 1) == 1 ? 1 : 0;
}

// The folder's totals reach the status bar only while the folder view is the one shown: in the
// flat view the bar keeps the archive's totals when the folder list is refilled behind it.
static void ShowFolderTotalsWhenShown(void)
{
    if (!GApp.hwndTreeList || GetViewList() != GApp.hwndTreeList) return;
    ShowTotals(GApp.treeListTotals.rows, GApp.treeListTotals.compressed, GApp.treeListTotals.uncompressed);
}

DWORD WINAPI DoTvnChanged(LPVOID param)
{
    char* key = (char*)param;
    RefreshViewCursors();
    HWND view = GApp.hwndTreeList;
    if (!TVRBTreeDataReady || TVRBTreeDataReady->count == 0 || !key) {
        LogPrint(2, GApp.verbose, "!!!!TVRBTreeDataReady has no size!!!!");
        gTreeListFilling.store(0);
        GApp.treeListTotals = ArchiveTotals{0, 0, 0};
        ShowFolderTotalsWhenShown();
        EndFolderChange(key);
        return 0;
    }
    RBTreeNode* node = FirstNodeWithPrefix(TVRBTreeDataReady, key);
    GApp.treeListTotals = ArchiveTotals{0, 0, 0};
    if (node) {
        LogPrint(2, GApp.verbose, "DoTvnChanged: firstNode->data %s", (const char*)node->key);
        std::vector<ListRow> batch;
        batch.reserve(kTreeListBatch);

        if (view) LockListRedraw(view);
        for (; node && node != TVRBTreeDataReady->nil && StartsWith((const char*)node->key, key, 0);
             node = RBTreeSuccessor(TVRBTreeDataReady, node)) {
            ListRow row;
            TreeListRowResult built = BuildTreeListRow((const char*)node->key, &row);
            GApp.treeListTotals.compressed += built.compressed;
            GApp.treeListTotals.uncompressed += built.uncompressed;
            if (!built.isRow) continue;
            GApp.treeListTotals.rows++;
            batch.push_back(row);
            if ((int)batch.size() >= kTreeListBatch) {
                InsertListRowsBatch(view, batch.data(), (int)batch.size());
                batch.clear();
            }
        }
        if (!batch.empty()) InsertListRowsBatch(view, batch.data(), (int)batch.size());
        if (view) UnlockListRedraw(view);
        if (view) RunOnListThread(view, FocusFirstRowOnListThread, view);
        gTreeListFilling.store(0);
        ShowFolderTotalsWhenShown();
    } else {
        LogPrint(2, GApp.verbose, "DoTvnChanged: RBTreeSearch(TVRBTreeDataReady, string)) not found %s", key);
        gTreeListFilling.store(0);
        ShowFolderTotalsWhenShown();
    }
    InitializeTreeListSearchValues(nullptr, 0);
    if (view && sortColumnTreeList >= 0) SortListViewWindow(view, sortColumnTreeList, sortAscendingTreeList);
    EndFolderChange(key);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Emptied folders, moves, deletions, renames

int TreeDeleteEmpty(HWND tree, HTREEITEM item, int removeFromCombo)
{
    if (!tree) return 0;
    int deleted = 0;
    while (item) {
        HTREEITEM next = TreeView_GetNextSibling(tree, item);
        HTREEITEM child = TreeView_GetChild(tree, item);
        if (child) deleted += TreeDeleteEmpty(tree, child, removeFromCombo);
        // A folder whose sub-folders all went may be empty now as well.
        if (!TreeView_GetChild(tree, item)) deleted += DeleteFolderIfEmpty(tree, item, removeFromCombo);
        item = next;
    }
    return deleted;
}

int ExchangeUpdateTreeViewDragOrDeleteString(const char* memberKey, const char* folderKey, const char* targetKey,
                                             char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (!memberKey || !folderKey || !targetKey) return 0;
    const char separator = FormatSeparator("ExchangeUpdateTreeViewDragOrDeleteString");
    // The moved folder's parent path: its path without the last component.
    std::string folder = AfterStar(folderKey);
    if (!folder.empty() && folder.back() == separator) folder.pop_back();
    size_t cut = folder.rfind(separator);
    std::string parent = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
    std::string target = AfterStar(targetKey);
    if (!target.empty() && target.back() != separator) target.push_back(separator);
    const char* member = AfterStar(memberKey);
    LogPrint(7, GApp.verbose, "ExchangeUpdateTreeViewDragOrDeleteString (0) %s %s\n", member, parent.c_str());
    if (!StartsWith(member, parent.c_str(), 0)) return 0;
    std::string moved = target + (member + parent.size());
    LogPrint(8, GApp.verbose, "ExchangeUpdateTreeViewDragOrDeleteString (1) %s %s\n", moved.c_str(), target.c_str());
    // The depth as every ready key has it: components of the name minus one.
    if (PathKey(out, outSize, moved.c_str(), separator) < 0) {
        out[0] = '\0';
        return 0;
    }
    LogPrint(9, GApp.verbose, "ExchangeUpdateTreeViewDragOrDeleteString (2) %s %s\n", out, moved.c_str());
    return 1;
}

int RenamePath(const char* member, const char* oldPath, const char* newPath, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (!member || !oldPath || !newPath || !*oldPath) return 0;
    const char separator = FormatSeparator("RenamePath");
    std::string old = std::string(oldPath) + separator;
    if (!StartsWith(member, old.c_str(), 0)) return 0;
    LogPrint(5, GApp.verbose, "RenamePath oldpath: %s\n", member);
    std::string renamed = std::string(newPath) + separator + (member + old.size());
    LogPrint(5, GApp.verbose, "RenamePath NewPath: %s\n", renamed.c_str());
    return CopyBounded(out, outSize, renamed.c_str());
}

void SetFolderWorkSynchronous(int on)
{
    gFolderWorkSynchronous.store(on ? 1 : 0);
}

int UpdateTreeViewDragOrDelete(HTREEITEM folderItem, HTREEITEM targetItem, int isDelete)
{
    HWND tree = GApp.hwndTree;
    if (!tree || !folderItem || folderItem == TreeView_GetRoot(tree)) return 0;
    if (!isDelete && !targetItem) return 0;
    if (!OpenArchiveMayModify()) return 0;
    char folderKey[4096], targetKey[4096];
    int levels = TreeViewGetPath(folderItem, folderKey, sizeof folderKey, 1, 1);
    if (levels < 1) return 0;
    LogPrint(7, GApp.verbose, "UpdateTreeViewDragOrDelete %s %d", folderKey, isDelete);
    std::string oldPath = FolderPathOf(folderItem);
    std::string targetPath;
    if (!isDelete) {
        TreeViewGetPath(targetItem, targetKey, sizeof targetKey, 1, 0);
        LogPrint(7, GApp.verbose, "UpdateTreeViewDragOrDelete path %s -- new text %s", folderKey, targetKey);
        targetPath = FolderPathOf(targetItem);
        char separator = FormatSeparator("UpdateTreeViewDragOrDelete");
        // A folder cannot go into itself or below itself; into its own parent changes nothing.
        if (targetPath == oldPath || StartsWith(targetPath.c_str(), (oldPath + separator).c_str(), 0)) return 0;
        if (TreeView_GetParent(tree, folderItem) == targetItem) return 0;
    }
    if (!BeginViewBusy()) return 0;

    std::vector<std::string> keys;
    CollectFolderKeys(oldPath.c_str(), levels - 1, &keys);
    // A folder without files is still the archive's directory entry: it goes or moves too.
    if (keys.empty()) LogPrint(3, GApp.verbose, "UpdateTreeViewDragOrDelete: nothing found on tree:");
    FolderWork* work = new FolderWork();
    work->kind = isDelete ? FOLDER_DELETE : FOLDER_MOVE;
    CopyBounded(work->archive, sizeof work->archive, GApp.currentArchive);
    CopyBounded(work->oldPath, sizeof work->oldPath, oldPath.c_str());
    char separator = FormatSeparator(nullptr);
    std::string leaf = oldPath.substr(oldPath.rfind(separator) == std::string::npos ? 0 : oldPath.rfind(separator) + 1);
    std::string newPath = targetPath.empty() ? leaf : targetPath + separator + leaf;
    CopyBounded(work->newPath, sizeof work->newPath, isDelete ? "" : newPath.c_str());
    work->wasSelected = TreeView_GetSelection(tree) == folderItem;
    for (const std::string& key : keys) {
        char exchanged[260] = "";
        if (!isDelete) ExchangeUpdateTreeViewDragOrDeleteString(key.c_str(), folderKey, targetKey, exchanged, sizeof exchanged);
        work->keys.emplace_back(key, exchanged);
    }
    char question[600];
    snprintf(question, sizeof question, "%s %d %s", GetMessageText(55), (int)work->keys.size(), GetMessageText(56));
    if (PromptMessageBox(OwnerWindow(), question, "Kelvora", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
        delete work;
        EndViewBusy();
        return 0;
    }
    return StartFolderWork(work);
}

namespace {

// Renames or moves the folder item to newPath (full path inside the archive, no trailing
// separator), with every member and folder entry below it. The caller has checked newPath.
int RenameFolderItemToPath(HTREEITEM item, const std::string& newPath)
{
    HWND tree = GApp.hwndTree;
    std::string oldPath = FolderPathOf(item);
    char separator = FormatSeparator("UpdateTreeViewEditThread");
    if (!BeginViewBusy()) return 0;
    char ownKey[4096];
    int levels = TreeViewGetPath(item, ownKey, sizeof ownKey, 1, 1);
    std::vector<std::string> keys;
    CollectFolderKeys(oldPath.c_str(), levels - 1, &keys);
    FolderWork* work = new FolderWork();
    work->kind = FOLDER_RENAME;
    CopyBounded(work->archive, sizeof work->archive, GApp.currentArchive);
    CopyBounded(work->oldPath, sizeof work->oldPath, oldPath.c_str());
    CopyBounded(work->newPath, sizeof work->newPath, newPath.c_str());
    work->wasSelected = TreeView_GetSelection(tree) == item;
    for (const std::string& key : keys) {
        std::string name = NameOfKey(key.c_str());
        const char* rest = AfterStar(key.c_str()) + name.size();
        char renamed[260], newKey[260] = "";
        if (RenamePath(name.c_str(), oldPath.c_str(), newPath.c_str(), renamed, sizeof renamed)) {
            std::string text = std::string(renamed) + rest;
            PathKey(newKey, sizeof newKey, text.c_str(), separator);
        } else {
            LogPrint(1, GApp.verbose, "UpdateTreeViewEditThread: ComponentPath not found %s <=> %s", name.c_str(),
                     oldPath.c_str());
        }
        work->keys.emplace_back(key, newKey);
    }
    return StartFolderWork(work);
}

void RefuseFolderPath(const char* path, const char* why)
{
    char text[600];
    snprintf(text, sizeof text, "%s\n%s", path, why);
    PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
}

}  // namespace

int RenameFolderItem(HTREEITEM item, const char* newLabel)
{
    HWND tree = GApp.hwndTree;
    if (!tree || !item || item == TreeView_GetRoot(tree) || !newLabel || !*newLabel) return 0;
    if (!OpenArchiveMayModify()) return 0;
    if (std::strchr(newLabel, '\\') || std::strchr(newLabel, '/') || std::strchr(newLabel, '*')) return 0;
    HTREEITEM parent = TreeView_GetParent(tree, item);
    HTREEITEM sibling = ChildWithLabel(tree, parent, newLabel);
    // Two folders of one name would merge their members: refused.
    if (sibling) return 0;
    std::string parentPath = FolderPathOf(parent);
    char separator = FormatSeparator("UpdateTreeViewEditThread");
    std::string newPath = parentPath.empty() ? std::string(newLabel) : parentPath + separator + newLabel;
    return RenameFolderItemToPath(item, newPath);
}

int RenameSelectedFolderWithPrompt(void)
{
    HWND tree = GApp.hwndTree;
    HTREEITEM item = tree ? TreeView_GetSelection(tree) : nullptr;
    if (!item || item == TreeView_GetRoot(tree)) return 0;
    if (!OpenArchiveMayModify()) return 0;
    std::string oldPath = FolderPathOf(item);
    char exchange[260];
    CopyBounded(exchange, sizeof exchange, oldPath.c_str());
    if (PromptRenameFolder(exchange, sizeof exchange) != PROMPT_OK) return 0;
    char separator = FormatSeparator(nullptr);
    ReplaceChar(exchange, separator == '\\' ? '/' : '\\', separator);
    // The answer is the folder's whole path: a path that names another parent moves the
    // folder there (creating the parents it lacks), as its text says.
    std::string path;
    std::string part;
    int bad = 0;
    for (const char* p = exchange;; ++p) {
        if (*p == separator || *p == '\0') {
            if (part == "." || part == ".." || part.find('*') != std::string::npos || part.find(':') != std::string::npos)
                bad = 1;
            if (!part.empty()) path += (path.empty() ? "" : std::string(1, separator)) + part;
            part.clear();
            if (*p == '\0') break;
        } else {
            part += *p;
        }
    }
    if (path.empty() || bad) {
        if (!path.empty()) RefuseFolderPath(exchange, "This is no usable folder name; nothing was changed.");
        return 0;
    }
    if (path == oldPath) return 0;
    if (StartsWith(path.c_str(), (oldPath + separator).c_str(), 0)) {
        RefuseFolderPath(path.c_str(), "A folder cannot be moved into itself; nothing was changed.");
        return 0;
    }
    if (FindTreeItemString(tree, path.c_str())) {
        RefuseFolderPath(path.c_str(), "A folder of this name exists already; nothing was changed.");
        return 0;
    }
    return RenameFolderItemToPath(item, path);
}

int GetFolderPathOfItem(HTREEITEM item, char* out, size_t outSize)
{
    if (!out || !outSize) return 0;
    out[0] = '\0';
    char path[4096];
    if (!item || TreeViewGetPath(item, path, sizeof path, 0, 0) < 0) return 0;
    size_t len = std::strlen(path);
    if (len) path[len - 1] = '\0';
    CopyBounded(out, outSize, path);
    return 1;
}

void AddFolderPathToViews(const char* path)
{
    if (!path || !*path) return;
    const char separator = FormatSeparator("AddFolderPathToViews");
    std::string all = path;
    while (!all.empty() && all.back() == separator) all.pop_back();
    HWND tree = GApp.hwndTree;
    HTREEITEM root = tree ? TreeView_GetRoot(tree) : nullptr;
    std::string prefix;
    int level = 0;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(separator, start);
        if (end == std::string::npos) end = all.size();
        std::string component = all.substr(start, end - start);
        start = end + 1;
        if (!component.empty()) {
            if (!prefix.empty()) prefix.push_back(separator);
            prefix += component;
            char key[300];
            FolderKey(key, sizeof key, level, prefix.c_str());
            if (TVRBTreeFolder && RBTreeSearch(TVRBTreeFolder, key)) {
                LogPrint(5, GApp.verbose, "UpdateTreeViewDragOrDeleteThread: Already found within tree %s", key);
            } else {
                LogPrint(5, GApp.verbose, "UpdateTreeViewDragOrDeleteThread: adding to tree %s", key);
                InsertKeyCopy(TVRBTreeFolder, key);
            }
            // The folder's own path key, as the rebuild makes it.
            char readyKey[300];
            std::string withSeparator = prefix + separator;
            if (PathKey(readyKey, sizeof readyKey, withSeparator.c_str(), separator) >= 0 && TVRBTreeDataReady &&
                !RBTreeSearch(TVRBTreeDataReady, readyKey))
                InsertKeyCopy(TVRBTreeDataReady, readyKey);
            if (root && !FindTreeItemString(tree, prefix.c_str())) InsertFolderKey(root, key, nullptr);
            level++;
        }
        if (end == all.size()) break;
    }
    if (GApp.hwndPathCombo && TVRBTreeCombo && !RBTreeSearch(TVRBTreeCombo, all.c_str()))
        AddItemsToCombo(GApp.hwndPathCombo, TVRBTreeFolder);
}

// ---------------------------------------------------------------------------------------------
// Clearing

int ClearViews(void)
{
    if (!BeginViewBusy()) return 0;
    if (GApp.hwndList) ClearList(GApp.hwndList);
    GApp.currentArchive[0] = '\0';
    if (GViewHooks.setArchiveTitle) GViewHooks.setArchiveTitle(nullptr);
    if (GViewHooks.freeTempNames) GViewHooks.freeTempNames();
    if (GApp.hwndTree) TreeView_DeleteAllItems(GApp.hwndTree);
    if (GApp.hwndTreeList) ClearList(GApp.hwndTreeList);
    ResetPathCombo();
    DestroyKeyTrees();
    if (GApp.hwndStatus) {
        // Counts, selection and the rest: nothing of the old archive stays.
        for (int part = 0; part <= 2; ++part) SendMessageA(GApp.hwndStatus, SB_SETTEXTA, part, (LPARAM)"");
    }
    SetCompressionMethod(CM_NONE);
    GApp.listTotals = ArchiveTotals{0, 0, 0};
    GApp.treeListTotals = ArchiveTotals{0, 0, 0};
    InitializeSearchValues(nullptr, 0);
    InitializeTreeListSearchValues(nullptr, 0);
    if (GApp.tempToDelete[0]) {
        DeleteFileA(GApp.tempToDelete);
        GApp.tempToDelete[0] = '\0';
    }
    if (GApp.currentJob && GApp.currentJob->folderList) ListDestroy(&GApp.currentJob->folderList);
    ClearEncryptedRows();
    if (GViewHooks.destroyClipboardTree) GViewHooks.destroyClipboardTree();
    EndViewBusy();
    if (GViewHooks.refreshCommandStates) GViewHooks.refreshCommandStates();
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Notifications

int OnFolderTreeNotify(const NMHDR* header, LRESULT* result)
{
    if (!header || !GApp.hwndTree || header->hwndFrom != GApp.hwndTree) return 0;
    LRESULT answer = 0;
    switch (header->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        const NMTREEVIEWA* change = (const NMTREEVIEWA*)header;
        HandleFolderSelection(change->itemNew.hItem);
        break;
    }
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW: {
        const NMTVDISPINFOA* info = (const NMTVDISPINFOA*)header;
        answer = (info->item.hItem == TreeView_GetRoot(GApp.hwndTree) || !OpenArchiveMayModify() ||
                  GApp.busy.load())
                     ? TRUE
                     : FALSE;
        break;
    }
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
        const NMTVDISPINFOA* info = (const NMTVDISPINFOA*)header;
        char label[260] = "";
        if (header->code == TVN_ENDLABELEDITW) {
            const wchar_t* wide = ((const NMTVDISPINFOW*)header)->item.pszText;
            if (wide && !WideCharToMultiByte(CP_ACP, 0, wide, -1, label, sizeof label, nullptr, nullptr)) label[0] = '\0';
            label[sizeof label - 1] = '\0';
        } else if (info->item.pszText) {
            CopyBounded(label, sizeof label, info->item.pszText);
        }
        if (*label) RenameFolderItem(info->item.hItem, label);
        // The rename puts the new label in place once the archive has it.
        answer = FALSE;
        break;
    }
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW: {
        const NMTREEVIEWA* drag = (const NMTREEVIEWA*)header;
        if (GApp.busy.load() || !OpenArchiveMayModify() || drag->itemNew.hItem == TreeView_GetRoot(GApp.hwndTree))
            break;
        gDraggedItem = drag->itemNew.hItem;
        SetCapture(GApp.hwndTree);
        break;
    }
    default: return 0;
    }
    if (result) *result = answer;
    return 1;
}
