#include "support/testsupport.h"

#include <cstdio>
#include <vector>

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return done();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpMessagesFor(DWORD ms)
{
    DWORD start = GetTickCount();
    PumpMessagesUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

std::string MakeTempFolder(const char* tag)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static int counter = 0;
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%skv_%s_%lu_%d", base, tag, GetCurrentProcessId(), ++counter);
    RemoveFolderTree(path);
    CreateDirectoryA(path, nullptr);
    return path;
}

void RemoveFolderTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolderTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
    fclose(f);
    return true;
}

std::string UnixToWindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string TestProgramFolder(void)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path, n);
    size_t cut = p.find_last_of('\\');
    return cut == std::string::npos ? std::string(".") : p.substr(0, cut);
}

namespace {

// One end of a child's output pipe, read to its end on a thread of its own (both pipes at once,
// so that a child filling one of them never waits on the other).
struct PipeDrain {
    HANDLE pipe;
    std::string text;
};

DWORD WINAPI DrainPipe(LPVOID param)
{
    PipeDrain* d = (PipeDrain*)param;
    char buf[65536];
    DWORD got;
    while (ReadFile(d->pipe, buf, sizeof buf, &got, nullptr) && got > 0) d->text.append(buf, got);
    return 0;
}

// Waits for the reader; after the child ended its pipe closes, unless the child left a process
// holding the write end: then the reader and its record are left to run out on their own.
bool FinishDrain(HANDLE thread, PipeDrain* drain, std::string* sink)
{
    if (!thread) {
        CloseHandle(drain->pipe);
        delete drain;
        return false;
    }
    bool done = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    if (!done) return false;
    if (sink) sink->swap(drain->text);
    CloseHandle(drain->pipe);
    delete drain;
    return true;
}

}  // namespace

int RunCapturingOutput(const std::string& commandLine, std::string* out, std::string* err, DWORD timeoutMs)
{
    if (out) out->clear();
    if (err) err->clear();
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
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    BOOL started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &si, &pi);
    // Only the child holds the write ends now: the reads end when it does.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    PipeDrain* outDrain = new PipeDrain{outRead, std::string()};
    PipeDrain* errDrain = new PipeDrain{errRead, std::string()};
    HANDLE outThread = CreateThread(nullptr, 0, DrainPipe, outDrain, 0, nullptr);
    HANDLE errThread = CreateThread(nullptr, 0, DrainPipe, errDrain, 0, nullptr);
    int code = -1;
    if (started) {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            DWORD c = 0;
            if (GetExitCodeProcess(pi.hProcess, &c)) code = (int)c;
        } else {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 10000);
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    bool outDone = FinishDrain(outThread, outDrain, out);
    bool errDone = FinishDrain(errThread, errDrain, err);
    return outDone && errDone ? code : -1;
}
