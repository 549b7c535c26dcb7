// The password, filter, line-number and rename-folder dialogs: built from the control-less
// template of ShowTemplateDialog, their controls created at WM_INITDIALOG.
#include "ui/promptdialogs.h"

#include <cstdio>
#include <cstring>

#include "app/langtext.h"
#include "model/appstate.h"
#include "ui/templatedialog.h"

namespace {

typedef BOOL(WINAPI* GradientFillFn)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// Longest text the dialogs read from an edit (the buffers hold 259 bytes with the NUL).
const int kMaxEntry = 258;

HBITMAP gCompanyLogo;

// GradientFill is looked up once; the library stays loaded for the life of the process.
GradientFillFn GetGradientFill(void)
{
    static GradientFillFn fill = [] {
        HMODULE library = LoadLibraryA("msimg32.dll");
        GradientFillFn found = nullptr;
        if (library) found = reinterpret_cast<GradientFillFn>(GetProcAddress(library, "GradientFill"));
        if (library && !found) FreeLibrary(library);
        return found;
    }();
    return fill;
}

// The band's heading font, made once and kept for the life of the process.
HFONT GetBandFont(void)
{
    static HFONT font = [] {
        LOGFONTA lf = {};
        lf.lfHeight = 16;
        lf.lfWeight = 900;
        lf.lfQuality = ANTIALIASED_QUALITY;
        snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "Tahoma");
        return CreateFontIndirectA(&lf);
    }();
    return font;
}

void CentreOnDesktop(HWND dialog, int width, int height)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    int x = (desktop.right - desktop.left - width) / 2;
    int y = (desktop.bottom - desktop.top - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND AddControl(HWND dialog, const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y,
                int width, int height, int id, int stockFont)
{
    HWND control = CreateWindowExA(exStyle, className, text ? text : "", WS_CHILD | WS_VISIBLE | style, x, y, width,
                                   height, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(stockFont)), FALSE);
    return control;
}

HWND AddLabel(HWND dialog, int id, const char* text, int x, int y, int width, int height)
{
    return AddControl(dialog, "Static", text, 0, 0, x, y, width, height, id, ANSI_VAR_FONT);
}

// Edits never take more than the dialogs read back, so nothing typed is silently dropped.
HWND AddEdit(HWND dialog, int id, DWORD style, int x, int y, int width, int height)
{
    HWND edit = AddControl(dialog, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP | style, WS_EX_CLIENTEDGE, x, y, width,
                           height, id, DEFAULT_GUI_FONT);
    if (edit) SendMessageA(edit, EM_LIMITTEXT, kMaxEntry, 0);
    return edit;
}

void AddOkCancel(HWND dialog, int okX, int cancelX, int y, int okIsDefault)
{
    AddControl(dialog, "Button", GetGenericText(0), WS_TABSTOP | (okIsDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
               okX, y, 75, 23, PROMPT_OK, ANSI_VAR_FONT);
    AddControl(dialog, "Button", GetGenericText(1), WS_TABSTOP | BS_PUSHBUTTON, 0, cancelX, y, 75, 23, PROMPT_CANCEL,
               ANSI_VAR_FONT);
}

void FocusAndSelectAll(HWND dialog, int id)
{
    HWND edit = GetDlgItem(dialog, id);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

// ---- header band of the password dialogs ----

void FollowWidthWithBand(HWND dialog, int width)
{
    HWND band = GetDlgItem(dialog, IDC_PROMPT_BAND);
    HWND line = GetDlgItem(dialog, IDC_PROMPT_BAND_LINE);
    if (band) SetWindowPos(band, nullptr, 0, 0, width, 40, SWP_NOZORDER | SWP_NOACTIVATE);
    if (line) SetWindowPos(line, nullptr, 0, 41, width, 2, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddHeaderBand(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    AddControl(dialog, "Static", "", SS_OWNERDRAW, 0, 0, 0, client.right, 40, IDC_PROMPT_BAND, ANSI_VAR_FONT);
    AddControl(dialog, "Static", "", SS_ETCHEDHORZ, 0, 0, 41, client.right, 2, IDC_PROMPT_BAND_LINE, ANSI_VAR_FONT);
    // An etched static sizes itself to its edges when created: give it the band's width again.
    FollowWidthWithBand(dialog, client.right);
}

void DrawHeaderBand(HWND dialog, const DRAWITEMSTRUCT* item)
{
    char text[260];
    GetWindowTextA(item->hwndItem, text, sizeof text);
    if (!text[0]) GetWindowTextA(dialog, text, sizeof text);
    PaintPromptBand(item->hDC, &item->rcItem, text, 1, gCompanyLogo);
}

// Messages every password dialog shares: band painting and following, minimum size, and the
// main window learning that a dialog in front of it moved.
int HandleBandMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, int minWidth, int minHeight)
{
    switch (message) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IDC_PROMPT_BAND) return 0;
        DrawHeaderBand(dialog, item);
        return 1;
    }
    case WM_SIZE:
        FollowWidthWithBand(dialog, LOWORD(lParam));
        return 1;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = minWidth;
        info->ptMinTrackSize.y = minHeight;
        return 1;
    }
    case WM_MOVE:
        // Notify rather than send: the main window's thread may itself be waiting.
        if (GApp.hwndMain && GApp.hwndMain != dialog) SendNotifyMessageA(GApp.hwndMain, WM_MOVE, wParam, lParam);
        return 1;
    }
    return 0;
}

// The end code for the commands and system commands that every prompt dialog answers alike;
// 0 when the message is not one of them.
INT_PTR CancelEndCode(UINT message, WPARAM wParam)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) return SC_CLOSE;
    if (message == WM_COMMAND && LOWORD(wParam) == PROMPT_CANCEL) return PROMPT_CANCEL;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) return IDCANCEL;
    return 0;
}

int IsOkCommand(UINT message, WPARAM wParam)
{
    return message == WM_COMMAND && (LOWORD(wParam) == PROMPT_OK || LOWORD(wParam) == IDOK);
}

void ReportPasswordNotChanged(HWND dialog)
{
    PromptMessageBox(dialog, "Password not changed!!", GetMessageText(94), MB_OK | MB_ICONERROR);
}

// ---- set-password dialog ----

void InitSetPasswordDialog(HWND dialog)
{
    SetWindowTextA(dialog, GetGenericText(16));
    CentreOnDesktop(dialog, 300, 200);
    AddLabel(dialog, IDC_PROMPT_LABEL, GetGenericText(17), 20, 68, 105, 20);
    AddEdit(dialog, IDC_PROMPT_EDIT, ES_PASSWORD, 135, 65, 130, 20);
    AddLabel(dialog, IDC_PROMPT_LABEL2, GetGenericText(18), 20, 93, 105, 20);
    AddEdit(dialog, IDC_PROMPT_EDIT2, ES_PASSWORD, 135, 90, 130, 20);
    AddOkCancel(dialog, 70, 155, 135, 1);
    AddHeaderBand(dialog);
    SetFocus(GetDlgItem(dialog, IDC_PROMPT_EDIT));
}

void ConfirmSetPassword(HWND dialog)
{
    char first[kMaxEntry + 1];
    char second[kMaxEntry + 1];
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT, first, sizeof first);
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT2, second, sizeof second);
    if (first[0] && second[0]) {
        if (std::strcmp(first, second) != 0) {
            PromptMessageBox(dialog, GetGenericText(35), GetGenericText(34), MB_OK | MB_TOPMOST);
        } else {
            if (!SetGlobalPassword(first)) ReportPasswordNotChanged(dialog);
            EndDialog(dialog, PROMPT_OK);
        }
    }
    SecureZeroMemory(first, sizeof first);
    SecureZeroMemory(second, sizeof second);
}

INT_PTR CALLBACK SetPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        InitSetPasswordDialog(dialog);
        return FALSE;
    }
    if (IsOkCommand(message, wParam)) {
        ConfirmSetPassword(dialog);
        return TRUE;
    }
    if (INT_PTR code = CancelEndCode(message, wParam)) {
        EndDialog(dialog, code);
        return TRUE;
    }
    return HandleBandMessage(dialog, message, wParam, lParam, 200, 80);
}

// ---- password prompt ----

void InitPasswordPrompt(HWND dialog)
{
    SetWindowTextA(dialog, "Kelvora");
    CentreOnDesktop(dialog, 300, 170);
    AddLabel(dialog, IDC_PROMPT_LABEL, GetGenericText(17), 30, 63, 100, 20);
    AddEdit(dialog, IDC_PROMPT_EDIT, ES_PASSWORD, 150, 60, 100, 20);
    AddOkCancel(dialog, 70, 155, 100, 1);
    AddHeaderBand(dialog);
    SetFocus(GetDlgItem(dialog, IDC_PROMPT_EDIT));
}

void ConfirmPasswordPrompt(HWND dialog)
{
    char entry[kMaxEntry + 1];
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT, entry, sizeof entry);
    if (!SetGlobalPassword(entry)) ReportPasswordNotChanged(dialog);
    SecureZeroMemory(entry, sizeof entry);
    EndDialog(dialog, PROMPT_OK);
}

INT_PTR CALLBACK PasswordPromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        InitPasswordPrompt(dialog);
        return FALSE;
    }
    if (IsOkCommand(message, wParam)) {
        ConfirmPasswordPrompt(dialog);
        return TRUE;
    }
    if (INT_PTR code = CancelEndCode(message, wParam)) {
        EndDialog(dialog, code);
        return TRUE;
    }
    return HandleBandMessage(dialog, message, wParam, lParam, 300, 150);
}

// ---- file-filter dialog ----

void InitFileFilterDialog(HWND dialog)
{
    SetWindowTextA(dialog, GetGenericText(22));
    CentreOnDesktop(dialog, 300, 200);
    AddLabel(dialog, IDC_PROMPT_LABEL, GetGenericText(23), 30, 55, 230, 30);
    AddEdit(dialog, IDC_PROMPT_EDIT, 0, 30, 85, 230, 20);
    AddOkCancel(dialog, 70, 155, 135, 1);
    SetFocus(GetDlgItem(dialog, IDC_PROMPT_EDIT));
}

void ConfirmFileFilter(HWND dialog)
{
    char entry[kMaxEntry + 1];
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT, entry, sizeof entry);
    // Nothing but separators counts as empty: the dialog stays open.
    if (entry[0] && SetGlobalFilterFromText(entry)) EndDialog(dialog, PROMPT_OK);
}

INT_PTR CALLBACK FileFilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        InitFileFilterDialog(dialog);
        return FALSE;
    }
    if (IsOkCommand(message, wParam)) {
        ConfirmFileFilter(dialog);
        return TRUE;
    }
    if (INT_PTR code = CancelEndCode(message, wParam)) {
        EndDialog(dialog, code);
        return TRUE;
    }
    return FALSE;
}

// ---- line-number and rename-folder dialogs: both exchange one text with their caller ----

struct ExchangeText {
    char* text;
    size_t size;
};

ExchangeText* GetExchange(HWND dialog)
{
    return reinterpret_cast<ExchangeText*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void InitLineNumberDialog(HWND dialog, ExchangeText* exchange)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(exchange));
    SetWindowTextA(dialog, GetGenericText(46));
    CentreOnDesktop(dialog, 400, 200);
    char label[260];
    snprintf(label, sizeof label, "%s (1..%s):", GetGenericText(47), exchange->text);
    exchange->text[0] = '\0';
    AddLabel(dialog, IDC_PROMPT_LABEL, label, 30, 53, 180, 20);
    AddEdit(dialog, IDC_PROMPT_EDIT, 0, 30, 80, 300, 20);
    AddOkCancel(dialog, 120, 205, 135, 0);
    SetFocus(GetDlgItem(dialog, IDC_PROMPT_EDIT));
}

void ConfirmLineNumber(HWND dialog)
{
    ExchangeText* exchange = GetExchange(dialog);
    char entry[kMaxEntry + 1];
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT, entry, sizeof entry);
    snprintf(exchange->text, exchange->size, "%s", entry);
    EndDialog(dialog, PROMPT_OK);
}

INT_PTR CALLBACK LineNumberProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        InitLineNumberDialog(dialog, reinterpret_cast<ExchangeText*>(lParam));
        return FALSE;
    }
    if (IsOkCommand(message, wParam)) {
        ConfirmLineNumber(dialog);
        return TRUE;
    }
    if (INT_PTR code = CancelEndCode(message, wParam)) {
        EndDialog(dialog, code);
        return TRUE;
    }
    return FALSE;
}

void InitRenameFolderDialog(HWND dialog, ExchangeText* exchange)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(exchange));
    SetWindowTextA(dialog, GetGenericText(19));
    CentreOnDesktop(dialog, 400, 200);
    AddLabel(dialog, IDC_PROMPT_LABEL, GetGenericText(20), 30, 68, 80, 20);
    HWND current = AddEdit(dialog, IDC_PROMPT_EDIT, ES_READONLY, 120, 65, 250, 20);
    AddLabel(dialog, IDC_PROMPT_LABEL2, GetGenericText(21), 30, 93, 80, 20);
    HWND next = AddEdit(dialog, IDC_PROMPT_EDIT2, 0, 120, 90, 250, 20);
    SetWindowTextA(current, exchange->text);
    SetWindowTextA(next, exchange->text);
    AddOkCancel(dialog, 120, 205, 135, 1);
    FocusAndSelectAll(dialog, IDC_PROMPT_EDIT2);
}

// A folder path inside the archive must stay inside it: no empty path, no leading separator,
// no drive colon and no ".." step.
int IsAcceptableFolderPath(const char* path)
{
    if (!path[0] || path[0] == '/' || path[0] == '\\' || std::strchr(path, ':')) return 0;
    const char* part = path;
    while (*part) {
        size_t length = std::strcspn(part, "/\\");
        if (length == 2 && part[0] == '.' && part[1] == '.') return 0;
        part += length;
        if (*part) ++part;
    }
    return 1;
}

void ConfirmRenameFolder(HWND dialog)
{
    ExchangeText* exchange = GetExchange(dialog);
    char entry[kMaxEntry + 1];
    GetDlgItemTextA(dialog, IDC_PROMPT_EDIT2, entry, sizeof entry);
    if (!IsAcceptableFolderPath(entry)) {
        PromptMessageBox(dialog, GetGenericText(44), GetMessageText(94), MB_OK | MB_ICONERROR);
        FocusAndSelectAll(dialog, IDC_PROMPT_EDIT2);
        return;
    }
    snprintf(exchange->text, exchange->size, "%s", entry);
    EndDialog(dialog, PROMPT_OK);
}

INT_PTR CALLBACK RenameFolderProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        InitRenameFolderDialog(dialog, reinterpret_cast<ExchangeText*>(lParam));
        return FALSE;
    }
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && GApp.hwndMain) {
        // Keep the main window directly behind the dialog.
        SetWindowPos(GApp.hwndMain, dialog, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return FALSE;
    }
    if (IsOkCommand(message, wParam)) {
        ConfirmRenameFolder(dialog);
        return TRUE;
    }
    if (INT_PTR code = CancelEndCode(message, wParam)) {
        EndDialog(dialog, code);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int PaintPromptBand(HDC dc, const RECT* rect, const char* text, int useGradient, HBITMAP logo)
{
    GradientFillFn fill = useGradient ? GetGradientFill() : nullptr;
    int gradient = 0;
    if (fill) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = rect->left;
        vertices[0].y = rect->top;
        vertices[0].Red = vertices[0].Green = vertices[0].Blue = 0xFF00;
        vertices[1].x = rect->right;
        vertices[1].y = rect->bottom;
        vertices[1].Red = vertices[1].Green = vertices[1].Blue = 0xEE00;
        GRADIENT_RECT span = {0, 1};
        gradient = fill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_H) ? 1 : 0;
    }
    if (!gradient) FillRect(dc, rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    if (text && text[0]) {
        HGDIOBJ oldFont = SelectObject(dc, GetBandFont());
        int oldMode = SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, rect->left + 20, rect->top + 10, text, (int)std::strlen(text));
        SetBkMode(dc, oldMode);
        SelectObject(dc, oldFont);
    }
    if (logo) {
        HDC memory = CreateCompatibleDC(dc);
        if (memory) {
            HGDIOBJ old = SelectObject(memory, logo);
            BitBlt(dc, rect->right - 30, rect->top + 5, 24, 24, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
    }
    return gradient;
}

void SetPromptCompanyLogo(HBITMAP logo)
{
    gCompanyLogo = logo;
}

int ShowSetPasswordDialog(void)
{
    return (int)ShowTemplateDialogShort(SetPasswordProc);
}

int ShowPasswordPrompt(void)
{
    return (int)ShowTemplateDialogShort(PasswordPromptProc);
}

int ShowFileFilterDialog(void)
{
    return (int)ShowTemplateDialogShort(FileFilterProc);
}

int ShowLineNumberDialog(HWND owner, char* exchange, size_t exchangeSize)
{
    if (!exchange || exchangeSize == 0) return -1;
    ExchangeText record = {exchange, exchangeSize};
    return (int)ShowTemplateDialogOwned(owner, LineNumberProc, 0, 1, reinterpret_cast<LPARAM>(&record));
}

int ShowRenameFolderDialog(char* exchange, size_t exchangeSize)
{
    if (!exchange || exchangeSize == 0) return -1;
    ExchangeText record = {exchange, exchangeSize};
    return (int)ShowTemplateDialogShort(RenameFolderProc, reinterpret_cast<LPARAM>(&record));
}
