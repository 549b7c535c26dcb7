// The worker side of the progress dialog: bounds, texts, stepping, cancellation, closing,
// and the dialog thread routines.
#include "ui/progress.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "config/log.h"
#include "ui/progressstate.h"
#include "ui/templatedialog.h"

ProgressState GProgress;

void PrintProgressLine(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::fputs(line, stdout);
    std::fflush(stdout);
}

void ResetProgressState(void)
{
    GProgress.dialog.store(nullptr);
    GProgress.minimum.store(-1);
    GProgress.maximum.store(-1);
}

HWND GetProgressDialog(void)
{
    return GProgress.dialog.load();
}

static HWND GetProgressBar(HWND dialog)
{
    return dialog ? GetDlgItem(dialog, IDC_PROGRESS_BAR) : nullptr;
}

static HWND GetProgressControl(int id)
{
    HWND dialog = GProgress.dialog.load();
    return dialog ? GetDlgItem(dialog, id) : nullptr;
}

void ExecuteProgressStep(HWND dialog)
{
    HWND bar = GetProgressBar(dialog);
    if (!bar) {
        PrintProgressLine("ExecuteProgressStep: no hProgress\n");
        return;
    }
    SendMessageA(bar, PBM_STEPIT, 0, 0);
}

void ExecuteProgressPos(HWND dialog, unsigned int position)
{
    HWND bar = GetProgressBar(dialog);
    if (!bar) {
        PrintProgressLine("ExecuteProgressPos: no hProgress\n");
        return;
    }
    SendMessageA(bar, PBM_SETPOS, (WPARAM)position, 0);
}

int GetProgressPos(HWND dialog)
{
    HWND bar = GetProgressBar(dialog);
    if (!bar) {
        PrintProgressLine("GetProgressPos: no hProgress\n");
        return -1;
    }
    return (int)SendMessageA(bar, PBM_GETPOS, 0, 0);
}

// Polls every 10 ms until the dialog is visible, `limitMs` has passed, or (with
// `watchCancel`) the user cancelled. Returns 1 when the dialog is visible.
static int WaitForVisibleProgressDialog(DWORD limitMs, int watchCancel)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (IsWindowVisible(GProgress.dialog.load())) return 1;
        if (watchCancel && GProgress.canceled.load()) return 0;
        if (GetTickCount() - start >= limitMs) return 0;
        Sleep(10);
    }
}

// Both bounds known: the bar takes the range with step 1. Always the 32-bit range, so that
// counts above 65535 are not cut whichever bound comes last.
static void ApplyProgressRange(void)
{
    int minimum = GProgress.minimum.load();
    int maximum = GProgress.maximum.load();
    if (minimum == -1 || maximum == -1) return;
    HWND bar = GetProgressBar(GProgress.dialog.load());
    if (!bar) return;
    SendMessageA(bar, PBM_SETRANGE32, (WPARAM)minimum, (LPARAM)maximum);
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
}

void SetProgressMinimum(int minimum)
{
    int held = GProgress.minimum.load();
    if (held != -1) {
        PrintProgressLine("SetProgressMinimum: resetting of minimum (%d) not allowed!\n", held);
        return;
    }
    WaitForVisibleProgressDialog(1000, 0);
    GProgress.minimum.store(minimum);
    ApplyProgressRange();
}

void SetProgressMaximum(int maximum)
{
    int held = GProgress.maximum.load();
    if (held != -1) {
        PrintProgressLine("SetProgressMaximum: resetting of maximum (%d) not allowed!\n", held);
        return;
    }
    if (!WaitForVisibleProgressDialog(1000, 0)) Sleep(10);
    GProgress.maximum.store(maximum);
    ApplyProgressRange();
}

// Sends `text` to the control only when it differs from what it holds, so that tight
// loops do not repaint.
static void SetProgressControlText(int id, const char* text)
{
    HWND control = GetProgressControl(id);
    if (!control) return;
    if (!text) text = "";
    char current[260];
    current[0] = 0;
    GetWindowTextA(control, current, (int)sizeof current);
    if (std::strcmp(current, text) != 0) SetWindowTextA(control, text);
}

void SetProgressFileText(const char* text)
{
    SetProgressControlText(IDC_PROGRESS_FILE, text);
}

void SetProgressDetailText(const char* text)
{
    SetProgressControlText(IDC_PROGRESS_DETAIL, text);
}

void SetProgressElapsedText(DWORD startTick, long long bytesDone, long long bytesTotal)
{
    char text[260];
    FormatElapsedAndRemaining(startTick, GetTickCount(), bytesDone, bytesTotal, text, sizeof text);
    SetProgressDetailText(text);
}

void SetProgressHeading(const char* text)
{
    if (GetProgressControl(IDC_PROGRESS_HEADING)) {
        SetProgressControlText(IDC_PROGRESS_HEADING, text);
        return;
    }
    std::lock_guard<std::mutex> hold(GProgress.pendingHeadingLock);
    std::snprintf(GProgress.pendingHeadingText, sizeof GProgress.pendingHeadingText, "%s", text ? text : "");
    GProgress.pendingHeading.store(1);
}

void SetProgressHeadingAndRedraw(const char* text, int redraw)
{
    SetProgressHeading(text);
    HWND dialog = GProgress.dialog.load();
    if (redraw && dialog) InvalidateRect(dialog, nullptr, TRUE);
}

void EnableProgressCancel(int enable)
{
    HWND button = GetProgressControl(IDC_PROGRESS_CANCEL);
    if (button) EnableWindow(button, enable ? TRUE : FALSE);
}

void SetProgressMarquee(int store)
{
    HWND bar = GetProgressControl(IDC_PROGRESS_BAR);
    if (bar) {
        SetWindowLongPtrA(bar, GWL_STYLE, WS_CHILD | WS_VISIBLE | PBS_MARQUEE);
        SendMessageA(bar, PBM_SETMARQUEE, TRUE, 100);
    } else if (store) {
        GProgress.pendingBarValue.store(1);
        GProgress.pendingBarMode.store(1);
    }
}

void ClearProgressMarquee(int store)
{
    HWND bar = GetProgressControl(IDC_PROGRESS_BAR);
    if (bar) {
        // Stop the marquee timer before the style goes back to a stepped bar.
        SendMessageA(bar, PBM_SETMARQUEE, FALSE, 0);
        SetWindowLongPtrA(bar, GWL_STYLE, WS_CHILD | WS_VISIBLE);
    } else if (store) {
        GProgress.pendingBarValue.store(0);
        GProgress.pendingBarMode.store(1);
    }
}

int IsCanceledByUser(void)
{
    return GProgress.canceled.load();
}

void SetCanceledByUser(int flag)
{
    GProgress.canceled.store(flag);
    HWND dialog = GProgress.dialog.load();
    if (flag && dialog) SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void SetShowProgressDialog(int flag)
{
    GProgress.show.store(flag);
    HWND dialog = GProgress.dialog.load();
    if (!dialog) return;
    if (!flag) {
        // Catch a dialog that is being shown just now.
        if (!IsWindowVisible(dialog)) {
            Sleep(10);
            ShowWindow(dialog, SW_HIDE);
        }
    } else if (!IsWindowVisible(dialog)) {
        // Shows refused while the flag was 0 (see the dialog procedure) are made good here.
        ShowWindow(dialog, SW_SHOW);
    }
}

// Closes the current dialog the way a user close does, then clears the flag and the state.
static void CloseProgressDialog(void)
{
    HWND dialog = GProgress.dialog.load();
    if (dialog) SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    GProgress.canceled.store(0);
    ResetProgressState();
}

void DestroyProgressDialog(void)
{
    WaitForVisibleProgressDialog(60000, 1);
    CloseProgressDialog();
}

void DestroyProgressDialogWhenReady(void)
{
    for (int round = 0; round < 100 && GProgress.initialising.load(); ++round) Sleep(10);
    WaitForVisibleProgressDialog(60000, 0);
    CloseProgressDialog();
}

DWORD WINAPI ProgressDialogThread(LPVOID param)
{
    char* heading = static_cast<char*>(param);
    if (heading) {
        SetProgressHeading(heading);
        heading[0] = 0;
    } else {
        SetProgressHeading("");
    }
    Sleep(50);
    ShowTemplateDialog(ProgressDialogProc, 0, 0);
    return 0;
}

DWORD WINAPI ProgressDialogNoCancelThread(LPVOID param)
{
    if (param) PrintProgressLine("ProgressDialogNoCancelThread called with valid Parameter - thats wrong!\n");
    Sleep(50);
    ShowTemplateDialog(ProgressDialogNoCancelProc, 0, 0);
    return 0;
}

int StartProgressDialogThread(int withCancel, char* heading)
{
    HANDLE thread = withCancel ? CreateThread(nullptr, 0, ProgressDialogThread, heading, 0, nullptr)
                               : CreateThread(nullptr, 0, ProgressDialogNoCancelThread, nullptr, 0, nullptr);
    if (!thread) return 0;
    CloseHandle(thread);
    return 1;
}
