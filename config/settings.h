// The settings store: one process-wide variable per registry setting, read once at start by
// LoadSettings and written back by SaveSettings and the Save... helpers. The values live under
// one key path (GetSettingsKeyPath) in HKEY_CURRENT_USER (what the user changes) and
// HKEY_LOCAL_MACHINE (administrator switches, never written by the program).
// Setters change memory only; the Save... functions write. Integer settings are safe to read
// from any thread; the string settings are set on the window thread before workers read them.
#pragma once
#include <windows.h>
#include <cstddef>

// Value of a DWORD setting that is not configured.
constexpr DWORD SETTING_UNSET = 0xFFFFFFFFu;

// Key path used for both hives, "SOFTWARE\\Kelvora" unless replaced. SetSettingsKeyPath copies
// the path (bounded to 259 characters); NULL restores the default. For tools and tests.
const char* GetSettingsKeyPath(void);
void SetSettingsKeyPath(const char* path);

// Links to other parts of the program that the store calls while loading and saving.
// Every member may be NULL; the store then does the plain thing described below.
struct SettingsHooks {
    // Turns the history on at load (bit 18 set). NULL: only SetHistoryActive(on).
    void (*activateHistory)(HWND window, int on);
    // Opens the debug console when "debug_console" is 1. NULL: nothing is opened, the flag
    // stays off. Defaults to OpenDebugConsole.
    void (*openDebugConsole)(int flag);
    // While the configuration dialog is open: fills the picture-size check box state (0/1) and
    // the up-down position and returns 1; returns 0 when the dialog is not open.
    int (*readPictureSizeControls)(int* checked, int* position);
};
extern SettingsHooks GSettingsHooks;

// Puts every setting back to its first-start default (registry untouched; hooks unchanged).
void ResetSettings(void);

// Reads all settings. Returns 1 when "configuration" was read; 0 on a first start, when
// every setting keeps its default and nothing else is read.
int LoadSettings(void);
// Writes "configuration" (creating the key when missing), the menu colours, "JadPath" when
// set, "language" when it was changed, and the picture size while the configuration dialog
// is open. Returns 1 when "configuration" was written, else 0.
int SaveSettings(void);
// Writes "ViewXY" and "ViewWH" when set. Returns 1 when nothing failed.
int SaveViewerGeometry(void);
// Writes the "RichEdit" string. Returns 1 on success.
int SaveRichEditSettings(void);
// Writes the recent slots joined by ";" as "file_list". Returns 1 on success.
int SaveRecentFileList(void);
// Writes an empty "file_list". Returns 1 on success.
int ClearLastFilesFromRegistry(void);

// The per-user data folder, "<application data>\\Kelvora", into buffer. Returns 1, or 0
// (empty buffer) when the system gives no application-data folder or it does not fit.
int GetUserAppDataDirectory(char* buffer, size_t size);
// 1 when the per-user data folder exists; 0 otherwise (logged with the system error).
int CheckExistenceUserAppDataDirectory(void);

// "RichEdit" string <-> font and colour. Parse fills font (face cut to 31 characters, missing
// fields 0) and colour from text and returns the number of fields found; Format writes the
// fifteen "|"-terminated fields into buffer (cut to size) and returns 1, or 0 when cut.
int ParseRichEditSettings(const char* text, LOGFONTA* font, COLORREF* color);
int FormatRichEditSettings(char* buffer, size_t size, const LOGFONTA* font, COLORREF color);

// GradientFill of "msimg32.dll", looked up by LoadSettings; NULL when unavailable.
typedef BOOL(WINAPI* GradientFillFunction)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
GradientFillFunction GetGradientFillFunction(void);

// ---- Bits of "configuration" (all 0/1 except the level and AddDirectories' choice) ----
int GetCompressionLevel(void);              // 0-9, default 6
void SetCompressionLevel(int level);        // out-of-range levels are ignored
int GetDefaultCompression(void);            // set when the level is 6 at load; not stored
void SetDefaultCompression(int on);
int GetCreateSelfExecutable(void);          // bit 4
void SetCreateSelfExecutable(int on);
int GetPasswordEncrypted(void);             // bit 5
void SetPasswordEncrypted(int on);
int GetFileFilter(void);                    // bit 6
void SetFileFilter(int on);
int GetPlainDirectory(void);                // bit 7
void SetPlainDirectory(int on);
int GetPreviewPictureFiles(void);           // bit 8
void SetPreviewPictureFiles(int on);
int GetRememberSortedColumn(void);          // bit 9
void SetRememberSortedColumn(int on);
int GetOpenPreferredInternally(void);       // bit 10
void SetOpenPreferredInternally(int on);
int GetAddDirectories(void);                // bit 11: choice 0 or 1
void SetAddDirectories(int choice);
int GetPreferredTar(void);                  // bit 12: new archives are TAR when 1
void SetPreferredTar(int on);
int GetEnableSaveButton(void);              // bit 13
void SetEnableSaveButton(int on);
int GetUseJadForClassFiles(void);           // bit 15
void SetUseJadForClassFiles(int on);
int GetUseModernMenuStyle(void);            // bit 16
void SetUseModernMenuStyle(int on);
int GetSaveRichEditSettings(void);          // bit 17: the text viewer keeps its font
void SetSaveRichEditSettings(int on);
int GetHistoryActive(void);                 // bit 18
void SetHistoryActive(int on);
int GetHistoryEncrypted(void);              // bit 19
void SetHistoryEncrypted(int on);
int IsSaveRecentAdvanced(void);             // bit 20
void SetSaveRecentAdvanced(int on);
int GetHideDialogFilesDirs(void);           // bit 21
void SetHideDialogFilesDirs(int on);
int GetShowPicturesCentered(void);          // bit 22
void SetShowPicturesCentered(int on);
int GetShowPicturesWithScrollBars(void);    // bit 23
void SetShowPicturesWithScrollBars(int on);
int GetDoNotSaveRecent(void);               // bit 24
void SetDoNotSaveRecent(int on);
int GetCheckSearchAndDisplayUpdates(void);  // bit 25: set means no update check
void SetCheckSearchAndDisplayUpdates(int on);
// The "configuration" word of the current variables, and the reverse: sets the level (a level
// above 9 leaves it unchanged), DefaultCompression (level is 6) and every bit variable.
DWORD ComposeConfigurationWord(void);
void ApplyConfigurationWord(DWORD word);

// The interface language was changed since start, so SaveSettings writes "language".
int IsLanguageChanged(void);
void SetLanguageChanged(int changed);

// ---- Administrator values (HKLM) ----
int GetPictureLabelWidth(void);             // default 68
void SetPictureLabelWidth(int width);
int GetPictureLabelHeight(void);            // default 51
void SetPictureLabelHeight(int height);
int GetDeleteSimulation(void);              // 1 only when the value is exactly 1
void SetDeleteSimulation(int on);
int GetDragAsThread(void);
void SetDragAsThread(int on);
int GetDisplayCompanyLogo(void);
void SetDisplayCompanyLogo(int on);
// "debug_console", "verbose" and "PrintToLogFile" live in the logging module
// (IsDebugConsole, GApp.verbose, IsPrintToLogFile).

// ---- User DWORD values (SETTING_UNSET when not configured) ----
DWORD GetColorMenuHigh(void);
void SetColorMenuHigh(DWORD color);
DWORD GetColorMenuLow(void);
void SetColorMenuLow(DWORD color);
DWORD GetColorMenuSelection(void);
void SetColorMenuSelection(DWORD color);
DWORD GetViewXY(void);                      // left * 65536 + top
void SetViewXY(DWORD position);
DWORD GetViewWH(void);                      // width * 65536 + height
void SetViewWH(DWORD size);
DWORD GetMinPicSize(void);
void SetMinPicSize(DWORD size);
DWORD GetDragLayered(void);                 // opacity 0-255; above 255 means off
void SetDragLayered(DWORD opacity);
int GetSkipCRCCheck(void);                  // 1 when the stored value is greater than 0
void SetSkipCRCCheck(DWORD value);
DWORD GetFontPrintSize(void);
void SetFontPrintSize(DWORD size);

// ---- User strings (returned pointers stay owned by the store; setters copy, bounded) ----
const char* GetFontConfiguration(void);     // "Tahoma" when not configured
void SetFontConfiguration(const char* face);
const char* GetTestMethod(void);
void SetTestMethod(const char* text);
const char* GetJadPath(void);
void SetJadPath(const char* path);
const char* GetFontPrint(void);
void SetFontPrint(const char* face);
const char* GetRichEditSettingsText(void);  // the "RichEdit" string, up to 255 characters
void SetRichEditSettingsText(const char* text);
// The "RichEdit" string as font and colour; returns 0 when it is empty.
int GetRichEditFontSetting(LOGFONTA* font, COLORREF* color);
void SetRichEditFontSetting(const LOGFONTA* font, COLORREF color);

// Recent archives: four slots of 260 bytes, slot 0 the most recent, filled without gaps.
enum { RECENT_SLOT_COUNT = 4 };
const char* GetRecentFile(int slot);        // "" for an empty or invalid slot
void SetRecentFile(int slot, const char* path);
