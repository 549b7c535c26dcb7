// The screenshot driver's table: every shot is a name and a function that opens its dialog
// without blocking and returns the top-level window to photograph (null on failure).
// `close` ends it again; null closes it with WM_SYSCOMMAND/SC_CLOSE.
#pragma once
#include <windows.h>

struct Shot {
    const char* name;        // also the PNG's name: docs/screenshots/<name>.png
    HWND (*open)(void);
    void (*close)(HWND window);
};

// Sends two round trips to the window's thread and lets it paint: what is due is on screen.
void SettleShotWindow(HWND window);

// Shots of the progress dialog (progress_shots.cpp).
HWND OpenProgressCollapsedShot(void);
HWND OpenProgressExpandedShot(void);
void CloseProgressShot(HWND window);

// Shots of the prompt dialogs (prompt_shots.cpp); closed with SC_CLOSE.
HWND OpenSetPasswordShot(void);
HWND OpenOverwriteQuestionShot(void);

// Shots of the main window and the help window (app_shots.cpp).
HWND OpenFlatViewShot(void);
HWND OpenFolderViewShot(void);
HWND OpenExtractionProgressShot(void);
// The flat view with the Find dialog over it and the row a name search found selected.
HWND OpenSearchHitShot(void);
void CloseMainWindowShot(HWND frame);
HWND OpenHelpWindowShot(void);
void CloseHelpWindowShot(HWND dialog);
