// The folder view and the content search, timed as the user meets them (bench/run_views.sh):
//   selecting a folder of 10 000 files: from the selection until TreeList holds every row;
//   content search: from the request until the member holding the text is found.
// Usage: bench_views FOLDERS.zip FOLDER SEARCH.zip TEXT [rounds]
// Prints "FOLDER_MS <median> <rows> <fastest>" and "SEARCH_MS <median> <row>" for the script.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "config/log.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/listview.h"
#include "model/search.h"
#include "model/strutil.h"
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
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return true;
}

bool Idle(void)
{
    return !GApp.TVNSem.load() && !GApp.busy.load() && !GApp.tvncached[0] && !IsTreeListFilling();
}

bool Open(const char* archive)
{
    CopyBounded(GApp.currentArchive, sizeof GApp.currentArchive, archive);
    SetCompressionMethod(CM_ZIP);
    static ListingJob job;
    InitListingJob(&job, archive, GApp.hwndTreeList, GApp.hwndTree, nullptr);
    job.silent = 1;
    GApp.currentJob = &job;
    HANDLE thread = CreateThread(nullptr, 0, ListZipFilesThread, &job, 0, nullptr);
    if (!thread) return false;
    bool ok = PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 600000);
    CloseHandle(thread);
    return ok && PumpUntil(Idle, 600000);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: bench_views FOLDERS.zip FOLDER SEARCH.zip TEXT [rounds]\n");
        return 2;
    }
    const char* folders = argv[1];
    const char* folder = argv[2];
    const char* searched = argv[3];
    const char* text = argv[4];
    int rounds = argc > 5 ? atoi(argv[5]) : 5;
    // KELVORA_BENCH_VERBOSE=7 prints the stage times of the folder-view rebuild.
    if (const char* verbose = getenv("KELVORA_BENCH_VERBOSE")) GApp.verbose = atoi(verbose);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelvoraViewsBench";
    RegisterClassA(&wc);
    HWND main = CreateWindowA("KelvoraViewsBench", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1200, 700, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    GApp.hwndMain = main;
    GApp.hwndList = CreateArchiveListView(main, 2002);
    GApp.hwndTreeList = CreateArchiveListView(main, 2004);
    GApp.hwndTree = CreateFolderTree(main, 2003);
    GApp.hwndPathCombo = CreatePathCombo(main, 2005);
    GApp.hwndStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main, (HMENU)17001,
                                      GetModuleHandleA(nullptr), nullptr);
    MoveWindow(GApp.hwndTree, 0, 0, 300, 650, TRUE);
    MoveWindow(GApp.hwndTreeList, 300, 0, 900, 650, TRUE);
    ShowWindow(GApp.hwndList, SW_HIDE);
    GApp.hwndFocusView = GApp.hwndTree;
    InstallViewHooksIntoZipEngine();

    double started = GetMilliseconds();
    if (!Open(folders)) {
        fprintf(stderr, "cannot open %s\n", folders);
        return 1;
    }
    printf("opened %s: %d rows in %.0f ms\n", folders, (int)SendMessageA(GApp.hwndList, LVM_GETITEMCOUNT, 0, 0),
           GetMilliseconds() - started);
    HTREEITEM big = FindTreeItemString(GApp.hwndTree, folder);
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    if (!big || !root) {
        fprintf(stderr, "no folder %s\n", folder);
        return 1;
    }
    std::vector<double> folderTimes;
    int rows = 0;
    for (int r = 0; r < rounds; r++) {
        TreeView_SelectItem(GApp.hwndTree, root);
        PumpUntil(Idle, 60000);
        double t0 = GetMilliseconds();
        TreeView_SelectItem(GApp.hwndTree, big);
        PumpUntil(Idle, 60000);
        double t = GetMilliseconds() - t0;
        rows = (int)SendMessageA(GApp.hwndTreeList, LVM_GETITEMCOUNT, 0, 0);
        folderTimes.push_back(t);
        printf("round %d: folder %s, %d rows in TreeList after %.0f ms\n", r + 1, folder, rows, t);
    }
    printf("FOLDER_MS %.0f %d %.0f\n", Median(folderTimes), rows, *std::min_element(folderTimes.begin(), folderTimes.end()));

    ClearViews();
    GApp.hwndFocusView = GApp.hwndList;
    if (!Open(searched)) {
        fprintf(stderr, "cannot open %s\n", searched);
        return 1;
    }
    std::vector<double> searchTimes;
    int found = -1;
    for (int r = 0; r < (rounds < 3 ? rounds : 3); r++) {
        double t0 = GetMilliseconds();
        found = HandleSearchViewRows(GApp.hwndList, -1, text, 0, 0);
        double t = GetMilliseconds() - t0;
        searchTimes.push_back(t);
        char name[260] = "";
        LVITEMA item = {};
        item.pszText = name;
        item.cchTextMax = sizeof name;
        if (found >= 0) SendMessageA(GApp.hwndList, LVM_GETITEMTEXTA, found, (LPARAM)&item);
        printf("round %d: \"%s\" found in row %d (%s) after %.0f ms\n", r + 1, text, found, name, t);
    }
    printf("SEARCH_MS %.0f %d\n", Median(searchTimes), found);
    ClearViews();
    DestroyWindow(main);
    OleUninitialize();
    return 0;
}
