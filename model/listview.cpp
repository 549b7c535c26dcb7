#include "model/listview.h"

#include <commctrl.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "formats/formatops.h"
#include "model/bstree.h"
#include "model/foldertree.h"
#include "model/keys.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/search.h"
#include "model/strutil.h"
#include "model/zipentry.h"
#include "ui/promptdialogs.h"
#include "ui/prompts.h"
#include "zip/enginehooks.h"
#include "zip/listing.h"
#include "zip/modify.h"

int sortColumnList = -1, sortColumnTreeList = -1;
int sortAscendingList = 1, sortAscendingTreeList = 1;
ViewHooks GViewHooks = {};

namespace {

const char kStateProperty[] = "Kelvora.ListViewState";
const UINT kSelectionChangedMessage = WM_APP + 40;

// What a list view remembers besides its rows; owned by the window (freed at WM_NCDESTROY).
struct ListViewState {
    int estimatedItems;
    int dragStarted;
    int selectionUpdatePending;
};

ListViewState* StateOf(HWND view)
{
    return view ? (ListViewState*)GetPropA(view, kStateProperty) : nullptr;
}

const char* HeaderTextOf(int column)
{
    switch (column) {
    case LIST_COLUMN_NAME: return GetDescriptionFilename();
    case LIST_COLUMN_ENCRYPTED: return GetDescriptionEncrypted();
    case LIST_COLUMN_COMPRESSED: return GetDescriptionCompressed();
    case LIST_COLUMN_UNCOMPRESSED: return GetDescriptionUncompressed();
    case LIST_COLUMN_RATE: return GetDescriptionCompressionRatio();
    case LIST_COLUMN_DATE: return GetDescriptionDate();
    case LIST_COLUMN_TYPE: return GetDescriptionType();
    case LIST_COLUMN_PATH: return GetDescriptionPath();
    }
    return "";
}

int AlignmentOf(int column)
{
    switch (column) {
    case LIST_COLUMN_ENCRYPTED:
    case LIST_COLUMN_RATE: return LVCFMT_CENTER;
    case LIST_COLUMN_COMPRESSED:
    case LIST_COLUMN_UNCOMPRESSED: return LVCFMT_RIGHT;
    }
    return LVCFMT_LEFT;
}

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

int RowCountOf(HWND view)
{
    return view ? (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) : 0;
}

liststruct* RecordOfRow(HWND view, int row)
{
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(view, LVM_GETITEMA, 0, (LPARAM)&item)) return nullptr;
    return (liststruct*)item.lParam;
}

void ReadCell(HWND view, int row, int column, char* out, size_t outSize)
{
    out[0] = '\0';
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.iSubItem = column;
    item.pszText = out;
    item.cchTextMax = (int)outSize;
    SendMessageA(view, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    out[outSize - 1] = '\0';
}

void WriteCell(HWND view, int row, int column, const char* text)
{
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.iSubItem = column;
    item.pszText = (char*)text;
    SendMessageA(view, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

// ---------------------------------------------------------------------------------------------
// Encryption marks. The listing names encrypted members by their row index in listing order;
// once rows are sorted or deleted that order is gone, so the marks are first tied to the rows'
// records.

std::mutex gMarkLock;
bool gMarksCaptured = false;
std::unordered_set<const liststruct*> gMarkedRecords;

struct CaptureWork {
    HWND list;
};

int CaptureMarksOnListThread(void* context)
{
    HWND list = ((CaptureWork*)context)->list;
    std::vector<const liststruct*> marked;
    if (GetEncryptedRowCount() > 0) {
        int rows = RowCountOf(list);
        for (int row = 0; row < rows; row++)
            if (IsListedRowEncrypted(row)) marked.push_back(RecordOfRow(list, row));
    }
    std::lock_guard<std::mutex> lock(gMarkLock);
    gMarkedRecords.clear();
    for (const liststruct* record : marked)
        if (record) gMarkedRecords.insert(record);
    gMarksCaptured = true;
    return (int)marked.size();
}

void CaptureMarks(HWND list)
{
    if (!list || list != GApp.hwndList) return;
    {
        std::lock_guard<std::mutex> lock(gMarkLock);
        if (gMarksCaptured) return;
    }
    CaptureWork work = {list};
    RunOnListThread(list, CaptureMarksOnListThread, &work);
}

void ForgetMarks(void)
{
    std::lock_guard<std::mutex> lock(gMarkLock);
    gMarksCaptured = false;
    gMarkedRecords.clear();
}

HIMAGELIST gMarkImages = nullptr;
HIMAGELIST gHeaderImages = nullptr;

// A padlock, 16 x 16, drawn once.
HIMAGELIST MarkImages(void)
{
    if (gMarkImages) return gMarkImages;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP image = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, image);
    RECT all = {0, 0, 16, 16};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HPEN shackle = CreatePen(PS_SOLID, 2, RGB(96, 96, 96));
    HGDIOBJ oldPen = SelectObject(dc, shackle);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 5, 1, 12, 10, 6, 6);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(shackle);
    RECT body = {3, 7, 14, 15};
    HBRUSH gold = CreateSolidBrush(RGB(212, 160, 23));
    FillRect(dc, &body, gold);
    DeleteObject(gold);
    FrameRect(dc, &body, (HBRUSH)GetStockObject(BLACK_BRUSH));
    SetPixel(dc, 8, 10, RGB(0, 0, 0));
    SetPixel(dc, 8, 11, RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    gMarkImages = ImageList_Create(16, 16, ILC_COLOR24, 1, 0);
    if (gMarkImages) ImageList_Add(gMarkImages, image, nullptr);
    DeleteObject(image);
    DeleteObject(mask);
    return gMarkImages;
}

// Header images: 0 empty, 1 arrow up (ascending), 2 arrow down (descending).
HIMAGELIST HeaderImages(void)
{
    if (gHeaderImages) return gHeaderImages;
    gHeaderImages = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
    if (!gHeaderImages) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (int mark = 0; mark < 3; mark++) {
        HBITMAP image = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, image);
        RECT all = {0, 0, 16, 16};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        if (mark != 0) {
            RECT itemRect = {-4, 0, 16, 16};
            POINT points[4];
            ComputeSortArrow(&itemRect, mark == SORT_MARK_ASCENDING, 0, points);
            HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
            HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
            HGDIOBJ oldPen = SelectObject(dc, light);
            MoveToEx(dc, points[0].x, points[0].y, nullptr);
            LineTo(dc, points[1].x, points[1].y);
            SelectObject(dc, dark);
            LineTo(dc, points[2].x, points[2].y);
            LineTo(dc, points[3].x, points[3].y);
            SelectObject(dc, oldPen);
            DeleteObject(light);
            DeleteObject(dark);
        }
        SelectObject(dc, old);
        ImageList_AddMasked(gHeaderImages, image, GetSysColor(COLOR_BTNFACE));
        DeleteObject(image);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return gHeaderImages;
}

// ---------------------------------------------------------------------------------------------
// Header drawing

void DrawHeaderItem(HWND view, const DRAWITEMSTRUCT* draw)
{
    HWND header = draw->hwndItem;
    RECT rect = draw->rcItem;
    HDC dc = draw->hDC;
    int pressed = (draw->itemState & ODS_SELECTED) ? 1 : 0;
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));

    char text[260] = "";
    HDITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = HDI_TEXT | HDI_IMAGE | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(header, HDM_GETITEMA, draw->itemID, (LPARAM)&item);
    int mark = (item.fmt & HDF_IMAGE) ? item.iImage : SORT_MARK_NONE;

    int textRight = rect.right - 5;
    if (mark == SORT_MARK_ASCENDING || mark == SORT_MARK_DESCENDING) {
        POINT points[4];
        int arrowLeft = ComputeSortArrow(&rect, mark == SORT_MARK_ASCENDING, pressed, points);
        HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ oldPen = SelectObject(dc, light);
        MoveToEx(dc, points[0].x, points[0].y, nullptr);
        LineTo(dc, points[1].x, points[1].y);
        SelectObject(dc, dark);
        LineTo(dc, points[2].x, points[2].y);
        LineTo(dc, points[3].x, points[3].y);
        SelectObject(dc, oldPen);
        DeleteObject(light);
        DeleteObject(dark);
        textRight = pressed ? arrowLeft : arrowLeft - 5;
    }
    RECT textRect = rect;
    textRect.left += 5 + pressed;
    textRect.top += pressed;
    textRect.right = textRight;
    if (textRect.right > textRect.left) {
        int oldMode = SetBkMode(dc, TRANSPARENT);
        UINT align = (item.fmt & HDF_RIGHT) ? DT_RIGHT : (item.fmt & HDF_CENTER) ? DT_CENTER : DT_LEFT;
        if (!DrawTextA(dc, text, -1, &textRect, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS))
            LogPrint(2, GApp.verbose, "ListViewProc: WM_DRAWITEM: cannot DrawText %d", (int)GetLastError());
        SetBkMode(dc, oldMode);
    }
    (void)view;
}

// ---------------------------------------------------------------------------------------------
// Mouse, cursor and the subclass procedure

int CursorIsOver(HWND view)
{
    POINT p;
    if (!GetCursorPos(&p)) return 0;
    HWND under = WindowFromPoint(p);
    return under && (under == view || IsChild(view, under));
}

void NoteButtonDown(HWND view, WPARAM keys, LPARAM position)
{
    ListViewState* state = StateOf(view);
    if (!state) return;
    LVHITTESTINFO hit;
    std::memset(&hit, 0, sizeof hit);
    hit.pt.x = (short)LOWORD(position);
    hit.pt.y = (short)HIWORD(position);
    int row = (int)SendMessageA(view, LVM_HITTEST, 0, (LPARAM)&hit);
    if (keys & MK_SHIFT) {
        int top = (int)SendMessageA(view, LVM_GETTOPINDEX, 0, 0);
        int distance = row >= top ? row - top : top - row;
        state->estimatedItems = distance + 1;
        LogPrint(6, GApp.verbose, "EstimatedItems %d %d %d", row, top, state->estimatedItems);
    } else if (!(keys & MK_CONTROL) && row >= 0) {
        state->estimatedItems = 1;
    }
    state->dragStarted = row >= 0 ? 1 : 0;
}

void ScheduleSelectionUpdate(HWND view)
{
    ListViewState* state = StateOf(view);
    if (!state) {
        UpdateStatusForSelection(view);
        return;
    }
    // One update for a burst of item changes (a range or select-all changes every row).
    if (state->selectionUpdatePending) return;
    state->selectionUpdatePending = 1;
    PostMessageA(view, kSelectionChangedMessage, 0, 0);
}

// The list view class's own procedure. The lists are subclassed by replacing their window
// procedure, not with SetWindowSubclass: under Wine that looks a window property up (a trip
// through the window server) for every message, which made inserting rows ten times slower.
WNDPROC gListViewClassProc = nullptr;

}  // namespace

int ShowWaitCursorWhileBusy(void)
{
    if (!GApp.busy.load()) return 0;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    return 1;
}

LRESULT KeepHiddenAcrossRedraw(WNDPROC classProc, HWND window, WPARAM wParam, LPARAM lParam)
{
    // Locking repainting takes WS_VISIBLE away and unlocking gives it back, also to a window
    // that was hidden before the lock: a view of the other mode must stay hidden.
    static const char kHiddenAtLock[] = "Kelvora.HiddenAtLock";
    if (!wParam) {
        if (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) RemovePropA(window, kHiddenAtLock);
        else SetPropA(window, kHiddenAtLock, (HANDLE)1);
        return CallWindowProcA(classProc, window, WM_SETREDRAW, wParam, lParam);
    }
    int wasHidden = RemovePropA(window, kHiddenAtLock) != nullptr;
    LRESULT result = CallWindowProcA(classProc, window, WM_SETREDRAW, wParam, lParam);
    if (wasHidden && (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE))
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) & ~(LONG_PTR)WS_VISIBLE);
    return result;
}

namespace {

LRESULT CALLBACK ListViewProc(HWND view, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETREDRAW:
        return KeepHiddenAcrossRedraw(gListViewClassProc, view, wParam, lParam);
    case WM_SETCURSOR:
        if (ShowWaitCursorWhileBusy()) return TRUE;
        break;
    case WM_MOUSEMOVE:
        if (ShowWaitCursorWhileBusy()) return 0;
        break;
    case WM_REEVALUATE_CURSOR:
        if (CursorIsOver(view)) SetCursor(LoadCursor(nullptr, GApp.busy.load() ? IDC_WAIT : IDC_ARROW));
        return 0;
    case WM_LBUTTONDOWN:
        NoteButtonDown(view, wParam, lParam);
        break;
    case WM_LBUTTONUP:
        if (ListViewState* state = StateOf(view)) state->dragStarted = 0;
        break;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* draw = (const DRAWITEMSTRUCT*)lParam;
        if (draw && draw->CtlType == ODT_HEADER) {
            DrawHeaderItem(view, draw);
            return TRUE;
        }
        break;
    }
    case kSelectionChangedMessage:
        if (ListViewState* state = StateOf(view)) state->selectionUpdatePending = 0;
        UpdateStatusForSelection(view);
        return 0;
    case WM_NCDESTROY: {
        ListViewState* state = StateOf(view);
        RemovePropA(view, kStateProperty);
        delete state;
        break;
    }
    }
    return CallWindowProcA(gListViewClassProc, view, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Sorting

struct SortWork {
    HWND view;
    int column;
    int ascending;
};

int CALLBACK CompareRowsForSort(LPARAM first, LPARAM second, LPARAM sortParam)
{
    const SortWork* work = (const SortWork*)sortParam;
    const liststruct* a = (const liststruct*)first;
    const liststruct* b = (const liststruct*)second;
    return work->ascending ? CompareListRows(a, b, work->column) : CompareListRows(b, a, work->column);
}

int SortOnListThread(void* context)
{
    SortWork* work = (SortWork*)context;
    if (work->view == GApp.hwndList) CaptureMarks(work->view);
    int ok = SendMessageA(work->view, LVM_SORTITEMS, (WPARAM)work, (LPARAM)CompareRowsForSort) ? 1 : 0;
    int selected = (int)SendMessageA(work->view, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (selected >= 0) SendMessageA(work->view, LVM_ENSUREVISIBLE, (WPARAM)selected, FALSE);
    InvalidateRect(work->view, nullptr, FALSE);
    return ok;
}

int* SortColumnOf(HWND view)
{
    if (view && view == GApp.hwndTreeList) return &sortColumnTreeList;
    if (view && view == GApp.hwndList) return &sortColumnList;
    return nullptr;
}

int* SortAscendingOf(HWND view)
{
    if (view && view == GApp.hwndTreeList) return &sortAscendingTreeList;
    if (view && view == GApp.hwndList) return &sortAscendingList;
    return nullptr;
}

int64_t SizeOfText(const char* text)
{
    return text ? std::strtoll(text, nullptr, 10) : 0;
}

// ---------------------------------------------------------------------------------------------
// Column lookup by header text

int ColumnCountOf(HWND view)
{
    HWND header = (HWND)SendMessageA(view, LVM_GETHEADER, 0, 0);
    return header ? (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) : 0;
}

// Name and path columns of view by header text; logs each comparison under caller's name.
bool LocateNameAndPath(HWND view, const char* caller, int* nameColumn, int* pathColumn)
{
    *nameColumn = -1;
    *pathColumn = -1;
    int columns = ColumnCountOf(view);
    for (int c = 0; c < columns; c++) {
        char text[260] = "";
        LVCOLUMNA column;
        std::memset(&column, 0, sizeof column);
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        if (!SendMessageA(view, LVM_GETCOLUMNA, (WPARAM)c, (LPARAM)&column)) continue;
        LogPrint(5, GApp.verbose, "%s: compare %s %s %s", caller, text, GetDescriptionFilename(), GetDescriptionPath());
        if (*nameColumn < 0 && std::strcmp(text, GetDescriptionFilename()) == 0) *nameColumn = c;
        if (*pathColumn < 0 && std::strcmp(text, GetDescriptionPath()) == 0) *pathColumn = c;
    }
    return *nameColumn >= 0;
}

struct CollectWork {
    HWND view;
    int selectedOnly;
    const char* caller;
    List* list;     // strings, or null
    BSTree* set;    // ZipEntry set, or null
    int added;
};

int CollectOnListThread(void* context)
{
    CollectWork* work = (CollectWork*)context;
    int nameColumn, pathColumn;
    if (!LocateNameAndPath(work->view, work->caller, &nameColumn, &pathColumn)) {
        LogPrint(1, GApp.verbose, "%s: not found", work->caller);
        return 0;
    }
    int row = work->selectedOnly ? (int)SendMessageA(work->view, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED) : 0;
    int rows = RowCountOf(work->view);
    if (work->selectedOnly && row < 0) {
        LogPrint(1, GApp.verbose, "%s: nothing selected", work->caller);
        return 0;
    }
    // Rows come in the list's order, often sorted: the set takes them all at once.
    std::vector<void*> entries;
    while (row >= 0 && row < rows) {
        char name[260], path[260], full[260];
        ReadCell(work->view, row, nameColumn, name, sizeof name);
        if (pathColumn >= 0) ReadCell(work->view, row, pathColumn, path, sizeof path);
        else path[0] = '\0';
        JoinMemberName(path, name, full, sizeof full);
        if (work->list) {
            if (ListAppendCopy(work->list, full)) work->added++;
        } else if (work->set) {
            LogPrint(5, GApp.verbose, "%s: adding itemtext %s", work->caller, full);
            if (ZipEntry* entry = CreateZipEntry(full, nullptr, row)) entries.push_back(entry);
        }
        row = work->selectedOnly ? (int)SendMessageA(work->view, LVM_GETNEXTITEM, (WPARAM)row, LVNI_SELECTED)
                                 : row + 1;
    }
    if (work->set && !entries.empty()) work->added += BSTreeInsertAll(work->set, entries.data(), (int)entries.size());
    return work->added;
}

int Collect(HWND view, int selectedOnly, const char* caller, List* list, BSTree* set)
{
    if (!view || (!list && !set)) return 0;
    if (!selectedOnly && RowCountOf(view) == 0) {
        LogPrint(1, GApp.verbose, "%s: no items", caller);
        return 0;
    }
    CollectWork work = {view, selectedOnly, caller, list, set, 0};
    return RunOnListThread(view, CollectOnListThread, &work);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation and columns

int ListColumnWidth(HWND listView, int column)
{
    switch (column) {
    case LIST_COLUMN_NAME: return 230;
    case LIST_COLUMN_ENCRYPTED: return IsVisualStyleActive() ? 32 : 25;
    case LIST_COLUMN_COMPRESSED: {
        if (GetWindowsMajorVersion() >= 6 && listView) {
            int textWidth = (int)SendMessageA(listView, LVM_GETSTRINGWIDTHA, 0, (LPARAM)GetDescriptionCompressed());
            if (100 - textWidth <= 27) return textWidth + 28;
        }
        return 100;
    }
    case LIST_COLUMN_UNCOMPRESSED: return 100;
    case LIST_COLUMN_RATE: return 75;
    case LIST_COLUMN_DATE: return 120;
    case LIST_COLUMN_TYPE: return 150;
    case LIST_COLUMN_PATH: return 198;
    }
    return 0;
}

int SetupListColumns(HWND listView)
{
    if (!listView) return 0;
    int ok = 1;
    for (int c = 0; c < LIST_COLUMN_COUNT; c++) {
        char text[260];
        CopyBounded(text, sizeof text, HeaderTextOf(c));
        LVCOLUMNA column;
        std::memset(&column, 0, sizeof column);
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = AlignmentOf(c);
        column.cx = ListColumnWidth(listView, c);
        column.pszText = text;
        column.iSubItem = c;
        if (c == 0) {
            // The first column is inserted provisionally and then given its attributes.
            LVCOLUMNA provisional;
            std::memset(&provisional, 0, sizeof provisional);
            provisional.mask = LVCF_WIDTH;
            provisional.cx = 10;
            if (SendMessageA(listView, LVM_INSERTCOLUMNA, 0, (LPARAM)&provisional) < 0) {
                PromptMessageBox(OwnerWindow(), "cannot insert header into list", "", MB_OK | MB_TOPMOST);
                return 0;
            }
            if (!SendMessageA(listView, LVM_SETCOLUMNA, 0, (LPARAM)&column)) {
                PromptMessageBox(OwnerWindow(), "listview_setcolumn fails", "", MB_OK | MB_TOPMOST);
                ok = 0;
            }
        } else if (SendMessageA(listView, LVM_INSERTCOLUMNA, (WPARAM)c, (LPARAM)&column) < 0) {
            PromptMessageBox(OwnerWindow(), "listview_insertcolumn fails", "", MB_OK | MB_TOPMOST);
            return 0;
        }
    }
    // Header items are drawn by the list (sort arrows); the images hold the sort marks.
    HWND header = (HWND)SendMessageA(listView, LVM_GETHEADER, 0, 0);
    if (header) {
        if (HIMAGELIST images = HeaderImages()) SendMessageA(header, HDM_SETIMAGELIST, 0, (LPARAM)images);
        for (int c = 0; c < LIST_COLUMN_COUNT; c++) {
            HDITEMA item;
            std::memset(&item, 0, sizeof item);
            item.mask = HDI_FORMAT;
            SendMessageA(header, HDM_GETITEMA, (WPARAM)c, (LPARAM)&item);
            item.fmt |= HDF_OWNERDRAW;
            SendMessageA(header, HDM_SETITEMA, (WPARAM)c, (LPARAM)&item);
        }
    }
    return ok;
}

HWND CreateArchiveListView(HWND parent, int id)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS |
                  LVS_SHAREIMAGELISTS;
    HWND view = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, 0, 0, 100, 100, parent,
                                (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    if (!view) return nullptr;
    SendMessageA(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP,
                 LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    ListViewState* state = new ListViewState();
    SetPropA(view, kStateProperty, (HANDLE)state);
    WNDPROC previous = (WNDPROC)SetWindowLongPtrA(view, GWLP_WNDPROC, (LONG_PTR)ListViewProc);
    if (!gListViewClassProc) gListViewClassProc = previous;
    if (!SetupListColumns(view) || !PrepareListForRowBatches(view)) {
        DestroyWindow(view);
        return nullptr;
    }
    return view;
}

int FindListColumnByHeader(HWND listView, const char* headerText)
{
    if (!listView || !headerText) return -1;
    int columns = ColumnCountOf(listView);
    for (int c = 0; c < columns; c++) {
        char text[260] = "";
        LVCOLUMNA column;
        std::memset(&column, 0, sizeof column);
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        if (SendMessageA(listView, LVM_GETCOLUMNA, (WPARAM)c, (LPARAM)&column) && std::strcmp(text, headerText) == 0)
            return c;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Sorting

int CompareListRows(const liststruct* a, const liststruct* b, int column)
{
    if (!a || !b) return a ? 1 : b ? -1 : 0;
    auto text = [](const char* s) { return s ? s : ""; };
    switch (column) {
    case LIST_COLUMN_NAME: return CompareIgnoreCaseAscii(text(a->filename), text(b->filename));
    case LIST_COLUMN_ENCRYPTED: return 0;
    case LIST_COLUMN_COMPRESSED: return a->compressed > b->compressed ? 1 : a->compressed < b->compressed ? -1 : 0;
    case LIST_COLUMN_UNCOMPRESSED:
        return a->uncompressed > b->uncompressed ? 1 : a->uncompressed < b->uncompressed ? -1 : 0;
    case LIST_COLUMN_RATE: return CompareIgnoreCaseAscii(text(a->rate), text(b->rate));
    case LIST_COLUMN_DATE: {
        FILETIME fa = {0, 0}, fb = {0, 0};
        // An impossible date sorts as the earliest.
        SystemTimeToFileTime(&a->modified, &fa);
        SystemTimeToFileTime(&b->modified, &fb);
        long r = CompareFileTime(&fa, &fb);
        return r > 0 ? 1 : r < 0 ? -1 : 0;
    }
    case LIST_COLUMN_TYPE: return CompareIgnoreCaseAscii(text(a->type), text(b->type));
    case LIST_COLUMN_PATH: return CompareIgnoreCaseAscii(text(a->path), text(b->path));
    }
    return 0;
}

int SortListViewWindow(HWND view, int column, int ascending)
{
    if (!view || column < 0 || column >= LIST_COLUMN_COUNT) return 0;
    SortWork work = {view, column, ascending ? 1 : 0};
    int ok = RunOnListThread(view, SortOnListThread, &work);
    SearchState* search = SearchStateOfView(view);
    if (search && search->foundList && *search->foundList && (*search->foundList)->count > 0) MarkSearchRestart(view);
    return ok;
}

int SortListView(int column, int ascending)
{
    return SortListViewWindow(GetViewList(), column, ascending);
}

int GetHeaderSortMark(HWND view, int column)
{
    HWND header = view ? (HWND)SendMessageA(view, LVM_GETHEADER, 0, 0) : nullptr;
    if (!header) return SORT_MARK_NONE;
    HDITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = HDI_FORMAT | HDI_IMAGE;
    if (!SendMessageA(header, HDM_GETITEMA, (WPARAM)column, (LPARAM)&item)) return SORT_MARK_NONE;
    return (item.fmt & HDF_IMAGE) ? item.iImage : SORT_MARK_NONE;
}

void SetHeaderSortMark(HWND view, int column, int mark)
{
    HWND header = view ? (HWND)SendMessageA(view, LVM_GETHEADER, 0, 0) : nullptr;
    if (!header) return;
    HDITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = HDI_FORMAT;
    if (!SendMessageA(header, HDM_GETITEMA, (WPARAM)column, (LPARAM)&item)) return;
    item.mask = HDI_FORMAT | HDI_IMAGE;
    if (mark == SORT_MARK_ASCENDING || mark == SORT_MARK_DESCENDING) {
        item.fmt |= HDF_IMAGE;
        item.iImage = mark;
    } else {
        item.fmt &= ~HDF_IMAGE;
        item.iImage = 0;
    }
    SendMessageA(header, HDM_SETITEMA, (WPARAM)column, (LPARAM)&item);
    InvalidateRect(header, nullptr, TRUE);
}

int ComputeSortArrow(const RECT* rect, int ascending, int pressed, POINT points[4])
{
    int h = ((rect->bottom - rect->top) / 2) * 2 - 8;
    if (h < 2) h = 2;
    int y = rect->bottom - 5 + (pressed ? 1 : 0);
    int x = rect->right - 20 + (pressed ? 1 : 0);
    if (ascending) {
        points[0] = {x + h, y};
        points[1] = {x + h / 2, y - h};
        points[2] = {x, y};
        points[3] = {x + h, y};
    } else {
        points[0] = {x + h / 2, y};
        points[1] = {x + h, y - h};
        points[2] = {x, y - h};
        points[3] = {x + h / 2, y};
    }
    return x;
}

int HandleListColumnClick(HWND view, int column)
{
    if (!view || view != GetViewList() || RowCountOf(view) == 0) return 0;
    if (column < 0 || column >= LIST_COLUMN_COUNT) return 0;
    int* sortColumn = SortColumnOf(view);
    int* ascending = SortAscendingOf(view);
    if (!sortColumn || !ascending) return 0;
    int newAscending = column == *sortColumn ? !*ascending : 1;
    if (column != LIST_COLUMN_ENCRYPTED) {
        // One mark at a time: clear every other column's image.
        for (int c = 0; c < LIST_COLUMN_COUNT; c++)
            if (c != column && GetHeaderSortMark(view, c) != SORT_MARK_NONE) SetHeaderSortMark(view, c, SORT_MARK_NONE);
        SetHeaderSortMark(view, column, newAscending ? SORT_MARK_ASCENDING : SORT_MARK_DESCENDING);
    }
    SortListViewWindow(view, column, newAscending);
    *sortColumn = column;
    *ascending = newAscending;
    return 1;
}

void ForgetSortState(void)
{
    HWND views[2] = {GApp.hwndList, GApp.hwndTreeList};
    for (HWND view : views) {
        if (!view) continue;
        for (int c = 0; c < LIST_COLUMN_COUNT; c++) SetHeaderSortMark(view, c, SORT_MARK_NONE);
    }
    sortColumnList = sortColumnTreeList = -1;
    sortAscendingList = sortAscendingTreeList = 1;
}

void ResortFocusView(void)
{
    HWND view = GetViewList();
    int* column = SortColumnOf(view);
    int* ascending = SortAscendingOf(view);
    if (column && ascending && *column >= 0) SortListViewWindow(view, *column, *ascending);
}

// ---------------------------------------------------------------------------------------------
// Totals

int FormatTotalsTexts(int selection, int64_t count, int64_t compressed, int64_t uncompressed, char* countText,
                      size_t countSize, char* sizeText, size_t sizeSize)
{
    const char* heading = GetMessageText(selection ? 8 : 3);
    const char* compressedLabel = GetMessageText(4);
    const char* uncompressedLabel = GetMessageText(5);
    const char* bytes = selection ? " Byte" : "B";
    int64_t compressedKB = compressed / 1024, uncompressedKB = uncompressed / 1024;
    char first[64], second[64];
    if (compressedKB != 0) snprintf(first, sizeof first, "%" PRId64 "KB", compressedKB);
    else snprintf(first, sizeof first, "%" PRId64 "%s", compressed, bytes);
    if (uncompressedKB != 0) snprintf(second, sizeof second, "%" PRId64 "KB", uncompressedKB);
    else snprintf(second, sizeof second, "%" PRId64 "%s", uncompressed, bytes);
    if (sizeText && sizeSize)
        snprintf(sizeText, sizeSize, "%s %s %s - %s %s", heading, compressedLabel, first, uncompressedLabel, second);
    if (countText && countSize) {
        if (count == 1) snprintf(countText, countSize, "1 %s", GetMessageText(selection ? 9 : 6));
        else snprintf(countText, countSize, "%" PRId64 " %s", count, GetMessageText(selection ? 10 : 7));
    }
    return 1;
}

static void ShowStatusTexts(int selection, int64_t count, int64_t compressed, int64_t uncompressed)
{
    if (!GApp.hwndStatus) return;
    char countText[260], sizeText[260];
    FormatTotalsTexts(selection, count, compressed, uncompressed, countText, sizeof countText, sizeText,
                      sizeof sizeText);
    SendMessageA(GApp.hwndStatus, SB_SETTEXTA, 0, (LPARAM)countText);
    SendMessageA(GApp.hwndStatus, SB_SETTEXTA, 2, (LPARAM)sizeText);
}

void ShowTotals(int64_t count, int64_t compressed, int64_t uncompressed)
{
    ShowStatusTexts(0, count, compressed, uncompressed);
}

void ShowSelectionTotals(int64_t count, int64_t compressed, int64_t uncompressed)
{
    ShowStatusTexts(1, count, compressed, uncompressed);
}

namespace {
struct SelectionWork {
    HWND view;
    ArchiveTotals totals;
};

int SumSelectionOnListThread(void* context)
{
    SelectionWork* work = (SelectionWork*)context;
    for (int row = (int)SendMessageA(work->view, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); row >= 0;
         row = (int)SendMessageA(work->view, LVM_GETNEXTITEM, (WPARAM)row, LVNI_SELECTED)) {
        char text[64];
        work->totals.rows++;
        ReadCell(work->view, row, LIST_COLUMN_COMPRESSED, text, sizeof text);
        work->totals.compressed += SizeOfText(text);
        ReadCell(work->view, row, LIST_COLUMN_UNCOMPRESSED, text, sizeof text);
        work->totals.uncompressed += SizeOfText(text);
    }
    return 1;
}
}  // namespace

ArchiveTotals GetSelectionTotals(HWND view)
{
    SelectionWork work = {view, {0, 0, 0}};
    if (view) RunOnListThread(view, SumSelectionOnListThread, &work);
    return work.totals;
}

void UpdateStatusForSelection(HWND view)
{
    if (!view) return;
    ArchiveTotals selected = GetSelectionTotals(view);
    if (selected.rows == 0) {
        const ArchiveTotals& totals = GetViewList() == GApp.hwndTreeList && GApp.hwndTreeList ? GApp.treeListTotals
                                                                                              : GApp.listTotals;
        ShowTotals(totals.rows, totals.compressed, totals.uncompressed);
    } else {
        ShowSelectionTotals(selected.rows, selected.compressed, selected.uncompressed);
    }
}

// ---------------------------------------------------------------------------------------------
// Rows for the engines

int JoinMemberName(const char* path, const char* name, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    path = path ? path : "";
    name = name ? name : "";
    size_t length = std::strlen(path);
    if (length == 0) return CopyBounded(out, outSize, name);
    if (path[length - 1] == '/' || path[length - 1] == '\\') {
        int n = snprintf(out, outSize, "%s%s", path, name);
        return n >= 0 && (size_t)n < outSize;
    }
    int n = snprintf(out, outSize, "%s/%s", path, name);
    return n >= 0 && (size_t)n < outSize;
}

int FillLISTWithSelectedFromList(HWND view, List* list)
{
    return Collect(view, 1, "FillLISTWithSelectedFromList", list, nullptr);
}

int FillLISTWithWholeList(HWND view, List* list)
{
    return Collect(view, 0, "FillLISTWithWholeList", list, nullptr);
}

int FillZipTreeWithSelectedFromList(HWND view, BSTree* set)
{
    return Collect(view, 1, "FillZipTreeWithSelectedFromList", nullptr, set);
}

int FillZipTreeWithWholeList(HWND view, BSTree* set)
{
    return Collect(view, 0, "FillZipTreeWithWholeList", nullptr, set);
}

// ---------------------------------------------------------------------------------------------
// Cursor and busy

void RefreshViewCursors(void)
{
    HWND views[] = {GApp.hwndList, GApp.hwndTreeList, GApp.hwndTree, GApp.hwndPathCombo};
    for (HWND view : views)
        if (view) PostMessageA(view, WM_REEVALUATE_CURSOR, 0, 0);
}

int BeginViewBusy(void)
{
    if (!TryEnterBusy(GApp.busy)) return 0;
    RefreshViewCursors();
    return 1;
}

void EndViewBusy(void)
{
    LeaveBusy(GApp.busy);
    RefreshViewCursors();
}

int GetEstimatedItems(HWND view)
{
    ListViewState* state = StateOf(view);
    return state ? state->estimatedItems : 0;
}

int IsListDragStarted(HWND view)
{
    ListViewState* state = StateOf(view);
    return state ? state->dragStarted : 0;
}

// ---------------------------------------------------------------------------------------------
// Encryption marks

int IsRowEncrypted(HWND list, int row)
{
    if (!list || list != GApp.hwndList || row < 0) return 0;
    {
        std::lock_guard<std::mutex> lock(gMarkLock);
        if (!gMarksCaptured) return IsListedRowEncrypted(row);
    }
    const liststruct* record = RecordOfRow(list, row);
    std::lock_guard<std::mutex> lock(gMarkLock);
    return record && gMarkedRecords.count(record) ? 1 : 0;
}

int PaintEncryptionMark(HWND list, HDC dc, int row)
{
    if (!list || !dc || !IsRowEncrypted(list, row)) return 0;
    RECT cell;
    std::memset(&cell, 0, sizeof cell);
    cell.top = LIST_COLUMN_ENCRYPTED;
    cell.left = LVIR_BOUNDS;
    if (!SendMessageA(list, LVM_GETSUBITEMRECT, (WPARAM)row, (LPARAM)&cell)) return 0;
    FillRect(dc, &cell, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HIMAGELIST marks = MarkImages();
    if (!marks) return 0;
    int x = cell.left + ((cell.right - cell.left) - 16) / 2;
    int y = cell.top + ((cell.bottom - cell.top) - 16) / 2;
    return ImageList_Draw(marks, 0, dc, x, y, ILD_NORMAL) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Renaming in place

namespace {
int gRenameAllowed = 0;
int gClearingMainList = 0;  // LIST is being emptied: no marks to keep
char gOldName[260];

// The row's record and cells after a rename or a move; runs on the list's thread.
struct RowUpdate {
    HWND view;
    int row;
    const char* name;  // new file name, or null
    const char* path;  // new path with trailing separator, or null
};

int UpdateRowOnListThread(void* context)
{
    RowUpdate* update = (RowUpdate*)context;
    liststruct* record = RecordOfRow(update->view, update->row);
    if (update->name) {
        LogPrint(5, GApp.verbose, "liststruct inserting filename value: %s", update->name);
        char type[260];
        int icon = 0;
        LookupShellType(update->name, type, sizeof type, &icon);
        if (record) {
            char* name = DupBounded(260, update->name);
            char* typeCopy = DupBounded(260, type);
            if (name) {
                std::free(record->filename);
                record->filename = name;
            }
            if (typeCopy) {
                std::free(record->type);
                record->type = typeCopy;
            }
        }
        LVITEMA item;
        std::memset(&item, 0, sizeof item);
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = update->row;
        item.pszText = (char*)update->name;
        item.iImage = icon;
        SendMessageA(update->view, LVM_SETITEMA, 0, (LPARAM)&item);
        WriteCell(update->view, update->row, LIST_COLUMN_TYPE, type);
    }
    if (update->path) {
        if (record) {
            char* path = DupBounded(260, update->path);
            if (path) {
                std::free(record->path);
                record->path = path;
            }
        }
        WriteCell(update->view, update->row, LIST_COLUMN_PATH, update->path);
    }
    return 1;
}

// The row of view whose member's full name (path and name, separators as shown) is fullName;
// -1 when none. Runs on the list's thread.
struct FindRowWork {
    HWND view;
    const char* fullName;
};

int FindRowOnListThread(void* context)
{
    FindRowWork* work = (FindRowWork*)context;
    int rows = RowCountOf(work->view);
    for (int row = 0; row < rows; row++) {
        const liststruct* record = RecordOfRow(work->view, row);
        if (!record) continue;
        char full[520];
        snprintf(full, sizeof full, "%s%s", record->path ? record->path : "", record->filename ? record->filename : "");
        if (std::strcmp(full, work->fullName) == 0) return row;
    }
    return -1;
}

int FindRowByFullName(HWND view, const char* fullName)
{
    if (!view || !fullName) return -1;
    FindRowWork work = {view, fullName};
    return RunOnListThread(view, FindRowOnListThread, &work);
}

void ReplaceReadyKey(const char* oldKey, const char* newKey)
{
    if (!TVRBTreeDataReady) return;
    if (RBTreeNode* node = RBTreeSearch(TVRBTreeDataReady, oldKey)) {
        LogPrint(5, GApp.verbose, "found in TVRBTreeDataReady deleting %s", oldKey);
        RBTreeDelete(TVRBTreeDataReady, node);
    } else {
        LogPrint(5, GApp.verbose, "not found in TVRBTreeDataReady %s\n", oldKey);
    }
    if (!newKey || !*newKey) return;
    LogPrint(5, GApp.verbose, "ChangeFilename inserting into TVRBTreeDataReady: %s", newKey);
    char* copy = DupBounded(260, newKey);
    if (copy && !RBTreeInsert(TVRBTreeDataReady, copy, nullptr)) std::free(copy);
}
}  // namespace

int BeginRenameSelectedRow(HWND view)
{
    if (!view) return 0;
    int row = (int)SendMessageA(view, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (row < 0) row = (int)SendMessageA(view, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
    if (row < 0) return 0;
    gRenameAllowed = 1;
    SetFocus(view);
    HWND edit = (HWND)SendMessageA(view, LVM_EDITLABELA, (WPARAM)row, 0);
    if (!edit) gRenameAllowed = 0;
    return edit ? 1 : 0;
}

int ChangeFileName(HWND view, int row, int action, const char* oldText, const char* newText)
{
    if (!view || row < 0 || !newText) return 0;
    if (GCompressionMethod == CM_ISO) {
        LogPrint(1, GApp.verbose, "not supported on iso file");
        return 0;
    }
    if (GCompressionMethod == CM_RAR) {
        LogPrint(1, GApp.verbose, "not supported on rar file");
        return 0;
    }
    if (!OpenArchiveMayModify()) {
        // Only zip archives are rewritten in place.
        LogPrint(1, GApp.verbose, "not supported on tar file");
        return 0;
    }
    int nameColumn = FindListColumnByHeader(view, GetDescriptionFilename());
    int pathColumn = FindListColumnByHeader(view, GetDescriptionPath());
    if (nameColumn < 0 || pathColumn < 0) {
        LogPrint(1, GApp.verbose, "ChangeFileName descriptionPath or descriptionFilename not found");
        return 0;
    }
    char name[260], path[260];
    ReadCell(view, row, nameColumn, name, sizeof name);
    ReadCell(view, row, pathColumn, path, sizeof path);

    char oldFull[260] = "", newFull[260] = "", newPath[260] = "";
    if (action == LISTSTRUCT_FILENAME) {
        JoinMemberName(path, oldText ? oldText : name, oldFull, sizeof oldFull);
        if (*newText) JoinMemberName(path, newText, newFull, sizeof newFull);
        // A name holding a separator would move the member to another folder.
        if (std::strchr(newText, '\\') || std::strchr(newText, '/')) newFull[0] = '\0';
    } else if (action == LISTSTRUCT_PATH) {
        JoinMemberName(oldText ? oldText : path, name, oldFull, sizeof oldFull);
        size_t length = std::strlen(newText);
        if (length == 0) {
            CopyBounded(newFull, sizeof newFull, name);
        } else {
            const char* separator = (newText[length - 1] == '\\' || newText[length - 1] == '/') ? "" : "\\";
            snprintf(newPath, sizeof newPath, "%s%s", newText, separator);
            snprintf(newFull, sizeof newFull, "%s%s", newPath, name);
        }
        LogPrint(2, GApp.verbose, "ChangeFileName old %s", oldFull);
        LogPrint(2, GApp.verbose, "ChangeFileName new %s", newFull);
    }
    if (!*oldFull || !*newFull) {
        LogPrint(0, GApp.verbose, "ChangeFileName error - no Path and no NewPath");
        return 0;
    }
    if (std::strcmp(oldFull, newFull) == 0) return 0;
    ReplaceChar(oldFull, '/', '\\');
    ReplaceChar(newFull, '/', '\\');

    char oldKey[260];
    GetValuesFromList(view, oldKey, sizeof oldKey, row);

    RenameRequest request;
    std::memset(&request, 0, sizeof request);
    CopyBounded(request.oldKey, sizeof request.oldKey, oldFull);
    CopyBounded(request.newName, sizeof request.newName, newFull);
    BSTree* set = CreateZipEntrySet();
    ZipEntry* entry = CreateZipEntry(oldFull, newFull, row);
    if (!set || !entry || !BSTreeInsert(set, entry)) {
        ReleaseZipEntry(entry);
        BSTreeDestroy(&set);
        return 0;
    }
    RewriteOutcome outcome;
    std::memset(&outcome, 0, sizeof outcome);
    GModificationRunning.store(1);
    int result = ChangeFileFromZIPTwoPass(GApp.currentArchive, set, &request, &outcome);
    GModificationRunning.store(0);
    BSTreeDestroy(&set);
    if (result < 0) {
        ReportRewriteFailure(result, GApp.currentArchive, &outcome);
        return 0;
    }

    // The member in both lists: the row edited and its twin in the other list, found by the
    // name the row's cells still show.
    char oldShown[520];
    snprintf(oldShown, sizeof oldShown, "%s%s", path, name);
    HWND other = view == GApp.hwndList ? GApp.hwndTreeList : view == GApp.hwndTreeList ? GApp.hwndList : nullptr;
    int otherRow = other ? FindRowByFullName(other, oldShown) : -1;

    RowUpdate update = {view, row, action == LISTSTRUCT_FILENAME ? newText : nullptr,
                        action == LISTSTRUCT_PATH ? newPath : nullptr};
    RunOnListThread(view, UpdateRowOnListThread, &update);
    if (otherRow >= 0) {
        RowUpdate twin = update;
        twin.view = other;
        twin.row = otherRow;
        RunOnListThread(other, UpdateRowOnListThread, &twin);
    }
    char newKey[260];
    GetValuesFromList(view, newKey, sizeof newKey, row);
    ReplaceReadyKey(oldKey, newKey);
    if (action == LISTSTRUCT_PATH && *newPath) AddFolderPathToViews(newPath);
    return 1;
}

DWORD WINAPI RenameListRowThread(LPVOID param)
{
    RenameRowJob* job = (RenameRowJob*)param;
    if (job) {
        if (!ChangeFileName(job->view, job->row, LISTSTRUCT_FILENAME, job->oldName, job->newName))
            LogPrint(1, GApp.verbose, "cannot change filename");
        std::free(job);
    }
    EndViewBusy();
    return 0;
}

namespace {

// The edited text of a label notification in ANSI, whichever form the parent asked for.
bool EditedText(const NMHDR* header, char* out, size_t outSize)
{
    out[0] = '\0';
    if (header->code == LVN_ENDLABELEDITW) {
        const NMLVDISPINFOW* info = (const NMLVDISPINFOW*)header;
        if (!info->item.pszText) return false;
        if (!WideCharToMultiByte(CP_ACP, 0, info->item.pszText, -1, out, (int)outSize, nullptr, nullptr)) return false;
        out[outSize - 1] = '\0';
        return true;
    }
    const NMLVDISPINFOA* info = (const NMLVDISPINFOA*)header;
    if (!info->item.pszText) return false;
    CopyBounded(out, outSize, info->item.pszText);
    return true;
}

LRESULT OnBeginLabelEdit(const NMLVDISPINFOA* info)
{
    LogPrint(6, GApp.verbose, "begin label edit on list view");
    if (!gRenameAllowed) {
        LogPrint(7, GApp.verbose, "Renaming is actually not allowed");
        return TRUE;
    }
    gRenameAllowed = 0;
    ReadCell(info->hdr.hwndFrom, info->item.iItem, LIST_COLUMN_NAME, gOldName, sizeof gOldName);
    if (!OpenArchiveMayModify() || GApp.busy.load()) return TRUE;
    LogPrint(6, GApp.verbose, "end of LVN_BEGINLABELEDIT returning (FALSE) => edit");
    return FALSE;
}

LRESULT OnEndLabelEdit(const NMLVDISPINFOA* info)
{
    char text[260];
    if (!EditedText(&info->hdr, text, sizeof text) || !*text) return FALSE;
    if (std::strcmp(text, gOldName) == 0) return FALSE;
    if (!BeginViewBusy()) return FALSE;
    RenameRowJob* job = (RenameRowJob*)AllocZeroed(sizeof(RenameRowJob));
    if (!job) {
        EndViewBusy();
        return FALSE;
    }
    job->view = info->hdr.hwndFrom;
    job->row = info->item.iItem;
    CopyBounded(job->oldName, sizeof job->oldName, gOldName);
    CopyBounded(job->newName, sizeof job->newName, text);
    HANDLE thread = CreateThread(nullptr, 0, RenameListRowThread, job, 0, nullptr);
    if (!thread) {
        std::free(job);
        EndViewBusy();
        return FALSE;
    }
    CloseHandle(thread);
    // The thread puts the new name into the row once the archive has it.
    return FALSE;
}

LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: return CDRF_DODEFAULT;
    case CDDS_ITEMPOSTPAINT:
        PaintEncryptionMark(draw->nmcd.hdr.hwndFrom, draw->nmcd.hdc, (int)draw->nmcd.dwItemSpec);
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

}  // namespace

int OnListViewNotify(const NMHDR* header, LRESULT* result)
{
    if (!header) return 0;
    HWND view = header->hwndFrom;
    if (!view || (view != GApp.hwndList && view != GApp.hwndTreeList)) return 0;
    LRESULT answer = 0;
    switch (header->code) {
    case LVN_COLUMNCLICK:
        HandleListColumnClick(view, ((const NMLISTVIEW*)header)->iSubItem);
        break;
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW* change = (const NMLISTVIEW*)header;
        if (!(change->uChanged & LVIF_STATE)) break;
        if (((change->uOldState ^ change->uNewState) & LVIS_SELECTED) == 0) break;
        // The folder change shows the folder's totals itself.
        if (view == GApp.hwndTreeList && IsTreeListFilling()) break;
        ScheduleSelectionUpdate(view);
        break;
    }
    // The item fields these read have the same place in the A and W forms.
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW: answer = OnBeginLabelEdit((const NMLVDISPINFOA*)header); break;
    case LVN_ENDLABELEDITA:
    case LVN_ENDLABELEDITW: answer = OnEndLabelEdit((const NMLVDISPINFOA*)header); break;
    case LVN_DELETEITEM: {
        const NMLISTVIEW* deleted = (const NMLISTVIEW*)header;
        int lastRow = RowCountOf(view) <= 1;
        if (view == GApp.hwndList && !gClearingMainList) {
            // One row goes: the others keep their marks by record from now on.
            CaptureMarks(view);
            std::lock_guard<std::mutex> lock(gMarkLock);
            gMarkedRecords.erase((const liststruct*)deleted->lParam);
        }
        HandleListDeleteItem(deleted);
        if (view == GApp.hwndList && lastRow) {
            gClearingMainList = 0;
            if (GViewHooks.mainListEmptied) GViewHooks.mainListEmptied();
        }
        break;
    }
    case LVN_DELETEALLITEMS:
        if (AcknowledgeBulkClear(view)) {
            // ClearList releases the records itself: no notification per row follows.
            if (view == GApp.hwndList) {
                ForgetMarks();
                gClearingMainList = 0;
                if (RowCountOf(view) > 0 && GViewHooks.mainListEmptied) GViewHooks.mainListEmptied();
            }
            answer = TRUE;
            break;
        }
        if (view == GApp.hwndList) {
            ForgetMarks();
            gClearingMainList = RowCountOf(view) > 0;
        }
        // FALSE: one LVN_DELETEITEM per row follows, which releases the row's record.
        answer = FALSE;
        break;
    case NM_CUSTOMDRAW:
        if (view != GApp.hwndList) return 0;
        answer = OnCustomDraw((NMLVCUSTOMDRAW*)header);
        break;
    default: return 0;
    }
    if (result) *result = answer;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Deleting rows of both lists

namespace {
struct DeleteSyncWork {
    HWND view;
    std::vector<int> rows;                   // rows of view, descending
    std::unordered_set<std::string> names;   // full names of the deleted members
    int removed;
    ArchiveTotals removedTotals;             // what the removed rows of view counted
};

// A row of work->view goes: its record's sizes leave the view's totals with it.
int DeleteCountedRow(DeleteSyncWork* work, int row)
{
    const liststruct* record = RecordOfRow(work->view, row);
    int64_t compressed = record ? record->compressed : 0;
    int64_t uncompressed = record ? record->uncompressed : 0;
    if (!DeleteListRow(work->view, row)) return 0;
    work->removed++;
    work->removedTotals.rows++;
    work->removedTotals.compressed += compressed;
    work->removedTotals.uncompressed += uncompressed;
    return 1;
}

// The folder's totals follow TreeList's rows. listTotals are the archive's: the rewrite that
// deleted the members has taken them off already.
void SubtractRemovedTotals(const DeleteSyncWork* work)
{
    ArchiveTotals* totals = work->view == GApp.hwndTreeList ? &GApp.treeListTotals : nullptr;
    if (!totals) return;
    totals->rows -= work->removedTotals.rows;
    totals->compressed -= work->removedTotals.compressed;
    totals->uncompressed -= work->removedTotals.uncompressed;
    if (totals->rows < 0) totals->rows = 0;
    if (totals->compressed < 0) totals->compressed = 0;
    if (totals->uncompressed < 0) totals->uncompressed = 0;
}

std::string FullNameOfRecord(const liststruct* record)
{
    std::string full = record && record->path ? record->path : "";
    full += record && record->filename ? record->filename : "";
    return full;
}

int CollectDeletedNames(void* context)
{
    DeleteSyncWork* work = (DeleteSyncWork*)context;
    for (int row : work->rows) {
        const liststruct* record = RecordOfRow(work->view, row);
        if (record) work->names.insert(FullNameOfRecord(record));
        char key[260];
        if (GetValuesFromList(work->view, key, sizeof key, row) && TVRBTreeDataReady) {
            if (RBTreeNode* node = RBTreeSearch(TVRBTreeDataReady, key)) RBTreeDelete(TVRBTreeDataReady, node);
            else LogPrint(1, GApp.verbose, "SynchronizeListTreeListDeleteThread: not found in TVRBTreeDataReady %s", key);
        }
    }
    return 1;
}

int DeleteRowsOnListThread(void* context)
{
    DeleteSyncWork* work = (DeleteSyncWork*)context;
    LockListRedraw(work->view);
    for (int row : work->rows) DeleteCountedRow(work, row);
    UnlockListRedraw(work->view);
    return work->removed;
}

int RemoveEmptiedFoldersOnTreeThread(void*)
{
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    return root ? TreeDeleteEmpty(GApp.hwndTree, TreeView_GetChild(GApp.hwndTree, root), 1) : 0;
}

int DeleteNamedRowsOnListThread(void* context)
{
    DeleteSyncWork* work = (DeleteSyncWork*)context;
    int rows = RowCountOf(work->view);
    LockListRedraw(work->view);
    for (int row = rows - 1; row >= 0; row--) {
        const liststruct* record = RecordOfRow(work->view, row);
        if (record && work->names.count(FullNameOfRecord(record))) DeleteCountedRow(work, row);
    }
    UnlockListRedraw(work->view);
    return work->removed;
}
}  // namespace

int SynchronizeListTreeListDelete(HWND view, const int* rows, int count)
{
    if (!view || !rows || count <= 0) return 0;
    DeleteSyncWork work;
    work.view = view;
    work.removed = 0;
    work.removedTotals = ArchiveTotals{0, 0, 0};
    work.rows.assign(rows, rows + count);
    std::sort(work.rows.begin(), work.rows.end(), [](int a, int b) { return a > b; });
    work.rows.erase(std::unique(work.rows.begin(), work.rows.end()), work.rows.end());
    // Names and keys are read while the rows still exist.
    RunOnListThread(view, CollectDeletedNames, &work);
    RunOnListThread(view, DeleteRowsOnListThread, &work);
    SubtractRemovedTotals(&work);
    int removed = work.removed;
    HWND other = view == GApp.hwndList ? GApp.hwndTreeList : view == GApp.hwndTreeList ? GApp.hwndList : nullptr;
    if (other && RowCountOf(other) > 0) {
        work.view = other;
        work.removed = 0;
        work.removedTotals = ArchiveTotals{0, 0, 0};
        RunOnListThread(other, DeleteNamedRowsOnListThread, &work);
        SubtractRemovedTotals(&work);
    }
    if (GApp.hwndTree) RunOnListThread(GApp.hwndTree, RemoveEmptiedFoldersOnTreeThread, nullptr);
    return removed;
}

DWORD WINAPI SynchronizeListTreeListDeleteThread(LPVOID param)
{
    RowDeleteJob* job = (RowDeleteJob*)param;
    if (job) {
        SynchronizeListTreeListDelete(job->view, job->rows, job->count);
        std::free(job->rows);
        std::free(job);
    }
    EndViewBusy();
    return 0;
}

// ---------------------------------------------------------------------------------------------
// The ZIP engine's hooks

namespace {
void ShowTotalsHook(int64_t files, int64_t compressed, int64_t uncompressed)
{
    ShowTotals(files, compressed, uncompressed);
}

void ResetPathComboHook(void)
{
    ResetPathCombo();
}

// Runs on the listing's thread, which ends only after the folder view is complete.
void RebuildFolderTreeHook(ListingJob* job)
{
    SynchronizeTreeViewWithRows(job ? job->archivePath : GApp.currentArchive, job ? job->keyRows : nullptr);
}
}  // namespace

void InstallViewHooksIntoZipEngine(void)
{
    GZipHooks.forgetSortState = ForgetSortState;
    GZipHooks.showTotals = ShowTotalsHook;
    GZipHooks.resortFocusView = ResortFocusView;
    GZipHooks.resetPathCombo = ResetPathComboHook;
    GZipHooks.rebuildFolderTree = RebuildFolderTreeHook;
}
