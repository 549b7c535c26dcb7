// The recently opened archives: the four slots of the File menu (kept by the main window) and
// the extended list of rm.dll, with the recent-files dialog (command 4028).
#pragma once
#include <windows.h>

// rm.dll's module, loaded on first use; null while the recent-list setting is off or the
// library is missing.
HMODULE GetRecentLib(void);

// An archive was opened (window thread): nothing with DoNotSaveRecent set; else the path goes to
// rm.dll's AddToRecent (when loaded) and to the four slots of the File menu, which are saved.
void AddToRecentList(const char* path);

// 1 when command 4028 is offered: the recent-list setting is on and rm.dll is loaded. Logs
// "IsSaveRecentAdvanced %d GetRecentLib %d\n".
int IsRecentDialogAvailable(void);

// Fills list with rm.dll's PrintRecentListLarge5 (the five column texts of the language
// library). Returns its row count; 0 without the library or without entries.
int FillRecentFilesList(HWND list);

// The recent-files dialog (command 4028), modal, through the prompts seam under the name
// "recent": a list of the recent archives titled with generic text 74 and an OK button; the
// list is disabled when there is nothing to show. Returns the dialog's end code, 0 when the
// dialog is not offered.
INT_PTR ShowRecentFilesDialog(HWND owner);
