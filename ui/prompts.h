// The prompts seam: every modal question, message box and file or folder dialog of the
// program goes through the one record GPrompts. It holds the real dialogs by default;
// tests install scripted answers instead.
#pragma once
#include <windows.h>

struct Prompts {
    // A message box; returns the pressed button (IDOK, IDYES, IDNO, IDCANCEL, ...).
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
};

extern Prompts GPrompts;

// Puts the real dialogs back into GPrompts.
void ResetPromptsToDialogs(void);

// Shorthand for GPrompts.messageBox.
int PromptMessageBox(HWND owner, const char* text, const char* caption, UINT type);
