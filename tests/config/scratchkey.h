// A registry key of its own for each test, under both hives, removed again at the end. The keys
// share no parent, so test processes running side by side never touch each other's keys.
#pragma once
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

class ScratchKey {
public:
    ScratchKey()
    {
        static int counter = 0;
        char path[128];
        std::snprintf(path, sizeof path, "SOFTWARE\\KelvoraTest_p%lu_%d_%lu", GetCurrentProcessId(), ++counter,
                      GetTickCount());
        path_ = path;
        Remove();
    }
    ~ScratchKey()
    {
        Remove();
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const char* path() const { return path_.c_str(); }

    bool Create(HKEY hive) const
    {
        HKEY key;
        if (RegCreateKeyExA(hive, path(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    bool Exists(HKEY hive) const
    {
        HKEY key;
        if (RegOpenKeyExA(hive, path(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    // Stores raw bytes of any type, creating the key; bypasses the code under test.
    bool SetRaw(HKEY hive, const char* name, DWORD type, const void* data, DWORD size) const
    {
        HKEY key;
        if (RegCreateKeyExA(hive, path(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return false;
        LONG rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    bool SetDword(HKEY hive, const char* name, DWORD value) const { return SetRaw(hive, name, REG_DWORD, &value, sizeof value); }
    bool SetString(HKEY hive, const char* name, const std::string& text) const
    {
        return SetRaw(hive, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    // Reads raw bytes and type; false when the value is missing.
    bool GetRaw(HKEY hive, const char* name, DWORD* type, std::string* data) const
    {
        HKEY key;
        if (RegOpenKeyExA(hive, path(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        LONG rc = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
        if (rc == ERROR_SUCCESS) {
            data->assign(size, '\0');
            rc = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]), &size);
            data->resize(size);
        }
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    bool GetDword(HKEY hive, const char* name, DWORD* value) const
    {
        DWORD type = 0;
        std::string data;
        if (!GetRaw(hive, name, &type, &data) || type != REG_DWORD || data.size() != 4) return false;
        memcpy(value, data.data(), 4);
        return true;
    }
    // The stored text of a string value up to its first NUL; "<missing>" when absent.
    std::string GetString(HKEY hive, const char* name) const
    {
        DWORD type = 0;
        std::string data;
        if (!GetRaw(hive, name, &type, &data)) return "<missing>";
        return std::string(data.c_str());
    }

private:
    void Remove() const
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, path());
        RegDeleteKeyA(HKEY_CURRENT_USER, path());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, path());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path());
    }
    std::string path_;
};
