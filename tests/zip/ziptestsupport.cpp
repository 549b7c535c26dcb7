#include "ziptestsupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/testsupport.h"

namespace {

void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>* out)
{
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string rel = relative.empty() ? name : relative + "/" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(root, rel, out);
        else
            out->push_back(rel);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

}  // namespace

std::string FixturePath(const std::string& name)
{
    std::string base = UnixToWindowsPath(KELVORA_FIXTURES_DIR);
    return name.empty() ? base : base + "\\" + name;
}

std::string FixtureSourcePath(const std::string& relative)
{
    std::string rel = relative;
    for (char& c : rel)
        if (c == '/') c = '\\';
    return FixturePath("src\\plain" + (rel.empty() ? std::string() : "\\" + rel));
}

bool LoadExpectedListing(const std::string& archive, ExpectedListing* out)
{
    std::string base = archive;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".zip") == 0) base.resize(base.size() - 4);
    std::string text;
    if (!ReadWholeFile(FixturePath(base + ".expect"), &text)) return false;
    *out = ExpectedListing();
    size_t pos = 0;
    bool header = false;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;
        if (line[0] == '#') {
            long long f, c, u, e;
            if (sscanf(line.c_str(), "# files %lld compressed %lld uncompressed %lld entries %lld", &f, &c, &u, &e) != 4)
                return false;
            out->files = f;
            out->compressed = c;
            out->uncompressed = u;
            out->entries = e;
            header = true;
            continue;
        }
        std::vector<std::string> fields;
        size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            size_t tab = line.find('\t', start);
            if (tab == std::string::npos) return false;
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        ExpectedMember m;
        m.uncompressed = _strtoi64(fields[0].c_str(), nullptr, 10);
        m.compressed = _strtoi64(fields[1].c_str(), nullptr, 10);
        m.date = fields[2];
        m.encrypted = fields[3] == "E";
        m.name = fields[4];
        out->members.push_back(m);
    }
    return header;
}

std::string ReadFixtureText(const std::string& name)
{
    std::string text;
    ReadWholeFile(FixturePath(name), &text);
    return text;
}

std::vector<std::string> ReadFixtureLines(const std::string& name)
{
    std::vector<std::string> lines;
    std::string text = ReadFixtureText(name);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::string LocalWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "";
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) return "";
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
             st.wSecond);
    return text;
}

bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListFilesBelow(const std::string& folder)
{
    std::vector<std::string> files;
    CollectFiles(folder, "", &files);
    std::sort(files.begin(), files.end());
    return files;
}

#include <commctrl.h>

#include "model/appstate.h"
#include "model/liststruct.h"
#include "zip/hiddenlist.h"
#include "zip/listing.h"

TestListHost::TestListHost()
{
    list = CreateHiddenList();
    host = list ? GetParent(list) : nullptr;
    GApp.hwndList = list;
}

TestListHost::~TestListHost()
{
    if (GApp.hwndList == list) GApp.hwndList = nullptr;
    DestroyHiddenList(list);
}

int TestListHost::RowCount() const
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

const liststruct* TestListHost::Row(int row) const
{
    return ListRowRecord(list, row);
}

std::string TestListHost::RowName(int row) const
{
    return ListRowMemberName(list, row);
}

void TestListHost::Select(int row) const
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&state);
}

int RunListingThread(ListingJob* job, DWORD timeoutMs)
{
    DWORD code = 0;
    return RunThreadPumpingMessages(ListZipFilesThread, job, timeoutMs, &code) ? (int)code : -1;
}
