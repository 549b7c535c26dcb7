// Archives without members (nothing but the end record, perhaps with a comment): made by
// Python's zipfile and by Info-ZIP zip after deleting the only member. They open, list, test
// and extract as archives of no entries, in the engine and in kelvora-cli; end records that
// are damaged are refused as before.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/appstate.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "zip/enginehooks.h"
#include "zip/extract.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"
#include "ziptestsupport.h"

namespace {

struct EmptyArchive {
    const char* archive;
    const char* comment;
};
const EmptyArchive kEmpty[] = {
    {"empty_python.zip", ""},
    {"empty_infozip.zip", ""},
    {"empty_comment.zip", "an archive without members"},
};
// An end record claiming a member it does not have; an archive comment cut short.
const char* const kDamaged[] = {"empty_claims_one.zip", "empty_cut_comment.zip"};

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// kelvora-cli beside the test program, with its standard output and error.
struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

CliRun RunCli(const std::string& arguments)
{
    CliRun r;
    r.code = RunCapturingOutput(Quoted(TestProgramFolder() + "\\kelvora-cli.exe") + " " + arguments, &r.out, &r.err);
    return r;
}

// What the listing hands to the rest of the program.
struct ListingSeen {
    int afterOpen = 0;
    int recent = 0;
    int totals = 0;
    int64_t files = -1, compressed = -1, uncompressed = -1;
};
ListingSeen gSeen;

struct RecordingHooks {
    RecordingHooks()
    {
        gSeen = ListingSeen();
        GZipHooks = ZipEngineHooks();
        GZipHooks.afterOpen = [](ListingJob*) { gSeen.afterOpen++; };
        GZipHooks.addToRecent = [](const char*) { gSeen.recent++; };
        GZipHooks.showTotals = [](int64_t files, int64_t compressed, int64_t uncompressed) {
            gSeen.totals++;
            gSeen.files = files;
            gSeen.compressed = compressed;
            gSeen.uncompressed = uncompressed;
        };
    }
    ~RecordingHooks() { GZipHooks = ZipEngineHooks(); }
};

}  // namespace

TEST(EmptyArchive, TheReaderOpensItWithNoEntriesAndItsComment)
{
    for (const EmptyArchive& c : kEmpty) {
        SCOPED_TRACE(c.archive);
        // Python reads it as an archive of no entries.
        ExpectedListing expected;
        ASSERT_TRUE(LoadExpectedListing(c.archive, &expected));
        EXPECT_EQ(0, expected.entries);
        unzFile uf = MyWaitunzOpen2_64(FixturePath(c.archive).c_str(), 0);
        ASSERT_NE(nullptr, uf);
        EXPECT_EQ(UNZ_R_OK, UnzLastOpenError);
        unz_global_info64 gi = {};
        ASSERT_EQ(UNZ_OK, unzGetGlobalInfo64(uf, &gi));
        EXPECT_EQ(0u, gi.number_entry);
        EXPECT_EQ(strlen(c.comment), gi.size_comment);
        char comment[100] = "";
        int got = unzGetGlobalComment(uf, comment, sizeof comment - 1);
        EXPECT_EQ((int)strlen(c.comment), got);
        EXPECT_EQ(std::string(c.comment), std::string(comment, got > 0 ? (size_t)got : 0));
        EXPECT_EQ(UNZ_END_OF_LIST_OF_FILE, ZipGoToFirstEntry(uf)) << "an empty archive is not a damaged one";
        EXPECT_NE(UNZ_OK, unzLocateFile(uf, "anything.txt", 0));
        unzClose(uf);

        int64_t compressed = -1, uncompressed = -1, files = -1, directories = -1;
        char props[100] = "x";
        ASSERT_EQ(0, GetZipProperties(FixturePath(c.archive).c_str(), &compressed, &uncompressed, &files,
                                      &directories, props, sizeof props));
        EXPECT_EQ(0, compressed + uncompressed + files + directories);
        EXPECT_STREQ(c.comment, props);

        SetZipPasswordProtected(1);
        EXPECT_EQ(1, ZipCheckArchiveProtection(FixturePath(c.archive).c_str()));
        EXPECT_EQ(0, IsZipPasswordProtected());
    }
}

TEST(EmptyArchive, DamagedEndRecordsAreStillRefused)
{
    for (const char* archive : kDamaged) {
        SCOPED_TRACE(archive);
        unzFile uf = MyWaitunzOpen2_64(FixturePath(archive).c_str(), 0);
        EXPECT_EQ(nullptr, uf);
        if (uf) unzClose(uf);
        EXPECT_EQ(UNZ_R_BADZIP, UnzLastOpenError);
        int64_t a, b, c, d;
        char comment[10];
        EXPECT_EQ(1, GetZipProperties(FixturePath(archive).c_str(), &a, &b, &c, &d, comment, sizeof comment));
        ExtractionContext ctx;
        InitExtractionContext(&ctx);
        std::vector<std::string> reports;
        ctx.reportData = &reports;
        ctx.report = [](ExtractionContext* x, const char* text) {
            ((std::vector<std::string>*)x->reportData)->push_back(text);
        };
        EXPECT_EQ(EXTRACT_FAILED, TestZipArchive(FixturePath(archive).c_str(), &ctx));
        ASSERT_EQ(1u, reports.size());
        EXPECT_NE(std::string::npos, reports[0].find("cannot be opened")) << reports[0];
    }
}

TEST(EmptyArchive, TheListingShowsNoRowsZeroTotalsAndNoMessage)
{
    for (const EmptyArchive& c : kEmpty) {
        SCOPED_TRACE(c.archive);
        RecordingHooks hooks;
        ScopedPromptScript script;
        TestListHost host;
        ListingJob job;
        InitListingJob(&job, FixturePath(c.archive).c_str(), host.list, nullptr, nullptr);
        GApp.busy.store(1);
        GApp.busyOpen.store(1);
        GApp.listTotals = ArchiveTotals{5, 6, 7};
        ASSERT_EQ(0, RunListingThread(&job)) << "the archive opens";
        EXPECT_EQ(0, host.RowCount());
        EXPECT_EQ(0, job.listed);
        EXPECT_EQ(0, job.cancelled);
        EXPECT_EQ(0, ScriptedQuestionCount()) << "no message";
        EXPECT_EQ(1, gSeen.totals);
        EXPECT_EQ(0, gSeen.files);
        EXPECT_EQ(0, gSeen.compressed);
        EXPECT_EQ(0, gSeen.uncompressed);
        EXPECT_EQ(0, GApp.listTotals.rows);
        EXPECT_EQ(0, GApp.listTotals.compressed);
        EXPECT_EQ(0, GApp.listTotals.uncompressed);
        // Only an archive whose listing shows members is remembered and handed on.
        EXPECT_EQ(0, gSeen.recent);
        EXPECT_EQ(0, gSeen.afterOpen);
        EXPECT_EQ(0, GApp.busy.load());
        EXPECT_EQ(0, GApp.busyOpen.load());
    }
    for (const char* archive : kDamaged) {
        SCOPED_TRACE(archive);
        RecordingHooks hooks;
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        TestListHost host;
        ListingJob job;
        InitListingJob(&job, FixturePath(archive).c_str(), host.list, nullptr, nullptr);
        EXPECT_EQ(1, RunListingThread(&job));
        EXPECT_EQ(1, ScriptedQuestionCount()) << "the cannot-be-opened message";
        EXPECT_EQ(0, gSeen.totals);
    }
}

TEST(EmptyArchive, TestingAndExtractingFindNothingToDo)
{
    for (const EmptyArchive& c : kEmpty) {
        SCOPED_TRACE(c.archive);
        ScopedPromptScript script;
        ExtractionContext ctx;
        InitExtractionContext(&ctx);
        EXPECT_EQ(EXTRACT_DONE, TestZipArchive(FixturePath(c.archive).c_str(), &ctx));
        EXPECT_EQ(0, ctx.written);
        EXPECT_EQ(0, ctx.failed);

        std::string target = MakeTempFolder("empty_x");
        InitExtractionContext(&ctx);
        snprintf(ctx.targetFolder, sizeof ctx.targetFolder, "%s", target.c_str());
        std::vector<std::string> reports;
        ctx.reportData = &reports;
        ctx.report = [](ExtractionContext* x, const char* text) {
            ((std::vector<std::string>*)x->reportData)->push_back(text);
        };
        EXPECT_EQ(EXTRACT_DONE, ExtractZipFilesFromList(nullptr, FixturePath(c.archive).c_str(), 0, 1, "", &ctx, 1, 1, 0));
        EXPECT_TRUE(reports.empty()) << reports[0];
        EXPECT_EQ(0, ctx.written + ctx.folders + ctx.failed + ctx.refused);
        EXPECT_TRUE(ListFilesBelow(target).empty());
        EXPECT_EQ(0, ScriptedQuestionCount());
        RemoveFolderTree(target);
    }
}

TEST(EmptyArchive, TheConsoleListsTestsAndExtractsNothing)
{
    for (const EmptyArchive& c : kEmpty) {
        SCOPED_TRACE(c.archive);
        std::string path = Quoted(FixturePath(c.archive));
        CliRun l = RunCli("l " + path);
        EXPECT_EQ(0, l.code) << l.err;
        EXPECT_EQ("", l.out);
        CliRun t = RunCli("t " + path);
        EXPECT_EQ(0, t.code) << t.err;
        EXPECT_EQ("", t.out);
        std::string root = MakeTempFolder("empty_clix");
        CliRun x = RunCli("x " + path + " -o " + Quoted(root + "\\out"));
        EXPECT_EQ(0, x.code) << x.err;
        EXPECT_EQ("", x.err);
        EXPECT_TRUE(ListFilesBelow(root).empty());
        RemoveFolderTree(root);
    }
    for (const char* archive : kDamaged) {
        SCOPED_TRACE(archive);
        for (const char* command : {"l ", "t "}) {
            CliRun r = RunCli(command + Quoted(FixturePath(archive)));
            EXPECT_EQ(2, r.code) << command;
            EXPECT_NE(std::string::npos, r.err.find("cannot be opened")) << command << r.err;
        }
        std::string root = MakeTempFolder("empty_clix");
        CliRun x = RunCli("x " + Quoted(FixturePath(archive)) + " -o " + Quoted(root + "\\out"));
        EXPECT_EQ(2, x.code);
        RemoveFolderTree(root);
    }
}
