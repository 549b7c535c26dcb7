// Shots of the main window: the flat view and the folder view of a demo archive, a name search
// with the Find dialog and the row it found, the progress dialog over the window during an
// extraction, and the command-line help window. The main
// window lives on a thread of its own that pumps its messages (the driver's thread only waits).
// scripts/screenshots-app.sh names the archives in KELVORA_SHOT_ARCHIVE (the demo archive) and
// KELVORA_SHOT_BIG_ARCHIVE (one large enough for the extraction to last a while).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/commands.h"
#include "app/helpwindow.h"
#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/search.h"
#include "shots.h"
#include "ui/progress.h"
#include "ui/promptscript.h"
#include "zip/enginehooks.h"
#include "zip/listing.h"
#include "zip/modify.h"

namespace {

enum { kShowFlat, kShowFolder, kShowExtraction, kShowSearch };

// The text the search shot looks for: the name of a member deep in the demo archive.
const char kShotSearchText[] = "extract";

struct WindowShot {
    int what;
    HANDLE ready;
    HWND frame;
    char extractTo[MAX_PATH];
};

WindowShot gShot;

// The extraction is held part way (at its 25th member) while the shot is taken: the history
// hooks are the engine's per-member callbacks.
HANDLE gExtractionHeld = nullptr;
HANDLE gExtractionRelease = nullptr;
int gMembersWritten = 0;

int HoldExtractionPartWay(const char*)
{
    if (++gMembersWritten == 25) {
        SetEvent(gExtractionHeld);
        WaitForSingleObject(gExtractionRelease, 120000);
    }
    return 1;
}

void RemoveTree(const char* folder)
{
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\*", folder);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern, &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
            char path[MAX_PATH];
            snprintf(path, sizeof path, "%s\\%s", folder, found.cFileName);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileA(path);
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(folder);
}

void Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

int PumpUntilIdle(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GApp.busy.load() || GApp.busyOpen.load() || IsFolderChangePending()) {
        if (GetTickCount() - start > timeoutMs) return 0;
        Pump(20);
    }
    return 1;
}

void SelectFirstFolder(void)
{
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    HTREEITEM folder = root ? TreeView_GetChild(GApp.hwndTree, root) : nullptr;
    if (folder) TreeView_Expand(GApp.hwndTree, root, TVE_EXPAND);
    HTREEITEM below = folder ? TreeView_GetChild(GApp.hwndTree, folder) : nullptr;
    if (below) TreeView_Expand(GApp.hwndTree, folder, TVE_EXPAND);
    TreeView_SelectItem(GApp.hwndTree, below ? below : folder ? folder : root);
}

// The archive a shot opens: named by the script, else the one it made beside the build's
// programs (build/shots). 0 when there is none: an empty window is no picture of the views.
int ShotArchive(int big, char* out, size_t outSize)
{
    const char* named = getenv(big ? "KELVORA_SHOT_BIG_ARCHIVE" : "KELVORA_SHOT_ARCHIVE");
    if (named && *named) {
        snprintf(out, outSize, "%s", named);
    } else {
        char program[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, program, sizeof program);
        char* cut = strrchr(program, '\\');
        if (cut) *cut = '\0';
        snprintf(out, outSize, "%s\\..\\shots\\%s", program, big ? "big.zip" : "demo.zip");
    }
    if (GetFileAttributesA(out) != INVALID_FILE_ATTRIBUTES) return 1;
    fprintf(stderr, "kelvora_shots: %s is missing (scripts/screenshots-app.sh makes it)\n", out);
    return 0;
}

// The Find command, the text typed into its dialog and "Find Next" pressed; the dialog is
// then moved over the lower right part of the frame so that the frame's picture holds both.
void FindAsAUserWould(HWND frame)
{
    ListView_SetItemState(GApp.hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    DispatchCommand(frame, IDM_FIND_NAME);
    HWND find = GetFindDialogWindow();
    if (!find) {
        fprintf(stderr, "kelvora_shots: the Find dialog did not open\n");
        return;
    }
    SetDlgItemTextA(find, edt1, kShotSearchText);
    SendMessageA(find, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(find, IDOK));
    PumpUntilIdle(30000);
    Pump(200);
    RECT f, d;
    GetWindowRect(frame, &f);
    GetWindowRect(find, &d);
    int width = d.right - d.left, height = d.bottom - d.top;
    SetWindowPos(find, HWND_TOP, f.right - width - 40, f.bottom - height - 60, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    int hit = ListView_GetNextItem(GApp.hwndList, -1, LVNI_SELECTED);
    if (hit < 0) fprintf(stderr, "kelvora_shots: the search found no row\n");
    else ListView_EnsureVisible(GApp.hwndList, hit, FALSE);
    // The user looks at the hit: the list has the focus (its selection in full colour), the
    // dialog stays open above its owner.
    SetForegroundWindow(frame);
    SetFocus(GApp.hwndList);
    SetWindowPos(find, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Pump(200);
}

DWORD WINAPI MainWindowShotThread(LPVOID)
{
    WindowShot* shot = &gShot;
    char archive[MAX_PATH];
    if (!ShotArchive(shot->what == kShowExtraction, archive, sizeof archive)) {
        SetEvent(shot->ready);
        return 1;
    }
    SetSettingsKeyPath("SOFTWARE\\KelvoraShots");
    SetDoNotSaveRecent(1);
    GApp.currentJob = (ListingJob*)calloc(1, sizeof(ListingJob));
    InstallViewHandlers();
    RegisterMainWindowClass(GetModuleHandleA(nullptr));
    shot->frame = CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    if (shot->frame) {
        SetWindowPos(shot->frame, nullptr, 40, 30, 1060, 660, SWP_NOZORDER);
        OpenCompressedFile(archive, shot->frame);
        PumpUntilIdle(120000);
        if (shot->what == kShowFolder) {
            SwitchView(1);
            SelectFirstFolder();
            PumpUntilIdle(30000);
        } else if (shot->what != kShowSearch) {
            ListView_SetItemState(GApp.hwndList, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
        if (shot->what == kShowSearch) FindAsAUserWould(shot->frame);
        if (shot->what == kShowExtraction) {
            // The folder question answered as a user would; then the extraction of everything.
            GetTempPathA(sizeof shot->extractTo, shot->extractTo);
            strncat(shot->extractTo, "kelvora_shot_extract", sizeof shot->extractTo - strlen(shot->extractTo) - 1);
            RemoveTree(shot->extractTo);
            CreateDirectoryA(shot->extractTo, nullptr);
            BeginPromptScript();
            ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, shot->extractTo);
            gExtractionHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            gExtractionRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            gMembersWritten = 0;
            GZipHooks.isHistoryRecording = [] { return 1; };
            GZipHooks.startHistoryItem = [](const char*, const char*) {};
            GZipHooks.addToHistoryItem = HoldExtractionPartWay;
            ListView_SetItemState(GApp.hwndList, -1, 0, LVIS_SELECTED);
            DispatchCommand(shot->frame, IDM_EXTRACT);
            DWORD start = GetTickCount();
            while (WaitForSingleObject(gExtractionHeld, 0) != WAIT_OBJECT_0 && GetTickCount() - start < 60000) Pump(20);
            Pump(500);
        }
    }
    SetEvent(shot->ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

HWND OpenMainWindowShot(int what)
{
    memset(&gShot, 0, sizeof gShot);
    gShot.what = what;
    gShot.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, MainWindowShotThread, nullptr, 0, nullptr);
    if (!thread) return nullptr;
    CloseHandle(thread);
    WaitForSingleObject(gShot.ready, 180000);
    if (gShot.frame) SettleShotWindow(gShot.frame);
    return gShot.frame;
}

DWORD WINAPI HelpWindowShotThread(LPVOID)
{
    int version = LoadRichEditLibrary();
    if (version) ShowHelpWindow(nullptr, version);
    return 0;
}

}  // namespace

HWND OpenFlatViewShot(void)
{
    return OpenMainWindowShot(kShowFlat);
}

HWND OpenFolderViewShot(void)
{
    return OpenMainWindowShot(kShowFolder);
}

HWND OpenExtractionProgressShot(void)
{
    return OpenMainWindowShot(kShowExtraction);
}

HWND OpenSearchHitShot(void)
{
    HWND frame = OpenMainWindowShot(kShowSearch);
    HWND find = GetFindDialogWindow();
    if (find) SettleShotWindow(find);
    return frame;
}

void CloseMainWindowShot(HWND frame)
{
    if (gShot.what == kShowExtraction) {
        SetCanceledByUser(1);
        if (gExtractionRelease) SetEvent(gExtractionRelease);
        for (int i = 0; i < 300 && (GApp.busy.load() || GetProgressDialog()); ++i) Sleep(100);
        EndPromptScript();
        RemoveTree(gShot.extractTo);
    }
    PostMessageA(frame, WM_CLOSE, 0, 0);
    Sleep(500);
}

HWND OpenHelpWindowShot(void)
{
    HANDLE thread = CreateThread(nullptr, 0, HelpWindowShotThread, nullptr, 0, nullptr);
    if (!thread) return nullptr;
    CloseHandle(thread);
    HWND dialog = nullptr;
    for (int i = 0; i < 200 && !dialog; ++i) {
        dialog = FindWindowA("#32770", "Kelvora");
        if (!dialog) Sleep(50);
    }
    if (dialog) SettleShotWindow(dialog);
    return dialog;
}

void CloseHelpWindowShot(HWND dialog)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HELP_CLOSE, BN_CLICKED), 0);
}
