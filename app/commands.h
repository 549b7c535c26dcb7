// The command table of the main window: every WM_COMMAND identifier of the frame with its
// handler. Menu, toolbar and keyboard forms of a command share one handler. Commands that
// change the archive or the views do nothing while GApp.busy is set.
#pragma once
#include <windows.h>

// A handler gets the frame and the command id; returns 1 when it did something.
typedef int (*CommandHandler)(HWND frame, int id);

struct CommandEntry {
    int id;
    CommandHandler handler;
    int refusedWhileBusy;  // 1: ignored without a message while GApp.busy is set
};

// The entry of id (toolbar ids map to their menu command's entry); null for ids without one.
const CommandEntry* FindCommand(int id);
// The menu command a toolbar button carries (16001 -> 4001, ...); other ids unchanged.
int MenuCommandOfToolbarButton(int id);
// Runs the command id from the frame. Returns 1 when a handler ran and did something, 0 when
// the id has none, the command is refused while busy or the handler did nothing.
int DispatchCommand(HWND frame, int id);

// Handlers that other parts of the frame call directly.
// Opens the selected members of the active list (Enter, double click): ZIP members are written
// to the temporary folder and opened with their program. Returns 1 when something was opened.
int OpenSelectedMembers(HWND frame, int id);
// Scrolls the active list (19000 top, 19001 page up, 19002 page down, 19003 bottom) without
// changing the selection. Returns 1 when scrolled.
int ScrollActiveList(HWND frame, int id);
// Selects the parent of the folder shown in the folder view; 1 moved, 0 at the root or flat view.
int GoUpOneFolder(HWND frame, int id);
// Extraction of the active list's selected rows into a folder the user picks (the whole
// archive when nothing is selected). Returns 1 when an extraction started.
int ExtractSelectionOrArchive(HWND frame, int id);
// The tree's "Extract folder...": every member of the archive folder folderPath ('\' separated,
// no trailing separator) and of its sub-folders, whatever the lists select; the root (empty
// path) extracts the whole archive. Takes busy, asks for the target folder, starts the
// extraction thread. 1 started, 0 refused or cancelled.
int ExtractTreeFolder(HWND frame, const char* folderPath);

// The about box's text: program name, build date and time, description. Returns 1.
int FormatAboutText(char* out, size_t outSize);
// The help file beside the program for the language's country code: the program's folder
// and "help\\kelvora_de.chm" when the low byte of country is 7, else "help\\kelvora_en.chm".
// Returns 1.
int BuildHelpFilePath(int country, char* out, size_t outSize);
