// Leveled diagnostics: lines go to standard output and, when enabled, to the log file.
#pragma once
#include <cstdarg>

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
