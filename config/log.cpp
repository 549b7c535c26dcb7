#include "config/log.h"

#include <cstdio>
#include <vector>

// Formats into one buffer and writes the whole line with one call, so that lines of
// several threads never interleave.
static void WriteLine(const char* text)
{
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int LogPrint(int level, int verbose, const char* format, ...)
{
    if (level != -1 && level >= verbose) return 0;
    va_list args;
    va_start(args, format);
    char small[1024];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) { va_end(args); return 0; }
    if ((size_t)n < sizeof small) {
        WriteLine(small);
    } else {
        std::vector<char> big((size_t)n + 1);
        std::vsnprintf(big.data(), big.size(), format, args);
        WriteLine(big.data());
    }
    va_end(args);
    return 1;
}

void LogLine(const char* text)
{
    WriteLine(text ? text : "");
}
