// Registry primitives: the program's only contact with the system registry. Every function
// opens the key given by hive and path, does one thing to one value and closes the key again.
// Results follow the registry's own habit: 0 is success, non-zero a failure.
#pragma once
#include <windows.h>

// Reads a REG_DWORD value into *out. Returns 0 on success; 1 when the key cannot be opened,
// the query fails, or the value is not a 4-byte DWORD (*out is left unchanged then).
int ReadRegistryDword(DWORD* out, HKEY hive, const char* key, const char* name);

// Raw query of a value of any type into buffer (capacity *length bytes; buffer may be NULL to
// ask for the size). Returns the system error code: 0 on success with the data size in *length,
// 234 (ERROR_MORE_DATA) when the buffer is too small, with the needed size in *length.
// String values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) always come back terminated inside the
// buffer; one that fills the buffer without its terminator counts as too small (234).
LONG ReadRegistryValue(void* buffer, DWORD* length, HKEY hive, const char* key, const char* name);

// Writes a REG_DWORD into an existing key. Returns 1 when the key is missing or the write
// fails, else 0.
int WriteRegistryDword(DWORD value, HKEY hive, const char* key, const char* name);

// Writes REG_SZ into an existing key: the text up to its NUL or length bytes, whichever is
// shorter, stored with a terminator. Returns 0 on success and also when the key is missing
// (nothing written); the system error code when the write fails.
LONG WriteRegistryString(const char* text, DWORD length, HKEY hive, const char* key, const char* name);

// Like WriteRegistryString, but creates the key first when needed. Returns 1 when the key
// cannot be created, the system error code when the write fails, else 0.
LONG CreateRegistryString(const char* text, DWORD length, HKEY hive, const char* key, const char* name);

// Deletes a value. Returns 1 when the key cannot be opened or the value not deleted, else 0.
int DeleteRegistryValue(HKEY hive, const char* key, const char* name);

// Reads a REG_MULTI_SZ value into buffer (capacity *length bytes), always ending in two NULs
// inside the buffer. Returns 0 on success with the data size in *length; 1 when the key or
// value is missing, the stored type differs or the buffer is too small.
int ReadRegistryMultiString(char* buffer, DWORD* length, HKEY hive, const char* key, const char* name);

// Writes REG_MULTI_SZ into an existing key. text holds NUL-terminated strings followed by an
// empty one; length is its size in bytes. The stored data always ends in two NULs.
// Returns 1 when the key is missing or the write fails, else 0.
int WriteRegistryMultiString(const char* text, DWORD length, HKEY hive, const char* key, const char* name);

// Reads a DWORD, clears the mask bits when operation is -1, sets them when it is 1, leaves
// them otherwise, and writes the value back. Returns 0 on success, 1 when the read or the
// write fails.
int ModifyRegistryDwordBits(DWORD mask, int operation, HKEY hive, const char* key, const char* name);

// Creates the key (and its missing parents). Returns 0 on success, 1 on failure.
int CreateRegistryKey(HKEY hive, const char* key);
