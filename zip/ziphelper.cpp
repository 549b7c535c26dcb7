// The ZIP access layer over minizip (see ziphelper.h).
#include "zip/ziphelper.h"
#include "zip/repair.h"
#include "zip/zipnames.h"

#include <commdlg.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "ui/prompts.h"

namespace {

const char kSource[] = "ziphelper";
enum { kLogError = 1, kLogInfo = 5, kLogTrace = 8 };

const char* const kUnzResultTexts[] = {
    "unzip is ok",
    "unzip end of list of file",
    "unzip unknown error",
    "unzip EOF",
    "unzip parameter error",
    "unzip bad zip file",
    "unzip internal error",
    "unzip crc error",
    "unzip base error",
    "unzip file stream error",
    "unzip central dir error",
    "unzip seek error",
    "unzip signature error",
    "unzip number disk error",
    "unzip number disk cd error",
    "unzip total number cd disk error",
    "unzip total number cd error",
    "unzip size cd error",
    "unzip offset cd error",
    "unzip comment length error",
    "unzip copyright error",
};

std::atomic<int> gProtected{0};
std::atomic<DWORD> gLastSystemError{0};

// minizip parses the central directory a byte at a time; straight Win32 reads would cost one
// system call per byte. The reader goes through this read-only file layer with a 64 KiB window
// instead; seeks inside the window cost nothing.
enum { kReadWindow = 65536 };

struct BufferedReadFile {
    HANDLE handle;
    uint64_t pos;        // logical position
    uint64_t lead;       // zero bytes the reader sees in front of the file (empty archives)
    uint64_t osPos;      // where the system's file pointer stands
    uint64_t bufStart;   // file offset of buf[0]
    uint32_t bufLen;     // valid bytes in buf
    int error;
    unsigned char buf[kReadWindow];
};

// An archive without members is nothing but its end record, found at offset 0; minizip takes
// a record at offset 0 for "no record found" and refuses the archive. Such an archive is shown
// to the reader behind this many zero bytes, so that its record lies after them (the reader
// counts them as bytes in front of the archive, as it does for a self-extractor's program).
enum { kEmptyArchiveLead = 1 };

uint16_t Le16(const unsigned char* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) { return (uint32_t)Le16(p) | ((uint32_t)Le16(p + 2) << 16); }

// 1 when the open file is a complete empty archive: an end record at offset 0 that lists no
// entries, an empty central directory at offset 0, one disk, and a comment that ends exactly
// at the end of the file. A record claiming entries, or a cut or padded file, is no such archive.
int IsBareEndRecord(HANDLE h)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart < 22 || size.QuadPart > 22 + 0xFFFF) return 0;
    unsigned char e[22];
    DWORD got = 0;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    BOOL read = SetFilePointerEx(h, start, nullptr, FILE_BEGIN) && ReadFile(h, e, sizeof e, &got, nullptr);
    // The layer's reads expect the system's file pointer at 0.
    if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN) || !read || got != sizeof e) return 0;
    return Le32(e) == 0x06054b50 && Le16(e + 4) == 0 && Le16(e + 6) == 0 && Le16(e + 8) == 0 &&
           Le16(e + 10) == 0 && Le32(e + 12) == 0 && Le32(e + 16) == 0 &&
           (LONGLONG)Le16(e + 20) == size.QuadPart - 22;
}

thread_local int tFileOpened = 0;
thread_local DWORD tFileOpenError = 0;

int ReadAt(BufferedReadFile* f, uint64_t offset, void* dest, DWORD size, DWORD* got)
{
    *got = 0;
    if (f->osPos != offset) {
        LARGE_INTEGER to;
        to.QuadPart = (LONGLONG)offset;
        if (!SetFilePointerEx(f->handle, to, nullptr, FILE_BEGIN)) return 0;
        f->osPos = offset;
    }
    if (!ReadFile(f->handle, dest, size, got, nullptr)) return 0;
    f->osPos += *got;
    return 1;
}

voidpf ZCALLBACK BufferedOpen(voidpf, const void* filename, int mode)
{
    tFileOpened = 0;
    tFileOpenError = 0;
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) {
        tFileOpenError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    SetLastError(0);
    HANDLE h = CreateFileA((const char*)filename, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        tFileOpenError = GetLastError();
        return nullptr;
    }
    BufferedReadFile* f = (BufferedReadFile*)malloc(sizeof(BufferedReadFile));
    if (!f) {
        CloseHandle(h);
        tFileOpenError = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    f->handle = h;
    f->pos = f->osPos = f->bufStart = 0;
    f->lead = IsBareEndRecord(h) ? kEmptyArchiveLead : 0;
    f->bufLen = 0;
    f->error = 0;
    tFileOpened = 1;
    return f;
}

uLong ZCALLBACK BufferedRead(voidpf, voidpf stream, void* buf, uLong size)
{
    BufferedReadFile* f = (BufferedReadFile*)stream;
    unsigned char* out = (unsigned char*)buf;
    uLong copied = 0;
    while (copied < size && f->pos < f->lead) {
        out[copied++] = 0;
        ++f->pos;
    }
    while (copied < size) {
        uint64_t at = f->pos - f->lead;  // offset in the file
        if (at >= f->bufStart && at < f->bufStart + f->bufLen) {
            uint64_t avail = f->bufStart + f->bufLen - at;
            uLong n = (uLong)((uint64_t)(size - copied) < avail ? (uint64_t)(size - copied) : avail);
            memcpy(out + copied, f->buf + (at - f->bufStart), n);
            f->pos += n;
            copied += n;
            continue;
        }
        DWORD got = 0;
        uLong rest = size - copied;
        if (rest >= kReadWindow) {
            if (!ReadAt(f, at, out + copied, rest, &got)) { f->error = 1; break; }
            f->pos += got;
            copied += got;
            break;
        }
        if (!ReadAt(f, at, f->buf, kReadWindow, &got)) { f->error = 1; break; }
        f->bufStart = at;
        f->bufLen = got;
        if (got == 0) break;
    }
    // minizip asks for exactly what the archive's structure promises: a short read means a cut
    // file, which must not pass as zero bytes.
    if (copied < size) f->error = 1;
    return copied;
}

uLong ZCALLBACK BufferedWrite(voidpf, voidpf stream, const void*, uLong)
{
    ((BufferedReadFile*)stream)->error = 1;
    return 0;
}

ZPOS64_T ZCALLBACK BufferedTell(voidpf, voidpf stream)
{
    return ((BufferedReadFile*)stream)->pos;
}

long ZCALLBACK BufferedSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    BufferedReadFile* f = (BufferedReadFile*)stream;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: f->pos = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: f->pos += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(f->handle, &size)) { f->error = 1; return -1; }
        f->pos = f->lead + (uint64_t)size.QuadPart + offset;
        return 0;
    }
    default: return -1;
    }
}

int ZCALLBACK BufferedClose(voidpf, voidpf stream)
{
    BufferedReadFile* f = (BufferedReadFile*)stream;
    int rc = CloseHandle(f->handle) ? 0 : -1;
    free(f);
    return rc;
}

int ZCALLBACK BufferedError(voidpf, voidpf stream)
{
    return ((BufferedReadFile*)stream)->error;
}

unzFile OpenOnce(const char* path)
{
    zlib_filefunc64_def ff = {BufferedOpen, BufferedRead, BufferedWrite, BufferedTell,
                              BufferedSeek, BufferedClose, BufferedError, nullptr};
    tFileOpened = 0;
    tFileOpenError = 0;
    unzFile uf = unzOpen2_64(path, &ff);
    if (!uf) UnzLastOpenError = tFileOpened ? UNZ_R_BADZIP : UNZ_R_FILESTREAM;
    return uf;
}

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

// Asks whether to go on after damaged data; 1 for OK.
int AskContinueAfterDamage(void)
{
    return PromptMessageBox(OwnerWindow(), "A problem has been detected with this file - continue?",
                            "Error in uncompressing", MB_OKCANCEL | MB_ICONSTOP) == IDOK;
}

}  // namespace

int UnzLastOpenError = 0;

int EndOfEntryIsComplete(uint64_t total, uint64_t expectedSize)
{
    // A stream that ends early would pass minizip's close without a CRC check: a short entry
    // is damaged, not complete.
    if (total == expectedSize) return 1;
    LogPrint(kLogError, GApp.verbose, "%s %d entry ended after %llu of %llu bytes\n", kSource, __LINE__,
             (unsigned long long)total, (unsigned long long)expectedSize);
    return 0;
}

const char* UnzResultText(int result)
{
    if (result >= 0 && result <= 20) return kUnzResultTexts[result];
    return kUnzResultTexts[UNZ_R_UNKNOWN];
}

int UnzResultFromLibrary(int code)
{
    if (code >= 0) return UNZ_R_OK;
    switch (code) {
    case UNZ_END_OF_LIST_OF_FILE: return UNZ_R_END_OF_LIST;
    case UNZ_ERRNO: return UNZ_R_UNKNOWN;
    case UNZ_PARAMERROR: return UNZ_R_PARAM;
    case UNZ_BADZIPFILE: return UNZ_R_BADZIP;
    case UNZ_INTERNALERROR: return UNZ_R_INTERNAL;
    case UNZ_CRCERROR: return UNZ_R_CRC;
    case Z_DATA_ERROR: return UNZ_R_BADZIP;
    case Z_BUF_ERROR: return UNZ_R_EOF;
    case Z_STREAM_ERROR:
    case Z_MEM_ERROR:
    case Z_VERSION_ERROR: return UNZ_R_INTERNAL;
    default: return UNZ_R_UNKNOWN;
    }
}

DWORD GetZipLastSystemError(void) { return gLastSystemError.load(); }
void ClearZipLastSystemError(void) { gLastSystemError.store(0); }

unzFile MyWaitunzOpen2_64(const char* path, int waitMs)
{
    UnzLastOpenError = 0;
    if (!path || !*path) {
        UnzLastOpenError = UNZ_R_FILESTREAM;
        return nullptr;
    }
    unzFile uf = OpenOnce(path);
    LogPrint(kLogTrace, GApp.verbose, "%s %d unzfile: %d\n", kSource, __LINE__, uf ? 1 : 0);
    if (waitMs == -1) waitMs = 3000;
    if (!uf && tFileOpenError == ERROR_SHARING_VIOLATION) {
        LogPrint(kLogInfo, GApp.verbose, "error ERROR_SHARING_VIOLATION occurred");
        gLastSystemError.store(ERROR_SHARING_VIOLATION);
    }
    if (uf) return uf;
    int waited = 0;
    while (waitMs > 0 && !uf && waited < waitMs) {
        Sleep(10);
        waited += 10;
        uf = OpenOnce(path);
    }
    if (waited > 0) LogPrint(kLogInfo, GApp.verbose, "MyWaitunzOpen2_64 slept millis %d\n", waited);
    if (uf) {
        // A wait that ended in success leaves no stale sharing error for a later failure to show.
        gLastSystemError.store(0);
        return uf;
    }
    LogPrint(kLogError, GApp.verbose, "unzip error: (%d) %s\n", UnzLastOpenError, UnzResultText(UnzLastOpenError));
    return nullptr;
}

int ZipGoToFirstEntry(unzFile uf)
{
    if (!uf) return UNZ_PARAMERROR;
    unz_global_info64 gi;
    if (unzGetGlobalInfo64(uf, &gi) == UNZ_OK && gi.number_entry == 0) return UNZ_END_OF_LIST_OF_FILE;
    return unzGoToFirstFile(uf);
}

int ZipGetCurrentEntryStored(unzFile uf, unz_file_info64* info, std::string* stored, std::string* extra)
{
    unz_file_info64 local;
    if (!info) info = &local;
    // One call for the usual entry; a second only for names or fields beyond the first room.
    char name[1024];
    char field[1024];
    int rc = unzGetCurrentFileInfo64(uf, info, name, sizeof name, field, sizeof field, nullptr, 0);
    if (rc != UNZ_OK) {
        if (stored) stored->clear();
        if (extra) extra->clear();
        return UnzResultFromLibrary(rc);
    }
    if (info->size_filename <= sizeof name && info->size_file_extra <= sizeof field) {
        if (stored) stored->assign(name, (size_t)info->size_filename);
        if (extra) extra->assign(field, (size_t)info->size_file_extra);
        return UNZ_R_OK;
    }
    std::string bigName((size_t)info->size_filename, '\0');
    std::string bigExtra((size_t)info->size_file_extra, '\0');
    rc = unzGetCurrentFileInfo64(uf, info, bigName.empty() ? nullptr : &bigName[0], (uLong)bigName.size(),
                                 bigExtra.empty() ? nullptr : &bigExtra[0], (uLong)bigExtra.size(), nullptr, 0);
    if (stored) stored->swap(bigName);
    if (extra) extra->swap(bigExtra);
    return UnzResultFromLibrary(rc);
}

int ZipGetCurrentEntryNames(unzFile uf, unz_file_info64* info, char* name, size_t nameSize, std::wstring* wide,
                            int* exact)
{
    unz_file_info64 local;
    if (!info) info = &local;
    if (name && nameSize) name[0] = '\0';
    if (wide) wide->clear();
    std::string stored, extra;
    int rc = ZipGetCurrentEntryStored(uf, info, &stored, &extra);
    if (rc != UNZ_R_OK) return rc;
    std::wstring decoded;
    DecodeZipNameWide(stored.data(), stored.size(), (uint16_t)info->flag, (const unsigned char*)extra.data(),
                      extra.size(), &decoded);
    int whole = 1;
    if (name && nameSize) whole = WideToAnsiName(decoded, name, nameSize);
    if (exact) *exact = whole;
    if (wide) wide->swap(decoded);
    return rc;
}

int ZipGetCurrentEntryInfo(unzFile uf, unz_file_info64* info, char* name, size_t nameSize)
{
    if (!name || !nameSize) {
        unz_file_info64 local;
        if (!info) info = &local;
        return UnzResultFromLibrary(unzGetCurrentFileInfo64(uf, info, nullptr, 0, nullptr, 0, nullptr, 0));
    }
    return ZipGetCurrentEntryNames(uf, info, name, nameSize, nullptr, nullptr);
}

int ZipLocateEntryByName(unzFile uf, const char* name)
{
    if (!uf || !name) return UNZ_R_PARAM;
    int rc = ZipGoToFirstEntry(uf);
    while (rc == UNZ_OK) {
        char shown[260];
        if (ZipGetCurrentEntryInfo(uf, nullptr, shown, sizeof shown) != UNZ_R_OK) return UNZ_R_BADZIP;
        if (strcmp(shown, name) == 0) return UNZ_R_OK;
        rc = unzGoToNextFile(uf);
    }
    return rc == UNZ_END_OF_LIST_OF_FILE ? UNZ_R_END_OF_LIST : UnzResultFromLibrary(rc);
}

int IsZipDirectoryName(const char* name)
{
    return name && *ZipBaseName(name) == '\0';
}

const char* ZipBaseName(const char* name)
{
    if (!name) return "";
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    return base;
}

void ZipCheckFirstEntryEncrypted(unzFile uf)
{
    unz_file_info64 info;
    char name[256];
    gProtected.store(0);
    if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) != UNZ_R_OK) return;
    int rc = unzOpenCurrentFile3(uf, nullptr, nullptr, 0, nullptr);
    if (rc == UNZ_OK) {
        unzCloseCurrentFile(uf);
        if (info.flag & 1) gProtected.store(1);
    }
}

int IsZipPasswordProtected(void) { return gProtected.load(); }
void ResetZipPasswordProtected(void) { gProtected.store(0); }
void SetZipPasswordProtected(int on) { gProtected.store(on ? 1 : 0); }

int ZipCheckArchiveProtection(const char* path)
{
    ResetZipPasswordProtected();
    unzFile uf = MyWaitunzOpen2_64(path, 3000);
    if (!uf) return 0;
    if (ZipGoToFirstEntry(uf) == UNZ_OK) ZipCheckFirstEntryEncrypted(uf);
    unzClose(uf);
    return 1;
}

int ZipCheckEntryPassword(unzFile uf, const unz_file_info64* info, const char* pass)
{
    if (!uf || !info || !pass) return -1;
    // The raw open hands out the stored bytes as they are, the 12-byte encryption header first.
    if (unzOpenCurrentFile2(uf, nullptr, nullptr, 1) != UNZ_OK) return -1;
    unsigned char header[12];
    int got = unzReadCurrentFile(uf, header, sizeof header);
    unzCloseCurrentFile(uf);
    if (got != (int)sizeof header) return -1;
    const z_crc_t* table = get_crc_table();
    auto crcByte = [table](uint32_t crc, unsigned char b) { return (uint32_t)table[(crc ^ b) & 0xff] ^ (crc >> 8); };
    uint32_t k0 = 305419896u, k1 = 591751049u, k2 = 878082192u;
    auto update = [&](unsigned char c) {
        k0 = crcByte(k0, c);
        k1 = (k1 + (k0 & 0xff)) * 134775813u + 1;
        k2 = crcByte(k2, (unsigned char)(k1 >> 24));
    };
    for (const char* p = pass; *p; ++p) update((unsigned char)*p);
    unsigned char plain = 0;
    for (unsigned char c : header) {
        unsigned temp = (k2 | 2) & 0xffff;
        plain = (unsigned char)(c ^ ((temp * (temp ^ 1)) >> 8));
        update(plain);
    }
    // Writers that stream (data descriptor, bit 3) check against the time's high byte.
    unsigned char want = (info->flag & 8) ? (unsigned char)((info->dosDate >> 8) & 0xff)
                                          : (unsigned char)(info->crc >> 24);
    return plain == want ? 1 : 0;
}

int ZipOpenCurrentFileAsking(unzFile uf, int* method, int* level, int raw, char* pass, size_t passSize)
{
    unz_file_info64 info;
    char name[256];
    int rc = ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
    if (rc != UNZ_R_OK) return rc;
    // Only stored and deflated data can be decoded; minizip would hand other methods out raw.
    if (!raw && info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
        LogPrint(kLogInfo, GApp.verbose, "%s %d unsupported compression method %lu\n", kSource, __LINE__,
                 (unsigned long)info.compression_method);
        return UNZ_R_BADZIP;
    }
    // The entry's own encryption bit decides: archives often mix plain directory entries with
    // encrypted files, and decrypting a plain entry would only produce garbage.
    int encrypted = (info.flag & 1) != 0;
    if (!encrypted) return UnzResultFromLibrary(unzOpenCurrentFile3(uf, method, level, raw, nullptr));
    for (;;) {
        char use[260];
        snprintf(use, sizeof use, "%s", (pass && *pass) ? pass : password);
        if (!*use) {
            if (PromptPassword() != PROMPT_OK || !password[0]) {
                LogPrint(kLogInfo, GApp.verbose, "password not set - canceled by user %s %d\n", kSource, __LINE__);
                return UNZ_R_USER;
            }
            snprintf(use, sizeof use, "%s", password);
        }
        int check = ZipCheckEntryPassword(uf, &info, use);
        if (check != 0) {
            // Right (or the header could not be read: the open below tells what is wrong).
            if (pass && passSize) snprintf(pass, passSize, "%s", use);
            return UnzResultFromLibrary(unzOpenCurrentFile3(uf, method, level, raw, use));
        }
        // Wrong: nothing of this entry is read, the password is forgotten (also for the next
        // archive) and the user is asked again.
        LogPrint(kLogInfo, GApp.verbose, "wrong password for %s", name);
        if (strcmp(use, password) == 0) ClearGlobalPassword();
        if (pass && passSize) pass[0] = '\0';
        SecureZeroMemory(use, sizeof use);
        char text[400];
        snprintf(text, sizeof text, "wrong password: %s", name);
        PromptMessageBox(GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow(), text, GetMessageText(94),
                         MB_OK | MB_ICONSTOP);
    }
}

int ZipOpenCurrentFileWithPassword(unzFile uf, int* method, int* level, int raw, const char* pass)
{
    char copy[260];
    snprintf(copy, sizeof copy, "%s", pass ? pass : "");
    return ZipOpenCurrentFileAsking(uf, method, level, raw, copy, sizeof copy);
}

int ZipReadCurrentToMemory(unzFile uf, uint64_t expectedSize, char* buf, unsigned bufSize, char* dest)
{
    if (IsZipPasswordProtected() && password[0] == '\0') return 0;
    if (!uf || !buf || !bufSize || (!dest && expectedSize)) return 0;
    uint64_t total = 0;
    for (;;) {
        int n = unzReadCurrentFile(uf, buf, bufSize);
        if (n == 0) return EndOfEntryIsComplete(total, expectedSize);
        if (n < 0 || total + (uint64_t)n > expectedSize) {
            LogPrint(kLogError, GApp.verbose, "%s %d error: %d\n", kSource, __LINE__, n);
            int goOn = AskContinueAfterDamage();
            if (n < 0) return 0;
            return goOn;
        }
        memcpy(dest + total, buf, (size_t)n);
        total += (uint64_t)n;
    }
}

int ZipReadCurrentToFile(unzFile uf, uint64_t expectedSize, char* buf, unsigned bufSize, FILE* out,
                         const char* fileName, int busyCursor)
{
    if (IsZipPasswordProtected() && password[0] == '\0') return 0;
    if (!uf || !buf || !bufSize || !out) return 0;
    DWORD start = GetTickCount();
    HCURSOR previous = nullptr;
    int cursorSet = 0;
    int result = 0;
    uint64_t total = 0;
    for (;;) {
        if (busyCursor && !cursorSet && GApp.hwndMain && GetTickCount() - start > 200) {
            previous = (HCURSOR)SetClassLongPtrA(GApp.hwndMain, GCLP_HCURSOR, (LONG_PTR)LoadCursor(nullptr, IDC_WAIT));
            cursorSet = 1;
        }
        int n = unzReadCurrentFile(uf, buf, bufSize);
        if (n == 0) { result = EndOfEntryIsComplete(total, expectedSize); break; }
        if (n < 0 || total + (uint64_t)n > expectedSize) {
            LogPrint(kLogError, GApp.verbose, "%s %d error: %d\n", kSource, __LINE__, n);
            int goOn = AskContinueAfterDamage();
            result = n < 0 ? 0 : goOn;
            break;
        }
        if (fwrite(buf, 1, (size_t)n, out) != (size_t)n) {
            LogPrint(kLogError, GApp.verbose, "error writing buffer to file: %s\n", fileName ? fileName : "");
            result = 0;
            break;
        }
        total += (uint64_t)n;
    }
    if (cursorSet) SetClassLongPtrA(GApp.hwndMain, GCLP_HCURSOR, (LONG_PTR)previous);
    return result;
}

int GetZipProperties(const char* path, int64_t* compressed, int64_t* uncompressed, int64_t* files,
                     int64_t* directories, char* comment, size_t commentSize)
{
    if (!path || !compressed || !uncompressed || !files || !directories || !comment || !commentSize) return -1;
    unzFile uf = MyWaitunzOpen2_64(path, 3000);
    if (!uf) return 1;
    *compressed = *uncompressed = *files = *directories = 0;
    comment[0] = '\0';
    // minizip leaves a cut comment unterminated: read one byte less and terminate.
    int got = commentSize > 1 ? unzGetGlobalComment(uf, comment, (uLong)(commentSize - 1)) : 0;
    comment[got > 0 ? ((size_t)got < commentSize ? (size_t)got : commentSize - 1) : 0] = '\0';
    unz_global_info64 gi = {};
    unzGetGlobalInfo64(uf, &gi);
    int rc = ZipGoToFirstEntry(uf);
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        char name[256];
        if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) != UNZ_R_OK) break;
        if (IsZipDirectoryName(name))
            ++*directories;
        else
            ++*files;
        *compressed += (int64_t)info.compressed_size;
        *uncompressed += (int64_t)info.uncompressed_size;
        rc = unzGoToNextFile(uf);
        if (rc != UNZ_OK && rc != UNZ_END_OF_LIST_OF_FILE)
            LogPrint(kLogError, GApp.verbose, "GetZipProperties: error %d with zipfile in unzGoToNextFile",
                     UnzResultFromLibrary(rc));
    }
    unzClose(uf);
    return 0;
}

namespace {

void NoteRepairFailure(RepairFailure* failure, int step, DWORD systemError)
{
    if (!failure) return;
    failure->step = step;
    failure->systemError = systemError;
    if (step == REPAIR_FAILED_NOT) failure->lostMembers = 0;
}

}  // namespace

int RepairZipArchiveFiles(const char* damagedPath, const char* outPath, uint64_t* entries, uint64_t* bytes,
                          RepairFailure* failure)
{
    NoteRepairFailure(failure, REPAIR_FAILED_NOT, 0);
    if (entries) *entries = 0;
    if (bytes) *bytes = 0;
    if (!damagedPath || !outPath || !*damagedPath || !*outPath) {
        NoteRepairFailure(failure, REPAIR_FAILED_OUTPUT, 0);
        return UNZ_PARAMERROR;
    }
    // The output is created before anything is written: the same name would wipe the damaged
    // archive.
    char fullIn[MAX_PATH], fullOut[MAX_PATH];
    if (!GetFullPathNameA(damagedPath, sizeof fullIn, fullIn, nullptr) ||
        !GetFullPathNameA(outPath, sizeof fullOut, fullOut, nullptr) || _stricmp(fullIn, fullOut) == 0) {
        LogPrint(kLogError, GApp.verbose, "%s %d repair: output must differ from %s\n", kSource, __LINE__, damagedPath);
        NoteRepairFailure(failure, REPAIR_FAILED_OUTPUT, 0);
        return UNZ_PARAMERROR;
    }
    DWORD system = 0;
    ZipRecovery recovery = {0, 0, 0};
    int rc = RecoverZipMembers(damagedPath, outPath, &recovery, &system);
    LogPrint(kLogInfo, GApp.verbose, "recovered %llu %llu, lost %llu\n", (unsigned long long)recovery.recovered,
             (unsigned long long)recovery.recoveredBytes, (unsigned long long)recovery.lost);
    if (failure) failure->lostMembers = recovery.lost;
    if (rc == RECOVER_DONE) {
        if (entries) *entries = recovery.recovered;
        if (bytes) *bytes = recovery.recoveredBytes;
        return 0;
    }
    LogPrint(kLogError, GApp.verbose, "%s %d repair of %s failed (%d)\n", kSource, __LINE__, damagedPath, rc);
    if (rc == RECOVER_INPUT_FAILED) {
        NoteRepairFailure(failure, REPAIR_FAILED_INPUT, system);
        return Z_ERRNO;
    }
    if (rc == RECOVER_OUTPUT_FAILED) {
        NoteRepairFailure(failure, REPAIR_FAILED_OUTPUT, system);
        return Z_ERRNO;
    }
    NoteRepairFailure(failure, REPAIR_FAILED_NOTHING_RECOVERED, 0);
    return UNZ_BADZIPFILE;
}

int FormatRepairFailure(char* text, size_t size, const char* damagedPath, const char* outPath,
                        const RepairFailure* failure)
{
    if (!text || size == 0) return 0;
    text[0] = '\0';
    if (!failure || failure->step == REPAIR_FAILED_NOT) return 0;
    const char* damaged = damagedPath ? damagedPath : "";
    const char* out = outPath ? outPath : "";
    char systemText[200] = "";
    if (failure->systemError && !FormatSystemError(systemText, sizeof systemText, failure->systemError))
        snprintf(systemText, sizeof systemText, "%lu", (unsigned long)failure->systemError);
    const char* colon = *systemText ? ":\n" : "";
    int n;
    switch (failure->step) {
    case REPAIR_FAILED_INPUT:
        n = snprintf(text, size, "%s \"%s\" %s%s%s", GetMessageText(35), damaged, GetMessageText(36), colon,
                     systemText);
        break;
    case REPAIR_FAILED_OUTPUT:
        n = snprintf(text, size, "%s\n\"%s\"%s%s", GetMessageText(45), out, colon, systemText);
        break;
    default:
        n = snprintf(text, size, "\"%s\"\n%s\n%s\n\"%s\"", damaged, GetMessageText(31), GetMessageText(45), out);
        break;
    }
    return n > 0 ? 1 : 0;
}

void RepairZipArchive(void)
{
    char damaged[260] = "";
    char out[260] = "";
    static const char kFilter[] = "zip\0*.zip\0\0";
    FileDialogRequest open = {OwnerWindow(), GetMessageText(69), kFilter, "zip", nullptr,
                              OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, damaged, sizeof damaged};
    if (!PromptOpenFile(&open)) return;
    FileDialogRequest save = {OwnerWindow(), GetMessageText(70), kFilter, "zip", nullptr,
                              OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST, out, sizeof out};
    if (!PromptSaveFile(&save)) return;
    RepairFailure failure = {};
    uint64_t recovered = 0, recoveredBytes = 0;
    char text[1200];
    if (RepairZipArchiveFiles(damaged, out, &recovered, &recoveredBytes, &failure) == 0) {
        // A repair that worked says what it saved: the user has to know whether to look further.
        int n = snprintf(text, sizeof text, "\"%s\"\n%llu members recovered (%llu bytes).", out,
                         (unsigned long long)recovered, (unsigned long long)recoveredBytes);
        if (failure.lostMembers && n > 0 && (size_t)n < sizeof text)
            snprintf(text + n, sizeof text - n, "\n%llu could not be recovered (cut off or damaged).",
                     (unsigned long long)failure.lostMembers);
        PromptMessageBox(OwnerWindow(), text, "Kelvora", MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!FormatRepairFailure(text, sizeof text, damaged, out, &failure))
        snprintf(text, sizeof text, "%s\n\"%s\"", GetMessageText(45), out);
    PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
}

unsigned long getFileCrc(const char* path, int* ok)
{
    if (ok) *ok = 0;
    FILE* f = path ? fopen(path, "rb") : nullptr;
    if (!f) return 0;
    unsigned long crc = crc32(0L, Z_NULL, 0);
    static const size_t kChunk = 65536;
    char* buf = (char*)malloc(kChunk);
    if (!buf) {
        fclose(f);
        return 0;
    }
    size_t n;
    while ((n = fread(buf, 1, kChunk, f)) > 0) crc = crc32(crc, (const Bytef*)buf, (uInt)n);
    int failed = ferror(f);
    if (failed) LogPrint(kLogError, GApp.verbose, "getFileCrc: error in reading %s", path);
    free(buf);
    fclose(f);
    if (ok) *ok = !failed;
    return crc;
}

int IsSafeEntryName(const char* name)
{
    if (!name || !*name) return 0;
    if (name[0] == '/' || name[0] == '\\') return 0;
    // A colon is a drive letter or an alternate data stream: neither belongs in a member name.
    if (strchr(name, ':')) return 0;
    int depth = 0;
    const char* p = name;
    while (*p) {
        const char* end = p;
        while (*end && *end != '/' && *end != '\\') ++end;
        size_t len = (size_t)(end - p);
        int dots = 0, onlyDotsAndBlanks = len > 0;
        for (const char* q = p; q < end; ++q) {
            if (*q == '.') ++dots;
            else if (*q != ' ') onlyDotsAndBlanks = 0;
        }
        if (len == 0 || (len == 1 && dots == 1)) {
            // empty or "." component: stays where it is
        } else if (onlyDotsAndBlanks && dots >= 2) {
            // Windows drops trailing dots and blanks, so ". ." or "..." may act as "..".
            if (--depth < 0) return 0;
        } else {
            ++depth;
        }
        p = *end ? end + 1 : end;
    }
    return 1;
}

int IsEntryPathInsideFolder(const char* targetFolder, const char* name)
{
    if (!targetFolder || !*targetFolder || !IsSafeEntryName(name)) return 0;
    char base[MAX_PATH];
    DWORD n = GetFullPathNameA(targetFolder, sizeof base, base, nullptr);
    if (n == 0 || n >= sizeof base) return 0;
    std::string folder(base);
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    std::string joined = folder + "\\" + name;
    for (char& c : joined)
        if (c == '/') c = '\\';
    std::string full(joined.size() + MAX_PATH, '\0');
    n = GetFullPathNameA(joined.c_str(), (DWORD)full.size(), &full[0], nullptr);
    if (n == 0 || n >= full.size()) return 0;
    full.resize(n);
    while (!full.empty() && full.back() == '\\') full.pop_back();
    // The folder itself is fine (a "./" directory entry); anything else must lie below it.
    if (_stricmp(full.c_str(), folder.c_str()) == 0) return 1;
    std::string prefix = folder + "\\";
    return full.size() > prefix.size() && _strnicmp(full.c_str(), prefix.c_str(), prefix.size()) == 0;
}

int IsReadOnlyArchive(const char* path)
{
    if (!path || !*path) return 0;
    DWORD attr = GetFileAttributesA(path);
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY) && (attr & FILE_ATTRIBUTE_READONLY);
}

void ReadOnlyArchiveText(const char* path, char* out, size_t outSize)
{
    snprintf(out, outSize, "%s\nThe archive is read-only: it was not changed.", path ? path : "");
}
