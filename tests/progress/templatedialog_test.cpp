// ShowTemplateDialog: the in-memory template every built dialog runs on.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

#include "progresstest.h"
#include "support/testsupport.h"
#include "ui/templatedialog.h"

namespace {

const UINT kMsgRecordAndEnd = WM_APP + 17;

// What the probe procedure saw of its dialog.
struct Probe {
    LPARAM param;
    LONG style;
    char caption[64];
    HWND owner;
    HWND watched;          // a window whose enabled state is read while the dialog runs
    int watchedEnabled;
    INT_PTR endCode;
};

Probe* GProbe = nullptr;

// Records the dialog at WM_INITDIALOG and, once the modal loop runs (owner disabled by then),
// the watched window's state; then ends with the probe's end code.
INT_PTR CALLBACK ProbeProc(HWND dialog, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        GProbe->param = lParam;
        GProbe->style = GetWindowLongA(dialog, GWL_STYLE);
        GetWindowTextA(dialog, GProbe->caption, sizeof GProbe->caption);
        GProbe->owner = GetWindow(dialog, GW_OWNER);
        PostMessageA(dialog, kMsgRecordAndEnd, 0, 0);
        return TRUE;
    }
    if (msg == kMsgRecordAndEnd) {
        if (GProbe->watched) GProbe->watchedEnabled = IsWindowEnabled(GProbe->watched) ? 1 : 0;
        EndDialog(dialog, GProbe->endCode);
        return TRUE;
    }
    return FALSE;
}

struct ProbeScope {
    Probe probe = {};
    ProbeScope() { GProbe = &probe; }
    ~ProbeScope() { GProbe = nullptr; }
};

HWND CreatePlainWindow(const char* title)
{
    HWND window = CreateWindowExA(0, "Static", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) {
        SetForegroundWindow(window);
        PumpMessagesUntil([window] { return GetForegroundWindow() == window; }, kDialogWaitMs);
    }
    return window;
}

struct ProcessWindowSearch {
    DWORD process;
    HWND found;
};

HWND FindVisibleWindowOf(DWORD process)
{
    ProcessWindowSearch search = {process, nullptr};
    EnumWindows(
        [](HWND window, LPARAM p) -> BOOL {
            ProcessWindowSearch* s = reinterpret_cast<ProcessWindowSearch*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->process && IsWindowVisible(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

TEST(TemplateDialog, FlagsChooseFrameAndSystemMenu)
{
    struct StyleCase {
        const char* label;
        int resizable, sysMenu;
    };
    const StyleCase cases[] = {
        {"plain", 0, 0},
        {"system menu", 0, 1},
        {"resizable", 1, 0},
        {"resizable with system menu", 1, 1},
    };
    INT_PTR code = 300;
    for (const StyleCase& c : cases) {
        ProbeScope scope;
        scope.probe.endCode = ++code;
        INT_PTR result = ShowTemplateDialog(ProbeProc, c.resizable, c.sysMenu, 0x5eed);
        EXPECT_EQ(result, code) << c.label << ": the dialog's end code comes back";
        const Probe& p = scope.probe;
        EXPECT_EQ(p.param, 0x5eed) << c.label;
        EXPECT_STREQ(p.caption, "Configuration") << c.label;
        EXPECT_EQ(p.style & (WS_POPUP | WS_CAPTION), WS_POPUP | WS_CAPTION) << c.label;
        EXPECT_TRUE(p.style & DS_MODALFRAME) << c.label;
        const LONG resizeBits = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        EXPECT_EQ(p.style & resizeBits, c.resizable ? resizeBits : 0) << c.label;
        EXPECT_EQ((p.style & WS_SYSMENU) != 0, c.sysMenu != 0) << c.label;
    }
    ProbeScope scope;
    scope.probe.endCode = 77;
    EXPECT_EQ(ShowTemplateDialogShort(ProbeProc), 77);
    EXPECT_TRUE(scope.probe.style & WS_SYSMENU) << "the short form has the system menu";
    EXPECT_FALSE(scope.probe.style & WS_THICKFRAME) << "the short form has no resize frame";
}

TEST(TemplateDialog, OwnForegroundWindowOwnsTheDialogAndIsEnabledAgainAfterwards)
{
    HWND window = CreatePlainWindow("owner");
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(GetForegroundWindow(), window);
    ProbeScope scope;
    scope.probe.watched = window;
    scope.probe.endCode = 5;
    EXPECT_EQ(ShowTemplateDialog(ProbeProc, 0, 1), 5);
    EXPECT_EQ(scope.probe.owner, window);
    EXPECT_EQ(scope.probe.watchedEnabled, 0) << "the owner is disabled while the dialog runs";
    EXPECT_TRUE(IsWindowEnabled(window)) << "and enabled again afterwards";

    HWND other = CreatePlainWindow("given owner");
    ASSERT_NE(other, nullptr);
    ProbeScope given;
    given.probe.endCode = 6;
    EXPECT_EQ(ShowTemplateDialogOwned(window, ProbeProc, 0, 1), 6);
    EXPECT_EQ(given.probe.owner, window) << "an explicit owner wins over the foreground window";
    DestroyWindow(other);
    DestroyWindow(window);
}

TEST(TemplateDialog, ForeignForegroundWindowIsNeverDisabled)
{
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    char command[] = "notepad.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForInputIdle(pi.hProcess, kDialogWaitMs);
    HWND foreign = nullptr;
    WaitFor([&] { return (foreign = FindVisibleWindowOf(pi.dwProcessId)) != nullptr; });
    ASSERT_NE(foreign, nullptr) << "notepad showed no window";
    SetForegroundWindow(foreign);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == foreign; })) << "notepad did not come to the front";

    ProbeScope scope;
    scope.probe.watched = foreign;
    scope.probe.endCode = 9;
    EXPECT_EQ(ShowTemplateDialog(ProbeProc, 0, 1), 9);
    EXPECT_EQ(scope.probe.owner, nullptr) << "another program's window does not own our dialog";
    EXPECT_EQ(scope.probe.watchedEnabled, 1) << "and stays enabled while the dialog runs";
    EXPECT_TRUE(IsWindowEnabled(foreign));

    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, kDialogWaitMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
