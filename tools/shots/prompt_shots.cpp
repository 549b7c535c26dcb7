// The set-password dialog with both entries typed, and the overwrite question of an
// extraction. Each runs modally on a thread of its own, as a worker would ask it.
#include <cstdio>

#include "shots.h"
#include "ui/promptdialogs.h"

namespace {

struct DialogSearch {
    HWND found;
};

BOOL CALLBACK FindThreadDialog(HWND window, LPARAM data)
{
    char name[16];
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<DialogSearch*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

// Starts routine on a new thread and waits (at most 10 s) for the dialog it opens.
HWND StartDialogThread(LPTHREAD_START_ROUTINE routine)
{
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, routine, nullptr, 0, &threadId);
    if (!thread) return nullptr;
    CloseHandle(thread);
    DialogSearch search = {nullptr};
    for (int round = 0; round < 1000 && !search.found; ++round) {
        Sleep(10);
        EnumThreadWindows(threadId, FindThreadDialog, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

DWORD WINAPI SetPasswordThread(LPVOID)
{
    ShowSetPasswordDialog();
    return 0;
}

DWORD WINAPI OverwriteQuestionThread(LPVOID)
{
    AskOverwriteQuestion(nullptr, "C:\\Users\\Public\\Documents\\Reports\\quarterly-report-2011.xlsx");
    return 0;
}

}  // namespace

HWND OpenSetPasswordShot(void)
{
    HWND dialog = StartDialogThread(SetPasswordThread);
    if (!dialog) return nullptr;
    SetDlgItemTextA(dialog, IDC_PROMPT_EDIT, "kelvora");
    SetDlgItemTextA(dialog, IDC_PROMPT_EDIT2, "kelvora");
    SettleShotWindow(dialog);
    return dialog;
}

HWND OpenOverwriteQuestionShot(void)
{
    HWND dialog = StartDialogThread(OverwriteQuestionThread);
    if (!dialog) return nullptr;
    SettleShotWindow(dialog);
    return dialog;
}
