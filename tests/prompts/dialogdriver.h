// Driving a real modal dialog from a helper thread: the test thread shows the dialog, the
// helper finds it, looks at it and presses keys or buttons with messages.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct DriveOutcome {
    INT_PTR result;  // what the dialog function returned
    bool found;      // the helper saw the dialog
    bool leftOpen;   // the dialog did not end after the drive and had to be closed by force
};

// Calls show() on this thread while a helper thread waits for the first visible dialog of
// this thread, lets its first paint finish, and hands it to drive(). Afterwards the helper
// waits for the dialog to end; one that stays open is closed by force (leftOpen).
DriveOutcome DriveDialog(const std::function<INT_PTR()>& show, const std::function<void(HWND)>& drive);

// Polls (10 ms steps) until done() holds or timeoutMs passes; returns done().
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Geometry and texts of a dialog's children, read across threads.
RECT ClientRectOf(HWND dialog, HWND control);  // control rectangle in dialog client coordinates
std::string TextOf(HWND window);
std::string ClassOf(HWND window);
// The keyboard focus of the dialog's thread while the dialog is the active window. Other
// programs on the same display (tests running in parallel) may take the activation away,
// which hides the focus; the dialog gets it back (and restores its focus control) first.
HWND FocusOfActive(HWND dialog);
// Puts the dialog above every other window so that reading its pixels sees only it.
void BringToTop(HWND dialog);
// The child of class className with control id id (ids may be shared between classes).
HWND ChildOf(HWND dialog, int id, const char* className);

// Input, posted so that the dialog's own loop handles it as it handles the user's.
void PressKey(HWND target, UINT virtualKey);  // WM_KEYDOWN/WM_KEYUP to target
void ClickButton(HWND button);                // BM_CLICK
void CloseFromSystemMenu(HWND dialog);        // WM_SYSCOMMAND SC_CLOSE
// Waits until the dialog's thread has handled everything sent or posted before.
void SyncWith(HWND dialog);

// One expected child control of a dialog.
struct ExpectedControl {
    int id;
    const char* className;
    std::string text;
    int x, y, width, height;
    int type;           // static or button type (SS_/BS_ value under its type mask), or -1
    DWORD styleBits;    // further bits that must be set in GWL_STYLE
    DWORD exStyleBits;  // bits that must be set in GWL_EXSTYLE
    int stockFont;      // stock object the control's WM_GETFONT must return, or -1
};

// Compares every expected control with the dialog's child; returns one line per
// difference, naming the control and the field.
std::vector<std::string> CheckControls(HWND dialog, const std::vector<ExpectedControl>& expected);
// The lines joined for a test message.
std::string JoinLines(const std::vector<std::string>& lines);
