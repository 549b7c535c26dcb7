#include "modifysupport.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include <minizip/unzip.h>

#include "model/appstate.h"
#include "model/bstree.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/zipentry.h"
#include "support/testsupport.h"
#include "zip/hiddenlist.h"
#include "zip/ziphelper.h"

namespace {

std::string StripZip64(const std::string& extra)
{
    std::string out;
    size_t i = 0;
    while (i + 4 <= extra.size()) {
        unsigned id = (unsigned char)extra[i] | ((unsigned char)extra[i + 1] << 8);
        unsigned len = (unsigned char)extra[i + 2] | ((unsigned char)extra[i + 3] << 8);
        if (i + 4 + len > extra.size()) break;
        if (id != 1) out += extra.substr(i, 4 + len);
        i += 4 + len;
    }
    return out + extra.substr(i);
}

bool KnownMethod(unsigned long method)
{
    return method == 0 || method == 8 || method == 12;
}

}  // namespace

std::string ModifyFixturePath(const std::string& name)
{
    std::string base = UnixToWindowsPath(KV_MODIFY_FIXTURES_DIR);
    return name.empty() ? base : base + "\\" + name;
}

std::string CopyFixture(const std::string& name, const std::string& folder)
{
    std::string to = folder + "\\" + name;
    if (!CopyFileA(ModifyFixturePath(name).c_str(), to.c_str(), FALSE)) return "";
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    return to;
}

std::string FileBytes(const std::string& path, bool* ok)
{
    std::string bytes;
    bool read = ReadWholeFile(path, &bytes);
    if (ok) *ok = read;
    return bytes;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const RawEntry* RawArchive::Find(const std::string& name) const
{
    auto it = index.find(name);
    return it == index.end() ? nullptr : &entries[it->second];
}

std::vector<std::string> RawArchive::Names() const
{
    std::vector<std::string> names;
    for (const RawEntry& e : entries) names.push_back(e.name);
    return names;
}

RawArchive ReadRawArchive(const std::string& path)
{
    RawArchive a;
    unzFile uf = MyWaitunzOpen2_64(path.c_str(), 0);
    if (!uf) return a;
    unz_global_info64 gi;
    if (unzGetGlobalInfo64(uf, &gi) != UNZ_OK) {
        unzClose(uf);
        return a;
    }
    a.comment.assign((size_t)gi.size_comment, '\0');
    if (gi.size_comment) unzGetGlobalComment(uf, &a.comment[0], gi.size_comment + 1);
    int rc = unzGoToFirstFile(uf);
    bool ok = true;
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
            ok = false;
            break;
        }
        RawEntry e;
        e.name.assign((size_t)info.size_filename + 1, '\0');
        std::string extra((size_t)info.size_file_extra + 1, '\0');
        e.comment.assign((size_t)info.size_file_comment + 1, '\0');
        unzGetCurrentFileInfo64(uf, &info, &e.name[0], (uLong)e.name.size(), &extra[0], (uLong)extra.size(),
                                &e.comment[0], (uLong)e.comment.size());
        e.name.resize((size_t)info.size_filename);
        extra.resize((size_t)info.size_file_extra);
        e.comment.resize((size_t)info.size_file_comment);
        e.centralExtra = StripZip64(extra);
        e.versionMadeBy = info.version;
        e.flag = info.flag;
        e.method = info.compression_method;
        e.dosDate = info.dosDate;
        e.crc = info.crc;
        e.compressed = info.compressed_size;
        e.uncompressed = info.uncompressed_size;
        e.internalAttr = info.internal_fa;
        e.externalAttr = info.external_fa;
        int method = 0, level = 0;
        if (unzOpenCurrentFile2(uf, &method, &level, 1) == UNZ_OK) {
            int n = unzGetLocalExtrafield(uf, nullptr, 0);
            if (n > 0) {
                std::string local((size_t)n, '\0');
                unzGetLocalExtrafield(uf, &local[0], (unsigned)n);
                e.localExtra = StripZip64(local);
            }
            e.data.assign((size_t)info.compressed_size, '\0');
            size_t got = 0;
            while (got < e.data.size()) {
                int r = unzReadCurrentFile(uf, &e.data[got], (unsigned)(e.data.size() - got));
                if (r <= 0) break;
                got += (size_t)r;
            }
            if (got != e.data.size()) ok = false;
            unzCloseCurrentFile(uf);
        } else if (!IsZipDirectoryName(e.name.c_str()) && KnownMethod(e.method)) {
            ok = false;
        } else {
            e.dataRead = false;  // a method the zip reader does not open, even raw
        }
        a.index.emplace(e.name, a.entries.size());
        a.entries.push_back(e);
        rc = unzGoToNextFile(uf);
    }
    unzClose(uf);
    a.ok = ok && rc == UNZ_END_OF_LIST_OF_FILE;
    return a;
}

std::string RawEntryDifference(const RawEntry& b, const RawEntry& a)
{
    std::string d;
    auto check = [&](bool same, const char* what) {
        if (!same) d += std::string(d.empty() ? "" : ", ") + what;
    };
    check(b.versionMadeBy == a.versionMadeBy, "version made by");
    check(b.flag == a.flag, "flags");
    check(b.method == a.method, "method");
    check(b.dosDate == a.dosDate, "date");
    check(b.crc == a.crc, "CRC");
    check(b.compressed == a.compressed, "compressed size");
    check(b.uncompressed == a.uncompressed, "size");
    check(b.internalAttr == a.internalAttr, "internal attributes");
    check(b.externalAttr == a.externalAttr, "external attributes");
    check(b.centralExtra == a.centralExtra, "central extra field");
    check(b.localExtra == a.localExtra, "local extra field");
    check(b.comment == a.comment, "comment");
    check(b.dataRead == a.dataRead && b.data == a.data, "raw data");
    return d;
}

bool ReadEntryContent(const std::string& archive, const std::string& name, std::string* content,
                      const char* password)
{
    unzFile uf = MyWaitunzOpen2_64(archive.c_str(), 0);
    if (!uf) return false;
    bool ok = false;
    if (unzLocateFile(uf, name.c_str(), 1) == UNZ_OK) {
        unz_file_info64 info;
        unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0);
        if (unzOpenCurrentFilePassword(uf, password) == UNZ_OK) {
            content->assign((size_t)info.uncompressed_size, '\0');
            size_t got = 0;
            int r = 1;
            while (got < content->size() && (r = unzReadCurrentFile(uf, &(*content)[got], (unsigned)(content->size() - got))) > 0)
                got += (size_t)r;
            char probe;
            ok = got == content->size() && unzReadCurrentFile(uf, &probe, 1) == 0;
            ok = unzCloseCurrentFile(uf) == UNZ_OK && ok;
        }
    }
    unzClose(uf);
    return ok;
}

std::string Backslashed(std::string s)
{
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

BSTree* MakeBSSet(const std::vector<std::string>& keys)
{
    BSTree* set = CreateZipEntrySet();
    int n = 0;
    for (const std::string& k : keys) BSTreeInsert(set, CreateZipEntry(k.c_str(), nullptr, n++));
    return set;
}

RBTree* MakeRBSet(const std::vector<std::pair<std::string, std::string>>& entries)
{
    RBTree* set = CreateZipEntryRBSet();
    int n = 0;
    for (const auto& e : entries)
        RBTreeInsert(set, CreateZipEntry(e.first.c_str(), e.second.empty() ? nullptr : e.second.c_str(), ++n),
                     nullptr);
    return set;
}

ModifyListHost::ModifyListHost()
{
    list = CreateHiddenList();
    host = list ? GetParent(list) : nullptr;
    GApp.hwndList = list;
}

ModifyListHost::~ModifyListHost()
{
    if (GApp.hwndList == list) GApp.hwndList = nullptr;
    DestroyHiddenList(list);
}

int ModifyListHost::AddMember(const std::string& name, int64_t compressed, int64_t uncompressed)
{
    std::string full = Backslashed(name);
    ListRowTime t = {0, 6, 5, 4, 2, 2021};
    return InsertListRow(list, &t, ZipBaseName(full.c_str()), full.c_str(), nullptr, compressed, uncompressed);
}

int ModifyListHost::RowCount() const
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

std::vector<std::string> ModifyListHost::RowNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < RowCount(); ++i) names.push_back(ListRowMemberName(list, i));
    return names;
}

void ModifyListHost::Select(int row, bool on) const
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = on ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&state);
}

int FillListFromArchive(ModifyListHost* host, const std::string& archive)
{
    RawArchive a = ReadRawArchive(archive);
    int rows = 0;
    for (const RawEntry& e : a.entries) {
        if (IsZipDirectoryName(e.name.c_str())) continue;
        if (host->AddMember(e.name, (int64_t)e.compressed, (int64_t)e.uncompressed) >= 0) ++rows;
    }
    return rows;
}

int RunThreadPumping(LPTHREAD_START_ROUTINE fn, void* param, DWORD timeoutMs)
{
    DWORD code = 0;
    return RunThreadPumpingMessages(fn, param, timeoutMs, &code) ? (int)code : -1000;
}
