// Helpers shared by the tests: message pumping, temporary folders, fixture tools.
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
