#include "config/registry.h"

#include <cstring>
#include <vector>

namespace {

// Closes the key on every way out.
struct RegKey {
    HKEY handle = nullptr;
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { if (handle) RegCloseKey(handle); }
};

LONG OpenKey(RegKey* key, HKEY hive, const char* path, REGSAM access)
{
    return RegOpenKeyExA(hive, path, 0, access, &key->handle);
}

LONG CreateKey(RegKey* key, HKEY hive, const char* path, REGSAM access)
{
    return RegCreateKeyExA(hive, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                           &key->handle, nullptr);
}

int IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Terminators a string value needs after its data: one for REG_SZ, two for REG_MULTI_SZ.
DWORD TerminatorsWanted(DWORD type) { return type == REG_MULTI_SZ ? 2 : 1; }

// The registry does not promise that string data ends in NUL. Makes the data terminated
// inside the buffer; returns 0 when that fits, else ERROR_MORE_DATA with the needed size.
LONG TerminateStringData(char* buffer, DWORD capacity, DWORD* length, DWORD type)
{
    DWORD size = *length;
    DWORD wanted = TerminatorsWanted(type);
    DWORD present = 0;
    while (present < wanted && present < size && buffer[size - 1 - present] == '\0') present++;
    DWORD needed = size + (wanted - present);
    if (needed <= capacity) {
        for (DWORD i = size; i < needed; i++) buffer[i] = '\0';
        return ERROR_SUCCESS;
    }
    // Keep what is there readable for callers that ignore the result.
    for (DWORD i = 0; i < wanted && i < capacity; i++) buffer[capacity - 1 - i] = '\0';
    *length = needed;
    return ERROR_MORE_DATA;
}

// Copies at most length bytes of text, stopping at its NUL, and adds the terminator.
std::vector<char> TerminatedCopy(const char* text, DWORD length)
{
    if (!text) text = "";
    size_t n = strnlen(text, length);
    std::vector<char> data(text, text + n);
    data.push_back('\0');
    return data;
}

}  // namespace

int ReadRegistryDword(DWORD* out, HKEY hive, const char* key, const char* name)
{
    RegKey k;
    if (OpenKey(&k, hive, key, KEY_READ) != ERROR_SUCCESS) return 1;
    DWORD type = REG_NONE, value = 0, size = sizeof value;
    LONG rc = RegQueryValueExA(k.handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return 1;
    if (out) *out = value;
    return 0;
}

LONG ReadRegistryValue(void* buffer, DWORD* length, HKEY hive, const char* key, const char* name)
{
    RegKey k;
    LONG rc = OpenKey(&k, hive, key, KEY_READ);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD capacity = buffer ? *length : 0;
    DWORD type = REG_NONE;
    rc = RegQueryValueExA(k.handle, name, nullptr, &type, static_cast<BYTE*>(buffer), length);
    char* text = static_cast<char*>(buffer);
    if (!IsStringType(type)) return rc;
    if (rc == ERROR_SUCCESS && buffer) return TerminateStringData(text, capacity, length, type);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        // Ask for room for the terminators too, so that a second read of this size succeeds
        // even when the stored data lacks them.
        *length += TerminatorsWanted(type);
        if (rc == ERROR_MORE_DATA && capacity > 0) {
            text[0] = '\0';
            if (capacity > 1) text[1] = '\0';
        }
    }
    return rc;
}

int WriteRegistryDword(DWORD value, HKEY hive, const char* key, const char* name)
{
    RegKey k;
    if (OpenKey(&k, hive, key, KEY_WRITE) != ERROR_SUCCESS) return 1;
    LONG rc = RegSetValueExA(k.handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

LONG WriteRegistryString(const char* text, DWORD length, HKEY hive, const char* key, const char* name)
{
    RegKey k;
    if (OpenKey(&k, hive, key, KEY_WRITE) != ERROR_SUCCESS) return 0;
    std::vector<char> data = TerminatedCopy(text, length);
    return RegSetValueExA(k.handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG CreateRegistryString(const char* text, DWORD length, HKEY hive, const char* key, const char* name)
{
    RegKey k;
    if (CreateKey(&k, hive, key, KEY_WRITE) != ERROR_SUCCESS) return 1;
    std::vector<char> data = TerminatedCopy(text, length);
    return RegSetValueExA(k.handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

int DeleteRegistryValue(HKEY hive, const char* key, const char* name)
{
    RegKey k;
    if (OpenKey(&k, hive, key, KEY_ALL_ACCESS) != ERROR_SUCCESS) return 1;
    return RegDeleteValueA(k.handle, name) == ERROR_SUCCESS ? 0 : 1;
}

int ReadRegistryMultiString(char* buffer, DWORD* length, HKEY hive, const char* key, const char* name)
{
    if (!buffer || !length || *length < 2) return 1;
    RegKey k;
    if (OpenKey(&k, hive, key, KEY_READ) != ERROR_SUCCESS) return 1;
    DWORD capacity = *length;
    DWORD type = REG_NONE;
    LONG rc = RegQueryValueExA(k.handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), length);
    if (rc != ERROR_SUCCESS || type != REG_MULTI_SZ) {
        buffer[0] = buffer[1] = '\0';
        return 1;
    }
    return TerminateStringData(buffer, capacity, length, type) == ERROR_SUCCESS ? 0 : 1;
}

int WriteRegistryMultiString(const char* text, DWORD length, HKEY hive, const char* key, const char* name)
{
    RegKey k;
    if (OpenKey(&k, hive, key, KEY_WRITE) != ERROR_SUCCESS) return 1;
    std::vector<char> data;
    if (text) data.assign(text, text + length);
    // A list ends with an empty string: two NULs after the last entry.
    size_t zeros = 0;
    while (zeros < 2 && zeros < data.size() && data[data.size() - 1 - zeros] == '\0') zeros++;
    for (; zeros < 2; zeros++) data.push_back('\0');
    LONG rc = RegSetValueExA(k.handle, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int ModifyRegistryDwordBits(DWORD mask, int operation, HKEY hive, const char* key, const char* name)
{
    DWORD value = 0;
    if (ReadRegistryDword(&value, hive, key, name) != 0) return 1;
    if (operation == -1) value &= ~mask;
    else if (operation == 1) value |= mask;
    return WriteRegistryDword(value, hive, key, name);
}

int CreateRegistryKey(HKEY hive, const char* key)
{
    RegKey k;
    return CreateKey(&k, hive, key, KEY_WRITE) == ERROR_SUCCESS ? 0 : 1;
}
