#include "app/commands.h"
#include "history/history.h"
#include "history/recent.h"
#include "zip/enginehooks.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "config/log.h"
#include "config/settings.h"
#include "formats/formatops.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/listview.h"
#include "model/search.h"
#include "model/strutil.h"
#include "sfx/builder.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/create.h"
#include "zip/extract.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"

namespace {

const char kZipFilter[] = "ZIP (*.zip)\0*.zip\0*.*\0*.*\0";
char gLastExtractFolder[260] = "";

int RowCount(HWND view)
{
    return view ? (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) : 0;
}

int SelectedCount(HWND view)
{
    return view ? (int)SendMessageA(view, LVM_GETSELECTEDCOUNT, 0, 0) : 0;
}

// ---- handlers, one per command ----

int CmdNewArchive(HWND, int)
{
    return StartNewArchive(nullptr);
}

int CmdOpen(HWND frame, int)
{
    return OpenCompressedFile(nullptr, frame);
}

int CmdSelfExtractor(HWND frame, int)
{
    if (!GApp.currentArchive[0] || GCompressionMethod != CM_ZIP) return 0;
    return StartSelfExtractorFromOpenArchive(frame);
}

int CmdClose(HWND, int)
{
    StopArchiveWatcher();
    int done = ClearViews();
    RefreshCommandStates();
    return done;
}

int CmdReload(HWND frame, int)
{
    if (GApp.tempToDelete[0]) {
        DeleteFileA(GApp.tempToDelete);
        GApp.tempToDelete[0] = '\0';
    }
    if (RowCount(GetViewList()) <= 0 || !GApp.currentArchive[0]) return 0;
    char archive[260];
    CopyBounded(archive, sizeof archive, GApp.currentArchive);
    return OpenCompressedFile(archive, frame);
}

int CmdSaveCopy(HWND frame, int)
{
    if (!GApp.currentArchive[0]) return 0;
    char target[260] = "";
    FileDialogRequest save = {frame, GetMessageText(26), kZipFilter, "zip", nullptr,
                              OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, target, sizeof target};
    if (!PromptSaveFile(&save) || !target[0]) return 0;
    if (CopyFileA(GApp.currentArchive, target, FALSE)) return 1;
    // A copy that did not happen must not look like one that did.
    char text[900];
    snprintf(text, sizeof text, "%s \"%s\" %s", GetMessageText(35), target, GetMessageText(36));
    PromptMessageBox(frame, text, GetMessageText(94), MB_OK | MB_ICONSTOP);
    return 0;
}

int CmdExit(HWND frame, int)
{
    SendMessageA(frame, WM_CLOSE, 0, 0);
    return 1;
}

int CmdRename(HWND, int)
{
    HWND view = GetViewList();
    if (!OpenArchiveMayModify() || RowCount(view) <= 0) return 0;
    return BeginRenameSelectedRow(view);
}

int CmdSetPassword(HWND, int)
{
    return PromptSetPassword() == PROMPT_OK ? 1 : 0;
}

int CmdFind(HWND, int id)
{
    return FindReplace(nullptr, id == IDM_FIND_NAME ? 1 : 0);
}

int CmdAddFolder(HWND frame, int)
{
    HWND view = GetViewList();
    // An empty archive can be filled too; only an open archive whose format takes files is needed.
    const FormatOps* ops = OpenArchiveOps();
    if (!GApp.currentArchive[0] || !ops || !ops->addFiles) return 0;
    char prefix[260] = "";
    if (view == GApp.hwndTreeList && GApp.hwndPathCombo) GetWindowTextA(GApp.hwndPathCombo, prefix, sizeof prefix);
    // The status bar's switch: "Folder" asks for a folder, "Files" for files.
    if (GetAddDirectories() == 1) {
        std::vector<std::string> files;
        std::string folder;
        if (!AskForFilesToAdd(frame, &files, &folder)) return 0;
        std::vector<const char*> paths;
        for (const std::string& f : files) paths.push_back(f.c_str());
        return ops->addFiles(GApp.currentArchive, paths.data(), (int)paths.size(), prefix, 0);
    }
    char folder[260] = "";
    if (!PromptBrowseFolder(frame, GetMessageText(29), nullptr, folder, sizeof folder) || !folder[0]) return 0;
    const char* paths[1] = {folder};
    return ops->addFiles(GApp.currentArchive, paths, 1, prefix, 0);
}

int CmdDelete(HWND, int)
{
    HWND view = GetViewList();
    if (RowCount(view) <= 0 || !OpenArchiveMayModify()) return 0;
    return DeleteFiles(view, GApp.currentArchive, nullptr, 0, 0) == DELETE_STARTED ? 1 : 0;
}

int CmdSelectAll(HWND, int)
{
    HWND view = GetViewList();
    if (RowCount(view) <= 0) return 0;
    if (!BeginBusy()) return 0;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(view, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
    EndBusy();
    SetFocus(view);
    return 1;
}

int CmdFlatView(HWND, int)
{
    return IsFolderViewShown() ? SwitchView(0) : 0;
}

int CmdFolderView(HWND, int)
{
    return IsFolderViewShown() ? 0 : SwitchView(1);
}

int CmdHelp(HWND frame, int)
{
    char path[MAX_PATH + 40];
    BuildHelpFilePath(GetGCountry(), path, sizeof path);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        PromptMessageBox(frame, GetMessageText(78), "Kelvora", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    static HMODULE helpLibrary = nullptr;
    if (!helpLibrary) helpLibrary = LoadLibraryA("HHCTRL.OCX");
    if (!helpLibrary) {
        LogLine("HHCTRL.OCX");
        return 0;
    }
    typedef HWND(WINAPI * HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);
    HtmlHelpFn htmlHelp = (HtmlHelpFn)(void*)GetProcAddress(helpLibrary, "HtmlHelpA");
    if (!htmlHelp) {
        LogLine("function HtmlHelpA not found");
        return 0;
    }
    htmlHelp(frame, path, 1, 0);
    return 1;
}

int CmdAbout(HWND frame, int)
{
    char text[400];
    FormatAboutText(text, sizeof text);
    PromptMessageBox(frame, text, "Kelvora", MB_OK | MB_ICONINFORMATION);
    return 1;
}

int CmdRepair(HWND, int)
{
    RepairZipArchive();
    return 1;
}

int CmdExtractSeveral(HWND, int)
{
    BatchExtractJob options = {};
    options.folderPerArchive = 1;
    return StartBatchExtraction(&options);
}

int CmdRecent(HWND frame, int id)
{
    char path[260];
    CopyBounded(path, sizeof path, GetRecentFile(id - IDM_RECENT_FIRST));
    if (!path[0]) return 0;
    return OpenCompressedFile(path, frame);
}

int CmdHistory(HWND frame, int)
{
    return ShowHistoryDialog(frame);
}

int CmdRecentArchives(HWND frame, int)
{
    return (int)ShowRecentFilesDialog(frame);
}

// ---- extraction of the selection ----

DWORD WINAPI ExtractSelectionThread(LPVOID param)
{
    ExtractionContext* ctx = (ExtractionContext*)param;
    HRESULT com = CoInitialize(nullptr);
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->extract) ops->extract(ctx);
    free(ctx);
    EndBusy();
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_KV_REFRESH_COMMANDS, 0, 0);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

// Runs with busy taken by ExtractTreeFolder and gives it back at the end.
struct TreeFolderJob {
    TreeItemExtraction item;
    ExtractionContext ctx;
};

DWORD WINAPI ExtractTreeFolderThread(LPVOID param)
{
    TreeFolderJob* job = (TreeFolderJob*)param;
    HRESULT com = CoInitialize(nullptr);
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->extractFolder) job->item.result = ops->extractFolder(&job->ctx, job->item.folderPath);
    // A folder that had nothing to extract never reached the dialog's end.
    if (job->item.result == EXTRACT_FAILED) DestroyProgressDialog();
    free(job);
    EndBusy();
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_KV_REFRESH_COMMANDS, 0, 0);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

const CommandEntry kCommands[] = {
    {IDM_OPEN_MEMBER, OpenSelectedMembers, 1},
    {IDM_NEW_ARCHIVE, CmdNewArchive, 1},
    {IDM_OPEN, CmdOpen, 0},  // refuses itself with "already busy"
    {IDM_CLOSE, CmdClose, 1},
    {IDM_SELF_EXTRACTOR, CmdSelfExtractor, 1},
    {IDM_RELOAD, CmdReload, 1},
    {IDM_SAVE_COPY, CmdSaveCopy, 1},
    {IDM_EXIT, CmdExit, 0},
    {IDM_RENAME, CmdRename, 1},
    {IDM_SET_PASSWORD, CmdSetPassword, 0},
    {IDM_FIND_NAME, CmdFind, 1},
    {IDM_FIND_CONTENT, CmdFind, 1},
    {IDM_ADD_FOLDER, CmdAddFolder, 1},
    {IDM_EXTRACT, ExtractSelectionOrArchive, 1},
    {IDM_DELETE, CmdDelete, 1},
    {IDM_SELECT_ALL, CmdSelectAll, 1},
    {IDM_FLAT_VIEW, CmdFlatView, 1},
    {IDM_FOLDER_VIEW, CmdFolderView, 1},
    {IDM_HELP, CmdHelp, 0},
    {IDM_ABOUT, CmdAbout, 0},
    {IDM_REPAIR, CmdRepair, 1},
    {IDM_EXTRACT_SEVERAL, CmdExtractSeveral, 1},
    {IDM_HISTORY, CmdHistory, 0},
    {IDM_RECENT_ARCHIVES, CmdRecentArchives, 0},
    {IDM_RECENT_FIRST, CmdRecent, 0},
    {IDM_RECENT_FIRST + 1, CmdRecent, 0},
    {IDM_RECENT_FIRST + 2, CmdRecent, 0},
    {IDM_RECENT_LAST, CmdRecent, 0},
    {IDM_SCROLL_TOP, ScrollActiveList, 0},
    {IDM_SCROLL_PAGE_UP, ScrollActiveList, 0},
    {IDM_SCROLL_PAGE_DOWN, ScrollActiveList, 0},
    {IDM_SCROLL_BOTTOM, ScrollActiveList, 0},
    {IDM_FOLDER_UP, GoUpOneFolder, 0},
};

}  // namespace

int MenuCommandOfToolbarButton(int id)
{
    switch (id) {
    case IDM_TB_NEW_ARCHIVE: return IDM_NEW_ARCHIVE;
    case IDM_TB_ADD_FOLDER: return IDM_ADD_FOLDER;
    case IDM_TB_EXTRACT: return IDM_EXTRACT;
    case IDM_TB_DELETE: return IDM_DELETE;
    case IDM_TB_OPEN: return IDM_OPEN;
    case IDM_TB_FIND: return IDM_FIND_NAME;
    }
    return id;
}

const CommandEntry* FindCommand(int id)
{
    id = MenuCommandOfToolbarButton(id);
    for (const CommandEntry& entry : kCommands)
        if (entry.id == id) return &entry;
    return nullptr;
}

int DispatchCommand(HWND frame, int id)
{
    int command = MenuCommandOfToolbarButton(id);
    const CommandEntry* entry = FindCommand(command);
    if (!entry || !entry->handler) return 0;
    // A disabled command does nothing, whichever way it arrives (keyboard, toolbar, message).
    if (command >= IDM_FIRST_MENU_COMMAND && command <= IDM_LAST_MENU_COMMAND && !IsCommandEnabled(command)) return 0;
    if (entry->refusedWhileBusy && GApp.busy.load()) {
        LogPrint(5, GApp.verbose, "already busy");
        return 0;
    }
    return entry->handler(frame, command);
}

int OpenSelectedMembers(HWND, int)
{
    HWND view = GetViewList();
    if (SelectedCount(view) <= 0) return 0;
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->view) {
        if (!GViewHandlers.memberView) return 0;
        GViewHandlers.memberView(view, 1);
        return 1;
    }
    if (GViewHandlers.singleItemView) {
        GViewHandlers.singleItemView(view);
        return 1;
    }
    return 0;
}

int GoUpOneFolder(HWND, int)
{
    if (!GApp.hwndTree || !GApp.hwndTreeList || !IsWindowVisible(GApp.hwndTreeList)) return 0;
    HTREEITEM current = TreeView_GetSelection(GApp.hwndTree);
    HTREEITEM parent = current ? TreeView_GetParent(GApp.hwndTree, current) : nullptr;
    if (!parent) return 0;
    TreeView_SelectItem(GApp.hwndTree, parent);
    return 1;
}

int ScrollActiveList(HWND, int id)
{
    HWND view = GetViewList();
    int rows = RowCount(view);
    if (rows <= 0) return 0;
    RECT item = {};
    item.left = LVIR_BOUNDS;
    if (!SendMessageA(view, LVM_GETITEMRECT, 0, (LPARAM)&item)) return 0;
    int rowHeight = item.bottom - item.top;
    RECT client;
    GetClientRect(view, &client);
    int headerHeight = 0;
    HWND header = (HWND)SendMessageA(view, LVM_GETHEADER, 0, 0);
    if (header) {
        RECT h;
        GetWindowRect(header, &h);
        headerHeight = h.bottom - h.top;
    }
    int page = client.bottom - headerHeight;
    int dy = 0;
    switch (id) {
    case IDM_SCROLL_TOP: dy = -rowHeight * rows; break;
    case IDM_SCROLL_PAGE_UP: dy = -page; break;
    case IDM_SCROLL_PAGE_DOWN: dy = page; break;
    case IDM_SCROLL_BOTTOM: dy = rowHeight * rows; break;
    default: return 0;
    }
    return SendMessageA(view, LVM_SCROLL, 0, (LPARAM)dy) ? 1 : 0;
}

int ExtractSelectionOrArchive(HWND frame, int)
{
    HWND view = GetViewList();
    if (!GApp.currentArchive[0] || RowCount(view) <= 0) return 0;
    int selected = SelectedCount(view);
    const FormatOps* ops = OpenArchiveOps();
    if (!ops || !ops->extract || (selected == 0 && view == GApp.hwndList)) {
        ExtractArchive(GApp.currentArchive, 0, 1);
        return 1;
    }
    // busy is taken before the first question and handed to the extraction thread, so a
    // second command cannot pass while the folder is asked for.
    if (!BeginBusy()) return 0;
    char folder[260] = "";
    if (!PromptBrowseFolder(frame, GetMessageText(0), gLastExtractFolder, folder, sizeof folder) || !folder[0]) {
        EndBusy();
        return 0;
    }
    CopyBounded(gLastExtractFolder, sizeof gLastExtractFolder, folder);
    if (IsZipPasswordProtected() && !IsGlobalPasswordSet() && PromptPassword() != PROMPT_OK) {
        EndBusy();
        return 0;
    }
    ExtractionContext* ctx = (ExtractionContext*)malloc(sizeof(ExtractionContext));
    if (!ctx) {
        EndBusy();
        return 0;
    }
    InitExtractionContext(ctx);
    CopyBounded(ctx->targetFolder, sizeof ctx->targetFolder, folder);
    CopyBounded(ctx->archivePath, sizeof ctx->archivePath, GApp.currentArchive);
    CopyBounded(ctx->password, sizeof ctx->password, IsZipPasswordProtected() ? password : "");
    ctx->sourceView = view;
    ctx->folderTree = GApp.hwndTree;
    ctx->focusWindow = GApp.hwndFocusView;
    ctx->overwriteMode = 1;
    // Nothing selected in the folder view: every member of the shown folder.
    ctx->extractAll = selected == 0 ? 1 : 0;
    ctx->entryProgress = 1;
    // The selection of a ZIP archive is recorded in the history like a whole extraction.
    if (GZipHooks.isHistoryRecording && GZipHooks.isHistoryRecording() && GZipHooks.startHistoryItem)
        GZipHooks.startHistoryItem(ctx->targetFolder, ctx->archivePath);
    SetCanceledByUser(0);
    static char heading[260];
    CopyBounded(heading, sizeof heading, GetMessageText(42));
    StartProgressDialogThread(1, heading);
    HANDLE thread = CreateThread(nullptr, 0, ExtractSelectionThread, ctx, 0, nullptr);
    if (!thread) {
        DestroyProgressDialog();
        free(ctx);
        EndBusy();
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

int ExtractTreeFolder(HWND frame, const char* folderPath)
{
    if (!GApp.currentArchive[0]) return 0;
    const FormatOps* ops = OpenArchiveOps();
    if (!folderPath || !*folderPath || !ops || !ops->extractFolder) {
        // The root is the whole archive.
        ExtractArchive(GApp.currentArchive, 0, 1);
        return 1;
    }
    if (!BeginBusy()) return 0;
    char folder[260] = "";
    if (!PromptBrowseFolder(frame, GetMessageText(0), gLastExtractFolder, folder, sizeof folder) || !folder[0]) {
        EndBusy();
        return 0;
    }
    CopyBounded(gLastExtractFolder, sizeof gLastExtractFolder, folder);
    TreeFolderJob* job = (TreeFolderJob*)calloc(1, sizeof(TreeFolderJob));
    if (!job) {
        EndBusy();
        return 0;
    }
    InitExtractionContext(&job->ctx);
    CopyBounded(job->item.folderPath, sizeof job->item.folderPath, folderPath);
    CopyBounded(job->item.targetFolder, sizeof job->item.targetFolder, folder);
    CopyBounded(job->item.archivePath, sizeof job->item.archivePath, GApp.currentArchive);
    job->item.context = &job->ctx;
    CopyBounded(job->ctx.targetFolder, sizeof job->ctx.targetFolder, folder);
    CopyBounded(job->ctx.archivePath, sizeof job->ctx.archivePath, GApp.currentArchive);
    job->ctx.overwriteMode = 1;
    SetCanceledByUser(0);
    static char heading[260];
    CopyBounded(heading, sizeof heading, GetMessageText(42));
    StartProgressDialogThread(1, heading);
    HANDLE thread = CreateThread(nullptr, 0, ExtractTreeFolderThread, job, 0, nullptr);
    if (!thread) {
        DestroyProgressDialog();
        free(job);
        EndBusy();
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

int FormatAboutText(char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    snprintf(out, outSize, "%s\n%s %s\n%s", "Kelvora", __DATE__, __TIME__,
             "Archive viewer and manager for ZIP, RAR, TAR and ISO archives");
    return 1;
}

int BuildHelpFilePath(int country, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    char* cut = strrchr(program, '\\');
    if (cut) cut[1] = '\0';
    else program[0] = '\0';
    snprintf(out, outSize, (country & 0xFF) == LANG_CODE_GERMAN ? "%shelp\\kelvora_de.chm" : "%shelp\\kelvora_en.chm",
             program);
    return 1;
}
