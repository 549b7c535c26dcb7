// The self-extractor stub: a program of its own that the main program writes out as the head
// of every self-extracting archive. It copies the archive out of its own RT_RCDATA resources
// (header 111, pieces 112 onwards), decrypts it when the header says so, asks for a folder and
// extracts every entry. Links zlib and minizip only.
#pragma once
#include <windows.h>

// Resource and control ids.
enum {
    IDD_SFX_PASSWORD = 112,
    IDC_SFX_PASSWORD_EDIT = 121,
    IDC_SFX_PASSWORD_LABEL = 122,
    IDC_SFX_PASSWORD_OK = 123,
    IDC_SFX_PASSWORD_CANCEL = 124,
    IDC_SFX_OVERWRITE_NO = 125,
    IDC_SFX_OVERWRITE_ALL = 126,
    IDC_SFX_OVERWRITE_YES = 127,
    IDC_SFX_PROGRESS_BAR = 12345,
    IDC_SFX_PROGRESS_STATUS = 12346,
    SFX_HEADER_ID = 111,
    SFX_FIRST_PIECE_ID = 112,
};

// Built-in texts, by index.
enum {
    SFX_TEXT_FOLDER_TITLE = 0,
    SFX_TEXT_SUCCESS = 1,
    SFX_TEXT_YES = 2,
    SFX_TEXT_NO = 3,
    SFX_TEXT_ALL = 4,
    SFX_TEXT_OVERWRITE = 5,
    SFX_TEXT_REFUSED = 6,        // "%lld" entries whose names leave the folder
    SFX_TEXT_WRONG_PASSWORD = 7, // the typed password does not open the archive
    SFX_TEXT_COUNT
};

// Chooses German when the system default language's low byte is 7, English otherwise.
void ChooseStubLanguage(void);
// The chosen text of an index.
const char* StubText(int index);

// Process-wide state of one run.
extern char GStubPassword[4096];
extern char GStubFolder[4096];

// Password dialog (resource 112), modal, no owner: IDC_SFX_PASSWORD_OK after the typed text was
// stored in GStubPassword; IDC_SFX_PASSWORD_CANCEL or SC_CLOSE otherwise.
INT_PTR AskStubPassword(void);
// Overwrite question: IDC_SFX_OVERWRITE_NO, _YES, _ALL, or SC_CLOSE.
INT_PTR AskStubOverwrite(void);
// Folder browser starting at GStubFolder; 1 with the choice in GStubFolder, 0 cancelled.
int ChooseStubFolder(void);

// The modeless progress dialog: created with the range 0..maximum, fed between entries.
void CreateStubProgress(int maximum);
// Stores the status text (cut to 259 characters), shows it and steps the bar.
void StepStubProgress(const char* status);
// Closes the dialog if it still exists.
void CloseStubProgress(void);
// Removes and dispatches at most one pending message of the thread.
void PumpOneStubMessage(void);

// Message box without owner.
int StubMessage(const char* text, const char* caption, UINT type);
