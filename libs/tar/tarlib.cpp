// tar.dll over libarchive: listing, extraction and creation of TAR archives (see tarlib.h).
#include "libs/tar/tarlib.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/bstree.h"
#include "model/list.h"
#include "model/zipentry.h"

namespace {

const size_t kBlock = 1 << 16;

std::wstring Widen(const char* text, UINT codePage)
{
    if (!text || !*text) return std::wstring();
    int n = MultiByteToWideChar(codePage, codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, text, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out((size_t)n, L'\0');
    MultiByteToWideChar(codePage, codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, text, -1, &out[0], n);
    out.resize((size_t)n - 1);
    return out;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize((size_t)n - 1);
    return out;
}

// The entry's name as its maker wrote it: UTF-8 when the bytes are UTF-8 (pax always, GNU tar
// under a UTF-8 locale), else the bytes in the ANSI code page.
std::wstring EntryNameWide(archive_entry* entry)
{
    const char* raw = archive_entry_pathname(entry);
    if (raw) {
        std::wstring w = Widen(raw, CP_UTF8);
        if (!w.empty()) return w;
    }
    const wchar_t* wide = archive_entry_pathname_w(entry);
    if (wide && *wide) return wide;
    return Widen(raw, CP_ACP);
}

std::wstring LinkNameWide(const char* raw, const wchar_t* wide)
{
    if (raw) {
        std::wstring w = Widen(raw, CP_UTF8);
        if (!w.empty()) return w;
    }
    if (wide && *wide) return wide;
    return Widen(raw, CP_ACP);
}

void SetText(char* text, const char* format, ...)
{
    if (!text) return;
    va_list args;
    va_start(args, format);
    vsnprintf(text, TAR_RESULT_TEXT_SIZE, format, args);
    va_end(args);
}

archive* OpenReader(const char* path)
{
    archive* a = archive_read_new();
    if (!a) return nullptr;
    archive_read_support_filter_all(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_gnutar(a);
    std::wstring wpath = Widen(path, CP_ACP);
    if (archive_read_open_filename_w(a, wpath.c_str(), kBlock) != ARCHIVE_OK) {
        archive_read_free(a);
        return nullptr;
    }
    return a;
}

void ToDosTime(time_t t, uint16_t* date, uint16_t* time)
{
    *date = 0x21;  // 1980-01-01
    *time = 0;
    ULARGE_INTEGER u;
    u.QuadPart = ((unsigned long long)(long long)t + 11644473600ULL) * 10000000ULL;
    FILETIME utc = {u.LowPart, u.HighPart}, local;
    WORD d = 0, tm = 0;
    if (t > 0 && FileTimeToLocalFileTime(&utc, &local) && FileTimeToDosDateTime(&local, &d, &tm)) {
        *date = d;
        *time = tm;
    }
}

FILETIME ToFileTime(time_t t, long nsec)
{
    ULARGE_INTEGER u;
    u.QuadPart = ((unsigned long long)(long long)t + 11644473600ULL) * 10000000ULL + (unsigned long long)(nsec / 100);
    FILETIME ft = {u.LowPart, u.HighPart};
    return ft;
}

void FillRecord(TarFindRecord* r, const std::string& name, int64_t size, time_t mtime, int isFolder)
{
    memset(r, 0, TAR_FILE_RECORD_SIZE);
    r->size1 = (uint32_t)((uint64_t)size & 0xFFFFFFFFu);
    r->size2 = r->size1;
    r->size1High = (uint32_t)((uint64_t)size >> 32);
    r->size2High = r->size1High;
    ToDosTime(mtime, &r->dosDate, &r->dosTime);
    std::string n = name;
    if (isFolder && (n.empty() || n.back() != '/')) n += '/';
    snprintf(r->name, sizeof r->name, "%s", n.c_str());
}

struct TarHandle {
    archive* reader;
    int ended;
};

int ReadNextInto(TarHandle* h, TarFindRecord* r)
{
    if (!h || !h->reader || h->ended || !r) return 1;
    archive_entry* entry = nullptr;
    int rc = archive_read_next_header(h->reader, &entry);
    if (rc == ARCHIVE_EOF) {
        h->ended = 1;
        return 1;
    }
    if (rc < ARCHIVE_WARN) {
        h->ended = 1;
        fprintf(stdout, "tar.dll: %s\n", archive_error_string(h->reader) ? archive_error_string(h->reader) : "damaged");
        return 2;
    }
    std::string name = Narrow(EntryNameWide(entry));
    int isFolder = archive_entry_filetype(entry) == AE_IFDIR;
    FillRecord(r, name, archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0, archive_entry_mtime(entry),
               isFolder);
    return 0;
}

// ---- names and safety ----

// Splits a member name into its parts: '/' and '\' separate, "." parts drop out. Returns 0 for
// a name that leaves the folder it is written into (absolute, drive letter or stream colon,
// ".." anywhere) or that is empty.
int SafeParts(const std::wstring& name, std::vector<std::wstring>* parts)
{
    parts->clear();
    if (name.empty() || name[0] == L'/' || name[0] == L'\\') return 0;
    if (name.find(L':') != std::wstring::npos) return 0;
    std::wstring part;
    for (size_t i = 0; i <= name.size(); ++i) {
        wchar_t c = i < name.size() ? name[i] : L'/';
        if (c == L'/' || c == L'\\') {
            if (part == L"..") return 0;
            if (!part.empty() && part != L".") parts->push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    return parts->empty() ? 0 : 1;
}

// "." or "./" and the like: the folder the archive is extracted into.
int IsCurrentFolderName(const std::wstring& name)
{
    if (name.empty() || name[0] == L'/' || name[0] == L'\\') return 0;
    for (size_t i = 0; i < name.size(); ++i) {
        wchar_t c = name[i];
        if (c == L'/' || c == L'\\') continue;
        if (c != L'.') return 0;
        if (i + 1 < name.size() && name[i + 1] == L'.') return 0;
    }
    return 1;
}

std::wstring JoinParts(const std::vector<std::wstring>& parts, size_t count, wchar_t sep)
{
    std::wstring out;
    for (size_t i = 0; i < count && i < parts.size(); ++i) {
        if (i) out += sep;
        out += parts[i];
    }
    return out;
}

// Resolves a symbolic link's target against the link's folder; 0 when it climbs out.
int ResolveLinkTarget(const std::vector<std::wstring>& linkParts, const std::wstring& target,
                      std::vector<std::wstring>* out)
{
    out->clear();
    if (target.empty() || target[0] == L'/' || target[0] == L'\\' || target.find(L':') != std::wstring::npos) return 0;
    for (size_t i = 0; i + 1 < linkParts.size(); ++i) out->push_back(linkParts[i]);
    std::wstring part;
    for (size_t i = 0; i <= target.size(); ++i) {
        wchar_t c = i < target.size() ? target[i] : L'/';
        if (c == L'/' || c == L'\\') {
            if (part == L"..") {
                if (out->empty()) return 0;
                out->pop_back();
            } else if (!part.empty() && part != L".") {
                out->push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    return out->empty() ? 0 : 1;
}

std::string NormalName(const std::string& name)
{
    std::string n = name;
    for (char& c : n)
        if (c == '\\') c = '/';
    while (n.size() >= 2 && n[0] == '.' && n[1] == '/') n.erase(0, 2);
    while (!n.empty() && n[0] == '/') n.erase(0, 1);
    while (!n.empty() && n.back() == '/') n.pop_back();
    return n;
}

// The program's name set: a BSTree of ZipEntry records, walked without its callbacks.
void CollectNames(BSTree* set, std::set<std::string>* names)
{
    if (!set || !set->root) return;
    std::vector<BSTreeNode*> stack;
    stack.push_back(set->root);
    while (!stack.empty()) {
        BSTreeNode* node = stack.back();
        stack.pop_back();
        if (!node) continue;
        const ZipEntry* e = (const ZipEntry*)node->key;
        if (e && e->entry) names->insert(NormalName(e->entry));
        if (node->left) stack.push_back(node->left);
        if (node->right) stack.push_back(node->right);
    }
}

int NameChosen(const std::set<std::string>& names, const std::string& name)
{
    std::string n = NormalName(name);
    if (names.count(n)) return 1;
    for (size_t cut = n.rfind('/'); cut != std::string::npos && cut > 0; cut = n.rfind('/', cut - 1)) {
        if (names.count(n.substr(0, cut))) return 1;
        if (cut == 0) break;
    }
    return 0;
}

int CreateFolders(const std::wstring& base, const std::vector<std::wstring>& parts, size_t count)
{
    std::wstring path = base;
    for (size_t i = 0; i < count; ++i) {
        path += L"\\";
        path += parts[i];
        DWORD a = GetFileAttributesW(path.c_str());
        if (a == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
        } else if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
            // A file or a link in the way: never written through.
            return 0;
        }
    }
    return 1;
}

void SetTimes(const std::wstring& path, archive_entry* entry, int folder)
{
    HANDLE f = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    FILETIME m = ToFileTime(archive_entry_mtime(entry), archive_entry_mtime_nsec(entry));
    SetFileTime(f, nullptr, nullptr, &m);
    CloseHandle(f);
}

struct Progress {
    HWND window;
    int byBytes;
    uint64_t total;
    uint64_t done;
    int lastPercent;
    int Cancelled() const { return window && !IsWindow(window); }
    void File(const std::string& name) const
    {
        if (window && IsWindow(window)) SendMessageA(window, TAR_WM_PROGRESS, TAR_PROGRESS_FILE, (LPARAM)name.c_str());
    }
    void Bytes(uint64_t n)
    {
        done += n;
        if (!byBytes || !window || !total) return;
        int percent = (int)(done >= total ? 100 : done * 100 / total);
        if (percent != lastPercent && IsWindow(window)) {
            lastPercent = percent;
            SendMessageA(window, TAR_WM_PROGRESS, TAR_PROGRESS_POS, (LPARAM)percent);
        }
    }
    void Step() const
    {
        if (!byBytes && window && IsWindow(window)) SendMessageA(window, TAR_WM_PROGRESS, TAR_PROGRESS_STEP, 0);
    }
};

struct Outcome {
    int written = 0, refused = 0, failed = 0, skipped = 0;
    std::string first;  // first refused or failed name, for the result text
    void Note(int* counter, const char* what, const std::string& name)
    {
        ++*counter;
        fprintf(stdout, "tar.dll: %s \"%s\"\n", what, name.c_str());
        if (first.empty()) first = std::string(what) + " " + name;
    }
};

// Writes the reader's current data to path; 1 when complete.
int WriteData(archive* a, const std::wstring& path, int64_t size, Progress* progress)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    int ok = 1;
    const void* buf;
    size_t len;
    la_int64_t offset;
    int64_t position = 0;
    for (;;) {
        int rc = archive_read_data_block(a, &buf, &len, &offset);
        if (rc == ARCHIVE_EOF) break;
        if (rc < ARCHIVE_WARN) {
            ok = 0;
            break;
        }
        if (offset != position) {
            LARGE_INTEGER to;
            to.QuadPart = offset;
            if (!SetFilePointerEx(f, to, nullptr, FILE_BEGIN)) {
                ok = 0;
                break;
            }
            position = offset;
        }
        const char* p = (const char*)buf;
        while (len > 0) {
            DWORD chunk = len > (1u << 30) ? (1u << 30) : (DWORD)len, wrote = 0;
            if (!WriteFile(f, p, chunk, &wrote, nullptr) || wrote == 0) {
                ok = 0;
                break;
            }
            p += wrote;
            len -= wrote;
            position += wrote;
            progress->Bytes(wrote);
        }
        if (!ok) break;
    }
    if (ok && size > position) {
        // Sparse holes at the end.
        LARGE_INTEGER to;
        to.QuadPart = size;
        if (!SetFilePointerEx(f, to, nullptr, FILE_BEGIN) || !SetEndOfFile(f)) ok = 0;
    }
    CloseHandle(f);
    if (!ok) DeleteFileW(path.c_str());
    return ok;
}

}  // namespace

extern "C" {

HANDLE WINAPI TarOpenArchive(HWND owner, const char* path, int mode)
{
    (void)owner;
    (void)mode;
    if (!path || !*path) return nullptr;
    archive* a = OpenReader(path);
    if (!a) return nullptr;
    TarHandle* h = (TarHandle*)calloc(1, sizeof(TarHandle));
    if (!h) {
        archive_read_free(a);
        return nullptr;
    }
    h->reader = a;
    return (HANDLE)h;
}

int WINAPI TarFindFirst(HANDLE archiveHandle, const char* pattern, void* record)
{
    (void)pattern;
    return ReadNextInto((TarHandle*)archiveHandle, (TarFindRecord*)record);
}

int WINAPI TarFindNext(HANDLE archiveHandle, void* record)
{
    return ReadNextInto((TarHandle*)archiveHandle, (TarFindRecord*)record);
}

int WINAPI TarCloseArchive(HANDLE archiveHandle)
{
    TarHandle* h = (TarHandle*)archiveHandle;
    if (!h) return 0;
    if (h->reader) archive_read_free(h->reader);
    free(h);
    return 0;
}

int WINAPI TarExtract(const char* path, void* names, HWND progressWindow, char* text, int all, DWORD totalLow,
                      DWORD totalHigh, int view)
{
    std::set<std::string> chosen;
    if (!all) CollectNames((BSTree*)names, &chosen);
    archive* a = path ? OpenReader(path) : nullptr;
    if (!a) {
        SetText(text, "10 cannot open %s", path ? path : "(null)");
        return 0;
    }
    wchar_t cwd[MAX_PATH * 4];
    DWORD got = GetCurrentDirectoryW(sizeof cwd / sizeof cwd[0], cwd);
    std::wstring base(cwd, got);
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    Progress progress = {progressWindow, 0, 0, 0, -1};
    progress.total = ((uint64_t)totalHigh << 32) | totalLow;
    progress.byBytes = progress.total > 0;
    Outcome out;
    // Files written so far by their member names (for hard and symbolic links to them).
    std::map<std::wstring, std::wstring> writtenByName;
    int damaged = 0, cancelled = 0;
    for (;;) {
        if (progress.Cancelled()) {
            cancelled = 1;
            break;
        }
        archive_entry* entry = nullptr;
        int rc = archive_read_next_header(a, &entry);
        if (rc == ARCHIVE_EOF) break;
        if (rc < ARCHIVE_WARN) {
            damaged = 1;
            fprintf(stdout, "tar.dll: %s\n", archive_error_string(a) ? archive_error_string(a) : "damaged archive");
            break;
        }
        std::wstring wname = EntryNameWide(entry);
        std::string aname = Narrow(wname);
        if (!all && !NameChosen(chosen, aname)) continue;
        progress.File(aname);
        std::vector<std::wstring> parts;
        unsigned type = archive_entry_filetype(entry);
        int hardlink = archive_entry_hardlink(entry) != nullptr || archive_entry_hardlink_w(entry) != nullptr;
        if (!SafeParts(wname, &parts)) {
            if (type == AE_IFDIR && IsCurrentFolderName(wname)) continue;  // "./": the target itself
            out.Note(&out.refused, "refused (leaves the target folder)", aname);
            progress.Step();
            continue;
        }
        if (view) parts.erase(parts.begin(), parts.end() - 1);
        std::wstring key = JoinParts(parts, parts.size(), L'/');
        std::wstring target = base + L"\\" + JoinParts(parts, parts.size(), L'\\');
        if (type == AE_IFDIR && !hardlink) {
            if (view || CreateFolders(base, parts, parts.size())) {
                if (!view) SetTimes(target, entry, 1);
            } else {
                out.Note(&out.failed, "cannot create folder", aname);
            }
            progress.Step();
            continue;
        }
        if (!CreateFolders(base, parts, parts.size() - 1)) {
            out.Note(&out.failed, "cannot create folder for", aname);
            progress.Step();
            continue;
        }
        DWORD existing = GetFileAttributesW(target.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES &&
            ((existing & FILE_ATTRIBUTE_REPARSE_POINT) || (existing & FILE_ATTRIBUTE_DIRECTORY))) {
            out.Note(&out.refused, "refused (a link or folder is in the way)", aname);
            progress.Step();
            continue;
        }
        if (hardlink || type == AE_IFLNK) {
            // Links become copies of members already written inside the target.
            std::vector<std::wstring> linkParts;
            int inside;
            if (hardlink) {
                std::wstring to = LinkNameWide(archive_entry_hardlink(entry), archive_entry_hardlink_w(entry));
                inside = SafeParts(to, &linkParts);
            } else {
                std::wstring to = LinkNameWide(archive_entry_symlink(entry), archive_entry_symlink_w(entry));
                std::vector<std::wstring> own;
                SafeParts(wname, &own);
                inside = ResolveLinkTarget(own, to, &linkParts);
            }
            if (!inside) {
                out.Note(&out.refused, "refused (link points outside the target folder)", aname);
            } else {
                auto found = writtenByName.find(JoinParts(linkParts, linkParts.size(), L'/'));
                if (found != writtenByName.end() && CopyFileW(found->second.c_str(), target.c_str(), FALSE)) {
                    SetTimes(target, entry, 0);
                    writtenByName[key] = target;
                    ++out.written;
                } else {
                    out.Note(&out.skipped, "skipped link to a member not extracted", aname);
                }
            }
            progress.Step();
            continue;
        }
        if (type != AE_IFREG) {
            out.Note(&out.skipped, "skipped device or FIFO", aname);
            progress.Step();
            continue;
        }
        if (WriteData(a, target, archive_entry_size(entry), &progress)) {
            SetTimes(target, entry, 0);
            writtenByName[key] = target;
            ++out.written;
        } else {
            out.Note(&out.failed, "cannot write", aname);
            if (archive_errno(a) != 0 && archive_error_string(a)) {
                damaged = 1;
                fprintf(stdout, "tar.dll: %s\n", archive_error_string(a));
                progress.Step();
                break;
            }
        }
        progress.Step();
    }
    archive_read_free(a);
    if (cancelled)
        SetText(text, "02 cancelled after %d files", out.written);
    else if (damaged && out.written == 0 && out.refused == 0)
        SetText(text, "11 damaged archive %s", path);
    else if (damaged || out.refused || out.failed)
        SetText(text, "01 %d written, %d refused, %d failed%s; %s", out.written, out.refused, out.failed,
                damaged ? ", archive damaged" : "", out.first.c_str());
    else
        SetText(text, "00 %d written, %d skipped", out.written, out.skipped);
    return 0;
}

}  // extern "C"

namespace {

int HasSuffix(const char* path, const char* suffix)
{
    size_t n = strlen(path), m = strlen(suffix);
    if (n < m) return 0;
    for (size_t i = 0; i < m; ++i)
        if (tolower((unsigned char)path[n - m + i]) != suffix[i]) return 0;
    return 1;
}

void AddFilterForName(archive* w, const char* path)
{
    if (HasSuffix(path, ".gz") || HasSuffix(path, ".tgz"))
        archive_write_add_filter_gzip(w);
    else if (HasSuffix(path, ".bz2") || HasSuffix(path, ".tbz2") || HasSuffix(path, ".tbz"))
        archive_write_add_filter_bzip2(w);
    else
        archive_write_add_filter_none(w);
}

// The member name of a file below base ("/" or "\" separated, ending in a separator); the
// path itself without its drive or root when it is not below base.
std::string MemberNameFor(const std::string& base, const std::string& path)
{
    std::string b = base, p = path;
    for (char& c : b)
        if (c == '\\') c = '/';
    for (char& c : p)
        if (c == '\\') c = '/';
    if (!b.empty() && b.back() != '/') b += '/';
    std::string rel;
    if (p.size() > b.size() && _strnicmp(p.c_str(), b.c_str(), b.size()) == 0)
        rel = p.substr(b.size());
    else {
        rel = p;
        if (rel.size() >= 2 && rel[1] == ':') rel.erase(0, 2);
    }
    while (!rel.empty() && rel[0] == '/') rel.erase(0, 1);
    return rel;
}

time_t FromFileTime(const FILETIME& ft)
{
    ULARGE_INTEGER u = {{ft.dwLowDateTime, ft.dwHighDateTime}};
    if (u.QuadPart < 116444736000000000ULL) return 0;
    return (time_t)((u.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

// Adds one file or folder; 1 added, 0 failed (the archive may still be usable), -1 the writer
// failed as a whole.
int AddPath(archive* w, const std::string& path, const std::string& member, std::vector<char>* buffer,
            Progress* progress, TarFindRecord* record)
{
    std::wstring wpath = Widen(path.c_str(), CP_ACP);
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExW(wpath.c_str(), GetFileExInfoStandard, &info)) return 0;
    int folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    int64_t size = folder ? 0 : (int64_t)(((uint64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow);
    std::string name = member;
    if (folder && (name.empty() || name.back() != '/')) name += '/';
    if (name.empty() || name == "/") return 0;
    HANDLE f = INVALID_HANDLE_VALUE;
    if (!folder) {
        f = CreateFileW(wpath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 0;
    }
    archive_entry* e = archive_entry_new();
    archive_entry_copy_pathname_w(e, Widen(name.c_str(), CP_ACP).c_str());
    archive_entry_set_filetype(e, folder ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(e, folder ? 0755 : 0644);
    archive_entry_set_size(e, size);
    time_t mtime = FromFileTime(info.ftLastWriteTime);
    archive_entry_set_mtime(e, mtime, 0);
    int result = 1;
    if (archive_write_header(w, e) < ARCHIVE_WARN) {
        result = -1;
    } else if (!folder) {
        int64_t left = size;
        while (left > 0) {
            DWORD want = (DWORD)(left < (int64_t)buffer->size() ? left : (int64_t)buffer->size()), got = 0;
            if (!ReadFile(f, buffer->data(), want, &got, nullptr) || got == 0) {
                // The file shrank: pad, so that the archive stays well formed, and count it failed.
                memset(buffer->data(), 0, buffer->size());
                while (left > 0) {
                    size_t pad = (size_t)(left < (int64_t)buffer->size() ? left : (int64_t)buffer->size());
                    if (archive_write_data(w, buffer->data(), pad) < 0) return archive_entry_free(e), CloseHandle(f), -1;
                    left -= (int64_t)pad;
                }
                result = 0;
                break;
            }
            if (archive_write_data(w, buffer->data(), got) < 0) {
                result = -1;
                break;
            }
            left -= got;
            progress->Bytes(got);
        }
    }
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    archive_entry_free(e);
    if (result == 1 && record) FillRecord(record, name, size, mtime, folder);
    return result;
}

// Copies every entry of reader into writer (the members of an archive being appended to).
int CopyEntries(archive* reader, archive* writer, std::vector<char>* buffer)
{
    for (;;) {
        archive_entry* e = nullptr;
        int rc = archive_read_next_header(reader, &e);
        if (rc == ARCHIVE_EOF) return 1;
        if (rc < ARCHIVE_WARN) return 0;
        if (archive_write_header(writer, e) < ARCHIVE_WARN) return 0;
        for (;;) {
            la_ssize_t n = archive_read_data(reader, buffer->data(), buffer->size());
            if (n < 0) return 0;
            if (n == 0) break;
            if (archive_write_data(writer, buffer->data(), (size_t)n) < 0) return 0;
        }
    }
}

// Reads a whole archive back; 1 when every header and all data read without error.
int CheckArchive(const std::wstring& path, std::vector<char>* buffer)
{
    archive* a = archive_read_new();
    archive_read_support_filter_all(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_gnutar(a);
    int ok = archive_read_open_filename_w(a, path.c_str(), kBlock) == ARCHIVE_OK;
    while (ok) {
        archive_entry* e = nullptr;
        int rc = archive_read_next_header(a, &e);
        if (rc == ARCHIVE_EOF) break;
        if (rc < ARCHIVE_WARN) {
            ok = 0;
            break;
        }
        for (;;) {
            la_ssize_t n = archive_read_data(a, buffer->data(), buffer->size());
            if (n < 0) ok = 0;
            if (n <= 0) break;
        }
    }
    archive_read_free(a);
    return ok;
}

int WriteArchive(const char* path, const char* base, List* files, TarFindRecord* records, HWND progressWindow,
                 int append, char* text)
{
    if (!path || !*path) {
        SetText(text, "10 no archive name");
        return 0;
    }
    std::wstring wpath = Widen(path, CP_ACP);
    // Written beside the target and moved over it only when complete and checked: a failure
    // leaves an existing archive as it was.
    wchar_t temp[MAX_PATH * 2];
    swprintf(temp, sizeof temp / sizeof temp[0], L"%ls.%lu.tmp", wpath.c_str(), (unsigned long)GetCurrentProcessId());
    std::vector<char> buffer(kBlock * 4);
    archive* w = archive_write_new();
    archive_write_set_format_pax_restricted(w);
    AddFilterForName(w, path);
    archive_write_set_bytes_in_last_block(w, 1);
    if (archive_write_open_filename_w(w, temp) != ARCHIVE_OK) {
        SetText(text, "12 cannot write %s", path);
        archive_write_free(w);
        return 0;
    }
    int fatal = 0;
    if (append && GetFileAttributesW(wpath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        archive* r = OpenReader(path);
        if (!r || !CopyEntries(r, w, &buffer)) fatal = 1;
        if (r) archive_read_free(r);
        if (fatal) SetText(text, "13 cannot read the archive %s", path);
    }
    Progress progress = {progressWindow, 0, 0, 0, -1};
    int added = 0, failed = 0, cancelled = 0;
    int count = files ? files->count : 0;
    int recordIndex = 0;
    for (ListNode* node = files ? files->head : nullptr; node && !fatal; node = node->next) {
        if (progress.Cancelled()) {
            cancelled = 1;
            break;
        }
        const char* file = (const char*)node->data;
        if (!file || !*file) continue;
        std::string member = MemberNameFor(base ? base : "", file);
        progress.File(member);
        TarFindRecord* record = records && recordIndex < count ? &records[recordIndex] : nullptr;
        int rc = AddPath(w, file, member, &buffer, &progress, record);
        if (rc < 0) {
            fatal = 1;
            SetText(text, "12 cannot write %s: %s", path, archive_error_string(w) ? archive_error_string(w) : "");
        } else if (rc == 0) {
            ++failed;
            fprintf(stdout, "tar.dll: cannot add \"%s\"\n", file);
        } else {
            ++added;
            if (record) ++recordIndex;
        }
        progress.Step();
    }
    if (records && recordIndex < count) records[recordIndex].endMark = '-';
    if (archive_write_close(w) != ARCHIVE_OK && !fatal) {
        fatal = 1;
        SetText(text, "12 cannot write %s: %s", path, archive_error_string(w) ? archive_error_string(w) : "");
    }
    archive_write_free(w);
    if (cancelled && !fatal) {
        fatal = 1;
        SetText(text, "20 cancelled");
    }
    if (!fatal && !CheckArchive(temp, &buffer)) {
        fatal = 1;
        SetText(text, "14 the written archive does not read back");
    }
    if (fatal || !MoveFileExW(temp, wpath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(temp);
        if (!fatal) SetText(text, "15 cannot replace %s", path);
        if (records && count > 0) records[0].endMark = '-';
        return 0;
    }
    if (failed)
        SetText(text, "01 %d added, %d could not be added", added, failed);
    else
        SetText(text, "00 %d added", added);
    return 0;
}

}  // namespace

extern "C" {

int WINAPI TarCreate(const char* path, const char* base, HWND progressWindow, char* text, int count, void* files)
{
    (void)count;
    return WriteArchive(path, base, (List*)files, nullptr, progressWindow, 0, text);
}

int WINAPI TarCreateAdd(const char* path, const char* base, void* files, void* records, HWND progressWindow, int mode,
                        char* text)
{
    return WriteArchive(path, base, (List*)files, (TarFindRecord*)records, progressWindow, mode == TAR_ADD_APPEND,
                        text);
}

}  // extern "C"
