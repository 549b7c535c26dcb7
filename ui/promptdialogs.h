// The real dialogs behind the prompts seam (ui/prompts.h). The program's own questions are
// built in memory without dialog resources; the others wrap the system's common dialogs.
// Callers go through GPrompts (PromptSetPassword, PromptButtonBox, ...); only the seam
// itself and the tests that drive a real dialog call these directly.
#pragma once
#include <windows.h>
#include <cstddef>

#include "ui/prompts.h"

// Control ids of the prompt dialogs.
enum {
    IDC_PROMPT_LABEL = 13001,       // first label
    IDC_PROMPT_EDIT = 13002,        // first edit (the password, the filter, the line, the old path)
    IDC_PROMPT_LABEL2 = 13003,      // second label
    IDC_PROMPT_EDIT2 = 13004,       // second edit (repeated password, new path)
    IDC_PROMPT_BAND = 14501,        // owner-drawn header band of the password dialogs
    IDC_PROMPT_BAND_LINE = 14502,   // etched line under the band
    IDC_BUTTONBOX_FIRST = 1000,     // button i of the button box has id 1000 + i
    IDC_BUTTONBOX_MESSAGE = 1001,   // owner-drawn message of the button box
};

// The program's own icons of the button box kinds 1 to 4, used when the system's cannot be had.
enum {
    IDI_BUTTONBOX_ERROR = 1001,
    IDI_BUTTONBOX_WARNING = 1002,
    IDI_BUTTONBOX_QUESTION = 1003,
    IDI_BUTTONBOX_INFORMATION = 1004,
};

// Limits of the button box.
enum {
    BUTTONBOX_MAX_BUTTONS = 16,
    BUTTONBOX_CAPTION_CHARS = 15,  // button captions are cut to this length
};

// Set-password dialog: two password edits that must agree. PROMPT_OK after the global
// password was set (a "Password not changed!!" notice when it was already that value),
// PROMPT_CANCEL, IDCANCEL (Escape), SC_CLOSE, or -1 when the dialog cannot be created.
int ShowSetPasswordDialog(void);
// Password prompt: one password edit, empty allowed. Results as ShowSetPasswordDialog.
int ShowPasswordPrompt(void);
// Button box owned by owner: returns the pressed button's index, -1 for Escape, close or a
// dialog that cannot be created. caption, text and captions may be null (empty); at most
// BUTTONBOX_MAX_BUTTONS buttons are shown. iconKind 1 to 4 picks the icon, other values none.
int ShowButtonBox(HWND owner, const char* caption, const char* text, int count, const char* const* captions,
                  int iconKind, int defaultIndex);
// File-filter dialog: PROMPT_OK after GFilterSet was replaced from the ";"-separated text;
// other end codes leave GFilterSet as it was.
int ShowFileFilterDialog(void);
// Line-number dialog owned by owner (null: the foreground window). exchange: the highest
// line number in (then emptied), the typed text out on PROMPT_OK.
int ShowLineNumberDialog(HWND owner, char* exchange, size_t exchangeSize);
// Rename-folder dialog. exchange: the current path in, the new path out on PROMPT_OK. New
// paths that are empty, begin with a separator, hold a drive colon or a ".." step are
// refused (the dialog stays open).
int ShowRenameFolderDialog(char* exchange, size_t exchangeSize);

// System dialogs with the contracts of the GPrompts slots.
int ShowOpenFileDialog(FileDialogRequest* request);
int ShowSaveFileDialog(FileDialogRequest* request);
int ShowFolderBrowser(HWND owner, const char* title, const char* startFolder, char* folder, size_t folderSize);
int ShowColourChooser(HWND owner, COLORREF* colour);
int ShowFontChooser(HWND owner, LOGFONTA* font, COLORREF* colour);
int ShowPrintDialog(HWND owner, HDC* dc);

// The company logo (24 x 24) drawn into the band of the password dialogs. Start-up hands it
// over when "DisplayCompanyLogo" is on; null (the default) shows none. The caller keeps
// ownership and keeps the bitmap alive while dialogs may show.
void SetPromptCompanyLogo(HBITMAP logo);

// Paints the header band into rect of dc: a white-to-light-grey horizontal gradient when
// useGradient is set and msimg32.dll offers GradientFill, else plain white; text in bold
// Tahoma at (left + 20, top + 10); logo (may be null) at (right - 30, top + 5).
// Returns 1 when the gradient was painted, 0 for plain white.
int PaintPromptBand(HDC dc, const RECT* rect, const char* text, int useGradient, HBITMAP logo);

// Loads the four button-box icons (kinds 1 to 4) from the icons 1, 3, 4 and 2 of
// systemLibrary; if any of them cannot be extracted, all four come from the program's own
// resources (IDI_BUTTONBOX_...) instead. Returns 1 for the system's icons, 0 for the
// program's. The caller owns the icons it receives from the system library (DestroyIcon).
int LoadButtonBoxIcons(const char* systemLibrary, HICON icons[4]);

// 1 when visual styles are active: "UXTHEME.DLL" is loaded and its IsThemeActive says so.
int IsVisualStyleActive(void);
