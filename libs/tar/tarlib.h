// tar.dll: reading and writing TAR archives (plain, gzip, compress, bzip2 and, when built with
// them, xz and zstd) for the program, over libarchive. The program loads the library by name
// and calls every export with the stdcall convention; this header is the contract between the
// two sides: the exports, their records, the result text and the progress messages.
//
// Result text: the caller hands a buffer of TAR_RESULT_TEXT_SIZE bytes, zero-filled; the
// library writes "00 ..." for full success, "01 ..." (a "0" and any other character) when
// some members could not be written or added, and "1x ..." (first character not "0") when it
// failed as a whole. The rest of the text says what happened, for the log.
//
// Progress: given a progress dialog window (non-null), the library sends it TAR_WM_PROGRESS
// messages (SendMessage, so texts stay valid during the call):
//   wParam TAR_PROGRESS_FILE  lParam = const char* (ANSI) name of the member being worked on
//   wParam TAR_PROGRESS_STEP  lParam = 0: one member done (counting mode, no total size given)
//   wParam TAR_PROGRESS_POS   lParam = per cent (0..100) of the total size done (byte mode)
// When the window is no longer a window (the user cancelled and the dialog closed), the
// library stops before the next member and reports "02 cancelled".
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

enum { TAR_RESULT_TEXT_SIZE = 255 };

// The message id the progress dialog understands for library progress.
enum { TAR_WM_PROGRESS = WM_APP + 0x2A0 };
enum { TAR_PROGRESS_FILE = 1, TAR_PROGRESS_STEP = 2, TAR_PROGRESS_POS = 3 };

// Find record (TarFindFirst, TarFindNext) and per-file record (TarCreate, TarCreateAdd). The
// caller gives room for TAR_FIND_RECORD_SIZE bytes (per-file records: TAR_FILE_RECORD_SIZE
// each, zero-filled). Offsets are fixed; the struct is packed.
enum { TAR_FIND_RECORD_SIZE = 570, TAR_FILE_RECORD_SIZE = 558, TAR_NAME_SIZE = 513 };
#pragma pack(push, 1)
struct TarFindRecord {
    uint32_t size1;          // 0: stored size (low 32 bits), shown as compressed
    uint32_t size2;          // 4: member size (low 32 bits); 0 means size1 is used
    uint32_t size1High;      // 8: high 32 bits of size1 (members of 4 GiB and more)
    uint32_t size2High;      // 12: high 32 bits of size2
    unsigned char pad[6];    // 16
    uint16_t dosDate;        // 22
    uint16_t dosTime;        // 24
    char name[TAR_NAME_SIZE];// 26: ANSI, '/' separated; a folder ends in '/'
    char endMark;            // 539: '-' in the per-file record that ends the list
    unsigned char rest[TAR_FILE_RECORD_SIZE - 540];
};
#pragma pack(pop)
static_assert(sizeof(TarFindRecord) == TAR_FILE_RECORD_SIZE, "per-file record layout");
static_assert(offsetof(TarFindRecord, name) == 26 && offsetof(TarFindRecord, endMark) == 539, "record offsets");

// Add modes of TarCreateAdd.
enum { TAR_ADD_NEW = 0, TAR_ADD_APPEND = 1 };

// The exports (stdcall). Opaque archive handle: null when the archive cannot be opened.
//
// TarOpenArchive(owner, path, 0): opens path for listing; the handle is released by
//   TarCloseArchive.
// TarFindFirst(handle, "", record) / TarFindNext(handle, record): the next entry into record;
//   0 while an entry was found, 1 at the end, 2 on damaged data (the listing ends).
// TarCloseArchive(handle): releases the handle; 0.
// TarExtract(path, names, progress, text, all, totalLow, totalHigh, view): writes into the
//   current directory every member (all non-zero) or those whose names are in names (the
//   program's set of ZipEntry records, a BSTree; '/' or '\' separators, a folder name takes
//   its members). Names that leave the current directory (absolute, drive letters, "..",
//   links pointing outside or members below such links) are refused, devices and FIFOs
//   skipped; file times are set. totalLow/High: bytes to extract for per-cent progress, 0 for
//   counting. view: 1 writes members under their base names (for viewing). 0.
// TarCreate(path, base, progress, text, count, files): writes a new archive path (".tar",
//   ".tar.gz"/".tgz", ".tar.bz2" by suffix, else plain tar) from files (the program's List of
//   full path strings), members named relative to base (which ends in '/'). 0.
// TarCreateAdd(path, base, files, records, progress, mode, text): as TarCreate for
//   TAR_ADD_NEW; TAR_ADD_APPEND keeps the existing members of path and adds files after them
//   (the archive is written anew into a temporary file beside it, read back, and replaces it
//   only when complete). records (may be null) receives one per-file record per file added,
//   in order; when fewer files were added than the list holds, the record after the last
//   added one has endMark '-'. The caller allocates one record per file of the list. 0.
typedef HANDLE(WINAPI* TarOpenArchiveFn)(HWND owner, const char* path, int mode);
typedef int(WINAPI* TarFindFirstFn)(HANDLE archive, const char* pattern, void* record);
typedef int(WINAPI* TarFindNextFn)(HANDLE archive, void* record);
typedef int(WINAPI* TarCloseArchiveFn)(HANDLE archive);
typedef int(WINAPI* TarExtractFn)(const char* path, void* names, HWND progress, char* text, int all,
                                  DWORD totalLow, DWORD totalHigh, int view);
typedef int(WINAPI* TarCreateFn)(const char* path, const char* base, HWND progress, char* text, int count,
                                 void* files);
typedef int(WINAPI* TarCreateAddFn)(const char* path, const char* base, void* files, void* records, HWND progress,
                                    int mode, char* text);
