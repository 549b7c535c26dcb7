// The rewrite operations of in-place modification (see modify.h): one walk over the archive's
// central directory that copies each kept entry's bytes as they lie (local header, data, data
// descriptor) into the temporary archive, writes a central directory for the copies, checks the
// new archive with the zip reader and puts it in place of the old one in one step.
//
// Entries are copied byte for byte instead of through the zip library's raw read and write:
// that keeps every field (flags, versions, extra fields, descriptors, any compression method)
// as it was and costs one read and one write per byte, no checksum and no recompression.
#include "zip/modify.h"
#include "zip/zipnames.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// The new archive is written through a buffer of this size.
const size_t kChunk = 1u << 20;
// The old archive is read through a window of this size.
const size_t kWindow = 4u << 20;
// The new archive's local headers are all checked up to this many entries, a sample beyond.
const int64_t kVerifyAll = 256;

const uint32_t kLocalSig = 0x04034b50u;
const uint32_t kCentralSig = 0x02014b50u;
const uint32_t kEndSig = 0x06054b50u;
const uint32_t kZip64EndSig = 0x06064b50u;
const uint32_t kZip64LocatorSig = 0x07064b50u;
const uint32_t kDescriptorSig = 0x08074b50u;
const uint32_t kMax32 = 0xffffffffu;

uint16_t Get16(const unsigned char* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24); }
uint64_t Get64(const unsigned char* p) { return (uint64_t)Get32(p) | ((uint64_t)Get32(p + 4) << 32); }
void Put16(std::string* s, uint32_t v) { s->push_back((char)v); s->push_back((char)(v >> 8)); }
void Put32(std::string* s, uint32_t v) { Put16(s, v & 0xffff); Put16(s, v >> 16); }
void Put64(std::string* s, uint64_t v) { Put32(s, (uint32_t)v); Put32(s, (uint32_t)(v >> 32)); }
void Set16(unsigned char* p, uint32_t v) { p[0] = (unsigned char)v; p[1] = (unsigned char)(v >> 8); }

// ---- files ----

// The old archive, read at given offsets.
struct InputFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    uint64_t size = 0;
    unsigned char* win = nullptr;  // read-ahead window: entries lie one after the other
    uint64_t winStart = 0;
    size_t winLen = 0;
    ~InputFile()
    {
        Close();
        free(win);
    }
    void Close()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
    int Open(const char* path)
    {
        handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        LARGE_INTEGER li;
        if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &li)) return 0;
        size = (uint64_t)li.QuadPart;
        return 1;
    }
    // Reads up to n bytes at offset; *got tells how many (fewer only at the end of the file).
    int ReadAt(uint64_t offset, void* dest, size_t n, size_t* got)
    {
        *got = 0;
        unsigned char* out = (unsigned char*)dest;
        while (*got < n) {
            OVERLAPPED ov = {};
            uint64_t at = offset + *got;
            ov.Offset = (DWORD)at;
            ov.OffsetHigh = (DWORD)(at >> 32);
            DWORD want = (DWORD)(n - *got > 0x40000000u ? 0x40000000u : n - *got);
            DWORD read = 0;
            if (!ReadFile(handle, out + *got, want, &read, &ov)) {
                if (GetLastError() == ERROR_HANDLE_EOF) return 1;
                return 0;
            }
            if (read == 0) return 1;
            *got += read;
        }
        return 1;
    }
    // Up to n bytes at offset through the window: returns a pointer to them and tells in
    // *avail how many it holds (fewer near the end of the file, or at most the window's size).
    // Null on a read failure or without memory.
    const unsigned char* View(uint64_t offset, size_t n, size_t* avail)
    {
        *avail = 0;
        size_t need = n < kWindow ? n : kWindow;
        int inside = offset >= winStart && offset <= winStart + winLen &&
                     (offset + need <= winStart + winLen || winStart + winLen >= size);
        if (!inside || !win) {
            if (!win && !(win = (unsigned char*)malloc(kWindow))) return nullptr;
            size_t got = 0;
            if (!ReadAt(offset, win, kWindow, &got)) {
                winLen = 0;
                return nullptr;
            }
            winStart = offset;
            winLen = got;
        }
        size_t have = (size_t)(winStart + winLen - offset);
        *avail = n < have ? n : have;
        return win + (offset - winStart);
    }
};

// The temporary archive, written in order through a buffer.
struct OutputFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    uint64_t pos = 0;
    unsigned char* buf = nullptr;
    size_t len = 0;
    int error = 0;
    ~OutputFile()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        free(buf);
    }
    int Create(const char* path)
    {
        buf = (unsigned char*)malloc(kChunk);
        if (!buf) return 0;
        handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    }
    int WriteRaw(const void* data, size_t n)
    {
        const unsigned char* p = (const unsigned char*)data;
        while (n > 0) {
            DWORD wrote = 0;
            DWORD want = (DWORD)(n > 0x40000000u ? 0x40000000u : n);
            if (!WriteFile(handle, p, want, &wrote, nullptr) || wrote == 0) {
                error = 1;
                return 0;
            }
            p += wrote;
            n -= wrote;
        }
        return 1;
    }
    int Flush()
    {
        if (len && !WriteRaw(buf, len)) return 0;
        len = 0;
        return !error;
    }
    int Write(const void* data, size_t n)
    {
        if (error) return 0;
        if (n >= kChunk / 2) {
            // Large slices go straight to the file, after what is buffered.
            if (!Flush() || !WriteRaw(data, n)) return 0;
        } else if (len + n > kChunk && !Flush()) {
            return 0;
        } else {
            memcpy(buf + len, data, n);
            len += n;
        }
        pos += n;
        return 1;
    }
    int Write(const std::string& s) { return Write(s.data(), s.size()); }
    // Writes what is buffered, puts it on the disk and closes. 1 when nothing failed.
    int Close()
    {
        int ok = Flush();
        // The new archive is about to replace the old one: its bytes must be on the disk first.
        if (ok && !FlushFileBuffers(handle)) ok = 0;
        if (!CloseHandle(handle)) ok = 0;
        handle = INVALID_HANDLE_VALUE;
        return ok;
    }
};

// ---- the central directory ----

struct CentralDirectory {
    std::string bytes;      // every central record
    uint64_t byteBefore = 0;  // bytes in front of the archive proper (a self-extractor's program)
    uint64_t entries = 0;
};

// One central record, zip64 values resolved.
struct CentralRecord {
    uint16_t madeBy, needed, flag, method, time, date, internal;
    uint32_t crc, external;
    uint64_t compressed, uncompressed, localOffset;
    const char* name;
    size_t nameLen;
    const unsigned char* extra;
    size_t extraLen;
    const char* comment;
    size_t commentLen;
};

// Finds the end records and reads the central directory. 1 on success.
int LoadCentralDirectory(InputFile* in, CentralDirectory* cd)
{
    size_t tail = in->size < 0xffff + 22 ? (size_t)in->size : 0xffff + 22;
    if (tail < 22) return 0;
    std::string end(tail, '\0');
    size_t got;
    if (!in->ReadAt(in->size - tail, &end[0], tail, &got) || got != tail) return 0;
    const unsigned char* e = (const unsigned char*)end.data();
    size_t at = tail - 22 + 1;
    while (at-- > 0) {
        if (Get32(e + at) == kEndSig && at + 22 + Get16(e + at + 20) <= tail) break;
        if (at == 0) return 0;
    }
    uint64_t endPos = in->size - tail + at;
    uint64_t entries = Get16(e + at + 10);
    uint64_t cdSize = Get32(e + at + 12);
    uint64_t cdOffset = Get32(e + at + 16);
    uint64_t cdEnd = endPos;
    if (endPos >= 20 + 56 && at >= 20 && Get32(e + at - 20) == kZip64LocatorSig) {
        unsigned char rec[56];
        uint64_t candidates[2] = {endPos - 20 - 56, Get64(e + at - 20 + 8)};
        int found = 0;
        for (uint64_t pos : candidates) {
            if (pos + 56 > in->size || !in->ReadAt(pos, rec, sizeof rec, &got) || got != sizeof rec) continue;
            if (Get32(rec) != kZip64EndSig) continue;
            entries = Get64(rec + 32);
            cdSize = Get64(rec + 40);
            cdOffset = Get64(rec + 48);
            cdEnd = pos;
            found = 1;
            break;
        }
        if (!found) return 0;
    }
    if (cdOffset + cdSize > cdEnd || cdSize > ((uint64_t)1 << 31)) return 0;
    cd->byteBefore = cdEnd - (cdOffset + cdSize);
    cd->entries = entries;
    cd->bytes.assign((size_t)cdSize, '\0');
    if (cdSize && (!in->ReadAt(cdOffset + cd->byteBefore, &cd->bytes[0], (size_t)cdSize, &got) || got != cdSize))
        return 0;
    return 1;
}

// Parses the record at pos. Returns the position after it, 0 when no valid record is there.
size_t ParseCentralRecord(const std::string& bytes, size_t pos, CentralRecord* r)
{
    const unsigned char* p = (const unsigned char*)bytes.data() + pos;
    if (pos + 46 > bytes.size() || Get32(p) != kCentralSig) return 0;
    r->madeBy = Get16(p + 4);
    r->needed = Get16(p + 6);
    r->flag = Get16(p + 8);
    r->method = Get16(p + 10);
    r->time = Get16(p + 12);
    r->date = Get16(p + 14);
    r->crc = Get32(p + 16);
    r->compressed = Get32(p + 20);
    r->uncompressed = Get32(p + 24);
    r->nameLen = Get16(p + 28);
    r->extraLen = Get16(p + 30);
    r->commentLen = Get16(p + 32);
    uint16_t disk = Get16(p + 34);
    r->internal = Get16(p + 36);
    r->external = Get32(p + 38);
    r->localOffset = Get32(p + 42);
    size_t total = 46 + r->nameLen + r->extraLen + r->commentLen;
    if (pos + total > bytes.size()) return 0;
    r->name = (const char*)p + 46;
    r->extra = p + 46 + r->nameLen;
    r->comment = (const char*)r->extra + r->extraLen;
    // Values too large for their fields are in the zip64 field, in this order.
    size_t i = 0;
    while (i + 4 <= r->extraLen) {
        uint16_t id = Get16(r->extra + i), len = Get16(r->extra + i + 2);
        if (i + 4 + len > r->extraLen) break;
        if (id == 0x0001) {
            const unsigned char* z = r->extra + i + 4;
            size_t left = len;
            if (r->uncompressed == kMax32 && left >= 8) { r->uncompressed = Get64(z); z += 8; left -= 8; }
            if (r->compressed == kMax32 && left >= 8) { r->compressed = Get64(z); z += 8; left -= 8; }
            if (r->localOffset == kMax32 && left >= 8) { r->localOffset = Get64(z); z += 8; left -= 8; }
            (void)disk;
            break;
        }
        i += 4 + len;
    }
    return pos + total;
}

// An extra-field block without its zip64 field: that field describes the old layout, and a
// fresh one is added where the new archive needs it.
std::string WithoutZip64Field(const unsigned char* extra, size_t size)
{
    std::string out;
    size_t i = 0;
    while (i + 4 <= size) {
        uint16_t id = Get16(extra + i), len = Get16(extra + i + 2);
        if (i + 4 + len > size) break;  // a damaged tail is kept as it is
        if (id != 0x0001) out.append((const char*)extra + i, 4 + len);
        i += 4 + len;
    }
    out.append((const char*)extra + i, size - i);
    return out;
}

int HasZip64Field(const unsigned char* extra, size_t size)
{
    size_t i = 0;
    while (i + 4 <= size) {
        uint16_t id = Get16(extra + i), len = Get16(extra + i + 2);
        if (id == 0x0001) return 1;
        i += 4 + len;
    }
    return 0;
}

// Appends the central record of an entry written at offset under name. 0 when the extra
// field would grow beyond its 16-bit length.
int AppendCentralRecord(std::string* cd, const CentralRecord& r, uint16_t flag, const char* name, size_t nameLen,
                        uint64_t offset)
{
    std::string extra = WithoutZip64Field(r.extra, r.extraLen);
    int bigU = r.uncompressed >= kMax32, bigC = r.compressed >= kMax32, bigO = offset >= kMax32;
    if (bigU || bigC || bigO) {
        std::string z;
        if (bigU) Put64(&z, r.uncompressed);
        if (bigC) Put64(&z, r.compressed);
        if (bigO) Put64(&z, offset);
        Put16(&extra, 0x0001);
        Put16(&extra, (uint32_t)z.size());
        extra += z;
    }
    if (extra.size() > 0xffff || nameLen > 0xffff) return 0;
    uint16_t needed = r.needed;
    if ((bigU || bigC || bigO) && needed < 45) needed = 45;
    Put32(cd, kCentralSig);
    Put16(cd, r.madeBy);
    Put16(cd, needed);
    Put16(cd, flag);
    Put16(cd, r.method);
    Put16(cd, r.time);
    Put16(cd, r.date);
    Put32(cd, r.crc);
    Put32(cd, bigC ? kMax32 : (uint32_t)r.compressed);
    Put32(cd, bigU ? kMax32 : (uint32_t)r.uncompressed);
    Put16(cd, (uint32_t)nameLen);
    Put16(cd, (uint32_t)extra.size());
    Put16(cd, (uint32_t)r.commentLen);
    Put16(cd, 0);  // disk
    Put16(cd, r.internal);
    Put32(cd, r.external);
    Put32(cd, bigO ? kMax32 : (uint32_t)offset);
    cd->append(name, nameLen);
    cd->append(extra);
    cd->append(r.comment, r.commentLen);
    return 1;
}

// The end records: zip64 ones when the counts or offsets need them, then the plain one with
// the archive comment.
std::string EndRecords(uint64_t entries, uint64_t cdOffset, uint64_t cdSize, const std::string& comment)
{
    std::string s;
    int zip64 = entries >= 0xffff || cdOffset >= kMax32 || cdSize >= kMax32;
    if (zip64) {
        uint64_t recordPos = cdOffset + cdSize;
        Put32(&s, kZip64EndSig);
        Put64(&s, 44);
        Put16(&s, 45);
        Put16(&s, 45);
        Put32(&s, 0);
        Put32(&s, 0);
        Put64(&s, entries);
        Put64(&s, entries);
        Put64(&s, cdSize);
        Put64(&s, cdOffset);
        Put32(&s, kZip64LocatorSig);
        Put32(&s, 0);
        Put64(&s, recordPos);
        Put32(&s, 1);
    }
    Put32(&s, kEndSig);
    Put16(&s, 0);
    Put16(&s, 0);
    Put16(&s, entries >= 0xffff ? 0xffff : (uint32_t)entries);
    Put16(&s, entries >= 0xffff ? 0xffff : (uint32_t)entries);
    Put32(&s, cdSize >= kMax32 ? kMax32 : (uint32_t)cdSize);
    Put32(&s, cdOffset >= kMax32 ? kMax32 : (uint32_t)cdOffset);
    Put16(&s, (uint32_t)comment.size());
    s += comment;
    return s;
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

// The name an entry is shown as: decoded as its maker wrote it, in the ANSI code page.
void DecodedName(const CentralRecord& r, char* out, size_t outSize, int* exact)
{
    DecodeZipNameAnsi(r.name, r.nameLen, r.flag, r.extra, r.extraLen, out, outSize, exact);
}

// The name an entry is compared as: the decoded name the keys are made of (first pass), or the
// stored bytes as they are (second pass, for archives whose names match as stored).
void ComparisonName(const CentralRecord& r, int decoded, char* out, size_t outSize)
{
    if (decoded) DecodedName(r, out, outSize, nullptr);
    else CopyBounded(out, outSize, std::string(r.name, r.nameLen).c_str());
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

// Comparison names (lower-cased, either separator) that stand for members with different
// stored names: "Ελ.txt" and "Ζη.txt" both read "??.txt" in a Western ANSI code page, and long
// names cut to the keys' length may meet too.
struct NameUse {
    std::string stored;  // the first stored name met
    int distinct;        // another stored name compares the same
    int inexact;         // one of them is not shown whole and exactly
};
typedef std::unordered_map<std::string, NameUse> AmbiguousNames;

void CollectAmbiguousNames(const CentralDirectory& dir, int decoded, AmbiguousNames* names)
{
    size_t pos = 0;
    while (pos < dir.bytes.size()) {
        CentralRecord r;
        size_t next = ParseCentralRecord(dir.bytes, pos, &r);
        if (!next) break;
        pos = next;
        std::string stored(r.name, r.nameLen);
        if (IsZipDirectoryName(stored.c_str())) continue;
        char compare[260];
        int exact = r.nameLen < sizeof compare;
        if (decoded) DecodedName(r, compare, sizeof compare, &exact);
        else ComparisonName(r, 0, compare, sizeof compare);
        auto ins = names->emplace(CollisionKey(compare), NameUse{stored, 0, !exact});
        if (ins.second) continue;
        // Two entries of the very same stored name are one member given twice: not ambiguous;
        // names that differ only in ASCII case are told apart as before.
        if (ins.first->second.stored != stored) ins.first->second.distinct = 1;
        if (!exact) ins.first->second.inexact = 1;
    }
}

int IsAmbiguousName(const AmbiguousNames& names, const char* compareName, const CentralRecord& r)
{
    if (IsZipDirectoryName(std::string(r.name, r.nameLen).c_str())) return 0;
    auto it = names.find(CollisionKey(compareName));
    return it != names.end() && it->second.distinct && it->second.inexact;
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
    std::unordered_set<std::string> folderNames;           // directory entries written, by CollisionKey
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

int DecideReplaceContent(Rewrite* rw, const char* compareName, const char*, char*, size_t)
{
    // The viewer names the entry as the list shows it: the decoded name.
    return strcmp(compareName, rw->addName) == 0 ? DROP : KEEP;
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

// The data descriptor that follows an entry flagged with bit 3: copied as it is when it is
// there (with or without its signature), else written from the central record.
std::string DataDescriptor(const unsigned char* after, size_t available, const CentralRecord& r, uint64_t copied,
                           int zip64)
{
    size_t withSig = zip64 ? 24 : 16;
    if (available >= withSig && Get32(after) == kDescriptorSig && Get32(after + 4) == r.crc)
        return std::string((const char*)after, withSig);
    if (available >= withSig - 4 && Get32(after) == r.crc && Get32(after) != kLocalSig && Get32(after) != kCentralSig)
        return std::string((const char*)after, withSig - 4);
    std::string d;
    Put32(&d, kDescriptorSig);
    Put32(&d, r.crc);
    if (zip64) {
        Put64(&d, copied);
        Put64(&d, r.uncompressed);
    } else {
        Put32(&d, (uint32_t)copied);
        Put32(&d, (uint32_t)r.uncompressed);
    }
    return d;
}

// Copies one entry (local header, data and data descriptor, as they lie in the old archive)
// to the end of the new archive, under newName when given, and appends its central record.
// Returns 1, 0 when the walk must end.
int CopyEntry(Rewrite* rw, InputFile* in, OutputFile* out, const CentralDirectory& dir, const CentralRecord& r,
              const char* newName, std::string* cd)
{
    const char* op = rw->op;
    const char* sep = rw->sep;
    std::string stored(r.name, r.nameLen);
    uint64_t local = r.localOffset + dir.byteBefore;
    size_t avail = 0;
    const unsigned char* p = in->View(local, 30, &avail);
    if (!p || avail < 30 || Get32(p) != kLocalSig) {
        LogPrint(kLogError, GApp.verbose, "%s error in unzOpenCurrentFile2 %d", op, UNZ_BADZIPFILE);
        return 0;
    }
    size_t nameLen = Get16(p + 26), extraLen = Get16(p + 28);
    size_t headerLen = 30 + nameLen + extraLen;
    p = in->View(local, headerLen, &avail);
    if (!p || avail < headerLen) {
        LogPrint(kLogError, GApp.verbose, "%s unzGetLocalExtrafield<0", op);
        return 0;
    }
    std::string header((const char*)p, headerLen);
    const unsigned char* localExtra = (const unsigned char*)header.data() + 30 + nameLen;
    int zip64 = HasZip64Field(localExtra, extraLen) || r.compressed >= kMax32 || r.uncompressed >= kMax32;
    // A kept entry keeps its name bytes and flags; a new name is stored as new members are.
    std::string encoded;
    uint16_t nameBits = 0;
    if (newName) EncodeZipNameForWriting(newName, &encoded, &nameBits);
    const char* outName = newName ? encoded.c_str() : r.name;
    size_t outNameLen = newName ? encoded.size() : r.nameLen;
    uint16_t flag = newName ? (uint16_t)((r.flag & ~ZIP_FLAG_UTF8) | nameBits) : r.flag;

    uint64_t offset = out->pos;
    int ok;
    if (newName) {
        unsigned char fixed[30];
        memcpy(fixed, header.data(), 30);
        Set16(fixed + 6, flag);
        Set16(fixed + 26, (uint32_t)outNameLen);
        ok = out->Write(fixed, 30) && out->Write(outName, outNameLen) && out->Write(localExtra, extraLen);
    } else {
        ok = out->Write(header);
    }
    if (!ok) {
        LogPrint(kLogError, GApp.verbose, "%s%szipOpenNewFileInZip2", op, sep);
        return 0;
    }
    uint64_t dataStart = local + headerLen;
    uint64_t copied = 0;
    while (copied < r.compressed) {
        p = in->View(dataStart + copied, (size_t)(r.compressed - copied < kWindow ? r.compressed - copied : kWindow),
                     &avail);
        if (!p) {
            LogPrint(kLogError, GApp.verbose, "%s%serror with file %s read:%d compressed size:%lld", op, sep,
                     stored.c_str(), -1, (long long)r.compressed);
            return 0;
        }
        if (avail == 0) break;  // the old archive ends early
        if (!out->Write(p, avail)) {
            LogPrint(kLogError, GApp.verbose, "%s%szipWriteInFileInZip", op, sep);
            return 0;
        }
        copied += avail;
    }
    if (copied != r.compressed)
        LogPrint(kLogError, GApp.verbose, "%s%spossible error with file %s read:%lld compressed size:%lld", op, sep,
                 stored.c_str(), (long long)copied, (long long)r.compressed);
    if (r.flag & 8) {
        p = in->View(dataStart + copied, 24, &avail);
        if (!p) avail = 0;
        if (!out->Write(DataDescriptor(p, avail, r, copied, zip64))) {
            LogPrint(kLogError, GApp.verbose, "%s%szipCloseFileInZipRaw", op, sep);
            return 0;
        }
    }
    CentralRecord written = r;
    written.compressed = copied;
    if (!AppendCentralRecord(cd, written, flag, outName, outNameLen, offset)) {
        LogPrint(kLogError, GApp.verbose, "%s%szipCloseFileInZipRaw", op, sep);
        return 0;
    }
    return 1;
}

// Writes the replacement content as a new entry at the end: deflated at level (stored at 0),
// not encrypted, dated now.
int WriteAddedEntry(Rewrite* rw, OutputFile* out, std::string* cd)
{
    int level = rw->addLevel < 0 ? 6 : rw->addLevel > 9 ? 9 : rw->addLevel;
    int method = level == 0 ? 0 : Z_DEFLATED;
    const unsigned char* data = (const unsigned char*)rw->addData;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (size_t done = 0; done < rw->addSize;) {
        uInt n = rw->addSize - done > 0x40000000u ? 0x40000000u : (uInt)(rw->addSize - done);
        crc = crc32(crc, data + done, n);
        done += n;
    }
    std::string packed;
    if (method == Z_DEFLATED) {
        z_stream zs;
        memset(&zs, 0, sizeof zs);
        if (deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return 0;
        std::string slice(kChunk, '\0');
        size_t done = 0;
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            size_t n = rw->addSize - done > 0x40000000u ? 0x40000000u : rw->addSize - done;
            zs.next_in = (Bytef*)(data + done);
            zs.avail_in = (uInt)n;
            int flush = done + n == rw->addSize ? Z_FINISH : Z_NO_FLUSH;
            do {
                zs.next_out = (Bytef*)&slice[0];
                zs.avail_out = (uInt)slice.size();
                rc = deflate(&zs, flush);
                if (rc == Z_STREAM_ERROR) {
                    deflateEnd(&zs);
                    return 0;
                }
                packed.append(slice.data(), slice.size() - zs.avail_out);
            } while (zs.avail_out == 0);
            done += n;
        }
        deflateEnd(&zs);
    } else {
        packed.assign((const char*)data, rw->addSize);
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    CentralRecord r = {};
    r.madeBy = 0;
    r.needed = 20;
    r.flag = method == Z_DEFLATED ? (level >= 8 ? 2 : level == 2 ? 4 : level == 1 ? 6 : 0) : 0;
    r.method = (uint16_t)method;
    r.time = (uint16_t)((now.wHour << 11) | (now.wMinute << 5) | (now.wSecond / 2));
    r.date = (uint16_t)(((now.wYear - 1980) << 9) | (now.wMonth << 5) | now.wDay);
    r.crc = (uint32_t)crc;
    r.compressed = packed.size();
    r.uncompressed = rw->addSize;
    std::string addStored;
    uint16_t nameBits = 0;
    EncodeZipNameForWriting(rw->addName, &addStored, &nameBits);
    r.flag |= nameBits;
    r.name = addStored.c_str();
    r.nameLen = addStored.size();
    r.extra = (const unsigned char*)"";
    r.comment = "";
    int zip64 = r.compressed >= kMax32 || r.uncompressed >= kMax32;
    uint64_t offset = out->pos;
    std::string header;
    Put32(&header, kLocalSig);
    Put16(&header, zip64 ? 45 : 20);
    Put16(&header, r.flag);
    Put16(&header, r.method);
    Put16(&header, r.time);
    Put16(&header, r.date);
    Put32(&header, r.crc);
    Put32(&header, zip64 ? kMax32 : (uint32_t)r.compressed);
    Put32(&header, zip64 ? kMax32 : (uint32_t)r.uncompressed);
    Put16(&header, (uint32_t)r.nameLen);
    Put16(&header, zip64 ? 20 : 0);
    header.append(r.name, r.nameLen);
    if (zip64) {
        Put16(&header, 0x0001);
        Put16(&header, 16);
        Put64(&header, r.uncompressed);
        Put64(&header, r.compressed);
    }
    if (!out->Write(header) || !out->Write(packed) || !AppendCentralRecord(cd, r, r.flag, r.name, r.nameLen, offset)) {
        LogPrint(kLogError, GApp.verbose, "%s%szipWriteInFileInZip", rw->op, rw->sep);
        return 0;
    }
    return 1;
}

// ---- checking the new archive ----
// The zip reader checks the new archive independently of the code that wrote it. Its file
// layer reads through a small window: the central directory is read in order, and each local
// header is visited once.

struct CheckFile {
    HANDLE handle;
    uint64_t pos, winStart;
    size_t winLen;
    int error;
    unsigned char win[8192];
};

voidpf ZCALLBACK CheckOpen(voidpf, const void* filename, int mode)
{
    if (!filename || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    HANDLE h = CreateFileA((const char*)filename, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    CheckFile* f = (CheckFile*)calloc(1, sizeof(CheckFile));
    if (!f) {
        CloseHandle(h);
        return nullptr;
    }
    f->handle = h;
    return f;
}

uLong ZCALLBACK CheckRead(voidpf, voidpf stream, void* buf, uLong size)
{
    CheckFile* f = (CheckFile*)stream;
    unsigned char* out = (unsigned char*)buf;
    uLong done = 0;
    while (done < size) {
        if (f->pos >= f->winStart && f->pos < f->winStart + f->winLen) {
            size_t avail = (size_t)(f->winStart + f->winLen - f->pos);
            size_t n = size - done < avail ? size - done : avail;
            memcpy(out + done, f->win + (f->pos - f->winStart), n);
            f->pos += n;
            done += (uLong)n;
            continue;
        }
        OVERLAPPED ov = {};
        ov.Offset = (DWORD)f->pos;
        ov.OffsetHigh = (DWORD)(f->pos >> 32);
        DWORD got = 0;
        if (!ReadFile(f->handle, f->win, sizeof f->win, &got, &ov) || got == 0) {
            f->error = 1;
            break;
        }
        f->winStart = f->pos;
        f->winLen = got;
    }
    return done;
}

uLong ZCALLBACK CheckWrite(voidpf, voidpf stream, const void*, uLong)
{
    ((CheckFile*)stream)->error = 1;
    return 0;
}

ZPOS64_T ZCALLBACK CheckTell(voidpf, voidpf stream)
{
    return ((CheckFile*)stream)->pos;
}

long ZCALLBACK CheckSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    CheckFile* f = (CheckFile*)stream;
    LARGE_INTEGER size;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: f->pos = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: f->pos += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        if (!GetFileSizeEx(f->handle, &size)) return -1;
        f->pos = (uint64_t)size.QuadPart + offset;
        return 0;
    default: return -1;
    }
}

int ZCALLBACK CheckClose(voidpf, voidpf stream)
{
    CheckFile* f = (CheckFile*)stream;
    CloseHandle(f->handle);
    free(f);
    return 0;
}

int ZCALLBACK CheckError(voidpf, voidpf stream)
{
    return ((CheckFile*)stream)->error;
}

// Opens the new archive with the zip reader and walks its central directory; entries of a
// method the reader knows are opened, which checks their local headers against their central
// records: every entry of a small archive, of a large one the first, the last and evenly spread
// ones (a misplaced byte moves every later entry). 1 when all of that works and exactly
// expected entries are listed.
int VerifyNewArchive(const char* path, int64_t expected)
{
    zlib_filefunc64_def ff = {CheckOpen, CheckRead, CheckWrite, CheckTell, CheckSeek, CheckClose, CheckError, nullptr};
    unzFile uf = unzOpen2_64(path, &ff);
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
            int sampled = expected <= kVerifyAll || seen % (expected / kVerifyAll) == 0 || seen == expected - 1;
            if (sampled && (info.compression_method == 0 || info.compression_method == Z_DEFLATED ||
                            info.compression_method == 12)) {
                int method, level;
                if (unzOpenCurrentFile2(uf, &method, &level, 1) != UNZ_OK) break;
                unzCloseCurrentFile(uf);
            }
            ++seen;
            rc = unzGoToNextFile(uf);
        }
        ok = rc == UNZ_END_OF_LIST_OF_FILE && seen == expected;
    }
    unzClose(uf);
    if (!ok)
        LogPrint(kLogError, GApp.verbose, "VerifyNewArchive: %s lists %lld readable entries, %lld expected", path,
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

// What the walk decided about one entry that is copied.
struct PlannedCopy {
    size_t record;        // offset of its central record
    std::string newName;  // empty: keeps its name
};

// The rewrite in two steps: the walk over the central directory decides about every entry
// (and ends without touching any file when nothing matched or a new name is taken); then the
// planned entries are copied into the temporary archive, which is checked and put in place.
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
    // A read-only archive is the user's "do not change": replacing it would also drop the
    // attribute.
    if (!rw->simulation && IsReadOnlyArchive(rw->archivePath)) {
        LogPrint(-1, GApp.verbose, "%s%s%s is read-only - nothing changed", op, sep, rw->archivePath);
        return REWRITE_READ_ONLY;
    }

    // The zip reader opens the archive (waiting while another program holds it) and keeps it
    // open, so that nobody writes to it while it is copied.
    unzFile uf = MyWaitunzOpen2_64(rw->archivePath, 3000);
    if (!uf) return REWRITE_OPEN_FAILED;
    if (rw->simulation && rw->isDelete && rw->rbset)
        LogPrint(kLogInfo, GApp.verbose, "DeleteFilesFromZIPRBTree in Simulationmode - not opening Zipfile!");

    OutputFile file;
    int tempCreated = 0;
    auto finish = [&](int result) {
        if (tempCreated) {
            if (file.handle != INVALID_HANDLE_VALUE) CloseHandle(file.handle);
            file.handle = INVALID_HANDLE_VALUE;
            DeleteFileA(tempPath);
        }
        unzClose(uf);
        return result;
    };

    unz_global_info64 gi;
    memset(&gi, 0, sizeof gi);
    std::string comment;
    if (unzGetGlobalInfo64(uf, &gi) != UNZ_OK) {
        if (!(rw->simulation && rw->isDelete)) return finish(REWRITE_GLOBAL_INFO);
    } else if (gi.size_comment > 0) {
        char* buf = (char*)calloc(gi.size_comment + 1, 1);
        if (!buf) return finish(REWRITE_COMMENT_MEMORY);
        int n = unzGetGlobalComment(uf, buf, gi.size_comment + 1);
        if (n < (int)gi.size_comment) {
            free(buf);
            return finish(REWRITE_COMMENT_SHORT);
        }
        comment.assign(buf, gi.size_comment);
        free(buf);
    }

    InputFile in;
    if (!in.Open(rw->archivePath)) return finish(REWRITE_OPEN_FAILED);
    CentralDirectory dir;
    int walkOk = LoadCentralDirectory(&in, &dir);
    if (!walkOk) LogPrint(kLogError, GApp.verbose, "%s%serror %d", op, sep, UNZ_BADZIPFILE);

    // Names that several different members are compared as (see IsAmbiguousName).
    AmbiguousNames ambiguous;
    if (walkOk) CollectAmbiguousNames(dir, rw->oem, &ambiguous);
    int ambiguousHit = 0;

    // The walk: a decision for every entry.
    std::vector<PlannedCopy> plan;
    int didWork = rw->addName != nullptr;
    int collided = 0;
    size_t pos = 0;
    while (walkOk && pos < dir.bytes.size()) {
        CentralRecord r;
        size_t next = ParseCentralRecord(dir.bytes, pos, &r);
        if (!next) {
            LogPrint(kLogError, GApp.verbose, "%s error in unzGetCurrentFileInfo %d", op, UNZ_BADZIPFILE);
            walkOk = 0;
            break;
        }
        size_t record = pos;
        pos = next;
        ++out->entries;
        std::string fullName(r.name, r.nameLen);
        // Keys are cut to 259 characters; a kept entry keeps its whole name.
        char stored[260];
        CopyBounded(stored, sizeof stored, fullName.c_str());
        char compareName[260];
        ComparisonName(r, rw->oem, compareName, sizeof compareName);
        char shownName[260];
        DecodedName(r, shownName, sizeof shownName, nullptr);
        char newName[260] = "";
        int decision = rw->decide(rw, compareName, stored, newName, sizeof newName);
        int isDirectory = IsZipDirectoryName(fullName.c_str());
        if (decision != KEEP && IsAmbiguousName(ambiguous, compareName, r)) {
            // Two members look alike in the ANSI code page: acting on one of them by that name
            // could hit the other, so nothing is changed.
            CopyBounded(out->collision, sizeof out->collision, compareName);
            ReplaceChar(out->collision, '\\', '/');
            LogPrint(kLogError, GApp.verbose, "%s%sthe name %s stands for several members - nothing changed", op, sep,
                     out->collision);
            ambiguousHit = 1;
            break;
        }
        if (decision == DROP) {
            if (!isDirectory) {
                rw->dropFiles += 1;
                rw->dropCompressed += (int64_t)r.compressed;
                rw->dropUncompressed += (int64_t)r.uncompressed;
            }
            if (rw->bset) ShowDeleteProgress(rw, stored);
            if (rw->simulation) LogPrint(kLogInfo, GApp.verbose, "%s Do not delete %s - Simulationmode!", op, stored);
            else if (rw->rbset) LogPrint(kLogInfo, GApp.verbose, "DeleteFilesFromZipRBTree delete file %s", stored);
            ++out->deleted;
            didWork = 1;
            continue;
        }
        if (decision == RENAME) {
            ++out->renamed;
            didWork = 1;
        }
        // Directory entries that the operation did not select stay: they carry the user's
        // empty folders and the folders' own dates. A renamed or moved one stays a folder.
        PlannedCopy copy{record, std::string()};
        if (decision == RENAME) {
            char renamed[260];
            CopyBounded(renamed, sizeof renamed, newName);
            ReplaceChar(renamed, '\\', '/');
            if (isDirectory && *renamed && !IsZipDirectoryName(renamed)) {
                size_t len = strlen(renamed);
                if (len + 1 < sizeof renamed) {
                    renamed[len] = '/';
                    renamed[len + 1] = '\0';
                }
            }
            if (rw->rbset) ShowRenameProgress(rw, renamed);
            else LogPrint(kLogInfo, GApp.verbose, "--changed dos_fn: %s NewFilename %s", stored, renamed);
            if (!*renamed || strcmp(renamed, "/") == 0 || (!isDirectory && IsZipDirectoryName(renamed))) {
                // A file cannot take the name of a folder, nor no name at all.
                LogPrint(kLogError, GApp.verbose, "%s%sno usable new name for %s", op, sep, stored);
                walkOk = 0;
                break;
            }
            copy.newName = renamed;
        }
        if (isDirectory) {
            // Two entries of one folder are one folder: a folder moved onto an existing one
            // keeps the entry that is there.
            std::string key = CollisionKey(copy.newName.empty() ? shownName : copy.newName.c_str());
            if (rw->folderNames.count(key)) continue;
            rw->folderNames.insert(key);
            plan.push_back(std::move(copy));
            continue;
        }
        if (!RecordWrittenName(rw, copy.newName.empty() ? shownName : copy.newName.c_str(),
                               !copy.newName.empty())) {
            LogPrint(kLogError, GApp.verbose, "%s%sthe name %s is given twice - nothing changed", op, sep,
                     out->collision);
            collided = 1;
            break;
        }
        plan.push_back(std::move(copy));
    }
    // The replacement content goes last, under a name no other entry may have.
    if (walkOk && !collided && rw->addName && !RecordWrittenName(rw, rw->addName, 1)) collided = 1;
    if (rw->rbset && !rw->isDelete)
        LogPrint(kLogInfo, GApp.verbose, "ChangeFilesFromZIP: found %d of %d", (int)out->renamed, (int)rw->rbset->count);

    if (rw->simulation) {
        finish(0);
        if (!rw->isDelete) return REWRITE_NOT_REPLACED;
        GApp.listTotals.rows -= rw->dropFiles;
        GApp.listTotals.compressed -= rw->dropCompressed;
        GApp.listTotals.uncompressed -= rw->dropUncompressed;
        return REWRITE_DONE;
    }
    out->walkFailed = !walkOk && !collided && !ambiguousHit;
    if (ambiguousHit) return finish(REWRITE_AMBIGUOUS_NAME);
    if (collided) return finish(REWRITE_NAME_COLLISION);
    if (!walkOk || !didWork) return finish(REWRITE_NOT_REPLACED);

    // The copy.
    if (!file.Create(tempPath)) {
        LogPrint(kLogError, GApp.verbose, "%s%scannot create %s (error %lu)", op, sep, tempPath,
                 (unsigned long)GetLastError());
        if (file.handle != INVALID_HANDLE_VALUE) tempCreated = 1;
        return finish(REWRITE_TEMP_FAILED);
    }
    tempCreated = 1;
    std::string cd;
    int copyOk = 1;
    for (const PlannedCopy& c : plan) {
        CentralRecord r;
        ParseCentralRecord(dir.bytes, c.record, &r);
        if (!CopyEntry(rw, &in, &file, dir, r, c.newName.empty() ? nullptr : c.newName.c_str(), &cd)) {
            copyOk = 0;
            break;
        }
        ++out->copied;
    }
    in.Close();
    if (copyOk && rw->addName) {
        if (WriteAddedEntry(rw, &file, &cd)) ++out->copied;
        else copyOk = 0;
    }
    if (copyOk) {
        uint64_t cdOffset = file.pos;
        copyOk = file.Write(cd) && file.Write(EndRecords((uint64_t)out->copied, cdOffset, cd.size(), comment));
        if (!file.Close() || !copyOk) {
            LogPrint(kLogError, GApp.verbose, "%s%szipClose: the new archive cannot be written", op, sep);
            copyOk = 0;
        }
    }
    if (!copyOk) {
        out->walkFailed = 1;
        return finish(REWRITE_NOT_REPLACED);
    }
    unzClose(uf);
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
    case REWRITE_READ_ONLY: return "the archive is read-only";
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
    InitRewrite(&rw, "HandleChangeFileContentThread", ": ", archivePath, 0, 1, outcome);
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
