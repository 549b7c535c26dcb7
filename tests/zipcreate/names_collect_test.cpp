// Member names, the folder walk, archives of 65535 members and more, and background runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/backgroundjob.h"
#include "model/list.h"
#include "support/testsupport.h"
#include "ui/progress.h"
#include "ui/promptscript.h"
#include "zip/create.h"
#include "zip/zipwriteio.h"
#include "createsupport.h"

namespace {

struct NameCase {
    const char* what;
    int relative;
    int prefixMode;
    int baseNamesOnly;
    const char* base;
    const char* prefix;
    const char* path;
    const char* expected;  // null: no usable name
};

TEST(MemberNames, FollowTheRunsNamingRules)
{
    const std::string longPrefix(250, 'p');
    const std::string longPath = "C:\\data/" + std::string(300, 'x');
    const NameCase cases[] = {
        {"relative file", 1, 0, 0, "C:\\data", "", "C:\\data/docs/a.txt", "docs/a.txt"},
        {"relative folder entry", 1, 0, 0, "C:\\data", "", "C:\\data/docs/", "docs/"},
        {"base folder in other case", 1, 0, 0, "c:\\DATA", "", "C:\\data/x.txt", "x.txt"},
        {"base folder with separator", 1, 0, 0, "C:\\data\\", "", "C:\\data/x.txt", "x.txt"},
        {"sibling with a longer name", 1, 0, 0, "C:\\data", "", "C:\\database/x.txt", "database/x.txt"},
        {"dropped folder", 0, 1, 0, "C:\\data", "", "C:\\data\\docs/sub/a.txt", "docs/sub/a.txt"},
        {"dropped file", 0, 1, 0, "", "", "C:\\data\\f.txt", "f.txt"},
        {"dropped drive root", 0, 1, 0, "", "", "C:\\/x.txt", "x.txt"},
        {"prefix of two levels", 1, 0, 0, "C:\\data", "pre\\sub", "C:\\data/docs/a.txt", "pre/sub/docs/a.txt"},
        {"prefix with outer separators", 0, 1, 0, "", "/pre/", "C:\\data\\f.txt", "pre/f.txt"},
        {"base names only", 1, 0, 1, "C:\\data", "", "C:\\data/docs/a.txt", "a.txt"},
        {"base names only, folder", 1, 0, 1, "C:\\data", "", "C:\\data/docs/", nullptr},
        {"no base: never absolute", 0, 0, 0, "", "", "C:\\data\\x.txt", "data/x.txt"},
        {"longer than the buffer", 1, 0, 0, "C:\\data", longPrefix.c_str(), longPath.c_str(), nullptr},
    };
    for (const NameCase& c : cases) {
        ZipCreateOptions* o = NewZipCreateOptions();
        ASSERT_NE(o, nullptr);
        o->relativeNames = c.relative;
        o->prefixMode = c.prefixMode;
        o->baseNamesOnly = c.baseNamesOnly;
        snprintf(o->baseFolder, sizeof o->baseFolder, "%s", c.base);
        snprintf(o->prefixPath, sizeof o->prefixPath, "%s", c.prefix);
        char name[260];
        int ok = ZipMemberNameForPath(o, c.path, name, sizeof name);
        if (c.expected) {
            EXPECT_EQ(ok, 1) << c.what;
            EXPECT_STREQ(name, c.expected) << c.what;
        } else {
            EXPECT_EQ(ok, 0) << c.what << " gave " << name;
        }
        ReleaseZipCreateOptions(o);
    }
}

class Walk : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTempFolder("zc_walk");
        ASSERT_TRUE(WriteTree(root, {{"top.txt", "12345"},
                                     {"a/one.txt", "1"},
                                     {"a/b/two.txt", "22"},
                                     {"a/b/c/three.bin", "333"},
                                     {"z/four.txt", "4444"},
                                     {"z/empty/", ""}}));
        files = ListCreateStrings();
    }
    void TearDown() override
    {
        ListDestroy(&files);
        RemoveFolderTree(root);
    }
    std::vector<std::string> Collected() const
    {
        std::vector<std::string> out;
        for (ListNode* n = files->head; n; n = n->next) out.push_back((const char*)n->data);
        return out;
    }
    // The collected paths below the root, '/' separated.
    std::vector<std::string> Relative() const
    {
        std::vector<std::string> out;
        for (const std::string& p : Collected()) out.push_back(p.substr(root.size() + 1));
        return out;
    }
    std::string root;
    List* files = nullptr;
};

int Depth(const std::string& relative)
{
    std::string s = relative;
    if (!s.empty() && s.back() == '/') s.pop_back();
    return (int)std::count(s.begin(), s.end(), '/');
}

TEST_F(Walk, BreadthFirstWithFolderEntriesAndSizes)
{
    int64_t total = 0;
    int n = CollectDirectoryFiles(files, root.c_str(), 1, nullptr, nullptr, &total, 1);
    std::vector<std::string> rel = Relative();
    std::vector<std::string> sorted = rel;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"a/", "a/b/", "a/b/c/", "a/b/c/three.bin", "a/b/two.txt", "a/one.txt",
                                                 "top.txt", "z/", "z/empty/", "z/four.txt"}));
    EXPECT_EQ(n, (int)rel.size());
    EXPECT_EQ(total, 5 + 1 + 2 + 3 + 4);
    for (size_t i = 1; i < rel.size(); ++i)
        EXPECT_LE(Depth(rel[i - 1]), Depth(rel[i])) << rel[i - 1] << " comes before the shallower " << rel[i];
    for (const std::string& p : Collected()) EXPECT_EQ(p.compare(0, root.size() + 1, root + "/"), 0) << p;
}

TEST_F(Walk, WithoutRecursionOnlyTheTopFiles)
{
    int64_t total = 0;
    EXPECT_EQ(CollectDirectoryFiles(files, root.c_str(), 0, nullptr, nullptr, &total, 1), 1);
    EXPECT_EQ(Relative(), std::vector<std::string>{"top.txt"});
    EXPECT_EQ(total, 5);
}

TEST_F(Walk, FilterKeepsMatchingFilesAndEveryFolder)
{
    List* filter = ListCreateStrings();
    ListAppendCopy(filter, ".bin");
    int64_t total = 0;
    CollectDirectoryFiles(files, root.c_str(), 1, filter, nullptr, &total, 1);
    std::vector<std::string> rel = Relative();
    std::sort(rel.begin(), rel.end());
    EXPECT_EQ(rel, (std::vector<std::string>{"a/", "a/b/", "a/b/c/", "a/b/c/three.bin", "z/", "z/empty/"}));
    EXPECT_EQ(total, 3);
    ListDestroy(&filter);
}

TEST_F(Walk, AFileStartsAListOfOneAndAMissingPathNone)
{
    int64_t total = 0;
    std::string file = root + "\\top.txt";
    EXPECT_EQ(CollectDirectoryFiles(files, file.c_str(), 1, nullptr, nullptr, &total, 1), 1);
    EXPECT_EQ(Collected(), std::vector<std::string>{file});
    EXPECT_EQ(total, 5);
    std::string missing = root + "\\nothing";
    EXPECT_EQ(CollectDirectoryFiles(files, missing.c_str(), 1, nullptr, nullptr, &total, 1), 0);
    EXPECT_EQ(files->count, 1);
}

TEST_F(Walk, CancelStopsTheWalkWithMinusOne)
{
    int64_t total = 0;
    SetCanceledByUser(1);
    EXPECT_EQ(CollectDirectoryFiles(files, root.c_str(), 1, nullptr, nullptr, &total, 1), -1);
    SetCanceledByUser(0);
    EXPECT_LE(files->count, 1);
}

// minizip's writer stops counting in the end record at 65535 without writing the zip64 end
// records; readers then see 65535 members. The worker's finishing step must repair that.
TEST(ManyMembers, SeventyThousandMembersAreAllReadBack)
{
    ScopedPromptScript prompts;
    std::string out = MakeTempFolder("zc_many");
    std::string target = out + "\\many.zip";
    List* files = ListCreateStrings();
    const int count = 70000;
    for (int i = 0; i < count; ++i) {
        char path[64];
        snprintf(path, sizeof path, "Q:\\none/d%05d/", i);
        ListAppendCopy(files, path);
    }
    ZipCreateOptions* o = NewTestRun(target, 6, nullptr);
    snprintf(o->baseFolder, sizeof o->baseFolder, "%s", "Q:\\none");
    zlib_filefunc64_def ff;
    FillZipWriteFileFunctions(&ff);
    zipFile zf = zipOpen2_64(target.c_str(), APPEND_STATUS_CREATE, nullptr, &ff);
    ASSERT_NE(zf, nullptr);
    ASSERT_EQ(ZipFileList_64(files, o, zf, 1, 0), 0);
    ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);
    EXPECT_EQ(o->foldersAdded, count);
    // What the writer leaves: "see the zip64 record" in the end record, and no such record.
    ZipTailInfo tail;
    ASSERT_TRUE(ReadZipTailInfo(target.c_str(), &tail));
    EXPECT_EQ(tail.entries, 0xFFFFu);
    EXPECT_EQ(tail.zip64RecordOffset, UINT64_MAX);
    int changed = 0;
    ASSERT_EQ(FinishZipCentralDirectory(target.c_str(), {}, &changed), 1);
    EXPECT_EQ(changed, 1);
    ASSERT_TRUE(ReadZipTailInfo(target.c_str(), &tail));
    EXPECT_EQ(tail.entries, (uint64_t)count);
    EXPECT_NE(tail.zip64RecordOffset, UINT64_MAX);
    ArchiveContents a = ReadArchive(target);
    EXPECT_EQ(a.entries, (uint64_t)count);
    ASSERT_EQ(a.members.size(), (size_t)count);
    EXPECT_EQ(a.members.back().name, "d69999/");
    // A second finish finds nothing to do.
    ASSERT_EQ(FinishZipCentralDirectory(target.c_str(), {}, &changed), 1);
    EXPECT_EQ(changed, 0);
    ReleaseZipCreateOptions(o);
    ListDestroy(&files);
    RemoveFolderTree(out);
}

TEST(BackgroundRun, WritesTheArchiveAndLeavesTheJobTree)
{
    ScopedPromptScript prompts;
    std::string src = MakeTempFolder("zc_bg_src");
    std::string out = MakeTempFolder("zc_bg_out");
    ASSERT_TRUE(WriteTree(src, StandardTree()));
    std::string target = out + "\\silent.zip";
    ZipCreateOptions* o = NewZipCreateOptions();
    snprintf(o->targetArchive, sizeof o->targetArchive, "%s", target.c_str());
    snprintf(o->baseFolder, sizeof o->baseFolder, "%s", src.c_str());
    o->relativeNames = 1;
    o->silent = 1;
    int jobsBefore = BackgroundJobCount();
    ASSERT_EQ(StartZipWorkDirectoryThread(o), 0);
    // The record now belongs to the job tree; the watcher removes it when the worker ends.
    ASSERT_TRUE(PumpMessagesUntil([&] { return BackgroundJobCount() == jobsBefore; }, 60000));
    ArchiveContents a = ReadArchive(target);
    ASSERT_TRUE(a.opened);
    for (const TreeFile& f : StandardTree()) {
        const ArchiveMember* m = a.Find(f.path);
        ASSERT_NE(m, nullptr) << f.path;
        if (f.path.back() != '/') {
            EXPECT_EQ(m->data, f.data) << f.path;
        }
    }
    EXPECT_EQ(ScriptedQuestionCount(), 0) << "a background run asked something";
    RemoveFolderTree(src);
    RemoveFolderTree(out);
}

}  // namespace
