// history.dll: the dialog that shows the history (newest first) and unlocks an encrypted one.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "libs/history/historystore.h"

#define HIST_API extern "C" __declspec(dllexport)

namespace {

enum { ID_LIST = 100, ID_NOTE = 101, ID_PASSWORD = 102, ID_UNLOCK = 103 };

struct Texts {
    const char* title;
    const char* columns[4];
    const char* locked;
    const char* unlock;
    const char* wrong;
    const char* close;
};

const Texts kEnglish = {"History",
                        {"Time", "Destination folder", "Archive", "Files"},
                        "The history is encrypted. Enter its password:",
                        "Open",
                        "The password is wrong. The history is kept unchanged.",
                        "Close"};
const Texts kGerman = {"Verlauf",
                       {"Zeit", "Zielordner", "Archiv", "Dateien"},
                       "Der Verlauf ist verschl\xfcsselt. Bitte das Passwort eingeben:",
                       "\xd6" "ffnen",
                       "Das Passwort ist falsch. Der Verlauf bleibt unver\xe4ndert.",
                       "Schlie\xdf" "en"};

const Texts& CurrentTexts(void) { return HistLanguage() == 7 ? kGerman : kEnglish; }

void FillList(HWND list)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    std::vector<HistoryItemView> items = HistSnapshot();
    int row = 0;
    for (size_t i = items.size(); i-- > 0;) {
        const HistoryItemView& item = items[i];
        char when[64] = "?";
        FILETIME local;
        SYSTEMTIME t;
        if (FileTimeToLocalFileTime(&item.time, &local) && FileTimeToSystemTime(&local, &t))
            snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                     t.wSecond);
        std::string files;
        for (size_t k = 0; k < item.files.size(); ++k) files += (k ? "; " : "") + item.files[k];
        const char* cells[4] = {when, item.folder.c_str(), item.archive.c_str(), files.c_str()};
        LVITEMA cell{};
        cell.mask = LVIF_TEXT;
        cell.iItem = row;
        cell.pszText = const_cast<char*>(cells[0]);
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&cell);
        for (int c = 1; c < 4; ++c) {
            cell.iSubItem = c;
            cell.pszText = const_cast<char*>(cells[c]);
            SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&cell);
        }
        ++row;
    }
}

void ShowLockControls(HWND dialog, int locked)
{
    for (int id : {ID_NOTE, ID_PASSWORD, ID_UNLOCK}) ShowWindow(GetDlgItem(dialog, id), locked ? SW_SHOW : SW_HIDE);
}

HWND Child(HWND dialog, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h,
           DWORD exStyle = 0)
{
    HWND child = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                 (HMENU)(INT_PTR)id, nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    return child;
}

void OnInit(HWND dialog)
{
    const Texts& texts = CurrentTexts();
    SetWindowTextA(dialog, texts.title);
    SetWindowPos(dialog, nullptr, 0, 0, 760, 420, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(dialog, &client);
    int width = client.right, height = client.bottom;
    Child(dialog, "STATIC", texts.locked, 0, ID_NOTE, 8, 10, 300, 20);
    Child(dialog, "EDIT", "", WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, ID_PASSWORD, 312, 8, 200, 22, WS_EX_CLIENTEDGE);
    Child(dialog, "BUTTON", texts.unlock, WS_TABSTOP | BS_PUSHBUTTON, ID_UNLOCK, 520, 7, 90, 24);
    HWND list = Child(dialog, WC_LISTVIEWA, "", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, ID_LIST, 8, 40, width - 16,
                      height - 84, WS_EX_CLIENTEDGE);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    const int widths[4] = {130, 200, 200, 200};
    for (int c = 0; c < 4; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(texts.columns[c]);
        column.cx = widths[c];
        SendMessageA(list, LVM_INSERTCOLUMNA, c, (LPARAM)&column);
    }
    Child(dialog, "BUTTON", texts.close, WS_TABSTOP | BS_DEFPUSHBUTTON, IDCANCEL, width - 98, height - 36, 90, 26);
    int locked = HistIsLocked();
    ShowLockControls(dialog, locked);
    FillList(list);
    SetFocus(GetDlgItem(dialog, locked ? ID_PASSWORD : IDCANCEL));
}

void OnUnlock(HWND dialog)
{
    char password[260] = "";
    GetDlgItemTextA(dialog, ID_PASSWORD, password, sizeof password);
    int ok = HistUnlock(password, (int)strlen(password));
    SecureZeroMemory(password, sizeof password);
    SetDlgItemTextA(dialog, ID_PASSWORD, "");
    if (!ok) {
        SetDlgItemTextA(dialog, ID_NOTE, CurrentTexts().wrong);
        return;
    }
    ShowLockControls(dialog, 0);
    FillList(GetDlgItem(dialog, ID_LIST));
}

INT_PTR CALLBACK HistoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ID_UNLOCK:
            OnUnlock(dialog);
            return TRUE;
        case IDOK:
            if (GetFocus() == GetDlgItem(dialog, ID_PASSWORD)) {
                OnUnlock(dialog);
                return TRUE;
            }
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

HIST_API DLGPROC GetDialogProc(void) { return HistoryDialogProc; }
