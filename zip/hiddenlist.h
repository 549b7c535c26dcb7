// A report list view with the program's eight columns inside a hidden top-level window, for
// listing archives where no main window shows them (the console companion, benchmarks, tests),
// and a way to run a worker beside it while its rows arrive.
#pragma once
#include <windows.h>

#include <string>

struct liststruct;

// Creates the parent window and the list view on the calling thread: the program's column
// headers, the parent releasing each row's record as the row goes (as the main window does),
// the list prepared for row batches. Returns the list (its parent is GetParent(list)), or
// nullptr when a window cannot be created. Release with DestroyHiddenList.
HWND CreateHiddenList(void);
// Deletes every row (releasing the records) and destroys the list and its parent. Accepts
// nullptr.
void DestroyHiddenList(HWND list);

// The record of a row of a list the listings filled (CreateHiddenList's or the program's own),
// or nullptr for a row without one or beyond the end.
const liststruct* ListRowRecord(HWND list, int row);
// The row's member name as the archive stores it: path and name run together, '/' separators;
// "" for a row without record.
std::string ListRowMemberName(HWND list, int row);

// Runs fn(param) on a new thread and dispatches this thread's messages meanwhile (rows and
// other work handed to this thread's windows arrive that way) until the thread ends or timeoutMs
// passes (INFINITE: no limit). Returns 1 with the thread's exit code in *exitCode (may be null)
// when it ended; 0 when it could not start or did not end in time (it then runs on alone).
int RunThreadPumpingMessages(LPTHREAD_START_ROUTINE fn, void* param, DWORD timeoutMs, DWORD* exitCode);
