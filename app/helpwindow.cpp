#include "app/helpwindow.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstdio>
#include <cstring>

#include "app/ids.h"
#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "ui/prompts.h"

namespace {

enum {
    kWindowWidth = 800,
    kWindowHeight = 400,
    kMinWidth = 600,
    kMinHeight = 300,
    kButtonWidth = 60,
    kButtonHeight = 22,
    kShowTextFromTop = WM_APP + 1,
};

struct HelpWindowState {
    int richEditVersion;
    HFONT font;          // chosen with the font button; owned here
    LOGFONTA logFont;
    COLORREF colour;
};

// DLGTEMPLATE, empty menu and class, caption and the DS_SETFONT font, WORD-aligned.
struct HelpTemplate {
    alignas(DWORD) WORD words[64];
};

void BuildHelpTemplate(HelpTemplate* t)
{
    memset(t, 0, sizeof *t);
    DLGTEMPLATE* d = reinterpret_cast<DLGTEMPLATE*>(t->words);
    d->style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
               DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;
    WORD* p = reinterpret_cast<WORD*>(d + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // standard dialog class
    for (const char* c = "Kelvora"; *c; ++c) *p++ = (WORD)(unsigned char)*c;
    *p++ = 0;
    *p++ = 8;  // point size
    for (const char* c = "MS Sans Serif"; *c; ++c) *p++ = (WORD)(unsigned char)*c;
    *p++ = 0;
}

void ApplyLayout(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    RECT text, closeButton, fontButton;
    LayoutHelpWindow(client.right, client.bottom, &text, &closeButton, &fontButton);
    const struct {
        int id;
        const RECT* r;
    } placements[] = {{IDC_HELP_TEXT, &text}, {IDC_HELP_CLOSE, &closeButton}, {IDC_HELP_FONT, &fontButton}};
    for (const auto& place : placements) {
        HWND child = GetDlgItem(dialog, place.id);
        if (child)
            MoveWindow(child, place.r->left, place.r->top, place.r->right - place.r->left,
                       place.r->bottom - place.r->top, TRUE);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

void CreateHelpControls(HWND dialog, HelpWindowState* state)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HFONT guiFont = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    const char* editClass = state->richEditVersion >= 2 ? "RichEdit20A" : "RICHEDIT";
    HWND text = CreateWindowExA(WS_EX_CLIENTEDGE, editClass, "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY,
                                5, 10, 780, 320, dialog, (HMENU)(INT_PTR)IDC_HELP_TEXT, instance, nullptr);
    if (text) {
        SendMessageA(text, WM_SETFONT, (WPARAM)guiFont, FALSE);
        SetWindowTextA(text, GetConsoleHelpText());
    }
    HWND closeButton = CreateWindowExA(0, "BUTTON", GetGenericText(0),
                                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, kButtonWidth,
                                       kButtonHeight, dialog, (HMENU)(INT_PTR)IDC_HELP_CLOSE, instance, nullptr);
    HWND fontButton = CreateWindowExA(0, "BUTTON", GetGenericText(26), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                      0, 0, kButtonWidth, kButtonHeight, dialog, (HMENU)(INT_PTR)IDC_HELP_FONT,
                                      instance, nullptr);
    if (closeButton) SendMessageA(closeButton, WM_SETFONT, (WPARAM)guiFont, FALSE);
    if (fontButton) SendMessageA(fontButton, WM_SETFONT, (WPARAM)guiFont, FALSE);
    SendMessageA(dialog, DM_SETDEFID, IDC_HELP_CLOSE, 0);
}

void CentreOnDesktop(HWND dialog)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    int x = desktop.left + ((desktop.right - desktop.left) - kWindowWidth) / 2;
    int y = desktop.top + ((desktop.bottom - desktop.top) - kWindowHeight) / 2;
    SetWindowPos(dialog, nullptr, x, y, kWindowWidth, kWindowHeight, SWP_NOZORDER);
}

void ChooseHelpFont(HWND dialog, HelpWindowState* state)
{
    if (!PromptChooseFont(dialog, &state->logFont, &state->colour)) return;
    HFONT font = CreateFontIndirectA(&state->logFont);
    if (!font) return;
    HWND text = GetDlgItem(dialog, IDC_HELP_TEXT);
    SendMessageA(text, WM_SETFONT, (WPARAM)font, TRUE);
    // The rich edit takes face, size, style and colour as a character format.
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_CHARSET;
    format.crTextColor = state->colour;
    format.dwEffects = (state->logFont.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (state->logFont.lfItalic ? CFE_ITALIC : 0);
    format.bCharSet = state->logFont.lfCharSet;
    lstrcpynA(format.szFaceName, state->logFont.lfFaceName, (int)sizeof format.szFaceName);
    if (state->logFont.lfHeight != 0) {
        HDC dc = GetDC(dialog);
        int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc) ReleaseDC(dialog, dc);
        int height = state->logFont.lfHeight < 0 ? -state->logFont.lfHeight : state->logFont.lfHeight;
        format.dwMask |= CFM_SIZE;
        format.yHeight = MulDiv(height, 72 * 20, dpi);
    }
    SendMessageA(text, EM_SETCHARFORMAT, SCF_ALL, (LPARAM)&format);
    if (state->font) DeleteObject(state->font);
    state->font = font;
}

void PaintSizeGrip(HWND dialog)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    RECT client;
    GetClientRect(dialog, &client);
    int grip = GetSystemMetrics(SM_CXVSCROLL);
    RECT corner = {client.right - grip, client.bottom - grip, client.right, client.bottom};
    DrawFrameControl(dc, &corner, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    EndPaint(dialog, &ps);
}

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HelpWindowState* state = (HelpWindowState*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        state = (HelpWindowState*)lParam;
        SetWindowTextA(dialog, "Kelvora");
        CreateHelpControls(dialog, state);
        CentreOnDesktop(dialog);
        ApplyLayout(dialog);
        SetFocus(GetDlgItem(dialog, IDC_HELP_CLOSE));
        PostMessageA(dialog, kShowTextFromTop, 0, 0);
        return FALSE;
    case kShowTextFromTop: {
        // Once the text is laid out: it is read from its beginning.
        HWND text = GetDlgItem(dialog, IDC_HELP_TEXT);
        SendMessageA(text, EM_SETSEL, 0, 0);
        SendMessageA(text, EM_SCROLLCARET, 0, 0);
        SendMessageA(text, WM_VSCROLL, SB_TOP, 0);
        return TRUE;
    }
    case WM_SIZE:
        ApplyLayout(dialog);
        return TRUE;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = (MINMAXINFO*)lParam;
        info->ptMinTrackSize.x = kMinWidth;
        info->ptMinTrackSize.y = kMinHeight;
        return TRUE;
    }
    case WM_PAINT:
        PaintSizeGrip(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_HELP_CLOSE:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        case IDC_HELP_FONT:
            if (state) ChooseHelpFont(dialog, state);
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

int LoadRichEditLibrary(void)
{
    if (LoadLibraryA("Riched20.dll")) return 2;
    LogLine("cannot load riched20 will try riched32");
    if (LoadLibraryA("Riched32.dll")) return 1;
    return 0;
}

void LayoutHelpWindow(int clientWidth, int clientHeight, RECT* text, RECT* closeButton, RECT* fontButton)
{
    int middle = clientWidth / 2;
    int buttonTop = clientHeight - 60;
    if (text) SetRect(text, 5, 10, 5 + clientWidth - 20, 10 + clientHeight - 80);
    if (closeButton) SetRect(closeButton, middle - kButtonWidth, buttonTop, middle, buttonTop + kButtonHeight);
    if (fontButton) SetRect(fontButton, middle, buttonTop, middle + kButtonWidth, buttonTop + kButtonHeight);
}

INT_PTR ShowHelpWindow(HWND owner, int richEditVersion)
{
    HelpWindowState state = {};
    state.richEditVersion = richEditVersion;
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof state.logFont, &state.logFont);
    state.colour = GetSysColor(COLOR_WINDOWTEXT);
    HelpTemplate t;
    BuildHelpTemplate(&t);
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(t.words),
                                             owner, HelpDialogProc, (LPARAM)&state);
    if (state.font) DeleteObject(state.font);
    return result;
}

int InitProgramCommonControls(void)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                                ICC_TAB_CLASSES | ICC_USEREX_CLASSES};
    return InitCommonControlsEx(&icc) ? 1 : 0;
}

int RunHelpMode(void)
{
    if (!InitProgramCommonControls()) {
        PromptMessageBox(nullptr, "cannot init common controls!", GetMessageText(94), MB_OK | MB_ICONERROR);
        return 1;
    }
    int version = LoadRichEditLibrary();
    if (!version) {
        PromptMessageBox(nullptr, "cannot load riched lib", "", MB_OK);
        return 1;
    }
    return (int)ShowHelpWindow(nullptr, version);
}
