#include "createsupport.h"

#include <commctrl.h>
#include <zlib.h>

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstring>

#include "model/liststruct.h"
#include "support/testsupport.h"
#include "zip/create.h"
#include "zip/hiddenlist.h"
#include "zip/zipwriteio.h"

std::string TextBytes(size_t size, int seed)
{
    std::string s;
    s.reserve(size + 64);
    for (int line = 0; s.size() < size; ++line) {
        char buf[96];
        snprintf(buf, sizeof buf, "line %d of the sample text number %d, compressible\r\n", line, seed);
        s += buf;
    }
    s.resize(size);
    return s;
}

std::string NoiseBytes(size_t size, int seed)
{
    std::string s(size, '\0');
    uint32_t x = 2463534242u + (uint32_t)seed * 7919u;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = (char)(x & 0xff);
    }
    return s;
}

std::vector<TreeFile> StandardTree(void)
{
    return {
        {"hello.txt", "hello kelvora\r\n"},
        {"empty.txt", ""},
        {"my file.txt", "blanks in the name\n"},
        {"docs/readme.txt", TextBytes(200000, 1)},
        {"docs/img/noise.bin", NoiseBytes(150000, 2)},
        {"deep/er/est/leaf.txt", "deep\n"},
        {"emptydir/", ""},
    };
}

bool WriteTree(const std::string& folder, const std::vector<TreeFile>& files)
{
    for (const TreeFile& f : files) {
        std::string path = folder + "\\" + f.path;
        for (char& c : path)
            if (c == '/') c = '\\';
        for (size_t i = folder.size() + 1; i < path.size(); ++i)
            if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        if (path.back() == '\\') continue;
        if (!WriteWholeFile(path, f.data)) return false;
    }
    return true;
}

const ArchiveMember* ArchiveContents::Find(const std::string& name) const
{
    for (const ArchiveMember& m : members)
        if (m.name == name) return &m;
    return nullptr;
}

std::vector<std::string> ArchiveContents::Names() const
{
    std::vector<std::string> names;
    for (const ArchiveMember& m : members) names.push_back(m.name);
    return names;
}

ArchiveContents ReadArchive(const std::string& path, const char* password, bool withRaw)
{
    ArchiveContents out;
    unzFile uf = unzOpen64(path.c_str());
    if (!uf) return out;
    out.opened = true;
    unz_global_info64 gi = {};
    unzGetGlobalInfo64(uf, &gi);
    out.entries = gi.number_entry;
    char comment[1024] = "";
    int clen = unzGetGlobalComment(uf, comment, sizeof comment - 1);
    if (clen > 0) out.comment.assign(comment, (size_t)clen);
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        ArchiveMember m;
        unz_file_info64 info;
        char name[1024];
        if (unzGetCurrentFileInfo64(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        m.name = name;
        m.method = (int)info.compression_method;
        m.flag = (unsigned)info.flag;
        m.crc = (uint32_t)info.crc;
        m.dosDate = (uint32_t)info.dosDate;
        m.compressed = info.compressed_size;
        m.uncompressed = info.uncompressed_size;
        if (unzOpenCurrentFilePassword(uf, (info.flag & 1) ? password : nullptr) == UNZ_OK) {
            char extra[1024];
            int elen = unzGetLocalExtrafield(uf, extra, sizeof extra);
            if (elen > 0) m.localExtra.assign(extra, (size_t)elen);
            std::vector<char> buf(65536);
            int n;
            while ((n = unzReadCurrentFile(uf, buf.data(), (unsigned)buf.size())) > 0) m.data.append(buf.data(), (size_t)n);
            int closed = unzCloseCurrentFile(uf);
            m.dataOk = n == 0 && closed == UNZ_OK && m.data.size() == info.uncompressed_size;
        }
        if (withRaw) {
            int method = 0, level = 0;
            if (unzOpenCurrentFile2(uf, &method, &level, 1) == UNZ_OK) {
                std::vector<char> buf(65536);
                int n;
                while ((n = unzReadCurrentFile(uf, buf.data(), (unsigned)buf.size())) > 0) m.raw.append(buf.data(), (size_t)n);
                unzCloseCurrentFile(uf);
            }
        }
        out.members.push_back(m);
    }
    unzClose(uf);
    return out;
}

uint64_t MemberDataEnd(const std::string& archive, const std::string& name)
{
    // The central record names the local header; the local header gives its own lengths.
    std::string bytes;
    ZipTailInfo tail;
    if (!ReadWholeFile(archive, &bytes) || !ReadZipTailInfo(archive.c_str(), &tail)) return 0;
    auto get16 = [&](uint64_t at) { return (uint64_t)(unsigned char)bytes[at] | ((uint64_t)(unsigned char)bytes[at + 1] << 8); };
    auto get32 = [&](uint64_t at) { return get16(at) | (get16(at + 2) << 16); };
    for (uint64_t p = tail.centralOffset; p + 46 <= tail.centralOffset + tail.centralSize;) {
        uint64_t n = get16(p + 28), m = get16(p + 30), k = get16(p + 32);
        if (bytes.compare(p + 46, n, name) == 0 && n == name.size()) {
            uint64_t local = get32(p + 42) + tail.bytesBefore;
            return local + 30 + get16(local + 26) + get16(local + 28) + get32(p + 20);
        }
        p += 46 + n + m + k;
    }
    return 0;
}

bool LeftOut::Has(int reason, const std::string& pathEnd) const
{
    for (const auto& item : items) {
        if (item.first != reason) continue;
        const std::string& p = item.second;
        if (p.size() >= pathEnd.size() && p.compare(p.size() - pathEnd.size(), pathEnd.size(), pathEnd) == 0) return true;
    }
    return false;
}

static void RecordLeftOut(ZipCreateOptions* o, int reason, const char* path)
{
    if (o->reportData) ((LeftOut*)o->reportData)->items.emplace_back(reason, path ? path : "");
}

ZipCreateOptions* NewTestRun(const std::string& target, int level, LeftOut* log)
{
    ZipCreateOptions* o = NewZipCreateOptions();
    if (!o) return nullptr;
    snprintf(o->targetArchive, sizeof o->targetArchive, "%s", target.c_str());
    o->level = level;
    o->noProgressDialog = 1;
    if (log) {
        o->report = RecordLeftOut;
        o->reportData = log;
    }
    return o;
}

int RunWorker(ZipCreateOptions* options)
{
    return (int)ZipWorkDirectoryThread(options);
}

int RunWorkerBesideViews(ZipCreateOptions* options, DWORD timeoutMs)
{
    DWORD code = 0;
    return RunThreadPumpingMessages(ZipWorkDirectoryThread, options, timeoutMs, &code) ? (int)code : -1;
}

int DecryptedCheckByte(const std::string& raw, const char* password)
{
    if (raw.size() < 12 || !password) return -1;
    const z_crc_t* table = get_crc_table();
    uint32_t k0 = 0x12345678u, k1 = 0x23456789u, k2 = 0x34567890u;
    auto update = [&](unsigned char c) {
        k0 = table[(k0 ^ c) & 0xff] ^ (k0 >> 8);
        k1 = (k1 + (k0 & 0xff)) * 134775813u + 1;
        k2 = table[(k2 ^ (k1 >> 24)) & 0xff] ^ (k2 >> 8);
    };
    for (const char* p = password; *p; ++p) update((unsigned char)*p);
    int last = -1;
    for (int i = 0; i < 12; ++i) {
        uint16_t t = (uint16_t)((k2 | 2) & 0xffff);
        unsigned char plain = (unsigned char)((unsigned char)raw[(size_t)i] ^ (unsigned char)((t * (t ^ 1)) >> 8));
        update(plain);
        last = plain;
    }
    return last;
}

bool WriteReferenceArchive(const std::string& path, const std::vector<TreeFile>& members, const char* comment)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return false;
    bool ok = true;
    for (size_t i = 0; i < members.size() && ok; ++i) {
        zip_fileinfo zfi = {};
        zfi.dosDate = 0x52A43C21u + (uLong)i;
        // A private extra field (id 0xCAFE, four bytes) on the first member.
        const char extra[] = {(char)0xFE, (char)0xCA, 4, 0, 'K', 'V', 'L', 'R'};
        ok = zipOpenNewFileInZip64(zf, members[i].path.c_str(), &zfi, i == 0 ? extra : nullptr, i == 0 ? 8 : 0,
                                   nullptr, 0, "member comment", Z_DEFLATED, 6, 0) == ZIP_OK;
        if (ok && !members[i].data.empty())
            ok = zipWriteInFileInZip(zf, members[i].data.data(), (unsigned)members[i].data.size()) == ZIP_OK;
        if (ok) ok = zipCloseFileInZip(zf) == ZIP_OK;
    }
    return zipClose(zf, comment) == ZIP_OK && ok;
}

CreateTestList::CreateTestList()
{
    list = CreateHiddenList();
    parent = list ? GetParent(list) : nullptr;
}

CreateTestList::~CreateTestList()
{
    DestroyHiddenList(list);
}

int CreateTestList::Rows() const
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

std::string CreateTestList::Cell(int row, int column) const
{
    char text[260] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    return text;
}

std::string CreateTestList::MemberName(int row) const
{
    std::string name = Cell(row, 7) + Cell(row, 0);
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}
