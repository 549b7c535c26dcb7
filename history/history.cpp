#include "history/history.h"

#include <atomic>
#include <cstring>

#include "app/langtext.h"
#include "app/ids.h"
#include "config/log.h"
#include "config/settings.h"
#include "formats/plugins.h"
#include "libs/history/historyapi.h"
#include "model/appstate.h"
#include "ui/prompts.h"
#include "ui/templatedialog.h"
#include "zip/enginehooks.h"

namespace {

std::atomic<int> gLoadMarker{-1};
std::atomic<int> gStatus{-1};

template <typename Fn>
Fn HistoryExport(const char* name)
{
    return (Fn)PluginExport(PLUGIN_HISTORY, name);
}

void EnableHistoryMenuItem(int on)
{
    if (!GApp.hwndMain) return;
    HMENU menu = GetMenu(GApp.hwndMain);
    if (menu) EnableMenuItem(menu, IDM_HISTORY, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

void GiveMainWindow(void)
{
    HistSetMainWindowFn set = HistoryExport<HistSetMainWindowFn>("SetMainWindow");
    if (set) set(GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow());
}

struct HistoryDialogRun {
    HWND owner;
    DLGPROC proc;
};

INT_PTR RunHistoryDialog(void* context)
{
    HistoryDialogRun* run = static_cast<HistoryDialogRun*>(context);
    return ShowTemplateDialogOwned(run->owner, run->proc, 1, 1, 0);
}

}  // namespace

int LoadHistoryLibrary(void)
{
    gLoadMarker.store(0);
    if (!LoadPlugin(PLUGIN_HISTORY)) {
        LogPrint(-1, GApp.verbose, "LoadLibrary failure %d\n", (int)GetLastError());
        return 0;
    }
    gLoadMarker.store(1);
    HistGetStatusFn status = HistoryExport<HistGetStatusFn>("GetHistoryStatus");
    int value = status ? status() : -1;
    if (value != 0) LogPrint(-1, GApp.verbose, "Status of history not ok: %d\n", value);
    SetHistoryStatus(value);
    return 1;
}

HMODULE GetHistoryLib(void)
{
    if (gLoadMarker.load() == -1 || !IsPluginLoaded(PLUGIN_HISTORY)) LoadHistoryLibrary();
    return PluginModule(PLUGIN_HISTORY);
}

void UnloadHistoryLibrary(void)
{
    UnloadPlugin(PLUGIN_HISTORY);
    gLoadMarker.store(-1);
}

int GetHistoryLoadMarker(void) { return gLoadMarker.load(); }

int IsHistoryActivated(void) { return GetHistoryActive(); }

int IsHistoryStatusOK(void)
{
    int ok = gStatus.load() == 0;
    LogPrint(9, GApp.verbose, "IsHistoryStatusOK %d", ok);
    return ok;
}

void SetHistoryStatus(int status)
{
    LogPrint(5, GApp.verbose, "SetHistoryStatus %d\n", status);
    gStatus.store(status);
}

int GetHistoryStatusValue(void) { return gStatus.load(); }

void ActivateHistory(HWND window, int on)
{
    on = on ? 1 : 0;
    if (GetHistoryActive() != on) {
        SetHistoryActive(on);
        if (!on) {
            UnloadHistoryLibrary();
            SetHistoryStatus(-1);
            if (PromptMessageBox(window, GetConfigurationText(64), "Kelvora", MB_YESNO | MB_ICONQUESTION) == IDYES) {
                if (GetHistoryLib()) {
                    HistDeleteAllHistoryFilesFn del = HistoryExport<HistDeleteAllHistoryFilesFn>("DeleteAllHistoryFiles");
                    if (del) del();
                    SetHistoryEncrypted(0);
                }
                // The library was only needed for the deletion.
                UnloadHistoryLibrary();
                SetHistoryStatus(-1);
            }
        } else if (GetHistoryLib()) {
            GiveMainWindow();
        }
    }
    EnableHistoryMenuItem(GetHistoryActive());
}

int SetHistoryEncryption(HWND window, int on)
{
    if (!GetHistoryActive()) return 0;
    HistEncryptHistoryFn encrypt = nullptr;
    if (GetHistoryLib()) encrypt = HistoryExport<HistEncryptHistoryFn>("EncryptHistory");
    if (!on && GetHistoryEncrypted()) {
        int ok = encrypt && encrypt(nullptr, 0, 0);
        PromptMessageBox(window, GetConfigurationText(ok ? 62 : 63), "Kelvora",
                         MB_OK | (ok ? MB_ICONINFORMATION : MB_ICONERROR));
        SetHistoryEncrypted(0);
    } else if (on && !GetHistoryEncrypted()) {
        char password[260] = "";
        HWND field = window ? GetDlgItem(window, IDC_HISTORY_PASSWORD) : nullptr;
        if (field) GetWindowTextA(field, password, sizeof password);
        if (!password[0]) {
            PromptMessageBox(window, GetConfigurationText(59), "Kelvora", MB_OK | MB_ICONERROR);
            return 0;
        }
        SetHistoryEncrypted(1);
        int ok = encrypt && encrypt(password, (int)strlen(password), 1);
        SecureZeroMemory(password, sizeof password);
        PromptMessageBox(window, GetConfigurationText(ok ? 60 : 61), "Kelvora",
                         MB_OK | (ok ? MB_ICONINFORMATION : MB_ICONERROR));
    }
    return 1;
}

int ShowHistoryDialog(HWND owner)
{
    if (!GetHistoryActive() || !GetHistoryLib() || !IsHistoryStatusOK() || !IsDebugConsole()) return 0;
    HistGetDialogProcFn getProc = HistoryExport<HistGetDialogProcFn>("GetDialogProc");
    DLGPROC proc = getProc ? getProc() : nullptr;
    if (!proc) {
        PromptMessageBox(owner, "Cannot open history dialog", GetMessageText(94), MB_OK | MB_ICONERROR);
        return 0;
    }
    HWND focused = GetFocus();
    HistSetLanguageFn language = HistoryExport<HistSetLanguageFn>("SetLanguage");
    if (language) language(GetGCountry());
    HistoryDialogRun run{owner, proc};
    INT_PTR result = PromptModalDialog("history", RunHistoryDialog, &run);
    if (focused) SetFocus(focused);
    return (int)result;
}

int IsHistoryRecording(void)
{
    return GetHistoryActive() && IsPluginLoaded(PLUGIN_HISTORY) && IsHistoryStatusOK();
}

void StartHistoryItem(const char* folder, const char* archive)
{
    if (!IsHistoryRecording() || !folder || !archive) return;
    HistCreateNewHistoryItemFn create = HistoryExport<HistCreateNewHistoryItemFn>("CreateNewHistoryItem");
    HistAddHistoryItemFn add = HistoryExport<HistAddHistoryItemFn>("AddHistoryItem");
    if (!create || !add) return;
    void* item = create(folder, archive, 1);
    if (item) add(item);
}

int AddFileToHistoryItem(const char* name)
{
    HistGetLastAddedItemFn last = HistoryExport<HistGetLastAddedItemFn>("GetLastAddedItem");
    HistAddDataToHistoryItemFn addData = HistoryExport<HistAddDataToHistoryItemFn>("AddDataToHistoryItem");
    if (!last || !addData || !name) return 0;
    void* item = last();
    if (!item) return 0;
    addData(item, name);
    return 1;
}

void InstallHistoryHooks(void)
{
    GZipHooks.isHistoryRecording = IsHistoryRecording;
    GZipHooks.startHistoryItem = StartHistoryItem;
    GZipHooks.addToHistoryItem = AddFileToHistoryItem;
    GSettingsHooks.activateHistory = ActivateHistory;
}
