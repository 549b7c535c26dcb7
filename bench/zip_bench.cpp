// Benchmark of the ZIP engine (run by bench/run_zip.sh, never by ctest).
//
//   bench_zip listing ARCHIVE          lists into a hidden list view through ListZipFilesThread,
//                                      with a breakdown: central-directory walk, row building,
//                                      the whole listing with insertion and totals
//   bench_zip extract ARCHIVE FOLDER   extracts everything through ExtractZipFilesFromList
//
// Prints "key value" lines that the script reads.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/log.h"
#include "model/appstate.h"
#include "model/liststruct.h"
#include "ui/prompts.h"
#include "zip/extract.h"
#include "zip/hiddenlist.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"

namespace {

int Listing(const char* archive)
{
    // 1. The central-directory walk alone.
    double t0 = GetMilliseconds();
    unzFile uf = MyWaitunzOpen2_64(archive, 0);
    if (!uf) return 2;
    long long entries = 0;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        char name[256];
        ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
        ++entries;
    }
    double walk = GetMilliseconds() - t0;

    // 2. Building every row (texts, record, icon) without inserting it.
    unzGoToFirstFile(uf);
    std::vector<ListRow> rows;
    rows.reserve((size_t)entries);
    t0 = GetMilliseconds();
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        char name[256];
        ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
        const char* base = ZipBaseName(name);
        if (!*base) continue;
        char full[256];
        snprintf(full, sizeof full, "%s", name);
        for (char* p = full; *p; ++p)
            if (*p == '/') *p = '\\';
        ListRowTime when = {(int)info.tmu_date.tm_sec, (int)info.tmu_date.tm_min, (int)info.tmu_date.tm_hour,
                            (int)info.tmu_date.tm_mday, (int)info.tmu_date.tm_mon, (int)info.tmu_date.tm_year};
        ListRow row;
        if (BuildListRow(&row, &when, base, full, nullptr, (int64_t)info.compressed_size, (int64_t)info.uncompressed_size))
            rows.push_back(row);
    }
    double build = GetMilliseconds() - t0;
    unzClose(uf);

    // Inserting the built rows on the list's own thread, in the listing's batch size.
    HWND scratch = CreateHiddenList();
    if (!scratch) return 2;
    t0 = GetMilliseconds();
    LockListRedraw(scratch);
    for (size_t at = 0; at < rows.size(); at += 2048) {
        size_t n = rows.size() - at < 2048 ? rows.size() - at : 2048;
        InsertListRowsBatch(scratch, &rows[at], (int)n);
    }
    UnlockListRedraw(scratch);
    double insert = GetMilliseconds() - t0;
    DestroyHiddenList(scratch);

    // 3. The listing as the window runs it: worker thread, batches to this thread, totals.
    HWND list = CreateHiddenList();
    if (!list) return 2;
    GApp.hwndList = list;
    static ListingJob job;
    InitListingJob(&job, archive, list, nullptr, nullptr);
    job.silent = 1;
    t0 = GetMilliseconds();
    RunThreadPumpingMessages(ListZipFilesThread, &job, INFINITE, nullptr);
    double listing = GetMilliseconds() - t0;
    int shown = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    printf("entries %lld\nrows %d\nfiles %lld\nwalk_ms %.0f\nbuild_ms %.0f\ninsert_ms %.0f\nlisting_ms %.0f\n", entries,
           shown, (long long)GApp.listTotals.rows, walk, build, insert, listing);
    return 0;
}

int Extract(const char* archive, const char* folder)
{
    ExtractionContext ctx;
    InitExtractionContext(&ctx);
    snprintf(ctx.targetFolder, sizeof ctx.targetFolder, "%s", folder);
    ctx.overwriteMode = 0;
    double t0 = GetMilliseconds();
    int rc = ExtractZipFilesFromList(nullptr, archive, 0, 0, "", &ctx, 1, 1, 0);
    double ms = GetMilliseconds() - t0;
    printf("result %d\nwritten %lld\nfailed %lld\nextract_ms %.0f\n", rc, (long long)ctx.written, (long long)ctx.failed, ms);
    return rc == 0 ? 0 : 1;
}

int Answer(HWND, const char* text, const char* caption, UINT)
{
    fprintf(stderr, "bench: %s: %s\n", caption ? caption : "", text ? text : "");
    return IDCANCEL;
}

}  // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitialize(nullptr);
    memset(&GPrompts, 0, sizeof GPrompts);
    GPrompts.messageBox = Answer;
    GApp.verbose = getenv("KELVORA_VERBOSE") ? atoi(getenv("KELVORA_VERBOSE")) : 0;
    int rc = 2;
    if (argc == 3 && !strcmp(argv[1], "listing")) rc = Listing(argv[2]);
    else if (argc == 4 && !strcmp(argv[1], "extract")) rc = Extract(argv[2], argv[3]);
    else fprintf(stderr, "usage: bench_zip listing ARCHIVE | extract ARCHIVE FOLDER\n");
    fflush(stdout);
    CoUninitialize();
    return rc;
}
