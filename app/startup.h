// Start-up and shutdown of the program: the process-wide values set at start, the temporary
// files removed at exit, the view handlers other parts call, the command line's dispatch to
// the ways of running, the message loop and the shutdown order.
#pragma once
#include <windows.h>

#include "app/cmdline.h"

struct List;
struct ListingJob;

// ---- process-wide values ----

extern int simulationMode;          // 1 for "-asim" and "-csim": archive jobs only log
extern int silentJob;               // 1 for "-s", "-as", "-cs": background job, no dialog
extern UINT findReplaceMessage;     // "commdlg_FindReplace"
extern HCURSOR waitCursor;
extern HCURSOR arrowCursor;
extern int xpThemeLoaded;           // UXTHEME.DLL is loaded and its theme is active
extern HWND nextClipboardViewer;    // the window after ours in the clipboard viewer chain
extern ListingJob* secondJob;       // the second archive work record (GApp.currentJob is the first)
extern List* tempFiles;             // temporary files removed at exit
extern int processorCount;

// ---- temporary files ----

// Records path (copied) for removal at exit; creates the list when needed. 1, 0 on failure.
int RecordTempFile(const char* path);
// Removes every recorded file, printing "removing ... %s" and "remove successful %s" or
// "remove not successful %s" for each. Files that cannot be removed (still open in another
// program) stay recorded when keepFailures is set; otherwise the list is freed. Returns the
// number of files that could not be removed.
int RemoveTempFiles(int keepFailures);
// A new archive replaces the old one's temporary files: removes what can be removed and keeps
// the rest recorded for the exit. Returns the number kept.
int RenewTempFiles(void);
// Number of recorded temporary files.
int TempFileCount(void);

// ---- view handlers (other parts call them through this record) ----

struct ViewHandlers {
    // A member of a TAR, ISO or RAR archive, shown by the generic single view; null until
    // those viewers exist.
    void (*singleItemView)(HWND view);
    // A picture or media file given by path.
    void (*pictureView)(const char* path);
    // The selected ZIP members of view, written to the temporary folder and opened.
    void (*memberView)(HWND view, int withApplication);
};
extern ViewHandlers GViewHandlers;
// Fills GViewHandlers with this build's handlers.
void InstallViewHandlers(void);

// ---- the ways of running ----

// What the command line's forms start; DispatchCommandLine calls them. Every slot may be
// null (then that form does nothing but what the dispatcher does itself).
struct StartupActions {
    int (*showHelp)(void);                               // help mode; returns the exit code
    void (*quietExit)(void);                             // a double-dash form: wait 1 s
    int (*extractArchive)(const char* archive, int format);  // "-x": before any window
    int (*startWindow)(void);                            // window start-up sequence; 1 ok
    int (*openArchive)(const char* archive, int format);
    int (*viewFile)(const char* path);
    // The archive jobs: files of the command line into a new archive or, with append, into
    // one the user picks; silent runs in the background, simulation only logs.
    int (*archiveJob)(const char* const* files, int count, int silent, int append, int simulation);
};

// Runs the form of line with actions. Returns the process exit code when the program ends
// here (help, quiet exit, extraction, window failure), or -1 when the message loop is to run.
int DispatchCommandLine(const CommandLine* line, const StartupActions* actions);
// The program's own actions.
const StartupActions* GetProgramStartupActions(void);

// The window start-up sequence: settings and language, logo, the main window and its
// children, the active view, tempFiles, the password, the update check and the system image
// lists. showCommand as for ShowWindow. Returns 1, 0 when the window cannot be created.
int StartMainWindowSequence(int showCommand);

// The command line's archive job in simulation: asks for the target as the real job does,
// then logs every file it would add and writes nothing. Returns the number of files logged,
// -1 when the user cancelled.
int SimulateArchiveFromFiles(const char* const* files, int count, int append);

// The message loop until WM_QUIT: the modeless Find dialog first, then the frame's dialog
// navigation, then the keyboard shortcuts, then translation and dispatch. Returns WM_QUIT's
// code.
int RunMessageLoop(void);
// The frame's keyboard shortcuts (Ctrl+O, F5, Alt+Up, ...) for one message of the loop; 1 when
// the message became a command. Never inside an edit control (renaming in place).
int TranslateFrameKeys(MSG* msg);

// The shutdown order after the loop: clipboard chain, drop target, OLE, temporary files,
// tempToDelete. Returns 0.
int ShutdownProgram(void);

// The whole program: start-up order, the form of rawCommandLine (the text after the program
// name), the loop, shutdown. Returns the exit code.
int RunKelvora(HINSTANCE instance, const char* rawCommandLine, int showCommand);
