// Helpers shared by the tests: message pumping, temporary folders, fixture tools, running
// programs.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Pumps the thread's messages until done() holds or timeoutMs passes; returns done().
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);
// Pumps messages for about ms milliseconds.
void PumpMessagesFor(DWORD ms);
// Creates a fresh empty folder under the temporary folder; returns its path without trailing backslash.
std::string MakeTempFolder(const char* tag);
// Removes a folder and everything below it.
void RemoveFolderTree(const std::string& path);
// Writes bytes to a file; returns true on success.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Reads a whole file; returns false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);
// A Unix path of the build tree as Wine shows it to the program (the Unix root is Z:), with '\'
// separators; other paths only get their separators turned.
std::string UnixToWindowsPath(std::string path);
// The folder holding the running test program (kelvora-cli.exe is built beside it).
std::string TestProgramFolder(void);
// Runs a program (its whole command line) without a window, capturing its standard output and
// standard error (either may be null). Returns its exit code, or -1 when it could not start, did
// not end within timeoutMs (it is then ended) or its output could not be read to the end.
int RunCapturingOutput(const std::string& commandLine, std::string* out, std::string* err,
                       DWORD timeoutMs = 120000);
