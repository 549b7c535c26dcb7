// File layer of the zip writer and the repairs of an archive's end (used by zip/create.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <minizip/ioapi.h>

// Win32 file functions with 64-bit offsets for zipOpen2_64: small writes (headers) gather in a
// buffer, seeks and reads flush it first. Honours SetZipWriteLimitForTests.
void FillZipWriteFileFunctions(zlib_filefunc64_def* functions);

// Where the pieces of an archive's end lie (absolute file offsets).
struct ZipTailInfo {
    uint64_t fileSize;
    uint64_t endRecordOffset;     // "PK\5\6"
    uint64_t zip64RecordOffset;   // "PK\6\6", or UINT64_MAX when there is none
    uint64_t centralOffset;       // first byte of the central directory
    uint64_t centralSize;
    uint64_t entries;
    uint64_t bytesBefore;         // bytes in front of the archive data (self-extractors)
    std::string comment;
};

// Reads the end records of path. 1 found and consistent, 0 not a ZIP end.
int ReadZipTailInfo(const char* path, ZipTailInfo* info);
// Reads the bytes from the central directory to the end of the file into bytes. 1, 0 failure.
int SaveZipTail(const char* path, const ZipTailInfo* info, std::string* bytes);
// Writes bytes at offset `at` and cuts the file there after them: the archive's old end back.
// 1, 0 failure.
int RestoreZipTail(const char* path, uint64_t at, const std::string& bytes);
// Rewrites the central directory of path without the entries whose indices (order of the
// central directory) are in drop, and writes zip64 end records when the archive needs them
// (65535 entries or more, offsets or sizes of 4 GiB) but lacks them. When the dropped entries
// are the last ones, their data is cut off too. *changed tells whether anything was written.
// 1 done (or nothing to do), 0 failure.
int FinishZipCentralDirectory(const char* path, const std::vector<uint64_t>& drop, int* changed);
