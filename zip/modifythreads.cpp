// The modification threads and their starters (see modify.h): they build the selections from
// the views, run the rewrite operations in their two passes for the names' code page and then
// bring the views in step with the archive.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <minizip/unzip.h>

#include "app/langtext.h"
#include "config/log.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/keys.h"
#include "model/list.h"
#include "model/listview.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/strutil.h"
#include "model/zipentry.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/enginehooks.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"

std::atomic<int> GModificationRunning{0};
ModifyHooks GModifyHooks = {};

int IsModificationRunning(void)
{
    return GModificationRunning.load();
}

namespace {

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

void SetBusyCursor(int on)
{
    if (GModifyHooks.setBusyCursor) GModifyHooks.setBusyCursor(on);
}

void RefreshView(HWND view)
{
    if (GModifyHooks.refreshView) GModifyHooks.refreshView(view);
    else if (view) InvalidateRect(view, nullptr, TRUE);
}

// The totals of the active view in the status bar.
void ShowActiveTotals(void)
{
    if (!GZipHooks.showTotals) return;
    const ArchiveTotals& t = (GApp.hwndTreeList && GetViewList() == GApp.hwndTreeList) ? GApp.treeListTotals
                                                                                      : GApp.listTotals;
    GZipHooks.showTotals(t.rows, t.compressed, t.uncompressed);
}

// The selected rows of view, in ascending order.
std::vector<int> SelectedRows(HWND view)
{
    std::vector<int> rows;
    int i = -1;
    while ((i = (int)SendMessageA(view, LVM_GETNEXTITEM, (WPARAM)i, MAKELPARAM(LVNI_SELECTED, 0))) >= 0)
        rows.push_back(i);
    return rows;
}

// The member's full name of a row: path column and name column joined.
void RowFullName(HWND view, int row, char* out, size_t outSize)
{
    char columns[8][260];
    ReadListColumns(view, row, columns);
    const char* path = columns[7];
    const char* name = columns[0];
    size_t n = strlen(path);
    if (n == 0) snprintf(out, outSize, "%s", name);
    else if (path[n - 1] == '/' || path[n - 1] == '\\') snprintf(out, outSize, "%s%s", path, name);
    else snprintf(out, outSize, "%s/%s", path, name);
}

// Puts the full names of rows of view into a BSTree ZipEntry set. Returns the count.
int FillSetWithRows(HWND view, const std::vector<int>& rows, BSTree* set)
{
    // Rows come in the list's order, often sorted: the set takes them all at once.
    std::vector<void*> entries;
    for (int row : rows) {
        char full[260];
        RowFullName(view, row, full, sizeof full);
        ZipEntry* ze = CreateZipEntry(full, nullptr, row);
        if (!ze) continue;
        LogPrint(5, GApp.verbose, "FillZipTreeWithSelectedFromList: adding itemtext %s", full);
        entries.push_back(ze);
    }
    return entries.empty() ? 0 : BSTreeInsertAll(set, entries.data(), (int)entries.size());
}

// Deletes the rows (any order) from the last to the first, with repainting off.
void DeleteRows(HWND view, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    LockListRedraw(view);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it >= 0) DeleteListRow(view, *it);
    UnlockListRedraw(view);
}

// Waits for event while handling messages sent to this thread, so that a starter that owns
// the list view does not block the thread that changes it.
void WaitHandlingSentMessages(HANDLE event)
{
    for (;;) {
        DWORD w = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_SENDMESSAGE);
        if (w == WAIT_OBJECT_0 || w == WAIT_FAILED) return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// The end of DeleteThread: a waiting starter frees the context, else the thread does.
void FinishDeleteContext(DeleteContext* ctx)
{
    if (ctx->event) {
        LogPrint(5, GApp.verbose, "DeleteThread: setting event");
        SetEvent(ctx->event);
    } else {
        LogPrint(5, GApp.verbose, "DeleteThread: not setting event");
        free(ctx);
    }
}

// The sentence of message 15 without its question ("exists already").
void ExistsAlreadyText(char* out, size_t outSize)
{
    CopyBounded(out, outSize, GetMessageText(15));
    char* dot = strchr(out, '.');
    if (dot) dot[1] = '\0';
}

}  // namespace

int ReportRewriteFailure(int result, const char* archivePath, const RewriteOutcome* outcome)
{
    char text[1200];
    if (result == REWRITE_REPLACE_FAILED) {
        if (outcome && outcome->tempPath[0])
            snprintf(text, sizeof text, "%s %s\n%s\n\n%s", GetMessageText(45), GetMessageText(99),
                     archivePath ? archivePath : "", outcome->tempPath);
        else
            snprintf(text, sizeof text, "%s %s\n%s", GetMessageText(45), GetMessageText(99),
                     archivePath ? archivePath : "");
    } else if (result == REWRITE_READ_ONLY) {
        ReadOnlyArchiveText(archivePath, text, sizeof text);
    } else if (result == REWRITE_NAME_COLLISION) {
        char exists[260];
        ExistsAlreadyText(exists, sizeof exists);
        snprintf(text, sizeof text, "%s \"%s\" %s", GetMessageText(14), outcome ? outcome->collision : "", exists);
    } else if (result == REWRITE_AMBIGUOUS_NAME) {
        snprintf(text, sizeof text,
                 "%s\n\"%s\" stands for several members whose names differ only in characters this system's "
                 "code page cannot show: the archive was not changed.",
                 archivePath ? archivePath : "", outcome ? outcome->collision : "");
    } else {
        return 0;
    }
    PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
    return 1;
}

int DeleteFiles(HWND view, const char* archivePath, const char* question, int wait, int noQuestion, int* resultOut)
{
    if (GApp.busy.load()) return DELETE_BUSY;
    int simulation = GetDeleteSimulation();
    int count = (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
    if (count <= 0) return DELETE_EMPTY_LIST;
    int selected = (int)SendMessageA(view, LVM_GETSELECTEDCOUNT, 0, 0);
    if (selected <= 0) return DELETE_NOTHING_SELECTED;
    char text[1200];
    if (question) snprintf(text, sizeof text, "%s", question);
    else if (selected == 1) snprintf(text, sizeof text, "%s ?", GetMessageText(11));
    else snprintf(text, sizeof text, "%s %d %s ?", GetMessageText(12), selected, GetMessageText(13));
    if (!noQuestion &&
        PromptMessageBox(OwnerWindow(), text, "Kelvora", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
        return DELETE_DECLINED;
    if (!TryEnterBusy(GApp.busy)) return DELETE_BUSY;

    DeleteContext* ctx = (DeleteContext*)calloc(1, sizeof(DeleteContext));
    if (!ctx) {
        LeaveBusy(GApp.busy);
        return DELETE_NOT_STARTED;
    }
    ctx->view = view;
    ctx->view2 = view;
    ctx->simulation = simulation;
    CopyBounded(ctx->archivePath, sizeof ctx->archivePath, archivePath);
    // The event has no name: a named one is shared by every process of the session, so two
    // running programs would wake each other's waiting starters.
    if (wait) ctx->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE event = ctx->event;

    StartProgressDialogThread(0, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, DeleteThread, ctx, 0, nullptr);
    if (!thread) {
        DestroyProgressDialogWhenReady();
        if (event) CloseHandle(event);
        free(ctx);
        LeaveBusy(GApp.busy);
        return DELETE_NOT_STARTED;
    }
    CloseHandle(thread);
    if (wait && event) {
        LogPrint(5, GApp.verbose, "DeleteFiles before wait");
        WaitHandlingSentMessages(event);
        CloseHandle(event);
        if (resultOut) *resultOut = ctx->result;
        free(ctx);
        LogPrint(5, GApp.verbose, "DeleteFiles after wait and delete");
    }
    return DELETE_STARTED;
}

DWORD WINAPI DeleteThread(LPVOID param)
{
    DeleteContext* ctx = (DeleteContext*)param;
    GModificationRunning.store(1);
    HWND view = ctx->view;
    // The rows are taken once: the archive loses these members and the views these rows.
    std::vector<int> rows = SelectedRows(view);
    SetProgressMinimum(0);
    SetProgressMaximum((int)rows.size());

    int result = REWRITE_NOT_REPLACED;
    RewriteOutcome outcome;
    memset(&outcome, 0, sizeof outcome);
    if (GCompressionMethod == CM_ZIP) {
        BSTree* set = CreateZipEntrySet();
        if (set) {
            FillSetWithRows(view, rows, set);
            result = DeleteFileFromZIPTwoPass(ctx->archivePath, set, ctx->simulation, &outcome);
            BSTreeDestroy(&set);
        }
    }
    ctx->result = result;
    if (result < 0) {
        LogPrint(1, GApp.verbose, "DeleteThread: !!! got an error cannot delete !!! #:%d", result);
        DestroyProgressDialog();
        ReportRewriteFailure(result, ctx->archivePath, &outcome);
        GModificationRunning.store(0);
        LeaveBusy(GApp.busy);
        // A waiting starter is woken in every case: it frees the context.
        FinishDeleteContext(ctx);
        return 0;
    }
    // Both lists, the ready keys, the folder tree and the combo lose what the archive lost;
    // the totals follow the rows, and the status bar shows those of the active view.
    SetBusyCursor(1);
    if (!rows.empty()) SynchronizeListTreeListDelete(view, rows.data(), (int)rows.size());
    SetBusyCursor(0);
    ShowActiveTotals();
    DestroyProgressDialog();
    GModificationRunning.store(0);
    RefreshView(view);
    LeaveBusy(GApp.busy);
    FinishDeleteContext(ctx);
    return 0;
}

DWORD WINAPI ChangeThreadFilename(LPVOID param)
{
    const RenameRequest* request = (const RenameRequest*)param;
    GModificationRunning.store(1);
    SetBusyCursor(1);
    int result = REWRITE_NOT_REPLACED;
    RewriteOutcome outcome;
    memset(&outcome, 0, sizeof outcome);
    RenameRequest copy;
    memset(&copy, 0, sizeof copy);
    if (request) {
        CopyBounded(copy.oldKey, sizeof copy.oldKey, request->oldKey);
        CopyBounded(copy.newName, sizeof copy.newName, request->newName);
    }
    BSTree* set = CreateZipEntrySet();
    ZipEntry* ze = set && request ? CreateZipEntry(copy.oldKey, nullptr, 0) : nullptr;
    if (ze && BSTreeInsert(set, ze)) {
        char archive[260];
        CopyBounded(archive, sizeof archive, GApp.currentArchive);
        result = ChangeFileFromZIPTwoPass(archive, set, &copy, &outcome);
        if (result < 0) {
            LogPrint(0, GApp.verbose, "ChangeThreadFilename: !!! got an error cannot rename !!! #:%d", result);
            ReportRewriteFailure(result, archive, &outcome);
        }
    } else if (ze) {
        ReleaseZipEntry(ze);
    }
    BSTreeDestroy(&set);
    SetBusyCursor(0);
    LeaveBusy(GApp.busy);
    GModificationRunning.store(0);
    if (GModifyHooks.renameDone) GModifyHooks.renameDone(request, result);
    return (DWORD)result;
}

void DeleteCTRLCutEntries(void)
{
    HWND view = GModifyHooks.cutSourceView ? GModifyHooks.cutSourceView() : nullptr;
    if (!view) view = GetViewList();
    if (!view) {
        LogPrint(-1, GApp.verbose, "DeleteCTRLCutEntries: ViewList is not defined");
        return;
    }
    RBTree* set = CreateZipEntryRBSet();
    List* paths = ListCreateStrings();
    if (!set || !paths) {
        PromptMessageBox(OwnerWindow(), "Memory error", GetMessageText(94), MB_OK | MB_ICONSTOP);
        if (set) RBTreeDestroy(&set);
        if (paths) ListDestroy(&paths);
        return;
    }
    GModificationRunning.store(1);
    if (GModifyHooks.getCutPaths) GModifyHooks.getCutPaths(paths);
    int number = 0;
    for (ListNode* n = paths->head; n; n = n->next) {
        char path[260];
        CopyBounded(path, sizeof path, (const char*)n->data);
        ReplaceChar(path, '/', '\\');
        ZipEntry* ze = CreateZipEntry(path, nullptr, ++number);
        if (ze && !RBTreeInsert(set, ze, nullptr)) ReleaseZipEntry(ze);
    }
    ListDestroy(&paths);
    int result = REWRITE_NOT_REPLACED;
    RewriteOutcome outcome;
    memset(&outcome, 0, sizeof outcome);
    if (set->count > 0) {
        char archive[260];
        CopyBounded(archive, sizeof archive, GApp.currentArchive);
        result = DeleteFilesFromZIPRBTreeTwoPass(archive, set, &outcome);
        if (result != 0) {
            LogPrint(0, GApp.verbose, "DeleteCTRLCutEntries DeleteFilesFromZIPRBTree reported an error: %d", result);
            ReportRewriteFailure(result, archive, &outcome);
        }
    }
    RBTreeDestroy(&set);
    // The rows go only when their entries went: the view keeps showing the archive.
    if (result == REWRITE_DONE && GModifyHooks.getCutRows) {
        SetBusyCursor(1);
        int count = GModifyHooks.getCutRows(nullptr, 0);
        std::vector<int> rows(count > 0 ? (size_t)count : 0);
        if (count > 0) rows.resize((size_t)GModifyHooks.getCutRows(rows.data(), count));
        if (!rows.empty()) SynchronizeListTreeListDelete(view, rows.data(), (int)rows.size());
        SetBusyCursor(0);
        ShowActiveTotals();
    }
    if (GModifyHooks.forgetCut) GModifyHooks.forgetCut();
    GModificationRunning.store(0);
}

DWORD WINAPI HandleChangeFileContentThread(LPVOID)
{
    if (!TryEnterBusy(GApp.busy)) {
        LogPrint(-1, GApp.verbose, "already busy");
        return 1;
    }
    HWND edit = GModifyHooks.viewerEdit ? GModifyHooks.viewerEdit() : nullptr;
    char entryName[260] = "";
    if (!edit || !GModifyHooks.viewerEntryName || !GModifyHooks.viewerEntryName(entryName, sizeof entryName) ||
        !entryName[0]) {
        LogPrint(1, GApp.verbose, "HandleChangeFileContentThread: no text viewer");
        LeaveBusy(GApp.busy);
        return 1;
    }
    int length = GetWindowTextLengthA(edit);
    char* text = (char*)malloc((size_t)(length > 0 ? length : 0) + 1);
    if (!text) {
        LeaveBusy(GApp.busy);
        return 1;
    }
    int got = GetWindowTextA(edit, text, length + 1);
    if (got < 0) got = 0;
    text[got] = '\0';

    char question[1200];
    snprintf(question, sizeof question, "%s\n%s", GetMessageText(37), entryName);
    ReplaceChar(entryName, '\\', '/');

    HWND list = GApp.hwndList;
    DWORD answer = 1;
    int rows = list ? (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) : 0;
    int selected = list ? (int)SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) : 0;
    if (rows > 0 && selected > 0 &&
        PromptMessageBox(OwnerWindow(), question, "Kelvora", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK) {
        GModificationRunning.store(1);
        char archive[260];
        CopyBounded(archive, sizeof archive, GApp.currentArchive);
        StartProgressDialogThread(0, nullptr);
        SetProgressMinimum(0);
        SetProgressMaximum(1);
        RewriteOutcome outcome;
        int result = ReplaceZipEntryContent(archive, entryName, text, (size_t)got, GetCompressionLevel(), &outcome);
        DestroyProgressDialog();
        answer = (DWORD)result;
        if (result != REWRITE_DONE) {
            LogPrint(0, GApp.verbose, "HandleChangeFileContentThread: the text was not saved #:%d", result);
            if (!ReportRewriteFailure(result, archive, &outcome))
                PromptMessageBox(OwnerWindow(), GetMessageText(38), GetMessageText(94), MB_OK | MB_ICONSTOP);
        } else {
            // The old entry's row goes; the new entry, written last, gets a row at the end.
            SetBusyCursor(1);
            DeleteRows(list, SelectedRows(list));
            unzFile uf = MyWaitunzOpen2_64(archive, 3000);
            if (uf) {
                GApp.listTotals.rows = GApp.listTotals.compressed = GApp.listTotals.uncompressed = 0;
                int rc = unzGoToFirstFile(uf);
                while (rc == UNZ_OK) {
                    unz_file_info64 info;
                    char name[260];
                    if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) != UNZ_R_OK) break;
                    GApp.listTotals.compressed += (int64_t)info.compressed_size;
                    GApp.listTotals.uncompressed += (int64_t)info.uncompressed_size;
                    if (!IsZipDirectoryName(name)) GApp.listTotals.rows += 1;
                    if (strcmp(name, entryName) == 0) {
                        char full[260];
                        CopyBounded(full, sizeof full, name);
                        if (GCompressionMethod != CM_TAR) ReplaceChar(full, '/', '\\');
                        ListRowTime t = {0, (int)info.tmu_date.tm_min, (int)info.tmu_date.tm_hour,
                                         (int)info.tmu_date.tm_mday, (int)info.tmu_date.tm_mon,
                                         (int)info.tmu_date.tm_year};
                        int row = InsertListRow(list, &t, ZipBaseName(full), full, nullptr,
                                                (int64_t)info.compressed_size, (int64_t)info.uncompressed_size);
                        if (row >= 0) {
                            LVITEMA state = {};
                            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                            state.state = LVIS_SELECTED | LVIS_FOCUSED;
                            SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&state);
                        }
                    }
                    rc = unzGoToNextFile(uf);
                }
                if (rc != UNZ_END_OF_LIST_OF_FILE)
                    LogPrint(1, GApp.verbose,
                             "HandleChangeFileContentThread: error %d with zipfile in unzGoToNextFile", rc);
                unzClose(uf);
            }
            SetBusyCursor(0);
            ShowActiveTotals();
        }
        GModificationRunning.store(0);
    }
    free(text);
    LeaveBusy(GApp.busy);
    return answer;
}
