#include "config/log.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "app/langtext.h"
#include "model/appstate.h"

namespace {

std::atomic<int> gPrintToLogFile{0};
std::atomic<int> gDebugConsole{0};
std::atomic<FILE*> gLogFile{nullptr};
// Guards opening and closing only: two threads logging their first line at once must not
// both create (and truncate) the file.
std::mutex gLogFileLock;
char gLogFileName[MAX_PATH + 64];
char gLogFileBase[MAX_PATH];

// The formatted text without its own trailing line breaks: the line end is added per target.
void TrimLineBreaks(std::string* text)
{
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
}

// Each target gets the line in one write, so lines of several threads never interleave.
void WriteLine(std::string text)
{
    TrimLineBreaks(&text);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!gPrintToLogFile.load()) return;
    FILE* file = OpenLogFile(nullptr);
    if (!file) return;
    text.back() = '\r';
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
}

std::string FormatText(const char* format, va_list args)
{
    char small[1024];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&big[0], big.size(), format, args);
    big.resize(static_cast<size_t>(n));
    return big;
}

// Formats "MM:SS" style pairs; hours may exceed a day, so no strftime (it rejects those).
void FormatClock(char* buffer, size_t size, long long hours, long long ms, int withHours, int padHours)
{
    int minutes = static_cast<int>((ms / 60000) % 60);
    int seconds = static_cast<int>((ms / 1000) % 60);
    if (!withHours) std::snprintf(buffer, size, "%02d:%02d", minutes, seconds);
    else if (padHours) std::snprintf(buffer, size, "%02lld:%02d:%02d", hours, minutes, seconds);
    else std::snprintf(buffer, size, "%lld:%02d:%02d", hours, minutes, seconds);
}

}  // namespace

int LogPrint(int level, int verbose, const char* format, ...)
{
    if (level != -1 && level >= verbose) return 0;
    va_list args;
    va_start(args, format);
    std::string text = FormatText(format ? format : "", args);
    va_end(args);
    WriteLine(std::move(text));
    return 1;
}

void LogLine(const char* text)
{
    WriteLine(text ? text : "");
}

int BuildLogFileName(char* buffer, size_t size, const char* programPath, const struct tm* startTime)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (!programPath || !startTime) return 0;
    // Drop the extension of the last path component only ("C:\a.b\prog" has none).
    const char* name = programPath;
    for (const char* p = programPath; *p; p++)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char* dot = std::strrchr(name, '.');
    size_t baseLength = dot ? static_cast<size_t>(dot - programPath) : std::strlen(programPath);
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", startTime) == 0) return 0;
    int n = std::snprintf(buffer, size, "%.*s_log_%s.txt", static_cast<int>(baseLength), programPath, stamp);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

void SetLogFileBase(const char* path)
{
    std::lock_guard<std::mutex> lock(gLogFileLock);
    std::snprintf(gLogFileBase, sizeof gLogFileBase, "%s", path ? path : "");
}

FILE* OpenLogFile(FILE* stream)
{
    if (stream) return stream;
    FILE* file = gLogFile.load();
    if (file) return file;
    std::lock_guard<std::mutex> lock(gLogFileLock);
    file = gLogFile.load();
    if (file) return file;
    char program[MAX_PATH];
    if (gLogFileBase[0]) {
        std::snprintf(program, sizeof program, "%s", gLogFileBase);
    } else {
        DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
        if (n == 0 || n >= sizeof program) return nullptr;
    }
    time_t now = std::time(nullptr);
    struct tm local;
    if (localtime_s(&local, &now) != 0) return nullptr;
    char name[sizeof gLogFileName];
    if (!BuildLogFileName(name, sizeof name, program, &local)) return nullptr;
    file = std::fopen(name, "wb");
    if (!file) return nullptr;
    std::snprintf(gLogFileName, sizeof gLogFileName, "%s", name);
    gLogFile.store(file);
    return file;
}

void CloseLogFile(void)
{
    std::lock_guard<std::mutex> lock(gLogFileLock);
    FILE* file = gLogFile.exchange(nullptr);
    if (file) std::fclose(file);
    gLogFileName[0] = '\0';
}

int GetLogFileName(char* buffer, size_t size)
{
    if (!buffer || size == 0) return 0;
    std::lock_guard<std::mutex> lock(gLogFileLock);
    std::snprintf(buffer, size, "%s", gLogFile.load() ? gLogFileName : "");
    return buffer[0] != '\0';
}

void SetVerboseLevel(int level)
{
    LogPrint(-1, GApp.verbose, "Setting verbose to level: %d\n", level);
    GApp.verbose = level;
}

void SetPrintToLogFile(int flag) { gPrintToLogFile.store(flag ? 1 : 0); }
int IsPrintToLogFile(void) { return gPrintToLogFile.load(); }

void OpenDebugConsole(int flag)
{
    if (!flag) return;
    gDebugConsole.store(1);
    AllocConsole();
    if (std::freopen("CONOUT$", "w", stdout)) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        std::puts("writing to console output");
    }
}

int IsDebugConsole(void) { return gDebugConsole.load(); }

int FormatSystemError(char* buffer, size_t size, DWORD code)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    char* message = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
    if (n == 0 || !message) return 0;
    std::string text(message, n);
    LocalFree(message);
    TrimLineBreaks(&text);
    if (text.empty() || text.size() + 14 > size) return 0;
    std::snprintf(buffer, size, "%s (0x%x)", text.c_str(), static_cast<unsigned>(code));
    return 1;
}

void FormatElapsedAndRemaining(DWORD startTick, DWORD nowTick, int64_t bytesDone, int64_t bytesTotal,
                               char* buffer, size_t size)
{
    if (!buffer || size == 0) return;
    long long done = bytesDone > 0 ? bytesDone : 1;
    long long total = bytesTotal > 0 ? bytesTotal : 0;
    // Unsigned difference: right across the wrap of the tick counter.
    long long elapsed = static_cast<DWORD>(nowTick - startTick);
    long long elapsedHours = elapsed / 3600000;
    double rate = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsed > 0 ? elapsed : 1) / 1048576.0;
    // Wide product: total bytes times milliseconds passes 64 bits for large archives.
    __int128 estimated = static_cast<__int128>(total) * elapsed / done;
    __int128 left = estimated - elapsed;
    // More done than announced would give a negative time left.
    long long remaining = left < 0 ? 0 : (left > INT64_MAX ? INT64_MAX : static_cast<long long>(left));
    long long remainingHours = remaining / 3600000;
    char elapsedText[64];
    if (elapsedHours != 0) FormatClock(elapsedText, sizeof elapsedText, elapsedHours, elapsed, 1, 1);
    else FormatClock(elapsedText, sizeof elapsedText, 0, elapsed, 1, 0);
    char remainingText[32];
    FormatClock(remainingText, sizeof remainingText, 0, remaining, 0, 0);
    std::snprintf(buffer, size, "%s %s %lld:%s - (%2.3lf %s)", elapsedText, GetGenericText(86), remainingHours,
                  remainingText, rate, GetGenericText(87));
}

double GetMilliseconds(void)
{
    LARGE_INTEGER counter, frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) return 0.0;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart) * 1000.0;
}

int GetWindowsMajorVersion(void)
{
    static std::atomic<int> cached{-1};
    int major = cached.load();
    if (major != -1) return major;
    // RtlGetVersion tells the truth; GetVersion is capped by the manifest on newer systems.
    typedef LONG(WINAPI * RtlGetVersionFunction)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    RtlGetVersionFunction getVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
    OSVERSIONINFOW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (getVersion && getVersion(&info) == 0) major = static_cast<int>(info.dwMajorVersion);
    else major = static_cast<int>(LOBYTE(LOWORD(GetVersion())));
    cached.store(major);
    return major;
}
