// Listing archives of other tools into a real list view, compared with what Python's zipfile
// reads from the same files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "app/langtext.h"
#include "model/appstate.h"
#include "model/liststruct.h"
#include "support/testsupport.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/enginehooks.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"
#include "ziptestsupport.h"

namespace {

std::string DateOf(const liststruct* rec)
{
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", rec->modified.wYear, rec->modified.wMonth,
             rec->modified.wDay, rec->modified.wHour, rec->modified.wMinute);
    return text;
}

// Records what the listing asks of the rest of the program.
struct HookLog {
    int afterOpen = 0;
    int recent = 0;
    int totals = 0;
    int64_t totalFiles = -1;
    int protection = -1;
    std::string recentPath;
};
HookLog gHooks;

void InstallRecordingHooks()
{
    gHooks = HookLog();
    GZipHooks = ZipEngineHooks();
    GZipHooks.afterOpen = [](ListingJob*) { gHooks.afterOpen++; };
    GZipHooks.addToRecent = [](const char* path) {
        gHooks.recent++;
        gHooks.recentPath = path;
    };
    GZipHooks.showTotals = [](int64_t files, int64_t, int64_t) {
        gHooks.totals++;
        gHooks.totalFiles = files;
    };
    GZipHooks.setProtectionToolTip = [](int on) { gHooks.protection = on; };
}

struct HooksReset {
    HooksReset() { InstallRecordingHooks(); }
    ~HooksReset() { GZipHooks = ZipEngineHooks(); }
};

}  // namespace

TEST(ZipListing, RowsTotalsAndDatesMatchPythonsReading)
{
    const char* archives[] = {
        "zip_stored.zip", "zip_deflated.zip", "zip_nodirs.zip", "zip_encrypted.zip", "zip_encrypted_flat.zip",
        "zip_onlydirs.zip", "py_oem_names.zip", "py_mixed_methods.zip", "py_zip64_big.zip", "7z_bzip2.zip",
        "7z_lzma.zip", "7z_aes.zip", "hostile.zip", "longname.zip", "badcrc_stored.zip", "overlong.zip",
        "py_utf8_names.zip", "py_cp437_raw.zip", "py_unicode_field.zip", "infozip_utf8_names.zip", "7z_utf8_names.zip",
    };
    HooksReset hooks;
    ScopedPromptScript script;
    for (const char* archive : archives) {
        ExpectedListing expected;
        ASSERT_TRUE(LoadExpectedListing(archive, &expected)) << archive;
        TestListHost host;
        ListingJob job;
        InitListingJob(&job, FixturePath(archive).c_str(), host.list, nullptr, nullptr);
        GApp.busy.store(1);
        GApp.busyOpen.store(1);
        ASSERT_EQ(0, RunListingThread(&job)) << archive;
        EXPECT_EQ(0, GApp.busy.load()) << archive;
        EXPECT_EQ(0, GApp.busyOpen.load()) << archive;

        ASSERT_EQ((int)expected.members.size(), host.RowCount()) << archive;
        for (int i = 0; i < host.RowCount(); ++i) {
            const ExpectedMember& m = expected.members[i];
            const liststruct* rec = host.Row(i);
            ASSERT_NE(nullptr, rec) << archive << " row " << i;
            EXPECT_EQ(m.name, host.RowName(i)) << archive << " row " << i;
            EXPECT_EQ(m.uncompressed, rec->uncompressed) << archive << " " << m.name;
            EXPECT_EQ(m.compressed, rec->compressed) << archive << " " << m.name;
            EXPECT_EQ(m.date, DateOf(rec)) << archive << " " << m.name;
            EXPECT_EQ(m.encrypted ? 1 : 0, IsListedRowEncrypted(i)) << archive << " " << m.name;
        }
        EXPECT_EQ(expected.files, GApp.listTotals.rows) << archive;
        EXPECT_EQ(expected.compressed, GApp.listTotals.compressed) << archive;
        EXPECT_EQ(expected.uncompressed, GApp.listTotals.uncompressed) << archive;
        EXPECT_EQ(expected.files, gHooks.totalFiles) << archive;
        // An archive with rows is handed to the post-open step and the recent files.
        EXPECT_EQ(expected.files > 0 ? 1 : 0, gHooks.afterOpen) << archive;
        gHooks.afterOpen = 0;
    }
    EXPECT_EQ(0, ScriptedQuestionCount()) << "listing asks nothing";
}

TEST(ZipListing, MoreThan65535EntriesFromZip64)
{
    HooksReset hooks;
    ExpectedListing expected;
    ASSERT_TRUE(LoadExpectedListing("py_zip64_many.zip", &expected));
    ASSERT_GT(expected.files, 65535);
    TestListHost host;
    ListingJob job;
    InitListingJob(&job, FixturePath("py_zip64_many.zip").c_str(), host.list, nullptr, nullptr);
    ASSERT_EQ(0, RunListingThread(&job));
    ASSERT_EQ(expected.files, (int64_t)host.RowCount());
    EXPECT_EQ(expected.files, GApp.listTotals.rows);
    EXPECT_EQ(expected.uncompressed, GApp.listTotals.uncompressed);
    for (int i : {0, 1, 65535, 65536, (int)expected.files - 1}) {
        EXPECT_EQ(expected.members[i].name, host.RowName(i)) << "row " << i;
        EXPECT_EQ(expected.members[i].uncompressed, host.Row(i)->uncompressed) << "row " << i;
    }
    EXPECT_EQ(1, gHooks.recent);
    EXPECT_EQ(std::string(job.archivePath), gHooks.recentPath);
}

TEST(ZipListing, ProtectionFlagAndToolTipComeFromTheFirstEntry)
{
    HooksReset hooks;
    struct { const char* archive; int flag; } cases[] = {
        {"zip_encrypted_flat.zip", 1}, {"zip_encrypted.zip", 0}, {"zip_deflated.zip", 0},
    };
    for (auto& c : cases) {
        TestListHost host;
        ListingJob job;
        InitListingJob(&job, FixturePath(c.archive).c_str(), host.list, nullptr, nullptr);
        ASSERT_EQ(0, RunListingThread(&job)) << c.archive;
        EXPECT_EQ(c.flag, IsZipPasswordProtected()) << c.archive;
        EXPECT_EQ(c.flag, gHooks.protection) << c.archive;
    }
    ResetZipPasswordProtected();
}

TEST(ZipListing, FilesThatCannotBeOpenedShowTheMessage)
{
    HooksReset hooks;
    for (const char* archive : {"notazip.zip", "empty.zip", "truncated_half.zip", "does_not_exist.zip"}) {
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        TestListHost host;
        ListingJob job;
        InitListingJob(&job, FixturePath(archive).c_str(), host.list, nullptr, nullptr);
        GApp.busy.store(1);
        GApp.busyOpen.store(1);
        EXPECT_EQ(1, RunListingThread(&job)) << archive;
        EXPECT_EQ(0, host.RowCount()) << archive;
        EXPECT_EQ(0, GApp.busy.load()) << archive;
        EXPECT_EQ(0, GApp.busyOpen.load()) << archive;
        EXPECT_EQ(0, gHooks.afterOpen) << archive;
        ASSERT_EQ(1, ScriptedQuestionCount()) << archive;
        PromptQuestion q;
        GetScriptedQuestion(0, &q);
        char want[600];
        snprintf(want, sizeof want, "%s \"%s\" %s", GetMessageText(35), job.archivePath, GetMessageText(36));
        EXPECT_STREQ(want, q.text) << archive;
        EXPECT_STREQ(GetMessageText(94), q.caption) << archive;
        EXPECT_EQ((UINT)(MB_OK | MB_ICONSTOP | MB_TOPMOST), q.type) << archive;
    }
}

TEST(ZipListing, AnArchiveHeldTooLongShowsTheSystemsSharingText)
{
    HooksReset hooks;
    std::string folder = MakeTempFolder("listheld");
    std::string copy = folder + "\\held.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("zip_stored.zip").c_str(), copy.c_str(), FALSE));
    HANDLE h = CreateFileA(copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ScopedPromptScript script;
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    TestListHost host;
    ListingJob job;
    InitListingJob(&job, copy.c_str(), host.list, nullptr, nullptr);
    EXPECT_EQ(1, RunListingThread(&job));
    CloseHandle(h);
    ASSERT_EQ(1, ScriptedQuestionCount());
    PromptQuestion q;
    GetScriptedQuestion(0, &q);
    char head[600];
    snprintf(head, sizeof head, "%s \"%s\" %s:\n", GetMessageText(35), copy.c_str(), GetMessageText(36));
    EXPECT_EQ(0, strncmp(q.text, head, strlen(head))) << q.text;
    EXPECT_GT(strlen(q.text), strlen(head)) << "the system's text follows";
    EXPECT_EQ(0u, GetZipLastSystemError()) << "the listing clears the slot";
    RemoveFolderTree(folder);
}

TEST(ZipListing, CancellingALongListingLeavesAnEmptyList)
{
    HooksReset hooks;
    TestListHost host;
    ListingJob job;
    InitListingJob(&job, FixturePath("py_zip64_many.zip").c_str(), host.list, nullptr, nullptr);
    job.progressDelayMs = 0;  // the late dialog comes at once
    std::atomic<int> stop{0};
    std::thread canceller([&] {
        while (!stop.load() && !GetProgressDialog()) Sleep(1);
        if (!stop.load()) SetCanceledByUser(1);
    });
    int rc = RunListingThread(&job);
    stop.store(1);
    canceller.join();
    EXPECT_EQ(0, rc);
    EXPECT_EQ(1, job.cancelled);
    EXPECT_EQ(0, host.RowCount());
    EXPECT_EQ(0, GApp.listTotals.rows);
    EXPECT_EQ(0, gHooks.afterOpen);
    EXPECT_EQ(0, GetEncryptedRowCount());
    PumpMessagesUntil([] { return GetProgressDialog() == nullptr; }, 5000);
    SetCanceledByUser(0);
}
