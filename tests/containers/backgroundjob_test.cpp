// Background job tree: numbering by the smallest free number, the entry released after the
// job's thread ends, order of the entries.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "model/backgroundjob.h"
#include "support/testsupport.h"

namespace {

// The job record of the tests: the event its thread waits for and its release mark.
struct FakeJob {
    HANDLE finish;
    std::atomic<int> released;
    char status[32];
};

std::atomic<int> gReleases{0};

void ReleaseFakeJob(void* job)
{
    // Only marked, not freed: the test reads the mark after the tree let go of the record.
    static_cast<FakeJob*>(job)->released++;
    gReleases++;
}

const char* FakeJobStatus(const void* job)
{
    return static_cast<const FakeJob*>(job)->status;
}

DWORD WINAPI FakeJobThread(LPVOID param)
{
    WaitForSingleObject(static_cast<FakeJob*>(param)->finish, INFINITE);
    return 0;
}

struct RunningJob {
    FakeJob* job;
    int number;
};

RunningJob StartFakeJob(const char* status)
{
    FakeJob* job = new FakeJob();
    job->finish = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    snprintf(job->status, sizeof job->status, "%s", status);
    HANDLE thread = CreateThread(nullptr, 0, FakeJobThread, job, 0, nullptr);
    int number = StartBackgroundJob(thread, job, ReleaseFakeJob, FakeJobStatus);
    return {job, number};
}

bool WaitReleased(const FakeJob* job)
{
    return PumpMessagesUntil([job] { return job->released.load() > 0; });
}

void FinishAndWait(const RunningJob& r)
{
    SetEvent(r.job->finish);
    ASSERT_TRUE(WaitReleased(r.job)) << "job " << r.number << " was not released after its thread ended";
    EXPECT_EQ(r.job->released.load(), 1) << "job " << r.number << " released more than once";
    CloseHandle(r.job->finish);
    delete r.job;
}

std::vector<int> NumbersInTree()
{
    std::vector<int> numbers;
    BackgroundJobForEach([](void* user, const BackgroundJobEntry* e) { static_cast<std::vector<int>*>(user)->push_back(e->head.number); },
                         &numbers);
    return numbers;
}

}  // namespace

TEST(BackgroundJob, NumbersReuseTheSmallestFreeNumber)
{
    ASSERT_EQ(BackgroundJobCount(), 0);
    std::vector<RunningJob> jobs;
    for (int i = 0; i < 4; i++) {
        jobs.push_back(StartFakeJob("running"));
        EXPECT_EQ(jobs.back().number, i) << "fresh numbers count up from 0";
    }
    FinishAndWait(jobs[1]);
    FinishAndWait(jobs[2]);
    EXPECT_EQ(NumbersInTree(), (std::vector<int>{0, 3}));
    RunningJob again = StartFakeJob("again");
    EXPECT_EQ(again.number, 1) << "the smallest number not in use";
    RunningJob next = StartFakeJob("next");
    EXPECT_EQ(next.number, 2);
    RunningJob after = StartFakeJob("after");
    EXPECT_EQ(after.number, 4);
    EXPECT_EQ(NumbersInTree(), (std::vector<int>{0, 1, 2, 3, 4}));
    for (const RunningJob& r : {jobs[0], jobs[3], again, next, after}) FinishAndWait(r);
    EXPECT_TRUE(PumpMessagesUntil([] { return BackgroundJobCount() == 0; }));
}

TEST(BackgroundJob, EntriesAreDeletedWhenTheirThreadsEndInAnyOrder)
{
    // Many jobs ending in shuffled order: each watcher must find its own entry by number even
    // when the tree has rotated around it.
    std::vector<RunningJob> jobs;
    for (int i = 0; i < 24; i++) jobs.push_back(StartFakeJob("job"));
    EXPECT_EQ(BackgroundJobCount(), 24);
    std::shuffle(jobs.begin(), jobs.end(), std::mt19937(11));
    int before = gReleases.load();
    for (size_t i = 0; i < jobs.size(); i++) {
        FinishAndWait(jobs[i]);
        EXPECT_TRUE(PumpMessagesUntil([&] { return BackgroundJobCount() == static_cast<int>(jobs.size() - i - 1); }))
            << "after ending " << i + 1 << " jobs";
    }
    EXPECT_EQ(gReleases.load() - before, 24);
}

TEST(BackgroundJob, EntriesShowNumberAndStatusText)
{
    RunningJob a = StartFakeJob("packing a.zip");
    RunningJob b = StartFakeJob("packing b.zip");
    std::string seen;
    BackgroundJobForEach(
        [](void* user, const BackgroundJobEntry* e) {
            *static_cast<std::string*>(user) += std::to_string(e->head.number) + ":" + e->statusText(e->head.job) + ";";
        },
        &seen);
    EXPECT_EQ(seen, "0:packing a.zip;1:packing b.zip;");
    FinishAndWait(a);
    FinishAndWait(b);
}

TEST(BackgroundJob, RefusesAMissingThread)
{
    FakeJob job{};
    EXPECT_EQ(StartBackgroundJob(nullptr, &job, ReleaseFakeJob, FakeJobStatus), -1);
    EXPECT_EQ(job.released.load(), 0) << "a refused job stays with the caller";
    DefaultIZipWorkDirectoryTreeDelete(nullptr);  // only reported
}
