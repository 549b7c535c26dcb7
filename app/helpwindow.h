// The command-line help window: a modal dialog built in memory with a read-only rich edit
// holding the language library's help text, a Close button (12004) and a font button (12007).
#pragma once
#include <windows.h>

// Loads the rich edit library: "Riched20.dll", else "Riched32.dll". Returns 2 or 1 for the
// version loaded (the library stays loaded), 0 when neither loads.
int LoadRichEditLibrary(void);

// Places the controls for a client area of width x height: the text at (5, 10) sized width-20
// by height-80, the two 60 x 22 buttons side by side left of and at the horizontal middle,
// 60 pixels above the bottom. Any out pointer may be null.
void LayoutHelpWindow(int clientWidth, int clientHeight, RECT* text, RECT* closeButton, RECT* fontButton);

// Runs the help window modally (title "Kelvora", 800 x 400 centred on the desktop, at least
// 600 x 300). richEditVersion (2 or 1) picks the control class "RichEdit20A" or "RICHEDIT".
// Returns the dialog's end code: 12004 for Close, 2 for Escape, or the close command's code;
// -1 when the dialog cannot be created.
INT_PTR ShowHelpWindow(HWND owner, int richEditVersion);

// Help mode of the program: initialises the common controls and the rich edit library and
// shows the help window. Failures are told through the prompts seam and give exit code 1;
// otherwise the result of the help window is the exit code.
int RunHelpMode(void);

// Initialises the common control classes the program uses (list view, tree view, bars, tab,
// extended combo). Returns 1, 0 on failure.
int InitProgramCommonControls(void);
