// The shared progress dialog: one dialog at a time, run modally on a thread of its own and
// fed by a worker thread. Workers set bounds and texts, step the bar and poll
// IsCanceledByUser between items; nothing interrupts them.
//
// Calling order of a long operation: the starting code calls SetCanceledByUser(0) and starts
// ProgressDialogThread (may be cancelled) or ProgressDialogNoCancelThread (must not be
// interrupted) and then the worker; the worker calls SetProgressMinimum(0),
// SetProgressMaximum(n), steps once per item after testing IsCanceledByUser, and ends with
// DestroyProgressDialog. Every function here may be called from any thread.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Child control ids of the progress dialog.
enum {
    IDC_PROGRESS_BAR = 30000,       // msctls_progress32
    IDC_PROGRESS_FILE = 30001,      // file line; its painter also draws the heading
    IDC_PROGRESS_CANCEL = 30002,    // Cancel button (dialog with Cancel only)
    IDC_PROGRESS_HEADING = 30003,   // holds the heading text; never painted itself
    IDC_PROGRESS_DETAIL = 30004,    // detail line, shown when expanded
    IDC_PROGRESS_GLYPH = 30005,     // expand/collapse glyph
    IDC_PROGRESS_LINE_TOP = 40001,  // etched line under the texts
    IDC_PROGRESS_LINE_BOTTOM = 40002  // etched line above the button (dialog with Cancel only)
};

// Bitmap resources of the glyph: shown while collapsed and while expanded.
enum { IDB_PROGRESS_EXPAND = 164, IDB_PROGRESS_COLLAPSE = 165 };

// Outer size of the dialog, collapsed and expanded.
enum { PROGRESS_DIALOG_WIDTH = 500, PROGRESS_HEIGHT_COLLAPSED = 200, PROGRESS_HEIGHT_EXPANDED = 222 };

// The current dialog window, or null when none exists.
HWND GetProgressDialog(void);

// Steps the bar of `dialog` by its step (PBM_STEPIT); without a bar prints
// "ExecuteProgressStep: no hProgress".
void ExecuteProgressStep(HWND dialog);
// Sets the bar position (PBM_SETPOS); without a bar prints "ExecuteProgressPos: no hProgress".
void ExecuteProgressPos(HWND dialog, unsigned int position);
// Returns the bar position, or -1 (with "GetProgressPos: no hProgress") without a bar.
int GetProgressPos(HWND dialog);

// Gives the lower / upper bound of the current dialog, once per dialog: a second call is
// refused with a line on standard output. Waits up to one second for the dialog to become
// visible; once both bounds are known the bar takes the range with step 1.
void SetProgressMinimum(int minimum);
void SetProgressMaximum(int maximum);

// Text setters: send the text only when the control does not already hold exactly it.
// `text` is copied; null counts as empty.
void SetProgressFileText(const char* text);
void SetProgressDetailText(const char* text);
// Sets the heading; with no dialog it is kept (up to 259 characters) for the next one.
void SetProgressHeading(const char* text);
// SetProgressHeading, then, when `redraw` is non-zero, repaints the whole dialog.
void SetProgressHeadingAndRedraw(const char* text, int redraw);
// Enables (non-zero) or disables the Cancel button, when the dialog has one.
void EnableProgressCancel(int enable);
// Turns the bar into a marquee (100 ms interval) or back into a stepped bar. With no bar and
// `store` non-zero the request is kept for the next dialog.
void SetProgressMarquee(int store);
void ClearProgressMarquee(int store);

// The cancel flag: 1 after the user pressed Cancel or closed the dialog.
int IsCanceledByUser(void);
// Stores the cancel flag; a non-zero flag also closes the dialog as a user close does.
void SetCanceledByUser(int flag);
// Show flag: 0 keeps a dialog created now hidden (and hides a dialog being shown just then);
// 1 lets it show again (a dialog kept hidden since its creation is shown).
void SetShowProgressDialog(int flag);

// Waits (10 ms steps, at most 60 s) until the dialog is visible or the user cancelled, closes
// it and resets the state; the cancel flag is 0 afterwards.
void DestroyProgressDialog(void);
// Waits for the dialog to finish initialising (at most 1 s) and to become visible (at most
// 60 s, cancel flag not looked at), then closes it as DestroyProgressDialog does.
void DestroyProgressDialogWhenReady(void);

// Dialog thread routines (start with CreateThread and close the handle at once).
// `param`: a caller-owned 260-byte heading buffer or null; the buffer's text becomes the
// heading and the buffer is emptied. Runs the dialog with Cancel until it ends.
DWORD WINAPI ProgressDialogThread(LPVOID param);
// `param` must be null. Runs the dialog without Cancel; the heading is left as it is.
DWORD WINAPI ProgressDialogNoCancelThread(LPVOID param);
// Starts one of the two thread routines and closes its handle: `withCancel` selects
// ProgressDialogThread (with `heading`) or ProgressDialogNoCancelThread (heading ignored).
// Returns 1 when the thread started, 0 otherwise.
int StartProgressDialogThread(int withCancel, char* heading);

// The two dialog procedures, run through ShowTemplateDialog.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressDialogNoCancelProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
// Builds the dialog's controls at WM_INITDIALOG and records `dialog` as the current one.
void ExecuteProgressDialogProc(int withCancel, HWND dialog);

// Hands the glyph images over: `list` holds the collapsed and expanded glyph at the given
// indices (the application's shared small-icon list). The caller keeps ownership. With a null
// list the dialog goes back to its own list, loaded from bitmaps 164 and 165.
void SetProgressGlyphImageList(HIMAGELIST list, int collapsedIndex, int expandedIndex);

// Draws `text` into `rect` of `dc` as the file line shows it: "/" turned into "\" and the
// middle of a path too long for the rectangle replaced by an ellipsis. Copies the text as
// drawn into `shown` (bounded by `shownSize`, may be null). Returns the drawn height.
int DrawProgressPathText(HDC dc, const RECT* rect, const char* text, char* shown, size_t shownSize);

// Shows the running time, the time still to go and the rate of an operation on the detail
// line, from its start tick and its byte counts.
void SetProgressElapsedText(DWORD startTick, long long bytesDone, long long bytesTotal);
