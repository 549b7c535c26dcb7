// Extraction of archives written by other tools: byte for byte, with times, overwrite answers,
// refused names, damaged data, unsupported methods and files that are no archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/langtext.h"
#include "formats/formatops.h"
#include "model/bstree.h"
#include "model/zipentry.h"
#include "model/appstate.h"
#include "model/keys.h"
#include "model/liststruct.h"
#include "support/testsupport.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/enginehooks.h"
#include "zip/extract.h"
#include "zip/listing.h"
#include "zip/ziphelper.h"
#include "zip/zipnames.h"
#include <zlib.h>
#include "ziptestsupport.h"

namespace {

struct Collected {
    std::vector<std::string> lines;
};

void CollectReport(ExtractionContext* ctx, const char* message)
{
    ((Collected*)ctx->reportData)->lines.push_back(message);
}

// A sandbox folder with the target inside it, so that anything written next to the target
// shows up.
struct Sandbox {
    std::string root;
    std::string target;
    explicit Sandbox(const char* tag)
    {
        root = MakeTempFolder(tag);
        target = root + "\\target";
        CreateDirectoryA(target.c_str(), nullptr);
    }
    ~Sandbox() { RemoveFolderTree(root); }
};

struct ExtractRun {
    int result = 0;
    ExtractionContext ctx;
    Collected report;
};

// Extracts every entry of archive silently below target, with the report collected.
void ExtractAll(const std::string& archive, const std::string& target, ExtractRun* run, const char* pass = "")
{
    InitExtractionContext(&run->ctx);
    snprintf(run->ctx.targetFolder, sizeof run->ctx.targetFolder, "%s", target.c_str());
    run->ctx.report = CollectReport;
    run->ctx.reportData = &run->report;
    run->result = ExtractZipFilesFromList(nullptr, FixturePath(archive).c_str(), 0, 1, pass, &run->ctx, 1, 1, 0);
}

struct PasswordReset {
    PasswordReset() { ClearGlobalPassword(); ResetZipPasswordProtected(); }
    ~PasswordReset() { ClearGlobalPassword(); ResetZipPasswordProtected(); }
};

std::string FileText(const std::string& path)
{
    std::string text;
    ReadWholeFile(path, &text);
    return text;
}

}  // namespace

TEST(ZipExtract, InfoZipArchivesExtractByteForByteWithTheirTimes)
{
    PasswordReset reset;
    struct { const char* archive; const char* password; } cases[] = {
        {"zip_stored.zip", ""}, {"zip_deflated.zip", ""}, {"zip_nodirs.zip", ""}, {"zip_encrypted_flat.zip", "secret"},
        {"zip_encrypted.zip", "secret"},
    };
    for (auto& c : cases) {
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, c.password);
        Sandbox box("x_infozip");
        ExtractRun run;
        ExtractAll(c.archive, box.target, &run);
        EXPECT_EQ(EXTRACT_DONE, run.result) << c.archive;
        ExpectedListing expected;
        ASSERT_TRUE(LoadExpectedListing(c.archive, &expected)) << c.archive;
        EXPECT_EQ((int64_t)expected.members.size(), run.ctx.written) << c.archive;
        for (const ExpectedMember& m : expected.members) {
            std::string path = box.target + "\\" + m.name;
            for (char& ch : path)
                if (ch == '/') ch = '\\';
            std::string source = m.name;
            if (std::string(c.archive) == "zip_encrypted_flat.zip" && source == "readme.txt") source = "docs/readme.txt";
            std::string want;
            ASSERT_TRUE(ReadWholeFile(FixtureSourcePath(source), &want)) << c.archive << " " << source;
            EXPECT_TRUE(FileText(path) == want) << c.archive << " " << m.name << " differs from its source";
            // Modification time is the entry's DOS time, read back in local time.
            EXPECT_EQ(m.date, LocalWriteTime(path).substr(0, 16)) << c.archive << " " << m.name;
        }
        EXPECT_TRUE(run.report.lines.empty()) << c.archive << ": " << (run.report.lines.empty() ? "" : run.report.lines[0]);
        // Only the archive's own files were written: nothing beside the target.
        std::vector<std::string> all = ListFilesBelow(box.root);
        EXPECT_EQ(expected.members.size(), all.size()) << c.archive;
    }
}

TEST(ZipExtract, DirectoryEntriesAndFoldersOnDemand)
{
    Sandbox box("x_dirs");
    ExtractRun run;
    ExtractAll("zip_onlydirs.zip", box.target, &run);
    EXPECT_EQ(EXTRACT_DONE, run.result);
    for (const char* folder : {"empty_dir", "deep\\er\\est"})
        EXPECT_TRUE(FolderExists(box.target + "\\" + folder)) << folder;
    EXPECT_EQ(0, run.ctx.written);

    Sandbox nodirs("x_nodirs");
    ExtractAll("zip_nodirs.zip", nodirs.target, &run);
    EXPECT_EQ(EXTRACT_DONE, run.result);
    EXPECT_TRUE(FileExists(nodirs.target + "\\deep\\er\\est\\leaf.txt"));
}

TEST(ZipExtract, PythonArchivesOemNamesAndZip64)
{
    Sandbox box("x_python");
    ExtractRun run;
    ExtractAll("py_oem_names.zip", box.target, &run);
    EXPECT_EQ(EXTRACT_DONE, run.result);
    ExpectedListing expected;
    ASSERT_TRUE(LoadExpectedListing("py_oem_names.zip", &expected));
    for (const ExpectedMember& m : expected.members) {
        std::string path = box.target + "\\" + m.name;
        for (char& ch : path)
            if (ch == '/') ch = '\\';
        // Names are taken as stored: the same bytes name the file.
        EXPECT_TRUE(FileExists(path)) << m.name;
        EXPECT_EQ(m.uncompressed, (int64_t)FileText(path).size()) << m.name;
    }

    // Zip64 with a member over 4 GiB: every member reads whole with its CRC (nothing written).
    ExtractionContext ctx;
    InitExtractionContext(&ctx);
    Collected report;
    ctx.report = CollectReport;
    ctx.reportData = &report;
    EXPECT_EQ(EXTRACT_DONE, TestZipArchive(FixturePath("py_zip64_big.zip").c_str(), &ctx));
    EXPECT_EQ(3, ctx.written);
    EXPECT_TRUE(report.lines.empty());
}

TEST(ZipExtract, NamesThatLeaveTheTargetAreRefusedAndTheRestExtracted)
{
    Sandbox box("x_hostile");
    ExtractRun run;
    ExtractAll("hostile.zip", box.target, &run);
    EXPECT_EQ(EXTRACT_INCOMPLETE, run.result);
    EXPECT_EQ(5, run.ctx.refused);
    EXPECT_EQ(3, run.ctx.written);
    EXPECT_EQ(0, run.ctx.failed);
    ASSERT_EQ(5u, run.report.lines.size());
    for (const std::string& line : run.report.lines)
        EXPECT_NE(std::string::npos, line.find("leaves the target folder")) << line;
    std::vector<std::string> files = ListFilesBelow(box.root);
    std::vector<std::string> want = {"target/c.txt", "target/good.txt", "target/sub/ok.txt"};
    EXPECT_EQ(want, files) << "nothing outside the target folder";
    EXPECT_FALSE(FileExists("C:\\x.txt"));
    EXPECT_FALSE(FileExists("\\abs.txt"));
    EXPECT_FALSE(FileExists(box.root + "\\evil.txt"));
    EXPECT_FALSE(FileExists(box.root + "\\b.txt"));
}

TEST(ZipExtract, DamagedEntriesFailKeepTheirPartAndGetNoTime)
{
    struct {
        const char* archive;
        const char* damaged;
        std::vector<std::string> intact;
    } cases[] = {
        {"badcrc_stored.zip", "payload.txt", {"first.txt", "last.txt"}},
        {"badcrc_deflated.zip", "payload.txt", {"ok.txt"}},
        {"baddata_deflated.zip", "broken.txt", {"intact.txt"}},
        {"overlong.zip", "overlong.bin", {"fine.txt"}},
    };
    for (auto& c : cases) {
        ScopedPromptScript script;
        Sandbox box("x_damaged");
        ExtractRun run;
        ExtractAll(c.archive, box.target, &run);
        EXPECT_EQ(EXTRACT_INCOMPLETE, run.result) << c.archive;
        EXPECT_EQ(1, run.ctx.failed) << c.archive;
        EXPECT_EQ((int64_t)c.intact.size(), run.ctx.written) << c.archive;
        ASSERT_EQ(1u, run.report.lines.size()) << c.archive;
        EXPECT_NE(std::string::npos, run.report.lines[0].find(c.damaged)) << run.report.lines[0];
        ExpectedListing expected;
        ASSERT_TRUE(LoadExpectedListing(c.archive, &expected));
        std::map<std::string, std::string> dates;
        for (auto& m : expected.members) dates[m.name] = m.date;
        std::string damaged = box.target + "\\" + c.damaged;
        // The partial file stays, but it does not carry the entry's time.
        EXPECT_TRUE(FileExists(damaged)) << c.archive;
        EXPECT_NE(dates[c.damaged], LocalWriteTime(damaged).substr(0, 16)) << c.archive;
        for (const std::string& name : c.intact)
            EXPECT_EQ(dates[name], LocalWriteTime(box.target + "\\" + name).substr(0, 16)) << c.archive << " " << name;
    }
}

TEST(ZipExtract, UnsupportedMethodsAndEncryptionFailPerEntry)
{
    PasswordReset reset;
    ScopedPromptScript script;
    Sandbox box("x_methods");
    ExtractRun run;
    ExtractAll("py_mixed_methods.zip", box.target, &run);
    EXPECT_EQ(EXTRACT_INCOMPLETE, run.result);
    EXPECT_EQ(2, run.ctx.written);
    EXPECT_EQ(2, run.ctx.failed);
    std::vector<std::string> want = {"target/a_stored.txt", "target/d_deflated.txt"};
    EXPECT_EQ(want, ListFilesBelow(box.root));

    Sandbox aes("x_aes");
    ExtractAll("7z_aes.zip", aes.target, &run);
    EXPECT_EQ(EXTRACT_INCOMPLETE, run.result);
    EXPECT_EQ(2, run.ctx.failed);
    EXPECT_TRUE(ListFilesBelow(aes.root).empty());
    EXPECT_EQ(0, ScriptedQuestionCount()) << "no password is asked for a method that is not read";
}

TEST(ZipExtract, PasswordsWrongRightAndCancelled)
{
    // Each case: the password handed to the extraction, then the answers of the password
    // prompt in order ("" cancels). A wrong password is told ("wrong password"), forgotten and
    // asked again; nothing of a member is written before its password is right.
    struct Case {
        const char* archive;
        const char* given;
        std::vector<const char*> answers;
        int result;
        int wrongTold;
        bool written;
        const char* globalAfter;
    } cases[] = {
        {"zip_encrypted_flat.zip", "secret", {}, EXTRACT_DONE, 0, true, ""},
        {"zip_encrypted_flat.zip", "", {"secret"}, EXTRACT_DONE, 0, true, "secret"},
        {"zip_encrypted_flat.zip", "wrong", {"secret"}, EXTRACT_DONE, 1, true, "secret"},
        {"zip_encrypted_flat.zip", "", {"wrong", "also wrong", "secret"}, EXTRACT_DONE, 2, true, "secret"},
        {"zip_encrypted_flat.zip", "wrong", {""}, EXTRACT_CANCELLED, 1, false, ""},
        {"zip_encrypted_flat.zip", "", {"wrong", ""}, EXTRACT_CANCELLED, 1, false, ""},
        {"zip_encrypted_flat.zip", "", {""}, EXTRACT_CANCELLED, 0, false, ""},
        // Written through a pipe: a data descriptor, the check byte comes from the time.
        {"zip_encrypted_stream.zip", "wrong", {"secret"}, EXTRACT_DONE, 1, true, "secret"},
        {"zip_encrypted_stream.zip", "wrong", {""}, EXTRACT_CANCELLED, 1, false, ""},
    };
    std::string good = "the user's own good file\r\n";
    for (const Case& c : cases) {
        std::string tag = std::string(c.archive) + " given \"" + c.given + "\"";
        PasswordReset reset;
        ScopedPromptScript script;
        for (const char* answer : c.answers) {
            if (*answer) ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, answer);
            else ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_CANCEL, nullptr);
        }
        for (int i = 0; i < 4; ++i) ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        Sandbox box("x_password");
        // The user's file of the same name, under "replace all": a wrong password must not
        // touch it.
        std::string hello = box.target + "\\hello.txt";
        if (std::string(c.archive) == "zip_encrypted_stream.zip") hello = box.target + "\\-";
        ASSERT_TRUE(WriteWholeFile(hello, good));
        ExtractRun run;
        InitExtractionContext(&run.ctx);
        snprintf(run.ctx.targetFolder, sizeof run.ctx.targetFolder, "%s", box.target.c_str());
        run.ctx.report = CollectReport;
        run.ctx.reportData = &run.report;
        run.result = ExtractZipFilesFromList(nullptr, FixturePath(c.archive).c_str(), 0, 2, c.given, &run.ctx, 1, 1, 0);
        EXPECT_EQ(c.result, run.result) << tag;
        int told = 0;
        for (int i = 0; i < ScriptedQuestionCount(); ++i) {
            PromptQuestion q;
            GetScriptedQuestion(i, &q);
            if (q.kind == PROMPT_KIND_MESSAGE_BOX && strstr(q.text, "wrong password")) ++told;
        }
        EXPECT_EQ(c.wrongTold, told) << tag;
        EXPECT_EQ((int)c.answers.size(), ScriptedQuestionCount() - told) << tag << ": password prompts";
        EXPECT_STREQ(c.globalAfter, password) << tag << ": the password kept for the next archive";
        std::string want;
        ReadWholeFile(FixtureSourcePath("hello.txt"), &want);
        if (c.written) {
            EXPECT_TRUE(FileText(hello) == want) << tag;
        } else {
            EXPECT_EQ(good, FileText(hello)) << tag << ": the user's file was changed";
            std::vector<std::string> only = {"target/" + hello.substr(hello.rfind('\\') + 1)};
            EXPECT_EQ(only, ListFilesBelow(box.root)) << tag << ": files were created";
        }
    }
}

TEST(ZipExtract, FilesThatAreNoArchivesTouchNothing)
{
    for (const char* archive : {"notazip.zip", "empty.zip", "truncated_half.zip", "truncated_tail.zip"}) {
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        Sandbox box("x_noarchive");
        ExtractionContext ctx;
        InitExtractionContext(&ctx);
        snprintf(ctx.targetFolder, sizeof ctx.targetFolder, "%s", box.target.c_str());
        EXPECT_EQ(EXTRACT_FAILED, ExtractZipFilesFromList(nullptr, FixturePath(archive).c_str(), 0, 1, "", &ctx, 1, 1, 0))
            << archive;
        EXPECT_TRUE(ListFilesBelow(box.root).empty()) << archive;
        ASSERT_EQ(1, ScriptedQuestionCount()) << archive;
        PromptQuestion q;
        GetScriptedQuestion(0, &q);
        EXPECT_NE(nullptr, strstr(q.text, "ExtractZipFilesFromList: (5)")) << q.text;
        EXPECT_STREQ(GetMessageText(94), q.caption);
    }
}

TEST(ZipExtract, OverwriteAnswers)
{
    struct { int answer; int result; int questions; bool replaced; } cases[] = {
        {OVERWRITE_THIS, EXTRACT_DONE, 6, true},
        {OVERWRITE_ALL, EXTRACT_DONE, 1, true},
        {OVERWRITE_SKIP, EXTRACT_DONE, 6, false},
        {OVERWRITE_SKIP_ALL, EXTRACT_DONE, 1, false},
        {OVERWRITE_STOP, EXTRACT_CANCELLED, 1, false},
        {-1, EXTRACT_CANCELLED, 1, false},
    };
    for (auto& c : cases) {
        Sandbox box("x_overwrite");
        ExtractRun first;
        ExtractAll("zip_deflated.zip", box.target, &first);
        ASSERT_EQ(EXTRACT_DONE, first.result);
        std::string hello = box.target + "\\hello.txt";
        ASSERT_TRUE(WriteWholeFile(hello, "changed"));
        ScopedPromptScript script;
        for (int i = 0; i < 6; ++i) ScriptPromptAnswer(PROMPT_KIND_BUTTON_BOX, c.answer, nullptr);
        ExtractRun again;
        ExtractAll("zip_deflated.zip", box.target, &again);
        EXPECT_EQ(c.result, again.result) << "answer " << c.answer;
        EXPECT_EQ(c.questions, ScriptedQuestionCount()) << "answer " << c.answer;
        std::string want;
        ReadWholeFile(FixtureSourcePath("hello.txt"), &want);
        EXPECT_EQ(c.replaced, FileText(hello) == want) << "answer " << c.answer;
        PromptQuestion q;
        ASSERT_TRUE(GetScriptedQuestion(0, &q));
        EXPECT_EQ(PROMPT_KIND_BUTTON_BOX, q.kind);
        EXPECT_EQ(5, q.buttonCount);
        EXPECT_EQ(OVERWRITE_SKIP, q.defaultIndex);
        EXPECT_STREQ(GetMessageText(16), q.caption);
        // Both files' sizes and dates: the one on disk, and the member's (zero.txt is asked first).
        std::string text = q.text;
        EXPECT_NE(std::string::npos, text.find(std::string("\n") + GetConfirmationDialogText()[5] + " 0 B, ")) << text;
        EXPECT_NE(std::string::npos,
                  text.find(std::string("\n") + GetConfirmationDialogText()[6] + " 0 B, 2021-03-04 05:06:08"))
            << text;
    }
}

TEST(ZipExtract, SelectionOfTheListViewOnly)
{
    TestListHost host;
    ListingJob job;
    InitListingJob(&job, FixturePath("zip_deflated.zip").c_str(), host.list, nullptr, nullptr);
    ASSERT_EQ(0, RunListingThread(&job));
    int picked = 0;
    for (int i = 0; i < host.RowCount(); ++i) {
        std::string name = host.RowName(i);
        if (name == "docs/img/noise.bin" || name == "my file.txt") {
            host.Select(i);
            ++picked;
        }
    }
    ASSERT_EQ(2, picked);
    Sandbox box("x_selection");
    ExtractRun run;
    InitExtractionContext(&run.ctx);
    snprintf(run.ctx.targetFolder, sizeof run.ctx.targetFolder, "%s", box.target.c_str());
    run.result = ExtractZipFilesFromList(host.list, FixturePath("zip_deflated.zip").c_str(), 0, 1, "", &run.ctx, 0, 1, 0);
    EXPECT_EQ(EXTRACT_DONE, run.result);
    std::vector<std::string> want = {"target/docs/img/noise.bin", "target/my file.txt"};
    EXPECT_EQ(want, ListFilesBelow(box.root));

    // Without a selection there is nothing to do.
    for (int i = 0; i < host.RowCount(); ++i) ListView_SetItemState(host.list, i, 0, LVIS_SELECTED);
    EXPECT_EQ(EXTRACT_FAILED,
              ExtractZipFilesFromList(host.list, FixturePath("zip_deflated.zip").c_str(), 0, 1, "", &run.ctx, 0, 1, 0));
}

TEST(ZipExtract, TheFolderSelectedInTheTree)
{
    int previous = GCompressionMethod;
    SetCompressionMethod(CM_ZIP);
    TestListHost host;
    ListingJob job;
    InitListingJob(&job, FixturePath("zip_deflated.zip").c_str(), host.list, nullptr, nullptr);
    ASSERT_EQ(0, RunListingThread(&job));
    ASSERT_GT(RebuildKeyTreesFromList(host.list, nullptr), 0);
    Sandbox box("x_tree");
    TreeItemExtraction t = {};
    snprintf(t.folderPath, sizeof t.folderPath, "docs");
    snprintf(t.targetFolder, sizeof t.targetFolder, "%s", box.target.c_str());
    snprintf(t.archivePath, sizeof t.archivePath, "%s", FixturePath("zip_deflated.zip").c_str());
    t.silent = 1;
    ExtractTreeItemThread(&t);
    EXPECT_EQ(EXTRACT_DONE, t.result);
    std::vector<std::string> want = {"target/docs/img/noise.bin", "target/docs/readme.txt"};
    EXPECT_EQ(want, ListFilesBelow(box.root));

    snprintf(t.folderPath, sizeof t.folderPath, "no\\such\\folder");
    ExtractTreeItemThread(&t);
    EXPECT_EQ(EXTRACT_FAILED, t.result);
    DestroyKeyTrees();
    SetCompressionMethod(previous);
}

TEST(ZipExtract, SingleMembersForViewersAndDragAndDrop)
{
    PasswordReset reset;
    int previous = GCompressionMethod;
    SetCompressionMethod(CM_ZIP);
    snprintf(GApp.currentArchive, sizeof GApp.currentArchive, "%s", FixturePath("zip_deflated.zip").c_str());
    TestListHost host;
    ListingJob job;
    InitListingJob(&job, GApp.currentArchive, host.list, nullptr, nullptr);
    ASSERT_EQ(0, RunListingThread(&job));
    int row = -1;
    for (int i = 0; i < host.RowCount(); ++i)
        if (host.RowName(i) == "docs/readme.txt") row = i;
    ASSERT_GE(row, 0);
    std::string want;
    ReadWholeFile(FixtureSourcePath("docs/readme.txt"), &want);

    char temp[MAX_PATH];
    ASSERT_EQ(1, ExtractToTemp(host.Row(row), temp, sizeof temp));
    EXPECT_TRUE(FileText(temp) == want);
    DeleteFileA(temp);

    HGLOBAL mem = CreateFileContents(host.Row(row));
    ASSERT_NE(nullptr, mem);
    EXPECT_EQ(want.size(), (size_t)GlobalSize(mem));
    EXPECT_EQ(0, memcmp((const void*)mem, want.data(), want.size()));
    GlobalFree(mem);

    // The view command: the file goes to the viewer and onto the list of temporary files.
    static std::vector<std::string> viewed, recorded;
    viewed.clear();
    recorded.clear();
    GZipHooks.openForView = [](const char* path, int) { viewed.push_back(path); };
    GZipHooks.recordTempFile = [](const char* path) { recorded.push_back(path); };
    host.Select(row);
    ViewZipFile(host.list, 0);
    GZipHooks = ZipEngineHooks();
    ASSERT_EQ(1u, viewed.size());
    EXPECT_EQ(viewed, recorded);
    EXPECT_TRUE(FileText(viewed[0]) == want);
    DeleteFileA(viewed[0].c_str());
    GApp.currentArchive[0] = '\0';
    SetCompressionMethod(previous);
}

TEST(ZipExtract, ProgressDialogRoadWithSummaryOfRefusals)
{
    ScopedPromptScript script;
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    Sandbox box("x_progress");
    ExtractionContext ctx;
    InitExtractionContext(&ctx);
    snprintf(ctx.targetFolder, sizeof ctx.targetFolder, "%s", box.target.c_str());
    SetCanceledByUser(0);
    static char heading[260];
    snprintf(heading, sizeof heading, "%s", GetMessageText(42));
    ASSERT_EQ(1, StartProgressDialogThread(1, heading));
    int rc = ExtractZipFilesFromList(nullptr, FixturePath("hostile.zip").c_str(), 0, 1, "", &ctx, 1, 0, 1);
    EXPECT_EQ(EXTRACT_INCOMPLETE, rc);
    EXPECT_EQ(5, ctx.refused);
    ASSERT_EQ(1, ScriptedQuestionCount()) << "one summary, not one box per entry";
    PromptQuestion q;
    GetScriptedQuestion(0, &q);
    EXPECT_NE(nullptr, strstr(q.text, "5 refused")) << q.text;
    PumpMessagesUntil([] { return GetProgressDialog() == nullptr; }, 5000);
}

TEST(ZipExtract, ExtractArchiveAsksForTheFolder)
{
    PasswordReset reset;
    int previous = GCompressionMethod;
    SetCompressionMethod(CM_ZIP);
    Sandbox box("x_command");
    ScopedPromptScript script;
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, box.target.c_str());
    ExtractArchive(FixturePath("zip_nodirs.zip").c_str(), 1, 0);
    EXPECT_EQ(6u, ListFilesBelow(box.target).size());
    EXPECT_EQ(0, GApp.busy.load());
    // Cancelling the folder question does nothing.
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 0, nullptr);
    Sandbox other("x_command2");
    ExtractArchive(FixturePath("zip_nodirs.zip").c_str(), 1, 0);
    EXPECT_TRUE(ListFilesBelow(other.root).empty());
    SetCompressionMethod(previous);
}

TEST(ZipExtract, BatchOfArchivesWithFolderPerArchive)
{
    Sandbox box("x_batch");
    std::string source = box.root + "\\source";
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA((source + "\\nested").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(FixturePath("zip_nodirs.zip").c_str(), (source + "\\one.zip").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(FixturePath("badcrc_stored.zip").c_str(), (source + "\\nested\\two.jar").c_str(), FALSE));
    ASSERT_TRUE(WriteWholeFile(source + "\\ignored.txt", "not an archive"));
    GBatchContext.report = CollectReport;
    Collected report;
    GBatchContext.reportData = &report;
    BatchExtractJob job = {};
    snprintf(job.searchFolder, sizeof job.searchFolder, "%s", source.c_str());
    snprintf(job.targetBase, sizeof job.targetBase, "%s", box.target.c_str());
    job.folderPerArchive = 1;
    job.deleteAfter = 1;
    job.silent = 1;
    ExtractBatchThread(&job);
    GBatchContext.report = nullptr;
    GBatchContext.reportData = nullptr;
    EXPECT_EQ(2, job.archivesDone);
    EXPECT_EQ(EXTRACT_INCOMPLETE, job.result);
    EXPECT_TRUE(FileExists(box.target + "\\one\\hello.txt"));
    EXPECT_TRUE(FileExists(box.target + "\\two\\first.txt"));
    // The complete one is gone, the damaged one kept.
    EXPECT_FALSE(FileExists(source + "\\one.zip"));
    EXPECT_TRUE(FileExists(source + "\\nested\\two.jar"));

    char target[260];
    BatchTargetFolder("C:\\base", "D:\\x\\.hidden.tar.zip", 1, target, sizeof target);
    EXPECT_STREQ("C:\\base\\.hidden", target);
    BatchTargetFolder("C:\\base\\", "a.b.zip", 1, target, sizeof target);
    EXPECT_STREQ("C:\\base\\a", target);
    BatchTargetFolder("C:\\base", "a.zip", 0, target, sizeof target);
    EXPECT_STREQ("C:\\base", target);
}

// The ZIP record of operations reaches the same engine as the direct calls: the whole archive,
// a named set of members and a folder of the tree, each landing exactly the expected files.
TEST(ZipExtract, TheRecordOfOperationsDrivesEveryRoad)
{
    int previous = GCompressionMethod;
    SetCompressionMethod(CM_ZIP);
    const FormatOps* ops = OpenArchiveOps();
    ASSERT_TRUE(ops != nullptr);
    EXPECT_EQ(ops, GetFormatOps(CM_ZIP));
    EXPECT_EQ(CM_ZIP, ops->format);
    EXPECT_TRUE(ops->listThread && ops->extract && ops->extractFolder && ops->extractToTemp && ops->view &&
                ops->test && ops->mayModify && ops->addFiles && ops->isAvailable);
    EXPECT_EQ(1, ops->isAvailable());
    EXPECT_EQ(1, OpenArchiveMayModify());
    EXPECT_TRUE(GetFormatOps(CM_NONE) == nullptr);

    TestListHost host;
    ListingJob job;
    InitListingJob(&job, FixturePath("zip_deflated.zip").c_str(), host.list, nullptr, nullptr);
    ASSERT_EQ(0, RunListingThread(&job));
    ASSERT_GT(RebuildKeyTreesFromList(host.list, nullptr), 0);

    struct Case {
        const char* what;
        int all;                       // every member
        std::vector<const char*> set;  // else these members ('\' as the list keeps them)
        const char* folder;            // else this folder of the tree
        std::vector<std::string> want;
        int result;
    } cases[] = {
        {"all", 1, {}, nullptr,
         {"target/deep/er/est/leaf.txt", "target/docs/img/noise.bin", "target/docs/readme.txt", "target/hello.txt",
          "target/my file.txt", "target/zero.txt"},
         EXTRACT_DONE},
        {"set", 0, {"docs\\readme.txt", "hello.txt"}, nullptr, {"target/docs/readme.txt", "target/hello.txt"},
         EXTRACT_DONE},
        {"empty set", 0, {}, nullptr, {}, EXTRACT_FAILED},
        {"folder", 0, {}, "deep", {"target/deep/er/est/leaf.txt"}, EXTRACT_DONE},
    };
    for (const Case& c : cases) {
        Sandbox box("x_ops");
        ExtractRun run;
        InitExtractionContext(&run.ctx);
        snprintf(run.ctx.targetFolder, sizeof run.ctx.targetFolder, "%s", box.target.c_str());
        snprintf(run.ctx.archivePath, sizeof run.ctx.archivePath, "%s", FixturePath("zip_deflated.zip").c_str());
        run.ctx.report = CollectReport;
        run.ctx.reportData = &run.report;
        run.ctx.silent = 1;
        run.ctx.extractAll = c.all;
        BSTree* set = nullptr;
        if (!c.all && !c.folder) {
            set = CreateZipEntrySet();
            for (const char* name : c.set) BSTreeInsert(set, CreateZipEntry(name, nullptr, 0));
            run.ctx.selection = set;
        }
        run.result = c.folder ? ops->extractFolder(&run.ctx, c.folder) : ops->extract(&run.ctx);
        EXPECT_EQ(c.result, run.result) << c.what;
        std::vector<std::string> got = ListFilesBelow(box.root);
        EXPECT_EQ(c.want, got) << c.what;
        if (set) BSTreeDestroy(&set);
    }
    DestroyKeyTrees();
    SetCompressionMethod(previous);
}

namespace {

// Every file below folder (wide names), relative with '/' separators, as UTF-8.
void CollectWideFiles(const std::wstring& folder, const std::wstring& prefix, std::vector<std::string>* out)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) CollectWideFiles(folder + L"\\" + name, prefix + name + L"/", out);
        else out->push_back(WideToUtf8(prefix + name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

void RemoveWideTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveWideTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TEST(ZipExtract, FilesAreWrittenUnderTheirTrueNames)
{
    // The names each maker meant (UTF-8 here); Greek cannot be spelt in the ANSI code page.
    struct {
        const char* archive;
        std::vector<std::string> names;
    } cases[] = {
        {"py_utf8_names.zip",
         {"Gr\xc3\xbc\xc3\x9f" "e/\xc3\x9c" "bersicht.txt", "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac.txt",
          "\xce\x96\xce\xb7\xcf\x84\xce\xac.txt", "gr\xc3\xbc\xc3\x9f" "e.txt"}},
        {"infozip_utf8_names.zip",
         {"Gr\xc3\xbc\xc3\x9f" "e/\xc3\x9c" "bersicht.txt", "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac.txt", "plain.txt"}},
        {"7z_utf8_names.zip",
         {"Gr\xc3\xbc\xc3\x9f" "e/\xc3\x9c" "bersicht.txt", "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac.txt", "plain.txt"}},
        {"py_cp437_raw.zip", {"filename_with_\xc3\xa6o\xc3\xa5.txt", "\xc3\x84pfel/\xc3\x96l.txt"}},
        {"py_unicode_field.zip", {"Gr\xc3\xbc\xc3\x9f" "e.txt", "renamed.txt"}},
    };
    for (const auto& c : cases) {
        Sandbox box("x_names");
        ExtractRun run;
        ExtractAll(c.archive, box.target, &run);
        EXPECT_EQ(EXTRACT_DONE, run.result) << c.archive;
        EXPECT_EQ((int64_t)c.names.size(), run.ctx.written) << c.archive;
        std::vector<std::string> found;
        std::wstring target = AnsiToWide(box.target.c_str());
        CollectWideFiles(target, L"", &found);
        std::vector<std::string> want = c.names;
        std::sort(found.begin(), found.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(want, found) << c.archive;
        RemoveWideTree(target);
    }
}

TEST(ZipNames, StoredNamesDecodeByTheirMarks)
{
    std::string field = std::string("\x75\x70\x0e\x00\x01", 5);
    const char stored[] = "Gruesse.txt";
    uint32_t crc = (uint32_t)crc32(0L, (const Bytef*)stored, 11);
    for (int i = 0; i < 4; ++i) field += (char)((crc >> (8 * i)) & 0xff);
    field += "Gr\xc3\xbc\xc3\x9f" "e.txt";
    field[2] = (char)(field.size() - 4);
    struct {
        const char* what;
        std::string stored;
        uint16_t flag;
        std::string extra;
        const wchar_t* want;
        int encoding;
    } cases[] = {
        {"ascii", "docs/a.txt", 0, "", L"docs/a.txt", ZIPNAME_ASCII},
        {"flagged utf-8", "Gr\xc3\xbc\xc3\x9f" "e.txt", ZIP_FLAG_UTF8, "", L"Gr\u00fc\u00dfe.txt", ZIPNAME_UTF8_FLAG},
        {"unflagged utf-8", "\xce\x95\xce\xbb.txt", 0, "", L"\u0395\u03bb.txt", ZIPNAME_UTF8_GUESSED},
        {"cp437", "Gr\x81\xe1" "e.txt", 0, "", L"Gr\u00fc\u00dfe.txt", ZIPNAME_OEM},
        {"flag on bytes that are no utf-8", "\x84rger.txt", ZIP_FLAG_UTF8, "", L"\u00e4rger.txt", ZIPNAME_OEM},
        {"unicode path field", stored, 0, field, L"Gr\u00fc\u00dfe.txt", ZIPNAME_UNICODE_FIELD},
        {"stale unicode path field", "other.txt", 0, field, L"other.txt", ZIPNAME_ASCII},
        {"cut field", stored, 0, field.substr(0, 8), L"Gruesse.txt", ZIPNAME_ASCII},
        {"overlong utf-8 is no utf-8", "\xc0\xaf.txt", 0, "", L"\u2514\u00bb.txt", ZIPNAME_OEM},
    };
    for (const auto& c : cases) {
        std::wstring wide;
        int encoding = DecodeZipNameWide(c.stored.data(), c.stored.size(), c.flag,
                                         (const unsigned char*)c.extra.data(), c.extra.size(), &wide);
        EXPECT_EQ(c.encoding, encoding) << c.what;
        EXPECT_TRUE(wide == c.want) << c.what << ": " << WideToUtf8(wide);
    }
    // ANSI text: '?' for what the code page cannot hold, never a look-alike letter.
    char ansi[260];
    EXPECT_EQ(0, WideToAnsiName(L"\u0100bc.txt", ansi, sizeof ansi));
    EXPECT_STREQ("?bc.txt", ansi);
    EXPECT_EQ(1, WideToAnsiName(L"Gr\u00fc\u00dfe.txt", ansi, sizeof ansi));
    EXPECT_STREQ("Gr\xfc\xdf" "e.txt", ansi);
    EXPECT_EQ(0, WideToAnsiName(L"abcdef", ansi, 4));
    EXPECT_STREQ("abc", ansi);
    // Writing: ASCII as it is, anything else UTF-8 with the flag.
    std::string out;
    uint16_t bits = 99;
    EncodeZipNameForWriting("docs/a.txt", &out, &bits);
    EXPECT_EQ("docs/a.txt", out);
    EXPECT_EQ(0, bits);
    EncodeZipNameForWriting("Gr\xfc\xdf" "e/\xdc" "bersicht.txt", &out, &bits);
    EXPECT_EQ("Gr\xc3\xbc\xc3\x9f" "e/\xc3\x9c" "bersicht.txt", out);
    EXPECT_EQ(ZIP_FLAG_UTF8, bits);
}
