#include "model/format.h"

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/strutil.h"
#include "ui/prompts.h"

// Zip by name needs the dot: "nightjar" is no jar.
static const char* const kZipSuffixes[] = {".zip", ".jar", ".war"};
// "tar" and "tgz" match without a dot, so "guitar" opens as tar.
static const char* const kTarSuffixes[] = {"tar", ".gz", "tgz", "tar.gz", "tar.z", "tar.bz2"};
static const char* const kIsoSuffixes[] = {"iso", "nrg"};
static const char* const kRarSuffixes[] = {"rar"};

template <size_t N>
static int EndsWithAny(const char* name, const char* const (&suffixes)[N])
{
    for (const char* suffix : suffixes)
        if (EndsWithIgnoreCase(name, suffix)) return 1;
    return 0;
}

int DetectFormatByName(const char* fileName)
{
    // The suffix is tested on the whole name, not on a 259-character copy, so that an
    // over-long name is not judged by a cut tail.
    if (!fileName || !*fileName) return CM_NONE;
    if (EndsWithAny(fileName, kZipSuffixes)) return CM_ZIP;
    if (EndsWithAny(fileName, kTarSuffixes)) return CM_TAR;
    if (EndsWithAny(fileName, kIsoSuffixes)) return CM_ISO;
    if (EndsWithAny(fileName, kRarSuffixes)) return CM_RAR;
    return CM_NONE;
}

int DetectFormatByContent(const unsigned char* head, size_t count)
{
    if (!head || count <= 4) return CM_NONE;
    if (head[0] == 'P' && head[1] == 'K' && (head[2] == 3 || head[2] == 5) && (head[3] == 4 || head[3] == 6))
        return CM_ZIP;
    return CM_NONE;
}

int ReadFileHead(const char* fileName, unsigned char* head, size_t max)
{
    if (!fileName || !head) return -1;
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD toRead = max > 0x10000 ? 0x10000 : (DWORD)max;
    DWORD got = 0;
    BOOL ok = ReadFile(file, head, toRead, &got, nullptr);
    CloseHandle(file);
    return ok ? (int)got : -1;
}

int DetectArchiveFormat(const char* fileName)
{
    int method = DetectFormatByName(fileName);
    if (method != CM_NONE) return method;
    unsigned char head[512];
    int got = ReadFileHead(fileName, head, sizeof head);
    if (got < 0) {
        LogPrint(2, GApp.verbose, "DetectArchiveFormat: cannot read %s (error %lu)", fileName ? fileName : "(null)",
                 (unsigned long)GetLastError());
        return CM_NONE;
    }
    return DetectFormatByContent(head, (size_t)got);
}

int DetectArchiveFormatOrTell(const char* fileName, HWND owner)
{
    int method = DetectArchiveFormat(fileName);
    if (method == CM_NONE) {
        if (!owner) owner = GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
        PromptMessageBox(owner, GetMessageText(71), "Kelvora", MB_OK | MB_ICONINFORMATION);
    }
    return method;
}
