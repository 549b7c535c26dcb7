// Extraction of all entries by the stub (see extract.h).
#include "sfx/stub/extract.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sfx/stub/stub.h"

namespace {

const char kEntryCaption[] = "Error extracting files";
const UINT kEntryIcon = MB_OK | MB_TOPMOST | MB_ICONERROR;
int gOverwriteAll;

void ShowEntryError(const char* text) {
    printf("%s", text);
    StubMessage(text, kEntryCaption, kEntryIcon);
}

// Sets creation and last-write time from the entry's DOS date and time (local time).
void SetEntryTimes(HANDLE file, unsigned long dosDate) {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime((WORD)(dosDate >> 16), (WORD)(dosDate & 0xFFFF), &local)) return;
    if (!LocalFileTimeToFileTime(&local, &utc)) return;
    SetFileTime(file, &utc, nullptr, &utc);
}

// Asks for the password when an encrypted entry comes and none was typed yet.
void EnsurePasswordForEncryptedEntry(void) {
    if (!GStubPassword[0]) AskStubPassword();
}

// 0 success, 1 refused name, another value an error already shown.
int ExtractCurrentEntry(unzFile zip, StubExtractOutcome* outcome) {
    unz_file_info64 info;
    char name[256];
    int err = unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    StepStubProgress(err == UNZ_OK ? name : "");
    if (err != UNZ_OK) {
        char text[200];
        snprintf(text, sizeof text, "error %d with zipfile in unzGetCurrentFileInfo\n", err);
        ShowEntryError(text);
        return err;
    }
    for (char* at = name; *at; at++)
        if (*at == '/') *at = '\\';
    if (!IsNameInsideFolder(name)) {
        printf("refused \"%s\": the name leaves the target folder\n", name);
        outcome->refused++;
        return 1;
    }
    char* buffer = (char*)malloc(8192);
    if (!buffer) {
        printf("Error allocating memory\n");
        return UNZ_INTERNALERROR;
    }
    const char* base = strrchr(name, '\\');
    base = base ? base + 1 : name;
    if (!*base) {
        CreateDirectoryA(name, nullptr);
        free(buffer);
        return 0;
    }
    const char* password = nullptr;
    if (info.flag & 1) {
        EnsurePasswordForEncryptedEntry();
        password = GStubPassword[0] ? GStubPassword : nullptr;
    }
    err = unzOpenCurrentFilePassword(zip, password);
    if (err != UNZ_OK) {
        char text[200];
        snprintf(text, sizeof text, "error %d with zipfile in unzOpenCurrentFilePassword\n", err);
        ShowEntryError(text);
        unzCloseCurrentFile(zip);
        free(buffer);
        return err;
    }
    if (!gOverwriteAll && GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES) {
        INT_PTR answer = AskStubOverwrite();
        if (answer == IDC_SFX_OVERWRITE_ALL) gOverwriteAll = 1;
        if (answer == IDC_SFX_OVERWRITE_NO) {
            unzCloseCurrentFile(zip);
            free(buffer);
            outcome->skipped++;
            return 0;
        }
    }
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && base != name) {
        char folder[256];
        snprintf(folder, sizeof folder, "%.*s", (int)(base - 1 - name), name);
        CreateFolderPath(folder);
        file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        char text[400];
        snprintf(text, sizeof text, "error opening %s\n", name);
        ShowEntryError(text);
        err = UNZ_ERRNO;
    } else {
        int readError = 0;
        for (;;) {
            int got = unzReadCurrentFile(zip, buffer, 8192);
            if (got < 0) {
                char text[200];
                snprintf(text, sizeof text, "error %d with zipfile in unzReadCurrentFile\n", got);
                ShowEntryError(text);
                readError = got;
                break;
            }
            if (got == 0) break;
            DWORD written = 0;
            if (!WriteFile(file, buffer, (DWORD)got, &written, nullptr) || written != (DWORD)got) {
                ShowEntryError("error in writing extracted file\n");
                CloseHandle(file);
                unzCloseCurrentFile(zip);
                free(buffer);
                return UNZ_ERRNO;
            }
        }
        if (readError) {
            CloseHandle(file);
            unzCloseCurrentFile(zip);
            free(buffer);
            return readError;
        }
        SetEntryTimes(file, info.dosDate);
        CloseHandle(file);
        outcome->written++;
    }
    int closed = unzCloseCurrentFile(zip);
    if (closed != UNZ_OK) {
        char text[200];
        snprintf(text, sizeof text, "error %d with zipfile in unzCloseCurrentFile\n", closed);
        ShowEntryError(text);
        if (err == UNZ_OK) err = closed;
    }
    free(buffer);
    return err;
}

}  // namespace

int IsNameInsideFolder(const char* name) {
    if (!name || !name[0]) return 0;
    if (name[0] == '/' || name[0] == '\\') return 0;
    if (strchr(name, ':')) return 0;
    int depth = 0;
    const char* part = name;
    for (;;) {
        const char* end = part;
        while (*end && *end != '/' && *end != '\\') end++;
        size_t length = (size_t)(end - part);
        if (length == 2 && part[0] == '.' && part[1] == '.') {
            if (--depth < 0) return 0;
        } else if (length > 0 && !(length == 1 && part[0] == '.')) {
            depth++;
        }
        if (!*end) break;
        part = end + 1;
    }
    return 1;
}

int CreateFolderPath(const char* path) {
    if (!path || !path[0]) return 0;
    char copy[4096];
    snprintf(copy, sizeof copy, "%s", path);
    size_t length = strlen(copy);
    if (length > 0 && copy[length - 1] == '/') copy[--length] = 0;
    if (CreateDirectoryA(copy, nullptr)) return 1;
    for (size_t i = 1; i <= length; i++) {
        if (i < length && copy[i] != '/' && copy[i] != '\\') continue;
        char keep = copy[i];
        copy[i] = 0;
        if (!CreateDirectoryA(copy, nullptr) && GetLastError() == ERROR_PATH_NOT_FOUND) {
            char text[4200];
            snprintf(text, sizeof text, "couldn't create directory %s\n", copy);
            StubMessage(text, kEntryCaption, kEntryIcon);
            copy[i] = keep;
            return 0;
        }
        copy[i] = keep;
    }
    return 1;
}

int ExtractAllEntries(unzFile zip, StubExtractOutcome* outcome) {
    memset(outcome, 0, sizeof *outcome);
    gOverwriteAll = 0;
    unz_global_info64 global;
    int err = unzGetGlobalInfo64(zip, &global);
    if (err != UNZ_OK) {
        char text[200];
        snprintf(text, sizeof text, "error %d with zipfile in unzGetGlobalInfo \n", err);
        StubMessage(text, "Error unzipping file", MB_OK | MB_ICONERROR);
        return 0;
    }
    CreateStubProgress((int)global.number_entry);
    int ok = 1;
    for (ZPOS64_T i = 0; i < global.number_entry; i++) {
        PumpOneStubMessage();
        int rc = ExtractCurrentEntry(zip, outcome);
        if (rc != 0 && rc != 1) {
            StubMessage("Error extracting file", "Error!", MB_OK);
            ok = 0;
            break;
        }
        if (i + 1 < global.number_entry) {
            err = unzGoToNextFile(zip);
            if (err != UNZ_OK) {
                char text[200];
                snprintf(text, sizeof text, "error %d with zipfile in unzGoToNextFile\n", err);
                StubMessage(text, "Error unzipping file", MB_OK | MB_ICONERROR);
                ok = 0;
                break;
            }
        }
    }
    CloseStubProgress();
    return ok;
}
