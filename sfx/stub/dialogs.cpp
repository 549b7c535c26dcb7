// The stub's dialogs: the password dialog (resource 112), the overwrite question and the
// progress dialog (both from in-memory templates without controls), and the folder browser.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include "sfx/stub/stub.h"

char GStubPassword[4096];
char GStubFolder[4096] = "c:\\";

static HWND gProgress;
static char gStatusText[260];

int StubMessage(const char* text, const char* caption, UINT type) {
    return MessageBoxA(nullptr, text, caption, type);
}

// A dialog template without controls: header, no menu, default class, caption, 8 pt font.
struct MemoryTemplate {
    WORD words[128];
};

static const DLGTEMPLATE* BuildTemplate(MemoryTemplate* t, DWORD style, const char* caption) {
    memset(t, 0, sizeof *t);
    DLGTEMPLATE* head = (DLGTEMPLATE*)t->words;
    head->style = style;
    head->cdit = 0;
    head->cx = 100;
    head->cy = 50;
    WORD* at = (WORD*)(head + 1);
    *at++ = 0;  // menu
    *at++ = 0;  // class
    at += MultiByteToWideChar(CP_ACP, 0, caption, -1, (WCHAR*)at, 40);
    *at++ = 8;  // point size
    MultiByteToWideChar(CP_ACP, 0, "MS Shell Dlg", -1, (WCHAR*)at, 20);
    return head;
}

static void CentreOnDesktop(HWND dialog, int width, int height) {
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    SetWindowPos(dialog, nullptr, desk.left + (desk.right - desk.left - width) / 2,
                 desk.top + (desk.bottom - desk.top - height) / 2, width, height, SWP_NOZORDER);
}

static HWND MakeControl(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                        int id) {
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                   (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, (WPARAM)GetStockObject(ANSI_VAR_FONT), TRUE);
    return control;
}

// ---- password ----

static INT_PTR CALLBACK PasswordProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dialog, IDC_SFX_PASSWORD_EDIT));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_SFX_PASSWORD_OK || LOWORD(wParam) == IDOK) {
            GetDlgItemTextA(dialog, IDC_SFX_PASSWORD_EDIT, GStubPassword, sizeof GStubPassword);
            EndDialog(dialog, IDC_SFX_PASSWORD_OK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_SFX_PASSWORD_CANCEL || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDC_SFX_PASSWORD_CANCEL);
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            EndDialog(dialog, SC_CLOSE);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR AskStubPassword(void) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SFX_PASSWORD), nullptr, PasswordProc, 0);
}

// ---- overwrite question ----

static INT_PTR CALLBACK OverwriteProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        CentreOnDesktop(dialog, 300, 150);
        HWND no = MakeControl(dialog, "BUTTON", StubText(SFX_TEXT_NO), BS_DEFPUSHBUTTON | WS_TABSTOP, 125, 80, 50, 22,
                              IDC_SFX_OVERWRITE_NO);
        MakeControl(dialog, "BUTTON", StubText(SFX_TEXT_YES), BS_PUSHBUTTON | WS_TABSTOP, 70, 80, 50, 22,
                    IDC_SFX_OVERWRITE_YES);
        MakeControl(dialog, "BUTTON", StubText(SFX_TEXT_ALL), BS_PUSHBUTTON | WS_TABSTOP, 180, 80, 50, 22,
                    IDC_SFX_OVERWRITE_ALL);
        MakeControl(dialog, "STATIC", StubText(SFX_TEXT_OVERWRITE), SS_LEFT, 50, 30, 200, 20, -1);
        SetFocus(no);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SFX_OVERWRITE_NO:
        case IDC_SFX_OVERWRITE_ALL:
        case IDC_SFX_OVERWRITE_YES:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            EndDialog(dialog, SC_CLOSE);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR AskStubOverwrite(void) {
    MemoryTemplate t;
    const DLGTEMPLATE* head = BuildTemplate(
        &t, WS_VISIBLE | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK, "Overwrite files");
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), head, GetForegroundWindow(), OverwriteProc, 0);
}

// ---- progress ----

static INT_PTR CALLBACK ProgressProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        CentreOnDesktop(dialog, 400, 200);
        RECT client;
        GetClientRect(dialog, &client);
        HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, client.left + 20, client.bottom / 2,
                                   client.right - 40, GetSystemMetrics(SM_CYVSCROLL), dialog,
                                   (HMENU)(INT_PTR)IDC_SFX_PROGRESS_BAR, GetModuleHandleA(nullptr), nullptr);
        int maximum = (int)lParam;
        printf("setting min/max of progress %d %d\n", 0, maximum);
        SendMessageA(bar, PBM_SETRANGE32, 0, maximum);
        SendMessageA(bar, PBM_SETSTEP, 1, 0);
        SendMessageA(bar, PBM_SETPOS, 0, 0);
        MakeControl(dialog, "STATIC", "Status", SS_OWNERDRAW, 20, 40, 300, 40, IDC_SFX_PROGRESS_STATUS);
        gStatusText[0] = 0;
        return TRUE;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        if (item->CtlID != IDC_SFX_PROGRESS_STATUS) break;
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
        char text[260];
        if (gStatusText[0])
            snprintf(text, sizeof text, "%s", gStatusText);
        else
            GetWindowTextA(item->hwndItem, text, sizeof text);
        RECT rect = item->rcItem;
        SetBkMode(item->hDC, TRANSPARENT);
        HGDIOBJ old = SelectObject(item->hDC, GetStockObject(ANSI_VAR_FONT));
        DrawTextA(item->hDC, text, -1, &rect, DT_LEFT | DT_WORDBREAK | DT_WORD_ELLIPSIS);
        SelectObject(item->hDC, old);
        return TRUE;
    }
    case WM_CLOSE:
        DestroyWindow(dialog);
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            DestroyWindow(dialog);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        if (gProgress == dialog) gProgress = nullptr;
        break;
    }
    return FALSE;
}

void CreateStubProgress(int maximum) {
    MemoryTemplate t;
    const DLGTEMPLATE* head =
        BuildTemplate(&t, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK,
                      "Kelvora");
    gProgress = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), head, GetForegroundWindow(), ProgressProc,
                                           (LPARAM)maximum);
}

void StepStubProgress(const char* status) {
    snprintf(gStatusText, sizeof gStatusText, "%s", status ? status : "");
    if (!gProgress) return;
    SetDlgItemTextA(gProgress, IDC_SFX_PROGRESS_STATUS, gStatusText);
    InvalidateRect(GetDlgItem(gProgress, IDC_SFX_PROGRESS_STATUS), nullptr, TRUE);
    SendDlgItemMessageA(gProgress, IDC_SFX_PROGRESS_BAR, PBM_STEPIT, 0, 0);
}

void CloseStubProgress(void) {
    if (!gProgress) return;
    HWND dialog = gProgress;
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (IsWindow(dialog)) DestroyWindow(dialog);
    gProgress = nullptr;
}

void PumpOneStubMessage(void) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!gProgress || !IsDialogMessageA(gProgress, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// ---- folder ----

// Besides selecting the start folder, the browser shows the path of the folder selected at
// each moment in its status line (where the dialog has one).
static int CALLBACK BrowseCallback(HWND window, UINT msg, LPARAM lParam, LPARAM data) {
    if (msg == BFFM_INITIALIZED && GStubFolder[0]) {
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, (LPARAM)GStubFolder);
        // Once more after the dialog has finished initialising: a tree still being filled
        // can drop the first request (seen under Wine).
        PostMessageA(window, BFFM_SETSELECTIONA, TRUE, (LPARAM)GStubFolder);
    }
    if (msg == BFFM_SELCHANGED) {
        char path[MAX_PATH] = "";
        if (!lParam || !SHGetPathFromIDListA((LPCITEMIDLIST)lParam, path)) path[0] = 0;
        SendMessageA(window, BFFM_SETSTATUSTEXTA, 0, (LPARAM)path);
    }
    return 0;
}

int ChooseStubFolder(void) {
    BROWSEINFOA info;
    memset(&info, 0, sizeof info);
    char display[MAX_PATH];
    info.hwndOwner = GetForegroundWindow();
    info.pszDisplayName = display;
    info.lpszTitle = StubText(SFX_TEXT_FOLDER_TITLE);
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_STATUSTEXT;
    info.lpfn = BrowseCallback;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&info);
    if (!pidl) return 0;
    char path[MAX_PATH];
    BOOL ok = SHGetPathFromIDListA(pidl, path);
    CoTaskMemFree(pidl);
    if (!ok || !path[0]) return 0;
    snprintf(GStubFolder, sizeof GStubFolder, "%s", path);
    return 1;
}
