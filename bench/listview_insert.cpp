// Measures filling a report list view with archive rows the way the listings do: rows built
// completely (record, texts, type name and icon from the per-extension cache), handed over in
// batches and inserted with repainting off. For comparison, the naive way asks the shell for
// every row and inserts each row on its own.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/appstate.h"
#include "model/liststruct.h"

static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY && ((NMHDR*)lParam)->code == LVN_DELETEITEM) {
        HandleListDeleteItem((NMLISTVIEW*)lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct Host {
    HWND parent;
    HWND list;
};

static int CreateHost(Host* host)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelvoraBenchHost";
    RegisterClassA(&wc);
    host->parent = CreateWindowA("KelvoraBenchHost", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 700,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    if (!host->parent) return 0;
    host->list = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 980, 660, host->parent,
                               (HMENU)1, wc.hInstance, nullptr);
    if (!host->list) return 0;
    SHFILEINFOA info = {};
    HIMAGELIST icons = (HIMAGELIST)SHGetFileInfoA("file.txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                  SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    SendMessageA(host->list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)icons);
    const char* titles[8] = {"Name", "", "Compressed", "Size", "Rate", "Date", "Type", "Path"};
    for (int c = 0; c < 8; c++) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = 110;
        col.pszText = (char*)titles[c];
        col.iSubItem = c;
        SendMessageA(host->list, LVM_INSERTCOLUMNA, c, (LPARAM)&col);
    }
    return PrepareListForRowBatches(host->list);
}

static void PumpPending(void)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (double)(to.QuadPart - from.QuadPart) / (double)f.QuadPart;
}

// A member name of a typical mixed archive: a dozen extensions, folders a few levels deep.
static void MemberName(int i, char* display, size_t displaySize, char* full, size_t fullSize)
{
    static const char* const kExtensions[] = {"txt", "c", "h", "png", "jpg", "html", "css", "js",
                                              "xml", "json", "md", "dll", "exe", "zip", "pdf", "xyz"};
    snprintf(display, displaySize, "file%06d.%s", i, kExtensions[i % 16]);
    snprintf(full, fullSize, "src\\module%02d\\part%d\\%s", (i / 500) % 40, i % 5, display);
}

struct WorkerJob {
    HWND list;
    int rows;
    int batch;     // rows per hand-over; 0 = InsertListRow for every row, no repaint lock
    int inserted;
    double buildSeconds;
};

// The listing side: builds rows and hands each batch to the window thread.
static DWORD WINAPI FillListThread(void* parameter)
{
    WorkerJob* job = (WorkerJob*)parameter;
    ListRowTime time = {30, 15, 10, 3, 5, 2024};
    char display[64], full[128];
    if (job->batch == 0) {
        for (int i = 0; i < job->rows; i++) {
            MemberName(i, display, sizeof display, full, sizeof full);
            if (InsertListRow(job->list, &time, display, full, nullptr, 1000 + i, 3000 + i) >= 0) job->inserted++;
        }
        return 0;
    }
    std::vector<ListRow> rows(job->batch);
    LockListRedraw(job->list);
    for (int first = 0; first < job->rows; first += job->batch) {
        int n = job->rows - first < job->batch ? job->rows - first : job->batch;
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        for (int i = 0; i < n; i++) {
            MemberName(first + i, display, sizeof display, full, sizeof full);
            BuildListRow(&rows[i], &time, display, full, nullptr, 1000 + first + i, 3000 + first + i);
        }
        QueryPerformanceCounter(&b);
        job->buildSeconds += Seconds(a, b);
        job->inserted += InsertListRowsBatch(job->list, rows.data(), n);
    }
    UnlockListRedraw(job->list);
    return 0;
}

struct Figure {
    int rows;
    double seconds;
    double buildSeconds;
    long shellQueries;
    double RowsPerSecond() const { return seconds > 0 ? rows / seconds : 0; }
};

// Empties the list, runs one listing worker while the window thread keeps its message loop
// going, and measures it.
static Figure RunListing(Host* host, int rows, int batch, int askShellPerRow)
{
    ClearList(host->list);
    ClearShellTypeCache();
    SetShellTypeCacheEnabled(askShellPerRow ? 0 : 1);
    PumpPending();
    WorkerJob job = {host->list, rows, batch, 0, 0.0};
    long queries = ShellTypeQueryCount();
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    HANDLE thread = CreateThread(nullptr, 0, FillListThread, &job, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) PumpPending();
    CloseHandle(thread);
    PumpPending();
    QueryPerformanceCounter(&b);
    SetShellTypeCacheEnabled(1);
    Figure f = {job.inserted, Seconds(a, b), job.buildSeconds, ShellTypeQueryCount() - queries};
    if (job.inserted != rows) printf("  only %d of %d rows inserted\n", job.inserted, rows);
    return f;
}

int main(int argc, char** argv)
{
    int rows = argc > 1 ? atoi(argv[1]) : 100000;
    int naiveRows = argc > 2 ? atoi(argv[2]) : 2000;
    int batch = argc > 3 ? atoi(argv[3]) : 4096;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitialize(nullptr);
    GApp.verbose = 0;
    Host host;
    if (!CreateHost(&host)) {
        fprintf(stderr, "cannot create the list view\n");
        return 1;
    }
    PumpPending();

    Figure batched = RunListing(&host, rows, batch, 0);
    printf("batched, type cache:       %6d rows in %6.2f s = %8.0f rows/s (building rows %.2f s, %ld shell queries, "
           "batches of %d)\n",
           batched.rows, batched.seconds, batched.RowsPerSecond(), batched.buildSeconds, batched.shellQueries, batch);
    Figure shellPerRow = RunListing(&host, naiveRows, batch, 1);
    printf("batched, shell per row:    %6d rows in %6.2f s = %8.0f rows/s (%ld shell queries)\n", shellPerRow.rows,
           shellPerRow.seconds, shellPerRow.RowsPerSecond(), shellPerRow.shellQueries);
    Figure naive = RunListing(&host, naiveRows, 0, 1);
    printf("naive, row by row + shell: %6d rows in %6.2f s = %8.0f rows/s (%ld shell queries, one message per row, "
           "repainting)\n",
           naive.rows, naive.seconds, naive.RowsPerSecond(), naive.shellQueries);
    if (shellPerRow.RowsPerSecond() > 0 && naive.RowsPerSecond() > 0)
        printf("ratio: batched with cache = %.1f x shell per row, %.1f x naive\n",
               batched.RowsPerSecond() / shellPerRow.RowsPerSecond(), batched.RowsPerSecond() / naive.RowsPerSecond());
    ClearList(host.list);

    DestroyWindow(host.list);
    DestroyWindow(host.parent);
    CoUninitialize();
    return 0;
}
