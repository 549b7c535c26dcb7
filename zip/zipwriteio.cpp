// The zip writer's file layer and the repairs of an archive's end (see zipwriteio.h).
#include "zip/zipwriteio.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "zip/create.h"

namespace {

// minizip writes every header field with a call of its own: gathering them saves a system call
// per field; the compressed data arrives in 64 KiB pieces and passes straight through.
enum { kWriteBuffer = 256 * 1024 };

std::atomic<int64_t> gWriteLimit{-1};

struct ZipWriteFile {
    HANDLE handle;
    uint64_t pos;        // logical position
    uint64_t osPos;      // where the system's file pointer stands
    uint64_t bufStart;   // file offset of buf[0]
    uint32_t bufLen;
    int error;
    int64_t written;     // bytes handed to the system, for the test limit
    unsigned char buf[kWriteBuffer];
};

int MoveTo(ZipWriteFile* f, uint64_t offset)
{
    if (f->osPos == offset) return 1;
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    if (!SetFilePointerEx(f->handle, to, nullptr, FILE_BEGIN)) return 0;
    f->osPos = offset;
    return 1;
}

int WriteAt(ZipWriteFile* f, uint64_t offset, const void* data, uint32_t size)
{
    int64_t limit = gWriteLimit.load();
    if (limit >= 0 && f->written + (int64_t)size > limit) {
        SetLastError(ERROR_DISK_FULL);
        return 0;
    }
    if (!MoveTo(f, offset)) return 0;
    DWORD done = 0;
    if (!WriteFile(f->handle, data, size, &done, nullptr) || done != size) {
        f->osPos = UINT64_MAX;
        return 0;
    }
    f->osPos += done;
    f->written += done;
    return 1;
}

int Flush(ZipWriteFile* f)
{
    if (f->bufLen == 0) return 1;
    int ok = WriteAt(f, f->bufStart, f->buf, f->bufLen);
    f->bufLen = 0;
    if (!ok) f->error = 1;
    return ok;
}

voidpf ZCALLBACK WriterOpen(voidpf, const void* filename, int mode)
{
    if (!filename) return nullptr;
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ || (mode & ZLIB_FILEFUNC_MODE_CREATE)) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = (mode & ZLIB_FILEFUNC_MODE_CREATE) ? CREATE_ALWAYS : OPEN_EXISTING;
    }
    HANDLE h = CreateFileA((const char*)filename, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    ZipWriteFile* f = (ZipWriteFile*)malloc(sizeof(ZipWriteFile));
    if (!f) {
        CloseHandle(h);
        return nullptr;
    }
    f->handle = h;
    f->pos = f->osPos = f->bufStart = 0;
    f->bufLen = 0;
    f->error = 0;
    f->written = 0;
    return f;
}

uLong ZCALLBACK WriterRead(voidpf, voidpf stream, void* buf, uLong size)
{
    ZipWriteFile* f = (ZipWriteFile*)stream;
    if (!Flush(f) || !MoveTo(f, f->pos)) {
        f->error = 1;
        return 0;
    }
    DWORD got = 0;
    if (!ReadFile(f->handle, buf, size, &got, nullptr)) {
        f->error = 1;
        f->osPos = UINT64_MAX;
        return 0;
    }
    f->osPos += got;
    f->pos += got;
    return got;
}

uLong ZCALLBACK WriterWrite(voidpf, voidpf stream, const void* buf, uLong size)
{
    ZipWriteFile* f = (ZipWriteFile*)stream;
    if (f->error) return 0;
    // The sizes and CRC patched into a local header that is still in the buffer.
    if (f->bufLen && f->pos >= f->bufStart && f->pos + size <= f->bufStart + f->bufLen) {
        memcpy(f->buf + (f->pos - f->bufStart), buf, size);
        f->pos += size;
        return size;
    }
    if (f->bufLen && f->pos != f->bufStart + f->bufLen && !Flush(f)) return 0;
    if (size >= kWriteBuffer / 2) {
        if (!Flush(f) || !WriteAt(f, f->pos, buf, size)) {
            f->error = 1;
            return 0;
        }
        f->pos += size;
        return size;
    }
    if (f->bufLen + size > kWriteBuffer && !Flush(f)) return 0;
    if (f->bufLen == 0) f->bufStart = f->pos;
    memcpy(f->buf + f->bufLen, buf, size);
    f->bufLen += size;
    f->pos += size;
    return size;
}

ZPOS64_T ZCALLBACK WriterTell(voidpf, voidpf stream)
{
    return ((ZipWriteFile*)stream)->pos;
}

long ZCALLBACK WriterSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ZipWriteFile* f = (ZipWriteFile*)stream;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: f->pos = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: f->pos += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
        if (!Flush(f)) return -1;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(f->handle, &size)) {
            f->error = 1;
            return -1;
        }
        f->pos = (uint64_t)size.QuadPart + offset;
        return 0;
    }
    default: return -1;
    }
}

int ZCALLBACK WriterClose(voidpf, voidpf stream)
{
    ZipWriteFile* f = (ZipWriteFile*)stream;
    int ok = Flush(f) && !f->error;
    if (!CloseHandle(f->handle)) ok = 0;
    free(f);
    return ok ? 0 : -1;
}

int ZCALLBACK WriterError(voidpf, voidpf stream)
{
    return ((ZipWriteFile*)stream)->error;
}

// ---- little-endian fields ----

uint32_t Get16(const unsigned char* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }
uint32_t Get32(const unsigned char* p) { return Get16(p) | (Get16(p + 2) << 16); }
uint64_t Get64(const unsigned char* p) { return (uint64_t)Get32(p) | ((uint64_t)Get32(p + 4) << 32); }

void Put16(std::string* s, uint32_t v)
{
    s->push_back((char)(v & 0xff));
    s->push_back((char)((v >> 8) & 0xff));
}
void Put32(std::string* s, uint32_t v)
{
    Put16(s, v & 0xffff);
    Put16(s, v >> 16);
}
void Put64(std::string* s, uint64_t v)
{
    Put32(s, (uint32_t)v);
    Put32(s, (uint32_t)(v >> 32));
}

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~FileHandle()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

int ReadExact(HANDLE h, uint64_t offset, void* dest, size_t size)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    if (!SetFilePointerEx(h, to, nullptr, FILE_BEGIN)) return 0;
    unsigned char* out = (unsigned char*)dest;
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size;
        DWORD got = 0;
        if (!ReadFile(h, out, chunk, &got, nullptr) || got == 0) return 0;
        out += got;
        size -= got;
    }
    return 1;
}

int WriteExact(HANDLE h, uint64_t offset, const void* data, size_t size)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    if (!SetFilePointerEx(h, to, nullptr, FILE_BEGIN)) return 0;
    const unsigned char* in = (const unsigned char*)data;
    while (size > 0) {
        DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size;
        DWORD done = 0;
        if (!WriteFile(h, in, chunk, &done, nullptr) || done != chunk) return 0;
        in += done;
        size -= done;
    }
    return 1;
}

int ReadTail(HANDLE h, ZipTailInfo* info)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart < 22) return 0;
    info->fileSize = (uint64_t)size.QuadPart;
    uint64_t span = std::min<uint64_t>(info->fileSize, 65535 + 22);
    std::string tail(span, '\0');
    uint64_t tailStart = info->fileSize - span;
    if (!ReadExact(h, tailStart, &tail[0], span)) return 0;
    const unsigned char* t = (const unsigned char*)tail.data();
    int64_t at = -1;
    for (int64_t i = (int64_t)span - 22; i >= 0; --i) {
        if (t[i] == 'P' && t[i + 1] == 'K' && t[i + 2] == 5 && t[i + 3] == 6 &&
            (uint64_t)i + 22 + Get16(t + i + 20) <= span) {
            at = i;
            break;
        }
    }
    if (at < 0) return 0;
    const unsigned char* e = t + at;
    info->endRecordOffset = tailStart + (uint64_t)at;
    info->entries = Get16(e + 10);
    info->centralSize = Get32(e + 12);
    uint64_t recordedOffset = Get32(e + 16);
    info->comment.assign((const char*)e + 22, Get16(e + 20));
    info->zip64RecordOffset = UINT64_MAX;
    uint64_t centralEnd = info->endRecordOffset;

    if (info->endRecordOffset >= 20) {
        unsigned char loc[20];
        if (ReadExact(h, info->endRecordOffset - 20, loc, sizeof loc) && Get32(loc) == 0x07064b50) {
            // The locator's offset does not count bytes in front of the archive: look where it
            // says, else right before the locator.
            uint64_t candidates[2] = {Get64(loc + 8), info->endRecordOffset - 20 >= 56 ? info->endRecordOffset - 20 - 56 : 0};
            for (uint64_t c : candidates) {
                unsigned char rec[56];
                if (c + 56 <= info->endRecordOffset - 20 && ReadExact(h, c, rec, sizeof rec) && Get32(rec) == 0x06064b50) {
                    info->zip64RecordOffset = c;
                    info->entries = Get64(rec + 32);
                    info->centralSize = Get64(rec + 40);
                    recordedOffset = Get64(rec + 48);
                    centralEnd = c;
                    break;
                }
            }
        }
    }
    if (recordedOffset + info->centralSize > centralEnd) return 0;
    info->bytesBefore = centralEnd - (recordedOffset + info->centralSize);
    info->centralOffset = recordedOffset + info->bytesBefore;
    return 1;
}

// Offset of the local header a central record points at (zip64 extra when the field is full).
uint64_t LocalHeaderOffset(const unsigned char* rec)
{
    uint64_t offset = Get32(rec + 42);
    if (offset != 0xFFFFFFFFu) return offset;
    uint32_t nameLen = Get16(rec + 28), extraLen = Get16(rec + 30);
    const unsigned char* x = rec + 46 + nameLen;
    const unsigned char* end = x + extraLen;
    while (x + 4 <= end) {
        uint32_t id = Get16(x), len = Get16(x + 2);
        if (x + 4 + len > end) break;
        if (id == 0x0001) {
            const unsigned char* v = x + 4;
            if (Get32(rec + 24) == 0xFFFFFFFFu) v += 8;
            if (Get32(rec + 20) == 0xFFFFFFFFu) v += 8;
            if (v + 8 <= x + 4 + len) return Get64(v);
        }
        x += 4 + len;
    }
    return offset;
}

}  // namespace

void SetZipWriteLimitForTests(int64_t bytes)
{
    gWriteLimit.store(bytes);
}

void FillZipWriteFileFunctions(zlib_filefunc64_def* functions)
{
    functions->zopen64_file = WriterOpen;
    functions->zread_file = WriterRead;
    functions->zwrite_file = WriterWrite;
    functions->ztell64_file = WriterTell;
    functions->zseek64_file = WriterSeek;
    functions->zclose_file = WriterClose;
    functions->zerror_file = WriterError;
    functions->opaque = nullptr;
}

int ReadZipTailInfo(const char* path, ZipTailInfo* info)
{
    if (!path || !info) return 0;
    FileHandle f;
    f.h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f.h == INVALID_HANDLE_VALUE) return 0;
    return ReadTail(f.h, info);
}

int SaveZipTail(const char* path, const ZipTailInfo* info, std::string* bytes)
{
    if (!path || !info || !bytes || info->centralOffset > info->fileSize) return 0;
    FileHandle f;
    f.h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f.h == INVALID_HANDLE_VALUE) return 0;
    bytes->assign((size_t)(info->fileSize - info->centralOffset), '\0');
    return bytes->empty() || ReadExact(f.h, info->centralOffset, &(*bytes)[0], bytes->size());
}

int RestoreZipTail(const char* path, uint64_t at, const std::string& bytes)
{
    FileHandle f;
    f.h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f.h == INVALID_HANDLE_VALUE) return 0;
    if (!WriteExact(f.h, at, bytes.data(), bytes.size())) return 0;
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)(at + bytes.size());
    return SetFilePointerEx(f.h, end, nullptr, FILE_BEGIN) && SetEndOfFile(f.h) && FlushFileBuffers(f.h);
}

int FinishZipCentralDirectory(const char* path, const std::vector<uint64_t>& drop, int* changed)
{
    if (changed) *changed = 0;
    FileHandle f;
    f.h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f.h == INVALID_HANDLE_VALUE) return 0;
    ZipTailInfo info;
    if (!ReadTail(f.h, &info)) return 0;
    std::string central((size_t)info.centralSize, '\0');
    if (!central.empty() && !ReadExact(f.h, info.centralOffset, &central[0], central.size())) return 0;

    // Walk the records; the entry count of a writer that stopped at 65535 cannot be trusted.
    std::vector<std::pair<size_t, size_t>> records;  // start, length
    const unsigned char* c = (const unsigned char*)central.data();
    size_t p = 0;
    while (p + 46 <= central.size() && Get32(c + p) == 0x02014b50) {
        size_t len = 46 + Get16(c + p + 28) + Get16(c + p + 30) + Get16(c + p + 32);
        if (p + len > central.size()) return 0;
        records.emplace_back(p, len);
        p += len;
    }
    if (p != central.size()) return 0;

    std::vector<uint64_t> dropped(drop);
    std::sort(dropped.begin(), dropped.end());
    dropped.erase(std::unique(dropped.begin(), dropped.end()), dropped.end());
    while (!dropped.empty() && dropped.back() >= records.size()) dropped.pop_back();

    uint64_t kept = records.size() - dropped.size();
    int hasZip64 = info.zip64RecordOffset != UINT64_MAX;
    std::string newCentral;
    newCentral.reserve(central.size());
    size_t d = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (d < dropped.size() && dropped[d] == i) {
            ++d;
            continue;
        }
        newCentral.append(central, records[i].first, records[i].second);
    }
    // Dropped entries at the very end: their data goes as well.
    uint64_t position = info.centralOffset;
    if (!dropped.empty() && dropped.front() + dropped.size() == records.size()) {
        uint64_t local = LocalHeaderOffset(c + records[dropped.front()].first) + info.bytesBefore;
        if (local < position) position = local;
    }
    uint64_t recordedPosition = position - info.bytesBefore;
    int needsZip64 = kept >= 0xFFFF || newCentral.size() >= 0xFFFFFFFFu || recordedPosition >= 0xFFFFFFFFu;
    if (dropped.empty() && (!needsZip64 || (hasZip64 && info.entries == kept))) return 1;

    std::string end = newCentral;
    if (needsZip64) {
        uint64_t zip64At = position + newCentral.size() - info.bytesBefore;
        Put32(&end, 0x06064b50);
        Put64(&end, 44);
        Put16(&end, 45);
        Put16(&end, 45);
        Put32(&end, 0);
        Put32(&end, 0);
        Put64(&end, kept);
        Put64(&end, kept);
        Put64(&end, newCentral.size());
        Put64(&end, recordedPosition);
        Put32(&end, 0x07064b50);
        Put32(&end, 0);
        Put64(&end, zip64At);
        Put32(&end, 1);
    }
    Put32(&end, 0x06054b50);
    Put16(&end, 0);
    Put16(&end, 0);
    Put16(&end, kept >= 0xFFFF ? 0xFFFF : (uint32_t)kept);
    Put16(&end, kept >= 0xFFFF ? 0xFFFF : (uint32_t)kept);
    Put32(&end, newCentral.size() >= 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)newCentral.size());
    Put32(&end, recordedPosition >= 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)recordedPosition);
    Put16(&end, (uint32_t)info.comment.size());
    end += info.comment;

    if (changed) *changed = 1;
    if (!WriteExact(f.h, position, end.data(), end.size())) return 0;
    LARGE_INTEGER cut;
    cut.QuadPart = (LONGLONG)(position + end.size());
    return SetFilePointerEx(f.h, cut, nullptr, FILE_BEGIN) && SetEndOfFile(f.h);
}
