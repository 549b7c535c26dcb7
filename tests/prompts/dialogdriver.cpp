#include "dialogdriver.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

struct ThreadDialogSearch {
    HWND found;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM data)
{
    char name[32];
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" && IsWindowVisible(window)) {
        reinterpret_cast<ThreadDialogSearch*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindThreadDialog(DWORD threadId)
{
    ThreadDialogSearch search = {nullptr};
    EnumThreadWindows(threadId, FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return done();
        Sleep(10);
    }
    return true;
}

DriveOutcome DriveDialog(const std::function<INT_PTR()>& show, const std::function<void(HWND)>& drive)
{
    DriveOutcome outcome = {0, false, false};
    DWORD threadId = GetCurrentThreadId();
    std::atomic<int> showEnded(0);
    std::thread helper([&] {
        HWND dialog = nullptr;
        WaitFor([&] { return (dialog = FindThreadDialog(threadId)) != nullptr || showEnded.load(); }, 20000);
        if (!dialog) return;
        outcome.found = true;
        // Let the first paint (which may lay the dialog out again) run before looking.
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SyncWith(dialog);
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SyncWith(dialog);
        drive(dialog);
        if (!WaitFor([&] { return showEnded.load() != 0; }, 20000)) {
            outcome.leftOpen = true;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            if (!WaitFor([&] { return showEnded.load() != 0; }, 5000)) CloseFromSystemMenu(dialog);
        }
    });
    outcome.result = show();
    showEnded = 1;
    helper.join();
    return outcome;
}

RECT ClientRectOf(HWND dialog, HWND control)
{
    RECT r = {0, 0, 0, 0};
    if (!control) return r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string TextOf(HWND window)
{
    char text[1024] = "";
    if (window) GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    if (window) GetClassNameA(window, name, sizeof name);
    return name;
}

HWND FocusOfActive(HWND dialog)
{
    HWND focus = nullptr;
    for (int attempt = 0; attempt < 200; ++attempt) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) focus = info.hwndFocus;
        if (info.hwndActive == dialog && focus) return focus;
        SetForegroundWindow(dialog);
        SyncWith(dialog);
    }
    return focus;
}

void BringToTop(HWND dialog)
{
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SyncWith(dialog);
}

HWND ChildOf(HWND dialog, int id, const char* className)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id && lstrcmpiA(ClassOf(child).c_str(), className) == 0) return child;
    }
    return nullptr;
}

void PressKey(HWND target, UINT virtualKey)
{
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000001);
}

void ClickButton(HWND button)
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

void CloseFromSystemMenu(HWND dialog)
{
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void SyncWith(HWND dialog)
{
    // A posted marker, then a send: the send returns only after the dialog's thread came back
    // to its loop, and the loop fetches posted messages in order.
    DWORD_PTR ignored;
    for (int round = 0; round < 3; ++round) {
        SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
        Sleep(20);
    }
}

std::vector<std::string> CheckControls(HWND dialog, const std::vector<ExpectedControl>& expected)
{
    std::vector<std::string> problems;
    char line[512];
    for (const ExpectedControl& want : expected) {
        HWND control = ChildOf(dialog, want.id, want.className);
        if (!control) {
            snprintf(line, sizeof line, "control %d (%s): missing", want.id, want.className);
            problems.push_back(line);
            continue;
        }
        RECT r = ClientRectOf(dialog, control);
        if (r.left != want.x || r.top != want.y || r.right - r.left != want.width || r.bottom - r.top != want.height) {
            snprintf(line, sizeof line, "control %d: at %ld,%ld size %ldx%ld, expected %d,%d size %dx%d", want.id,
                     r.left, r.top, r.right - r.left, r.bottom - r.top, want.x, want.y, want.width, want.height);
            problems.push_back(line);
        }
        if (TextOf(control) != want.text) {
            snprintf(line, sizeof line, "control %d: text \"%s\", expected \"%s\"", want.id, TextOf(control).c_str(),
                     want.text.c_str());
            problems.push_back(line);
        }
        DWORD style = (DWORD)GetWindowLongA(control, GWL_STYLE);
        DWORD exStyle = (DWORD)GetWindowLongA(control, GWL_EXSTYLE);
        if (want.type >= 0) {
            DWORD mask = lstrcmpiA(want.className, "Static") == 0 ? SS_TYPEMASK : BS_TYPEMASK;
            if ((style & mask) != (DWORD)want.type) {
                snprintf(line, sizeof line, "control %d: type %lu, expected %d", want.id, style & mask, want.type);
                problems.push_back(line);
            }
        }
        if ((style & want.styleBits) != want.styleBits) {
            snprintf(line, sizeof line, "control %d: style %08lx lacks %08lx", want.id, style, want.styleBits);
            problems.push_back(line);
        }
        if ((exStyle & want.exStyleBits) != want.exStyleBits) {
            snprintf(line, sizeof line, "control %d: extended style %08lx lacks %08lx", want.id, exStyle,
                     want.exStyleBits);
            problems.push_back(line);
        }
        if (want.stockFont >= 0) {
            HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
            if (font != GetStockObject(want.stockFont)) {
                snprintf(line, sizeof line, "control %d: font is not stock object %d", want.id, want.stockFont);
                problems.push_back(line);
            }
        }
    }
    return problems;
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string joined;
    for (const std::string& line : lines) joined += line + "\n";
    return joined;
}
