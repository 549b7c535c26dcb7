// The ZIP access layer: every ZIP read of the program goes through here. It opens archives
// through minizip with buffered Win32 64-bit file functions (waiting while another process holds
// the file), opens entries with the process-wide password, reads entries into memory or files
// with the recovery prompt, and numbers the reader's outcomes (UnzResult).
#pragma once
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <string>

#include <minizip/unzip.h>

// Reader results: small non-negative numbers, 0 success, 1 end of the entry list.
enum UnzResult {
    UNZ_R_OK = 0,
    UNZ_R_END_OF_LIST = 1,
    UNZ_R_UNKNOWN = 2,            // read or seek failure of the underlying file
    UNZ_R_EOF = 3,
    UNZ_R_PARAM = 4,              // no handle, no current entry, name too long for a lookup
    UNZ_R_BADZIP = 5,             // invalid structure, or a method other than stored/deflated
    UNZ_R_INTERNAL = 6,
    UNZ_R_CRC = 7,                // CRC mismatch found when a completely read entry is closed
    UNZ_R_BASE = 8,
    UNZ_R_FILESTREAM = 9,         // the archive file cannot be opened
    UNZ_R_CENTRALDIR = 10,
    UNZ_R_SEEK = 11,
    UNZ_R_SIGNATURE = 12,
    UNZ_R_NUMBERDISK = 13,
    UNZ_R_NUMBERDISKCD = 14,
    UNZ_R_TOTALNUMBERCDDISK = 15,
    UNZ_R_TOTALNUMBERCD = 16,
    UNZ_R_SIZECD = 17,
    UNZ_R_OFFSETCD = 18,
    UNZ_R_COMMENTLENGTH = 19,
    UNZ_R_COPYRIGHT = 20,
    UNZ_R_USER = 21,              // the user cancelled the password prompt
};

// Text of a reader result: the table text for 0..20, "unzip unknown error" for anything else.
const char* UnzResultText(int result);
// Maps a minizip/zlib return value (UNZ_*, Z_*) onto UnzResult; positive byte counts map to 0.
int UnzResultFromLibrary(int libraryCode);

// Reader result of the last open attempt: 0 first, 9 when the file cannot be opened,
// 5 when it opens but is no readable ZIP archive.
extern int UnzLastOpenError;
// Last system error slot: 32 (ERROR_SHARING_VIOLATION) after an open that found the file held
// by another process and never succeeded; 0 = none. Read and clear it with the two functions.
DWORD GetZipLastSystemError(void);
void ClearZipLastSystemError(void);

// Opens an archive for reading; waitMs -1 means 3000, 0 tries once. Polls every 10 ms while the
// open fails. Returns the reader handle (close it with unzClose) or nullptr. An archive without
// members (nothing but its end record and comment) opens as an archive of 0 entries.
unzFile MyWaitunzOpen2_64(const char* path, int waitMs);

// Puts the reader on the first entry: minizip's UNZ_* result, UNZ_END_OF_LIST_OF_FILE (not an
// error) for an archive without entries, where unzGoToFirstFile would report a damaged one.
int ZipGoToFirstEntry(unzFile uf);

// Reads the current entry's information with its name decoded as its maker wrote it (UTF-8
// flag, Unicode path field, unmarked UTF-8 or the OEM code page; zip/zipnames.h) and converted
// to the ANSI code page ('?' for characters it cannot hold). The name is always NUL-terminated
// within nameSize (longer names are cut). Returns the UnzResult of the information call.
int ZipGetCurrentEntryInfo(unzFile uf, unz_file_info64* info, char* name, size_t nameSize);
// The same, also giving the true name as wide text (wide may be null) and whether the ANSI
// text holds it whole and exactly (exact may be null).
int ZipGetCurrentEntryNames(unzFile uf, unz_file_info64* info, char* name, size_t nameSize, std::wstring* wide,
                            int* exact);
// The current entry's name and central extra field as stored, byte for byte (either may be null).
int ZipGetCurrentEntryStored(unzFile uf, unz_file_info64* info, std::string* stored, std::string* extra);
// Puts the reader on the first entry whose ANSI name (as ZipGetCurrentEntryInfo gives it)
// equals name exactly: 0 found, 1 when no entry has it, another UnzResult on a damaged archive.
int ZipLocateEntryByName(unzFile uf, const char* name);
// 1 when the entry name denotes a directory entry (nothing after its last '/' or '\').
int IsZipDirectoryName(const char* name);
// The part of name after its last '/' or '\' (the whole name when it has none); never null.
const char* ZipBaseName(const char* name);

// Archive-protected flag: set from the first entry of the last listed archive.
// ZipCheckFirstEntryEncrypted expects the reader on the first entry; the flag becomes 1 exactly
// when that entry is encrypted and opens.
void ZipCheckFirstEntryEncrypted(unzFile uf);
int IsZipPasswordProtected(void);
void ResetZipPasswordProtected(void);
void SetZipPasswordProtected(int on);
// Opens the archive, checks its first entry as the listing does, closes it. 1 opened, 0 not.
int ZipCheckArchiveProtection(const char* path);

// Opens the current entry for reading. Entries marked encrypted are opened with the password
// (argument when non-empty, else the process-wide password, asking for one through the password
// prompt when none is known: cancel gives 21). Decoding (raw 0) refuses methods other than
// stored and deflated with 5. method/level may be null. Returns an UnzResult.
int ZipOpenCurrentFileWithPassword(unzFile uf, int* method, int* level, int raw, const char* password);
// The same, but a password that turns out wrong is never used: the traditional encryption
// header's check byte is tested before anything is read, a wrong password is told ("wrong
// password"), forgotten (pass emptied; the process-wide one cleared when it was that one) and
// asked again until it is right or the prompt is cancelled (21). pass (may be null) receives
// the password that opened the entry, so that the next entry starts with it.
int ZipOpenCurrentFileAsking(unzFile uf, int* method, int* level, int raw, char* pass, size_t passSize);
// 1 when pass opens the reader's current (encrypted) entry by its header's check byte, 0 when
// it is wrong, -1 when the header cannot be read.
int ZipCheckEntryPassword(unzFile uf, const unz_file_info64* info, const char* pass);

// 1 when a read loop that met the end of the entry's data got exactly the recorded size; 0 (and
// a log line) for data that ended early.
int EndOfEntryIsComplete(uint64_t total, uint64_t expectedSize);

// Reads the whole opened entry into dest (room for expectedSize bytes) in chunks of bufSize
// through buf. 1 success, 0 failure (also for data shorter than expectedSize); a failing read
// or data beyond expectedSize asks "Error in uncompressing" (OK keeps the data read so far
// for data beyond the size only).
int ZipReadCurrentToMemory(unzFile uf, uint64_t expectedSize, char* buf, unsigned bufSize, char* dest);
// The same into an open stream; fileName is for messages. busyCursor: show the wait cursor on
// the main window after 200 ms. 1 success, 0 failure.
int ZipReadCurrentToFile(unzFile uf, uint64_t expectedSize, char* buf, unsigned bufSize, FILE* out,
                         const char* fileName, int busyCursor);

// Archive properties: -1 when an argument is missing, 1 when the archive cannot be opened,
// 0 done. The comment is cut to commentSize - 1 characters and always terminated.
int GetZipProperties(const char* path, int64_t* compressed, int64_t* uncompressed, int64_t* files,
                     int64_t* directories, char* comment, size_t commentSize);

// Why a repair failed.
enum RepairFailureStep {
    REPAIR_FAILED_NOT = 0,            // it did not fail
    REPAIR_FAILED_INPUT,              // the damaged archive cannot be opened for reading
    REPAIR_FAILED_OUTPUT,             // the output or its scratch file cannot be created (or is the input)
    REPAIR_FAILED_NOTHING_RECOVERED,  // no member could be saved: not a ZIP archive, or broken from the start
    REPAIR_FAILED_BROKE_OFF,          // the repair stopped in the middle (a cut member, a failed write)
};
struct RepairFailure {
    int step;           // RepairFailureStep
    DWORD systemError;  // the system's error code, 0 when it gave none
    uint64_t lostMembers; // members found but cut off or damaged (also when the repair worked)
};

// Rebuilds a damaged archive into outPath from every member that is still whole (truncated
// archives, lost central directories, garbage between members); the counts and failure may be
// null. Returns 0 when at least one member was saved, else UNZ_BADZIPFILE (nothing to save),
// Z_ERRNO (input or output failed) or UNZ_PARAMERROR; a failed repair leaves no output behind.
int RepairZipArchiveFiles(const char* damagedPath, const char* outPath, uint64_t* entries, uint64_t* bytes,
                          RepairFailure* failure = nullptr);
// The message for a failed repair, naming the file and the system's error text. 0 when
// failure tells of none.
int FormatRepairFailure(char* text, size_t size, const char* damagedPath, const char* outPath,
                        const RepairFailure* failure);
// The repair command: asks for the damaged archive and the output name, then repairs; a
// failure is shown in a message box, a success only logged.
void RepairZipArchive(void);

// CRC-32 of a file's contents (0 for an empty or unreadable file; ok, when given, tells which).
unsigned long getFileCrc(const char* path, int* ok = nullptr);

// 1 when an entry name may be written below a target folder: not empty, not absolute, no drive
// letter or stream colon, no ".." climbing above the start. 0 for names that leave the folder.
int IsSafeEntryName(const char* name);
// 1 when targetFolder + "\" + name resolves to a path inside targetFolder (and the name is safe).
int IsEntryPathInsideFolder(const char* targetFolder, const char* name);

// 1 when path names an existing file with the read-only attribute: every change of such an
// archive is refused.
int IsReadOnlyArchive(const char* path);
// The message that tells the user a read-only archive was left as it was.
void ReadOnlyArchiveText(const char* path, char* out, size_t outSize);
