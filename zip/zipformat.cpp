// ZIP's record of operations: the zip engine's own functions behind the format-neutral slots,
// so that commands, views and viewers reach ZIP the same way as every other format.
#include "formats/formatops.h"

#include "model/appstate.h"
#include "model/strutil.h"
#include "zip/create.h"
#include "zip/extract.h"
#include "zip/listing.h"

namespace {

int ZipIsAvailable(void) { return 1; }

int ZipExtract(ExtractionContext* c)
{
    if (!c) return EXTRACT_FAILED;
    if (c->selection && !c->extractAll) return ExtractZipSelectionSet(c);
    return ExtractZipFilesFromList(c->sourceView, c->archivePath, c->withoutPath, c->overwriteMode, c->password, c,
                                   c->extractAll, c->silent, c->entryProgress);
}

int ZipExtractFolder(ExtractionContext* c, const char* folderPath)
{
    if (!c) return EXTRACT_FAILED;
    TreeItemExtraction item = {};
    CopyBounded(item.folderPath, sizeof item.folderPath, folderPath ? folderPath : "");
    CopyBounded(item.targetFolder, sizeof item.targetFolder, c->targetFolder);
    CopyBounded(item.archivePath, sizeof item.archivePath, c->archivePath);
    item.silent = c->silent;
    item.context = c;
    ExtractTreeItemThread(&item);
    return item.result;
}

int ZipMayModify(void) { return 1; }

int ZipAddFiles(const char* archivePath, const char* const* files, int count, const char* inArchiveFolder, int silent)
{
    (void)archivePath;
    (void)silent;
    return StartAppendToOpenArchive(files, count, inArchiveFolder && *inArchiveFolder ? inArchiveFolder : nullptr);
}

const FormatOps kZipOps = {
    CM_ZIP,          "ZIP",        '\\',           ZipIsAvailable, ListZipFilesThread, ZipExtract, ZipExtractFolder,
    ZipExtractToTemp, ViewZipFile, TestZipArchive, ZipMayModify,   ZipAddFiles,
};

}  // namespace

const FormatOps* ZipFormatOps(void) { return &kZipOps; }
