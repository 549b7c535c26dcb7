// One record of operations per archive format. Commands, views, viewers and transfer ask the
// open archive's record (OpenArchiveOps) what to do instead of switching on the format; each
// engine fills its own record in its own file (ZIP in zip/zipformat, TAR in formats/tar, RAR
// in formats/rar, ISO in formats/iso). A slot left null means the format cannot do that: the
// caller refuses the command (menus disabled, or the format's own refusal text).
#pragma once
#include <windows.h>
#include <cstddef>

struct ListingJob;
struct ExtractionContext;
struct liststruct;

struct FormatOps {
    int format;              // CM_ZIP, CM_TAR, CM_ISO, CM_RAR
    const char* name;        // "ZIP", "TAR", "ISO", "RAR" (logs and diagnostics)
    char separator;          // separator of the format's keys: '/' for TAR, '\\' for the others

    // 1 when the format can be used now (its library probe succeeds; ZIP always 1).
    int (*isAvailable)(void);

    // Worker thread that lists job->archivePath into job->viewList (param: the ListingJob, owned
    // by the caller), with the same rows, totals, batches and end-of-listing hooks as the ZIP
    // listing; clears GApp.busy and GApp.busyOpen at the end. Returns 0 listed, 1 not opened.
    LPTHREAD_START_ROUTINE listThread;

    // Extracts from context->archivePath below context->targetFolder: every member when
    // context->extractAll is set, else the members of context->selection (a ZipEntry set) or,
    // without one, the selected rows of context->sourceView. Refuses names that leave the
    // target, asks before overwriting (context->overwriteMode), counts the outcome in the
    // context and reports through context->report. Runs on the caller's thread (the caller
    // starts a worker and the progress dialog). Returns EXTRACT_DONE, EXTRACT_INCOMPLETE,
    // EXTRACT_CANCELLED or EXTRACT_FAILED.
    int (*extract)(ExtractionContext* context);

    // Extracts every member below folderPath (a folder inside the archive, '\' separated, no
    // trailing separator; "" for the root) as extract does. Same results.
    int (*extractFolder)(ExtractionContext* context, const char* folderPath);

    // One member (its row record) into the temporary folder, for viewers and drag and drop;
    // the written file's path goes to out and is recorded as a temporary file. 1 written, 0 not.
    int (*extractToTemp)(const liststruct* entry, char* out, size_t outSize);

    // The view command for the selected rows of view: each is written to the temporary folder
    // and opened (withApplication: with its registered program).
    void (*view)(HWND view, int withApplication);

    // Reads every member as extraction would, writing nothing, and checks it; failures are
    // reported through context->report and counted in context->failed. Results as extract.
    int (*test)(const char* archivePath, ExtractionContext* context);

    // 1 when members of the open archive may be deleted, renamed or moved in place.
    int (*mayModify)(void);

    // Starts adding files (full paths, count of them) to the open archive archivePath below
    // the archive folder inArchiveFolder ("" for the root, the format's separator) on a worker,
    // with the progress dialog unless silent; the worker takes GApp.busy (refused while it is
    // held) and lists the archive again at the end. Returns 1 when started, 0 when refused or
    // cancelled. Null: the format cannot add.
    int (*addFiles)(const char* archivePath, const char* const* files, int count, const char* inArchiveFolder,
                    int silent);
};

// The record of format (CM_*), or null for CM_NONE and formats not built in.
const FormatOps* GetFormatOps(int format);
// The record of the open archive (GCompressionMethod), or null when none is open.
const FormatOps* OpenArchiveOps(void);
// 1 when the open archive's format lets members be deleted, renamed or moved in place.
int OpenArchiveMayModify(void);

// Each engine's record (defined in the engine's own file).
const FormatOps* ZipFormatOps(void);
const FormatOps* TarFormatOps(void);
const FormatOps* IsoFormatOps(void);
const FormatOps* RarFormatOps(void);
