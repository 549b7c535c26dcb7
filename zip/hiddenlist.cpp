#include "zip/hiddenlist.h"

#include <commctrl.h>

#include "app/langtext.h"
#include "model/liststruct.h"

namespace {

const char kHiddenListClass[] = "KelvoraHiddenListHost";

LRESULT CALLBACK HiddenListHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY && ((NMHDR*)lParam)->code == LVN_DELETEITEM) {
        HandleListDeleteItem((const NMLISTVIEW*)lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool RegisterHiddenListClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HiddenListHostProc;
    wc.hInstance = instance;
    wc.lpszClassName = kHiddenListClass;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateHiddenList(void)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterHiddenListClass(instance)) return nullptr;
    HWND host = CreateWindowExA(0, kHiddenListClass, "", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                                instance, nullptr);
    if (!host) return nullptr;
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 600, 400, host,
                                (HMENU)2002, instance, nullptr);
    if (!list) {
        DestroyWindow(host);
        return nullptr;
    }
    const char* headers[8] = {GetDescriptionFilename(),   GetDescriptionEncrypted(),
                              GetDescriptionCompressed(), GetDescriptionUncompressed(),
                              GetDescriptionCompressionRatio(), GetDescriptionDate(),
                              GetDescriptionType(),       GetDescriptionPath()};
    for (int i = 0; i < 8; ++i) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = (char*)(headers[i] ? headers[i] : "");
        col.cx = 100;
        col.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&col);
    }
    if (!PrepareListForRowBatches(list)) {
        DestroyWindow(host);
        return nullptr;
    }
    return list;
}

void DestroyHiddenList(HWND list)
{
    if (!list) return;
    HWND host = GetParent(list);
    ClearList(list);
    DestroyWindow(host ? host : list);
}

const liststruct* ListRowRecord(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item)) return nullptr;
    return (const liststruct*)item.lParam;
}

std::string ListRowMemberName(HWND list, int row)
{
    const liststruct* rec = ListRowRecord(list, row);
    if (!rec) return "";
    std::string name = std::string(rec->path ? rec->path : "") + (rec->filename ? rec->filename : "");
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

int RunThreadPumpingMessages(LPTHREAD_START_ROUTINE fn, void* param, DWORD timeoutMs, DWORD* exitCode)
{
    HANDLE thread = CreateThread(nullptr, 0, fn, param, 0, nullptr);
    if (!thread) return 0;
    DWORD start = GetTickCount();
    bool ended = false;
    for (;;) {
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            DWORD spent = GetTickCount() - start;
            wait = spent >= timeoutMs ? 0 : timeoutMs - spent;
        }
        DWORD w = MsgWaitForMultipleObjects(1, &thread, FALSE, wait, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (w == WAIT_OBJECT_0 || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (w == WAIT_TIMEOUT || w == WAIT_FAILED) break;
    }
    if (ended && exitCode) GetExitCodeThread(thread, exitCode);
    CloseHandle(thread);
    return ended ? 1 : 0;
}
