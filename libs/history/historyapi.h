// The calls of history.dll. The history is a list of items (time, destination folder, archive,
// file names) kept in "history.dat" in the user's data folder (libs/common/storefile.h). The file
// grows by appending one record per change, so a crash in the middle of a write loses at most that
// record; rewriting it (encrypting, decrypting) goes through a new file that replaces the old one.
// Encrypted, each record is AES-256-CBC with a key derived from the password by PBKDF2-SHA256 and
// checked by HMAC-SHA256 (the platform's CNG). The key is kept only in memory: in a new process
// an encrypted history is locked until UnlockHistory (or the dialog) is given the password; items
// recorded while it is locked are kept in memory and written once it is unlocked.
#pragma once
#include <windows.h>

enum {
    HISTORY_STATUS_GOOD = 0,
    HISTORY_STATUS_DAMAGED = 1,  // the file cannot be read; it is kept as it is and never written
    HISTORY_STATUS_NO_FOLDER = 2,
};

// GetHistoryStatus (): HISTORY_STATUS_GOOD, or why the history cannot be kept.
typedef int (*HistGetStatusFn)(void);
// SetMainWindow (window): owner of the library's message boxes.
typedef void (*HistSetMainWindowFn)(HWND window);
// SetLanguage (country): 7 German, any other English texts in the dialog.
typedef void (*HistSetLanguageFn)(int country);
// GetDialogProc (): the history dialog's procedure, for a dialog made by the caller from a
// template without controls (the procedure creates its own).
typedef DLGPROC (*HistGetDialogProcFn)(void);
// CreateNewHistoryItem (folder, archive, kind): a new item (kind 1 = extraction), not yet in
// the history; null when the arguments are missing. The library owns it.
typedef void* (*HistCreateNewHistoryItemFn)(const char* folder, const char* archive, int kind);
// AddHistoryItem (item): appends the item to the history and stores it.
typedef void (*HistAddHistoryItemFn)(void* item);
// GetLastAddedItem (): the item added last, or null.
typedef void* (*HistGetLastAddedItemFn)(void);
// AddDataToHistoryItem (item, file name): records one file of the item.
typedef void (*HistAddDataToHistoryItemFn)(void* item, const char* name);
// EncryptHistory (password, length, 1): encrypts the history with password (also re-encrypts an
// unlocked one); EncryptHistory (null, 0, 0): stores it plain again (it must be unlocked). Non-zero
// on success; on failure the file stays as it was.
typedef int (*HistEncryptHistoryFn)(const char* password, int length, int encrypt);
// DeleteAllHistoryFiles (): forgets every item and deletes the history's files.
typedef void (*HistDeleteAllHistoryFilesFn)(void);
// UnlockHistory (password, length): 1 when it opened the locked history (or it was not locked),
// 0 for a wrong password; the file is never changed by a failed attempt.
typedef int (*HistUnlockHistoryFn)(const char* password, int length);
// GetHistoryItemCount (): items known now (stored and held in memory); -1 while locked with
// nothing held.
typedef int (*HistGetHistoryItemCountFn)(void);
// GetHistoryItemText (index, buffer, size): "folder|archive|file1;file2;..." of item index
// (oldest first) cut to size; 1 when the item exists.
typedef int (*HistGetHistoryItemTextFn)(int index, char* buffer, int size);
