#include "zip/repair.h"

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const uint32_t kLocalSignature = 0x04034b50;
const uint32_t kCentralSignature = 0x02014b50;
const uint32_t kEndSignature = 0x06054b50;
const uint32_t kEnd64Signature = 0x06064b50;
const uint32_t kLocator64Signature = 0x07064b50;
const uint32_t kDescriptorSignature = 0x08074b50;
const uint64_t k32 = 0xFFFFFFFFull;

uint16_t Get16(const unsigned char* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24); }
uint64_t Get64(const unsigned char* p) { return (uint64_t)Get32(p) | ((uint64_t)Get32(p + 4) << 32); }

void Put16(std::string* out, uint16_t v) { out->push_back((char)(v & 0xFF)); out->push_back((char)(v >> 8)); }
void Put32(std::string* out, uint32_t v) { Put16(out, (uint16_t)(v & 0xFFFF)); Put16(out, (uint16_t)(v >> 16)); }
void Put64(std::string* out, uint64_t v) { Put32(out, (uint32_t)(v & k32)); Put32(out, (uint32_t)(v >> 32)); }

// A member found whole: where its bytes lie in the input and what the central directory says.
struct FoundMember {
    uint64_t start, length;   // local header to the end of data (and descriptor)
    uint64_t outOffset;       // its local header in the new archive
    uint16_t versionNeeded, flags, method, time, date;
    uint32_t crc;
    uint64_t compressed, uncompressed;
    std::string name;
};

// The read-only view of the damaged archive.
struct MappedFile {
    HANDLE file = INVALID_HANDLE_VALUE, mapping = nullptr;
    const unsigned char* bytes = nullptr;
    uint64_t size = 0;
    ~MappedFile()
    {
        if (bytes) UnmapViewOfFile(bytes);
        if (mapping) CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
};

int MapInput(const char* path, MappedFile* m, DWORD* systemError)
{
    m->file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m->file == INVALID_HANDLE_VALUE) return *systemError = GetLastError(), 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m->file, &size)) return *systemError = GetLastError(), 0;
    m->size = (uint64_t)size.QuadPart;
    if (m->size == 0) return 1;
    m->mapping = CreateFileMappingA(m->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!m->mapping) return *systemError = GetLastError(), 0;
    m->bytes = (const unsigned char*)MapViewOfFile(m->mapping, FILE_MAP_READ, 0, 0, 0);
    if (!m->bytes) return *systemError = GetLastError(), 0;
    return 1;
}

// 1 when data (compressed bytes of a stored or deflated member) gives uncompressed bytes with crc.
int DataMatches(const unsigned char* data, uint64_t compressed, uint16_t method, uint32_t crc, uint64_t uncompressed)
{
    if (method == 0) {
        if (compressed != uncompressed) return 0;
        uLong sum = crc32(0L, Z_NULL, 0);
        for (uint64_t done = 0; done < compressed;) {
            uInt part = (uInt)((compressed - done) > (1u << 30) ? (1u << 30) : (compressed - done));
            sum = crc32(sum, data + done, part);
            done += part;
        }
        return (uint32_t)sum == crc;
    }
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return 0;
    std::vector<unsigned char> out(1 << 16);
    uLong sum = crc32(0L, Z_NULL, 0);
    uint64_t produced = 0, fed = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (z.avail_in == 0 && fed < compressed) {
            uInt part = (uInt)((compressed - fed) > (1u << 30) ? (1u << 30) : (compressed - fed));
            z.next_in = (Bytef*)(data + fed);
            z.avail_in = part;
            fed += part;
        }
        z.next_out = out.data();
        z.avail_out = (uInt)out.size();
        rc = inflate(&z, Z_NO_FLUSH);
        size_t got = out.size() - z.avail_out;
        sum = crc32(sum, out.data(), (uInt)got);
        produced += got;
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && fed >= compressed) break;  // data ends early
        if (rc == Z_BUF_ERROR && got > 0) rc = Z_OK;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END && produced == uncompressed && (uint32_t)sum == crc;
}

// Reads the member whose local header is at pos. 1 whole (member filled), 0 not.
int ReadWholeMember(const MappedFile& in, uint64_t pos, FoundMember* member)
{
    const unsigned char* b = in.bytes;
    if (pos + 30 > in.size || Get32(b + pos) != kLocalSignature) return 0;
    const unsigned char* h = b + pos;
    member->versionNeeded = Get16(h + 4);
    member->flags = Get16(h + 6);
    member->method = Get16(h + 8);
    member->time = Get16(h + 10);
    member->date = Get16(h + 12);
    member->crc = Get32(h + 14);
    member->compressed = Get32(h + 18);
    member->uncompressed = Get32(h + 22);
    uint16_t nameLength = Get16(h + 26), extraLength = Get16(h + 28);
    uint64_t dataStart = pos + 30 + nameLength + extraLength;
    if (nameLength == 0 || dataStart > in.size) return 0;
    member->name.assign((const char*)h + 30, nameLength);
    if (member->compressed == k32 || member->uncompressed == k32) {
        // ZIP64: the local extra field holds both sizes, uncompressed first.
        const unsigned char* e = h + 30 + nameLength;
        const unsigned char* end = e + extraLength;
        int found = 0;
        while (e + 4 <= end) {
            uint16_t id = Get16(e), length = Get16(e + 2);
            if (e + 4 + length > end) break;
            if (id == 1 && length >= 16) {
                member->uncompressed = Get64(e + 4);
                member->compressed = Get64(e + 12);
                found = 1;
            }
            e += 4 + length;
        }
        if (!found && !(member->flags & 8)) return 0;
    }
    uint64_t end = 0;
    if (member->flags & 8) {
        // Sizes follow the data: the descriptor whose compressed size is its own distance.
        for (uint64_t p = dataStart; p + 16 <= in.size; ++p) {
            if (b[p] != 'P' || b[p + 1] != 'K' || Get32(b + p) != kDescriptorSignature) continue;
            if (Get32(b + p + 8) == p - dataStart) {
                member->crc = Get32(b + p + 4);
                member->compressed = Get32(b + p + 8);
                member->uncompressed = Get32(b + p + 12);
                end = p + 16;
                break;
            }
            if (p + 24 <= in.size && Get64(b + p + 8) == p - dataStart) {
                member->crc = Get32(b + p + 4);
                member->compressed = Get64(b + p + 8);
                member->uncompressed = Get64(b + p + 16);
                end = p + 24;
                break;
            }
        }
        if (!end) return 0;
    } else {
        if (member->compressed > in.size - dataStart) return 0;  // cut off
        end = dataStart + member->compressed;
    }
    // Data that can be read is checked; encrypted or other methods are taken as they are.
    if (!(member->flags & 1) && (member->method == 0 || member->method == 8) &&
        !DataMatches(b + dataStart, member->compressed, member->method, member->crc, member->uncompressed))
        return 0;
    member->start = pos;
    member->length = end - pos;
    return 1;
}

// The next local header signature at or after pos; in.size when there is none.
uint64_t NextLocalHeader(const MappedFile& in, uint64_t pos)
{
    for (; pos + 4 <= in.size; ++pos)
        if (in.bytes[pos] == 'P' && Get32(in.bytes + pos) == kLocalSignature) return pos;
    return in.size;
}

struct OutputFile {
    HANDLE file = INVALID_HANDLE_VALUE;
    uint64_t written = 0;
    DWORD error = 0;
    int Write(const void* data, uint64_t size)
    {
        const char* p = (const char*)data;
        while (size > 0) {
            DWORD part = size > (1u << 24) ? (1u << 24) : (DWORD)size, done = 0;
            if (!WriteFile(file, p, part, &done, nullptr) || done != part) {
                error = GetLastError();
                if (!error) error = ERROR_WRITE_FAULT;
                return 0;
            }
            p += part;
            size -= part;
            written += part;
        }
        return 1;
    }
};

std::string CentralRecord(const FoundMember& m)
{
    std::string extra;
    uint32_t compressed = (uint32_t)(m.compressed >= k32 ? k32 : m.compressed);
    uint32_t uncompressed = (uint32_t)(m.uncompressed >= k32 ? k32 : m.uncompressed);
    uint32_t offset = (uint32_t)(m.outOffset >= k32 ? k32 : m.outOffset);
    if (uncompressed == k32) Put64(&extra, m.uncompressed);
    if (compressed == k32) Put64(&extra, m.compressed);
    if (offset == k32) Put64(&extra, m.outOffset);
    std::string r;
    Put32(&r, kCentralSignature);
    Put16(&r, (uint16_t)(extra.empty() ? 20 : 45));  // made by MS-DOS, version 2.0 or 4.5
    Put16(&r, m.versionNeeded);
    Put16(&r, m.flags);
    Put16(&r, m.method);
    Put16(&r, m.time);
    Put16(&r, m.date);
    Put32(&r, m.crc);
    Put32(&r, compressed);
    Put32(&r, uncompressed);
    Put16(&r, (uint16_t)m.name.size());
    Put16(&r, (uint16_t)(extra.empty() ? 0 : extra.size() + 4));
    Put16(&r, 0);  // comment
    Put16(&r, 0);  // disk
    Put16(&r, 0);  // internal attributes
    Put32(&r, !m.name.empty() && (m.name.back() == '/' || m.name.back() == '\\') ? 0x10 : 0);
    Put32(&r, offset);
    r += m.name;
    if (!extra.empty()) {
        Put16(&r, 1);
        Put16(&r, (uint16_t)extra.size());
        r += extra;
    }
    return r;
}

std::string EndRecords(uint64_t count, uint64_t centralOffset, uint64_t centralSize)
{
    std::string r;
    int zip64 = count >= 0xFFFF || centralOffset >= k32 || centralSize >= k32;
    if (zip64) {
        uint64_t end64 = centralOffset + centralSize;
        Put32(&r, kEnd64Signature);
        Put64(&r, 44);
        Put16(&r, 45);
        Put16(&r, 45);
        Put32(&r, 0);
        Put32(&r, 0);
        Put64(&r, count);
        Put64(&r, count);
        Put64(&r, centralSize);
        Put64(&r, centralOffset);
        Put32(&r, kLocator64Signature);
        Put32(&r, 0);
        Put64(&r, end64);
        Put32(&r, 1);
    }
    Put32(&r, kEndSignature);
    Put16(&r, 0);
    Put16(&r, 0);
    Put16(&r, (uint16_t)(count >= 0xFFFF ? 0xFFFF : count));
    Put16(&r, (uint16_t)(count >= 0xFFFF ? 0xFFFF : count));
    Put32(&r, (uint32_t)(centralSize >= k32 ? k32 : centralSize));
    Put32(&r, (uint32_t)(centralOffset >= k32 ? k32 : centralOffset));
    Put16(&r, 0);
    return r;
}

}  // namespace

int RecoverZipMembers(const char* inPath, const char* outPath, ZipRecovery* result, DWORD* systemError)
{
    ZipRecovery counts = {0, 0, 0};
    DWORD ignored = 0;
    if (!systemError) systemError = &ignored;
    *systemError = 0;
    if (result) *result = counts;
    if (!inPath || !outPath) return RECOVER_INPUT_FAILED;
    MappedFile in;
    if (!MapInput(inPath, &in, systemError)) return RECOVER_INPUT_FAILED;

    std::vector<FoundMember> members;
    for (uint64_t pos = NextLocalHeader(in, 0); pos < in.size;) {
        FoundMember m;
        if (ReadWholeMember(in, pos, &m)) {
            members.push_back(m);
            pos = NextLocalHeader(in, m.start + m.length);
        } else {
            counts.lost++;
            pos = NextLocalHeader(in, pos + 4);
        }
    }
    if (members.empty()) {
        if (result) *result = counts;
        return RECOVER_NOTHING;
    }

    OutputFile out;
    out.file = CreateFileA(outPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out.file == INVALID_HANDLE_VALUE) {
        *systemError = GetLastError();
        return RECOVER_OUTPUT_FAILED;
    }
    int ok = 1;
    for (FoundMember& m : members) {
        m.outOffset = out.written;
        if (!(ok = out.Write(in.bytes + m.start, m.length))) break;
        counts.recovered++;
        counts.recoveredBytes += m.uncompressed;
    }
    uint64_t centralOffset = out.written;
    for (size_t i = 0; ok && i < members.size(); ++i) {
        std::string record = CentralRecord(members[i]);
        ok = out.Write(record.data(), record.size());
    }
    if (ok) {
        std::string end = EndRecords(members.size(), centralOffset, out.written - centralOffset);
        ok = out.Write(end.data(), end.size());
    }
    if (ok && !FlushFileBuffers(out.file)) ok = 0, out.error = GetLastError();
    CloseHandle(out.file);
    if (!ok) {
        // A full disk or a failed write leaves nothing that passes for a repaired archive.
        DeleteFileA(outPath);
        *systemError = out.error;
        counts.recovered = counts.recoveredBytes = 0;
        if (result) *result = counts;
        return RECOVER_OUTPUT_FAILED;
    }
    if (result) *result = counts;
    return RECOVER_DONE;
}
