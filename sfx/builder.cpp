// The self-extractor builder (see builder.h).
#include "sfx/builder.h"

#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/langtext.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "sfx/cipher.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/create.h"

namespace {

const char kExeFilter[] = "Programs (*.exe)\0*.exe\0All files (*.*)\0*.*\0";

void ShowFailure(const SfxJob* job, const char* text, const char* caption, UINT type) {
    if (job->noDialog) {
        printf("%s\n", text);
        return;
    }
    PromptMessageBox(nullptr, text, caption, type | MB_TOPMOST);
}

void TempFolder(char* folder, size_t size) {
    DWORD length = GetEnvironmentVariableA("TEMP", folder, (DWORD)size);
    if (length == 0 || length >= size) length = GetTempPathA((DWORD)size, folder);
    if (length == 0 || length >= size) snprintf(folder, size, ".");
}

// A new empty file of a unique name in the temporary folder, so that two builders running at
// once never share one. 1 with its path.
int MakeUniqueTempFile(char* path, size_t size) {
    char folder[MAX_PATH];
    TempFolder(folder, sizeof folder);
    char made[MAX_PATH + 16];
    if (!GetTempFileNameA(folder, "kvs", 0, made)) return 0;
    snprintf(path, size, "%s", made);
    return 1;
}

int64_t FileLength(FILE* file) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    int64_t length = _ftelli64(file);
    _fseeki64(file, 0, SEEK_SET);
    return length;
}

// The progress rule: one step each time the bytes processed pass another unit, at most 100.
struct ProgressCounter {
    int64_t unit;
    int64_t total;
    int steps;
};

void AdvanceProgress(const SfxJob* job, ProgressCounter* counter, size_t bytes) {
    counter->total += (int64_t)bytes;
    while (counter->steps <= 99 && counter->total > (int64_t)counter->steps * counter->unit) {
        counter->steps++;
        if (job->progressDialog) ExecuteProgressStep(job->progressDialog);
        if (counter->unit <= 0) break;
    }
}

// Writes the carried stub to the target. SFX_BUILD_OK or the failure (shown).
int WriteStub(SfxJob* job) {
    HANDLE file = CreateFileA(job->target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        char text[400];
        snprintf(text, sizeof text, "cannot create self extracting file: %s", job->target);
        ShowFailure(job, text, GetMessageText(94), MB_OK | MB_ICONERROR);
        return SFX_BUILD_CANNOT_CREATE;
    }
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(129), "IDR_EXE");
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        DWORD error = GetLastError();
        CloseHandle(file);
        DeleteFileA(job->target);
        char text[80];
        snprintf(text, sizeof text, "!hResLoad %d", (int)error);
        ShowFailure(job, text, "", MB_OK);
        return SFX_BUILD_NO_STUB;
    }
    DWORD size = SizeofResource(self, found), written = 0;
    BOOL ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    if (!CloseHandle(file)) ok = FALSE;
    if (!ok) {
        char text[400];
        snprintf(text, sizeof text, "cannot create self extracting file: %s", job->target);
        ShowFailure(job, text, GetMessageText(94), MB_OK | MB_ICONERROR);
        return SFX_BUILD_CANNOT_CREATE;
    }
    return SFX_BUILD_OK;
}

// Encrypts source into the open file out in cipher blocks. 1 on success.
int EncryptInto(const SfxJob* job, FILE* source, FILE* out, ProgressCounter* counter) {
    static_assert(SFX_CIPHER_BLOCK % AES_BLOCK_BYTES == 0, "cipher blocks are whole AES blocks");
    uint8_t* block = (uint8_t*)malloc(SFX_CIPHER_BLOCK);
    if (!block) return 0;
    Aes128Key key;
    DeriveSfxKey(job->password ? job->password : "", &key);
    int ok = 1;
    size_t got;
    while ((got = fread(block, 1, SFX_CIPHER_BLOCK, source)) > 0) {
        size_t length = EncryptSfxBlock(&key, block, got);
        if (fwrite(block, 1, length, out) != length) {
            ok = 0;
            break;
        }
        AdvanceProgress(job, counter, got);
    }
    if (ferror(source)) ok = 0;
    SecureZeroMemory(&key, sizeof key);
    free(block);
    return ok;
}

}  // namespace

uint32_t SfxPieceSize(int64_t length, int encrypt, int pieceMode) {
    if (pieceMode == SFX_PIECES_FIXED) return SFX_FIXED_PIECE;
    int64_t size = length / 100;
    if (encrypt) size *= 2;
    if (size <= 0) size = length > 0 ? (encrypt ? (int64_t)SfxEncryptedLength((size_t)length) : length) : 1;
    return (uint32_t)size;
}

int BuildSelfExtractor(SfxJob* job) {
    job->pieces = 0;
    job->archiveBytes = 0;
    char temp[MAX_PATH + 16] = "";
    FILE* source = nullptr;
    uint8_t* buffer = nullptr;
    HANDLE update = nullptr;
    int result = SFX_BUILD_OK;
    ProgressCounter counter = {0, 0, 0};
    int64_t length = 0;
    uint32_t pieceSize = 0;
    static const uint8_t kPlainHeader[4] = {0, 0, 0, 0};
    static const uint8_t kEncryptedHeader[4] = {17, 1, 0, 0};

    {
        char line[600];
        snprintf(line, sizeof line, "%s \"%s\"", GetMessageText(23), job->target);
        if (job->progressDialog) SetProgressFileText(line);
    }
    result = WriteStub(job);
    if (result != SFX_BUILD_OK) goto end;

    update = BeginUpdateResourceA(job->target, FALSE);
    if (!update) {
        char text[80];
        snprintf(text, sizeof text, "BeginUpdateResource failed %d", (int)GetLastError());
        ShowFailure(job, text, "", MB_OK);
        result = SFX_BUILD_BEGIN_UPDATE;
        goto end;
    }
    source = fopen(job->source, "rb");
    if (!source || (length = FileLength(source)) < 0) {
        ShowFailure(job, "cannot open testfile.zip for reading", "", MB_OK);
        result = SFX_BUILD_CANNOT_OPEN_SOURCE;
        goto end;
    }
    pieceSize = SfxPieceSize(length, job->encrypt, job->pieceMode);
    job->pieceSize = pieceSize;
    buffer = (uint8_t*)calloc(1, pieceSize);
    if (!buffer) {
        ShowFailure(job, "memory error!", "Kelvora error", MB_OK);
        result = SFX_BUILD_NO_MEMORY;
        goto end;
    }
    counter.unit = job->encrypt ? length / 50 : length / 100;
    if (job->ownsProgress && job->progressDialog) {
        SetProgressMinimum(0);
        SetProgressMaximum(100);
    }

    if (job->encrypt) {
        FILE* out = nullptr;
        if (MakeUniqueTempFile(temp, sizeof temp)) out = fopen(temp, "wb");
        int ok = out && EncryptInto(job, source, out, &counter);
        if (out && fclose(out) != 0) ok = 0;
        fclose(source);
        source = nullptr;
        if (ok) source = fopen(temp, "rb");
        if (!ok || !source) {
            ShowFailure(job, job->pieceMode == SFX_PIECES_FIXED ? "cannot open testfile2.zip for writing"
                                                                 : "cannot open temp2.zip for writing",
                        "", MB_OK);
            result = SFX_BUILD_TEMP_FAILED;
            goto end;
        }
    }

    if (!UpdateResourceA(update, (LPCSTR)RT_RCDATA, MAKEINTRESOURCEA(111), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         (void*)(job->encrypt ? kEncryptedHeader : kPlainHeader), 4)) {
        char text[120];
        snprintf(text, sizeof text, "UpdateResource failed counter %d error %d", 111 - 110, (int)GetLastError());
        ShowFailure(job, text, "", MB_OK);
        result = SFX_BUILD_UPDATE_FAILED;
        goto end;
    }
    for (int id = 112;; id++) {
        size_t got = fread(buffer, 1, pieceSize, source);
        if (got == 0) break;
        if (!UpdateResourceA(update, (LPCSTR)RT_RCDATA, MAKEINTRESOURCEA(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                             buffer, (DWORD)got)) {
            char text[120];
            snprintf(text, sizeof text, "UpdateResource failed counter %d error %d", id - 110, (int)GetLastError());
            ShowFailure(job, text, "", MB_OK);
            result = SFX_BUILD_UPDATE_FAILED;
            goto end;
        }
        job->pieces++;
        job->archiveBytes += (int64_t)got;
        AdvanceProgress(job, &counter, got);
        if (id == 0xFFFF) {  // identifiers are 16 bits; no archive gets near this
            ShowFailure(job, "UpdateResource failed counter 65425 error 0", "", MB_OK);
            result = SFX_BUILD_UPDATE_FAILED;
            goto end;
        }
    }
    if (ferror(source)) {
        ShowFailure(job, "cannot open testfile.zip for reading", "", MB_OK);
        result = SFX_BUILD_CANNOT_OPEN_SOURCE;
        goto end;
    }
    fclose(source);
    source = nullptr;
    if (!job->encrypt && job->progressDialog) SetProgressFileText(GetGenericText(31));
    {
        HANDLE committing = update;
        update = nullptr;
        if (!EndUpdateResourceA(committing, FALSE)) {
            char text[80];
            snprintf(text, sizeof text, "EndUpdateResource failed %d", (int)GetLastError());
            ShowFailure(job, text, "", MB_OK);
            result = SFX_BUILD_END_UPDATE;
        }
    }

end:
    if (update) EndUpdateResourceA(update, TRUE);  // discard: the target keeps the bare stub
    if (source) fclose(source);
    if (temp[0]) DeleteFileA(temp);
    free(buffer);
    if (job->deleteSource && job->source[0]) DeleteFileA(job->source);
    job->result = result;
    return result;
}

static void ShowSuccess(const SfxJob* job) {
    char text[600];
    snprintf(text, sizeof text, "%s %s", GetMessageText(24), job->target);
    if (job->noDialog)
        printf("%s\n", text);
    else
        PromptMessageBox(nullptr, text, "Successful operation", MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
}

DWORD WINAPI BuildSelfExtractorThread(LPVOID param) {
    SfxJob* job = (SfxJob*)param;
    job->progressDialog = GetProgressDialog();
    for (int i = 0; i < 100 && !job->progressDialog; i++) {  // the dialog thread may still be starting
        Sleep(10);
        job->progressDialog = GetProgressDialog();
    }
    int rc = BuildSelfExtractor(job);
    DestroyProgressDialog();
    if (rc == SFX_BUILD_OK) ShowSuccess(job);
    free(job);
    return (DWORD)rc;
}

int StartSelfExtractorFromOpenArchive(HWND owner) {
    if (!GApp.currentArchive[0]) return 0;
    SfxJob* job = (SfxJob*)calloc(1, sizeof(SfxJob));
    if (!job) return 0;
    snprintf(job->source, sizeof job->source, "%s", GApp.currentArchive);
    job->encrypt = GetPasswordEncrypted() ? 1 : 0;
    job->pieceMode = SFX_PIECES_BY_HUNDREDTH;
    job->ownsProgress = 1;
    FileDialogRequest save = {owner, GetMessageText(22), kExeFilter, "exe", nullptr,
                              OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, job->target, sizeof job->target};
    if (!PromptSaveFile(&save) || !job->target[0]) {
        free(job);
        return 0;
    }
    if (job->encrypt && !IsGlobalPasswordSet() && PromptSetPassword() != PROMPT_OK) {
        free(job);
        return 0;
    }
    job->password = password;
    SetCanceledByUser(0);
    StartProgressDialogThread(1, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, BuildSelfExtractorThread, job, 0, nullptr);
    if (!thread) {
        DestroyProgressDialog();
        free(job);
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

int BuildSelfExtractorFromCreatedArchive(const ZipCreateOptions* options) {
    SfxJob job;
    memset(&job, 0, sizeof job);
    snprintf(job.source, sizeof job.source, "%s", options->targetArchive);
    job.encrypt = options->encrypt && options->password[0] ? 1 : 0;
    job.password = options->password;
    job.pieceMode = SFX_PIECES_FIXED;
    job.viewList = options->viewList;
    job.noDialog = options->noProgressDialog;
    FileDialogRequest save = {GApp.hwndMain, GetMessageText(22), kExeFilter, "exe", nullptr,
                              OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, job.target, sizeof job.target};
    int hasDialog = !options->noProgressDialog;
    if (!PromptSaveFile(&save) || !job.target[0]) {
        if (hasDialog) DestroyProgressDialogWhenReady();
        if (job.viewList) SendMessageA(job.viewList, LVM_DELETEALLITEMS, 0, 0);
        return SFX_BUILD_CANCELLED;
    }
    job.deleteSource = 1;
    job.progressDialog = hasDialog ? GetProgressDialog() : nullptr;
    int rc = BuildSelfExtractor(&job);
    if (hasDialog) DestroyProgressDialogWhenReady();
    if (rc == SFX_BUILD_OK) ShowSuccess(&job);
    return rc;
}
