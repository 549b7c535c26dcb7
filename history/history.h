// The binding of history.dll: loading, status, switching the history and its encryption on and
// off, the history dialog (command 4025) and the recording of ZIP extractions. Every call looks
// its export up at the time of the call; without the library the wrappers do nothing and return
// 0 (the status -1).
#pragma once
#include <windows.h>

// Id of the password field "EditHistoryPasswordName" in the window given to SetHistoryEncryption.
enum { IDC_HISTORY_PASSWORD = 20219 };

// Loads "history.dll" (marks the attempt; "LoadLibrary failure %d\n" when missing), asks its
// status and stores it. 1 when loaded.
int LoadHistoryLibrary(void);
// The library's module, loading it on the first call; null when it is missing.
HMODULE GetHistoryLib(void);
// Unloads the library and resets the marker, so that the next GetHistoryLib loads it again.
void UnloadHistoryLibrary(void);
// -1 before the first attempt, 0 after a failed one, 1 after success.
int GetHistoryLoadMarker(void);

int IsHistoryActivated(void);          // configuration bit 18
int IsHistoryStatusOK(void);           // the stored status is 0
void SetHistoryStatus(int status);     // logs "SetHistoryStatus %d\n"
int GetHistoryStatusValue(void);       // the stored status, -1 until the library reports

// Switches the history on or off. On a change: off unloads the library and asks configuration
// text 64 (Yes deletes every history file); on loads it and gives it the main window. The
// history menu item follows the state.
void ActivateHistory(HWND window, int on);

// Only while the history is active. Off while encrypted: decrypts (text 62, or 63 on failure)
// and clears the encrypted flag. On while not encrypted: the password comes from the field
// IDC_HISTORY_PASSWORD of window; empty: text 59 and result 0; else the flag is set and the
// history encrypted (text 60, or 61 on failure). Returns 1 otherwise.
int SetHistoryEncryption(HWND window, int on);

// Command 4025: with the history active, its status good and the debug console open, runs the
// library's dialog modally (through the prompts seam under the name "history"), in the
// program's language. "Cannot open history dialog" when the library has no dialog. Returns the
// dialog's end code, 0 when it is not shown.
int ShowHistoryDialog(HWND owner);

// 1 when ZIP extractions are recorded: the history is active and its status good.
int IsHistoryRecording(void);
// A new history item for an extraction of archive into folder (CreateNewHistoryItem and
// AddHistoryItem).
void StartHistoryItem(const char* folder, const char* archive);
// One extracted file of the last item; 0 when there is no item.
int AddFileToHistoryItem(const char* name);

// Fills the engine's and the settings' history slots with the functions above.
void InstallHistoryHooks(void);
