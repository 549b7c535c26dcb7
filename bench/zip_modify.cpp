// Times one deletion through the rewrite engine: bench_zip_modify ARCHIVE MEMBER.
// Prints "kelvora_delete_ms <milliseconds> entries <n> result <code>" for bench/run_zip_modify.sh.
#include <windows.h>

#include <cstdio>

#include "config/log.h"
#include "model/appstate.h"
#include "model/rbtree.h"
#include "model/strutil.h"
#include "model/zipentry.h"
#include "zip/modify.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: bench_zip_modify ARCHIVE MEMBER\n");
        return 2;
    }
    SetCompressionMethod(CM_ZIP);
    char key[260];
    CopyBounded(key, sizeof key, argv[2]);
    ReplaceChar(key, '/', '\\');
    RBTree* set = CreateZipEntryRBSet();
    if (!set || !RBTreeInsert(set, CreateZipEntry(key, nullptr, 1), nullptr)) return 2;
    RewriteOutcome outcome;
    double start = GetMilliseconds();
    int result = DeleteFilesFromZIPRBTree(argv[1], set, 0, 0, &outcome);
    double elapsed = GetMilliseconds() - start;
    RBTreeDestroy(&set);
    printf("kelvora_delete_ms %.0f entries %lld result %d\n", elapsed, (long long)outcome.entries, result);
    return result == REWRITE_DONE ? 0 : 1;
}
