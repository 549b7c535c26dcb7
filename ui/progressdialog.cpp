// The dialog side of the progress dialog: controls, painting, the expand glyph and the two
// dialog procedures. Runs on the dialog thread only.
#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <cstring>

#include "app/langtext.h"
#include "ui/progress.h"
#include "ui/progressstate.h"

namespace {

const int kGlyphLeft = 460;   // the 21 x 21 square that toggles the detail line
const int kGlyphTop = 30;
const int kGlyphSpan = 20;

HWND CreateProgressChild(HWND dialog, const char* cls, DWORD style, int x, int y, int w, int h, int id)
{
    return CreateWindowExA(0, cls, "", style, x, y, w, h, dialog, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(nullptr), nullptr);
}

void SetStockFont(HWND control)
{
    if (control) SendMessageA(control, WM_SETFONT, (WPARAM)GetStockObject(ANSI_VAR_FONT), TRUE);
}

HFONT GetHeadingFont(void)
{
    HFONT font = GProgress.headingFont.load();
    if (font) return font;
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = 16;
    lf.lfWeight = 900;
    lf.lfQuality = ANTIALIASED_QUALITY;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "Tahoma");
    font = CreateFontIndirectA(&lf);
    HFONT expected = nullptr;
    if (!GProgress.headingFont.compare_exchange_strong(expected, font)) {
        DeleteObject(font);
        font = expected;
    }
    return font;
}

// The dialog's own glyph list: bitmaps 164 (collapsed) and 165 (expanded) of the program,
// white as the mask colour. Null when the program carries no such bitmaps.
HIMAGELIST GetOwnGlyphList(void)
{
    if (GProgress.ownGlyphTried.exchange(1)) return GProgress.ownGlyphList.load();
    HINSTANCE module = GetModuleHandleA(nullptr);
    HBITMAP collapsed = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_PROGRESS_EXPAND));
    HBITMAP expanded = LoadBitmapA(module, MAKEINTRESOURCEA(IDB_PROGRESS_COLLAPSE));
    HIMAGELIST list = nullptr;
    if (collapsed && expanded) {
        BITMAP info;
        GetObjectA(collapsed, sizeof info, &info);
        list = ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 2, 0);
        if (list && (ImageList_AddMasked(list, collapsed, RGB(255, 255, 255)) != 0 ||
                     ImageList_AddMasked(list, expanded, RGB(255, 255, 255)) != 1)) {
            ImageList_Destroy(list);
            list = nullptr;
        }
    }
    if (collapsed) DeleteObject(collapsed);
    if (expanded) DeleteObject(expanded);
    GProgress.ownGlyphList.store(list);
    return list;
}

// Without any glyph images a plain chevron stands in: down to expand, up to collapse.
void DrawFallbackGlyph(HDC dc, int x, int y, int expanded)
{
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(96, 96, 96));
    HGDIOBJ old = SelectObject(dc, pen);
    POINT down[3] = {{x + 3, y + 5}, {x + 8, y + 10}, {x + 13, y + 5}};
    POINT up[3] = {{x + 3, y + 11}, {x + 8, y + 6}, {x + 13, y + 11}};
    Polyline(dc, expanded ? up : down, 3);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawGlyph(HDC dc, int x, int y, int expanded)
{
    HIMAGELIST list = GProgress.glyphList.load();
    int index = expanded ? GProgress.glyphExpanded.load() : GProgress.glyphCollapsed.load();
    if (!list) {
        list = GetOwnGlyphList();
        index = expanded ? 1 : 0;
    }
    if (!list || !ImageList_Draw(list, index, dc, x, y, ILD_NORMAL)) DrawFallbackGlyph(dc, x, y, expanded);
}

void MoveChildIfNeeded(HWND dialog, int id, int x, int y, int w, int h)
{
    HWND child = GetDlgItem(dialog, id);
    if (!child) return;
    RECT now;
    GetWindowRect(child, &now);
    MapWindowPoints(nullptr, dialog, (POINT*)&now, 2);
    if (now.left == x && now.top == y && now.right - now.left == w && now.bottom - now.top == h) return;
    MoveWindow(child, x, y, w, h, TRUE);
}

// Lays the dialog out for the collapsed or expanded state; left, top and width stay.
void LayoutProgressDialog(HWND dialog, int expanded)
{
    RECT frame;
    GetWindowRect(dialog, &frame);
    int height = expanded ? PROGRESS_HEIGHT_EXPANDED : PROGRESS_HEIGHT_COLLAPSED;
    if (frame.bottom - frame.top != height)
        SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND detail = GetDlgItem(dialog, IDC_PROGRESS_DETAIL);
    // The style bit, not IsWindowVisible: the dialog itself may be hidden just now.
    if (detail && !(GetWindowLongA(detail, GWL_STYLE) & WS_VISIBLE) != !expanded)
        ShowWindow(detail, expanded ? SW_SHOW : SW_HIDE);
    MoveChildIfNeeded(dialog, IDC_PROGRESS_LINE_TOP, 0, expanded ? 83 : 61, 500, 2);
    RECT client;
    GetClientRect(dialog, &client);
    MoveChildIfNeeded(dialog, IDC_PROGRESS_BAR, client.left + 20, client.bottom / 2 + (expanded ? 11 : 0),
                      client.right - 60 - client.left, GetSystemMetrics(SM_CYVSCROLL));
    if (expanded) {
        MoveChildIfNeeded(dialog, IDC_PROGRESS_LINE_BOTTOM, 0, 142, 500, 3);
        MoveChildIfNeeded(dialog, IDC_PROGRESS_CANCEL, 210, 152, 80, 23);
    } else {
        MoveChildIfNeeded(dialog, IDC_PROGRESS_LINE_BOTTOM, 0, 120, 500, 2);
        MoveChildIfNeeded(dialog, IDC_PROGRESS_CANCEL, 210, 130, 80, 22);
    }
}

// Both owner-drawn lines start alike: a white ground and the control's own text.
void BeginWhiteLine(const DRAWITEMSTRUCT* item, char* text, int textSize)
{
    FillRect(item->hDC, &item->rcItem, (HBRUSH)GetStockObject(WHITE_BRUSH));
    text[0] = 0;
    GetWindowTextA(item->hwndItem, text, textSize);
    SetBkColor(item->hDC, RGB(255, 255, 255));
}

void PaintFileLine(HWND dialog, const DRAWITEMSTRUCT* item)
{
    RECT r = item->rcItem;
    char text[260];
    BeginWhiteLine(item, text, (int)sizeof text);
    RECT pathRect = {r.left + 20, r.top + 30, r.right - 10, r.bottom};
    DrawProgressPathText(item->hDC, &pathRect, text, nullptr, 0);

    char heading[260];
    heading[0] = 0;
    HWND headingControl = GetDlgItem(dialog, IDC_PROGRESS_HEADING);
    if (headingControl) GetWindowTextA(headingControl, heading, (int)sizeof heading);
    HGDIOBJ old = SelectObject(item->hDC, GetHeadingFont());
    RECT clip = {r.left + 10, r.top + 5, r.right - 10, r.bottom};
    ExtTextOutA(item->hDC, r.left + 10, r.top + 5, ETO_CLIPPED, &clip, heading, (UINT)std::strlen(heading), nullptr);
    SelectObject(item->hDC, old);
}

void PaintDetailLine(const DRAWITEMSTRUCT* item)
{
    RECT r = item->rcItem;
    char text[260];
    BeginWhiteLine(item, text, (int)sizeof text);
    RECT textRect = {r.left + 270, r.top + 5, r.right, r.bottom};
    DrawTextA(item->hDC, text, -1, &textRect, DT_LEFT);
}

void PaintGlyph(HWND dialog, const DRAWITEMSTRUCT* item)
{
    RECT r = item->rcItem;
    FillRect(item->hDC, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    int expanded = GProgress.expanded.load();
    DrawGlyph(item->hDC, r.left + 5, r.top + 30, expanded);
    LayoutProgressDialog(dialog, expanded);
}

BOOL OnProgressDrawItem(HWND dialog, const DRAWITEMSTRUCT* item)
{
    switch (item->CtlID) {
    case IDC_PROGRESS_FILE: PaintFileLine(dialog, item); return TRUE;
    case IDC_PROGRESS_DETAIL: PaintDetailLine(item); return TRUE;
    case IDC_PROGRESS_GLYPH: PaintGlyph(dialog, item); return TRUE;
    }
    return FALSE;
}

int IsInGlyphSquare(LPARAM lParam)
{
    int x = GET_X_LPARAM(lParam);
    int y = GET_Y_LPARAM(lParam);
    return x >= kGlyphLeft && x <= kGlyphLeft + kGlyphSpan && y >= kGlyphTop && y <= kGlyphTop + kGlyphSpan;
}

void OnGlyphButtonUp(HWND dialog, LPARAM lParam)
{
    if (IsInGlyphSquare(lParam) && GProgress.pressed.load()) {
        GProgress.expanded.store(!GProgress.expanded.load());
        HWND glyph = GetDlgItem(dialog, IDC_PROGRESS_GLYPH);
        if (glyph) InvalidateRect(glyph, nullptr, TRUE);
    }
    GProgress.pressed.store(0);
}

// The user (or DestroyProgressDialog) closed the dialog: end it, raise the cancel flag and
// forget the window and its bounds.
void EndProgressDialog(HWND dialog, INT_PTR code)
{
    EndDialog(dialog, code);
    GProgress.canceled.store(1);
    ResetProgressState();
}

// While the show flag is 0 the dialog stays hidden: the dialog manager shows a modal dialog
// once after WM_INITDIALOG and again when its queue first runs empty, which would undo the
// hiding.
void KeepHiddenWhileRequested(LPARAM lParam)
{
    WINDOWPOS* pos = reinterpret_cast<WINDOWPOS*>(lParam);
    if (!GProgress.show.load() && (pos->flags & SWP_SHOWWINDOW)) pos->flags &= ~SWP_SHOWWINDOW;
}

// Messages both dialogs handle alike; returns 1 when `msg` was handled.
int HandleCommonProgressMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            EndProgressDialog(dialog, SC_CLOSE);
            *result = TRUE;
            return 1;
        }
        return 0;
    case WM_DRAWITEM:
        *result = OnProgressDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 1;
    case WM_WINDOWPOSCHANGING:
        KeepHiddenWhileRequested(lParam);
        *result = FALSE;
        return 1;
    }
    return 0;
}

}  // namespace

int DrawProgressPathText(HDC dc, const RECT* rect, const char* text, char* shown, size_t shownSize)
{
    // Room for the ellipsis that DT_MODIFYSTRING may write past the text.
    char line[260 + 4];
    std::snprintf(line, 260, "%s", text ? text : "");
    for (char* c = line; *c; ++c)
        if (*c == '/') *c = '\\';
    RECT r = *rect;
    int height = DrawTextA(dc, line, -1, &r, DT_PATH_ELLIPSIS | DT_MODIFYSTRING);
    if (shown && shownSize) std::snprintf(shown, shownSize, "%s", line);
    return height;
}

void SetProgressGlyphImageList(HIMAGELIST list, int collapsedIndex, int expandedIndex)
{
    GProgress.glyphCollapsed.store(collapsedIndex);
    GProgress.glyphExpanded.store(expandedIndex);
    GProgress.glyphList.store(list);
}

void ExecuteProgressDialogProc(int withCancel, HWND dialog)
{
    GProgress.expanded.store(0);
    GProgress.pressed.store(0);
    GProgress.canceled.store(0);
    GProgress.initialising.store(1);

    if (GProgress.dialog.load())
        PrintProgressLine("ExecuteProgressDialogProc: previous instance of ProgressDialog not quite removed!\n");
    GProgress.dialog.store(dialog);

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    int x = (desktop.right - desktop.left - PROGRESS_DIALOG_WIDTH) / 2;
    int y = (desktop.bottom - desktop.top - PROGRESS_HEIGHT_COLLAPSED) / 2;
    MoveWindow(dialog, x, y, PROGRESS_DIALOG_WIDTH, PROGRESS_HEIGHT_COLLAPSED, TRUE);

    RECT client;
    GetClientRect(dialog, &client);
    HWND bar = CreateProgressChild(dialog, PROGRESS_CLASSA, WS_CHILD | WS_VISIBLE, client.left + 20, client.bottom / 2,
                                   client.right - 40, GetSystemMetrics(SM_CYVSCROLL), IDC_PROGRESS_BAR);
    if (bar) SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SetStockFont(CreateProgressChild(dialog, "Static", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 460, 60,
                                     IDC_PROGRESS_FILE));
    SetStockFont(CreateProgressChild(dialog, "Static", WS_CHILD | SS_OWNERDRAW, 0, 60, 500, 22, IDC_PROGRESS_DETAIL));
    CreateProgressChild(dialog, "Static", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 460, 0, 40, 60, IDC_PROGRESS_GLYPH);
    CreateProgressChild(dialog, "Static", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 0, 0, IDC_PROGRESS_HEADING);
    GetHeadingFont();
    CreateProgressChild(dialog, "Static", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 61, 500, 2, IDC_PROGRESS_LINE_TOP);
    if (withCancel) {
        HWND cancel = CreateProgressChild(dialog, "Button", WS_CHILD | WS_VISIBLE, 210, 130, 80, 22, IDC_PROGRESS_CANCEL);
        if (cancel) SetWindowTextA(cancel, GetGenericText(1));
        SetStockFont(cancel);
        CreateProgressChild(dialog, "Static", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, 120, 500, 2,
                            IDC_PROGRESS_LINE_BOTTOM);
    }

    char caption[260];
    std::snprintf(caption, sizeof caption, "%s", GetGenericText(30));
    SetWindowTextA(dialog, caption);

    if (!GProgress.show.load()) {
        PrintProgressLine("ExecuteProgressDialogProc: Should not show progress dialog\n");
        ShowWindow(dialog, SW_HIDE);
    }

    if (GProgress.pendingHeading.load()) {
        std::lock_guard<std::mutex> hold(GProgress.pendingHeadingLock);
        SetWindowTextA(GetDlgItem(dialog, IDC_PROGRESS_HEADING), GProgress.pendingHeadingText);
        GProgress.pendingHeadingText[0] = 0;
        GProgress.pendingHeading.store(0);
    }

    if (GProgress.pendingBarMode.load()) {
        if (GProgress.pendingBarValue.load() == 1) SetProgressMarquee(0);
        GProgress.pendingBarMode.store(0);
    }

    GProgress.initialising.store(0);
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    if (HandleCommonProgressMessage(dialog, msg, wParam, lParam, &result)) return result;
    switch (msg) {
    case WM_INITDIALOG:
        ExecuteProgressDialogProc(1, dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PROGRESS_CANCEL) {
            EndProgressDialog(dialog, IDC_PROGRESS_CANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_LBUTTONDOWN:
        if (IsInGlyphSquare(lParam)) GProgress.pressed.store(1);
        return TRUE;
    case WM_LBUTTONUP:
        OnGlyphButtonUp(dialog, lParam);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ProgressDialogNoCancelProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    if (HandleCommonProgressMessage(dialog, msg, wParam, lParam, &result)) return result;
    if (msg == WM_INITDIALOG) {
        ExecuteProgressDialogProc(0, dialog);
        return TRUE;
    }
    return FALSE;
}
