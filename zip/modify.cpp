// The rewrite operations of in-place modification (see modify.h): one walk over the archive
// that copies entries raw into the temporary archive, and the safe replacement of the old
// archive by the new one.
#include "zip/modify.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_map>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/keys.h"
#include "model/rbtree.h"
#include "model/strutil.h"
#include "model/zipentry.h"
#include "ui/progress.h"
#include "zip/ziphelper.h"

namespace {

enum { kLogError = 1, kLogInfo = 5, kLogTrace = 8 };

// Entries are copied in slices of this size, so that neither memory nor minizip's 32-bit read
// length limits the size of an entry that can be copied.
const unsigned kCopyChunk = 1u << 20;
// The temporary archive is written through a buffer of this size.
const size_t kWriteBuffer = 1u << 20;

// ---- the temporary archive's file layer ----
// Win32 64-bit file functions with a write buffer. minizip seeks back to fill in each local
// header; such a patch inside the buffer is applied there. The layer also lets the rewrite add
// an entry's data descriptor after its data, which minizip's writer does not produce.

struct RewriteFile {
    HANDLE handle;
    uint64_t pos;        // logical position
    uint64_t bufStart;   // file offset of buf[0]
    size_t bufLen;
    int error;
    unsigned char* buf;
};

struct WriterState {
    RewriteFile* file;   // the open temporary archive, or null
    int error;           // sticky: a write, flush or close failed
};

int FlushRewriteFile(RewriteFile* f)
{
    if (f->bufLen == 0) return 1;
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)f->bufStart;
    size_t done = 0;
    if (!SetFilePointerEx(f->handle, to, nullptr, FILE_BEGIN)) {
        f->error = 1;
        return 0;
    }
    while (done < f->bufLen) {
        DWORD wrote = 0;
        DWORD n = (DWORD)(f->bufLen - done);
        if (!WriteFile(f->handle, f->buf + done, n, &wrote, nullptr) || wrote == 0) {
            f->error = 1;
            return 0;
        }
        done += wrote;
    }
    f->bufStart += f->bufLen;
    f->bufLen = 0;
    return 1;
}

voidpf ZCALLBACK WriterOpen(voidpf opaque, const void* filename, int mode)
{
    WriterState* state = (WriterState*)opaque;
    if (!filename || !(mode & ZLIB_FILEFUNC_MODE_CREATE)) return nullptr;
    HANDLE h = CreateFileA((const char*)filename, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    RewriteFile* f = (RewriteFile*)calloc(1, sizeof(RewriteFile));
    unsigned char* buf = (unsigned char*)malloc(kWriteBuffer);
    if (!f || !buf) {
        free(f);
        free(buf);
        CloseHandle(h);
        return nullptr;
    }
    f->handle = h;
    f->buf = buf;
    state->file = f;
    return f;
}

uLong ZCALLBACK WriterRead(voidpf, voidpf stream, void*, uLong)
{
    ((RewriteFile*)stream)->error = 1;
    return 0;
}

uLong ZCALLBACK WriterWrite(voidpf opaque, voidpf stream, const void* data, uLong size)
{
    RewriteFile* f = (RewriteFile*)stream;
    const unsigned char* src = (const unsigned char*)data;
    if (f->error) return 0;
    // A patch of bytes already in the buffer (minizip filling in a local header).
    if (f->pos >= f->bufStart && f->pos + size <= f->bufStart + f->bufLen) {
        memcpy(f->buf + (f->pos - f->bufStart), src, size);
        f->pos += size;
        return size;
    }
    if (f->pos != f->bufStart + f->bufLen) {
        if (!FlushRewriteFile(f)) {
            ((WriterState*)opaque)->error = 1;
            return 0;
        }
        f->bufStart = f->pos;
    }
    uLong done = 0;
    while (done < size) {
        if (f->bufLen == kWriteBuffer && !FlushRewriteFile(f)) {
            ((WriterState*)opaque)->error = 1;
            return done;
        }
        size_t room = kWriteBuffer - f->bufLen;
        size_t n = (size_t)(size - done) < room ? (size_t)(size - done) : room;
        memcpy(f->buf + f->bufLen, src + done, n);
        f->bufLen += n;
        done += (uLong)n;
    }
    f->pos += size;
    return size;
}

ZPOS64_T ZCALLBACK WriterTell(voidpf, voidpf stream)
{
    return ((RewriteFile*)stream)->pos;
}

long ZCALLBACK WriterSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    RewriteFile* f = (RewriteFile*)stream;
    uint64_t end = f->bufStart + f->bufLen;
    LARGE_INTEGER size;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: f->pos = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: f->pos += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        if (!GetFileSizeEx(f->handle, &size)) return -1;
        if ((uint64_t)size.QuadPart > end) end = (uint64_t)size.QuadPart;
        f->pos = end + offset;
        return 0;
    default: return -1;
    }
}

int ZCALLBACK WriterClose(voidpf opaque, voidpf stream)
{
    WriterState* state = (WriterState*)opaque;
    RewriteFile* f = (RewriteFile*)stream;
    int ok = FlushRewriteFile(f) && !f->error;
    // The new archive is about to replace the old one: its bytes must be on the disk first.
    if (ok && !FlushFileBuffers(f->handle)) ok = 0;
    if (!CloseHandle(f->handle)) ok = 0;
    free(f->buf);
    free(f);
    state->file = nullptr;
    if (!ok) state->error = 1;
    return ok ? 0 : -1;
}

int ZCALLBACK WriterError(voidpf, voidpf stream)
{
    return ((RewriteFile*)stream)->error;
}

void FillWriterFunctions(zlib_filefunc64_def* ff, WriterState* state)
{
    ff->zopen64_file = WriterOpen;
    ff->zread_file = WriterRead;
    ff->zwrite_file = WriterWrite;
    ff->ztell64_file = WriterTell;
    ff->zseek64_file = WriterSeek;
    ff->zclose_file = WriterClose;
    ff->zerror_file = WriterError;
    ff->opaque = state;
}

void PutLE32(unsigned char* p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

// Appends the data descriptor of the entry just closed (signature, CRC, sizes) at the writer's
// position: an entry flagged with bit 3 keeps its descriptor, which also tells decoders to
// check a traditional-encryption header against the time instead of the CRC.
int AppendDataDescriptor(WriterState* state, uint32_t crc, uint64_t compressed, uint64_t uncompressed, int zip64)
{
    if (!state->file) return 0;
    unsigned char d[24];
    PutLE32(d, 0x08074b50u);
    PutLE32(d + 4, crc);
    size_t n;
    if (zip64) {
        PutLE32(d + 8, (uint32_t)compressed);
        PutLE32(d + 12, (uint32_t)(compressed >> 32));
        PutLE32(d + 16, (uint32_t)uncompressed);
        PutLE32(d + 20, (uint32_t)(uncompressed >> 32));
        n = 24;
    } else {
        PutLE32(d + 8, (uint32_t)compressed);
        PutLE32(d + 12, (uint32_t)uncompressed);
        n = 16;
    }
    return WriterWrite(state, state->file, d, (uLong)n) == n;
}

// Removes every zip64 field (id 1) from an extra-field block in place: it describes the old
// archive's sizes and offsets, and the writer adds a fresh one where the new archive needs it.
// Returns the new length.
uInt StripZip64Fields(unsigned char* extra, uInt size)
{
    uInt in = 0, out = 0;
    while (in + 4 <= size) {
        unsigned id = extra[in] | (extra[in + 1] << 8);
        unsigned len = extra[in + 2] | (extra[in + 3] << 8);
        if (in + 4 + len > size) break;  // a damaged tail is kept as it is
        if (id != 0x0001) {
            if (out != in) memmove(extra + out, extra + in, 4 + len);
            out += 4 + len;
        }
        in += 4 + len;
    }
    if (in < size) {
        if (out != in) memmove(extra + out, extra + in, size - in);
        out += size - in;
    }
    return out;
}

// ---- names ----

char FormatSeparator(void)
{
    return GCompressionMethod == CM_TAR ? '/' : '\\';
}

// "  2*docs\a.txt" -> "docs\a.txt": a key's depth prefix (three places and '*'), when present.
const char* SkipKeyPrefix(const char* s)
{
    if (!s) return "";
    if (strlen(s) >= 4 && s[3] == '*') {
        for (int i = 0; i < 3; ++i)
            if (s[i] != ' ' && (s[i] < '0' || s[i] > '9')) return s;
        return s + 4;
    }
    return s;
}

// The name a stored name is compared as: OEM converted to ANSI when asked.
void ComparisonName(const char* stored, int oem, char* out, size_t outSize)
{
    CopyBounded(out, outSize, stored);
    if (oem) OemToCharBuffA(stored, out, (DWORD)strlen(out));
}

// Collision key: names compare as the lookups do (case-insensitive, either separator).
std::string CollisionKey(const char* name)
{
    std::string k(name);
    for (char& c : k) {
        if (c == '\\') c = '/';
        else if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    }
    return k;
}

// ---- one rewrite ----

enum Decision { KEEP = 0, DROP = 1, RENAME = 2 };

// A name written to the new archive: whether a rename gave it, and as written.
struct WrittenName {
    int isNew;
    std::string name;
};

struct Rewrite;
// Decides about one entry: compareName is the (converted) comparison name, stored the stored
// one. RENAME fills newName.
typedef int (*DecideFn)(Rewrite* rw, const char* compareName, const char* stored, char* newName, size_t newNameSize);

struct Rewrite {
    const char* op;          // operation name for the log
    const char* sep;         // ": " or " " after the name, as each operation's lines have it
    const char* archivePath;
    int simulation;
    int oem;
    int isDelete;
    DecideFn decide;
    BSTree* bset;
    RBTree* rbset;
    int action;
    const RenameRequest* request;
    // Content replacement: the entry written last.
    const char* addName;
    const void* addData;
    size_t addSize;
    int addLevel;
    RewriteOutcome* out;
    // Run state.
    int64_t dropFiles, dropCompressed, dropUncompressed;  // totals of the deleted file entries
    std::unordered_map<std::string, WrittenName> written;  // by CollisionKey
    int checkCollisions;
};

// A rename lookup in a red-black set also accepts path keys as entries.
int FindInRBSet(RBTree* set, const char* name, char* newName, size_t newNameSize)
{
    char sep = FormatSeparator();
    if (FindEntryInZipEntryRBTree(set, name, 0, 1, sep, newName, newNameSize)) return 1;
    char copy[260], key[260];
    CopyBounded(copy, sizeof copy, name);
    ReplaceChar(copy, '/', sep);
    if (PathKey(key, sizeof key, copy, sep) < 0) return 0;
    return FindEntryInZipEntryRBTree(set, key, 0, 0, sep, newName, newNameSize);
}

int DecideChangeFile(Rewrite* rw, const char* compareName, const char* stored, char* newName, size_t newNameSize)
{
    char sep = FormatSeparator();
    int found = FindEntryInZipEntry(rw->bset, compareName, 0, 1, sep);
    if (!found && strcmp(compareName, stored) != 0) found = FindEntryInZipEntry(rw->bset, stored, 0, 1, sep);
    if (!found) return KEEP;
    if (rw->action == CHANGE_ACTION_RENAME && rw->request) CopyBounded(newName, newNameSize, rw->request->newName);
    else CopyBounded(newName, newNameSize, stored);
    return RENAME;
}

int DecideDeleteFile(Rewrite* rw, const char* compareName, const char*, char*, size_t)
{
    return FindEntryInZipEntry(rw->bset, compareName, 0, 1, FormatSeparator()) ? DROP : KEEP;
}

int DecideChangeFiles(Rewrite* rw, const char* compareName, const char*, char* newName, size_t newNameSize)
{
    char found[260] = "";
    if (!FindInRBSet(rw->rbset, compareName, found, sizeof found)) return KEEP;
    CopyBounded(newName, newNameSize, SkipKeyPrefix(found));
    return RENAME;
}

int DecideDeleteFiles(Rewrite* rw, const char* compareName, const char*, char*, size_t)
{
    return FindInRBSet(rw->rbset, compareName, nullptr, 0) ? DROP : KEEP;
}

int DecideReplaceContent(Rewrite* rw, const char*, const char* stored, char*, size_t)
{
    return strcmp(stored, rw->addName) == 0 ? DROP : KEEP;
}

void ShowDeleteProgress(Rewrite* rw, const char* name)
{
    HWND dialog = GetProgressDialog();
    char line[600];
    if (rw->simulation) {
        snprintf(line, sizeof line, "Simulation!! %s", name);
        if (dialog) SetProgressFileText(line);
        Sleep(130);
        return;
    }
    if (!dialog) return;
    ExecuteProgressStep(dialog);
    snprintf(line, sizeof line, "%s: %s", GetMessageText(84), name);
    SetProgressFileText(line);
}

void ShowRenameProgress(Rewrite* rw, const char* newName)
{
    HWND dialog = GetProgressDialog();
    char line[600];
    if (rw->simulation) {
        snprintf(line, sizeof line, "Simulation %s", newName);
        if (dialog) SetProgressFileText(line);
        Sleep(10);
        return;
    }
    if (!dialog) return;
    ExecuteProgressStep(dialog);
    snprintf(line, sizeof line, "%s: %s", GetMessageText(85), newName);
    SetProgressFileText(line);
}

// Records a name about to be written; 0 when it collides with a name written before and one of
// the two is a new name.
int RecordWrittenName(Rewrite* rw, const char* name, int isNewName)
{
    if (!rw->checkCollisions) return 1;
    auto ins = rw->written.emplace(CollisionKey(name), WrittenName{isNewName, name});
    if (ins.second) return 1;
    const WrittenName& earlier = ins.first->second;
    if (!earlier.isNew && !isNewName) return 1;  // two old entries of one name stay as they were
    // Name the new name in the message: that is what the user asked for.
    CopyBounded(rw->out->collision, sizeof rw->out->collision, isNewName ? name : earlier.name.c_str());
    return 0;
}

// Copies the reader's current entry (information in info, stored name) raw into the writer
// under outName. Returns 1, 0 when the walk must end.
int CopyEntryRaw(Rewrite* rw, unzFile uf, zipFile zf, WriterState* ws, const unz_file_info64* info0,
                 const char* stored, const char* outName, unsigned char* chunk)
{
    const char* op = rw->op;
    const char* sep = rw->sep;
    int ok = 0;
    unsigned char* centralExtra = nullptr;
    unsigned char* localExtra = nullptr;
    char* comment = nullptr;
    unz_file_info64 info;
    int method = 0, level = 0;
    int opened = 0;
    uInt localSize = 0, centralSize = 0;

    centralExtra = (unsigned char*)malloc(info0->size_file_extra + 1);
    comment = (char*)calloc(info0->size_file_comment + 1, 1);
    if (!centralExtra || !comment) {
        LogPrint(kLogError, GApp.verbose, "%s%serror %d", op, sep, UNZ_INTERNALERROR);
        goto done;
    }
    {
        int rc = unzGetCurrentFileInfo64(uf, &info, nullptr, 0, centralExtra,
                                         (uLong)info0->size_file_extra, comment, (uLong)info0->size_file_comment);
        if (rc != UNZ_OK) {
            LogPrint(kLogError, GApp.verbose, "%s error in unzGetCurrentFileInfo %d", op, rc);
            goto done;
        }
        centralSize = (uInt)info.size_file_extra;
    }
    {
        int rc = unzOpenCurrentFile2(uf, &method, &level, 1);
        if (rc != UNZ_OK) {
            LogPrint(kLogError, GApp.verbose, "%s error in unzOpenCurrentFile2 %d", op, rc);
            goto done;
        }
        opened = 1;
    }
    {
        int n = unzGetLocalExtrafield(uf, nullptr, 0);
        if (n < 0) {
            LogPrint(kLogError, GApp.verbose, "%s size_local_extra<0", op);
            goto done;
        }
        localSize = (uInt)n;
        localExtra = (unsigned char*)malloc(localSize + 1);
        if (!localExtra) {
            LogPrint(kLogError, GApp.verbose, "%s%ssize_local_extra!=0", op, sep);
            goto done;
        }
        if (localSize && unzGetLocalExtrafield(uf, localExtra, localSize) < 0) {
            LogPrint(kLogError, GApp.verbose, "%s unzGetLocalExtrafield<0", op);
            goto done;
        }
    }
    if (!rw->simulation) {
        zip_fileinfo zi;
        memset(&zi, 0, sizeof zi);
        zi.tmz_date.tm_sec = info.tmu_date.tm_sec;
        zi.tmz_date.tm_min = info.tmu_date.tm_min;
        zi.tmz_date.tm_hour = info.tmu_date.tm_hour;
        zi.tmz_date.tm_mday = info.tmu_date.tm_mday;
        zi.tmz_date.tm_mon = info.tmu_date.tm_mon;
        zi.tmz_date.tm_year = info.tmu_date.tm_year;
        zi.dosDate = info.dosDate;
        zi.internal_fa = info.internal_fa;
        zi.external_fa = info.external_fa;
        localSize = StripZip64Fields(localExtra, localSize);
        centralSize = StripZip64Fields(centralExtra, centralSize);
        int zip64 = info.uncompressed_size >= 0xffffffffu || info.compressed_size >= 0xffffffffu;
        // Keep what the flags say about the data: encryption (bit 0), the deflate options,
        // the data descriptor (bit 3, appended below) and the name's code page (bit 11).
        uLong flagBase = info.flag & 0xffffu;
        int rc = zipOpenNewFileInZip4_64(zf, outName, &zi, localSize ? localExtra : nullptr, localSize,
                                         centralSize ? centralExtra : nullptr, centralSize,
                                         info.size_file_comment ? comment : nullptr, method, level, 1, -MAX_WBITS,
                                         DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, info.version, flagBase, zip64);
        if (rc != ZIP_OK) {
            LogPrint(kLogError, GApp.verbose, "%s%szipOpenNewFileInZip2", op, sep);
            goto done;
        }
        uint64_t total = 0;
        while (total < info.compressed_size) {
            uint64_t rest = info.compressed_size - total;
            unsigned want = rest < kCopyChunk ? (unsigned)rest : kCopyChunk;
            int got = unzReadCurrentFile(uf, chunk, want);
            if (got < 0) {
                LogPrint(kLogError, GApp.verbose, "%s%serror with file %s read:%d compressed size:%lld", op, sep,
                         stored, got, (long long)info.compressed_size);
                zipCloseFileInZipRaw64(zf, info.uncompressed_size, info.crc);
                goto done;
            }
            if (got == 0) break;
            if (zipWriteInFileInZip(zf, chunk, (unsigned)got) != ZIP_OK) {
                LogPrint(kLogError, GApp.verbose, "%s%szipWriteInFileInZip", op, sep);
                zipCloseFileInZipRaw64(zf, info.uncompressed_size, info.crc);
                goto done;
            }
            total += (uint64_t)got;
        }
        if (total != info.compressed_size)
            LogPrint(kLogError, GApp.verbose, "%s%spossible error with file %s read:%lld compressed size:%lld", op,
                     sep, stored, (long long)total, (long long)info.compressed_size);
        if (zipCloseFileInZipRaw64(zf, info.uncompressed_size, info.crc) != ZIP_OK) {
            LogPrint(kLogError, GApp.verbose, "%s%szipCloseFileInZipRaw", op, sep);
            goto done;
        }
        if ((info.flag & 8) && !AppendDataDescriptor(ws, (uint32_t)info.crc, total, info.uncompressed_size, zip64)) {
            LogPrint(kLogError, GApp.verbose, "%s%szipWriteInFileInZip", op, sep);
            goto done;
        }
    }
    ok = 1;
done:
    if (opened) {
        int rc = unzCloseCurrentFile(uf);
        if (rc == UNZ_CRCERROR) {
            LogPrint(kLogError, GApp.verbose, "%s%sunzCloseCurrentFile", op, sep);
            ok = 0;
        }
    }
    free(centralExtra);
    free(localExtra);
    free(comment);
    return ok;
}

// Writes the replacement content as a new deflated (or stored) entry dated now.
int WriteAddedEntry(Rewrite* rw, zipFile zf)
{
    zip_fileinfo zi;
    memset(&zi, 0, sizeof zi);
    SYSTEMTIME now;
    GetLocalTime(&now);
    zi.tmz_date.tm_sec = now.wSecond;
    zi.tmz_date.tm_min = now.wMinute;
    zi.tmz_date.tm_hour = now.wHour;
    zi.tmz_date.tm_mday = now.wDay;
    zi.tmz_date.tm_mon = now.wMonth - 1;
    zi.tmz_date.tm_year = now.wYear;
    int level = rw->addLevel < 0 ? 6 : rw->addLevel > 9 ? 9 : rw->addLevel;
    int method = level == 0 ? 0 : Z_DEFLATED;
    uLong crc = crc32(0L, Z_NULL, 0);
    const unsigned char* p = (const unsigned char*)rw->addData;
    size_t left = rw->addSize;
    while (left > 0) {
        uInt n = left > 0x40000000u ? 0x40000000u : (uInt)left;
        crc = crc32(crc, p, n);
        p += n;
        left -= n;
    }
    int zip64 = rw->addSize >= 0xffffffffu;
    if (zipOpenNewFileInZip3_64(zf, rw->addName, &zi, nullptr, 0, nullptr, 0, nullptr, method, level, 0, -MAX_WBITS,
                                DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, crc, zip64) != ZIP_OK) {
        LogPrint(kLogError, GApp.verbose, "%s%szipOpenNewFileInZip3_64", rw->op, rw->sep);
        return 0;
    }
    p = (const unsigned char*)rw->addData;
    left = rw->addSize;
    while (left > 0) {
        unsigned n = left > kCopyChunk ? kCopyChunk : (unsigned)left;
        if (zipWriteInFileInZip(zf, p, n) != ZIP_OK) {
            LogPrint(kLogError, GApp.verbose, "%s%szipWriteInFileInZip", rw->op, rw->sep);
            zipCloseFileInZip(zf);
            return 0;
        }
        p += n;
        left -= n;
    }
    if (zipCloseFileInZip(zf) != ZIP_OK) {
        LogPrint(kLogError, GApp.verbose, "%s%szipCloseFileInZip", rw->op, rw->sep);
        return 0;
    }
    return 1;
}

// Opens the new archive and walks its central directory: 1 when it opens and lists exactly
// expected entries.
int VerifyNewArchive(const char* path, int64_t expected)
{
    unzFile uf = MyWaitunzOpen2_64(path, 0);
    if (!uf) {
        LogPrint(kLogError, GApp.verbose, "VerifyNewArchive: %s does not open", path);
        return 0;
    }
    unz_global_info64 gi;
    int ok = unzGetGlobalInfo64(uf, &gi) == UNZ_OK && (int64_t)gi.number_entry == expected;
    int64_t seen = 0;
    if (ok && expected > 0) {
        int rc = unzGoToFirstFile(uf);
        while (rc == UNZ_OK) {
            unz_file_info64 info;
            if (unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
            ++seen;
            rc = unzGoToNextFile(uf);
        }
        ok = rc == UNZ_END_OF_LIST_OF_FILE && seen == expected;
    }
    unzClose(uf);
    if (!ok)
        LogPrint(kLogError, GApp.verbose, "VerifyNewArchive: %s lists %lld entries, %lld expected", path,
                 (long long)seen, (long long)expected);
    return ok;
}

// Puts the new archive in place of the old one in one step.
int ReplaceArchiveFile(const char* tempPath, const char* archivePath)
{
    if (MoveFileExA(tempPath, archivePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    DWORD err = GetLastError();
    LogPrint(kLogError, GApp.verbose, "ReplaceArchiveFile: %s cannot replace %s (error %lu)", tempPath, archivePath,
             (unsigned long)err);
    return 0;
}

int RunRewrite(Rewrite* rw)
{
    RewriteOutcome local;
    if (!rw->out) rw->out = &local;
    memset(rw->out, 0, sizeof *rw->out);
    RewriteOutcome* out = rw->out;
    const char* op = rw->op;
    const char* sep = rw->sep;

    if (GCompressionMethod != CM_ZIP && GCompressionMethod != CM_TAR)
        LogPrint(kLogTrace, GApp.verbose, "%s: no compression method specified - assuming zip!!", op);

    char tempPath[270];
    if (!rw->archivePath || !BuildRewriteTempName(rw->archivePath, tempPath, sizeof tempPath)) return REWRITE_TEMP_FAILED;

    unzFile uf = MyWaitunzOpen2_64(rw->archivePath, 3000);
    if (!uf) return REWRITE_OPEN_FAILED;

    WriterState ws = {nullptr, 0};
    zipFile zf = nullptr;
    if (!rw->simulation) {
        zlib_filefunc64_def ff;
        FillWriterFunctions(&ff, &ws);
        zf = zipOpen2_64(tempPath, APPEND_STATUS_CREATE, nullptr, &ff);
        if (!zf) {
            LogPrint(kLogError, GApp.verbose, "%s%scannot create %s", op, sep, tempPath);
            unzClose(uf);
            return REWRITE_TEMP_FAILED;
        }
    } else if (rw->isDelete && rw->rbset) {
        LogPrint(kLogInfo, GApp.verbose, "DeleteFilesFromZIPRBTree in Simulationmode - not opening Zipfile!");
    }

    char* globalComment = nullptr;
    unz_global_info64 gi;
    memset(&gi, 0, sizeof gi);
    int result = REWRITE_DONE;
    if (unzGetGlobalInfo64(uf, &gi) != UNZ_OK) {
        if (!(rw->simulation && rw->isDelete)) result = REWRITE_GLOBAL_INFO;
    } else if (gi.size_comment > 0) {
        globalComment = (char*)calloc(gi.size_comment + 1, 1);
        if (!globalComment) result = REWRITE_COMMENT_MEMORY;
        else if (unzGetGlobalComment(uf, globalComment, gi.size_comment + 1) < (int)gi.size_comment)
            result = REWRITE_COMMENT_SHORT;
    }
    if (result != REWRITE_DONE) {
        if (zf) zipClose(zf, nullptr);
        DeleteFileA(tempPath);
        unzClose(uf);
        free(globalComment);
        return result;
    }

    unsigned char* chunk = rw->simulation ? nullptr : (unsigned char*)malloc(kCopyChunk);
    int walkEnd = UNZ_END_OF_LIST_OF_FILE;  // how the walk ended
    int didWork = 0;
    int collided = 0;
    if (!rw->simulation && !chunk) walkEnd = UNZ_INTERNALERROR;
    int rc = walkEnd == UNZ_END_OF_LIST_OF_FILE ? unzGoToFirstFile(uf) : walkEnd;
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        char stored[260];
        int infoRc = ZipGetCurrentEntryInfo(uf, &info, stored, sizeof stored);
        if (infoRc != UNZ_R_OK) {
            LogPrint(kLogError, GApp.verbose, "%s error in unzGetCurrentFileInfo %d", op, infoRc);
            walkEnd = UNZ_BADZIPFILE;
            break;
        }
        ++out->entries;
        // Keys are cut to 259 characters, but a kept entry keeps its whole name.
        std::string fullName(stored);
        if (info.size_filename >= sizeof stored) {
            fullName.assign((size_t)info.size_filename + 1, '\0');
            if (unzGetCurrentFileInfo64(uf, nullptr, &fullName[0], (uLong)info.size_filename, nullptr, 0, nullptr, 0) ==
                UNZ_OK)
                fullName.resize((size_t)info.size_filename);
            else
                fullName = stored;
        }
        char compareName[260];
        ComparisonName(stored, rw->oem, compareName, sizeof compareName);
        char newName[260] = "";
        int decision = rw->decide(rw, compareName, stored, newName, sizeof newName);
        int isDirectory = IsZipDirectoryName(stored);
        if (decision == DROP) {
            if (!isDirectory) {
                rw->dropFiles += 1;
                rw->dropCompressed += (int64_t)info.compressed_size;
                rw->dropUncompressed += (int64_t)info.uncompressed_size;
            }
            if (rw->bset) ShowDeleteProgress(rw, stored);
            if (rw->simulation) LogPrint(kLogInfo, GApp.verbose, "%s Do not delete %s - Simulationmode!", op, stored);
            else if (rw->rbset) LogPrint(kLogInfo, GApp.verbose, "DeleteFilesFromZipRBTree delete file %s", stored);
            ++out->deleted;
            didWork = 1;
            rc = unzGoToNextFile(uf);
            continue;
        }
        if (decision == RENAME) {
            ++out->renamed;
            didWork = 1;
        }
        // Directory entries are never copied.
        if (!isDirectory) {
            const char* outName = fullName.c_str();
            char renamed[260];
            if (decision == RENAME) {
                CopyBounded(renamed, sizeof renamed, newName);
                ReplaceChar(renamed, '\\', '/');
                outName = renamed;
                if (rw->rbset) ShowRenameProgress(rw, renamed);
                else LogPrint(kLogInfo, GApp.verbose, "--changed dos_fn: %s NewFilename %s", stored, renamed);
                if (!*renamed || IsZipDirectoryName(renamed)) {
                    // A file cannot take the name of a folder, nor no name at all.
                    LogPrint(kLogError, GApp.verbose, "%s%sno usable new name for %s", op, sep, stored);
                    walkEnd = UNZ_PARAMERROR;
                    break;
                }
            }
            if (!RecordWrittenName(rw, outName, decision == RENAME)) {
                LogPrint(kLogError, GApp.verbose, "%s%sthe name %s is given twice - nothing changed", op, sep, outName);
                collided = 1;
                break;
            }
            if (!CopyEntryRaw(rw, uf, zf, &ws, &info, stored, outName, chunk)) {
                walkEnd = UNZ_INTERNALERROR;
                break;
            }
            if (!rw->simulation) ++out->copied;
        }
        rc = unzGoToNextFile(uf);
    }
    if (rc != UNZ_OK && walkEnd == UNZ_END_OF_LIST_OF_FILE && rc != UNZ_END_OF_LIST_OF_FILE) {
        LogPrint(kLogError, GApp.verbose, "%s%serror %d", op, sep, rc);
        walkEnd = rc;
    }
    if (collided) walkEnd = UNZ_PARAMERROR;
    free(chunk);

    // The replacement content goes last, under a name no other entry may have.
    if (walkEnd == UNZ_END_OF_LIST_OF_FILE && rw->addName && !rw->simulation) {
        if (!RecordWrittenName(rw, rw->addName, 1)) {
            collided = 1;
            walkEnd = UNZ_PARAMERROR;
        } else if (!WriteAddedEntry(rw, zf)) {
            walkEnd = UNZ_INTERNALERROR;
        } else {
            ++out->copied;
            didWork = 1;
        }
    }

    int closeFailed = 0;
    if (zf && zipClose(zf, globalComment) != ZIP_OK) closeFailed = 1;
    if (ws.error) closeFailed = 1;
    unzClose(uf);
    free(globalComment);
    if (rw->rbset && !rw->isDelete)
        LogPrint(kLogInfo, GApp.verbose, "ChangeFilesFromZIP: found %d of %d", (int)out->renamed,
                 rw->rbset ? (int)rw->rbset->count : 0);

    out->walkFailed = (walkEnd != UNZ_END_OF_LIST_OF_FILE && !collided) || closeFailed;
    if (rw->simulation) {
        if (rw->isDelete) {
            GApp.listTotals.rows -= rw->dropFiles;
            GApp.listTotals.compressed -= rw->dropCompressed;
            GApp.listTotals.uncompressed -= rw->dropUncompressed;
            return REWRITE_DONE;
        }
        return REWRITE_NOT_REPLACED;
    }
    if (collided) {
        DeleteFileA(tempPath);
        return REWRITE_NAME_COLLISION;
    }
    if (out->walkFailed || !didWork) {
        DeleteFileA(tempPath);
        return REWRITE_NOT_REPLACED;
    }
    if (rw->isDelete && out->copied == 0) {
        // Every entry went: no archive remains.
        DeleteFileA(tempPath);
        if (!DeleteFileA(rw->archivePath)) {
            LogPrint(kLogError, GApp.verbose, "%s%s%s cannot be deleted (error %lu)", op, sep, rw->archivePath,
                     (unsigned long)GetLastError());
            return REWRITE_REPLACE_FAILED;
        }
    } else {
        if (!VerifyNewArchive(tempPath, out->copied)) {
            out->verifyFailed = 1;
            DeleteFileA(tempPath);
            return REWRITE_NOT_REPLACED;
        }
        if (!ReplaceArchiveFile(tempPath, rw->archivePath)) {
            CopyBounded(out->tempPath, sizeof out->tempPath, tempPath);
            LogPrint(-1, GApp.verbose, "%s%sthe changed archive is kept as %s; %s is unchanged", op, sep, tempPath,
                     rw->archivePath);
            return REWRITE_REPLACE_FAILED;
        }
    }
    if (rw->isDelete) {
        GApp.listTotals.rows -= rw->dropFiles;
        GApp.listTotals.compressed -= rw->dropCompressed;
        GApp.listTotals.uncompressed -= rw->dropUncompressed;
    }
    return REWRITE_DONE;
}

void InitRewrite(Rewrite* rw, const char* op, const char* sep, const char* archivePath, int simulation, int oem,
                 RewriteOutcome* outcome)
{
    rw->op = op;
    rw->sep = sep;
    rw->archivePath = archivePath;
    rw->simulation = simulation ? 1 : 0;
    rw->oem = oem ? 1 : 0;
    rw->isDelete = 0;
    rw->decide = nullptr;
    rw->bset = nullptr;
    rw->rbset = nullptr;
    rw->action = 0;
    rw->request = nullptr;
    rw->addName = nullptr;
    rw->addData = nullptr;
    rw->addSize = 0;
    rw->addLevel = 6;
    rw->out = outcome;
    rw->dropFiles = rw->dropCompressed = rw->dropUncompressed = 0;
    rw->checkCollisions = 0;
}

}  // namespace

int BuildRewriteTempName(const char* archivePath, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    int n = snprintf(out, outSize, "%s.tmp", archivePath ? archivePath : "");
    return n > 0 && (size_t)n < outSize;
}

const char* RewriteResultText(int result)
{
    switch (result) {
    case REWRITE_DONE: return "done";
    case REWRITE_OPEN_FAILED: return "the archive cannot be opened";
    case REWRITE_TEMP_FAILED: return "the temporary archive cannot be created";
    case REWRITE_GLOBAL_INFO: return "the archive's global information cannot be read";
    case REWRITE_COMMENT_MEMORY: return "no memory for the archive comment";
    case REWRITE_COMMENT_SHORT: return "the archive comment cannot be read";
    case REWRITE_NOT_REPLACED: return "nothing was changed (nothing matched, or an entry could not be copied)";
    case REWRITE_REPLACE_FAILED: return "the archive could not be replaced; it is unchanged";
    case REWRITE_NAME_COLLISION: return "the new name is taken by another entry; nothing was changed";
    default: return "unknown result";
    }
}

int ChangeFileFromZIP(const char* archivePath, BSTree* set, int action, const RenameRequest* request, int oem,
                      RewriteOutcome* outcome)
{
    Rewrite rw;
    InitRewrite(&rw, "ChangeFileFromZIP", ": ", archivePath, 0, oem, outcome);
    rw.decide = DecideChangeFile;
    rw.bset = set;
    rw.action = action;
    rw.request = request;
    rw.checkCollisions = 1;
    return RunRewrite(&rw);
}

int DeleteFileFromZIP(const char* archivePath, BSTree* set, int simulation, int oem, RewriteOutcome* outcome)
{
    Rewrite rw;
    InitRewrite(&rw, "DeleteFileFromZIP", " ", archivePath, simulation, oem, outcome);
    rw.decide = DecideDeleteFile;
    rw.bset = set;
    rw.isDelete = 1;
    return RunRewrite(&rw);
}

int ChangeFilesFromZIP(const char* archivePath, RBTree* set, int simulation, int oem, RewriteOutcome* outcome)
{
    Rewrite rw;
    InitRewrite(&rw, "ChangeFilesFromZIP", ": ", archivePath, simulation, oem, outcome);
    rw.decide = DecideChangeFiles;
    rw.rbset = set;
    rw.checkCollisions = 1;
    return RunRewrite(&rw);
}

int DeleteFilesFromZIPRBTree(const char* archivePath, RBTree* set, int simulation, int oem, RewriteOutcome* outcome)
{
    Rewrite rw;
    InitRewrite(&rw, "DeleteFilesFromZIPRBTree", " ", archivePath, simulation, oem, outcome);
    rw.decide = DecideDeleteFiles;
    rw.rbset = set;
    rw.isDelete = 1;
    return RunRewrite(&rw);
}

int ReplaceZipEntryContent(const char* archivePath, const char* entryName, const void* data, size_t size, int level,
                           RewriteOutcome* outcome)
{
    if (!entryName || !*entryName || IsZipDirectoryName(entryName) || (!data && size)) return REWRITE_NOT_REPLACED;
    Rewrite rw;
    InitRewrite(&rw, "HandleChangeFileContentThread", ": ", archivePath, 0, 0, outcome);
    rw.decide = DecideReplaceContent;
    rw.addName = entryName;
    rw.addData = data ? data : "";
    rw.addSize = size;
    rw.addLevel = level;
    rw.checkCollisions = 1;
    return RunRewrite(&rw);
}

// ---- two passes for the names' code page ----

namespace {

// Combines two passes: a first pass that changed the archive stands, whatever the second one
// (which changes nothing unless it succeeds) finds.
int CombinePasses(int first, int second, const RewriteOutcome* firstOut, RewriteOutcome* secondOut)
{
    if (secondOut && firstOut) {
        secondOut->deleted += firstOut->deleted;
        secondOut->renamed += firstOut->renamed;
        secondOut->copied = second == REWRITE_DONE ? secondOut->copied : firstOut->copied;
    }
    return first == REWRITE_DONE ? REWRITE_DONE : second;
}

// 1 when a pass's result and outcome call for the second pass.
int NeedsSecondPass(int result, const RewriteOutcome* out, int unmatched)
{
    if (result == REWRITE_NOT_REPLACED) return !out->walkFailed && !out->verifyFailed;
    return result == REWRITE_DONE && unmatched > 0;
}

}  // namespace

int DeleteFileFromZIPTwoPass(const char* archivePath, BSTree* set, int simulation, RewriteOutcome* outcome)
{
    RewriteOutcome first;
    int r = DeleteFileFromZIP(archivePath, set, simulation, 1, &first);
    if (!NeedsSecondPass(r, &first, BSTreeCount(set))) {
        if (outcome) *outcome = first;
        return r;
    }
    RewriteOutcome second;
    int r2 = DeleteFileFromZIP(archivePath, set, simulation, 0, &second);
    int combined = CombinePasses(r, r2, &first, &second);
    if (outcome) *outcome = second;
    return combined;
}

int ChangeFileFromZIPTwoPass(const char* archivePath, BSTree* set, const RenameRequest* request,
                             RewriteOutcome* outcome)
{
    RewriteOutcome first;
    int r = ChangeFileFromZIP(archivePath, set, CHANGE_ACTION_RENAME, request, 1, &first);
    if (!NeedsSecondPass(r, &first, BSTreeCount(set))) {
        if (outcome) *outcome = first;
        return r;
    }
    RewriteOutcome second;
    int r2 = ChangeFileFromZIP(archivePath, set, CHANGE_ACTION_RENAME, request, 0, &second);
    int combined = CombinePasses(r, r2, &first, &second);
    if (outcome) *outcome = second;
    return combined;
}

int DeleteFilesFromZIPRBTreeTwoPass(const char* archivePath, RBTree* set, RewriteOutcome* outcome)
{
    RewriteOutcome first;
    int r = DeleteFilesFromZIPRBTree(archivePath, set, 0, 0, &first);
    // A red-black set is not emptied by matching: a first pass that met every record is done.
    int unmatched = set ? (int)(set->count - first.deleted) : 0;
    if (!NeedsSecondPass(r, &first, unmatched)) {
        if (outcome) *outcome = first;
        return r;
    }
    RewriteOutcome second;
    int r2 = DeleteFilesFromZIPRBTree(archivePath, set, 0, 1, &second);
    int combined = CombinePasses(r, r2, &first, &second);
    if (outcome) *outcome = second;
    return combined;
}

int ChangeFilesFromZIPTwoPass(const char* archivePath, RBTree* set, RewriteOutcome* outcome)
{
    RewriteOutcome first;
    int r = ChangeFilesFromZIP(archivePath, set, 0, 1, &first);
    int unmatched = set ? (int)(set->count - first.renamed) : 0;
    if (!NeedsSecondPass(r, &first, unmatched)) {
        if (outcome) *outcome = first;
        return r;
    }
    RewriteOutcome second;
    int r2 = ChangeFilesFromZIP(archivePath, set, 0, 0, &second);
    int combined = CombinePasses(r, r2, &first, &second);
    if (outcome) *outcome = second;
    return combined;
}
