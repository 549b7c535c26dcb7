// The self-extractor builder: writes the stub that the program carries (resource "IDR_EXE"
// 129) to the target file and adds the archive to it as RT_RCDATA resources of language 0:
// the header 111 (bytes 17, 1, 0, 0 encrypted; four zero bytes plain) and the pieces 112,
// 113, ... without gaps. Encrypted archives go through the archive cipher (sfx/cipher.h)
// into a temporary file of a unique name first, which every ending removes.
#pragma once
#include <windows.h>
#include <cstdint>

struct ZipCreateOptions;

// Results of BuildSelfExtractor (also in job->result).
enum {
    SFX_BUILD_OK = 0,
    SFX_BUILD_CANNOT_CREATE = 1,     // target not created
    SFX_BUILD_NO_STUB = 2,           // the program carries no stub
    SFX_BUILD_BEGIN_UPDATE = 3,      // the written stub could not be opened for resource update
    SFX_BUILD_CANNOT_OPEN_SOURCE = 4,
    SFX_BUILD_NO_MEMORY = 5,
    SFX_BUILD_TEMP_FAILED = 6,       // the temporary encrypted copy could not be written
    SFX_BUILD_UPDATE_FAILED = 7,     // adding a resource failed (update not committed)
    SFX_BUILD_END_UPDATE = 8,        // committing the update failed
    SFX_BUILD_CANCELLED = 9,         // the user cancelled a question before anything was written
};

// Piece sizes: by one hundredth of the archive (variant A, the command) or fixed (variant B,
// after an archive creation).
enum { SFX_PIECES_BY_HUNDREDTH = 0, SFX_PIECES_FIXED = 1, SFX_FIXED_PIECE = 131072 };

struct SfxJob {
    char source[260];        // archive to turn into a program
    char target[260];        // program to write
    const char* password;    // the password when encrypting (not owned)
    int encrypt;             // 1: encrypt the archive with the password
    int noDialog;            // 1: no message boxes (console, tests); failures are printed
    int pieceMode;           // SFX_PIECES_*
    int deleteSource;        // 1: the source is a temporary archive, deleted at every ending
    int ownsProgress;        // 1: the builder sets the bounds of the current progress dialog
    HWND progressDialog;     // dialog stepped while working (null: none)
    HWND viewList;           // list view that started the job (variant B), may be null
    // Outcome.
    int result;              // SFX_BUILD_*
    int pieces;              // pieces added
    uint32_t pieceSize;
    int64_t archiveBytes;    // bytes stored (after encryption)
};

// The piece size for an archive of length bytes: variant A one hundredth (doubled when
// encrypting; the whole archive as one piece when that is zero), variant B SFX_FIXED_PIECE.
uint32_t SfxPieceSize(int64_t length, int encrypt, int pieceMode);

// Builds job->target from job->source on the calling thread, showing each failure (unless
// noDialog) and stepping job->progressDialog. Does not close the dialog and does not show the
// success message. Returns an SFX_BUILD_ result (also in job->result).
int BuildSelfExtractor(SfxJob* job);

// Variant A's worker: param is a malloc'ed SfxJob, released at the end. Builds, closes the
// progress dialog and shows the success message.
DWORD WINAPI BuildSelfExtractorThread(LPVOID param);

// Command of the window: turns the open ZIP archive into a program (save dialog, password when
// encrypting and none is set, progress dialog, worker). 1 started, 0 nothing to do or cancelled.
int StartSelfExtractorFromOpenArchive(HWND owner);

// Variant B, on the creation worker's thread after options->targetArchive (the temporary
// archive) was written: asks for the target and builds with fixed pieces. Closes the progress
// dialog exactly once on every road and deletes the temporary archive (unless the user
// cancelled the save dialog). Returns an SFX_BUILD_ result.
int BuildSelfExtractorFromCreatedArchive(const ZipCreateOptions* options);
