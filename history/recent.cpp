#include "history/recent.h"

#include <commctrl.h>

#include "app/langtext.h"
#include "app/mainwindow.h"
#include "config/log.h"
#include "config/settings.h"
#include "formats/plugins.h"
#include "libs/rm/rmapi.h"
#include "model/appstate.h"
#include "ui/prompts.h"
#include "ui/templatedialog.h"

namespace {

const int kRecentListId = 4101;

void LayoutRecentDialog(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    int width = client.right - client.left, height = client.bottom - client.top;
    HWND list = GetDlgItem(dialog, kRecentListId);
    HWND ok = GetDlgItem(dialog, IDOK);
    if (list) MoveWindow(list, 8, 8, width - 16, height - 52, TRUE);
    if (ok) MoveWindow(ok, width - 96, height - 36, 88, 26, TRUE);
}

INT_PTR CALLBACK RecentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowTextA(dialog, GetGenericText(74));
        SetWindowPos(dialog, nullptr, 0, 0, 720, 360, SWP_NOMOVE | SWP_NOZORDER);
        HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
        HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                    0, 0, 10, 10, dialog, (HMENU)(INT_PTR)kRecentListId, nullptr, nullptr);
        HWND ok = CreateWindowExA(0, "BUTTON", GetGenericText(0), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  0, 0, 10, 10, dialog, (HMENU)(INT_PTR)IDOK, nullptr, nullptr);
        SendMessageA(list, WM_SETFONT, (WPARAM)font, FALSE);
        SendMessageA(ok, WM_SETFONT, (WPARAM)font, FALSE);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
        if (FillRecentFilesList(list) == 0) EnableWindow(list, FALSE);
        LayoutRecentDialog(dialog);
        SetFocus(ok);
        return FALSE;
    }
    case WM_SIZE:
        LayoutRecentDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

struct RecentDialogRun {
    HWND owner;
};

INT_PTR RunRecentDialog(void* context)
{
    RecentDialogRun* run = static_cast<RecentDialogRun*>(context);
    return ShowTemplateDialogOwned(run->owner, RecentDialogProc, 1, 1, 0);
}

}  // namespace

HMODULE GetRecentLib(void)
{
    if (!IsSaveRecentAdvanced()) return nullptr;
    if (!IsPluginLoaded(PLUGIN_RM)) LoadPlugin(PLUGIN_RM);
    return PluginModule(PLUGIN_RM);
}

void AddToRecentList(const char* path)
{
    if (!path || !*path || GetDoNotSaveRecent()) return;
    if (GetRecentLib()) {
        RmAddToRecentFn add = (RmAddToRecentFn)PluginExport(PLUGIN_RM, "AddToRecent");
        if (add) add(path);
    }
    AddToRecentSlots(path);
}

int IsRecentDialogAvailable(void)
{
    int advanced = IsSaveRecentAdvanced();
    int loaded = GetRecentLib() != nullptr;
    LogPrint(5, GApp.verbose, "IsSaveRecentAdvanced %d GetRecentLib %d\n", advanced, loaded);
    return advanced && loaded;
}

int FillRecentFilesList(HWND list)
{
    if (!list || !GetRecentLib()) return 0;
    RmPrintRecentListLarge5Fn print = (RmPrintRecentListLarge5Fn)PluginExport(PLUGIN_RM, "PrintRecentListLarge5");
    if (!print) return 0;
    return print(list, GetGenericText(69), GetGenericText(70), GetGenericText(71), GetGenericText(72),
                 GetGenericText(73));
}

INT_PTR ShowRecentFilesDialog(HWND owner)
{
    if (!IsRecentDialogAvailable()) return 0;
    RecentDialogRun run{owner};
    return PromptModalDialog("recent", RunRecentDialog, &run);
}
