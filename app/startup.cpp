#include "app/startup.h"
#include "formats/plugins.h"
#include "history/history.h"
#include "history/recent.h"
#include "history/update.h"
#include "libs/history/historyapi.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/helpwindow.h"
#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "config/log.h"
#include "config/settings.h"
#include "formats/formatops.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/list.h"
#include "model/search.h"
#include "model/strutil.h"
#include "ui/promptdialogs.h"
#include "ui/prompts.h"
#include "zip/create.h"
#include "zip/extract.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"

int simulationMode = 0;
int silentJob = 0;
UINT findReplaceMessage = 0;
HCURSOR waitCursor = nullptr;
HCURSOR arrowCursor = nullptr;
int xpThemeLoaded = 0;
HWND nextClipboardViewer = nullptr;
ListingJob* secondJob = nullptr;
List* tempFiles = nullptr;
int processorCount = 1;
ViewHandlers GViewHandlers = {};

namespace {

const char kZipFilter[] = "ZIP (*.zip)\0*.zip\0*.*\0*.*\0";
HACCEL gAccelerators = nullptr;
HBITMAP gCompanyLogo = nullptr;
int gShowCommand = SW_SHOWNORMAL;

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

// ---- the program's own start-up actions ----

int ShowHelpAction(void)
{
    return RunHelpMode();
}

void QuietExitAction(void)
{
    Sleep(1000);
}

int ExtractArchiveAction(const char* archive, int format)
{
    if (format != CM_NONE) SetCompressionMethod(format);
    PromptMessageBox(nullptr, archive, "", MB_OK);
    // Without a listing nobody has looked at the archive yet: a protected archive must ask
    // for its password before the first entry is opened.
    if (GCompressionMethod == CM_ZIP) ZipCheckArchiveProtection(archive);
    ExtractArchive(archive, 0, 0);
    return 0;
}

int StartWindowAction(void)
{
    return StartMainWindowSequence(gShowCommand);
}

int OpenArchiveAction(const char* archive, int format)
{
    LeaveBusy(GApp.busy);
    LeaveBusy(GApp.busyOpen);
    return OpenCompressedFile(archive, GApp.hwndMain);
}

int ViewFileAction(const char* path)
{
    if (GViewHandlers.pictureView) GViewHandlers.pictureView(path);
    return 1;
}

int ArchiveJobAction(const char* const* files, int count, int silent, int append, int simulation)
{
    silentJob = silent;
    simulationMode = simulation;
    if (simulation) return SimulateArchiveFromFiles(files, count, append) >= 0 ? 1 : 0;
    int started = CreateArchiveFromFiles(files, count, silent, append);
    // A background job tells its progress in the status bar's tool tip.
    if (started && silent) UpdateBackgroundJobTip();
    return started;
}

const StartupActions kProgramActions = {ShowHelpAction, QuietExitAction,  ExtractArchiveAction, StartWindowAction,
                                        OpenArchiveAction, ViewFileAction, ArchiveJobAction};

void PictureViewHandler(const char* path)
{
    // The built-in picture viewer comes later; the file's own program shows it meanwhile.
    if (GShellOpen) GShellOpen(OwnerWindow(), path, 1);
}

void MemberViewHandler(HWND view, int withApplication)
{
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->view) ops->view(view, withApplication);
}

int IsThemeActiveNow(void)
{
    HMODULE theme = GetModuleHandleA("UXTHEME.DLL");
    if (!theme) theme = LoadLibraryA("UXTHEME.DLL");
    if (!theme) return 0;
    typedef BOOL(WINAPI * IsThemeActiveFn)(void);
    IsThemeActiveFn isActive = (IsThemeActiveFn)(void*)GetProcAddress(theme, "IsThemeActive");
    return isActive && isActive() ? 1 : 0;
}

HACCEL BuildAccelerators(void)
{
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, VK_HOME, IDM_SCROLL_TOP},     {FVIRTKEY | FCONTROL, VK_PRIOR, IDM_SCROLL_PAGE_UP},
        {FVIRTKEY | FCONTROL, VK_NEXT, IDM_SCROLL_PAGE_DOWN}, {FVIRTKEY | FCONTROL, VK_END, IDM_SCROLL_BOTTOM},
        {FVIRTKEY | FCONTROL, 'O', IDM_OPEN},               {FVIRTKEY | FCONTROL, 'N', IDM_NEW_ARCHIVE},
        {FVIRTKEY | FCONTROL, 'F', IDM_FIND_NAME},          {FVIRTKEY, VK_F5, IDM_RELOAD},
        {FVIRTKEY | FALT, VK_UP, IDM_FOLDER_UP},
    };
    return CreateAcceleratorTableA(keys, (int)(sizeof keys / sizeof keys[0]));
}

// Keyboard shortcuts stay out of edit controls (renaming a member in place).
int IsEditFocused(void)
{
    HWND focus = GetFocus();
    char name[32] = "";
    if (!focus || !GetClassNameA(focus, name, sizeof name)) return 0;
    return lstrcmpiA(name, "Edit") == 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Temporary files

int RecordTempFile(const char* path)
{
    if (!path || !*path) return 0;
    if (!tempFiles) tempFiles = ListCreateStrings();
    if (!tempFiles) return 0;
    if (ListFind(tempFiles, path)) return 1;
    return ListAppendCopy(tempFiles, path) ? 1 : 0;
}

int RemoveTempFiles(int keepFailures)
{
    if (!tempFiles) return 0;
    List* kept = keepFailures ? ListCreateStrings() : nullptr;
    int failures = 0;
    for (ListNode* node = tempFiles->head; node; node = node->next) {
        const char* name = (const char*)node->data;
        if (!name) continue;
        printf("removing ... %s\n", name);
        if (DeleteFileA(name) || GetLastError() == ERROR_FILE_NOT_FOUND) {
            printf("remove successful %s\n", name);
        } else {
            printf("remove not successful %s\n", name);
            ++failures;
            if (kept) ListAppendCopy(kept, name);
        }
    }
    fflush(stdout);
    ListDestroy(&tempFiles);
    tempFiles = kept;
    return failures;
}

int RenewTempFiles(void)
{
    RemoveTempFiles(1);
    if (!tempFiles) tempFiles = ListCreateStrings();
    return tempFiles ? tempFiles->count : 0;
}

int TempFileCount(void)
{
    return tempFiles ? tempFiles->count : 0;
}

void InstallViewHandlers(void)
{
    GViewHandlers.singleItemView = nullptr;
    GViewHandlers.pictureView = PictureViewHandler;
    GViewHandlers.memberView = MemberViewHandler;
}

// ---------------------------------------------------------------------------------------------
// Dispatch of the command line

int DispatchCommandLine(const CommandLine* line, const StartupActions* actions)
{
    if (!line || !actions) return 1;
    const char* first = line->firstFile < (int)line->tokens.size() ? line->tokens[line->firstFile].text : nullptr;
    switch (line->mode) {
    case CMDLINE_HELP:
        return actions->showHelp ? actions->showHelp() : 0;
    case CMDLINE_QUIET_EXIT:
        if (actions->quietExit) actions->quietExit();
        return 0;
    case CMDLINE_EXTRACT:
        // The extraction runs before any window exists and ends the program.
        if (actions->extractArchive && first) actions->extractArchive(first, line->format);
        return 0;
    default:
        break;
    }
    if (actions->startWindow && !actions->startWindow()) return 1;
    switch (line->mode) {
    case CMDLINE_OPEN_ARCHIVE:
        if (actions->openArchive && first) actions->openArchive(first, line->format);
        break;
    case CMDLINE_VIEW_FILE:
        if (actions->viewFile && first) actions->viewFile(first);
        break;
    case CMDLINE_ARCHIVE_JOB: {
        std::vector<const char*> files;
        for (size_t i = (size_t)line->firstFile; i < line->tokens.size(); ++i) files.push_back(line->tokens[i].text);
        if (actions->archiveJob && !files.empty())
            actions->archiveJob(files.data(), (int)files.size(), line->silent, line->append, line->simulation);
        break;
    }
    default:
        break;
    }
    return -1;
}

const StartupActions* GetProgramStartupActions(void)
{
    return &kProgramActions;
}

int SimulateArchiveFromFiles(const char* const* files, int count, int append)
{
    char target[260] = "";
    FileDialogRequest save = {OwnerWindow(), GetMessageText(26), kZipFilter, "zip", nullptr,
                              (DWORD)(OFN_PATHMUSTEXIST | (append ? 0 : OFN_OVERWRITEPROMPT)), target, sizeof target};
    if (!PromptSaveFile(&save) || !target[0]) return -1;
    LogPrint(-1, GApp.verbose, "simulation: %s archive %s", append ? "adding to" : "creating", target);
    int logged = 0;
    List* collected = ListCreateStrings();
    for (int i = 0; collected && i < count; ++i) {
        int64_t bytes = 0;
        ListClear(collected);
        int found = CollectDirectoryFiles(collected, files[i], 1, nullptr, nullptr, &bytes, 0);
        if (found <= 0) {
            LogPrint(-1, GApp.verbose, "simulation: %s not found - would be skipped", files[i]);
            continue;
        }
        for (ListNode* node = collected->head; node; node = node->next) {
            LogPrint(-1, GApp.verbose, "simulation: would add %s", (const char*)node->data);
            ++logged;
        }
    }
    ListDestroy(&collected);
    LogPrint(-1, GApp.verbose, "simulation: %d files, nothing written", logged);
    return logged;
}

int StartMainWindowSequence(int showCommand)
{
    InstallHistoryHooks();
    LoadSettings();
    if (GetDisplayCompanyLogo() && !gCompanyLogo) {
        gCompanyLogo = (HBITMAP)LoadImageA(GApp.hInstance, MAKEINTRESOURCEA(IDB_COMPANY_LOGO), IMAGE_BITMAP, 0, 0, 0);
        if (gCompanyLogo) SetPromptCompanyLogo(gCompanyLogo);
    }
    HWND frame = CreateMainWindow(GApp.hInstance, showCommand);
    if (!frame) return 0;
    if (!GApp.hwndList) {
        LogLine("\n------\nShould not happen global ViewComponent is null!\n------");
    } else {
        GApp.hwndFocusView = GApp.hwndList;
    }
    if (!tempFiles) tempFiles = ListCreateStrings();
    ClearGlobalPassword();
    StartUpdateCheck(0);
    if (IsHistoryActivated() && GetHistoryLib()) {
        HistSetMainWindowFn set = (HistSetMainWindowFn)PluginExport(PLUGIN_HISTORY, "SetMainWindow");
        if (set) set(frame);
    }
    return 1;
}

int TranslateFrameKeys(MSG* msg)
{
    if (!GApp.hwndMain || IsEditFocused()) return 0;
    if (!gAccelerators) gAccelerators = BuildAccelerators();
    return gAccelerators && TranslateAcceleratorA(GApp.hwndMain, gAccelerators, msg) ? 1 : 0;
}

int RunMessageLoop(void)
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        HWND find = GetFindDialogWindow();
        if (find && IsDialogMessageA(find, &msg)) continue;
        if (TranslateFrameKeys(&msg)) continue;
        if (GApp.hwndMain && IsDialogMessageA(GApp.hwndMain, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

int ShutdownProgram(void)
{
    // The frame left the clipboard chain and the drop targets when it was destroyed.
    if (GApp.hwndMain) DestroyWindow(GApp.hwndMain);
    OleUninitialize();
    UnloadHistoryLibrary();
    RemoveTempFiles(0);
    if (GApp.tempToDelete[0]) {
        DeleteFileA(GApp.tempToDelete);
        GApp.tempToDelete[0] = '\0';
    }
    if (gAccelerators) {
        DestroyAcceleratorTable(gAccelerators);
        gAccelerators = nullptr;
    }
    return 0;
}

int RunKelvora(HINSTANCE instance, const char* rawCommandLine, int showCommand)
{
    HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole)) return PromptMessageBox(nullptr, "oleinitialize failure!!", "oleinitialize failure!!", MB_OK);
    GApp.hInstance = instance;
    gShowCommand = showCommand;
    const char* raw = rawCommandLine ? rawCommandLine : "";

    CommandLine line;
    if (IsDoubleDashForm(raw)) {
        ParseCommandLine(raw, &line);
        int code = DispatchCommandLine(&line, &kProgramActions);
        OleUninitialize();
        return code;
    }
    if (!InitProgramCommonControls()) {
        PromptMessageBox(nullptr, "cannot init common controls!", GetMessageText(94), MB_OK | MB_ICONERROR);
        return 1;
    }
    RegisterMainWindowClass(instance);
    GApp.currentJob = (ListingJob*)calloc(1, sizeof(ListingJob));
    secondJob = (ListingJob*)calloc(1, sizeof(ListingJob));
    if (!GApp.currentJob || !secondJob) {
        PromptMessageBox(nullptr, "memory error (uzfts)", GetMessageText(94), MB_OK | MB_ICONERROR);
        return 1;
    }
    HRESULT com = CoInitialize(nullptr);

    printf("Commandline:\n---%s---\n", raw);
    ParseCommandLine(raw, &line);
    for (const CommandToken& token : line.tokens) LogPrint(5, GApp.verbose, "Commandlineparameter %s", token.text);
    InstallViewHandlers();
    int code = DispatchCommandLine(&line, &kProgramActions);
    if (code >= 0) {
        if (SUCCEEDED(com)) CoUninitialize();
        OleUninitialize();
        return code;
    }

    findReplaceMessage = GetFindMessageId();
    waitCursor = LoadCursor(nullptr, IDC_WAIT);
    arrowCursor = LoadCursor(nullptr, IDC_ARROW);
    xpThemeLoaded = IsThemeActiveNow();
    printf("IsXPThemeLoaded %d \n", xpThemeLoaded);
    GetRecentLib();
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    processorCount = (int)system.dwNumberOfProcessors;
    if (GApp.hwndMain) nextClipboardViewer = SetClipboardViewer(GApp.hwndMain);
    gAccelerators = BuildAccelerators();

    RunMessageLoop();
    if (SUCCEEDED(com)) CoUninitialize();
    return ShutdownProgram();
}
