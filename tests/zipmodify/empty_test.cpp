// The rewrite operations on an archive without members (nothing but its end record, perhaps
// with a comment): the archive opens, nothing matches, nothing is written, and the archive stays
// as it was; kelvora-cli d tells that the member is not there instead of calling it damaged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/bstree.h"
#include "model/rbtree.h"
#include "support/testsupport.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"
#include "modifysupport.h"

namespace {

std::string EndRecord(const std::string& comment)
{
    std::string e("PK\5\6", 4);
    e.append(16, '\0');
    e += (char)(comment.size() & 0xFF);
    e += (char)(comment.size() >> 8);
    return e + comment;
}

const char* const kComments[] = {"", "an archive without members"};

// kelvora-cli beside the test program: its exit code, its standard output and error in err.
int RunCliCapturingErrors(const std::string& arguments, std::string* err)
{
    std::string out;
    int code = RunCapturingOutput("\"" + TestProgramFolder() + "\\kelvora-cli.exe\" " + arguments, &out, err);
    if (err) *err = out + *err;
    return code;
}

class EmptyArchiveRewrite : public ::testing::Test {
protected:
    void SetUp() override { folder = MakeTempFolder("zm_empty"); }
    void TearDown() override { RemoveFolderTree(folder); }
    std::string folder;
};

TEST_F(EmptyArchiveRewrite, NothingMatchesAndTheArchiveStays)
{
    struct Operation {
        const char* what;
        int (*run)(const char* archive);
    };
    const Operation operations[] = {
        {"DeleteFilesFromZIPRBTree",
         [](const char* archive) {
             RBTree* set = MakeRBSet({{"a.txt", ""}});
             RewriteOutcome out = {};
             int r = DeleteFilesFromZIPRBTree(archive, set, 0, 0, &out);
             RBTreeDestroy(&set);
             return r;
         }},
        {"DeleteFileFromZIP",
         [](const char* archive) {
             BSTree* set = MakeBSSet({"a.txt"});
             RewriteOutcome out = {};
             int r = DeleteFileFromZIP(archive, set, 0, 0, &out);
             BSTreeDestroy(&set);
             return r;
         }},
        {"ChangeFilesFromZIP",
         [](const char* archive) {
             RBTree* set = MakeRBSet({{"a.txt", "b.txt"}});
             RewriteOutcome out = {};
             int r = ChangeFilesFromZIP(archive, set, 0, 0, &out);
             RBTreeDestroy(&set);
             return r;
         }},
    };
    for (const char* comment : kComments) {
        for (const Operation& op : operations) {
            SCOPED_TRACE(std::string(op.what) + " / comment \"" + comment + "\"");
            std::string archive = folder + "\\empty.zip";
            std::string before = EndRecord(comment);
            ASSERT_TRUE(WriteWholeFile(archive, before));
            // Opened (not REWRITE_OPEN_FAILED); nothing matched, so nothing is replaced.
            EXPECT_EQ(REWRITE_NOT_REPLACED, op.run(archive.c_str()));
            EXPECT_TRUE(FileBytes(archive) == before) << "the archive changed";
            EXPECT_FALSE(PathExists(archive + ".tmp"));
            unzFile uf = MyWaitunzOpen2_64(archive.c_str(), 0);
            EXPECT_NE(nullptr, uf) << "it still opens";
            if (uf) unzClose(uf);
        }
    }
}

TEST_F(EmptyArchiveRewrite, TheConsoleSaysTheMemberIsNotThere)
{
    for (const char* comment : kComments) {
        SCOPED_TRACE(comment);
        std::string archive = folder + "\\empty.zip";
        std::string before = EndRecord(comment);
        ASSERT_TRUE(WriteWholeFile(archive, before));
        std::string err;
        EXPECT_EQ(1, RunCliCapturingErrors("d \"" + archive + "\" a.txt", &err)) << err;
        EXPECT_NE(std::string::npos, err.find("not in the archive: a.txt")) << err;
        EXPECT_EQ(std::string::npos, err.find("damaged")) << err;
        EXPECT_TRUE(FileBytes(archive) == before);
    }
}

}  // namespace
