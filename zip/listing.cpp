// Listing a ZIP archive into the main list (see listing.h).
#include "zip/listing.h"

#include <objbase.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/keys.h"
#include "model/liststruct.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/enginehooks.h"
#include "zip/ziphelper.h"

ZipEngineHooks GZipHooks = {};

namespace {

const char kSource[] = "Kelvora";
enum { kLogError = 1, kLogInfo = 5, kLogTrace = 8 };
// Rows travel to the list's thread in batches this large: one message per batch.
enum { kRowsPerBatch = 2048 };

std::mutex gEncryptedLock;
std::vector<int> gEncryptedRows;

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

}  // namespace

void SetArchiveMainTitle(const char* archive)
{
    if (!GApp.hwndMain) return;
    char title[600];
    if (archive && *archive)
        snprintf(title, sizeof title, "%s: %s", "Kelvora", archive);
    else
        snprintf(title, sizeof title, "%s", "Kelvora");
    if (!SetWindowTextA(GApp.hwndMain, title))
        LogPrint(kLogError, GApp.verbose, "SetMyWindowText failure %d", (int)GetLastError());
}

// Rows travel to the list's thread through a second stage: while the list's thread inserts one
// batch (the bulk of a listing's time), the walk builds the next one.
struct ListingBatch {
    HWND list;
    std::vector<ListRow> rows;         // the batch being built
    std::mutex lock;
    std::condition_variable ready;
    std::deque<std::vector<ListRow>> queue;
    int closing = 0;                   // no more batches will come
    int discard = 0;                   // cancelled: drop what is queued
    HANDLE feeder = nullptr;
};

static DWORD WINAPI FeedListThread(LPVOID param)
{
    ListingBatch* batch = (ListingBatch*)param;
    for (;;) {
        std::vector<ListRow> rows;
        {
            std::unique_lock<std::mutex> guard(batch->lock);
            batch->ready.wait(guard, [&] { return !batch->queue.empty() || batch->closing; });
            if (batch->queue.empty()) return 0;
            rows.swap(batch->queue.front());
            batch->queue.pop_front();
            if (batch->discard) {
                for (ListRow& row : rows) DiscardListRow(&row);
                continue;
            }
        }
        InsertListRowsBatch(batch->list, rows.data(), (int)rows.size());
    }
}

static void StartListingBatch(ListingBatch* batch, HWND list)
{
    batch->list = list;
    batch->rows.reserve(kRowsPerBatch);
    batch->feeder = CreateThread(nullptr, 0, FeedListThread, batch, 0, nullptr);
}

static void FlushListingBatch(ListingBatch* batch)
{
    if (!batch || batch->rows.empty()) return;
    if (!batch->feeder) {
        InsertListRowsBatch(batch->list, batch->rows.data(), (int)batch->rows.size());
        batch->rows.clear();
        return;
    }
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        batch->queue.emplace_back();
        batch->queue.back().swap(batch->rows);
    }
    batch->ready.notify_one();
    batch->rows.reserve(kRowsPerBatch);
}

// Waits until every queued batch is in the list (or dropped when discard is set).
static void FinishListingBatch(ListingBatch* batch, int discard)
{
    if (discard) {
        for (ListRow& row : batch->rows) DiscardListRow(&row);
        batch->rows.clear();
    } else {
        FlushListingBatch(batch);
    }
    if (!batch->feeder) return;
    {
        std::lock_guard<std::mutex> guard(batch->lock);
        batch->closing = 1;
        batch->discard = discard;
    }
    batch->ready.notify_one();
    WaitForSingleObject(batch->feeder, INFINITE);
    CloseHandle(batch->feeder);
    batch->feeder = nullptr;
}

void InitListingJob(ListingJob* job, const char* path, HWND viewList, HWND folderTree, HWND focusWindow)
{
    if (!job) return;
    memset(job, 0, sizeof *job);
    snprintf(job->archivePath, sizeof job->archivePath, "%s", path ? path : "");
    job->viewList = viewList;
    job->folderTree = folderTree;
    job->focusWindow = focusWindow;
    job->format = CM_ZIP;
    job->progressDelayMs = 3000;
}

int IsListedRowEncrypted(int row)
{
    std::lock_guard<std::mutex> lock(gEncryptedLock);
    return std::binary_search(gEncryptedRows.begin(), gEncryptedRows.end(), row) ? 1 : 0;
}

int GetEncryptedRowCount(void)
{
    std::lock_guard<std::mutex> lock(gEncryptedLock);
    return (int)gEncryptedRows.size();
}

void ClearEncryptedRows(void)
{
    std::lock_guard<std::mutex> lock(gEncryptedLock);
    gEncryptedRows.clear();
}

int do_listing_currentfile(unzFile uf, int64_t* compressed, int64_t* uncompressed, int64_t index,
                           int64_t* fileCount, ListingJob* job)
{
    unz_file_info64 info;
    char name[256];
    int rc = ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
    if (rc != UNZ_R_OK) return rc;
    const char* base = ZipBaseName(name);
    if (!*base) {
        // Directory entries are not shown; folders come from the paths of the files.
        *compressed += (int64_t)info.compressed_size;
        *uncompressed += (int64_t)info.uncompressed_size;
        return rc;
    }
    char display[256];
    char full[256];
    snprintf(display, sizeof display, "%s", base);
    snprintf(full, sizeof full, "%s", name);
    for (char* p = full; *p; ++p)
        if (*p == '/') *p = '\\';
    HWND list = GApp.hwndList;
    if (!list) {
        LogPrint(kLogError, GApp.verbose, "list is null yet!!! %s %s\n", display, full);
    } else {
        ListRowTime when = {(int)info.tmu_date.tm_sec, (int)info.tmu_date.tm_min, (int)info.tmu_date.tm_hour,
                            (int)info.tmu_date.tm_mday, (int)info.tmu_date.tm_mon, (int)info.tmu_date.tm_year};
        List* folders = job ? job->folderList : nullptr;
        if (job && job->batch) {
            ListRow row;
            if (BuildListRow(&row, &when, display, full, folders, (int64_t)info.compressed_size,
                             (int64_t)info.uncompressed_size)) {
                if (job->keyRows) AddKeyRowFromRecord(job->keyRows, row.record, row.dateText);
                job->batch->rows.push_back(row);
                if ((int)job->batch->rows.size() >= kRowsPerBatch) FlushListingBatch(job->batch);
            }
        } else {
            InsertListRow(list, &when, display, full, folders, (int64_t)info.compressed_size,
                          (int64_t)info.uncompressed_size);
        }
        if (info.flag & 1) {
            std::lock_guard<std::mutex> lock(gEncryptedLock);
            gEncryptedRows.push_back((int)*fileCount);
        }
    }
    (void)index;
    *fileCount += 1;
    *compressed += (int64_t)info.compressed_size;
    *uncompressed += (int64_t)info.uncompressed_size;
    return rc;
}

int do_listing(unzFile uf, ListingJob* job, int interactive)
{
    GApp.listTotals = ArchiveTotals{0, 0, 0};
    ClearEncryptedRows();
    if (job) {
        job->cancelled = 0;
        job->listed = 0;
        DestroyKeyRows(&job->keyRows);
        // The folder view's rebuild works from the rows gathered here instead of reading the
        // list back, and its trees are built while the list's thread still inserts rows.
        if (job->collectKeyRows) job->keyRows = CreateKeyRows();
    }
    if (!GetRememberSortedColumn() && GZipHooks.forgetSortState) GZipHooks.forgetSortState();

    unz_global_info64 gi = {};
    int rc = unzGetGlobalInfo64(uf, &gi);
    if (rc != UNZ_OK)
        LogPrint(kLogError, GApp.verbose, "do_listing: error %d with zipfile in unzGetGlobalInfo", UnzResultFromLibrary(rc));

    HWND list = GApp.hwndList;
    ListingBatch batch;
    StartListingBatch(&batch, list);
    if (job) job->batch = &batch;
    if (list) LockListRedraw(list);

    HCURSOR previousCursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    DWORD start = GetTickCount();
    int progressStarted = 0;
    int cancelled = 0;
    int delay = job ? job->progressDelayMs : 3000;
    int silent = job ? job->silent : 0;
    int64_t files = 0, compressed = 0, uncompressed = 0;
    static char heading[260];

    if (gi.number_entry > 0 && unzGoToFirstFile(uf) != UNZ_OK) gi.number_entry = 0;
    for (uint64_t i = 0; i < gi.number_entry;) {
        if (i == 0) {
            ZipCheckFirstEntryEncrypted(uf);
            if (GZipHooks.setProtectionToolTip) GZipHooks.setProtectionToolTip(IsZipPasswordProtected());
        }
        do_listing_currentfile(uf, &compressed, &uncompressed, (int64_t)i, &files, job);
        if (!silent && !progressStarted && (int)(GetTickCount() - start) > delay) {
            // Long listings get the progress dialog late; short ones never see it.
            snprintf(heading, sizeof heading, "%s", GetGenericText(85));
            SetCanceledByUser(0);
            progressStarted = StartProgressDialogThread(interactive ? 1 : 0, interactive ? heading : nullptr);
            if (progressStarted) {
                if (!interactive) SetProgressHeading(GetGenericText(85));
                SetProgressMinimum(0);
                SetProgressMaximum((int)(gi.number_entry / 100));
                ExecuteProgressPos(GetProgressDialog(), (unsigned)(i / 100));
                LockWindowUpdate(nullptr);
            }
        }
        if (progressStarted && i % 100 == 0) {
            if (IsCanceledByUser()) {
                cancelled = 1;
                break;
            }
            ExecuteProgressStep(GetProgressDialog());
            char line[260];
            snprintf(line, sizeof line, "%llu %s %llu", (unsigned long long)i, GetGenericText(86),
                     (unsigned long long)gi.number_entry);
            SetProgressFileText(line);
        }
        ++i;
        if (i < gi.number_entry) {
            rc = unzGoToNextFile(uf);
            if (rc != UNZ_OK) {
                LogPrint(kLogError, GApp.verbose, "do_listing: error %d with zipfile in unzGoToNextFile",
                         UnzResultFromLibrary(rc));
                break;
            }
        }
    }

    if (job && job->keyRows) {
        // The trees are built beside the last batches' insertion and the totals, not before them.
        if (cancelled) DestroyKeyRows(&job->keyRows);
        else StartBuildingKeyRowTrees(job->keyRows);
    }
    FinishListingBatch(&batch, cancelled);
    if (job) job->batch = nullptr;
    if (list) UnlockListRedraw(list);
    SetCursor(previousCursor);

    GApp.listTotals.compressed = compressed;
    GApp.listTotals.uncompressed = uncompressed;
    if (!cancelled) {
        GApp.listTotals.rows = files;
        if (job) job->listed = files;
        if (progressStarted) DestroyProgressDialog();
        if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
        LeaveBusy(GApp.busy);
        if (list) SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)files, LVSICF_NOINVALIDATEALL);
        if (GZipHooks.attachSystemImageLists) GZipHooks.attachSystemImageLists();
        if (GZipHooks.showTotals) GZipHooks.showTotals(files, compressed, uncompressed);
        SetArchiveMainTitle(job ? job->archivePath : nullptr);
        if (GetRememberSortedColumn() && GZipHooks.resortFocusView) GZipHooks.resortFocusView();
        if (GApp.hwndMain) InvalidateRect(GApp.hwndMain, nullptr, TRUE);
    } else {
        if (job) job->cancelled = 1;
        if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
        LeaveBusy(GApp.busy);
        GApp.listTotals.rows = 0;
        ClearEncryptedRows();
        // A cancelled listing leaves an empty list, not a partial one with a stale count.
        if (list) {
            ClearList(list);
            SendMessageA(list, LVM_SETITEMCOUNT, 0, 0);
        }
        if (GZipHooks.resetPathCombo) GZipHooks.resetPathCombo();
    }
    return 0;
}

DWORD WINAPI ListZipFilesThread(LPVOID param)
{
    ListingJob* job = (ListingJob*)param;
    HRESULT com = CoInitialize(nullptr);
    LogPrint(kLogInfo, GApp.verbose, "ListZipFilesThread started");
    HCURSOR previousCursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    DWORD result = 0;
    unzFile uf = job ? MyWaitunzOpen2_64(job->archivePath, 3000) : nullptr;
    // Only a window with a folder view rebuilds it after the listing.
    if (job) job->collectKeyRows = GApp.hwndTree ? 1 : 0;
    if (uf) {
        if (job->focusWindow) LockWindowUpdate(job->focusWindow);
        double started = GetMilliseconds();
        do_listing(uf, job, 1);
        LockWindowUpdate(nullptr);
        LogPrint(6, GApp.verbose, "time measure(do_listing): %d\n", (int)(GetMilliseconds() - started));
        unzClose(uf);
        if (job->viewList && job->viewList == GApp.hwndTreeList && GZipHooks.rebuildFolderTree)
            GZipHooks.rebuildFolderTree(job);
        if (!job->cancelled && job->listed > 0) {
            SetArchiveMainTitle(job->archivePath);
            if (GZipHooks.addToRecent) GZipHooks.addToRecent(job->archivePath);
            if (GApp.hwndList && !IsWindowEnabled(GApp.hwndList)) EnableWindow(GApp.hwndList, TRUE);
            if (GZipHooks.afterOpen) GZipHooks.afterOpen(job);
        }
    } else {
        result = 1;
        char text[260];
        const char* path = job ? job->archivePath : "";
        DWORD system = GetZipLastSystemError();
        if (system) {
            char systemText[200];
            if (!FormatSystemError(systemText, sizeof systemText, system)) snprintf(systemText, sizeof systemText, "%lu", system);
            if (IsDebugConsole())
                snprintf(text, sizeof text, "(DebugConsole)\nLine: %d ziperror: %s\n%s \"%s\" %s:\n%s", 6001,
                         UnzResultText(UnzLastOpenError), GetMessageText(35), path, GetMessageText(36), systemText);
            else
                snprintf(text, sizeof text, "%s \"%s\" %s:\n%s", GetMessageText(35), path, GetMessageText(36), systemText);
            ClearZipLastSystemError();
        } else if (IsDebugConsole()) {
            snprintf(text, sizeof text, "(DebugConsole)\nLine: %d ziperror: %s\n%s \"%s\" %s", 6009,
                     UnzResultText(UnzLastOpenError), GetMessageText(35), path, GetMessageText(36));
        } else {
            snprintf(text, sizeof text, "%s \"%s\" %s", GetMessageText(35), path, GetMessageText(36));
        }
        PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP | MB_TOPMOST);
        SetArchiveMainTitle(nullptr);
        if (GZipHooks.openFailed) GZipHooks.openFailed(job);
    }
    if (job) {
        DestroyKeyRows(&job->keyRows);
        job->collectKeyRows = 0;
    }
    if (job && job->focusWindow) SetFocus(job->focusWindow);
    SetCursor(previousCursor);
    LeaveBusy(GApp.busy);
    LeaveBusy(GApp.busyOpen);
    if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
