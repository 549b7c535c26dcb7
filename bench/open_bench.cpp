// Opening an archive in the main window: the time until every row is listed with its totals in
// the status bar, and until the folder tree, the path combo and TreeList are ready too (the end
// of the open). Run by bench/run_open.sh.
//   bench_open <archive> [rounds]
// BENCH_PLAIN_LISTS=1 takes the lists' subclass procedures away first (a diagnostic of their cost);
// BENCH_HIDDEN=1 keeps the window hidden; BENCH_VERBOSE=n sets the log level.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/langtext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "config/log.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "zip/listing.h"

namespace {

void Pump(void)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
}

int CountTreeItems(void)
{
    return (int)SendMessageA(GApp.hwndTree, TVM_GETCOUNT, 0, 0);
}

// CPU time of the calling thread (the window thread here) in milliseconds.
double ThreadCpuMs(void)
{
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
    auto ms = [](const FILETIME& t) { return (double)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: bench_open <archive> [rounds]\n");
        return 2;
    }
    int rounds = argc > 2 ? atoi(argv[2]) : 3;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    SetLanguage(LANG_CODE_ENGLISH);
    if (getenv("BENCH_VERBOSE")) SetVerboseLevel(atoi(getenv("BENCH_VERBOSE")));
    SetSettingsKeyPath("SOFTWARE\\KelvoraBench");
    SetDoNotSaveRecent(1);
    GApp.currentJob = (ListingJob*)calloc(1, sizeof(ListingJob));
    InstallViewHandlers();
    RegisterMainWindowClass(GetModuleHandleA(nullptr));
    HWND frame = CreateMainWindow(GetModuleHandleA(nullptr), getenv("BENCH_HIDDEN") ? SW_HIDE : SW_SHOWNORMAL);
    if (!frame) return 3;
    if (getenv("BENCH_PLAIN_LISTS")) {
        // Diagnostic: the two lists without their subclass chain, to see what the chain costs.
        WNDCLASSA wc;
        GetClassInfoA(nullptr, WC_LISTVIEWA, &wc);
        HWND lists[] = {GApp.hwndList, GApp.hwndTreeList};
        for (HWND l : lists) SetWindowLongPtrA(l, GWLP_WNDPROC, (LONG_PTR)wc.lpfnWndProc);
        printf("lists without their subclass chain\n");
    }

    std::vector<double> rowsReady, allReady;
    for (int round = 0; round < rounds; ++round) {
        double start = GetMilliseconds();
        double cpuStart = ThreadCpuMs();
        if (!OpenCompressedFile(argv[1], frame)) return 4;
        double started = GetMilliseconds() - start;
        double rowsAt = 0, cpuAtRows = 0;
        while (GApp.busyOpen.load()) {
            if (!rowsAt && !GApp.busy.load() && GApp.listTotals.rows > 0 &&
                SendMessageA(GApp.hwndList, LVM_GETITEMCOUNT, 0, 0) == GApp.listTotals.rows)
            {
                rowsAt = GetMilliseconds() - start;
                cpuAtRows = ThreadCpuMs() - cpuStart;
            }
            Pump();
        }
        // The post-open step (commands, watcher) is sent before the open ends; let it finish.
        for (int i = 0; i < 5; ++i) Pump();
        double end = GetMilliseconds() - start;
        double windowCpu = ThreadCpuMs() - cpuStart;
        if (!rowsAt) rowsAt = end;
        rowsReady.push_back(rowsAt);
        allReady.push_back(end);
        printf("round %d: rows %lld, tree items %d, combo entries %d: listing started after %.0f ms, rows and "
               "totals after %.0f ms, folder tree and combo after %.0f ms (window thread busy %.0f ms, %.0f ms of them until the rows)\n",
               round + 1, (long long)SendMessageA(GApp.hwndList, LVM_GETITEMCOUNT, 0, 0), CountTreeItems(),
               (int)SendMessageA(GApp.hwndPathCombo, CB_GETCOUNT, 0, 0), started, rowsAt, end, windowCpu, cpuAtRows);
    }
    printf("median: rows and totals %.0f ms, everything %.0f ms\n", Median(rowsReady), Median(allReady));
    printf("RESULT_MS %.0f\n", Median(allReady));
    DestroyWindow(frame);
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\KelvoraBench");
    return 0;
}
