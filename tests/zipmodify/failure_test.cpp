// Rewrites that cannot finish: the old archive must survive every one of them whole, and the
// user must learn where changed data was kept.
#include <gtest/gtest.h>

#include "app/langtext.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/rbtree.h"
#include "modifysupport.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "zip/modify.h"

namespace {

class RewriteFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCompressionMethod(CM_ZIP);
        folder = MakeTempFolder("zipmodfail");
        archive = CopyFixture("py_comments.zip", folder);
        ASSERT_FALSE(archive.empty());
        bytes = FileBytes(archive);
    }
    void TearDown() override { RemoveFolderTree(folder); }

    // Deletes docs/a.txt with the given operation form.
    int DeleteOne(int redBlack, RewriteOutcome* out)
    {
        if (redBlack) {
            RBTree* set = MakeRBSet({{"docs\\a.txt", ""}});
            int r = DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0, out);
            RBTreeDestroy(&set);
            return r;
        }
        BSTree* set = MakeBSSet({"docs\\a.txt"});
        int r = DeleteFileFromZIP(archive.c_str(), set, 0, 0, out);
        BSTreeDestroy(&set);
        return r;
    }

    std::string folder, archive, bytes;
};

TEST_F(RewriteFailure, AnArchiveHeldByAnotherProgramIsLeftAlone)
{
    // Held without sharing for longer than the open waits.
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    RewriteOutcome out;
    int r = DeleteOne(0, &out);
    CloseHandle(held);
    EXPECT_EQ(REWRITE_OPEN_FAILED, r);
    EXPECT_EQ(bytes, FileBytes(archive));
    EXPECT_FALSE(PathExists(archive + ".tmp"));
}

TEST_F(RewriteFailure, ATemporaryArchiveThatCannotBeCreatedChangesNothing)
{
    // A folder of the temporary archive's name stands in for a target that cannot be written.
    ASSERT_TRUE(CreateDirectoryA((archive + ".tmp").c_str(), nullptr));
    for (int redBlack = 0; redBlack < 2; ++redBlack) {
        SCOPED_TRACE(redBlack ? "DeleteFilesFromZIPRBTree" : "DeleteFileFromZIP");
        RewriteOutcome out;
        EXPECT_EQ(REWRITE_TEMP_FAILED, DeleteOne(redBlack, &out));
        EXPECT_EQ(bytes, FileBytes(archive));
    }
}

TEST_F(RewriteFailure, AFailedReplaceKeepsTheOldArchiveAndTheNewOneBesideIt)
{
    // Another program reads the archive and does not let it be replaced meanwhile.
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    RewriteOutcome out;
    int r = DeleteOne(1, &out);
    CloseHandle(held);
    ASSERT_EQ(REWRITE_REPLACE_FAILED, r) << RewriteResultText(r);
    EXPECT_EQ(bytes, FileBytes(archive)) << "the old archive must stay whole";
    std::string temp = archive + ".tmp";
    EXPECT_EQ(temp, out.tempPath);
    RawArchive kept = ReadRawArchive(temp);
    ASSERT_TRUE(kept.ok) << "the changed archive beside it must be complete";
    EXPECT_EQ(nullptr, kept.Find("docs/a.txt"));
    EXPECT_NE(nullptr, kept.Find("docs/b.bin"));
    EXPECT_EQ(ReadRawArchive(archive).comment, kept.comment);

    // The user is told where the changed archive is.
    ScopedPromptScript script;
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    EXPECT_EQ(1, ReportRewriteFailure(r, archive.c_str(), &out));
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    EXPECT_EQ(PROMPT_KIND_MESSAGE_BOX, q.kind);
    EXPECT_NE(std::string::npos, std::string(q.text).find(temp)) << q.text;
    EXPECT_STREQ(GetMessageText(94), q.caption);
    EXPECT_EQ((UINT)MB_ICONSTOP, q.type & MB_ICONMASK);
}

TEST_F(RewriteFailure, DeletingTheLastEntryOfAHeldArchiveKeepsIt)
{
    std::string one = CopyFixture("py_codepages.zip", folder);
    std::string oneBytes = FileBytes(one);
    HANDLE held = CreateFileA(one.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    RawArchive before = ReadRawArchive(one);
    std::vector<std::pair<std::string, std::string>> keys;
    for (const RawEntry& e : before.entries) keys.emplace_back(Backslashed(e.name), "");
    RBTree* set = MakeRBSet(keys);
    RewriteOutcome out;
    int r = DeleteFilesFromZIPRBTree(one.c_str(), set, 0, 0, &out);
    RBTreeDestroy(&set);
    CloseHandle(held);
    EXPECT_EQ(REWRITE_REPLACE_FAILED, r);
    EXPECT_EQ(oneBytes, FileBytes(one));
    EXPECT_FALSE(PathExists(one + ".tmp")) << "an empty new archive is not worth keeping";
}

TEST_F(RewriteFailure, TheCollisionMessageNamesTheTakenName)
{
    RewriteOutcome out = {};
    snprintf(out.collision, sizeof out.collision, "docs/b.bin");
    ScopedPromptScript script;
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    EXPECT_EQ(1, ReportRewriteFailure(REWRITE_NAME_COLLISION, archive.c_str(), &out));
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    std::string text = q.text;
    EXPECT_NE(std::string::npos, text.find("\"docs/b.bin\"")) << text;
    EXPECT_EQ(0u, text.find(GetMessageText(14))) << text;
    EXPECT_EQ(std::string::npos, text.find('?')) << "a refusal is no question: " << text;
    // Results the user need not hear about show nothing.
    EXPECT_EQ(0, ReportRewriteFailure(REWRITE_NOT_REPLACED, archive.c_str(), &out));
    EXPECT_EQ(1, ScriptedQuestionCount());
}

}  // namespace
