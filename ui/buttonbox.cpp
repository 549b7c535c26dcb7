// The button box: a message box with freely chosen buttons, built from a template of its own.
// It is laid out twice: at initialisation from the button captions, and when the message is
// first painted, once its wrapped size is known.
#include "ui/promptdialogs.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

// State of one box; handed to the dialog through its creation parameter.
struct ButtonBoxState {
    char caption[260];
    char text[260];
    char captions[BUTTONBOX_MAX_BUTTONS][BUTTONBOX_CAPTION_CHARS + 1];
    int count;
    int iconKind;
    int defaultIndex;
    int buttonWidth;
    int laidOutForText;
};

// The four icons, loaded once for the life of the process.
HICON GetButtonBoxIcon(int kind)
{
    struct Icons {
        HICON icons[4];
    };
    static Icons loaded = [] {
        Icons result = {};
        char library[MAX_PATH];
        UINT length = GetSystemDirectoryA(library, sizeof library);
        if (length == 0 || length >= sizeof library - 12) snprintf(library, sizeof library, "%s", "user32.dll");
        else snprintf(library + length, sizeof library - length, "%s", "\\user32.dll");
        LoadButtonBoxIcons(library, result.icons);
        return result;
    }();
    return kind >= 1 && kind <= 4 ? loaded.icons[kind - 1] : nullptr;
}

// DLGTEMPLATE without controls, followed by empty menu and class, empty caption and the
// DS_SETFONT font; all WORD-aligned.
struct BoxTemplate {
    alignas(DWORD) WORD words[64];
};

void BuildBoxTemplate(BoxTemplate* buffer)
{
    std::memset(buffer, 0, sizeof *buffer);
    DLGTEMPLATE* t = reinterpret_cast<DLGTEMPLATE*>(buffer->words);
    t->style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;
    WORD* p = reinterpret_cast<WORD*>(t + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // standard dialog class
    *p++ = 0;  // empty caption
    *p++ = 8;  // point size of the font
    for (const char* c = "MS Shell Dlg"; *c; ++c) *p++ = (WORD)(unsigned char)*c;
    *p++ = 0;
}

// 80 pixels, or 5 per character plus 20 when the longest caption as given (before cutting)
// has 13 to 16 characters.
int ChooseButtonWidth(int count, const char* const* captions)
{
    size_t longest = 0;
    for (int i = 0; i < count; ++i) {
        size_t length = captions && captions[i] ? std::strlen(captions[i]) : 0;
        if (length > longest) longest = length;
    }
    return longest >= 13 && longest <= 16 ? (int)longest * 5 + 20 : 80;
}

void CentreOnDesktop(HWND dialog, int width, int height)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    SetWindowPos(dialog, nullptr, (desktop.right - desktop.left - width) / 2,
                 (desktop.bottom - desktop.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND AddBoxControl(HWND dialog, const char* className, const char* text, DWORD style, int x, int y, int width,
                   int height, int id)
{
    HWND control = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)), FALSE);
    return control;
}

HWND GetBoxButton(HWND dialog, const ButtonBoxState* state, int index)
{
    // Button 1 shares its id with the message static: look among the buttons only.
    char className[16];
    int id = IDC_BUTTONBOX_FIRST + index;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        GetClassNameA(child, className, sizeof className);
        if (GetDlgCtrlID(child) == id && lstrcmpiA(className, "Button") == 0) return child;
    }
    return nullptr;
}

void InitButtonBox(HWND dialog, ButtonBoxState* state)
{
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    if (state->caption[0]) SetWindowTextA(dialog, state->caption);
    if (state->text[0]) AddBoxControl(dialog, "Static", "", SS_OWNERDRAW, 60, 20, 140, 13, IDC_BUTTONBOX_MESSAGE);
    int y = IsVisualStyleActive() ? 55 : 80;
    HWND focus = nullptr;
    for (int i = 0; i < state->count; ++i) {
        DWORD style = WS_TABSTOP | (i == state->defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND button = AddBoxControl(dialog, "Button", state->captions[i], style, i * state->buttonWidth + 10, y,
                                    state->buttonWidth, 24, IDC_BUTTONBOX_FIRST + i);
        if (i == state->defaultIndex) focus = button;
    }
    int count = state->count;
    int width = count < 3 ? 200 : count * state->buttonWidth + 40 + (count * 5 - 5) * 2;
    // The template has no size: centre the box now that it has one.
    CentreOnDesktop(dialog, width, 150);
    if (focus) SetFocus(focus);
}

// First paint of the message: widen the box to the wrapped text, spread and centre the
// buttons, and make the box taller (the buttons lower) by the text height less 30.
void LayOutForMessage(HWND dialog, ButtonBoxState* state, HWND message, HDC dc)
{
    state->laidOutForText = 1;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    RECT measure = {60, 20, 60 + 520, 20};
    DrawTextA(dc, state->text, -1, &measure, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, oldFont);
    int textWidth = measure.right - measure.left;
    int textHeight = measure.bottom - measure.top;

    RECT window;
    RECT client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int wanted = textWidth + 80 < 600 ? textWidth + 80 : 600;
    if (wanted > width) width = wanted;
    int grow = textHeight - 30;
    height += grow;
    int clientWidth = client.right + (width - (window.right - window.left));

    // The message static takes the text's wrapped size so that nothing of it is clipped.
    SetWindowPos(message, nullptr, 60, 20, textWidth, textHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    int total = state->count * state->buttonWidth + (state->count - 1) * 10;
    int x = (clientWidth - total) / 2;
    for (int i = 0; i < state->count; ++i) {
        HWND button = GetBoxButton(dialog, state, i);
        if (!button) continue;
        RECT r;
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(button, nullptr, x + i * (state->buttonWidth + 10), r.top + grow, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CentreOnDesktop(dialog, width, height);
    InvalidateRect(dialog, nullptr, TRUE);
}

void DrawMessage(HWND dialog, ButtonBoxState* state, const DRAWITEMSTRUCT* item)
{
    if (!state->laidOutForText) {
        LayOutForMessage(dialog, state, item->hwndItem, item->hDC);
        return;  // the static is repainted at its new size
    }
    RECT r = item->rcItem;
    FillRect(item->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ oldFont = SelectObject(item->hDC, GetStockObject(ANSI_VAR_FONT));
    int oldMode = SetBkMode(item->hDC, TRANSPARENT);
    DrawTextA(item->hDC, state->text, -1, &r, DT_WORDBREAK);
    SetBkMode(item->hDC, oldMode);
    SelectObject(item->hDC, oldFont);
}

void PaintBox(HWND dialog, const ButtonBoxState* state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HICON icon = GetButtonBoxIcon(state->iconKind);
    if (icon) DrawIcon(dc, 10, 10, icon);
    EndPaint(dialog, &paint);
}

INT_PTR CALLBACK ButtonBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        InitButtonBox(dialog, reinterpret_cast<ButtonBoxState*>(lParam));
        return FALSE;
    }
    ButtonBoxState* state = reinterpret_cast<ButtonBoxState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!state) return FALSE;
    switch (message) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_STATIC || item->CtlID != IDC_BUTTONBOX_MESSAGE) return FALSE;
        DrawMessage(dialog, state, item);
        return TRUE;
    }
    case WM_PAINT:
        PaintBox(dialog, state);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            EndDialog(dialog, -1);
        } else if (id == IDOK) {
            // Enter without a default button among the buttons: nothing to press.
            if (state->defaultIndex >= 0 && state->defaultIndex < state->count) EndDialog(dialog, state->defaultIndex);
        } else if (id >= IDC_BUTTONBOX_FIRST && id < IDC_BUTTONBOX_FIRST + state->count &&
                   HIWORD(wParam) == BN_CLICKED) {
            EndDialog(dialog, id - IDC_BUTTONBOX_FIRST);
        }
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
        EndDialog(dialog, -1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int LoadButtonBoxIcons(const char* systemLibrary, HICON icons[4])
{
    static const UINT kSystemIndex[4] = {1, 3, 4, 2};
    static const int kOwnResource[4] = {IDI_BUTTONBOX_WARNING, IDI_BUTTONBOX_ERROR, IDI_BUTTONBOX_INFORMATION,
                                        IDI_BUTTONBOX_QUESTION};
    HINSTANCE self = GetModuleHandleA(nullptr);
    int all = 1;
    for (int i = 0; i < 4; ++i) {
        icons[i] = systemLibrary ? ExtractIconA(self, systemLibrary, kSystemIndex[i]) : nullptr;
        // ExtractIcon answers 1 for a file that is no program, library or icon file.
        if (icons[i] == reinterpret_cast<HICON>(1)) icons[i] = nullptr;
        if (!icons[i]) all = 0;
    }
    if (all) return 1;
    for (int i = 0; i < 4; ++i) {
        if (icons[i]) DestroyIcon(icons[i]);
        icons[i] = LoadIconA(self, MAKEINTRESOURCEA(kOwnResource[i]));
    }
    return 0;
}

int IsVisualStyleActive(void)
{
    HMODULE theme = GetModuleHandleA("UXTHEME.DLL");
    if (!theme) return 0;
    typedef BOOL(WINAPI * IsThemeActiveFn)(void);
    IsThemeActiveFn isActive = reinterpret_cast<IsThemeActiveFn>(GetProcAddress(theme, "IsThemeActive"));
    return isActive && isActive() ? 1 : 0;
}

int ShowButtonBox(HWND owner, const char* caption, const char* text, int count, const char* const* captions,
                  int iconKind, int defaultIndex)
{
    if (count < 0) count = 0;
    if (count > BUTTONBOX_MAX_BUTTONS) count = BUTTONBOX_MAX_BUTTONS;
    ButtonBoxState state = {};
    snprintf(state.caption, sizeof state.caption, "%s", caption ? caption : "");
    snprintf(state.text, sizeof state.text, "%s", text ? text : "");
    for (int i = 0; i < count; ++i) {
        const char* given = captions && captions[i] ? captions[i] : "";
        snprintf(state.captions[i], sizeof state.captions[i], "%s", given);
    }
    state.count = count;
    state.iconKind = iconKind;
    state.defaultIndex = defaultIndex;
    state.buttonWidth = ChooseButtonWidth(count, captions);
    BoxTemplate box;
    BuildBoxTemplate(&box);
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(box.words),
                                             owner, ButtonBoxProc, reinterpret_cast<LPARAM>(&state));
    return (int)result;
}
