#include "listhost.h"

#include <commctrl.h>

#include <cstdio>

#include "model/liststruct.h"

static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY) {
        const NMHDR* hdr = (const NMHDR*)lParam;
        if (hdr->code == LVN_DELETEITEM) {
            const NMLISTVIEW* nm = (const NMLISTVIEW*)lParam;
            if (nm->lParam) HandleListDeleteItem(nm);
            return 0;
        }
        if (hdr->code == LVN_DELETEALLITEMS) return FALSE;  // one LVN_DELETEITEM per row
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool CreateListHost(ListHost* host, int prepare)
{
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvoraModelTestHost";
        atom = RegisterClassA(&wc);
    }
    host->parent = CreateWindowA("KelvoraModelTestHost", "host", WS_OVERLAPPEDWINDOW, 0, 0, 900, 400, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!host->parent) return false;
    host->list = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 880,
                               380, host->parent, (HMENU)1, GetModuleHandleA(nullptr), nullptr);
    if (!host->list) return false;
    for (int c = 0; c < 8; c++) {
        char title[16];
        snprintf(title, sizeof title, "c%d", c);
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = 100;
        col.pszText = title;
        col.iSubItem = c;
        if (SendMessageA(host->list, LVM_INSERTCOLUMNA, c, (LPARAM)&col) < 0) return false;
    }
    if (prepare && !PrepareListForRowBatches(host->list)) return false;
    return true;
}

void DestroyListHost(ListHost* host)
{
    if (host->list) DestroyWindow(host->list);
    if (host->parent) DestroyWindow(host->parent);
    host->list = host->parent = nullptr;
}

std::string CellText(HWND list, int row, int column)
{
    char text[260] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
    return text;
}

int RowCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

int AppendRawRow(HWND list, const char* const texts[8])
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount(list);
    item.pszText = (char*)texts[0];
    int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row < 0) return row;
    for (int c = 1; c < 8; c++) {
        LVITEMA sub = {};
        sub.iSubItem = c;
        sub.pszText = (char*)texts[c];
        SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&sub);
    }
    return row;
}
