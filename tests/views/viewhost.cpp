#include "viewhost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <minizip/unzip.h>

#include "model/appstate.h"
#include "model/datecolumn.h"
#include "model/foldertree.h"
#include "model/keys.h"
#include "model/listview.h"
#include "model/search.h"
#include "model/strutil.h"
#include "support/testsupport.h"
#include "zip/listing.h"

namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY) {
        LRESULT result = 0;
        if (OnListViewNotify((const NMHDR*)lParam, &result)) return result;
        if (OnFolderTreeNotify((const NMHDR*)lParam, &result)) return result;
        return 0;
    }
    if (msg == WM_TIMER && wParam == TIMER_FOLDER_CHANGE) {
        OnFolderChangeTimer();
        return 0;
    }
    if (msg != 0 && msg == GetFindMessageId()) return HandleFindMessage((const FINDREPLACEA*)lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

bool CreateViewHost(ViewHost* host)
{
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "KelvoraViewsTestHost";
        atom = RegisterClassA(&wc);
    }
    // Hidden: under Wine without a window manager, hiding or destroying a shown top-level
    // window waits two seconds for the X server.
    host->main = CreateWindowA("KelvoraViewsTestHost", "Kelvora views", WS_OVERLAPPEDWINDOW, 0, 0, 1200,
                               700, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!host->main) return false;
    GApp.hwndMain = host->main;
    host->list = CreateArchiveListView(host->main, 2002);
    host->treeList = CreateArchiveListView(host->main, 2004);
    host->tree = CreateFolderTree(host->main, 2003);
    host->combo = CreatePathCombo(host->main, 2005);
    host->status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                   host->main, (HMENU)17001, GetModuleHandleA(nullptr), nullptr);
    if (!host->list || !host->treeList || !host->tree || !host->combo || !host->status) return false;
    int parts[3] = {200, 400, -1};
    SendMessageA(host->status, SB_SETPARTS, 3, (LPARAM)parts);
    MoveWindow(host->list, 0, 0, 1200, 300, TRUE);
    MoveWindow(host->combo, 0, 300, 400, 200, TRUE);
    MoveWindow(host->tree, 0, 330, 300, 320, TRUE);
    MoveWindow(host->treeList, 300, 330, 900, 320, TRUE);
    GApp.hwndList = host->list;
    GApp.hwndTreeList = host->treeList;
    GApp.hwndTree = host->tree;
    GApp.hwndPathCombo = host->combo;
    GApp.hwndStatus = host->status;
    GApp.hwndFocusView = host->list;
    InstallViewHooksIntoZipEngine();
    // KELVORA_TEST_VERBOSE=n prints the program's log lines below level n while a test runs.
    if (const char* verbose = getenv("KELVORA_TEST_VERBOSE")) {
        GApp.verbose = atoi(verbose);
        setvbuf(stdout, nullptr, _IONBF, 0);
    }
    return true;
}

void DestroyViewHost(ViewHost* host)
{
    WaitForViewsIdle(20000);
    GApp.busy.store(0);
    ClearViews();
    ForgetSortState();
    SetFolderWorkSynchronous(0);
    SetDateColumnLocale(LOCALE_SYSTEM_DEFAULT);
    if (HWND find = GetFindDialogWindow()) DestroyWindow(find);
    if (host->main) DestroyWindow(host->main);
    PumpMessagesFor(10);
    GApp.hwndMain = GApp.hwndList = GApp.hwndTreeList = GApp.hwndTree = GApp.hwndPathCombo = GApp.hwndStatus = nullptr;
    GApp.hwndFocusView = nullptr;
    GApp.busy.store(0);
    GApp.busyOpen.store(0);
    GApp.TVNSem.store(0);
    GApp.tvncached[0] = '\0';
    *host = ViewHost();
}

std::string ViewFixture(const std::string& name)
{
    std::string path = std::string(KELVORA_VIEWS_FIXTURES_DIR) + "/" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string CopyViewFixture(const std::string& name)
{
    std::string folder = MakeTempFolder("views");
    std::string copy = folder + "\\" + name;
    CopyFileA(ViewFixture(name).c_str(), copy.c_str(), FALSE);
    return copy;
}

std::vector<ExpectedRow> LoadExpectedRows(const std::string& archive)
{
    std::vector<ExpectedRow> rows;
    std::string path = ViewFixture(archive.substr(0, archive.size() - 4) + ".expect");
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t')) fields.push_back(field);
        if (fields.size() < 5) continue;
        ExpectedRow row;
        row.name = fields[0];
        row.compressed = std::stoll(fields[1]);
        row.size = std::stoll(fields[2]);
        unsigned y, mo, d, h, mi;
        if (std::sscanf(fields[3].c_str(), "%u-%u-%u %u:%u", &y, &mo, &d, &h, &mi) == 5) {
            row.date.wYear = (WORD)y;
            row.date.wMonth = (WORD)mo;
            row.date.wDay = (WORD)d;
            row.date.wHour = (WORD)h;
            row.date.wMinute = (WORD)mi;
        }
        row.encrypted = fields[4] == "E";
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> ArchiveEntryNames(const std::string& path)
{
    std::vector<std::string> names;
    unzFile uf = unzOpen64(path.c_str());
    if (!uf) return names;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        char name[1100];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK) names.push_back(name);
    }
    unzClose(uf);
    return names;
}

bool WaitForViewsIdle(DWORD timeoutMs)
{
    return PumpMessagesUntil(
        [] {
            return !GApp.TVNSem.load() && !GApp.busy.load() && !GApp.tvncached[0] && !IsTreeListFilling() &&
                   !IsContentSearchRunning();
        },
        timeoutMs);
}

bool OpenArchiveInViews(const std::string& archive)
{
    CopyBounded(GApp.currentArchive, sizeof GApp.currentArchive, archive.c_str());
    SetCompressionMethod(CM_ZIP);
    static ListingJob job;
    InitListingJob(&job, archive.c_str(), GApp.hwndTreeList, GApp.hwndTree, nullptr);
    job.silent = 1;
    GApp.currentJob = &job;
    GApp.busyOpen.store(1);
    // The listing runs on a worker, as in the program: its rows come to this thread in batches.
    HANDLE thread = CreateThread(nullptr, 0, ListZipFilesThread, &job, 0, nullptr);
    if (!thread) return false;
    bool ended = PumpMessagesUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 30000);
    DWORD result = 1;
    GetExitCodeThread(thread, &result);
    CloseHandle(thread);
    return ended && result == 0 && WaitForViewsIdle();
}

bool SelectFolder(const std::string& path)
{
    HTREEITEM item = FindTreeItemString(GApp.hwndTree, path.c_str());
    if (!item) return false;
    // A folder is chosen in the tree: the folder view is the one shown.
    GApp.hwndFocusView = GApp.hwndTree;
    if (TreeView_GetSelection(GApp.hwndTree) == item) HandleFolderSelection(item);
    else TreeView_SelectItem(GApp.hwndTree, item);
    return WaitForViewsIdle();
}

std::string Cell(HWND list, int row, int column)
{
    char text[1024] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
    return text;
}

int Rows(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

std::vector<std::string> ColumnTexts(HWND list, int column)
{
    std::vector<std::string> texts;
    for (int row = 0; row < Rows(list); row++) texts.push_back(Cell(list, row, column));
    return texts;
}

std::vector<std::string> FullNames(HWND list)
{
    std::vector<std::string> names;
    for (int row = 0; row < Rows(list); row++) names.push_back(Cell(list, row, 7) + Cell(list, row, 0));
    return names;
}

static void CollectTreePaths(HWND tree, HTREEITEM parent, const std::string& prefix, std::vector<std::string>* out)
{
    for (HTREEITEM child = TreeView_GetChild(tree, parent); child; child = TreeView_GetNextSibling(tree, child)) {
        char text[300] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = child;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item);
        std::string path = prefix.empty() ? std::string(text) : prefix + "\\" + text;
        out->push_back(path);
        CollectTreePaths(tree, child, path, out);
    }
}

std::vector<std::string> TreePaths(void)
{
    std::vector<std::string> paths;
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    if (root) CollectTreePaths(GApp.hwndTree, root, "", &paths);
    return paths;
}

std::vector<std::string> ComboEntries(void)
{
    std::vector<std::string> entries;
    char text[300];
    for (int i = 0; GetPathComboEntry(i, text, sizeof text); i++) entries.push_back(text);
    return entries;
}

std::string StatusText(int part)
{
    char text[520] = "";
    if ((LOWORD(SendMessageA(GApp.hwndStatus, SB_GETTEXTLENGTHA, part, 0))) < sizeof text)
        SendMessageA(GApp.hwndStatus, SB_GETTEXTA, part, (LPARAM)text);
    return text;
}

void SelectRows(HWND list, const std::vector<int>& rows)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
    item.state = LVIS_SELECTED;
    for (int row : rows) SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

int AppendTextRow(HWND list, const char* const texts[8])
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = Rows(list);
    item.pszText = (char*)texts[0];
    int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    for (int c = 1; row >= 0 && c < 8; c++) {
        LVITEMA sub = {};
        sub.iSubItem = c;
        sub.pszText = (char*)texts[c];
        SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&sub);
    }
    return row;
}
