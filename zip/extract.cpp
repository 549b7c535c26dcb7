// Extraction of ZIP entries (see extract.h).
#include "zip/extract.h"
#include "zip/zipnames.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "formats/formatops.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/format.h"
#include "model/keys.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "model/zipentry.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/enginehooks.h"
#include "zip/ziphelper.h"

ExtractionContext GExtractContext;
ExtractionContext GBatchContext;

namespace {

const char kSource[] = "Kelvora";
enum { kLogError = 1, kLogInfo = 5, kLogNames = 6, kLogTrace = 8 };
enum { kChunk = 65536, kExtractTimer = 9999 };

std::atomic<int64_t> gBytesDone{0};
std::atomic<int64_t> gBytesTotal{0};
std::atomic<DWORD> gStartTick{0};
std::atomic<int> gRunning{0};

char gLastExtractFolder[260];

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

void CopyText(char* out, size_t size, const char* text)
{
    snprintf(out, size, "%s", text ? text : "");
}

void ToBackslashes(char* s)
{
    for (; *s; ++s)
        if (*s == '/') *s = '\\';
}

// Tells about one entry that was not extracted: through the context's callback, and always
// into the log.
void ReportEntry(ExtractionContext* ctx, const char* format, const char* name, const char* detail)
{
    char line[700];
    snprintf(line, sizeof line, format, name ? name : "", detail ? detail : "");
    if (ctx && ctx->report) {
        LogPrint(kLogError, GApp.verbose, "%s", line);
        ctx->report(ctx, line);
    } else {
        LogPrint(-1, GApp.verbose, "%s", line);
    }
}

void HideProgressForQuestion(int silent)
{
    if (silent) return;
    SetShowProgressDialog(0);
    HWND dialog = GetProgressDialog();
    if (dialog) ShowWindow(dialog, SW_HIDE);
}

void ShowProgressAfterQuestion(int silent)
{
    if (silent) return;
    SetShowProgressDialog(1);
    HWND dialog = GetProgressDialog();
    if (dialog) ShowWindow(dialog, SW_SHOW);
}

// The members of a list view's rows as a ZipEntry set: full names (path and name joined as the
// archive has them) with the row index, and their uncompressed total. Runs on the list's thread.
struct RowCollection {
    HWND view;
    BSTree* set;
    int onlySelected;
    int64_t count;
    int64_t bytes;
};

void JoinMemberName(const liststruct* rec, char* out, size_t outSize)
{
    const char* path = rec->path ? rec->path : "";
    const char* name = rec->filename ? rec->filename : "";
    size_t len = strlen(path);
    if (len == 0)
        snprintf(out, outSize, "%s", name);
    else if (path[len - 1] == '/' || path[len - 1] == '\\')
        snprintf(out, outSize, "%s%s", path, name);
    else
        snprintf(out, outSize, "%s/%s", path, name);
}

int CollectRowsOnListThread(void* param)
{
    RowCollection* c = (RowCollection*)param;
    int flags = c->onlySelected ? LVNI_SELECTED : LVNI_ALL;
    // Rows come in the list's order, often sorted: the set takes them all at once.
    std::vector<void*> entries;
    for (int i = ListView_GetNextItem(c->view, -1, flags); i != -1; i = ListView_GetNextItem(c->view, i, flags)) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        if (!SendMessageA(c->view, LVM_GETITEMA, 0, (LPARAM)&item) || !item.lParam) continue;
        const liststruct* rec = (const liststruct*)item.lParam;
        char full[260];
        JoinMemberName(rec, full, sizeof full);
        LogPrint(kLogInfo, GApp.verbose, c->onlySelected ? "FillZipTreeWithSelectedFromList: adding itemtext %s"
                                                         : "FillZipTreeWithWholeList: adding itemtext %s", full);
        ZipEntry* ze = CreateZipEntry(full, nullptr, i);
        if (!ze) continue;
        entries.push_back(ze);
        c->bytes += rec->uncompressed;
    }
    if (!entries.empty()) c->count += BSTreeInsertAll(c->set, entries.data(), (int)entries.size());
    return (int)c->count;
}

int64_t CollectRows(HWND view, BSTree* set, int onlySelected, int64_t* bytes)
{
    RowCollection c = {view, set, onlySelected, 0, 0};
    if (view && set) RunOnListThread(view, CollectRowsOnListThread, &c);
    if (bytes) *bytes = c.bytes;
    return c.count;
}

// The entry's DOS date and time (local time) as creation and last-write time of the open file;
// the last-access time stays as it is.
void SetFileTimeFromDos(HANDLE file, uLong dosDate)
{
    FILETIME local, utc;
    if (DosDateTimeToFileTime(HIWORD(dosDate), LOWORD(dosDate), &local) && LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(file, &utc, nullptr, &utc);
}

// The output file as fopen "wb" makes it, as a handle: the time is set on it after the data
// is known to be good, without opening the file a second time. Wide names: a member keeps its
// true name even where the ANSI code page cannot spell it.
HANDLE CreateOutputFile(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The same, only when no file of that name exists yet.
HANDLE CreateNewOutputFile(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// An existing file that opens for reading; the cheap attribute query spares the open for the
// usual case of a new file.
int ExistingReadableFile(const std::wstring& path)
{
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    HANDLE existing = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(existing);
    return 1;
}

// Creates a folder and its missing parents under wide names. 1 when the folder exists after.
int CreateFolderWithParentsW(const std::wstring& folder)
{
    if (folder.empty()) return 0;
    std::wstring path(folder);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    size_t start = 0;
    if (path.size() >= 2 && path[1] == L':') start = 3;
    else if (path.compare(0, 2, L"\\\\") == 0) {
        size_t server = path.find(L'\\', 2);
        size_t share = server == std::wstring::npos ? std::wstring::npos : path.find(L'\\', server + 1);
        start = share == std::wstring::npos ? path.size() : share + 1;
    }
    for (size_t pos = path.find(L'\\', start); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
        std::wstring part = path.substr(0, pos);
        if (!part.empty() && GetFileAttributesW(part.c_str()) == INVALID_FILE_ATTRIBUTES)
            CreateDirectoryW(part.c_str(), nullptr);
    }
    CreateDirectoryW(path.c_str(), nullptr);
    attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

void StoreThroughput(int64_t done)
{
    gBytesDone.store(done);
}

// The temporary folder with variables expanded; fallback when the system has none.
void TemporaryFolder(char* out, size_t outSize, const char* fallback)
{
    char raw[MAX_PATH];
    DWORD n = GetTempPathA(sizeof raw, raw);
    if (n == 0 || n >= sizeof raw) {
        CopyText(out, outSize, fallback);
        return;
    }
    char expanded[MAX_PATH];
    n = ExpandEnvironmentStringsA(raw, expanded, sizeof expanded);
    CopyText(out, outSize, (n > 0 && n <= sizeof expanded) ? expanded : raw);
}

void JoinFolderAndName(const char* folder, const char* name, char* out, size_t outSize)
{
    size_t len = strlen(folder);
    if (len && folder[len - 1] == '\\')
        snprintf(out, outSize, "%s%s", folder, name);
    else
        snprintf(out, outSize, "%s\\%s", folder, name);
}

}  // namespace

int CreateFolderWithParents(const char* folder)
{
    if (!folder || !*folder) return 0;
    std::string path(folder);
    for (char& c : path)
        if (c == '/') c = '\\';
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    // Skip the root ("C:\", "\\server\share\") and create each missing level in turn.
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') start = 3;
    else if (path.compare(0, 2, "\\\\") == 0) {
        size_t server = path.find('\\', 2);
        size_t share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
        start = share == std::string::npos ? path.size() : share + 1;
    }
    for (size_t pos = path.find('\\', start); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
        std::string part = path.substr(0, pos);
        if (!part.empty() && GetFileAttributesA(part.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(part.c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
    attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

void InitExtractionContext(ExtractionContext* context)
{
    if (!context) return;
    memset(context, 0, sizeof *context);
    context->overwriteMode = 1;
}

int GetExtractionThroughput(int64_t* done, int64_t* total, DWORD* startTick)
{
    if (done) *done = gBytesDone.load();
    if (total) *total = gBytesTotal.load();
    if (startTick) *startTick = gStartTick.load();
    return gRunning.load();
}

// ---------------------------------------------------------------------------------------------
// One entry

int do_write_currentfile(ExtractionContext* ctx, const unz_file_info64* info, const char* name, const char* baseName)
{
    if (!ctx || !info || !name) return UNZ_R_PARAM;
    unzFile uf = ctx->reader;
    const char* outName = ctx->withoutPath ? (baseName ? baseName : ZipBaseName(name)) : name;
    int directory = IsZipDirectoryName(name);
    if (directory && ctx->withoutPath) return UNZ_R_OK;  // nothing to write without folders

    // Never write outside the target: absolute names, drive letters and ".." that climbs out.
    if (!IsSafeEntryName(outName) || !IsEntryPathInsideFolder(ctx->targetFolder, outName)) {
        ctx->refused++;
        ReportEntry(ctx, "refused \"%s\": the name leaves the target folder%s", name, "");
        return WRITE_REFUSED;
    }

    int rc = ZipOpenCurrentFileAsking(uf, nullptr, nullptr, 0, ctx->password, sizeof ctx->password);
    if (rc != UNZ_R_OK) {
        ctx->failed++;
        ReportEntry(ctx, "failed \"%s\": %s", name, UnzResultText(rc));
        return rc;
    }
    char* buf = (char*)malloc(kChunk);
    if (!buf) {
        LogPrint(kLogError, GApp.verbose, "do_write_currentfile: Error allocating memory");
        unzCloseCurrentFile(uf);
        ctx->failed++;
        return UNZ_R_INTERNAL;
    }

    char fullPath[MAX_PATH + 260];
    snprintf(fullPath, sizeof fullPath, "%s\\%s", ctx->targetFolder, outName);
    ToBackslashes(fullPath);
    // The file is made under the member's true name; fullPath is what the user is shown.
    std::wstring widePath = AnsiToWide(ctx->targetFolder);
    {
        std::wstring member = ctx->trueName ? std::wstring(ctx->trueName) : AnsiToWide(name);
        if (ctx->withoutPath) {
            size_t cut = member.find_last_of(L"/\\");
            if (cut != std::wstring::npos) member = member.substr(cut + 1);
        }
        widePath += L"\\";
        widePath += member;
        for (wchar_t& c : widePath)
            if (c == L'/') c = L'\\';
    }

    // Asking the system to make a new file answers "does it exist?" in the same call: under
    // Wine every file-system call is a round trip, and most extracted files are new.
    HANDLE out = INVALID_HANDLE_VALUE;
    if ((ctx->overwriteMode == 1 || ctx->overwriteMode == 3) && !directory) {
        out = CreateNewOutputFile(widePath);
        DWORD error = out == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if ((error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && ExistingReadableFile(widePath)) {
            int answer = OVERWRITE_SKIP;
            if (ctx->overwriteMode == 1) {
                OverwriteFacts facts;
                GatherOverwriteFacts(fullPath, (int64_t)info->uncompressed_size, (uint32_t)info->dosDate, &facts);
                HideProgressForQuestion(ctx->silent);
                answer = AskOverwriteQuestion(OwnerWindow(), fullPath, &facts);
                ShowProgressAfterQuestion(ctx->silent);
            }
            if (answer == OVERWRITE_SKIP_ALL) {
                ctx->overwriteMode = 3;
                answer = OVERWRITE_SKIP;
            }
            if (answer == OVERWRITE_STOP || answer < 0 || answer > OVERWRITE_STOP) {
                unzCloseCurrentFile(uf);
                free(buf);
                ctx->stoppedByUser = 1;
                return EXTRACT_CANCELLED;
            }
            if (answer == OVERWRITE_SKIP) {
                ctx->skipped++;
                free(buf);
                return UnzResultFromLibrary(unzCloseCurrentFile(uf));
            }
            if (answer == OVERWRITE_ALL) ctx->overwriteMode = 2;
        }
    }

    if (directory) {
        char folder[sizeof fullPath];
        CopyText(folder, sizeof folder, fullPath);
        size_t len = strlen(folder);
        while (len > 0 && folder[len - 1] == '\\') folder[--len] = '\0';
        std::wstring wideFolder = widePath;
        while (!wideFolder.empty() && wideFolder.back() == L'\\') wideFolder.pop_back();
        if (!CreateFolderWithParentsW(wideFolder)) {
            LogPrint(kLogError, GApp.verbose, "%s %d cannot create directory %s - # %d\n", kSource, __LINE__, folder,
                     (int)GetLastError());
            ctx->failed++;
            ReportEntry(ctx, "failed \"%s\": cannot create the folder%s", name, "");
        } else {
            ctx->folders++;
        }
        free(buf);
        return UnzResultFromLibrary(unzCloseCurrentFile(uf));
    }

    if (out == INVALID_HANDLE_VALUE) out = CreateOutputFile(widePath);
    if (out == INVALID_HANDLE_VALUE) {
        char parent[sizeof fullPath];
        CopyText(parent, sizeof parent, fullPath);
        char* cut = strrchr(parent, '\\');
        if (cut) *cut = '\0';
        size_t wideCut = widePath.find_last_of(L'\\');
        std::wstring wideParent = wideCut == std::wstring::npos ? std::wstring() : widePath.substr(0, wideCut);
        if (!ctx->withoutPath && strpbrk(outName, "/\\")) {
            CreateFolderWithParentsW(wideParent);
            out = CreateOutputFile(widePath);
        }
        if (out == INVALID_HANDLE_VALUE && cut) {
            LogPrint(-1, GApp.verbose,
                     "zipfile is not ok: parent directory \"%s\" is not available so we will try to create it for you",
                     parent);
            CreateFolderWithParentsW(wideParent);
            out = CreateOutputFile(widePath);
        }
    }
    if (out == INVALID_HANDLE_VALUE) {
        LogPrint(kLogError, GApp.verbose, "error opening ---%s--- (%s %d)\n", fullPath, kSource, __LINE__);
        HideProgressForQuestion(ctx->silent);
        char text[sizeof fullPath + 32];
        snprintf(text, sizeof text, "error opening %s", fullPath);
        if (!ctx->report) PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP | MB_TOPMOST);
        ShowProgressAfterQuestion(ctx->silent);
        ctx->failed++;
        ReportEntry(ctx, "failed \"%s\": cannot create %s", name, fullPath);
        free(buf);
        return UnzResultFromLibrary(unzCloseCurrentFile(uf));
    }

    HWND dialog = ctx->silent ? nullptr : GetProgressDialog();
    uint64_t entryBytes = 0;
    int last = 0, overlong = 0, cancelled = 0;
    for (;;) {
        last = unzReadCurrentFile(uf, buf, kChunk);
        if (last == Z_DATA_ERROR) LogPrint(kLogError, GApp.verbose, "do_write_currentfile Z_DATA_ERROR occured at file %s", name);
        if (last <= 0) break;
        entryBytes += (uint64_t)last;
        if (entryBytes > info->uncompressed_size) {
            overlong = 1;
            break;
        }
        DWORD put = 0;
        if (!WriteFile(out, buf, (DWORD)last, &put, nullptr) || put != (DWORD)last) {
            LogPrint(kLogError, GApp.verbose, "do_write_currentfile: error in writing extracted file");
            CloseHandle(out);
            unzCloseCurrentFile(uf);
            free(buf);
            ctx->failed++;
            ReportEntry(ctx, "failed \"%s\": cannot write %s", name, fullPath);
            return UNZ_R_UNKNOWN;
        }
        if (!ctx->silent) {
            ctx->runningTotal += last;
            StoreThroughput(ctx->runningTotal);
            if (ctx->perByte && ctx->grandTotal > 0) {
                int percent = (int)((double)ctx->runningTotal / (double)ctx->grandTotal * 100.0);
                // The bar is asked only when the whole per cent moved: every ask is a round trip.
                if (percent > ctx->lastPercent) {
                    ctx->lastPercent = percent;
                    int pos = GetProgressPos(dialog);
                    if (percent > pos) {
                        if (percent == pos + 1) ExecuteProgressStep(dialog);
                        else ExecuteProgressPos(dialog, (unsigned)percent);
                    }
                }
            }
        }
        if (IsCanceledByUser()) {
            cancelled = 1;
            break;
        }
    }
    if (cancelled) {
        CloseHandle(out);
        unzCloseCurrentFile(uf);
        free(buf);
        ctx->stoppedByUser = 1;
        return UNZ_R_OK;
    }
    if (last < 0 || overlong || entryBytes != info->uncompressed_size) {
        // Damaged data: the partial file stays, without the entry's time, and the entry failed.
        CloseHandle(out);
        unzCloseCurrentFile(uf);
        free(buf);
        ctx->failed++;
        int result = last < 0 ? UnzResultFromLibrary(last) : UNZ_R_BADZIP;
        ReportEntry(ctx, "failed \"%s\": damaged data (%s)", name,
                    overlong ? "longer than recorded" : last < 0 ? UnzResultText(result) : "shorter than recorded");
        return result;
    }
    // The CRC is checked before the time is set, so a damaged file never looks complete.
    int closed = UnzResultFromLibrary(unzCloseCurrentFile(uf));
    free(buf);
    if (closed != UNZ_R_OK) {
        CloseHandle(out);
        LogPrint(kLogError, GApp.verbose, "do_write_currentfile: error %d with zipfile in unzCloseCurrentFile", closed);
        ctx->failed++;
        ReportEntry(ctx, "failed \"%s\": damaged data (%s)", name, UnzResultText(closed));
        return closed;
    }
    SetFileTimeFromDos(out, info->dosDate);
    CloseHandle(out);
    ctx->written++;
    return UNZ_R_OK;
}

// ---------------------------------------------------------------------------------------------
// The loop

int UnZipWorkThread(ExtractionContext* ctx)
{
    if (!ctx || !ctx->reader) return 0;
    unzFile uf = ctx->reader;
    ctx->perByte = !ctx->batchMode && !ctx->entryProgress && ctx->entryCount < 100;
    ctx->lastPercent = 0;
    gBytesTotal.store(ctx->grandTotal);
    gBytesDone.store(0);
    ctx->startTick = GetTickCount();
    gStartTick.store(ctx->startTick);
    gRunning.store(1);
    UINT_PTR timer = GApp.hwndMain ? SetTimer(GApp.hwndMain, kExtractTimer, 1000, nullptr) : 0;

    unz_global_info64 gi = {};
    unzGetGlobalInfo64(uf, &gi);
    int rc = gi.number_entry ? unzGoToFirstFile(uf) : UNZ_END_OF_LIST_OF_FILE;
    if (rc != UNZ_OK) gi.number_entry = 0;
    for (uint64_t i = 0; i < gi.number_entry && !IsCanceledByUser();) {
        unz_file_info64 info;
        char name[256];
        std::wstring trueName;
        if (ZipGetCurrentEntryNames(uf, &info, name, sizeof name, &trueName, nullptr) != UNZ_R_OK) break;
        const char* base = ZipBaseName(name);
        bool chosen = true;
        if (!ctx->extractAll) {
            if (!*base) {
                if (ctx->batchMode && !ctx->silent) ExecuteProgressStep(GetProgressDialog());
                chosen = false;
            } else {
                char probe[260];
                CopyText(probe, sizeof probe, name);
                ToBackslashes(probe);
                if (!FindEntryInZipEntry(ctx->selection, probe, 0, 0, '\\')) {
                    for (char* p = probe; *p; ++p)
                        if (*p == '\\') *p = '/';
                    chosen = FindEntryInZipEntry(ctx->selection, probe, 0, 0, '/') != 0;
                }
            }
        }
        if (chosen) {
            if (!ctx->silent) SetProgressFileText(base);
            else LogPrint(kLogNames, GApp.verbose, "%s", name);
            if (GZipHooks.isHistoryRecording && GZipHooks.isHistoryRecording()) {
                LogPrint(kLogInfo, GApp.verbose, "before AddDataToHistoryItem - sleeping for 300ms - %s\n", name);
                if (!GZipHooks.addToHistoryItem || !GZipHooks.addToHistoryItem(name))
                    LogPrint(kLogInfo, GApp.verbose, "EXTRACT_HISTORY_ITEM is null - cannot add");
            }
            ctx->trueName = trueName.c_str();
            int written = do_write_currentfile(ctx, &info, name, base);
            ctx->trueName = nullptr;
            if (written == EXTRACT_CANCELLED) {
                LogPrint(kLogInfo, GApp.verbose, "UnZipWorkThread: user cancelled operation (option dialog)");
                break;
            }
            if (written == UNZ_R_USER) {
                // The password prompt was cancelled: the whole operation stops.
                ctx->stoppedByUser = 1;
                break;
            }
            if (!ctx->silent) {
                if (!GetProgressDialog() && IsCanceledByUser()) {
                    LogPrint(kLogInfo, GApp.verbose, "UnzipWorkThread: user stopped extraction");
                    break;
                }
                if (!ctx->perByte) ExecuteProgressStep(GetProgressDialog());
            }
            if (ctx->stoppedByUser) break;
        }
        ++i;
        if (i < gi.number_entry) {
            rc = unzGoToNextFile(uf);
            if (rc != UNZ_OK) {
                LogPrint(kLogError, GApp.verbose, "UnZipWorkThread: error %d with zipfile in unzGoToNextFile %d<=>%lld",
                         UnzResultFromLibrary(rc), (int)i, (long long)gi.number_entry);
                ctx->failed++;
                ReportEntry(ctx, "failed after \"%s\": the archive's directory is damaged (%s)", name,
                            UnzResultText(UnzResultFromLibrary(rc)));
                break;
            }
        }
    }
    if (timer) KillTimer(GApp.hwndMain, kExtractTimer);
    gRunning.store(0);
    LogPrint(kLogInfo, GApp.verbose, "UnZipWorkThread finished");
    if (IsCanceledByUser() && !ctx->silent) ctx->stoppedByUser = 1;
    return ctx->stoppedByUser ? EXTRACT_CANCELLED : 0;
}

// ---------------------------------------------------------------------------------------------
// Starters

namespace {

void ShowIncompleteSummary(const ExtractionContext* ctx)
{
    char text[600];
    snprintf(text, sizeof text,
             "Not every entry was extracted to %s:\n%lld refused because the name leaves the target folder\n"
             "%lld failed (unreadable, damaged or not writable)\n\nSee the log for the entries.",
             ctx->targetFolder, (long long)ctx->refused, (long long)ctx->failed);
    PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONWARNING | MB_TOPMOST);
}

// Steps 1 and 4 to 8 of the list extraction, with the selection already built.
int RunExtraction(const char* fn, BSTree* selection, int64_t selectedCount, int64_t selectedBytes, HWND sourceView,
                  const char* archivePath, int withoutPath, int overwriteMode, const char* pass,
                  ExtractionContext* starter, int extractAll, int silent, int entryProgress, int batchMode)
{
    ExtractionContext* work = (ExtractionContext*)calloc(1, sizeof(ExtractionContext));
    if (!work) {
        PromptMessageBox(OwnerWindow(), "Memory error", GetMessageText(94), MB_OK | MB_ICONSTOP);
        return EXTRACT_FAILED;
    }
    if (starter) *work = *starter;
    char previous[MAX_PATH] = "";
    int changedDirectory = 0;
    GetCurrentDirectoryA(sizeof previous, previous);
    if (starter && starter->targetFolder[0]) {
        CreateFolderWithParents(starter->targetFolder);
        if (!SetCurrentDirectoryA(starter->targetFolder)) {
            char text[400];
            snprintf(text, sizeof text, "%s: the target folder %s cannot be used", fn, starter->targetFolder);
            LogPrint(-1, GApp.verbose, "%s", text);
            if (starter->report) starter->report(starter, text);
            else PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP | MB_TOPMOST);
            free(work);
            return EXTRACT_FAILED;
        }
        changedDirectory = 1;
    }
    // Entries are written by absolute path below the target, so nothing depends on the current
    // directory staying put while the loop runs.
    char full[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof full, full);
    if (n == 0 || n >= sizeof full) full[0] = '\0';
    CopyText(work->targetFolder, sizeof work->targetFolder, full);

    unzFile uf = MyWaitunzOpen2_64(archivePath, 3000);
    if (!uf) {
        char text[400];
        snprintf(text, sizeof text, "%s: (5) %s cannot be opened", fn, archivePath ? archivePath : "");
        if (starter && starter->report) {
            LogPrint(-1, GApp.verbose, "%s", text);
            starter->report(starter, text);
        } else {
            PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP | MB_TOPMOST);
        }
        if (changedDirectory) SetCurrentDirectoryA(previous);
        free(work);
        return EXTRACT_FAILED;
    }
    unz_global_info64 gi = {};
    if (unzGetGlobalInfo64(uf, &gi) != UNZ_OK) LogPrint(kLogError, GApp.verbose, "%s: unzGetGlobalInfo failed", fn);

    work->reader = uf;
    work->withoutPath = withoutPath;
    work->overwriteMode = overwriteMode;
    CopyText(work->password, sizeof work->password, pass);
    work->selection = extractAll ? nullptr : selection;
    work->extractAll = extractAll;
    work->entryCount = selectedCount ? selectedCount : (int64_t)gi.number_entry;
    work->sourceView = sourceView;
    work->silent = silent;
    work->entryProgress = entryProgress;
    work->batchMode = batchMode;
    work->written = work->folders = work->skipped = work->failed = work->refused = 0;
    work->stoppedByUser = 0;
    work->runningTotal = 0;
    if (!extractAll) work->grandTotal = selectedBytes;
    else work->grandTotal = sourceView && sourceView == GApp.hwndTreeList ? GApp.treeListTotals.uncompressed
                                                                          : GApp.listTotals.uncompressed;

    if (!silent) {
        SetProgressMinimum(0);
        SetProgressMaximum((work->entryCount > 99 || entryProgress) ? (int)work->entryCount : 100);
    }
    int rc = UnZipWorkThread(work);

    if (changedDirectory) SetCurrentDirectoryA(previous);
    unzClose(uf);
    if (starter) {
        starter->overwriteMode = work->overwriteMode;
        starter->written = work->written;
        starter->folders = work->folders;
        starter->skipped = work->skipped;
        starter->failed = work->failed;
        starter->refused = work->refused;
        starter->stoppedByUser = work->stoppedByUser;
    }
    ExtractionContext outcome = *work;
    free(work);

    if (!silent) {
        if (rc == 0 && IsCanceledByUser()) {
            LogPrint(kLogInfo, GApp.verbose,
                     "%s mismatch: IsCancelledByUser set to TRUE - but last return value was zero", fn);
            rc = EXTRACT_CANCELLED;
        }
        DestroyProgressDialog();
        LogPrint(kLogInfo, GApp.verbose, "%s finished and progress destroyed", fn);
    }
    if (rc == 0 && (outcome.failed > 0 || outcome.refused > 0)) {
        rc = EXTRACT_INCOMPLETE;
        if (!silent && !(starter && starter->report)) ShowIncompleteSummary(&outcome);
    }
    return rc;
}

}  // namespace

int ExtractZipFilesFromList(HWND sourceView, const char* archivePath, int withoutPath, int overwriteMode,
                            const char* pass, ExtractionContext* context, int extractAll, int silent,
                            int entryProgress)
{
    BSTree* set = CreateZipEntrySet();
    if (!set) {
        PromptMessageBox(OwnerWindow(), "Memory error", GetMessageText(94), MB_OK | MB_ICONSTOP);
        return EXTRACT_FAILED;
    }
    int64_t count = 0, bytes = 0;
    if (!extractAll) {
        count = CollectRows(sourceView, set, 1, &bytes);
    } else if (sourceView && sourceView == GApp.hwndTreeList) {
        // The folder view's "all" means the members of the folder selected in the tree.
        count = CollectRows(sourceView, set, 0, &bytes);
        extractAll = 0;
    }
    if (!extractAll && count == 0) {
        BSTreeDestroy(&set);
        if (!silent) DestroyProgressDialog();
        return EXTRACT_FAILED;
    }
    int rc = RunExtraction("ExtractZipFilesFromList", set, count, bytes, sourceView, archivePath, withoutPath,
                           overwriteMode, pass, context, extractAll, silent, entryProgress, 0);
    BSTreeDestroy(&set);
    return rc;
}

int ExtractZipFilesFromListMF(HWND sourceView, const char* archivePath, int withoutPath, int overwriteMode,
                              const char* pass, ExtractionContext* context, int extractAll, int silent)
{
    (void)extractAll;
    return RunExtraction("ExtractZipFilesFromListMF", nullptr, 0, 0, sourceView, archivePath, withoutPath,
                         overwriteMode, pass, context, 1, silent, 0, 1);
}

namespace {

// Runs with GApp.busy taken by ExtractArchive and gives it back at the end: the open
// archive's format does the extraction.
DWORD WINAPI ArchiveExtractionThread(LPVOID param)
{
    ExtractionContext* ctx = (ExtractionContext*)param;
    HRESULT com = CoInitialize(nullptr);
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->extract) ops->extract(ctx);
    LeaveBusy(GApp.busy);
    if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace

void ExtractArchive(const char* archivePath, int silent, int onNewThread)
{
    if (!archivePath || !*archivePath) {
        LogPrint(kLogInfo, GApp.verbose, "ZipFilename is NULL");
        return;
    }
    // busy is taken here, before the first question, and handed to the extraction: a second
    // command arriving while the folder is asked for is refused instead of passing too.
    if (!TryEnterBusy(GApp.busy)) {
        LogPrint(kLogInfo, GApp.verbose, "already busy");
        return;
    }
    char folder[260] = "";
    if (!PromptBrowseFolder(OwnerWindow(), GetMessageText(0), gLastExtractFolder, folder, sizeof folder)) {
        LeaveBusy(GApp.busy);
        return;
    }
    CopyText(gLastExtractFolder, sizeof gLastExtractFolder, folder);

    ExtractionContext* ctx = &GExtractContext;
    InitExtractionContext(ctx);
    CopyText(ctx->targetFolder, sizeof ctx->targetFolder, folder);
    CopyText(ctx->archivePath, sizeof ctx->archivePath, archivePath);
    ctx->folderTree = GApp.hwndTree;
    ctx->focusWindow = GApp.hwndFocusView;
    ctx->overwriteMode = silent ? 0 : 1;
    ctx->withoutPath = 0;
    ctx->extractAll = 1;
    ctx->entryProgress = 1;
    ctx->silent = silent;
    if (IsZipPasswordProtected() && !IsGlobalPasswordSet()) {
        if (PromptPassword() != PROMPT_OK) {
            LeaveBusy(GApp.busy);
            return;
        }
    }
    CopyText(ctx->password, sizeof ctx->password, IsZipPasswordProtected() ? password : "");

    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->extract) {
        if (GZipHooks.isHistoryRecording && GZipHooks.isHistoryRecording() && GZipHooks.startHistoryItem)
            GZipHooks.startHistoryItem(folder, archivePath);
        SetCanceledByUser(0);
        static char heading[260];
        if (!silent) {
            CopyText(heading, sizeof heading, GetMessageText(42));
            StartProgressDialogThread(1, heading);
        }
        if (onNewThread) {
            HANDLE h = CreateThread(nullptr, 0, ArchiveExtractionThread, ctx, 0, nullptr);
            if (h) {
                CloseHandle(h);
            } else {
                // No thread, no extraction: the dialog goes and busy is given back.
                LogPrint(-1, GApp.verbose, "ExtractArchive: cannot start the extraction %d", (int)GetLastError());
                if (!silent) DestroyProgressDialog();
                LeaveBusy(GApp.busy);
            }
        } else {
            ArchiveExtractionThread(ctx);
        }
    } else {
        LeaveBusy(GApp.busy);
        PromptMessageBox(OwnerWindow(), "ExtractArchive GCompressionMethod not specified", "Kelvora", MB_OK);
    }
}

int ExtractZipSelectionSet(ExtractionContext* c)
{
    if (!c || !c->selection || c->selection->count <= 0) {
        if (c && !c->silent) DestroyProgressDialog();
        return EXTRACT_FAILED;
    }
    return RunExtraction("ExtractZipFilesFromList", c->selection, c->selection->count, 0, c->sourceView, c->archivePath,
                         c->withoutPath, c->overwriteMode, c->password, c, 0, c->silent, c->entryProgress, 0);
}

int TestZipArchive(const char* archivePath, ExtractionContext* ctx)
{
    ExtractionContext local;
    InitExtractionContext(&local);
    if (!ctx) ctx = &local;
    unzFile uf = MyWaitunzOpen2_64(archivePath, 3000);
    if (!uf) {
        ReportEntry(ctx, "\"%s\" cannot be opened: %s", archivePath, UnzResultText(UnzLastOpenError));
        return EXTRACT_FAILED;
    }
    char* buf = (char*)malloc(kChunk);
    if (!buf) {
        unzClose(uf);
        return EXTRACT_FAILED;
    }
    int stopped = 0;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        char name[256];
        if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) != UNZ_R_OK) break;
        if (IsZipDirectoryName(name)) continue;
        int open = ZipOpenCurrentFileAsking(uf, nullptr, nullptr, 0, ctx->password, sizeof ctx->password);
        if (open != UNZ_R_OK) {
            ctx->failed++;
            ReportEntry(ctx, "failed \"%s\": %s", name, UnzResultText(open));
            if (open == UNZ_R_USER) {
                stopped = 1;
                break;
            }
            continue;
        }
        uint64_t total = 0;
        int last;
        while ((last = unzReadCurrentFile(uf, buf, kChunk)) > 0) total += (uint64_t)last;
        int closed = UnzResultFromLibrary(unzCloseCurrentFile(uf));
        if (last < 0 || total != info.uncompressed_size || closed != UNZ_R_OK) {
            ctx->failed++;
            int result = last < 0 ? UnzResultFromLibrary(last) : closed != UNZ_R_OK ? closed : UNZ_R_BADZIP;
            ReportEntry(ctx, "failed \"%s\": damaged data (%s)", name, UnzResultText(result));
        } else {
            ctx->written++;
        }
    }
    free(buf);
    unzClose(uf);
    if (stopped) return EXTRACT_CANCELLED;
    return ctx->failed ? EXTRACT_INCOMPLETE : EXTRACT_DONE;
}

// ---------------------------------------------------------------------------------------------
// Batches

namespace {

struct MultipleFilesRun {
    ExtractionContext* ctx;
    HANDLE event;
    int result;
};

DWORD WINAPI ExtractMultipleFilesThread(LPVOID param)
{
    MultipleFilesRun* run = (MultipleFilesRun*)param;
    ExtractionContext* ctx = run->ctx;
    run->result = ExtractZipFilesFromListMF(ctx->sourceView, ctx->archivePath, ctx->withoutPath, ctx->overwriteMode,
                                            ctx->password, ctx, 1, ctx->silent);
    if (run->result == EXTRACT_CANCELLED && ctx->cancelOut) *ctx->cancelOut = 1;
    SetEvent(run->event);
    return 0;
}

}  // namespace

namespace {

// One archive of a batch; the caller holds GApp.busy.
int ExtractOneArchiveOfBatch(const char* archivePath, const char* targetFolder, int silent, int index, int count,
                             int entryProgress)
{
    if (!archivePath || !*archivePath || !targetFolder || !*targetFolder) {
        LogPrint(kLogInfo, GApp.verbose, "ZipFilename is NULL");
        return EXTRACT_FAILED;
    }
    static int cancelOut;
    cancelOut = 0;
    ExtractionContext* ctx = &GBatchContext;
    ExtractionReportFn report = ctx->report;
    void* reportData = ctx->reportData;
    InitExtractionContext(ctx);
    ctx->report = report;
    ctx->reportData = reportData;
    CopyText(ctx->targetFolder, sizeof ctx->targetFolder, targetFolder);
    CopyText(ctx->archivePath, sizeof ctx->archivePath, archivePath);
    ctx->sourceView = GetViewList();
    ctx->folderTree = GApp.hwndTree;
    ctx->focusWindow = GApp.hwndFocusView;
    ctx->overwriteMode = 1;
    ctx->extractAll = 1;
    ctx->entryProgress = entryProgress;
    ctx->silent = silent;
    ctx->cancelOut = &cancelOut;
    CopyText(ctx->password, sizeof ctx->password, password);
    if (DetectArchiveFormat(archivePath) != CM_ZIP) {
        LogPrint(kLogInfo, GApp.verbose, "ExtractMultipleFiles: %s is no ZIP archive", archivePath);
        return EXTRACT_FAILED;
    }
    if (GZipHooks.isHistoryRecording && GZipHooks.isHistoryRecording() && GZipHooks.startHistoryItem)
        GZipHooks.startHistoryItem(targetFolder, archivePath);
    int rc;
    if (silent) {
        rc = ExtractZipFilesFromListMF(ctx->sourceView, archivePath, 0, 1, ctx->password, ctx, 1, 1);
        if (rc == EXTRACT_CANCELLED) cancelOut = 1;
    } else {
        MultipleFilesRun run = {ctx, CreateEventA(nullptr, TRUE, FALSE, "ExtractMultipleFiles"), 0};
        if (!run.event) return EXTRACT_FAILED;
        static char heading[260];
        snprintf(heading, sizeof heading, "%s %d %s %d", GetMessageText(42), index, GetMessageText(93), count);
        SetCanceledByUser(0);
        StartProgressDialogThread(1, heading);
        HANDLE h = CreateThread(nullptr, 0, ExtractMultipleFilesThread, &run, 0, nullptr);
        if (h) {
            CloseHandle(h);
            WaitForSingleObject(run.event, INFINITE);
        } else {
            ExtractMultipleFilesThread(&run);
        }
        ResetEvent(run.event);
        CloseHandle(run.event);
        rc = run.result;
    }
    if (cancelOut || rc == EXTRACT_CANCELLED) return EXTRACT_CANCELLED;
    return rc;
}

}  // namespace

int ExtractMultipleFiles(const char* archivePath, const char* targetFolder, int silent, int index, int count,
                         int entryProgress)
{
    // A refusal is no success: a batch that deletes what it extracted must keep this archive.
    if (!TryEnterBusy(GApp.busy)) {
        LogPrint(kLogInfo, GApp.verbose, "already busy");
        return EXTRACT_BUSY;
    }
    int rc = ExtractOneArchiveOfBatch(archivePath, targetFolder, silent, index, count, entryProgress);
    LeaveBusy(GApp.busy);
    return rc;
}

void BatchTargetFolder(const char* base, const char* archivePath, int folderPerArchive, char* out, size_t outSize)
{
    if (!folderPerArchive) {
        CopyText(out, outSize, base);
        return;
    }
    const char* name = archivePath ? archivePath : "";
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    char stem[260];
    CopyText(stem, sizeof stem, name);
    // Cut at the first '.' after the first character: ".hidden.zip" keeps its leading dot.
    if (stem[0]) {
        char* dot = strchr(stem + 1, '.');
        if (dot) *dot = '\0';
    }
    JoinFolderAndName(base ? base : "", stem, out, outSize);
}

namespace {

void WalkForArchives(const std::string& folder, std::vector<std::string>* found)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            WalkForArchives(full, found);
            continue;
        }
        size_t dot = name.rfind('.');
        if (dot == std::string::npos) continue;
        std::string ext = name.substr(dot);
        for (char& c : ext) c = (char)tolower((unsigned char)c);
        if (ext == ".zip" || ext == ".jar" || ext == ".war") found->push_back(full);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// Without a choice dialog of its own the batch takes every archive it found.
INT_PTR TakeEveryArchive(void*) { return PROMPT_OK; }

// The archives of a batch one after the other; the caller holds GApp.busy.
void RunBatch(BatchExtractJob* job)
{
    std::vector<std::string> archives;
    std::string root = job->searchFolder;
    while (root.size() > 3 && (root.back() == '\\' || root.back() == '/')) root.pop_back();
    WalkForArchives(root, &archives);
    std::sort(archives.begin(), archives.end());
    if (job->chooseFromList && PromptModalDialog("batch-choose", TakeEveryArchive, &archives) != PROMPT_OK) return;
    int count = (int)archives.size();
    for (int k = 0; k < count; ++k) {
        char target[260];
        BatchTargetFolder(job->targetBase, archives[k].c_str(), job->folderPerArchive, target, sizeof target);
        if (job->folderPerArchive) {
            char text[600];
            if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
                snprintf(text, sizeof text, "%s %s", GetMessageText(96), target);
                PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONQUESTION);
            } else if (!CreateFolderWithParents(target)) {
                snprintf(text, sizeof text, "%s %s", GetMessageText(95), target);
                PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
                job->result = EXTRACT_INCOMPLETE;
                continue;
            }
        }
        int rc = ExtractOneArchiveOfBatch(archives[k].c_str(), target, job->silent, k + 1, count, job->entryProgress);
        job->archivesDone++;
        if (rc == EXTRACT_CANCELLED) {
            job->result = EXTRACT_CANCELLED;
            break;
        }
        if (rc != 0) job->result = EXTRACT_INCOMPLETE;
        // Only a complete extraction may cost the archive: anything less keeps it.
        if (job->deleteAfter && rc == 0) DeleteFileA(archives[k].c_str());
    }
}

}  // namespace

DWORD WINAPI ExtractBatchThread(LPVOID param)
{
    BatchExtractJob* job = (BatchExtractJob*)param;
    if (!job) return 0;
    job->archivesDone = 0;
    // The whole batch is one operation: busy is held from the first archive to the last.
    if (!job->holdsBusy && !TryEnterBusy(GApp.busy)) {
        LogPrint(kLogInfo, GApp.verbose, "already busy");
        job->result = EXTRACT_BUSY;
        return 0;
    }
    job->holdsBusy = 0;
    job->result = 0;
    RunBatch(job);
    LeaveBusy(GApp.busy);
    if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
    return 0;
}

int StartBatchExtraction(const BatchExtractJob* options)
{
    // Taken before the first question and handed to the batch thread.
    if (!TryEnterBusy(GApp.busy)) {
        LogPrint(kLogInfo, GApp.verbose, "already busy");
        return 0;
    }
    static BatchExtractJob job;
    if (options) job = *options;
    char folder[260] = "";
    if (!PromptBrowseFolder(OwnerWindow(), GetGenericText(60), job.searchFolder, folder, sizeof folder)) {
        LeaveBusy(GApp.busy);
        return 0;
    }
    CopyText(job.searchFolder, sizeof job.searchFolder, folder);
    if (!PromptBrowseFolder(OwnerWindow(), GetGenericText(61), job.targetBase, folder, sizeof folder)) {
        LeaveBusy(GApp.busy);
        return 0;
    }
    CopyText(job.targetBase, sizeof job.targetBase, folder);
    job.holdsBusy = 1;
    HANDLE h = CreateThread(nullptr, 0, ExtractBatchThread, &job, 0, nullptr);
    if (!h) {
        job.holdsBusy = 0;
        LeaveBusy(GApp.busy);
        return 0;
    }
    CloseHandle(h);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// The folder selected in the tree

DWORD WINAPI ExtractTreeItemThread(LPVOID param)
{
    TreeItemExtraction* t = (TreeItemExtraction*)param;
    if (!t) return 0;
    t->result = EXTRACT_FAILED;
    if (GCompressionMethod != CM_ZIP)
        LogPrint(kLogInfo, GApp.verbose, "ExtractTreeItemThread: no compression method specified - assuming zip!!");
    char folder[260];
    CopyText(folder, sizeof folder, t->folderPath);
    size_t len = strlen(folder);
    while (len > 0 && (folder[len - 1] == '\\' || folder[len - 1] == '/')) folder[--len] = '\0';
    ToBackslashes(folder);
    if (!*folder) {
        LogPrint(kLogError, GApp.verbose, "ExtractTreeItemThread error: cannot get deep of tree!");
        return 0;
    }
    int depth = 0;
    for (const char* p = folder; *p; ++p)
        if (*p == '\\') ++depth;
    char key[300];
    FolderKey(key, sizeof key, depth, folder);
    if (!RBTreeSearch(TVRBTreeFolder, key)) {
        LogPrint(kLogInfo, GApp.verbose, "ExtractTreeItemThread nothing found yet will try it with: %3d%s%s", depth + 1,
                 "*", folder);
        FolderKey(key, sizeof key, depth + 1, folder);
        if (!RBTreeSearch(TVRBTreeFolder, key)) {
            LogPrint(kLogInfo, GApp.verbose, "ExtractTreeItemThread nothing found - giving up\n--%s--", folder);
            return 0;
        }
    }
    // Every member under the folder, from the ready set's keys ("%3d*" + member string).
    BSTree* set = CreateZipEntrySet();
    if (!set) return 0;
    std::set<std::string> seen;
    std::vector<void*> entries;
    std::string prefix = std::string(folder) + "\\";
    RBTree* ready = TVRBTreeDataReady;
    for (RBTreeNode* node = RBTreeFirst(ready); node && node != ready->nil; node = RBTreeSuccessor(ready, node)) {
        const char* keyText = (const char*)node->key;
        const char* star = keyText ? strchr(keyText, '*') : nullptr;
        if (!star) continue;
        std::string member(star + 1);
        size_t end = member.find('*');
        if (end != std::string::npos) member.resize(end);
        if (member.empty() || member.back() == '\\' || member.compare(0, prefix.size(), prefix) != 0) continue;
        if (!seen.insert(member).second) continue;
        std::string archiveName = member;
        std::replace(archiveName.begin(), archiveName.end(), '\\', '/');
        if (ZipEntry* ze = CreateZipEntry(archiveName.c_str(), nullptr, (int)seen.size())) entries.push_back(ze);
    }
    // The ready keys come in order: the set takes them all at once rather than as a chain.
    if (!entries.empty()) BSTreeInsertAll(set, entries.data(), (int)entries.size());
    if (seen.empty()) {
        BSTreeDestroy(&set);
        return 0;
    }
    ExtractionContext local;
    InitExtractionContext(&local);
    ExtractionContext* ctx = t->context ? t->context : &local;
    CopyText(ctx->targetFolder, sizeof ctx->targetFolder, t->targetFolder);
    const char* archive = t->archivePath[0] ? t->archivePath : GApp.currentArchive;
    if (GZipHooks.isHistoryRecording && GZipHooks.isHistoryRecording() && GZipHooks.startHistoryItem)
        GZipHooks.startHistoryItem(t->targetFolder, archive);
    t->result = RunExtraction("ExtractTreeItemThread", set, (int64_t)seen.size(), 0, GApp.hwndTreeList, archive, 0,
                              ctx->overwriteMode ? ctx->overwriteMode : 1, password, ctx, 0, t->silent, 1, 0);
    BSTreeDestroy(&set);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Single entries for viewers and drag and drop

namespace {

// The member's name in the archive from its record: folder and name joined with '/'.
int MemberNameOfRecord(const liststruct* entry, char* out, size_t outSize)
{
    if (!entry || !entry->filename || !entry->filename[0]) return 0;
    char folder[260];
    CopyText(folder, sizeof folder, entry->path);
    for (char* p = folder; *p; ++p)
        if (*p == '\\') *p = '/';
    size_t len = strlen(folder);
    if (len == 0) snprintf(out, outSize, "%s", entry->filename);
    else if (folder[len - 1] == '/') snprintf(out, outSize, "%s%s", folder, entry->filename);
    else snprintf(out, outSize, "%s/%s", folder, entry->filename);
    if (out[0] == '/') memmove(out, out + 1, strlen(out));
    return 1;
}

// Opens the open archive at the member; null (logged with who's name) when it cannot.
unzFile OpenArchiveAtMember(const char* who, const char* member)
{
    unzFile uf = MyWaitunzOpen2_64(GApp.currentArchive, 3000);
    if (!uf) {
        LogPrint(kLogError, GApp.verbose, "%s failure - cannot open file %s\n", who, GApp.currentArchive);
        return nullptr;
    }
    if (ZipLocateEntryByName(uf, member) != UNZ_R_OK) {
        LogPrint(kLogError, GApp.verbose, "%s CompletePath %s not found", who, member);
        unzClose(uf);
        return nullptr;
    }
    return uf;
}

}  // namespace

int ExtractToTemp(const liststruct* entry, char* out, size_t outSize)
{
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->format != CM_ZIP) {
        if (out && outSize) out[0] = '\0';
        return ops->extractToTemp ? ops->extractToTemp(entry, out, outSize) : 0;
    }
    return ZipExtractToTemp(entry, out, outSize);
}

int ZipExtractToTemp(const liststruct* entry, char* out, size_t outSize)
{
    if (out && outSize) out[0] = '\0';
    char member[260];
    if (!out || !MemberNameOfRecord(entry, member, sizeof member)) {
        LogPrint(kLogError, GApp.verbose, "ExtractToTemp CompletePath not set!");
        return 0;
    }
    char temp[MAX_PATH];
    TemporaryFolder(temp, sizeof temp, "c:\\");
    if (!IsEntryPathInsideFolder(temp, entry->filename) || strpbrk(entry->filename, "/\\")) {
        ReportEntry(nullptr, "refused \"%s\": the name leaves the target folder%s", member, "");
        return 0;
    }
    unzFile uf = OpenArchiveAtMember("ExtractToTemp", member);
    if (!uf) return 0;
    unz_file_info64 info;
    ZipGetCurrentEntryInfo(uf, &info, nullptr, 0);
    int ok = 0;
    if (ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, password) == UNZ_R_OK) {
        char path[MAX_PATH + 260];
        JoinFolderAndName(temp, entry->filename, path, sizeof path);
        FILE* f = fopen(path, "wb");
        if (!f) {
            LogPrint(kLogError, GApp.verbose, "ExtractToTemp failure - cannot open file %s\n", path);
        } else {
            char* buf = (char*)malloc(kChunk);
            ok = buf && ZipReadCurrentToFile(uf, info.uncompressed_size, buf, kChunk, f, path, 0);
            free(buf);
            fclose(f);
        }
        if (UnzResultFromLibrary(unzCloseCurrentFile(uf)) != UNZ_R_OK) ok = 0;
        if (ok) CopyText(out, outSize, path);
        else if (f) DeleteFileA(path);  // a damaged temporary copy is not handed on
    }
    unzClose(uf);
    return ok;
}

HGLOBAL CreateFileContents(const liststruct* entry)
{
    char member[260];
    if (!MemberNameOfRecord(entry, member, sizeof member)) {
        LogPrint(kLogError, GApp.verbose, "CreateFileContents CompletePath not set!");
        return nullptr;
    }
    const FormatOps* ops = OpenArchiveOps();
    if (ops && ops->format != CM_ZIP) {
        char path[MAX_PATH];
        if (!ops->extractToTemp || !ops->extractToTemp(entry, path, sizeof path)) return nullptr;
        FILE* f = fopen(path, "rb");
        if (!f) return nullptr;
        _fseeki64(f, 0, SEEK_END);
        long long size = _ftelli64(f);
        _fseeki64(f, 0, SEEK_SET);
        HGLOBAL mem = size >= 0 ? GlobalAlloc(GMEM_FIXED, (SIZE_T)(size ? size : 1)) : nullptr;
        if (mem && fread((void*)mem, 1, (size_t)size, f) != (size_t)size) {
            GlobalFree(mem);
            mem = nullptr;
        }
        fclose(f);
        DeleteFileA(path);
        return mem;
    }
    unzFile uf = OpenArchiveAtMember("CreateFileContents", member);
    if (!uf) return nullptr;
    unz_file_info64 info;
    ZipGetCurrentEntryInfo(uf, &info, nullptr, 0);
    HGLOBAL mem = nullptr;
    if (ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, password) == UNZ_R_OK) {
        mem = GlobalAlloc(GMEM_FIXED, (SIZE_T)(info.uncompressed_size ? info.uncompressed_size : 1));
        char* buf = (char*)malloc(kChunk);
        int ok = mem && buf && ZipReadCurrentToMemory(uf, info.uncompressed_size, buf, kChunk, (char*)mem);
        free(buf);
        if (UnzResultFromLibrary(unzCloseCurrentFile(uf)) != UNZ_R_OK) ok = 0;
        if (!ok && mem) {
            GlobalFree(mem);
            mem = nullptr;
        }
    }
    unzClose(uf);
    return mem;
}

int do_view_currentfile(unzFile uf, int withApplication, const char* baseName, const unz_file_info64* info)
{
    if (!uf || !baseName || !info) return UNZ_R_PARAM;
    char temp[MAX_PATH];
    TemporaryFolder(temp, sizeof temp, "c:");
    if (!IsEntryPathInsideFolder(temp, baseName) || strpbrk(baseName, "/\\")) {
        ReportEntry(nullptr, "refused \"%s\": the name leaves the target folder%s", baseName, "");
        return WRITE_REFUSED;
    }
    int rc = ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, password);
    if (rc != UNZ_R_OK) return rc;
    char* buf = (char*)malloc(kChunk);
    if (!buf) {
        LogPrint(kLogError, GApp.verbose, "Error allocating memory");
        unzCloseCurrentFile(uf);
        return UNZ_R_INTERNAL;
    }
    char path[MAX_PATH + 260];
    JoinFolderAndName(temp, baseName, path, sizeof path);
    FILE* f = fopen(path, "wb");
    int ok = 0;
    if (f) {
        ok = ZipReadCurrentToFile(uf, info->uncompressed_size, buf, kChunk, f, path, 1);
        fclose(f);
    }
    free(buf);
    rc = UnzResultFromLibrary(unzCloseCurrentFile(uf));
    if (rc != UNZ_R_OK) LogPrint(kLogError, GApp.verbose, "do_view_currentfile: error %d with zipfile in unzCloseCurrentFile\n", rc);
    if (!f) return UNZ_R_UNKNOWN;
    if (GZipHooks.recordTempFile) GZipHooks.recordTempFile(path);
    if (!ok || rc != UNZ_R_OK) return rc != UNZ_R_OK ? rc : UNZ_R_BADZIP;
    if (GZipHooks.openForView) GZipHooks.openForView(path, withApplication);
    return UNZ_R_OK;
}

void ViewZipFile(HWND view, int withApplication)
{
    BSTree* set = CreateZipEntrySet();
    if (!set) return;
    if (CollectRows(view, set, 1, nullptr) == 0) {
        LogPrint(kLogInfo, GApp.verbose, "ViewZipFile: descriptionFilename not found");
        BSTreeDestroy(&set);
        return;
    }
    unzFile uf = MyWaitunzOpen2_64(GApp.currentArchive, 3000);
    if (!uf) {
        char text[600];
        snprintf(text, sizeof text, "ViewZipFile: (%d) %s %s %s", 12017, GetMessageText(35), GApp.currentArchive,
                 GetMessageText(36));
        PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP | MB_TOPMOST);
        BSTreeDestroy(&set);
        return;
    }
    int found = 0;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        char name[256];
        if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) != UNZ_R_OK) break;
        char probe[260];
        CopyText(probe, sizeof probe, name);
        if (!FindEntryInZipEntry(set, probe, 0, 1, '\\')) continue;
        ++found;
        do_view_currentfile(uf, withApplication, ZipBaseName(name), &info);
    }
    if (!found) LogPrint(kLogInfo, GApp.verbose, "ViewZipFile: file not found within ZipFile");
    unzClose(uf);
    BSTreeDestroy(&set);
}
