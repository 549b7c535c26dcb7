// The background job tree: archive jobs that run without progress dialog. One process-wide
// red-black tree, created on first use, holds one entry per running job; a watcher thread per
// job removes the entry when the job's thread ends. All access goes through these functions,
// which take one process-wide lock (watchers and the window thread share the tree).
#pragma once
#include <windows.h>

#include "model/compare.h"

struct RBTree;
struct RBTreeNode;

// Element of the tree: BackgroundJob first (BackgroundJobCompare reads it through the same
// pointer), then how to release and describe the job record, which is opaque here.
struct BackgroundJobEntry {
    BackgroundJob head;                        // thread handle, job record, number
    void (*releaseJob)(void* job);             // clears and frees the job record; may be null
    const char* (*statusText)(const void* job);  // the job's status text; may be null
};

// Records a running job: inserts an entry numbered with the smallest free number and starts
// a watcher thread that waits for thread to end and then deletes the entry (closing thread
// and releasing job). Starts the repaint thread when none runs. Returns the number (from 0);
// the tree then owns thread and job. -1 on failure: the caller keeps both.
int StartBackgroundJob(HANDLE thread, void* job, void (*releaseJob)(void* job),
                       const char* (*statusText)(const void* job));
// Number of running jobs (0 before the tree exists).
int BackgroundJobCount(void);
// Calls visit for every entry in ascending number order, under the tree's lock: visit must
// not start or end jobs and must not keep the pointer.
void BackgroundJobForEach(void (*visit)(void* userData, const BackgroundJobEntry* entry), void* userData);

// destroyKey of the tree: closes the thread handle, releases the job record and frees the
// entry (a BackgroundJobEntry); a null element is only reported.
void DefaultIZipWorkDirectoryTreeDelete(void* data);
// printNode of the tree: "number %d: silentstring %s -- ".
void DefaultBackgroundJobPrint(RBTree* tree, RBTreeNode* node);
