// Leveled diagnostics, the debug console and small timing and error-text helpers.
// Lines go to standard output and, when enabled, to a log file beside the program that is
// named after the time of its first line. Safe to call from any thread: every line is
// formatted into one buffer and written whole.
#pragma once
#include <windows.h>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

// Prints the formatted line when level < verbose, or when level is -1 (always).
// Callers pass the process-wide verbosity (GApp.verbose) as the second argument.
// Returns 1 when the line was printed, 0 when the level rule suppressed it.
int LogPrint(int level, int verbose, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(gnu_printf, 3, 4)))
#endif
    ;
// Unconditional: the text and a line feed to standard output (and the log file when on).
void LogLine(const char* text);

// Returns stream when it is not NULL, else the log file, opening it on first use ("wb",
// name from BuildLogFileName with the current local time). NULL when it cannot be opened.
// The stream stays owned by the logging module.
FILE* OpenLogFile(FILE* stream);
// Closes the log file if it is open; the next logged line opens a new one.
void CloseLogFile(void);
// Copies the name of the open log file into buffer; returns 1, or 0 (empty) when none is open.
int GetLogFileName(char* buffer, size_t size);
// Builds "<program path without extension>_log_<YYYYmmdd_HHMMSS>.txt" from startTime.
// Returns 1, or 0 (empty buffer) when the name does not fit.
int BuildLogFileName(char* buffer, size_t size, const char* programPath, const struct tm* startTime);
// Replaces the program path in the log file name (NULL or "" restores the program path);
// for tools and tests that keep their logs elsewhere. Takes effect at the next open.
void SetLogFileBase(const char* path);

// Logs "Setting verbose to level: %d" and makes level the process-wide verbosity (GApp.verbose).
void SetVerboseLevel(int level);
// The log-to-file switch: non-zero copies every printed line into the log file.
void SetPrintToLogFile(int flag);
int IsPrintToLogFile(void);
// For a non-zero flag: records it, gives the process a console and binds standard output
// to it, unbuffered. A zero flag does nothing.
void OpenDebugConsole(int flag);
// 1 when the debug console was opened.
int IsDebugConsole(void);

// The system's text for an error code as "%s (0x%x)" with the trailing line break removed.
// Returns 1; or 0 with an empty buffer when the system has no text or when text length + 14
// exceeds size.
int FormatSystemError(char* buffer, size_t size, DWORD code);
// "<elapsed> <text 86> <remaining> - (<MB/s> <text 87>)" for a running operation, from the
// tick counts (ms) of its start and now and its byte counts; cut to size. A non-positive
// byte count done counts as 1, so nothing divides by zero.
void FormatElapsedAndRemaining(DWORD startTick, DWORD nowTick, int64_t bytesDone, int64_t bytesTotal,
                               char* buffer, size_t size);
// The high-resolution performance counter in milliseconds.
double GetMilliseconds(void);
// The operating system's major version, asked once and cached.
int GetWindowsMajorVersion(void);
