#include "ziptestsupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/testsupport.h"

namespace {

std::string ToWindowsPath(std::string path)
{
    // The fixture folder is a Unix path of the build tree; Wine shows the Unix root as Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

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
    std::string base = ToWindowsPath(KELVORA_FIXTURES_DIR);
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

std::string ProgramFolder(void)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    size_t cut = s.find_last_of('\\');
    return cut == std::string::npos ? std::string(".") : s.substr(0, cut);
}

int RunCapture(const std::string& commandLine, std::string* out, std::string* err, DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &sa, 0)) return -1;
    if (!CreatePipe(&errRead, &errWrite, &sa, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return -1;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi = {};
    std::string cmd = commandLine;
    BOOL started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        return -1;
    }
    auto drain = [](HANDLE h, std::string* sink) {
        char buf[65536];
        DWORD got;
        while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
            if (sink) sink->append(buf, got);
    };
    if (out) out->clear();
    if (err) err->clear();
    std::thread errThread(drain, errRead, err);
    drain(outRead, out);
    errThread.join();
    CloseHandle(outRead);
    CloseHandle(errRead);
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return (int)code;
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
#include "zip/listing.h"

namespace {

LRESULT CALLBACK TestHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NOTIFY && ((NMHDR*)lParam)->code == LVN_DELETEITEM) {
        HandleListDeleteItem((const NMLISTVIEW*)lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

TestListHost::TestListHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestHostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelvoraZipTestHost";
    RegisterClassA(&wc);
    host = CreateWindowExA(0, wc.lpszClassName, "zip test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                           wc.hInstance, nullptr);
    list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 600, 400, host,
                           (HMENU)2002, wc.hInstance, nullptr);
    for (int i = 0; i < 8; ++i) {
        char text[16];
        snprintf(text, sizeof text, "c%d", i);
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = text;
        col.cx = 80;
        col.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&col);
    }
    PrepareListForRowBatches(list);
    GApp.hwndList = list;
}

TestListHost::~TestListHost()
{
    if (GApp.hwndList == list) GApp.hwndList = nullptr;
    if (list) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    if (host) DestroyWindow(host);
}

int TestListHost::RowCount() const
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

const liststruct* TestListHost::Row(int row) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item)) return nullptr;
    return (const liststruct*)item.lParam;
}

std::string TestListHost::RowName(int row) const
{
    const liststruct* rec = Row(row);
    if (!rec) return "";
    std::string name = std::string(rec->path ? rec->path : "") + (rec->filename ? rec->filename : "");
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
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
    HANDLE thread = CreateThread(nullptr, 0, ListZipFilesThread, job, 0, nullptr);
    if (!thread) return -1;
    bool ended = PumpMessagesUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, timeoutMs);
    DWORD code = (DWORD)-1;
    if (ended) GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return ended ? (int)code : -1;
}
