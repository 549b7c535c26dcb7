#include "model/zipentry.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/log.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/compare.h"
#include "model/rbtree.h"
#include "model/strutil.h"

static std::atomic<long> gLiveZipEntries{0};

ZipEntry* CreateZipEntry(const char* entry, const char* newEntry, int number)
{
    ZipEntry* ze = (ZipEntry*)AllocZeroed(sizeof(ZipEntry));
    if (!ze) return nullptr;
    ze->number = number;
    if (entry && !(ze->entry = DupBounded(260, entry))) {
        std::free(ze);
        return nullptr;
    }
    if (newEntry && !(ze->newEntry = DupBounded(260, newEntry))) {
        std::free(ze->entry);
        std::free(ze);
        return nullptr;
    }
    gLiveZipEntries++;
    return ze;
}

void ReleaseZipEntry(void* zipEntry)
{
    ZipEntry* ze = (ZipEntry*)zipEntry;
    if (!ze) return;
    std::free(ze->entry);
    std::free(ze->newEntry);
    std::free(ze);
    gLiveZipEntries--;
}

long ZipEntryLiveCount(void)
{
    return gLiveZipEntries.load();
}

static void PrintZipEntry(const ZipEntry* ze)
{
    if (!ze) return;
    if (ze->newEntry)
        LogPrint(-1, GApp.verbose, "DefaultZipPrint: entry: %s, newEntry: %s, #: %d", ze->entry ? ze->entry : "",
                 ze->newEntry, ze->number);
    else
        LogPrint(-1, GApp.verbose, "DefaultZipPrint: entry: %s, #: %d ", ze->entry ? ze->entry : "", ze->number);
}

void DefaultZipPrint(BSTree* tree, BSTreeNode* node)
{
    if (node) PrintZipEntry((const ZipEntry*)node->key);
}

void DefaultZipPrintRB(RBTree* tree, RBTreeNode* node)
{
    if (node) PrintZipEntry((const ZipEntry*)node->key);
}

BSTree* CreateZipEntrySet(void)
{
    BSTree* set = BSTreeCreate();
    if (!set) return nullptr;
    BSTreeSetCompare(set, ZipEntryPathCompare);
    BSTreeSetPrintNode(set, DefaultZipPrint);
    BSTreeSetDestroyKey(set, ReleaseZipEntry);
    return set;
}

RBTree* CreateZipEntryRBSet(void)
{
    RBTree* set = RBTreeCreate();
    if (!set) return nullptr;
    set->compare = ZipEntryPathCompare;
    set->printNode = DefaultZipPrintRB;
    set->destroyKey = ReleaseZipEntry;
    return set;
}

// The probe record for a lookup: the path cut to 259 characters, separators converted.
static void MakeProbePath(char (&probe)[260], const char* path, int convertSeparators, char separator)
{
    CopyBounded(probe, sizeof probe, path);
    if (convertSeparators) ReplaceChar(probe, '/', separator);
}

int FindEntryInZipEntry(BSTree* set, const char* path, int caseSensitive, int convertSeparators, char separator)
{
    if (!set || set->count <= 0 || !set->root) {
        LogPrint(3, GApp.verbose, "!!!FindEntryInZipEntry xze is null");
        return 0;
    }
    if (!set->root->key || !path) {
        LogPrint(3, GApp.verbose, "!!!FindEntryInZipEntry path is null");
        return 0;
    }
    char copy[260];
    MakeProbePath(copy, path, convertSeparators, separator);
    BSTreeSetCompare(set, caseSensitive ? ZipEntryPathCompareCaseSense : ZipEntryPathCompare);
    ZipEntry probe = {copy, nullptr, 0};
    BSTreeNode* node = BSTreeSearch(set, &probe);
    if (!node) {
        LogPrint(9, GApp.verbose, "FindEntryInZipEntry returns false entry not found: %s", copy);
        return 0;
    }
    // Each member is matched once during a pass over the archive.
    BSTreeDeleteNode(set, node);
    LogPrint(9, GApp.verbose, "FindEntryInZipEntry returns true found entry: %s", copy);
    return 1;
}

int FindEntryInZipEntryRBTree(RBTree* set, const char* path, int caseSensitive, int convertSeparators,
                              char separator, char* newName, size_t newNameSize)
{
    if (!set || !path) return 0;
    char copy[260];
    MakeProbePath(copy, path, convertSeparators, separator);
    set->compare = caseSensitive ? ZipEntryPathCompareCaseSense : ZipEntryPathCompare;
    ZipEntry probe = {copy, nullptr, 0};
    RBTreeNode* node = RBTreeSearch(set, &probe);
    int found = node ? 1 : 0;
    if (found && newName && newNameSize >= 1) {
        const ZipEntry* ze = (const ZipEntry*)node->key;
        CopyBounded(newName, newNameSize, ze->newEntry);
    }
    LogPrint(5, GApp.verbose, found ? "FindEntryInZipEntryRBTree (found) %s -- %s fnd %d"
                                    : "FindEntryInZipEntryRBTree (not found) %s -- %s fnd %d",
             path, copy, found);
    return found;
}
