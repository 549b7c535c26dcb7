// The prompts seam: every modal question, message box and file, folder, colour, font or
// printer dialog of the program goes through the one record GPrompts. It holds the real
// dialogs by default (ResetPromptsToDialogs); tests install scripted answers instead
// (ui/promptscript.h), so that no test ever waits on a dialog it does not drive itself.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

struct List;

// End codes of the program's own prompt dialogs. Escape ends them with IDCANCEL (2) and the
// system menu's close with SC_CLOSE; callers test only for PROMPT_OK.
enum {
    PROMPT_OK = 12004,
    PROMPT_CANCEL = 12005,
};

// Answers of the overwrite question, numbered by button position; -1 = Escape or close.
enum {
    OVERWRITE_THIS = 0,
    OVERWRITE_ALL = 1,
    OVERWRITE_SKIP = 2,
    OVERWRITE_SKIP_ALL = 3,  // skip this and every later file that exists
    OVERWRITE_STOP = 4,
};

// What the overwrite question shows of the two files: the one on disk and the archive's.
struct OverwriteFacts {
    int64_t existingSize;     // -1: unknown
    FILETIME existingTime;    // last write time (UTC); zero: unknown
    int64_t newSize;          // -1: unknown
    uint32_t newDosDate;      // the member's DOS date and time (local time); 0: unknown
};

// Fills facts for the file at existingPath and a member of the given size and DOS date.
void GatherOverwriteFacts(const char* existingPath, int64_t newSize, uint32_t newDosDate, OverwriteFacts* facts);

// The global password shared by ZIP, RAR and the self-extractor builder: up to 259
// characters, empty at start, empty meaning "not set".
extern char password[260];

// Stores text (cut to 259 characters) as the global password. Returns 1 when the value
// changed, 0 when it already held exactly this text ("not changed").
int SetGlobalPassword(const char* text);
// 1 when a non-empty global password is set.
int IsGlobalPasswordSet(void);
// Empties the global password.
void ClearGlobalPassword(void);

// The global filter set: a string list (ListCreateStrings) of the file-name suffixes that
// archive creation accepts, or null for "no filter". Owned here; released by
// FreeGlobalFilterSet or replaced by SetGlobalFilterFromText.
extern List* GFilterSet;

// Replaces the global filter set (releasing the old one) by the non-empty parts of text
// between ";" separators. Returns 1 then; 0, with the set left as it was, when text (may be
// null) has no such part.
int SetGlobalFilterFromText(const char* text);
// Releases the global filter set and leaves it null.
void FreeGlobalFilterSet(void);

// One open or save file dialog. The caller owns every text and the result buffer.
struct FileDialogRequest {
    HWND owner;              // owner window, may be null
    const char* title;       // dialog title, or null for the system's
    const char* filter;      // pairs "description\0pattern\0...\0\0", or null
    const char* defaultExt;  // extension appended to names typed without one, or null
    const char* initialDir;  // folder shown first, or null
    DWORD flags;             // OFN_* flags; OFN_EXPLORER is always added
    char* file;              // in: initial name (may be empty); out: the chosen name. With
                             // OFN_ALLOWMULTISELECT: folder, then each file, each NUL-ended,
                             // and a final NUL (a single choice gives the full path only)
    DWORD fileSize;          // size of file in bytes (at least 2)
};

struct Prompts {
    // Message box; returns the pressed button (IDOK, IDYES, IDNO, IDCANCEL, ...).
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
    // Open-file dialog; 1 when a file was chosen (request->file filled), 0 when cancelled.
    int (*openFile)(FileDialogRequest* request);
    // Save-file dialog; 1 when a name was chosen, 0 when cancelled.
    int (*saveFile)(FileDialogRequest* request);
    // Folder browser starting at startFolder (may be null or empty); 1 with the chosen
    // file-system folder in folder (at most folderSize - 1 characters), 0 when cancelled.
    int (*browseFolder)(HWND owner, const char* title, const char* startFolder, char* folder,
                        size_t folderSize);
    // Set-password dialog (asks twice); end code, PROMPT_OK after the global password was set.
    int (*setPassword)(void);
    // Password prompt (asks once); end code, PROMPT_OK after the global password was set.
    int (*passwordPrompt)(void);
    // Button box: count buttons with the given captions, icon kind 1 to 4 (warning, error,
    // information, question) and default button; returns the pressed index, -1 for
    // Escape, close or failure.
    int (*buttonBox)(HWND owner, const char* caption, const char* text, int count,
                     const char* const* captions, int iconKind, int defaultIndex);
    // File-filter dialog; end code, PROMPT_OK after GFilterSet was replaced.
    int (*fileFilter)(void);
    // Line-number dialog. exchange holds the highest line number on entry (it is then
    // emptied) and the typed text when the result is PROMPT_OK.
    int (*lineNumber)(HWND owner, char* exchange, size_t exchangeSize);
    // Rename-folder dialog. exchange holds the folder's current path on entry and the new
    // path when the result is PROMPT_OK.
    int (*renameFolder)(char* exchange, size_t exchangeSize);
    // Colour chooser starting at *colour; 1 with the chosen colour stored, 0 when cancelled.
    int (*chooseColor)(HWND owner, COLORREF* colour);
    // Font chooser starting at *font and *colour; 1 with both updated, 0 when cancelled.
    int (*chooseFont)(HWND owner, LOGFONTA* font, COLORREF* colour);
    // Print dialog; 1 with a printer device context in *dc (the caller deletes it with
    // DeleteDC), 0 when cancelled (*dc null).
    int (*printDialog)(HWND owner, HDC* dc);
    // Any other modal dialog of the program, known by name ("update", "batch", ...): the
    // real seam calls run(context) and returns its result; a script answers instead.
    INT_PTR (*modalDialog)(const char* name, INT_PTR (*run)(void* context), void* context);
};

extern Prompts GPrompts;

// Puts the real dialogs back into every slot of GPrompts.
void ResetPromptsToDialogs(void);

// Shorthands for the slots of GPrompts. A slot left null answers as cancelled (IDCANCEL,
// 0, -1 or PROMPT_CANCEL as the slot's results go).
int PromptMessageBox(HWND owner, const char* text, const char* caption, UINT type);
int PromptOpenFile(FileDialogRequest* request);
int PromptSaveFile(FileDialogRequest* request);
int PromptBrowseFolder(HWND owner, const char* title, const char* startFolder, char* folder,
                       size_t folderSize);
int PromptSetPassword(void);
int PromptPassword(void);
int PromptButtonBox(HWND owner, const char* caption, const char* text, int count,
                    const char* const* captions, int iconKind, int defaultIndex);
int PromptFileFilter(void);
int PromptLineNumber(HWND owner, char* exchange, size_t exchangeSize);
int PromptRenameFolder(char* exchange, size_t exchangeSize);
int PromptChooseColor(HWND owner, COLORREF* colour);
int PromptChooseFont(HWND owner, LOGFONTA* font, COLORREF* colour);
int PromptPrintDialog(HWND owner, HDC* dc);
INT_PTR PromptModalDialog(const char* name, INT_PTR (*run)(void* context), void* context);

// The overwrite question of the extraction for targetName: caption message text 16, text
// "%s %s %s ?" from message text 14, the name and message text 15, then (when facts is not
// null) a line each with the existing file's and the archive member's size and date; the
// buttons replace, replace all, skip, skip all, cancel; question icon, "skip" as default.
// Returns an OVERWRITE_ answer or -1 (treat as stop). The caller hides the progress dialog
// around it.
int AskOverwriteQuestion(HWND owner, const char* targetName, const OverwriteFacts* facts = nullptr);
