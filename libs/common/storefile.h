// Helpers shared by rm.dll and history.dll for their files in the user's data folder.
// Header-only so that each library stays one self-contained DLL.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

// The folder the libraries keep their files in: %KELVORA_DATA_DIR% when that is set (tests and
// portable installations), else "<application data>\Kelvora". The folder is created when
// missing. Returns "" when no folder can be found or made.
inline std::string KvDataFolder(void)
{
    char folder[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("KELVORA_DATA_DIR", folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) {
        char appData[MAX_PATH];
        if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK) return "";
        int written = snprintf(folder, sizeof folder, "%s\\Kelvora", appData);
        if (written < 0 || written >= (int)sizeof folder) return "";
    }
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryA(folder, nullptr)) return "";
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return "";
    }
    return folder;
}

// The full path of name in the data folder, "" when there is none.
inline std::string KvDataFile(const char* name)
{
    std::string folder = KvDataFolder();
    return folder.empty() ? std::string() : folder + "\\" + name;
}

// Reads a whole file. 1 with its bytes, 0 when it cannot be opened or read (missing: 0 with
// *missing set).
inline int KvReadFile(const std::string& path, std::string* bytes, int* missing)
{
    if (missing) *missing = 0;
    bytes->clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (missing) *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return 0;
    }
    LARGE_INTEGER size;
    int ok = GetFileSizeEx(file, &size) && size.QuadPart < (64LL << 20);
    if (ok) {
        bytes->resize((size_t)size.QuadPart);
        DWORD got = 0;
        ok = size.QuadPart == 0 ||
             (ReadFile(file, &(*bytes)[0], (DWORD)size.QuadPart, &got, nullptr) && got == (DWORD)size.QuadPart);
    }
    CloseHandle(file);
    return ok;
}

// Writes bytes to "<path>.new", flushes it and then puts it in place of path in one step, so
// that a crash while writing leaves the old file whole. 1 on success; on failure the old file
// is untouched and the new one removed.
inline int KvWriteFileReplacing(const std::string& path, const std::string& bytes)
{
    std::string fresh = path + ".new";
    HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    int ok = bytes.empty() || (WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr) &&
                               written == (DWORD)bytes.size());
    if (ok) ok = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    if (ok) ok = MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(fresh.c_str());
    return ok;
}
