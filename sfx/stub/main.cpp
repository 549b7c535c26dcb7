// The stub's start-up: copies the archive out of the own resources into a temporary file of a
// unique name, decrypts it when it is protected (asking again when the password is wrong),
// asks for the folder and extracts every entry. Every ending removes the temporary files.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <stdio.h>
#include <string.h>

#include <minizip/unzip.h>

#include "sfx/cipher.h"
#include "sfx/stub/extract.h"
#include "sfx/stub/stub.h"

namespace {

char gTempFolder[4096];

// Folder of the temporary files: TEMP (at most 4084 characters of it), else the system's.
void FindTempFolder(void) {
    char value[4096];
    DWORD length = GetEnvironmentVariableA("TEMP", value, sizeof value);
    if (length == 0 || length >= sizeof value) length = GetTempPathA(sizeof value, value);
    if (length == 0 || length >= sizeof value) snprintf(value, sizeof value, ".");
    value[4084] = 0;
    snprintf(gTempFolder, sizeof gTempFolder, "%s", value);
}

// A new empty file of a unique name in the temporary folder; 1 with its path.
int MakeUniqueTempFile(const char* prefix, char* path, size_t pathSize) {
    char made[MAX_PATH + 16];
    if (!GetTempFileNameA(gTempFolder, prefix, 0, made)) {
        snprintf(path, pathSize, "%s\\%s.zip", gTempFolder, prefix);
        return 0;
    }
    snprintf(path, pathSize, "%s", made);
    return 1;
}

// The header resource: the neutral-language one the builder adds comes before the stub's own.
HRSRC FindHeader(void) {
    HRSRC found = FindResourceExA(nullptr, (LPCSTR)RT_RCDATA, MAKEINTRESOURCEA(SFX_HEADER_ID),
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (!found) found = FindResourceA(nullptr, MAKEINTRESOURCEA(SFX_HEADER_ID), (LPCSTR)RT_RCDATA);
    return found;
}

int HeaderMarksProtection(HRSRC header) {
    if (!header || SizeofResource(nullptr, header) < 2) return 0;
    const unsigned char* bytes = (const unsigned char*)LockResource(LoadResource(nullptr, header));
    return bytes && bytes[0] == 17 && bytes[1] == 1;
}

// Appends pieces 112, 113, ... to file until the first missing identifier.
void CopyPieces(FILE* file, const char* path) {
    for (int id = SFX_FIRST_PIECE_ID;; id++) {
        HRSRC piece = FindResourceA(nullptr, MAKEINTRESOURCEA(id), (LPCSTR)RT_RCDATA);
        if (!piece) return;
        DWORD size = SizeofResource(nullptr, piece);
        const void* bytes = LockResource(LoadResource(nullptr, piece));
        size_t written = bytes ? fwrite(bytes, 1, size, file) : 0;
        if (written < size) {
            char text[4400];
            snprintf(text, sizeof text, "cannot write data complete to file %s\n%d bytes written of %d", path,
                     (int)written, (int)size);
            StubMessage(text, "Error writing file", MB_OK);
            return;
        }
    }
}

// Decrypts source into target in blocks of SFX_CIPHER_BLOCK bytes. Returns 1 when the result
// begins as a ZIP archive does (a wrong password gives noise), 0 otherwise, -1 when the target
// cannot be written.
int DecryptArchive(const char* source, const char* target) {
    FILE* out = fopen(target, "wb");
    if (!out) {
        char text[4400];
        snprintf(text, sizeof text, "cannot create temp file for writing %s", target);
        StubMessage(text, "Error creating file", MB_OK | MB_ICONERROR);
        return -1;
    }
    FILE* in = fopen(source, "rb");
    static unsigned char block[SFX_CIPHER_BLOCK];
    Aes128Key key;
    DeriveSfxKey(GStubPassword, &key);
    unsigned char first[4] = {0, 0, 0, 0};
    int firstSeen = 0, writeFailed = 0;
    size_t got;
    while (in && (got = fread(block, 1, sizeof block, in)) > 0) {
        DecryptSfxBlock(&key, block, got);
        if (!firstSeen && got >= 4) memcpy(first, block, 4);
        firstSeen = 1;
        if (fwrite(block, 1, got, out) != got) writeFailed = 1;
    }
    if (in) fclose(in);
    if (fclose(out) != 0) writeFailed = 1;
    SecureZeroMemory(&key, sizeof key);
    if (writeFailed) return -1;
    // Local header, end record of an empty archive, or the spanning marker.
    return first[0] == 'P' && first[1] == 'K' &&
           ((first[2] == 3 && first[3] == 4) || (first[2] == 5 && first[3] == 6) || (first[2] == 7 && first[3] == 8));
}

// The folder the browser opens at: the root of drive C, or one given by the environment for
// unattended checks of a built file.
void SetStartFolder(void) {
    char value[4096];
    DWORD length = GetEnvironmentVariableA("KELVORA_SFX_FOLDER", value, sizeof value);
    if (length > 0 && length < sizeof value) snprintf(GStubFolder, sizeof GStubFolder, "%s", value);
}

int RunStub(void) {
    ChooseStubLanguage();
    FindTempFolder();
    SetStartFolder();
    char archive[4400], decrypted[4400];
    decrypted[0] = 0;
    MakeUniqueTempFile("kvx", archive, sizeof archive);
    FILE* file = fopen(archive, "wb");
    if (!file) {
        char text[4500];
        snprintf(text, sizeof text, "cannot open file %s", archive);
        StubMessage(text, "Error creating file", MB_OK);
        DeleteFileA(archive);
        return 0;
    }
    int isProtected = HeaderMarksProtection(FindHeader());
    if (isProtected && AskStubPassword() != IDC_SFX_PASSWORD_OK) {
        fclose(file);
        DeleteFileA(archive);
        return 0;
    }
    CopyPieces(file, archive);
    fclose(file);

    const char* opened = archive;
    if (isProtected) {
        for (;;) {
            if (!MakeUniqueTempFile("kvd", decrypted, sizeof decrypted)) {
                char text[4500];
                snprintf(text, sizeof text, "cannot create temp file for writing %s", decrypted);
                StubMessage(text, "Error creating file", MB_OK | MB_ICONERROR);
                DeleteFileA(archive);
                return 0;
            }
            int rc = DecryptArchive(archive, decrypted);
            if (rc == 1) break;
            DeleteFileA(decrypted);
            if (rc < 0) {
                DeleteFileA(archive);
                return 0;
            }
            if (StubMessage(StubText(SFX_TEXT_WRONG_PASSWORD), "Kelvora - Selfextractor",
                            MB_RETRYCANCEL | MB_ICONERROR | MB_TOPMOST) != IDRETRY ||
                AskStubPassword() != IDC_SFX_PASSWORD_OK) {
                DeleteFileA(archive);
                return 0;
            }
        }
        DeleteFileA(archive);
        opened = decrypted;
    }

    unzFile zip = unzOpen64(opened);
    if (!zip) {
        char text[4500];
        snprintf(text, sizeof text, "Unzipopen: cannot open temp file: %s", opened);
        StubMessage(text, "error", MB_OK | MB_ICONERROR | MB_TOPMOST);
        DeleteFileA(opened);
        return 0;
    }
    if (!ChooseStubFolder()) {
        unzClose(zip);
        DeleteFileA(opened);
        return 0;
    }
    StubExtractOutcome outcome;
    int ok = SetCurrentDirectoryA(GStubFolder) && ExtractAllEntries(zip, &outcome);
    unzClose(zip);
    DeleteFileA(opened);
    if (ok && outcome.refused > 0) {
        char text[600];
        snprintf(text, sizeof text, StubText(SFX_TEXT_REFUSED), (long long)outcome.refused);
        StubMessage(text, "Kelvora - Selfextractor", MB_OK | MB_ICONWARNING | MB_TOPMOST);
    } else if (ok) {
        char text[4500];
        snprintf(text, sizeof text, "%s:\n\"%s\"", StubText(SFX_TEXT_SUCCESS), GStubFolder);
        StubMessage(text, "Kelvora - Selfextractor", MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
    }
    SecureZeroMemory(GStubPassword, sizeof GStubPassword);
    return ok ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    int rc = RunStub();
    OleUninitialize();
    return rc;
}
