#include "app/mainwindow.h"
#include "history/history.h"
#include "history/recent.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/ids.h"
#include "app/langtext.h"
#include "app/startup.h"
#include "config/log.h"
#include "config/settings.h"
#include "formats/formatops.h"
#include "model/appstate.h"
#include "model/backgroundjob.h"
#include "model/foldertree.h"
#include "model/format.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/listview.h"
#include "model/search.h"
#include "model/strutil.h"
#include "ui/prompts.h"
#include "sfx/builder.h"
#include "zip/create.h"
#include "zip/enginehooks.h"
#include "zip/listing.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"

ShellOpenFn GShellOpen = ShellOpenWithSystem;

namespace {

const char kClassName[] = "Kelvora";
const char kZipFilter[] = "ZIP (*.zip;*.jar;*.war)\0*.zip;*.jar;*.war\0*.*\0*.*\0";

enum {
    kMinTrackWidth = 520,
    kMinTrackHeight = 320,
    kComboLabelWidth = 100,
    kSecondLabelWidth = 150,
    kLabelHeight = 20,
    kComboHeight = 200,
    kComboRowHeight = 24,
    kFrameLineHeight = 2,
};

int gFolderView = 0;
HWND gComboLabel = nullptr;
HWND gSecondLabel = nullptr;
HWND gFrameLine = nullptr;
HWND gStatusTips = nullptr;      // tool tips of the status bar parts
HMENU gMenu = nullptr;
HMENU gFileMenu = nullptr;
HMENU gViewMenu = nullptr;
int gImageListsAttached = 0;
int gArchiveGone = 0;           // the open archive's file was deleted or moved away
int gProtected = -1;             // -1 unknown, 0 not protected, 1 protected
WNDPROC gStatusProc = nullptr;
int gJobTipCounter = 0;
int gJobsWereRunning = 0;
char gStatusTipTexts[STATUS_PART_TOTAL][600];

// Commands a handler exists for. Others (clipboard, configuration, print) stand in the menus,
// disabled.
const int kUnavailableCommands[] = {IDM_CUT, IDM_COPY, IDM_PASTE, IDM_SETTINGS, IDM_PRINT};

// Pop-up contents in order; 0 marks a separator.
const int kEditItems[] = {IDM_RENAME, IDM_SET_PASSWORD, 0, IDM_CUT, IDM_COPY, IDM_PASTE, 0, IDM_FIND_NAME,
                          IDM_FIND_CONTENT, 0, IDM_ADD_FOLDER, IDM_EXTRACT, IDM_DELETE, IDM_SELECT_ALL};
const int kViewItems[] = {IDM_FLAT_VIEW, IDM_FOLDER_VIEW};
const int kToolsItems[] = {IDM_SETTINGS, IDM_REPAIR, IDM_RECENT_ARCHIVES, 0, IDM_EXTRACT_SEVERAL};
const int kHelpItems[] = {IDM_HELP, IDM_ABOUT};

// Toolbar buttons: command, standard image list, image index.
struct ToolButton {
    int command;
    int viewImages;  // 1: the view bitmap (IDB_VIEW_SMALL_COLOR), 0: the standard one
    int image;
};
const ToolButton kMainButtons[] = {
    {IDM_TB_NEW_ARCHIVE, 0, STD_FILENEW}, {IDM_TB_ADD_FOLDER, 1, VIEW_NEWFOLDER}, {IDM_TB_EXTRACT, 0, STD_FILESAVE},
    {IDM_TB_DELETE, 0, STD_DELETE},       {IDM_TB_OPEN, 0, STD_FILEOPEN},        {IDM_TB_FIND, 0, STD_FIND},
};
const ToolButton kSecondButtons[] = {
    {IDM_FLAT_VIEW, 1, VIEW_LIST}, {IDM_FOLDER_VIEW, 1, VIEW_DETAILS}, {IDM_SETTINGS, 0, STD_PROPERTIES},
    {IDM_HELP, 0, STD_HELP},
};

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

// ---------------------------------------------------------------------------------------------
// Work handed to the window thread from workers: SendMessage of WM_KV_RUN.

struct RunRequest {
    void (*work)(void* context);
    void* context;
};

void RunOnWindowThread(void (*work)(void*), void* context)
{
    HWND frame = GApp.hwndMain;
    if (!frame || GetWindowThreadProcessId(frame, nullptr) == GetCurrentThreadId()) {
        work(context);
        return;
    }
    RunRequest request = {work, context};
    SendMessageA(frame, WM_KV_RUN, 0, (LPARAM)&request);
}

// ---------------------------------------------------------------------------------------------
// Menus

const char* MenuShortcutText(int id)
{
    switch (id) {
    case IDM_NEW_ARCHIVE: return "Ctrl+N";
    case IDM_OPEN: return "Ctrl+O";
    case IDM_RELOAD: return "F5";
    case IDM_RENAME: return "F2";
    case IDM_FIND_NAME: return "Ctrl+F";
    case IDM_DELETE: return "Del";
    case IDM_SELECT_ALL: return "Ctrl+A";
    }
    return nullptr;
}

// A menu item: the command's caption, and its shortcut after a tab where it has one.
static void AppendCommandItem(HMENU menu, int id)
{
    char caption[300];
    const char* shortcut = MenuShortcutText(id);
    if (shortcut)
        snprintf(caption, sizeof caption, "%s\t%s", GetMenuItemText(id), shortcut);
    else
        snprintf(caption, sizeof caption, "%s", GetMenuItemText(id));
    AppendMenuA(menu, MF_STRING, (UINT_PTR)id, caption);
}

HMENU BuildPopup(const int* ids, size_t count)
{
    HMENU popup = CreatePopupMenu();
    for (size_t i = 0; i < count; ++i) {
        if (ids[i] == 0)
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        else
            AppendCommandItem(popup, ids[i]);
    }
    return popup;
}

// The File menu: the fixed items, the recent archives between separators 6000 and 6100, exit.
void FillFileMenu(HMENU file)
{
    while (GetMenuItemCount(file) > 0) DeleteMenu(file, 0, MF_BYPOSITION);
    const int head[] = {IDM_NEW_ARCHIVE, IDM_OPEN, IDM_CLOSE, 0, IDM_RELOAD, IDM_SELF_EXTRACTOR, IDM_SAVE_COPY, 0, IDM_PRINT};
    for (int id : head) {
        if (id == 0)
            AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
        else
            AppendCommandItem(file, id);
    }
    if (GetRecentFile(0)[0]) {
        AppendMenuA(file, MF_SEPARATOR, IDM_RECENT_SEPARATOR, nullptr);
        for (int slot = 0; slot < RECENT_SLOT_COUNT; ++slot) {
            const char* path = GetRecentFile(slot);
            if (!path[0]) break;
            AppendMenuA(file, MF_STRING, (UINT_PTR)(IDM_RECENT_FIRST + slot), path);
        }
    }
    AppendMenuA(file, MF_SEPARATOR, IDM_RECENT_END, nullptr);
    AppendMenuA(file, MF_STRING, IDM_EXIT, GetMenuItemText(IDM_EXIT));
}

void EnableCommand(int id, int enable)
{
    if (gMenu) EnableMenuItem(gMenu, (UINT)id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    static const struct {
        int menu;
        int button;
    } kButtons[] = {{IDM_NEW_ARCHIVE, IDM_TB_NEW_ARCHIVE}, {IDM_ADD_FOLDER, IDM_TB_ADD_FOLDER},
                    {IDM_EXTRACT, IDM_TB_EXTRACT},         {IDM_DELETE, IDM_TB_DELETE},
                    {IDM_OPEN, IDM_TB_OPEN},               {IDM_FIND_NAME, IDM_TB_FIND}};
    for (const auto& b : kButtons)
        if (b.menu == id && GApp.hwndToolbar) SendMessageA(GApp.hwndToolbar, TB_ENABLEBUTTON, b.button, MAKELONG(enable ? 1 : 0, 0));
    if (GApp.hwndToolbar2) SendMessageA(GApp.hwndToolbar2, TB_ENABLEBUTTON, id, MAKELONG(enable ? 1 : 0, 0));
}

// ---------------------------------------------------------------------------------------------
// Toolbars, status bar, tool tips

HWND CreateToolbar(HWND frame, int id, const ToolButton* buttons, int count, const char* const* labels)
{
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE |
                                   CCS_NOPARENTALIGN,
                               0, 0, 0, 0, frame, (HMENU)(INT_PTR)id, GApp.hInstance, nullptr);
    if (!bar) return nullptr;
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    TBADDBITMAP views = {HINST_COMMCTRL, IDB_VIEW_SMALL_COLOR};
    int standardBase = (int)SendMessageA(bar, TB_ADDBITMAP, 0, (LPARAM)&standard);
    int viewBase = (int)SendMessageA(bar, TB_ADDBITMAP, 0, (LPARAM)&views);
    std::vector<TBBUTTON> tb(count);
    for (int i = 0; i < count; ++i) {
        tb[i] = TBBUTTON{};
        tb[i].iBitmap = (buttons[i].viewImages ? viewBase : standardBase) + buttons[i].image;
        tb[i].idCommand = buttons[i].command;
        tb[i].fsState = TBSTATE_ENABLED;
        tb[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        // Labels end in two NULs: each goes into the string pool on its own.
        tb[i].iString = labels ? SendMessageA(bar, TB_ADDSTRINGA, 0, (LPARAM)labels[i]) : -1;
    }
    SendMessageA(bar, TB_ADDBUTTONSA, (WPARAM)count, (LPARAM)tb.data());
    SendMessageA(bar, TB_AUTOSIZE, 0, 0);
    return bar;
}

int ToolbarWidth(HWND bar)
{
    SIZE size = {0, 0};
    if (!bar || !SendMessageA(bar, TB_GETMAXSIZE, 0, (LPARAM)&size)) return 0;
    return size.cx;
}

int ToolbarHeight(HWND bar)
{
    if (!bar) return 0;
    DWORD size = (DWORD)SendMessageA(bar, TB_GETBUTTONSIZE, 0, 0);
    return HIWORD(size) + 4;
}

void StatusPartWidths(int width, int* rights)
{
    const int fixed[STATUS_PART_TOTAL] = {170, 130, 0, 110, 110};
    int rest = width - fixed[0] - fixed[1] - fixed[3] - fixed[4];
    if (rest < 80) rest = 80;
    rights[0] = fixed[0];
    rights[1] = rights[0] + fixed[1];
    rights[2] = rights[1] + rest;
    rights[3] = rights[2] + fixed[3];
    rights[4] = -1;
}

void SetStatusTip(int part, const char* text)
{
    CopyBounded(gStatusTipTexts[part], sizeof gStatusTipTexts[part], text);
    if (!gStatusTips || !GApp.hwndStatus) return;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = GApp.hwndStatus;
    tool.uId = (UINT_PTR)part;
    tool.hinst = GApp.hInstance;
    tool.lpszText = gStatusTipTexts[part];
    SendMessageA(gStatusTips, TTM_UPDATETIPTEXTA, 0, (LPARAM)&tool);
}

void PlaceStatusTools(void)
{
    if (!gStatusTips || !GApp.hwndStatus) return;
    for (int part = 0; part < STATUS_PART_TOTAL; ++part) {
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = GApp.hwndStatus;
        tool.uId = (UINT_PTR)part;
        SendMessageA(GApp.hwndStatus, SB_GETRECT, (WPARAM)part, (LPARAM)&tool.rect);
        SendMessageA(gStatusTips, TTM_NEWTOOLRECTA, 0, (LPARAM)&tool);
    }
}

void ShowStatusModeTexts(void)
{
    if (!GApp.hwndStatus) return;
    SendMessageA(GApp.hwndStatus, SB_SETTEXTA, STATUS_PART_ADD_MODE,
                 (LPARAM)GetGenericText(GetAddDirectories() == 0 ? 14 : 15));
    SendMessageA(GApp.hwndStatus, SB_SETTEXTA, STATUS_PART_NEW_FORMAT,
                 (LPARAM)GetConfigurationText(GetPreferredTar() && NewArchivesCanBeTar() ? 16 : 15));
}

// The view part's tip: the view's own tip and, with an archive open, its protection.
void RefreshViewPartTip(void)
{
    char text[600];
    if (gProtected >= 0 && GApp.currentArchive[0])
        snprintf(text, sizeof text, "%s\r\n%s", GetStatusWindowToolTipText(gFolderView ? 1 : 0),
                 GetMessageText(gProtected ? 33 : 32));
    else
        snprintf(text, sizeof text, "%s", GetStatusWindowToolTipText(gFolderView ? 1 : 0));
    SetStatusTip(STATUS_PART_SEARCH, text);
}

LRESULT CALLBACK StatusBarProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam == TIMER_BACKGROUND_JOBS) {
            UpdateBackgroundJobTip();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (GApp.busy.load()) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_REEVALUATE_CURSOR:
        SetCursor(LoadCursor(nullptr, GApp.busy.load() ? IDC_WAIT : IDC_ARROW));
        return 0;
    case WM_SIZE: {
        LRESULT r = CallWindowProcA(gStatusProc, bar, msg, wParam, lParam);
        PlaceStatusTools();
        return r;
    }
    }
    return CallWindowProcA(gStatusProc, bar, msg, wParam, lParam);
}

HWND CreateStatusBar(HWND frame)
{
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, frame,
                               (HMENU)(INT_PTR)IDC_STATUS, GApp.hInstance, nullptr);
    if (!bar) return nullptr;
    gStatusProc = (WNDPROC)SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)StatusBarProc);
    gStatusTips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr,
                                  GApp.hInstance, nullptr);
    if (gStatusTips) {
        SendMessageA(gStatusTips, TTM_SETMAXTIPWIDTH, 0, 400);
        const int kPartTips[STATUS_PART_TOTAL] = {2, 0, 3, 4, 5};
        for (int part = 0; part < STATUS_PART_TOTAL; ++part) {
            CopyBounded(gStatusTipTexts[part], sizeof gStatusTipTexts[part], GetStatusWindowToolTipText(kPartTips[part]));
            TOOLINFOA tool = {};
            tool.cbSize = TTTOOLINFOA_V2_SIZE;
            tool.uFlags = TTF_SUBCLASS;
            tool.hwnd = bar;
            tool.uId = (UINT_PTR)part;
            tool.hinst = GApp.hInstance;
            tool.lpszText = gStatusTipTexts[part];
            SendMessageA(gStatusTips, TTM_ADDTOOLA, 0, (LPARAM)&tool);
        }
    }
    return bar;
}

void AttachSystemImageLists(void)
{
    if (gImageListsAttached) return;
    SHFILEINFOA info = {};
    HIMAGELIST small = (HIMAGELIST)SHGetFileInfoA("file.txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                  SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (!small) return;
    if (GApp.hwndList) SendMessageA(GApp.hwndList, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)small);
    if (GApp.hwndTreeList) SendMessageA(GApp.hwndTreeList, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)small);
    gImageListsAttached = 1;
}

void AttachSystemImageListsOnWindowThread(void)
{
    RunOnWindowThread([](void*) { AttachSystemImageLists(); }, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Hooks of the engines and the views

void PostRefreshCommands(void)
{
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_KV_REFRESH_COMMANDS, 0, 0);
}

void PostProtectionTip(int isProtected)
{
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_KV_SET_PROTECTION_TIP, (WPARAM)(isProtected ? 1 : 0), 0);
}

void AddToRecentHook(const char* path)
{
    std::string copy = path ? path : "";
    RunOnWindowThread([](void* p) { AddToRecentList(((std::string*)p)->c_str()); }, &copy);
}

// After a listing with rows (on the listing thread, before busyOpen is cleared): the folder
// view is rebuilt here unless the listing went into TreeList (then the views rebuilt it), so
// that both views are ready when the open ends; then the window thread enables the commands
// for the format and starts the watcher.
void AfterOpenHook(ListingJob* job)
{
    if (job && job->viewList != GApp.hwndTreeList) SynchronizeTreeViewWithRows(job->archivePath, job->keyRows);
    // The rebuild selects the root, which fills TreeList on a thread of its own: the open ends
    // when that is done too.
    for (int waited = 0; IsFolderChangePending() && waited < 60000; waited += 10) Sleep(10);
    if (GApp.hwndMain) SendMessageA(GApp.hwndMain, WM_KV_AFTER_OPEN, (WPARAM)(job ? job->format : CM_ZIP), 0);
}

void SetTitleHook(const char* archive)
{
    SetMyWindowText(archive);
    // The name beside the path combo goes with the archive.
    if (gSecondLabel && (!archive || !*archive)) SetWindowTextA(gSecondLabel, "");
}

// A new archive is about to be written while its starter holds busy: the views are emptied
// for it. ClearViews takes busy itself, so the starter's hold is handed over for the moment.
void ClearViewsForNewArchive(void)
{
    int held = GApp.busy.load();
    if (held) LeaveBusy(GApp.busy);
    // A worker may take busy in between (the folder view's rebuild at the end of a listing); it
    // may need the window thread meanwhile, so messages sent to this thread are served while
    // waiting for it.
    auto serveSentMessages = [] {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        Sleep(1);
    };
    for (int waited = 0; !ClearViews() && waited < 60000; ++waited) serveSentMessages();
    if (held)
        while (!TryEnterBusy(GApp.busy)) serveSentMessages();
}

// The listing could not open the chosen file (called on the listing's thread, busy held): the
// old rows are gone already, so the window shows no archive at all, as after Close.
void OpenFailedHook(ListingJob*)
{
    RunOnWindowThread([](void*) {
        ClearViewsForNewArchive();
        RefreshCommandStates();
    }, nullptr);
}

void SetBusyCursorHook(int on)
{
    RefreshViewCursors();
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_REEVALUATE_CURSOR, 0, 0);
    // A rewrite ended: the commands and the watcher follow the changed archive.
    if (!on) PostRefreshCommands();
}

void RefreshViewHook(HWND view)
{
    if (view) InvalidateRect(view, nullptr, TRUE);
}

void OpenForViewHook(const char* path, int withApplication)
{
    if (GShellOpen) GShellOpen(OwnerWindow(), path, withApplication);
}

void RecordTempFileHook(const char* path)
{
    RecordTempFile(path);
}

void InstallHooks(void)
{
    InstallViewHooksIntoZipEngine();
    GZipHooks.setProtectionToolTip = PostProtectionTip;
    GZipHooks.updateMenuState = PostRefreshCommands;
    GZipHooks.attachSystemImageLists = AttachSystemImageListsOnWindowThread;
    GZipHooks.addToRecent = AddToRecentHook;
    GZipHooks.afterOpen = AfterOpenHook;
    GZipHooks.openFailed = OpenFailedHook;
    GZipHooks.openForView = OpenForViewHook;
    GZipHooks.recordTempFile = RecordTempFileHook;

    GViewHooks.mainListEmptied = PostRefreshCommands;
    GViewHooks.refreshCommandStates = PostRefreshCommands;
    GViewHooks.setArchiveTitle = SetTitleHook;
    GViewHooks.freeTempNames = [] { RenewTempFiles(); };

    GZipCreateHooks.insertIntoTreeList = [](const char* key) { InsertIntoTreeList(key); };
    GZipCreateHooks.clearViews = ClearViewsForNewArchive;
    // A new archive made with CreateSelfExecutable goes on into the self-extractor builder.
    GZipCreateHooks.temporaryArchiveWritten = [](const ZipCreateOptions* o) { BuildSelfExtractorFromCreatedArchive(o); };

    if (!GModifyHooks.setBusyCursor) GModifyHooks.setBusyCursor = SetBusyCursorHook;
    if (!GModifyHooks.refreshView) GModifyHooks.refreshView = RefreshViewHook;
}

// ---------------------------------------------------------------------------------------------
// Archive-change watcher

struct ArchiveWatcher {
    std::atomic<int> stop{0};
    std::atomic<int> ended{0};
    HANDLE stopEvent = nullptr;
    HWND frame = nullptr;
    char archive[260] = "";
    ~ArchiveWatcher()
    {
        if (stopEvent) CloseHandle(stopEvent);
    }
};

std::shared_ptr<ArchiveWatcher> gWatcher;

// 1 while the archive's name still leads to a file: an open for existence only (no access, no
// sharing), which no other program's handle can refuse.
int ArchiveStillThere(const char* path)
{
    HANDLE file = CreateFileA(path, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

DWORD WINAPI ArchiveWatcherThread(LPVOID param)
{
    std::shared_ptr<ArchiveWatcher>* holder = (std::shared_ptr<ArchiveWatcher>*)param;
    std::shared_ptr<ArchiveWatcher> w = *holder;
    delete holder;
    char copy[260];
    CopyBounded(copy, sizeof copy, w->archive);
    char folder[260];
    CopyBounded(folder, sizeof folder, copy);
    char* cut = strrchr(folder, '\\');
    if (cut) *cut = '\0';
    else CopyBounded(folder, sizeof folder, ".");
    if (strlen(folder) == 2 && folder[1] == ':') CopyBounded(folder + 2, sizeof folder - 2, "\\");

    // One notification handle for the whole watch: changes that happen while the archive is
    // being looked at stay recorded for the next wait instead of falling between two handles.
    HANDLE change = FindFirstChangeNotificationA(folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    if (change == INVALID_HANDLE_VALUE) {
        LogPrint(-1, GApp.verbose, "invalid %d\n", (int)GetLastError());
        change = nullptr;
    }
    while (change && !w->stop.load()) {
        if (!copy[0] || strcmp(GApp.currentArchive, copy) != 0 || IsModificationRunning()) break;
        // Looked at before each wait: a change made before the handle was armed is seen too.
        if (!ArchiveStillThere(copy)) {
            if (GApp.currentArchive[0] && strcmp(GApp.currentArchive, copy) == 0 && !IsModificationRunning()) {
                w->stop.store(1);
                PostMessageA(w->frame, WM_KV_ARCHIVE_GONE, 0, 0);
            }
            break;
        }
        HANDLE waits[2] = {change, w->stopEvent};
        DWORD woke = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0 || w->stop.load()) break;
        if (!FindNextChangeNotification(change)) break;
    }
    if (change) FindCloseChangeNotification(change);
    w->ended.store(1);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Frame message handlers

int CreateChildren(HWND frame)
{
    GApp.hwndMain = frame;
    gFrameLine = CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 0, 0, 0, frame,
                                 (HMENU)(INT_PTR)IDC_FRAME_LINE, GApp.hInstance, nullptr);
    GApp.hwndToolbar = CreateToolbar(frame, IDC_TOOLBAR, kMainButtons, 6, GetToolBarText());
    GApp.hwndToolbar2 = CreateToolbar(frame, IDC_TOOLBAR2, kSecondButtons, 4, GetToolBarText2WI());
    GApp.hwndList = CreateArchiveListView(frame, IDC_LIST);
    GApp.hwndTreeList = CreateArchiveListView(frame, IDC_TREELIST);
    GApp.hwndTree = CreateFolderTree(frame, IDC_FOLDER_TREE);
    gComboLabel = CreateWindowExA(0, "static", GetGenericText(20), WS_CHILD | SS_LEFT | SS_CENTERIMAGE, 0, 0,
                                  kComboLabelWidth, kLabelHeight, frame, (HMENU)(INT_PTR)IDC_COMBO_LABEL, GApp.hInstance,
                                  nullptr);
    GApp.hwndPathCombo = CreatePathCombo(frame, IDC_PATH_COMBO);
    gSecondLabel = CreateWindowExA(0, "static", "", WS_CHILD | SS_LEFT | SS_CENTERIMAGE | SS_PATHELLIPSIS, 0, 0,
                                   kSecondLabelWidth, kLabelHeight, frame, nullptr, GApp.hInstance, nullptr);
    GApp.hwndStatus = CreateStatusBar(frame);
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    if (gComboLabel) SendMessageA(gComboLabel, WM_SETFONT, (WPARAM)font, FALSE);
    if (gSecondLabel) SendMessageA(gSecondLabel, WM_SETFONT, (WPARAM)font, FALSE);
    if (GApp.hwndTreeList) ShowWindow(GApp.hwndTreeList, SW_HIDE);
    if (GApp.hwndTree) ShowWindow(GApp.hwndTree, SW_HIDE);
    if (GApp.hwndPathCombo) ShowWindow(GApp.hwndPathCombo, SW_HIDE);
    if (!GApp.hwndList || !GApp.hwndTreeList || !GApp.hwndTree || !GApp.hwndPathCombo || !GApp.hwndStatus) return 0;
    GApp.hwndFocusView = GApp.hwndList;
    gFolderView = 0;
    return 1;
}

void OnAfterOpen(void)
{
    RefreshCommandStates();
    RefreshViewPartTip();
    if (gSecondLabel) {
        const char* base = AfterLast(GApp.currentArchive, '\\');
        SetWindowTextA(gSecondLabel, base ? base : GApp.currentArchive);
    }
    HWND view = GetViewList();
    // The folder change of the rebuild showed TreeList's totals; the active view's belong there.
    const ArchiveTotals& totals = view == GApp.hwndTreeList ? GApp.treeListTotals : GApp.listTotals;
    ShowTotals(totals.rows, totals.compressed, totals.uncompressed);
    int hasRows = view && SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) > 0;
    int hasItems = GApp.hwndTree && SendMessageA(GApp.hwndTree, TVM_GETCOUNT, 0, 0) > 0;
    if (hasRows || hasItems) StartArchiveWatcher();
}

void OnArchiveGone(HWND frame)
{
    if (GApp.hwndList) EnableWindow(GApp.hwndList, FALSE);
    // Its rows stay in sight, but nothing may act on a file that is no longer there.
    gArchiveGone = 1;
    RefreshCommandStates();
    PromptMessageBox(frame, GetMessageText(34), "Kelvora", MB_OK | MB_ICONEXCLAMATION);
}

// Context menus of the lists and the tree: pop-up texts, command ids from 15001 on.
enum { kContextBase = 15001 };
struct ContextItem {
    int popupText;  // -1 separator
    int command;    // the frame command it runs
};
const ContextItem kListContext[] = {
    {0, IDM_OPEN_MEMBER}, {2, IDM_EXTRACT}, {-1, 0}, {6, IDM_DELETE}, {7, IDM_RENAME}, {-1, 0},
    {8, IDM_SELECT_ALL},  {10, IDM_FIND_NAME}, {-1, 0}, {24, IDM_FLAT_VIEW}, {25, IDM_FOLDER_VIEW},
};

int RunContextMenu(HWND frame, const ContextItem* items, int count)
{
    HMENU popup = CreatePopupMenu();
    for (int i = 0; i < count; ++i) {
        if (items[i].popupText < 0) {
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (items[i].command >= IDM_FIRST_MENU_COMMAND && items[i].command <= IDM_LAST_MENU_COMMAND &&
            !IsCommandEnabled(items[i].command))
            flags |= MF_GRAYED;
        AppendMenuA(popup, flags, (UINT_PTR)(kContextBase + items[i].popupText), GetPopupText(items[i].popupText));
    }
    POINT at;
    GetCursorPos(&at);
    int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, frame, nullptr);
    DestroyMenu(popup);
    for (int i = 0; i < count; ++i)
        if (items[i].popupText >= 0 && kContextBase + items[i].popupText == chosen) return DispatchCommand(frame, items[i].command);
    return 0;
}

// The folder the menu is for: the one under the mouse (a right click does not select), else
// the selected one.
HTREEITEM TreeContextItem(void)
{
    TVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(GApp.hwndTree, &hit.pt);
    HTREEITEM item = (HTREEITEM)SendMessageA(GApp.hwndTree, TVM_HITTEST, 0, (LPARAM)&hit);
    if (item && (hit.flags & TVHT_ONITEM)) return item;
    return TreeView_GetSelection(GApp.hwndTree);
}

void RunTreeContextMenu(HWND frame)
{
    HTREEITEM selected = TreeContextItem();
    if (!selected || !OpenArchiveMayModify()) return;
    HMENU popup = CreatePopupMenu();
    UINT folderFlags = MF_STRING | (selected == GetFolderTreeRoot() ? MF_GRAYED : 0);
    AppendMenuA(popup, MF_STRING, kContextBase + 16, GetPopupText(16));
    AppendMenuA(popup, folderFlags, kContextBase + 12, GetPopupText(12));
    AppendMenuA(popup, folderFlags, kContextBase + 13, GetPopupText(13));
    POINT at;
    GetCursorPos(&at);
    int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, frame, nullptr);
    DestroyMenu(popup);
    if (chosen == kContextBase + 16) {
        char path[260] = "";
        if (selected != GetFolderTreeRoot()) GetFolderPathOfItem(selected, path, sizeof path);
        ExtractTreeFolder(frame, path);
    } else if (chosen == kContextBase + 12) {
        if (TreeView_GetSelection(GApp.hwndTree) != selected) TreeView_SelectItem(GApp.hwndTree, selected);
        RenameSelectedFolderWithPrompt();
    } else if (chosen == kContextBase + 13) {
        UpdateTreeViewDragOrDelete(selected, nullptr, 1);
    }
}

// The keys of the lists as in Explorer: Ctrl+A selects all, Del deletes (with the question),
// F2 renames in place, Backspace and Alt+Up go up one folder in the folder view. 1 handled.
int OnListKey(HWND frame, HWND view, WORD key)
{
    int control = GetKeyState(VK_CONTROL) < 0;
    int alt = GetKeyState(VK_MENU) < 0;
    if (control && !alt && (key == 'A' || key == 'a')) return DispatchCommand(frame, IDM_SELECT_ALL), 1;
    if (control || alt) {
        if (!(alt && key == VK_UP)) return 0;
    }
    switch (key) {
    case VK_DELETE: DispatchCommand(frame, IDM_DELETE); return 1;
    case VK_F2: DispatchCommand(frame, IDM_RENAME); return 1;
    case VK_BACK:
    case VK_UP:
        // Alt+Up arrives as a system key through the accelerators; both end here.
        if (key == VK_UP && !alt) return 0;
        if (view != GApp.hwndTreeList) return 0;
        DispatchCommand(frame, IDM_FOLDER_UP);
        return 1;
    }
    return 0;
}

LRESULT OnNotify(HWND frame, NMHDR* header)
{
    LRESULT result = 0;
    if (!header) return 0;
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* info = (NMTTDISPINFOA*)header;
        int id = (int)header->idFrom;
        if (id >= IDM_TB_NEW_ARCHIVE && id <= IDM_TB_FIND) {
            info->lpszText = (LPSTR)GetToolBarToolTipText()[id - IDM_TB_NEW_ARCHIVE];
        } else {
            for (int i = 0; i < 4; ++i)
                if (kSecondButtons[i].command == id) info->lpszText = (LPSTR)GetToolBarToolTipText2WI()[i];
        }
        return 0;
    }
    if (header->hwndFrom == GApp.hwndList || header->hwndFrom == GApp.hwndTreeList) {
        switch (header->code) {
        case NM_DBLCLK:
        case NM_RETURN:
            DispatchCommand(frame, IDM_OPEN_MEMBER);
            return 0;
        case NM_RCLICK:
            RunContextMenu(frame, kListContext, (int)(sizeof kListContext / sizeof kListContext[0]));
            return 0;
        case LVN_KEYDOWN:
            if (OnListKey(frame, header->hwndFrom, ((const NMLVKEYDOWN*)header)->wVKey)) return 0;
            break;
        }
        if (OnListViewNotify(header, &result)) return result;
        return 0;
    }
    if (header->hwndFrom == GApp.hwndTree) {
        if (header->code == NM_RCLICK) {
            RunTreeContextMenu(frame);
            return 0;
        }
        if (OnFolderTreeNotify(header, &result)) return result;
        return 0;
    }
    if (header->hwndFrom == GApp.hwndStatus && header->code == NM_CLICK) {
        NMMOUSE* mouse = (NMMOUSE*)header;
        if (mouse->dwItemSpec == STATUS_PART_ADD_MODE) {
            SetAddDirectories(GetAddDirectories() == 0 ? 1 : 0);
            SaveSettings();
            ShowStatusModeTexts();
        } else if (mouse->dwItemSpec == STATUS_PART_NEW_FORMAT) {
            // The switch offers only what the create command can make.
            SetPreferredTar(GetPreferredTar() || !NewArchivesCanBeTar() ? 0 : 1);
            SaveSettings();
            ShowStatusModeTexts();
        }
        return 0;
    }
    return 0;
}

// The frame and its children are gone: no handle of them may be used any more.
void ForgetMainWindow(void)
{
    GApp.hwndMain = GApp.hwndList = GApp.hwndTree = GApp.hwndTreeList = nullptr;
    GApp.hwndPathCombo = GApp.hwndFocusView = GApp.hwndStatus = GApp.hwndToolbar = GApp.hwndToolbar2 = nullptr;
    gComboLabel = gSecondLabel = gFrameLine = gStatusTips = nullptr;
    gMenu = gFileMenu = gViewMenu = nullptr;
    gImageListsAttached = 0;
    gFolderView = 0;
    gProtected = -1;
    gJobsWereRunning = 0;
}

// An archive is shown and usable but nobody watches it (a rewrite ended the watcher).
int NeedsWatcherAgain(void)
{
    return GApp.currentArchive[0] && !IsArchiveWatcherRunning() && GApp.hwndList && IsWindowEnabled(GApp.hwndList) &&
           SendMessageA(GApp.hwndList, LVM_GETITEMCOUNT, 0, 0) > 0;
}

void ReevaluateFrameCursor(HWND frame)
{
    POINT at;
    GetCursorPos(&at);
    HWND under = WindowFromPoint(at);
    if (under == frame || (under && IsChild(frame, under)))
        SetCursor(LoadCursor(nullptr, GApp.busy.load() ? IDC_WAIT : IDC_ARROW));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Public functions

int SetMyWindowText(const char* archiveName)
{
    if (!GApp.hwndMain) return 0;
    char title[600];
    if (archiveName && *archiveName)
        snprintf(title, sizeof title, "%s: %s", "Kelvora", archiveName);
    else
        snprintf(title, sizeof title, "%s", "Kelvora");
    if (!SetWindowTextA(GApp.hwndMain, title)) {
        LogPrint(1, GApp.verbose, "SetMyWindowText failure %d", (int)GetLastError());
        return 0;
    }
    return 1;
}

int ComputeMainLayout(int width, int height, int toolbarHeight, int statusHeight, MainLayout* out)
{
    if (!out) return 0;
    memset(out, 0, sizeof *out);
    int top = toolbarHeight;
    SetRect(&out->frameLine, 0, top, width, top + kFrameLineHeight);
    top += kFrameLineHeight;
    int bottom = height - statusHeight;
    if (width < 100 || bottom - top < 40) return 0;
    SetRect(&out->list, 0, top, width, bottom);
    int treeWidth = width / 3;
    if (treeWidth < 150) treeWidth = 150;
    if (treeWidth > width / 2) treeWidth = width / 2;
    SetRect(&out->tree, 0, top, treeWidth, bottom);
    int left = treeWidth + 4;
    int rowTop = top + 2;
    SetRect(&out->comboLabel, left, rowTop, left + kComboLabelWidth, rowTop + kLabelHeight);
    int secondLeft = width - kSecondLabelWidth - 4;
    int comboLeft = left + kComboLabelWidth + 4;
    int comboRight = secondLeft - 6;
    if (comboRight < comboLeft + 40) comboRight = comboLeft + 40;
    SetRect(&out->pathCombo, comboLeft, rowTop, comboRight, rowTop + kComboHeight);
    SetRect(&out->secondLabel, secondLeft, rowTop, secondLeft + kSecondLabelWidth, rowTop + kLabelHeight);
    SetRect(&out->treeList, left, top + kComboRowHeight + 2, width, bottom);
    return 1;
}

void LayoutMainWindow(HWND frame)
{
    if (!frame) return;
    RECT client;
    GetClientRect(frame, &client);
    int toolbarHeight = ToolbarHeight(GApp.hwndToolbar);
    int toolbar2Height = ToolbarHeight(GApp.hwndToolbar2);
    if (toolbar2Height > toolbarHeight) toolbarHeight = toolbar2Height;
    int firstWidth = ToolbarWidth(GApp.hwndToolbar);
    if (GApp.hwndToolbar) MoveWindow(GApp.hwndToolbar, 0, 0, firstWidth, toolbarHeight, TRUE);
    if (GApp.hwndToolbar2)
        MoveWindow(GApp.hwndToolbar2, firstWidth + 12, 0, ToolbarWidth(GApp.hwndToolbar2), toolbarHeight, TRUE);
    int statusHeight = 0;
    if (GApp.hwndStatus) {
        SendMessageA(GApp.hwndStatus, WM_SIZE, 0, 0);
        RECT s;
        GetWindowRect(GApp.hwndStatus, &s);
        statusHeight = s.bottom - s.top;
        int rights[STATUS_PART_TOTAL];
        StatusPartWidths(client.right, rights);
        SendMessageA(GApp.hwndStatus, SB_SETPARTS, STATUS_PART_TOTAL, (LPARAM)rights);
        PlaceStatusTools();
    }
    MainLayout layout;
    if (!ComputeMainLayout(client.right, client.bottom, toolbarHeight, statusHeight, &layout)) return;
    auto place = [](HWND w, const RECT& r) {
        if (w) MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    place(gFrameLine, layout.frameLine);
    place(GApp.hwndList, layout.list);
    place(GApp.hwndTree, layout.tree);
    place(gComboLabel, layout.comboLabel);
    place(GApp.hwndPathCombo, layout.pathCombo);
    place(gSecondLabel, layout.secondLabel);
    place(GApp.hwndTreeList, layout.treeList);
}

int SwitchView(int folderView)
{
    if (!GApp.hwndList || !GApp.hwndTree) {
        LogPrint(1, GApp.verbose, "SwitchView: err %d %d\n", folderView, (int)GetLastError());
        return 0;
    }
    gFolderView = folderView ? 1 : 0;
    int showFolder = gFolderView ? SW_SHOW : SW_HIDE;
    int showFlat = gFolderView ? SW_HIDE : SW_SHOW;
    ShowWindow(GApp.hwndList, showFlat);
    HWND folderWindows[] = {GApp.hwndTree, GApp.hwndTreeList, GApp.hwndPathCombo, gComboLabel, gSecondLabel};
    for (HWND w : folderWindows)
        if (w) ShowWindow(w, showFolder);
    GApp.hwndFocusView = gFolderView ? GApp.hwndTree : GApp.hwndList;
    if (gViewMenu) {
        CheckMenuItem(gViewMenu, IDM_FLAT_VIEW, MF_BYCOMMAND | (gFolderView ? MF_UNCHECKED : MF_CHECKED));
        CheckMenuItem(gViewMenu, IDM_FOLDER_VIEW, MF_BYCOMMAND | (gFolderView ? MF_CHECKED : MF_UNCHECKED));
    }
    if (GApp.hwndToolbar2) {
        SendMessageA(GApp.hwndToolbar2, TB_CHECKBUTTON, IDM_FLAT_VIEW, MAKELONG(gFolderView ? 0 : 1, 0));
        SendMessageA(GApp.hwndToolbar2, TB_CHECKBUTTON, IDM_FOLDER_VIEW, MAKELONG(gFolderView ? 1 : 0, 0));
    }
    ShowStatusModeTexts();
    RefreshViewPartTip();
    if (GCompressionMethod != CM_NONE) {
        const ArchiveTotals& t = gFolderView ? GApp.treeListTotals : GApp.listTotals;
        ShowTotals(t.rows, t.compressed, t.uncompressed);
    }
    RefreshCommandStates();
    if (GApp.hwndMain) {
        LayoutMainWindow(GApp.hwndMain);
        InvalidateRect(GApp.hwndMain, nullptr, TRUE);
    }
    SetFocus(GApp.hwndFocusView);
    return 1;
}

int IsFolderViewShown(void)
{
    return gFolderView;
}

int BeginBusy(void)
{
    if (!TryEnterBusy(GApp.busy)) return 0;
    RefreshViewCursors();
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_REEVALUATE_CURSOR, 0, 0);
    if (GApp.hwndStatus) PostMessageA(GApp.hwndStatus, WM_REEVALUATE_CURSOR, 0, 0);
    return 1;
}

void EndBusy(void)
{
    LeaveBusy(GApp.busy);
    RefreshViewCursors();
    if (GApp.hwndMain) PostMessageA(GApp.hwndMain, WM_REEVALUATE_CURSOR, 0, 0);
    if (GApp.hwndStatus) PostMessageA(GApp.hwndStatus, WM_REEVALUATE_CURSOR, 0, 0);
}

ListingStarter GetListingThreadForFormat(int format)
{
    const FormatOps* ops = GetFormatOps(format);
    return ops ? ops->listThread : nullptr;
}

int OpenCompressedFile(const char* path, HWND owner)
{
    if (!owner) owner = OwnerWindow();
    if (path && *path) {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            char text[900];
            if (IsDebugConsole())
                snprintf(text, sizeof text, "(DebugConsoleEnabled)\n%d %s \"%s\" %s %s", 17979, GetMessageText(35), path,
                         GetMessageText(36), GetMessageText(99));
            else
                snprintf(text, sizeof text, "%s \"%s\" %s %s", GetMessageText(35), path, GetMessageText(36),
                         GetMessageText(99));
            PromptMessageBox(owner, text, "Kelvora", MB_OK | MB_ICONSTOP);
            return 0;
        }
        CloseHandle(file);
    }
    // Both flags are taken with test-and-set, so two opens can never both pass.
    if (!TryEnterBusy(GApp.busy)) {
        LogLine("already busy");
        return 0;
    }
    if (!TryEnterBusy(GApp.busyOpen)) {
        LeaveBusy(GApp.busy);
        LogLine("already busy open");
        return 0;
    }
    char chosen[260] = "";
    if (path && *path) {
        CopyBounded(chosen, sizeof chosen, path);
    } else {
        FileDialogRequest request = {owner, GetMessageText(28), kZipFilter, "zip", nullptr,
                                     OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, chosen, sizeof chosen};
        if (!PromptOpenFile(&request) || !chosen[0]) {
            LeaveBusy(GApp.busyOpen);
            LeaveBusy(GApp.busy);
            if (GApp.hwndFocusView) SetFocus(GApp.hwndFocusView);
            return 1;
        }
    }
    int format = DetectArchiveFormatOrTell(chosen, owner);
    ListingStarter starter = format == CM_NONE ? nullptr : GetListingThreadForFormat(format);
    if (format != CM_NONE && !starter) {
        // A format whose engine this build does not carry is not supported either.
        PromptMessageBox(owner, GetMessageText(71), "Kelvora", MB_OK | MB_ICONINFORMATION);
        format = CM_NONE;
    }
    if (format == CM_NONE) {
        LeaveBusy(GApp.busyOpen);
        LeaveBusy(GApp.busy);
        return 0;
    }
    AttachSystemImageLists();
    StopArchiveWatcher();

    ListingJob* job = GApp.currentJob;
    CopyBounded(GApp.currentArchive, sizeof GApp.currentArchive, chosen);
    if (job) {
        List* folders = job->folderList;
        InitListingJob(job, chosen, GetViewList(), GApp.hwndTree, GApp.hwndFocusView);
        if (folders) ListDestroy(&folders);
        job->format = format;
    }
    RenewTempFiles();
    // On the list's own thread the previous rows are emptied while the new listing already reads
    // the archive: its rows reach the list through this thread, so only after the emptying.
    // From another thread the list is emptied first.
    int clearAfterStart = GApp.hwndList && GetWindowThreadProcessId(GApp.hwndList, nullptr) == GetCurrentThreadId();
    if (GApp.hwndList) {
        if (!clearAfterStart) ClearList(GApp.hwndList);
        EnableWindow(GApp.hwndList, TRUE);
    }
    gProtected = -1;
    gArchiveGone = 0;
    ResetZipPasswordProtected();
    SetCompressionMethod(format);
    HANDLE thread = CreateThread(nullptr, 0, starter, job, 0, nullptr);
    if (clearAfterStart) ClearList(GApp.hwndList);
    if (!thread) {
        LogPrint(-1, GApp.verbose, "OpenCompressedFile: cannot start the listing %d", (int)GetLastError());
        LeaveBusy(GApp.busyOpen);
        LeaveBusy(GApp.busy);
        return 0;
    }
    CloseHandle(thread);

    if (GApp.hwndFocusView) SetFocus(GApp.hwndFocusView);
    if (GApp.tempToDelete[0]) {
        DeleteFileA(GApp.tempToDelete);
        GApp.tempToDelete[0] = '\0';
    }
    InitializeSearchValues(nullptr, 0);
    InitializeTreeListSearchValues(nullptr, 0);
    RefreshCommandStates();
    return 1;
}

int HandleDroppedPaths(const char* const* paths, int count)
{
    if (!paths || count <= 0) return 0;
    int started = 0;
    HWND view = GetViewList();
    int shown = view && SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) > 0;
    if (!shown) {
        if (count == 1) {
            DWORD attributes = GetFileAttributesA(paths[0]);
            int isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
            if (isFile && DetectFormatByName(paths[0]) != CM_NONE)
                started = OpenCompressedFile(paths[0], GApp.hwndMain);
            else
                started = CreateArchiveFromFiles(paths, 1, 0, 0);
        }
    } else if (OpenArchiveOps() && OpenArchiveOps()->addFiles) {
        char prefix[260] = "";
        if (view == GApp.hwndTreeList && GApp.hwndPathCombo)
            GetWindowTextA(GApp.hwndPathCombo, prefix, sizeof prefix);
        started = OpenArchiveOps()->addFiles(GApp.currentArchive, paths, count, prefix, 0);
    } else {
        // Formats that cannot take files (ISO, RAR) say so.
        LogLine("HandleDropFilesList: GCompressionMethod not specified - or not possible to append");
        PromptMessageBox(OwnerWindow(), GetMessageText(80), "Kelvora", MB_OK | MB_ICONINFORMATION);
    }
    AttachSystemImageLists();
    return started;
}

int HandleDropFilesList(HDROP drop, int finish)
{
    if (!drop) return 0;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT i = 0; i < count; ++i) {
        char path[260] = "";
        if (DragQueryFileA(drop, i, path, sizeof path)) paths.push_back(path);
    }
    if (finish) DragFinish(drop);
    std::vector<const char*> pointers;
    for (const std::string& p : paths) pointers.push_back(p.c_str());
    return HandleDroppedPaths(pointers.data(), (int)pointers.size());
}

HMENU BuildMainMenu(void)
{
    HMENU bar = CreateMenu();
    gFileMenu = CreatePopupMenu();
    FillFileMenu(gFileMenu);
    HMENU edit = BuildPopup(kEditItems, sizeof kEditItems / sizeof kEditItems[0]);
    gViewMenu = BuildPopup(kViewItems, sizeof kViewItems / sizeof kViewItems[0]);
    HMENU tools = BuildPopup(kToolsItems, sizeof kToolsItems / sizeof kToolsItems[0]);
    HMENU help = BuildPopup(kHelpItems, sizeof kHelpItems / sizeof kHelpItems[0]);
    HMENU popups[] = {gFileMenu, edit, gViewMenu, tools, help};
    for (int i = 0; i < 5; ++i) AppendMenuA(bar, MF_POPUP | MF_STRING, (UINT_PTR)popups[i], GetMenuText(IDM_POPUP_FILE + i));
    CheckMenuItem(gViewMenu, IDM_FLAT_VIEW, MF_BYCOMMAND | MF_CHECKED);
    gMenu = bar;
    return bar;
}

int IsCommandAvailable(int id)
{
    for (int unavailable : kUnavailableCommands)
        if (unavailable == id) return 0;
    return FindCommand(id) ? 1 : 0;
}

int IsCommandEnabled(int id)
{
    if (!gMenu) return 0;
    UINT state = GetMenuState(gMenu, (UINT)id, MF_BYCOMMAND);
    if (state == (UINT)-1) return 0;
    return (state & (MF_GRAYED | MF_DISABLED)) ? 0 : 1;
}

void RefreshCommandStates(void)
{
    int format = GCompressionMethod;
    int shown = GApp.currentArchive[0] && format != CM_NONE;
    if (!shown) gArchiveGone = 0;
    // A vanished archive can only be closed.
    int open = shown && !gArchiveGone;
    int rows = GApp.hwndList ? (int)SendMessageA(GApp.hwndList, LVM_GETITEMCOUNT, 0, 0) : 0;
    const FormatOps* ops = open ? GetFormatOps(format) : nullptr;
    int zip = open && format == CM_ZIP;
    int modifiable = open && ops && ops->mayModify && ops->mayModify();
    int addable = open && ops && ops->addFiles;
    struct Rule {
        int id;
        int enabled;
    };
    const Rule rules[] = {
        {IDM_NEW_ARCHIVE, 1},       {IDM_OPEN, 1},           {IDM_CLOSE, shown},          {IDM_RELOAD, open},
        {IDM_SELF_EXTRACTOR, zip && rows > 0},               {IDM_SAVE_COPY, zip},       {IDM_PRINT, rows > 0},
        {IDM_EXIT, 1},              {IDM_RENAME, modifiable && rows > 0},                       {IDM_SET_PASSWORD, zip},
        {IDM_CUT, modifiable && rows > 0}, {IDM_COPY, open && rows > 0},                        {IDM_PASTE, 0},
        {IDM_FIND_NAME, zip && rows > 0},                    {IDM_FIND_CONTENT, zip && rows > 0},
        {IDM_ADD_FOLDER, addable},                   {IDM_EXTRACT, open && rows > 0},
        {IDM_DELETE, modifiable && rows > 0},                       {IDM_SELECT_ALL, open && rows > 0},
        {IDM_FLAT_VIEW, 1},         {IDM_FOLDER_VIEW, 1},    {IDM_SETTINGS, 1},          {IDM_HELP, 1},
        {IDM_ABOUT, 1},             {IDM_REPAIR, 1},         {IDM_HISTORY, IsHistoryActivated()},           {IDM_EXTRACT_SEVERAL, 1},
        {IDM_RECENT_ARCHIVES, IsRecentDialogAvailable()},
    };
    for (const Rule& rule : rules) EnableCommand(rule.id, rule.enabled && IsCommandAvailable(rule.id));
    for (int id = IDM_RECENT_FIRST; id <= IDM_RECENT_LAST; ++id) EnableCommand(id, 1);
    if (GApp.hwndMain && gMenu) DrawMenuBar(GApp.hwndMain);
}

int AddToRecentSlots(const char* path)
{
    if (!path || !*path || GetDoNotSaveRecent()) return 0;
    if (strcmp(GetRecentFile(0), path) == 0) return 0;
    int found = RECENT_SLOT_COUNT - 1;
    for (int slot = 1; slot < RECENT_SLOT_COUNT; ++slot) {
        if (strcmp(GetRecentFile(slot), path) == 0) {
            found = slot;
            break;
        }
    }
    for (int slot = found; slot > 0; --slot) SetRecentFile(slot, GetRecentFile(slot - 1));
    SetRecentFile(0, path);
    RefreshRecentMenuItems();
    SaveRecentFileList();
    return 1;
}

void RefreshRecentMenuItems(void)
{
    if (!gFileMenu) return;
    FillFileMenu(gFileMenu);
    RefreshCommandStates();
}

void SetProtectionToolTip(int isProtected)
{
    gProtected = isProtected ? 1 : 0;
    RefreshViewPartTip();
}

int GetStatusToolTipText(int part, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (part < 0 || part >= STATUS_PART_TOTAL) return 0;
    return CopyBounded(out, outSize, gStatusTipTexts[part]);
}

void UpdateBackgroundJobTip(void)
{
    if (!GApp.hwndStatus) return;
    int running = BackgroundJobCount();
    if (running > 0) {
        struct Collect {
            std::string text;
            int counter;
        } collect = {"", ++gJobTipCounter};
        BackgroundJobForEach(
            [](void* data, const BackgroundJobEntry* entry) {
                Collect* c = (Collect*)data;
                char line[700];
                const char* status = entry->statusText ? entry->statusText(entry->head.job) : "";
                const char* archive = "";
                if (entry->head.job) {
                    // Background jobs are archive-creation runs: their record names the target.
                    const ZipCreateOptions* o = (const ZipCreateOptions*)entry->head.job;
                    archive = o->targetArchive;
                }
                snprintf(line, sizeof line, "%d. %s -- %s %d", entry->head.number + 1, archive, status ? status : "",
                         c->counter);
                if (!c->text.empty()) c->text += "\r\n";
                c->text += line;
            },
            &collect);
        SetStatusTip(STATUS_PART_SEARCH, collect.text.c_str());
        if (!gJobsWereRunning) SetTimer(GApp.hwndStatus, TIMER_BACKGROUND_JOBS, 100, nullptr);
        gJobsWereRunning = 1;
    } else if (gJobsWereRunning) {
        gJobsWereRunning = 0;
        KillTimer(GApp.hwndStatus, TIMER_BACKGROUND_JOBS);
        SetStatusTip(STATUS_PART_SEARCH, GetMessageText(41));
    }
}

int StartArchiveWatcher(void)
{
    StopArchiveWatcher();
    if (!GApp.currentArchive[0] || !GApp.hwndMain) return 0;
    auto watcher = std::make_shared<ArchiveWatcher>();
    watcher->stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    watcher->frame = GApp.hwndMain;
    CopyBounded(watcher->archive, sizeof watcher->archive, GApp.currentArchive);
    if (!watcher->stopEvent) return 0;
    auto* holder = new std::shared_ptr<ArchiveWatcher>(watcher);
    HANDLE thread = CreateThread(nullptr, 0, ArchiveWatcherThread, holder, 0, nullptr);
    if (!thread) {
        delete holder;
        return 0;
    }
    CloseHandle(thread);
    gWatcher = watcher;
    return 1;
}

void StopArchiveWatcher(void)
{
    if (!gWatcher) return;
    gWatcher->stop.store(1);
    SetEvent(gWatcher->stopEvent);
    gWatcher.reset();
}

int IsArchiveWatcherRunning(void)
{
    return gWatcher && !gWatcher->ended.load() ? 1 : 0;
}

int ShellOpenWithSystem(HWND owner, const char* path, int withApplication)
{
    if (!path || !*path) return 0;
    HINSTANCE result = ShellExecuteA(owner, withApplication ? "open" : "openas", path, nullptr, nullptr, SW_SHOWNORMAL);
    if ((INT_PTR)result <= 32 && !withApplication)
        result = ShellExecuteA(owner, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
    return (INT_PTR)result > 32 ? 1 : 0;
}

int RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KELVORA));
    if (!wc.hIcon) wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) ? 1 : 0;
}

HWND CreateMainWindow(HINSTANCE instance, int showCommand)
{
    GApp.hInstance = instance;
    HMENU menu = BuildMainMenu();
    HWND frame = CreateWindowExA(WS_EX_LAYERED | WS_EX_ACCEPTFILES, kClassName, "Kelvora",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT, CW_USEDEFAULT,
                                 980, 640, nullptr, menu, instance, nullptr);
    if (!frame) {
        DestroyMenu(menu);
        gMenu = gFileMenu = gViewMenu = nullptr;
        return nullptr;
    }
    SetLayeredWindowAttributes(frame, 0, 255, LWA_ALPHA);
    if (!GApp.hwndList) {
        DestroyWindow(frame);
        return nullptr;
    }
    InstallHooks();
    LayoutMainWindow(frame);
    ShowStatusModeTexts();
    RefreshViewPartTip();
    RefreshCommandStates();
    SwitchView(0);
    LayoutMainWindow(frame);
    if (showCommand != SW_HIDE) {
        ShowWindow(frame, showCommand);
        UpdateWindow(frame);
    }
    return frame;
}

LRESULT CALLBACK MainWindowProc(HWND frame, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == GetFindMessageId() && msg != 0) return HandleFindMessage((const FINDREPLACEA*)lParam);
    switch (msg) {
    case WM_CREATE:
        if (!CreateChildren(frame)) return -1;
        return 0;
    case WM_SIZE:
    case WM_EXITSIZEMOVE:
        LayoutMainWindow(frame);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = (MINMAXINFO*)lParam;
        info->ptMinTrackSize.x = kMinTrackWidth;
        info->ptMinTrackSize.y = kMinTrackHeight;
        return 0;
    }
    case WM_COMMAND:
        // Menus (0), accelerators (1) and button clicks (0) carry commands; other control
        // notifications belong to their controls.
        if (HIWORD(wParam) <= 1) DispatchCommand(frame, LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(frame, (NMHDR*)lParam);
    case WM_TIMER:
        if (wParam == TIMER_FOLDER_RETRY) {
            OnFolderChangeTimer();
            return 0;
        }
        if (wParam == TIMER_WATCH_AGAIN) {
            if (!NeedsWatcherAgain()) {
                KillTimer(frame, TIMER_WATCH_AGAIN);
            } else if (!IsModificationRunning() && !GApp.busy.load() && !GApp.busyOpen.load()) {
                KillTimer(frame, TIMER_WATCH_AGAIN);
                StartArchiveWatcher();
            }
            return 0;
        }
        break;
    case WM_DROPFILES:
        HandleDropFilesList((HDROP)wParam, 1);
        return 0;
    case WM_HELP:
        DispatchCommand(frame, IDM_HELP);
        return TRUE;
    case WM_SETCURSOR:
        if (GApp.busy.load() && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_REEVALUATE_CURSOR:
        ReevaluateFrameCursor(frame);
        return 0;
    case WM_CHANGECBCHAIN:
        if ((HWND)wParam == nextClipboardViewer)
            nextClipboardViewer = (HWND)lParam;
        else if (nextClipboardViewer)
            SendMessageA(nextClipboardViewer, msg, wParam, lParam);
        return 0;
    case WM_DRAWCLIPBOARD:
        if (nextClipboardViewer) SendMessageA(nextClipboardViewer, msg, wParam, lParam);
        return 0;
    case WM_KV_AFTER_OPEN:
        OnAfterOpen();
        return 0;
    case WM_KV_ARCHIVE_GONE:
        OnArchiveGone(frame);
        return 0;
    case WM_KV_REFRESH_COMMANDS:
        RefreshCommandStates();
        // A rewrite ends the watcher; the changed archive is watched again once the rewrite
        // has let go of it.
        if (NeedsWatcherAgain()) SetTimer(frame, TIMER_WATCH_AGAIN, 200, nullptr);
        return 0;
    case WM_KV_SET_PROTECTION_TIP:
        SetProtectionToolTip((int)wParam);
        return 0;
    case WM_KV_RUN: {
        RunRequest* request = (RunRequest*)lParam;
        if (request && request->work) request->work(request->context);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(frame);
        return 0;
    case WM_DESTROY:
        StopArchiveWatcher();
        if (GApp.hwndStatus) KillTimer(GApp.hwndStatus, TIMER_BACKGROUND_JOBS);
        KillTimer(frame, TIMER_FOLDER_RETRY);
        KillTimer(frame, TIMER_WATCH_AGAIN);
        // Leave the clipboard chain and the drop targets while the window still exists.
        if (nextClipboardViewer) ChangeClipboardChain(frame, nextClipboardViewer);
        nextClipboardViewer = nullptr;
        RevokeDragDrop(frame);
        DragAcceptFiles(frame, FALSE);
        ForgetMainWindow();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(frame, msg, wParam, lParam);
}
