// The update check: fetches the version-information document over WinINet (loaded at run time),
// reads it with xml.dll and offers the download page when a newer version is published.
//
// The address is kVersionInfoAddress unless replaced, first by the environment variable
// KELVORA_UPDATE_URL, then by the string value "UpdateURL" of the settings key in
// HKEY_CURRENT_USER (for administrators and tests).
#pragma once
#include <windows.h>
#include <cstddef>

extern const char kOwnVersion[];          // "1.2"
extern const char kOwnProgramName[];      // "Kelvora.exe"
extern const char kVersionInfoAddress[];  // the maker's document

// Dialog ids of the update dialog.
enum {
    IDC_UPDATE_MESSAGE = 123456,
    IDC_UPDATE_DO_NOT_CHECK = 234567,
    IDC_UPDATE_DOWNLOAD = 55551,
    IDC_UPDATE_NOT_NOW = 55552,
    IDC_UPDATE_OK = 12004,
    IDC_UPDATE_CANCEL = 12005,
};

// What one check did, for the log and for tests.
enum UpdateOutcome {
    UPDATE_SKIPPED = 0,          // bit 25 set: no check at all
    UPDATE_DOWNLOAD_FAILED = 1,  // no document (or a cut or broken one)
    UPDATE_NO_XML_LIBRARY = 2,
    UPDATE_CURRENT = 3,          // nothing newer (or too old a release date)
    UPDATE_NEWER_DECLINED = 4,   // newer: the dialog ended without download
    UPDATE_NEWER_OPENED = 5,     // newer: the download address was opened
    UPDATE_BAD_ADDRESS = 6,      // newer, but the published address is not http: or https:
    UPDATE_BUSY = 7,             // another check was running
};

// The replaceable way the download page is opened (default: the shell's "open" verb, normal
// window). Returns 1 when opened.
extern int (*GUpdateOpenAddress)(const char* address);

// The address the check asks (see above), copied into buffer.
void GetVersionInfoAddress(char* buffer, size_t size);

// Starts UpdateCheckThread(manual) on a new thread and closes its handle. 0 when bit 25 is set
// or another check is still running (that one's results stand), 1 when started.
int StartUpdateCheck(int manual);
// 1 while a check runs.
int IsUpdateCheckRunning(void);

// Zeroes buffer and reads the document into it until it ends or the buffer (size - 1 bytes) is
// full. 0 when WinINet is missing, the address cannot be opened, the server does not answer
// 200, a read fails, fewer bytes come than announced or the document does not fit. Every
// Internet handle is closed.
int DownloadVersionInfo(char* buffer, size_t size);

// 1 when remote is a newer version than own ("1.3" > "1.2"; "1.2_beta" is not newer than
// "1.2"; "1.2" is newer than "1.2_beta").
int IsNewerVersion(const char* own, const char* remote);
// 1 when the date "MM.DD.YYYY" (any separators) is after the threshold
// (31 * (12 * year + month - 24000) + day > threshold); 0 for a text too short or not digits.
int IsReleaseDateAccepted(int threshold, const char* date);

// The check itself as the thread runs it (manual 1: on demand, 0: at start). Runs only when no
// other check runs. Returns an UpdateOutcome.
int RunUpdateCheck(int manual);
DWORD WINAPI UpdateCheckThread(LPVOID manual);

// The update dialog with the current message text; the layout follows whether the download
// succeeded. A ticked box sets bit 25 and saves the settings when the dialog closes by
// download, not now, OK or Enter. Returns the closing button's id (IDC_UPDATE_CANCEL for Escape
// and the close box); only IDC_UPDATE_DOWNLOAD means download.
int ShowUpdateDialog(void);

// The results of the last check.
int GetUpdateDownloadSucceeded(void);
const char* GetUpdateRemoteVersion(void);
const char* GetUpdateDownloadAddress(void);
const char* GetUpdateMessageText(void);
