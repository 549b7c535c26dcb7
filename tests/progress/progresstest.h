// Helpers of the progress dialog tests: open a dialog the way the engines do, read its
// controls back, close it without leaving state behind for the next test.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

#include "ui/progress.h"

// Upper bound for anything the dialog thread must do; generous so that a broken dialog
// fails the test instead of hanging it.
const DWORD kDialogWaitMs = 15000;

// Sleeps in 10 ms steps until done() holds or kDialogWaitMs passes; returns done().
template <class Done>
bool WaitFor(Done done, DWORD limitMs = kDialogWaitMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs) return done();
        Sleep(10);
    }
    return true;
}

// The starting code's part: clears the cancel flag and starts the dialog thread (with
// Cancel: ProgressDialogThread with `heading`; else ProgressDialogNoCancelThread). Returns the
// thread handle, which the caller closes (CloseDialogThread).
HANDLE StartDialogThread(int withCancel, char* heading);
// Starts a dialog as above and waits until it is recorded and visible; null on failure.
HWND OpenDialog(int withCancel, char* heading = nullptr, HANDLE* thread = nullptr);
// Waits for a dialog thread to end (its dialog closed) and closes its handle.
bool CloseDialogThread(HANDLE thread);
// Closes whatever dialog is open and resets the shared state (cancel flag 0, no bounds).
void CloseAnyDialog(void);
// Makes the dialog thread process everything sent to it so far and paint what is due.
void SettleDialog(HWND dialog);

// The text of a window, read with WM_GETTEXT.
std::string WindowText(HWND window);
// Rectangle of a child in its parent's client coordinates.
RECT ChildRect(HWND dialog, int id);
RECT MakeRect(int x, int y, int w, int h);
std::string DescribeRect(const RECT& r);

// Fixture: every test starts and ends with no dialog and clean state.
class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
