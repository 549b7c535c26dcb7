// Archive creation: the options record, the worker ZipWorkDirectoryThread and the two writers
// (see create.h). The folder walk lives in collect.cpp, the starters in createstart.cpp, the
// merge into the views in mergeview.cpp.
#include "zip/create.h"
#include "zip/zipnames.h"

#include <commctrl.h>
#include <objbase.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/backgroundjob.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/strutil.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "zip/createinternal.h"
#include "zip/enginehooks.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"
#include "zip/zipwriteio.h"

ZipCreateHooks GZipCreateHooks = {};

namespace {

const char kSource[] = "Kelvora";
enum { kLogError = 1, kLogInfo = 5, kLogTrace = 8 };
// Files above this size get their own heading while their checksum is computed.
const int64_t kLargeCrcFile = 33554432;
// At 4 GiB - 1 the writer already needs the zip64 fields for the member's sizes.
const uint64_t kZip64Size = 0xFFFFFFFFull;
enum { kSummaryLines = 15 };
// How long a run waits to take busy back after handing it over.
const int kBusyReturnWaitMs = 60000;

std::atomic<int64_t> gReadLimit{-1};

// fread with the test seam's failure: a read crossing the limit ends short with the error set.
size_t ReadInput(char* buf, size_t size, FILE* f, int64_t* soFar, int* error)
{
    size_t got = fread(buf, 1, size, f);
    int64_t limit = gReadLimit.load();
    if (limit >= 0 && *soFar + (int64_t)got > limit) {
        got = (size_t)(limit - *soFar);
        *error = 1;
    } else if (got < size && ferror(f)) {
        *error = 1;
    }
    *soFar += (int64_t)got;
    return got;
}

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

std::string LowerName(const char* name)
{
    std::string s(name ? name : "");
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

int IsSeparator(char c) { return c == '\\' || c == '/'; }

// The rest of path after folder and a separator, or null when path does not lie in folder.
// Separators and ASCII case are not told apart.
const char* RestAfterFolder(const char* path, const char* folder)
{
    size_t n = strlen(folder);
    while (n > 0 && IsSeparator(folder[n - 1])) --n;
    if (n == 0) return nullptr;
    for (size_t i = 0; i < n; ++i) {
        char a = path[i], b = folder[i];
        if (!a) return nullptr;
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (a >= 'A' && a <= 'Z') a = (char)(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = (char)(b - 'A' + 'a');
        if (a != b) return nullptr;
    }
    if (path[n] && !IsSeparator(path[n])) return nullptr;
    return path + n;
}

// The prefix as it goes into names: '/' separators, no separators at either end.
void NormalisePrefix(const char* prefix, char* out, size_t outSize)
{
    CopyBounded(out, outSize, prefix ? prefix : "");
    ReplaceChar(out, '\\', '/');
    size_t start = 0;
    while (out[start] == '/') ++start;
    if (start) memmove(out, out + start, strlen(out + start) + 1);
    size_t n = strlen(out);
    while (n > 0 && out[n - 1] == '/') out[--n] = '\0';
}

void LocalNowAsDos(WORD* date, WORD* time)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME ft;
    *date = 0x21;
    *time = 0;
    if (SystemTimeToFileTime(&now, &ft)) FileTimeToDosDateTime(&ft, date, time);
}

// DOS date and time of a last-write time in local time. Times before 1980 have no DOS form:
// they become 1 January 1980.
uLong DosDateOf(const FILETIME* lastWrite)
{
    FILETIME local;
    WORD date = 0x21, time = 0;
    if (!FileTimeToLocalFileTime(lastWrite, &local) || !FileTimeToDosDateTime(&local, &date, &time)) {
        date = 0x21;
        time = 0;
    }
    return ((uLong)date << 16) | time;
}

// Progress of one writer run.
struct Meter {
    int show;            // a progress dialog is fed
    int64_t total;
    int64_t step;
    int64_t done;
    int64_t nextStep;
    DWORD start;
    DWORD lastTime;
};

void MeterAdvance(Meter* m, int64_t bytes)
{
    m->done += bytes;
    if (!m->show) return;
    DWORD now = GetTickCount();
    if (now - m->lastTime >= 1000) {
        m->lastTime = now;
        SetProgressElapsedText(m->start, m->done, m->total);
    }
    if (m->done >= m->nextStep && m->total > 0) {
        int64_t percent = m->done * 100 / m->total;
        if (percent > 100) percent = 100;
        ExecuteProgressPos(GetProgressDialog(), (unsigned)percent);
        m->nextStep = (m->done / m->step + 1) * m->step;
    }
}

int Cancelled(const ZipCreateOptions* o, int silentWriter)
{
    if (silentWriter) return o->abort.load() != 0;
    return IsCreationCancelled(o);
}

// Opens a new entry under an ANSI name: plain ASCII names are stored as they are, any other as
// UTF-8 with the UTF-8 flag, so that other tools on other code pages read the same name.
int OpenNamedEntryInZip(zipFile zf, const char* name, const zip_fileinfo* zfi, int method, int level,
                        const char* password, uLong crc, int zip64)
{
    std::string stored;
    uint16_t flagBits = 0;
    if (!EncodeZipNameForWriting(name, &stored, &flagBits)) return ZIP_PARAMERROR;
    return zipOpenNewFileInZip4_64(zf, stored.c_str(), zfi, nullptr, 0, nullptr, 0, nullptr, method, level, 0,
                                   -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, password, crc, 0,
                                   flagBits, zip64);
}

// Writes one empty directory entry. 1 written (or already there), 0 write failure.
int WriteDirectoryEntry(ZipCreateOptions* o, zipFile zf, const char* name, uLong dosDate, int level, const char* who)
{
    std::string key = LowerName(name);
    if (o->run->names.count(key)) return 1;
    zip_fileinfo zfi = {};
    zfi.dosDate = dosDate;
    // A directory entry has no data: stored, it needs no deflate stream (and no 256 KiB of
    // compressor state per folder).
    int err = OpenNamedEntryInZip(zf, name, &zfi, 0, level, nullptr, 0, 0);
    if (err == ZIP_OK) err = zipCloseFileInZip(zf);
    if (err != ZIP_OK) {
        LogPrint(-1, GApp.verbose, "%s: error in closing %s in the zipfile", who, name);
        return 0;
    }
    o->run->names.insert(key);
    o->run->nextIndex++;
    o->foldersAdded++;
    if (o->addedNames) ListAppendCopy(o->addedNames, name);
    return 1;
}

// The directory entries of every level of the prefix, once per run.
int WritePrefixEntries(ZipCreateOptions* o, zipFile zf, int level, const char* who)
{
    char prefix[260];
    NormalisePrefix(o->prefixPath, prefix, sizeof prefix);
    if (!*prefix) return 1;
    WORD date, time;
    LocalNowAsDos(&date, &time);
    uLong dos = ((uLong)date << 16) | time;
    for (char* p = prefix;; ++p) {
        if (*p != '/' && *p != '\0') continue;
        char entry[262];
        snprintf(entry, sizeof entry, "%.*s/", (int)(p - prefix), prefix);
        LogPrint(kLogInfo, GApp.verbose, "%s PathToCreate %s", who, entry);
        if (!WriteDirectoryEntry(o, zf, entry, dos, level, who)) return 0;
        if (!*p) break;
    }
    return 1;
}

// The writer of both kinds. silentWriter: ZipFileListSilent's rules.
int WriteFileList(List* files, ZipCreateOptions* o, zipFile zf, int64_t step, int64_t total, int silentWriter)
{
    const char* who = silentWriter ? "ZipFileListSilent" : "ZipFileList_64";
    ZipCreateRun localRun;
    if (!o->run) o->run = &localRun;
    unsigned bufSize = 65536;
    if (total < 65536) bufSize = (unsigned)std::max<int64_t>(total / 2, 128);
    char* buf = (char*)malloc(bufSize);
    if (!buf) {
        LogPrint(-1, GApp.verbose, "%s: Error allocating memory", who);
        if (o->run == &localRun) o->run = nullptr;
        return ZIPCREATE_NO_MEMORY;
    }
    int level = o->level < 0 ? 0 : (o->level > 9 ? 9 : o->level);
    int method = level ? Z_DEFLATED : 0;
    const char* password = o->encrypt && o->password[0] ? o->password : nullptr;
    int needCrc = !o->skipCrc || password;  // the encryption header checks against the CRC
    Meter m = {!silentWriter && !o->noProgressDialog, total, step > 0 ? step : 1, 0, 0, GetTickCount(), GetTickCount()};
    m.nextStep = m.step;
    int fileCount = files ? files->count : 0;
    int number = 0;
    int prefixDone = 0;
    int result = 0;

    for (ListNode* node = files ? files->head : nullptr; node; node = node->next) {
        const char* path = (const char*)node->data;
        if (!path) {
            PromptMessageBox(OwnerWindow(), silentWriter ? "no list data" : "internal error occurred - no list data!",
                             "Kelvora", MB_OK | MB_ICONSTOP);
            result = 1;
            break;
        }
        ++number;
        if (!prefixDone) {
            prefixDone = 1;
            if (!WritePrefixEntries(o, zf, level, who)) {
                o->writeFailed = 1;
                break;
            }
        }
        size_t len = strlen(path);
        int isDir = len > 0 && IsSeparator(path[len - 1]);
        char name[600];
        if (!ZipMemberNameForPath(o, path, name, sizeof name)) {
            if (!isDir) ReportSkippedInput(o, ZIPSKIP_TOO_LONG, path);
            continue;
        }
        if (o->verboseNames) LogPrint(-1, GApp.verbose, "%s: add %s %s", who, path, name);
        LogPrint(kLogTrace, GApp.verbose, "%s: adding file (2) %s", who, name);

        // Date and size from the directory listing of the path: the walk's, or a new one.
        int64_t size = 0;
        uLong dosDate;
        auto seen = o->run->found.find(path);
        WIN32_FIND_DATAA found;
        HANDLE find = INVALID_HANDLE_VALUE;
        if (seen == o->run->found.end()) {
            char probe[MAX_PATH];
            CopyBounded(probe, sizeof probe, path);
            if (isDir) probe[strlen(probe) - 1] = '\0';
            find = FindFirstFileA(probe, &found);
        }
        if (seen != o->run->found.end()) {
            size = seen->second.size;
            dosDate = DosDateOf(&seen->second.lastWrite);
        } else if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            size = ((int64_t)found.nFileSizeHigh << 32) | found.nFileSizeLow;
            dosDate = DosDateOf(&found.ftLastWriteTime);
        } else {
            if (!isDir)
                LogPrint(kLogError, GApp.verbose, "%s %d cannot determine size of file: %s #%d\n", kSource, __LINE__,
                         path, (int)GetLastError());
            WORD date, time;
            LocalNowAsDos(&date, &time);
            dosDate = ((uLong)date << 16) | time;
        }

        if (isDir) {
            if (!WriteDirectoryEntry(o, zf, name, dosDate, level, who)) {
                o->writeFailed = 1;
                break;
            }
        } else {
            std::string key = LowerName(name);
            if (o->run->names.count(key)) {
                // A second member of the same name could never be told apart from the first.
                ReportSkippedInput(o, ZIPSKIP_DUPLICATE, name);
                MeterAdvance(&m, size);
                continue;
            }
            FILE* in = fopen(path, "rb");
            if (!in) {
                LogPrint(-1, GApp.verbose, "%s: error in opening %s for reading", who, path);
                ReportSkippedInput(o, ZIPSKIP_UNREADABLE, path);
                MeterAdvance(&m, size);
                continue;
            }
            // The CRC pass reads through the open file; a file that fits in the buffer is read
            // once and its bytes are reused for the member.
            unsigned long crc = 0;
            size_t preread = 0;
            int wholeInBuffer = 0;
            if (needCrc && size > 0) {
                int big = m.show && size > kLargeCrcFile;
                if (big) {
                    SetProgressHeading(GetMessageText(102));
                    EnableProgressCancel(0);
                }
                int64_t soFar = 0;
                int error = 0;
                crc = crc32(0L, Z_NULL, 0);
                size_t n = ReadInput(buf, bufSize, in, &soFar, &error);
                if (!error) crc = crc32(crc, (const Bytef*)buf, (uInt)n);
                if (!error && n < bufSize) {
                    wholeInBuffer = 1;
                    preread = n;
                } else {
                    while (!error && (n = ReadInput(buf, bufSize, in, &soFar, &error)) > 0 && !error)
                        crc = crc32(crc, (const Bytef*)buf, (uInt)n);
                    if (!error && fseek(in, 0, SEEK_SET) != 0) error = 1;
                }
                if (big) EnableProgressCancel(1);
                if (error) {
                    LogPrint(kLogError, GApp.verbose, "getFileCrc: error in reading %s", path);
                    fclose(in);
                    ReportSkippedInput(o, ZIPSKIP_READ_ERROR, path);
                    MeterAdvance(&m, size);
                    continue;
                }
            }
            if (m.show) {
                SetProgressHeading(GetMessageText(83));
                SetProgressFileText(name);
            }
            zip_fileinfo zfi = {};
            zfi.dosDate = dosDate;
            int zip64 = (uint64_t)size >= kZip64Size ? 1 : 0;
            int err = OpenNamedEntryInZip(zf, name, &zfi, method, level, password, crc, zip64);
            if (err != ZIP_OK) {
                LogPrint(-1, GApp.verbose, "%s: error in opening %s in zipfile", who, name);
                fclose(in);
                o->writeFailed = 1;
                break;
            }
            if (o->itemHook) o->itemHook(o, 3, path);
            int readError = 0, stopped = 0;
            int64_t copied = 0;
            int64_t soFar = 0;
            for (;;) {
                size_t got = wholeInBuffer ? preread : ReadInput(buf, bufSize, in, &soFar, &readError);
                if (got > 0) {
                    copied += (int64_t)got;
                    MeterAdvance(&m, (int64_t)got);
                    if (zipWriteInFileInZip(zf, buf, (unsigned)got) < 0) {
                        LogPrint(-1, GApp.verbose, "%s: error in writing %s into the zipfile", who, name);
                        o->writeFailed = 1;
                        break;
                    }
                }
                if (got < bufSize || readError) break;
                if (Cancelled(o, silentWriter)) {
                    stopped = 1;
                    break;
                }
            }
            fclose(in);
            o->bytesRead += copied;
            if (zipCloseFileInZip(zf) != ZIP_OK) {
                LogPrint(-1, GApp.verbose, "%s: error in closing %s in the zipfile", who, name);
                o->writeFailed = 1;
            }
            if (o->writeFailed) break;
            uint64_t index = o->run->nextIndex++;
            if (readError || stopped) {
                // Half a member would pass every check as a whole one: it goes.
                o->run->drop.push_back(index);
                if (readError) ReportSkippedInput(o, ZIPSKIP_READ_ERROR, path);
                if (stopped) o->cancelled = 1;
            } else {
                o->run->names.insert(key);
                o->filesAdded++;
                if (o->addedNames) ListAppendCopy(o->addedNames, name);
            }
            if (size > copied && !stopped) MeterAdvance(&m, size - copied);
        }
        if (silentWriter && number % 10 != 0 && fileCount > 0)
            snprintf(o->statusText, sizeof o->statusText, "%2.0f%%", number * 100.0 / fileCount);
        if (o->itemHook) o->itemHook(o, 2, path);
        if (Cancelled(o, silentWriter)) {
            o->cancelled = 1;
            break;
        }
    }
    free(buf);
    if (o->run == &localRun) o->run = nullptr;
    return result;
}

// Reads the archive to add to from start to end: its entry names go into the run's name set.
// 1 readable, 0 not (nothing may be written to it then).
int ReadArchiveForAppend(ZipCreateOptions* o, ZipTailInfo* tail)
{
    if (!ReadZipTailInfo(o->targetArchive, tail)) return 0;
    unzFile uf = MyWaitunzOpen2_64(o->targetArchive, 3000);
    if (!uf) return 0;
    unz_global_info64 gi = {};
    int ok = unzGetGlobalInfo64(uf, &gi) == UNZ_OK;
    uint64_t entries = 0;
    if (ok) {
        int rc = ZipGoToFirstEntry(uf);
        while (rc == UNZ_OK) {
            unz_file_info64 info;
            char name[1024];
            if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) != UNZ_R_OK) {
                ok = 0;
                break;
            }
            o->run->names.insert(LowerName(name));
            ++entries;
            rc = unzGoToNextFile(uf);
        }
        if (rc != UNZ_END_OF_LIST_OF_FILE) ok = 0;
    }
    unzClose(uf);
    if (!ok || entries != tail->entries) return 0;
    return 1;
}

// Number of central-directory records at the start of tail (the saved end of the archive).
uint64_t CountCentralRecords(const std::string& tail, uint64_t centralSize)
{
    const unsigned char* c = (const unsigned char*)tail.data();
    uint64_t p = 0, count = 0;
    while (p + 46 <= centralSize && p + 46 <= tail.size() && c[p] == 'P' && c[p + 1] == 'K' && c[p + 2] == 1 &&
           c[p + 3] == 2) {
        p += 46 + (c[p + 28] | (c[p + 29] << 8)) + (c[p + 30] | (c[p + 31] << 8)) + (c[p + 32] | (c[p + 33] << 8));
        ++count;
    }
    return count;
}

void ShowOpenFailure(const ZipCreateOptions* o, DWORD system)
{
    char text[700];
    char systemText[200] = "";
    if (system && !FormatSystemError(systemText, sizeof systemText, system))
        snprintf(systemText, sizeof systemText, "%lu", system);
    if (IsDebugConsole())
        snprintf(text, sizeof text, "(DebugConsoleEnabled)\n%d %s \"%s\" %s %s", __LINE__, GetMessageText(35),
                 o->targetArchive, GetMessageText(36), systemText);
    else if (*systemText)
        snprintf(text, sizeof text, "%s \"%s\" %s:\n%s", GetMessageText(35), o->targetArchive, GetMessageText(36),
                 systemText);
    else
        snprintf(text, sizeof text, "%s \"%s\" %s", GetMessageText(35), o->targetArchive, GetMessageText(36));
    PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
}

void ShowSummary(ZipCreateOptions* o)
{
    if (!o->run || o->run->summary.empty()) return;
    std::string text;
    for (size_t i = 0; i < o->run->summary.size() && i < kSummaryLines; ++i) text += o->run->summary[i] + "\n";
    if (o->run->summary.size() > kSummaryLines) text += "...\n";
    PromptMessageBox(OwnerWindow(), text.c_str(), "Kelvora", MB_OK | MB_ICONINFORMATION);
}

void ForgetCurrentArchive(void)
{
    GApp.currentArchive[0] = '\0';
    SetArchiveMainTitle(nullptr);
}

int ViewHasRows(HWND view)
{
    return view && SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) > 0;
}

// The folder view's rebuild takes busy for itself and, off the window thread, waits only so
// long for it: a run that holds busy hands it over for the rebuild. The rebuild ends by
// selecting the root, whose folder change fills TreeList while holding busy; the run takes
// busy back once that is done, so nothing else starts before the run has ended. Should busy
// not come back (something else keeps it far longer), the run ends without it.
void RebuildFolderViewHandingOverBusy(ZipCreateOptions* o, ListingJob* listing)
{
    const int held = o->holdsBusy;
    if (held) {
        o->holdsBusy = 0;
        LeaveBusy(GApp.busy);
    }
    GZipHooks.rebuildFolderTree(listing);
    if (!held) return;
    for (int waited = 0; waited < kBusyReturnWaitMs; waited += 10) {
        if (TryEnterBusy(GApp.busy)) {
            o->holdsBusy = 1;
            return;
        }
        Sleep(10);
    }
    LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): busy not given back after the folder view's rebuild");
}

// Shows the written archive: merged into the views after an append, listed after a creation.
void ShowWrittenArchive(ZipCreateOptions* o)
{
    unzFile uf = MyWaitunzOpen2_64(o->targetArchive, 3000);
    if (!uf) {
        char text[400];
        snprintf(text, sizeof text, "ZipWorkDirectoryThread (4) %s cannot be opened", o->targetArchive);
        PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP | MB_TOPMOST);
        return;
    }
    CopyBounded(GApp.currentArchive, sizeof GApp.currentArchive, o->targetArchive);
    if (o->append && ViewHasRows(o->viewList)) {
        LogPrint(kLogInfo, GApp.verbose, "ZipWorkDirectoryThread(): appending to (HWND) %d - (HWND)tree_list: %d",
                 (int)(INT_PTR)o->viewList, (int)(INT_PTR)GApp.hwndTreeList);
        List* folders = GApp.currentJob ? GApp.currentJob->folderList : nullptr;
        add_listing_to_list(uf, o->targetArchive, o->viewList, o->addedNames, folders,
                            o->viewList == GApp.hwndTreeList ? o->prefixPath : nullptr);
    } else {
        static ListingJob job;
        ListingJob* listing = GApp.currentJob ? GApp.currentJob : &job;
        if (listing == &job) InitListingJob(&job, o->targetArchive, o->viewList, o->folderTree, o->focusWindow);
        CopyBounded(listing->archivePath, sizeof listing->archivePath, o->targetArchive);
        HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        if (GApp.hwndList && ViewHasRows(GApp.hwndList)) ClearList(GApp.hwndList);
        do_listing(uf, listing, 0);
        // The listing gives the busy flag back; this run is not over yet.
        if (o->holdsBusy && !TryEnterBusy(GApp.busy)) o->holdsBusy = 0;
        SetCursor(previous);
    }
    unzClose(uf);
    if (o->viewList && o->viewList == GApp.hwndTreeList && GZipHooks.rebuildFolderTree) {
        ListingJob* listing = GApp.currentJob;
        static ListingJob job;
        if (!listing) {
            InitListingJob(&job, o->targetArchive, o->viewList, o->folderTree, o->focusWindow);
            listing = &job;
        }
        RebuildFolderViewHandingOverBusy(o, listing);
    }
}

}  // namespace

void SetZipReadLimitForTests(int64_t bytes)
{
    gReadLimit.store(bytes);
}

// ---- options ----

ZipCreateOptions* NewZipCreateOptions(void)
{
    ZipCreateOptions* o = new (std::nothrow) ZipCreateOptions();
    if (o) o->level = 6;
    return o;
}

void ReleaseZipCreateOptions(ZipCreateOptions* options)
{
    if (!options) return;
    for (int i = 0; i < options->pathCount; ++i) free(options->paths ? options->paths[i] : nullptr);
    free(options->paths);
    if (options->filter) ListDestroy(&options->filter);
    if (options->addedNames) ListDestroy(&options->addedNames);
    SecureZeroMemory(options->password, sizeof options->password);
    delete options;
}

void ApplyCreationSettings(ZipCreateOptions* o)
{
    if (!o) return;
    o->encrypt = GetPasswordEncrypted();
    CopyBounded(o->password, sizeof o->password, o->encrypt ? password : "");
    o->temporaryArchive = GetCreateSelfExecutable();
    o->filterFlag = GetFileFilter();
    o->topFolderOnly = GetPlainDirectory();
    o->skipCrc = GetSkipCRCCheck();
    o->level = GetCompressionLevel();
}

int SetZipCreatePaths(ZipCreateOptions* o, const char* const* paths, int count)
{
    if (!o || count < 0) return 0;
    for (int i = 0; i < o->pathCount; ++i) free(o->paths[i]);
    free(o->paths);
    o->paths = nullptr;
    o->pathCount = 0;
    if (count == 0) return 1;
    o->paths = (char**)calloc((size_t)count, sizeof(char*));
    if (!o->paths) return 0;
    for (int i = 0; i < count; ++i) {
        o->paths[i] = DupBounded(260, paths[i] ? paths[i] : "");
        if (!o->paths[i]) return 0;
        o->pathCount = i + 1;
    }
    o->droppedFiles = 1;
    return 1;
}

int SetZipCreateFilterFromText(ZipCreateOptions* o, const char* text)
{
    if (!o) return 0;
    if (o->filter) ListDestroy(&o->filter);
    o->filter = ListCreateStrings();
    if (!o->filter) return 0;
    std::string all(text ? text : "");
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(';', start);
        if (end == std::string::npos) end = all.size();
        std::string part = all.substr(start, end - start);
        if (!part.empty()) ListAppendCopy(o->filter, part.c_str());
        start = end + 1;
    }
    if (o->filter->count == 0) ListDestroy(&o->filter);
    return o->filter ? o->filter->count : 0;
}

void ReportSkippedInput(ZipCreateOptions* o, int reason, const char* path)
{
    if (!o) return;
    o->skipped++;
    LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): left out (%d) %s", reason, path ? path : "");
    if (o->report) {
        o->report(o, reason, path ? path : "");
        return;
    }
    if (o->run && o->run->summary.size() <= kSummaryLines) {
        char line[700];
        if (reason == ZIPSKIP_UNREADABLE || reason == ZIPSKIP_READ_ERROR || reason == ZIPSKIP_NOT_FOUND)
            snprintf(line, sizeof line, "%s \"%s\" %s", GetMessageText(35), path ? path : "", GetMessageText(36));
        else
            snprintf(line, sizeof line, "%s: \"%s\"", GetGenericText(38), path ? path : "");
        o->run->summary.push_back(line);
    }
}

int IsCreationCancelled(const ZipCreateOptions* o)
{
    if (o && o->abort.load()) return 1;
    if (o && o->silent) return 0;
    return IsCanceledByUser();
}

int ZipMemberNameForPath(const ZipCreateOptions* o, const char* path, char* out, size_t outSize)
{
    if (!o || !path || !out || outSize < 2) return 0;
    out[0] = '\0';
    size_t len = strlen(path);
    int isDir = len > 0 && IsSeparator(path[len - 1]);
    const char* rest = nullptr;
    if (o->prefixMode && !o->relativeNames) {
        // Dropped and named paths: everything below the given path's own folder, which is
        // where its '\' separators end and the walk's '/' begin.
        const char* after = AfterLast(path, '\\');
        rest = after ? after : path;
    } else if (o->baseFolder[0] && (rest = RestAfterFolder(path, o->baseFolder)) != nullptr) {
    } else if (o->relativeNames || o->prefixMode) {
        const char* after = AfterLast(path, '\\');
        rest = after ? after : path;
    } else {
        rest = path;
    }
    char name[600];
    if (!CopyBounded(name, sizeof name, rest)) return 0;
    ReplaceChar(name, '\\', '/');
    // Never an absolute name: no drive, no leading separator.
    char* start = name;
    if (((start[0] >= 'A' && start[0] <= 'Z') || (start[0] >= 'a' && start[0] <= 'z')) && start[1] == ':') start += 2;
    while (*start == '/') ++start;
    if (o->baseNamesOnly) {
        if (isDir) return 0;
        const char* base = AfterLast(start, '/');
        if (base) start = (char*)base;
    }
    if (!*start || !strcmp(start, "/")) {
        const char* after = AfterLast(path, '\\');
        CopyBounded(name, sizeof name, after ? after : "");
        ReplaceChar(name, '\\', '/');
        start = name;
        while (*start == '/') ++start;
        if (!*start) return 0;
    }
    char prefix[260];
    NormalisePrefix(o->prefixPath, prefix, sizeof prefix);
    int n = *prefix ? snprintf(out, outSize, "%s/%s", prefix, start) : snprintf(out, outSize, "%s", start);
    if (n < 0 || (size_t)n >= outSize) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int ZipFileList_64(List* files, ZipCreateOptions* options, zipFile writer, int64_t progressStep, int64_t totalBytes)
{
    if (!options || !writer) return 1;
    return WriteFileList(files, options, writer, progressStep, totalBytes, 0);
}

int ZipFileListSilent(List* files, ZipCreateOptions* options, zipFile writer, int64_t totalBytes)
{
    if (!options || !writer) return 1;
    return WriteFileList(files, options, writer, 1, totalBytes, 1);
}

// ---- the worker ----

DWORD WINAPI ZipWorkDirectoryThread(LPVOID param)
{
    ZipCreateOptions* o = (ZipCreateOptions*)param;
    if (!o) return ZIPCREATE_NOT_OPENED;
    // The listing of the result asks the shell for type names and icons.
    HRESULT com = CoInitialize(nullptr);
    DWORD runStart = GetTickCount();
    ZipCreateRun run;
    o->run = &run;
    o->cancelled = o->writeFailed = 0;
    o->filesAdded = o->foldersAdded = o->skipped = o->bytesRead = 0;
    if (!o->addedNames) o->addedNames = ListCreateStrings();
    if (o->silent) CopyBounded(o->statusText, sizeof o->statusText, "ZipFileListSilent");
    const int dialog = !o->silent && !o->noProgressDialog;
    const int interactive = !o->silent;  // messages for the user
    int result = ZIPCREATE_DONE;
    List* files = nullptr;
    zipFile zf = nullptr;
    ZipTailInfo tail;
    std::string savedTail;
    int collected = 0;
    int64_t total = 0;

    // Adding to a file that is not there is creating it.
    if (o->append && GetFileAttributesA(o->targetArchive) == INVALID_FILE_ATTRIBUTES) o->append = 0;
    if (o->append && IsReadOnlyArchive(o->targetArchive)) {
        LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): %s is read-only, nothing added", o->targetArchive);
        char text[700];
        ReadOnlyArchiveText(o->targetArchive, text, sizeof text);
        if (dialog) DestroyProgressDialogWhenReady();
        PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
        result = ZIPCREATE_NOT_OPENED;
        goto end;
    }
    if (o->append) {
        // Whatever cannot be read as ZIP from end to end is left exactly as it is.
        if (!ReadArchiveForAppend(o, &tail) || !SaveZipTail(o->targetArchive, &tail, &savedTail) ||
            CountCentralRecords(savedTail, tail.centralSize) != tail.entries) {
            LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): %s is no readable zip archive, nothing added",
                     o->targetArchive);
            char text[700];
            snprintf(text, sizeof text, "\"%s\"\n%s\n%s", o->targetArchive, GetMessageText(31), GetMessageText(45));
            if (dialog) DestroyProgressDialogWhenReady();
            PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
            result = ZIPCREATE_NOT_OPENED;
            goto end;
        }
        run.nextIndex = tail.entries;
    }
    {
        zlib_filefunc64_def ff;
        FillZipWriteFileFunctions(&ff);
        SetLastError(0);
        zf = zipOpen2_64(o->targetArchive, o->append ? APPEND_STATUS_ADDINZIP : APPEND_STATUS_CREATE, nullptr, &ff);
    }
    if (!zf) {
        DWORD system = GetLastError();
        LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): error opening %s", o->targetArchive);
        if (dialog) DestroyProgressDialogWhenReady();
        // Nothing happened on disk; the user has to learn that nothing was written.
        if (interactive) ShowOpenFailure(o, system);
        result = ZIPCREATE_NOT_OPENED;
        goto end;
    }

    if (dialog) SetProgressMarquee(1);
    files = ListCreateStrings();
    if (!files) {
        o->writeFailed = 1;
    } else if (o->droppedFiles) {
        for (int i = 0; i < o->pathCount; ++i) {
            const char* p = o->paths[i];
            if (!p || GetFileAttributesA(p) == INVALID_FILE_ATTRIBUTES) {
                ReportSkippedInput(o, ZIPSKIP_NOT_FOUND, p ? p : "");
                continue;
            }
            if (i == 0 || !o->baseFolder[0]) {
                CopyBounded(o->baseFolder, sizeof o->baseFolder, p);
                char* cut = strrchr(o->baseFolder, '\\');
                if (cut) *cut = '\0';
                else o->baseFolder[0] = '\0';
            }
            int n = CollectPathsForRun(files, p, 1, o->filter, dialog ? GetProgressDialog() : nullptr, &total, 1,
                                       o->targetArchive, o);
            if (n < 0) break;
            collected += n;
        }
    } else if (o->selectedFiles) {
        for (int i = 0; i < o->pathCount; ++i) {
            const char* p = o->paths[i];
            DWORD attributes = p ? GetFileAttributesA(p) : INVALID_FILE_ATTRIBUTES;
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                ReportSkippedInput(o, ZIPSKIP_NOT_FOUND, p ? p : "");
                continue;
            }
            int n = CollectPathsForRun(files, p, !(attributes & FILE_ATTRIBUTE_DIRECTORY) || !o->topFolderOnly,
                                       (attributes & FILE_ATTRIBUTE_DIRECTORY) ? o->filter : nullptr,
                                       dialog ? GetProgressDialog() : nullptr, &total, 1, o->targetArchive, o);
            if (n < 0) break;
            collected += n;
        }
    } else {
        int n = CollectPathsForRun(files, o->baseFolder, !o->topFolderOnly, o->filter,
                                   dialog ? GetProgressDialog() : nullptr, &total, 1, o->targetArchive, o);
        if (n > 0) collected = n;
    }
    if (o->itemHook) o->itemHook(o, 1, nullptr);
    if (dialog) {
        ClearProgressMarquee(1);
        SetProgressHeading("");
    }

    if (IsCreationCancelled(o) || o->writeFailed) {
        int failed = o->writeFailed;
        zipClose(zf, nullptr);
        zf = nullptr;
        if (files) ListDestroy(&files);
        if (o->append) {
            RestoreZipTail(o->targetArchive, tail.centralOffset, savedTail);
        } else {
            DeleteFileA(o->targetArchive);
            if (interactive) ForgetCurrentArchive();
        }
        if (failed) {
            if (dialog) DestroyProgressDialogWhenReady();
            result = ZIPCREATE_WRITE_FAILED;
            goto end;
        }
        LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): canceled by user (1)");
        o->cancelled = 1;
        PromptMessageBox(OwnerWindow(), GetMessageText(63), "Kelvora", MB_OK | MB_ICONINFORMATION);
        result = ZIPCREATE_CANCELLED;
        goto end;
    }

    {
        if (dialog) {
            SetProgressMinimum(0);
            SetProgressMaximum(100);
            SetProgressHeading(GetMessageText(files->count > 1 ? 20 : 19));
        }
        int64_t step = total / 100;
        if (step < 1) step = 1;
        DWORD writeStart = GetTickCount();
        int rc = 0;
        if (files->count == 0)
            LogPrint(kLogInfo, GApp.verbose, "ZipWorkDirectoryThread(): empty list nothing to compress %d", collected);
        else if (o->silent)
            rc = ZipFileListSilent(files, o, zf, total);
        else
            rc = ZipFileList_64(files, o, zf, step, total);
        int closeRc = zipClose(zf, nullptr);
        zf = nullptr;
        DWORD now = GetTickCount();
        LogPrint(kLogInfo, GApp.verbose,
                 "time measure collecting files and compression (zip16): %d - compression alone: %d\n",
                 (int)(now - runStart), (int)(now - writeStart));
        int failed = rc == ZIPCREATE_NO_MEMORY || o->writeFailed || closeRc != ZIP_OK;
        if (!failed) {
            int changed = 0;
            if (!FinishZipCentralDirectory(o->targetArchive, run.drop, &changed)) {
                LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): cannot finish the central directory of %s",
                         o->targetArchive);
                failed = 1;
            }
        }
        if (failed) {
            // A failed write leaves no half archive behind: the old one comes back, a new one goes.
            o->writeFailed = 1;
            int restored = 1;
            if (o->append)
                restored = RestoreZipTail(o->targetArchive, tail.centralOffset, savedTail);
            else
                DeleteFileA(o->targetArchive);
            LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): writing %s failed, %s", o->targetArchive,
                     o->append ? (restored ? "archive restored" : "archive NOT restored") : "archive deleted");
            if (dialog) DestroyProgressDialogWhenReady();
            if (interactive) {
                char text[700];
                snprintf(text, sizeof text, "%s\n\"%s\"%s%s", GetMessageText(45), o->targetArchive,
                         restored ? "" : "\n", restored ? "" : GetMessageText(31));
                PromptMessageBox(OwnerWindow(), text, GetMessageText(94), MB_OK | MB_ICONSTOP);
                if (!o->append) ForgetCurrentArchive();
            }
            result = ZIPCREATE_WRITE_FAILED;
            goto end;
        }
        if (o->cancelled && !o->append) {
            printf("ZipWorkDirectoryThread: not ok %s %d\n", o->targetArchive, rc);
            LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): canceled by user (3)");
            DeleteFileA(o->targetArchive);
            if (interactive) ForgetCurrentArchive();
            PromptMessageBox(OwnerWindow(), GetMessageText(63), "Kelvora", MB_OK | MB_ICONINFORMATION);
            result = ZIPCREATE_CANCELLED;
            goto end;
        }
        if (o->temporaryArchive && !o->silent && GZipCreateHooks.temporaryArchiveWritten) {
            GZipCreateHooks.temporaryArchiveWritten(o);
        } else if (dialog) {
            DestroyProgressDialogWhenReady();
        }
        if (o->viewList && collected > 0 && !o->temporaryArchive && !o->silent) ShowWrittenArchive(o);
        if (o->cancelled) {
            LogPrint(-1, GApp.verbose, "ZipWorkDirectoryThread(): canceled by user (2)");
            PromptMessageBox(OwnerWindow(), GetMessageText(63), "Kelvora", MB_OK | MB_ICONINFORMATION);
            result = ZIPCREATE_CANCELLED;
        } else {
            result = o->skipped ? ZIPCREATE_INCOMPLETE : ZIPCREATE_DONE;
        }
        if (dialog && !o->report) ShowSummary(o);
        LogPrint(kLogInfo, GApp.verbose, "ZipWorkDirectoryThread finished %s\n", o->targetArchive);
    }

end:
    if (zf) zipClose(zf, nullptr);
    if (files) ListDestroy(&files);
    if (o->savedDirectory[0]) SetCurrentDirectoryA(o->savedDirectory);
    if (o->silent && result != ZIPCREATE_CANCELLED) CopyBounded(o->statusText, sizeof o->statusText, "100%");
    if (o->holdsBusy) {
        o->holdsBusy = 0;
        LeaveBusy(GApp.busy);
        if (GZipHooks.updateMenuState) GZipHooks.updateMenuState();
    }
    o->run = nullptr;
    o->result = result;
    if (o->releaseAtEnd) ReleaseZipCreateOptions(o);
    if (SUCCEEDED(com)) CoUninitialize();
    return (DWORD)result;
}

namespace {

void ReleaseJobRecord(void* job)
{
    ReleaseZipCreateOptions((ZipCreateOptions*)job);
}

const char* JobStatusText(const void* job)
{
    return job ? ((const ZipCreateOptions*)job)->statusText : "";
}

}  // namespace

int StartZipWorkDirectoryThread(ZipCreateOptions* o)
{
    if (!o) return -1;
    SetCanceledByUser(0);
    o->abort.store(0);
    if (!o->silent) {
        o->releaseAtEnd = 1;
        if (!o->noProgressDialog) {
            static char heading[260];
            heading[0] = '\0';
            StartProgressDialogThread(1, heading);
        }
        HANDLE thread = CreateThread(nullptr, 0, ZipWorkDirectoryThread, o, 0, nullptr);
        if (!thread) {
            if (!o->noProgressDialog) DestroyProgressDialogWhenReady();
            if (o->holdsBusy) LeaveBusy(GApp.busy);
            ReleaseZipCreateOptions(o);
            return -1;
        }
        CloseHandle(thread);
        return 0;
    }
    // Background run: the job tree owns the record and watches the thread.
    o->releaseAtEnd = 0;
    CopyBounded(o->statusText, sizeof o->statusText, "ZipFileListSilent");
    HANDLE thread = CreateThread(nullptr, 0, ZipWorkDirectoryThread, o, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        ReleaseZipCreateOptions(o);
        return -1;
    }
    if (StartBackgroundJob(thread, o, ReleaseJobRecord, JobStatusText) < 0) {
        o->releaseAtEnd = 1;
        ResumeThread(thread);
        CloseHandle(thread);
        return 0;
    }
    ResumeThread(thread);
    return 0;
}
