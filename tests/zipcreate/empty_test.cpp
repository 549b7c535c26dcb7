// Adding to an archive without members (nothing but its end record, perhaps with a comment):
// the files go in, the comment stays, and a failed write gives the empty archive back byte for
// byte. An end record that claims a member it lacks is refused and left alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/testsupport.h"
#include "ui/progress.h"
#include "ui/promptscript.h"
#include "zip/create.h"
#include "zip/ziphelper.h"
#include "zip/zipwriteio.h"
#include "createsupport.h"

namespace {

// The end record alone, as Python's zipfile and Info-ZIP zip write an archive without members.
std::string EndRecord(int entries, const std::string& comment)
{
    std::string e("PK\5\6", 4);
    e.append(4, '\0');  // disk numbers
    for (int i = 0; i < 2; ++i) {
        e += (char)(entries & 0xFF);
        e += (char)(entries >> 8);
    }
    e.append(8, '\0');  // central directory size and offset
    e += (char)(comment.size() & 0xFF);
    e += (char)(comment.size() >> 8);
    return e + comment;
}

class AddingToEmpty : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCanceledByUser(0);
        SetZipWriteLimitForTests(-1);
        src = MakeTempFolder("ze_src");
        out = MakeTempFolder("ze_out");
        ASSERT_TRUE(WriteTree(src, {{"hello.txt", "hello\r\n"}, {"docs/readme.txt", NoiseBytes(50000, 3)}}));
    }
    void TearDown() override
    {
        SetZipWriteLimitForTests(-1);
        RemoveFolderTree(src);
        RemoveFolderTree(out);
    }
    int Add(const std::string& archive)
    {
        ZipCreateOptions* o = NewTestRun(archive, 6, &left);
        std::string docs = src + "\\docs", hello = src + "\\hello.txt";
        const char* paths[] = {docs.c_str(), hello.c_str()};
        SetZipCreatePaths(o, paths, 2);
        o->append = 1;
        o->prefixMode = 1;
        int rc = RunWorker(o);
        ReleaseZipCreateOptions(o);
        return rc;
    }

    ScopedPromptScript prompts;
    std::string src, out;
    LeftOut left;
};

struct EmptyCase {
    const char* what;
    const char* comment;
};
const EmptyCase kCases[] = {{"bare end record", ""}, {"with an archive comment", "kept comment"}};

TEST_F(AddingToEmpty, TheFilesGoInAndTheCommentStays)
{
    for (const EmptyCase& c : kCases) {
        SCOPED_TRACE(c.what);
        std::string archive = out + "\\empty.zip";
        ASSERT_TRUE(WriteWholeFile(archive, EndRecord(0, c.comment)));
        ASSERT_EQ(ZIPCREATE_DONE, Add(archive));
        ArchiveContents a = ReadArchive(archive);
        ASSERT_TRUE(a.opened);
        EXPECT_EQ((std::vector<std::string>{"docs/readme.txt", "hello.txt"}), a.Names());
        EXPECT_EQ(2u, a.entries);
        EXPECT_EQ(std::string(c.comment), a.comment);
        for (const ArchiveMember& m : a.members) EXPECT_TRUE(m.dataOk) << m.name;
        EXPECT_EQ(NoiseBytes(50000, 3), a.Find("docs/readme.txt")->data);
        // The archive starts with the first member now, not with the old end record.
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(archive, &bytes));
        EXPECT_EQ(std::string("PK\3\4", 4), bytes.substr(0, 4));
        EXPECT_EQ(0, ScriptedQuestionCount());
    }
}

TEST_F(AddingToEmpty, AFailedWriteGivesTheEmptyArchiveBack)
{
    for (const EmptyCase& c : kCases) {
        SCOPED_TRACE(c.what);
        EndPromptScript();
        BeginPromptScript();
        std::string archive = out + "\\empty.zip";
        std::string before = EndRecord(0, c.comment);
        ASSERT_TRUE(WriteWholeFile(archive, before));
        SetZipWriteLimitForTests(20000);
        EXPECT_EQ(ZIPCREATE_WRITE_FAILED, Add(archive));
        SetZipWriteLimitForTests(-1);
        std::string now;
        ASSERT_TRUE(ReadWholeFile(archive, &now));
        EXPECT_TRUE(now == before) << "the empty archive was not given back (" << now.size() << " bytes)";
        EXPECT_GE(ScriptedQuestionCount(), 1) << "the failure was not told";
        // And it still opens as the empty archive it was.
        unzFile uf = MyWaitunzOpen2_64(archive.c_str(), 0);
        ASSERT_NE(nullptr, uf);
        unz_global_info64 gi = {};
        unzGetGlobalInfo64(uf, &gi);
        EXPECT_EQ(0u, gi.number_entry);
        unzClose(uf);
    }
}

TEST_F(AddingToEmpty, AnEndRecordClaimingAMemberIsRefusedAndKept)
{
    std::string archive = out + "\\claims.zip";
    std::string before = EndRecord(1, "");
    ASSERT_TRUE(WriteWholeFile(archive, before));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    EXPECT_EQ(ZIPCREATE_NOT_OPENED, Add(archive));
    std::string now;
    ASSERT_TRUE(ReadWholeFile(archive, &now));
    EXPECT_TRUE(now == before);
    EXPECT_EQ(1, ScriptedQuestionCount());
}

}  // namespace
