#include "progresstest.h"

#include <cstdio>

HANDLE StartDialogThread(int withCancel, char* heading)
{
    SetCanceledByUser(0);
    return withCancel ? CreateThread(nullptr, 0, ProgressDialogThread, heading, 0, nullptr)
                      : CreateThread(nullptr, 0, ProgressDialogNoCancelThread, nullptr, 0, nullptr);
}

HWND OpenDialog(int withCancel, char* heading, HANDLE* thread)
{
    HANDLE started = StartDialogThread(withCancel, heading);
    if (!started) return nullptr;
    if (thread) *thread = started;
    else CloseHandle(started);
    if (!WaitFor([] { return IsWindowVisible(GetProgressDialog()) != FALSE; })) return nullptr;
    HWND dialog = GetProgressDialog();
    SettleDialog(dialog);
    return dialog;
}

bool CloseDialogThread(HANDLE thread)
{
    if (!thread) return false;
    bool ended = WaitForSingleObject(thread, kDialogWaitMs) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

void CloseAnyDialog(void)
{
    HWND dialog = GetProgressDialog();
    // A raised cancel flag makes DestroyProgressDialog close at once instead of waiting
    // for a hidden dialog to show.
    SetCanceledByUser(1);
    DestroyProgressDialog();
    if (dialog) WaitFor([dialog] { return !IsWindow(dialog); });
    SetShowProgressDialog(1);
    SetCanceledByUser(0);
}

void SettleDialog(HWND dialog)
{
    if (!dialog) return;
    // Two round trips: the second is handled only after the dialog loop went idle once,
    // which is when a modal dialog is shown and its controls painted.
    DWORD_PTR ignored;
    for (int i = 0; i < 2; ++i) SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kDialogWaitMs, &ignored);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    for (int i = 0; i < 2; ++i) SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kDialogWaitMs, &ignored);
}

std::string WindowText(HWND window)
{
    char text[1024];
    text[0] = 0;
    SendMessageA(window, WM_GETTEXT, sizeof text, (LPARAM)text);
    return text;
}

RECT ChildRect(HWND dialog, int id)
{
    RECT r = {-1, -1, -1, -1};
    HWND child = GetDlgItem(dialog, id);
    if (!child) return r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
    return r;
}

RECT MakeRect(int x, int y, int w, int h)
{
    RECT r = {x, y, x + w, y + h};
    return r;
}

std::string DescribeRect(const RECT& r)
{
    char text[96];
    std::snprintf(text, sizeof text, "(%ld,%ld %ldx%ld)", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return text;
}

void ProgressDialogTest::SetUp()
{
    CloseAnyDialog();
    ASSERT_EQ(GetProgressDialog(), nullptr);
}

void ProgressDialogTest::TearDown()
{
    CloseAnyDialog();
    EXPECT_EQ(GetProgressDialog(), nullptr) << "a dialog outlived the test";
}
