#include "model/backgroundjob.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "config/log.h"
#include "model/appstate.h"
#include "model/rbtree.h"

static RBTree* GBackgroundJobTree = nullptr;
static int GRepaintThreadRunning = 0;  // guarded by the job lock

// Recursive: the tree's release callback reads the tree while a watcher holds the lock.
static std::recursive_mutex& JobLock()
{
    static std::recursive_mutex lock;
    return lock;
}

// Creates the tree on first use; caller holds the lock.
static RBTree* JobTree()
{
    if (!GBackgroundJobTree) {
        GBackgroundJobTree = RBTreeCreate();
        if (GBackgroundJobTree) {
            GBackgroundJobTree->compare = BackgroundJobCompare;
            GBackgroundJobTree->printNode = DefaultBackgroundJobPrint;
            GBackgroundJobTree->destroyKey = DefaultIZipWorkDirectoryTreeDelete;
        }
    }
    return GBackgroundJobTree;
}

static const char* StatusTextOf(const BackgroundJobEntry* entry)
{
    const char* text = entry->statusText ? entry->statusText(entry->head.job) : nullptr;
    return text ? text : "";
}

void DefaultBackgroundJobPrint(RBTree* tree, RBTreeNode* node)
{
    if (!node || !node->key) return;
    const BackgroundJobEntry* entry = static_cast<const BackgroundJobEntry*>(node->key);
    std::printf("number %d: silentstring %s -- ", entry->head.number, StatusTextOf(entry));
    std::fflush(stdout);
}

void DefaultIZipWorkDirectoryTreeDelete(void* data)
{
    if (!data) {
        LogLine("DefaultIZipWorkDirectoryTreeDelete data is already deleted(null)");
        return;
    }
    BackgroundJobEntry* entry = static_cast<BackgroundJobEntry*>(data);
    if (entry->head.thread) CloseHandle(entry->head.thread);
    entry->head.thread = nullptr;
    std::printf("ZipWorkDirectoryThreadWatcher finished count: %d\n",
                GBackgroundJobTree ? GBackgroundJobTree->count : 0);
    std::fflush(stdout);
    if (entry->head.job && entry->releaseJob) entry->releaseJob(entry->head.job);
    entry->head.job = nullptr;
    std::free(entry);
    LogLine("DefaultIZipWorkDirectoryTreeDelete data deleted");
}

// Smallest non-negative number no entry holds; caller holds the lock.
static int SmallestFreeNumber(RBTree* tree)
{
    int candidate = 0;
    for (RBTreeNode* node = RBTreeFirst(tree); node != tree->nil; node = RBTreeSuccessor(tree, node)) {
        int number = static_cast<const BackgroundJobEntry*>(node->key)->head.number;
        if (number == candidate) candidate++;
        else if (number > candidate) break;
    }
    return candidate;
}

struct WatcherStart {
    HANDLE thread;  // the watcher's own duplicate of the job's thread handle
    int number;     // -1: the entry never made it into the tree, nothing to watch
};

static DWORD WINAPI BackgroundJobWatcherThread(LPVOID param)
{
    WatcherStart* start = static_cast<WatcherStart*>(param);
    int number = start->number;
    if (number >= 0) WaitForSingleObject(start->thread, INFINITE);
    CloseHandle(start->thread);
    std::free(start);
    if (number < 0) return 0;

    std::lock_guard<std::recursive_mutex> guard(JobLock());
    BackgroundJob probe = {nullptr, nullptr, number};
    RBTreeNode* node = RBTreeSearch(GBackgroundJobTree, &probe);
    if (node) {
        std::printf("found node delete them %d\n", number);
        std::fflush(stdout);
        RBTreeDelete(GBackgroundJobTree, node);
    } else {
        std::printf("Should not happen - node not found!! => %d\n", number);
        std::fflush(stdout);
        RBTreeWalk(GBackgroundJobTree);
    }
    return 0;
}

// Repaints the main window once a second while jobs run, so their state shows.
static DWORD WINAPI BackgroundJobRepaintThread(LPVOID)
{
    for (;;) {
        {
            std::lock_guard<std::recursive_mutex> guard(JobLock());
            if (!GBackgroundJobTree || GBackgroundJobTree->count == 0) {
                GRepaintThreadRunning = 0;
                return 0;
            }
        }
        Sleep(1000);
        if (GApp.hwndMain) RedrawWindow(GApp.hwndMain, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

int StartBackgroundJob(HANDLE thread, void* job, void (*releaseJob)(void* job),
                       const char* (*statusText)(const void* job))
{
    if (!thread) return -1;
    BackgroundJobEntry* entry = static_cast<BackgroundJobEntry*>(std::calloc(1, sizeof(BackgroundJobEntry)));
    WatcherStart* start = static_cast<WatcherStart*>(std::calloc(1, sizeof(WatcherStart)));
    HANDLE process = GetCurrentProcess();
    if (!entry || !start ||
        !DuplicateHandle(process, thread, process, &start->thread, SYNCHRONIZE, FALSE, 0)) {
        std::free(entry);
        std::free(start);
        return -1;
    }
    // Suspended until the entry is in the tree, so the watcher always finds it.
    HANDLE watcher = CreateThread(nullptr, 0, BackgroundJobWatcherThread, start, CREATE_SUSPENDED, nullptr);
    if (!watcher) {
        CloseHandle(start->thread);
        std::free(start);
        std::free(entry);
        return -1;
    }

    int number = -1;
    int startRepaint = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(JobLock());
        RBTree* tree = JobTree();
        if (tree) {
            entry->head.thread = thread;
            entry->head.job = job;
            entry->head.number = SmallestFreeNumber(tree);
            entry->releaseJob = releaseJob;
            entry->statusText = statusText;
            if (RBTreeInsert(tree, &entry->head, nullptr)) {
                number = entry->head.number;
                if (!GRepaintThreadRunning) startRepaint = GRepaintThreadRunning = 1;
            }
        }
    }
    start->number = number;  // -1 lets the watcher end at once
    ResumeThread(watcher);
    CloseHandle(watcher);
    if (number < 0) {
        std::free(entry);
        return -1;
    }

    if (startRepaint) {
        HANDLE repaint = CreateThread(nullptr, 0, BackgroundJobRepaintThread, nullptr, 0, nullptr);
        if (repaint) {
            CloseHandle(repaint);
        } else {
            std::lock_guard<std::recursive_mutex> guard(JobLock());
            GRepaintThreadRunning = 0;
        }
    }
    return number;
}

int BackgroundJobCount(void)
{
    std::lock_guard<std::recursive_mutex> guard(JobLock());
    return GBackgroundJobTree ? GBackgroundJobTree->count : 0;
}

void BackgroundJobForEach(void (*visit)(void* userData, const BackgroundJobEntry* entry), void* userData)
{
    if (!visit) return;
    std::lock_guard<std::recursive_mutex> guard(JobLock());
    RBTree* tree = GBackgroundJobTree;
    if (!tree) return;
    for (RBTreeNode* node = RBTreeFirst(tree); node != tree->nil; node = RBTreeSuccessor(tree, node))
        visit(userData, static_cast<const BackgroundJobEntry*>(node->key));
}
