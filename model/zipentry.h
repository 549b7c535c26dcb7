// Member selection records (ZipEntry) and their sets, handed to the extracting and
// modifying engines. A set owns its records; records own their strings (malloc'ed).
#pragma once
#include <cstddef>
#include <cstdint>

struct BSTree;
struct RBTree;

struct ZipEntry {
    char* entry;     // the member's key or name as found
    char* newEntry;  // the member's new name for rename or move; may be null
    int32_t number;  // row index, or a running number from 1 when built from folder keys
};

// New record with copies of entry and newEntry (either may be null; copies are cut to 259
// characters). Null without memory. Released with ReleaseZipEntry.
ZipEntry* CreateZipEntry(const char* entry, const char* newEntry, int number);
// Frees both strings and the record; accepts null. Fits the sets' destroyKey (void*).
void ReleaseZipEntry(void* zipEntry);
// Number of ZipEntry records created and not yet released (diagnostics and tests).
long ZipEntryLiveCount(void);

// Empty BSTree / RBTree sets with ZipEntryPathCompare, DefaultZipPrint and ReleaseZipEntry.
// Null without memory; released with BSTreeDestroy / RBTreeDestroy.
BSTree* CreateZipEntrySet(void);
RBTree* CreateZipEntryRBSet(void);
// Print callbacks of both set kinds: "DefaultZipPrint: entry: %s, newEntry: %s, #: %d\n", or
// without newEntry "DefaultZipPrint: entry: %s, #: %d \n".
void DefaultZipPrint(BSTree* tree, struct BSTreeNode* node);
void DefaultZipPrintRB(RBTree* tree, struct RBTreeNode* node);

// Looks path up in a BSTree set (at most 259 characters; with convertSeparators every '/'
// becomes separator) with the case-sensitive or -insensitive entry compare. A found record is
// removed from the set, so each member matches once. Returns 1 found, 0 not (also for a null
// or empty set).
int FindEntryInZipEntry(BSTree* set, const char* path, int caseSensitive, int convertSeparators, char separator);
// The same on a red-black set without removing the record. When found and newName is given
// with newNameSize >= 1, the record's newEntry (or "" when it has none) is copied into it, cut
// to fit. Returns 1 found, 0 not.
int FindEntryInZipEntryRBTree(RBTree* set, const char* path, int caseSensitive, int convertSeparators,
                              char separator, char* newName, size_t newNameSize);
