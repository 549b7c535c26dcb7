// Recovery of damaged ZIP archives: every member that is still whole is copied, byte for byte,
// into a new archive with a new central directory.
#pragma once
#include <windows.h>
#include <cstdint>

struct ZipRecovery {
    uint64_t recovered;       // members copied into the new archive
    uint64_t recoveredBytes;  // their uncompressed bytes
    uint64_t lost;            // members found but cut off or damaged (their data is not whole)
};

enum {
    RECOVER_DONE = 0,          // at least one member was recovered into outPath
    RECOVER_NOTHING = 1,       // no whole member found: outPath is not left behind
    RECOVER_INPUT_FAILED = -1, // the damaged archive cannot be read (*systemError)
    RECOVER_OUTPUT_FAILED = -2,// outPath cannot be written (*systemError); it is not left behind
};

// Walks inPath's local headers from its start, skipping over garbage to the next header, and
// copies each member whose data is complete and, where it can be read (not encrypted, stored or
// deflated), matches its CRC. Members with a data descriptor are found by the descriptor's
// sizes. Writes a new central directory (ZIP64 where sizes, offsets or counts need it). inPath
// and outPath must differ. result and systemError may be null. Returns a RECOVER_* code.
int RecoverZipMembers(const char* inPath, const char* outPath, ZipRecovery* result, DWORD* systemError);
